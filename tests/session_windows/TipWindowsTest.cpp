// The voice tip and the notice window: texts by language, widths, places and hide timers.
#include "FakeScreen.h"

#include "app/CConfig.h"
#include "app/CWndManager.h"
#include "session/CIconWnd.h"
#include "session/CTipWnd.h"
#include "session/CVoiceTipWnd.h"
#include "session/SessionWindows.h"
#include "session/TipTexts.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QMovie>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

class TipWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_home.isValid());
        config = std::make_shared<CConfig>(m_home.path() + QLatin1Char('/'));
        SessionWindowLinks links;
        links.config = config;
        links.voiceMode = [this] { return voiceMode; };
        links.screen = screen;
        links.recordUsage = [this](int kind, const QString&) { usageKinds.push_back(kind); };
        links.openGetWord = [this](int, int, const QString& word) { getWords.push_back(word); };
        WindowFactories factories;
        RegisterSessionWindows(factories, std::move(links));
        manager = std::make_unique<CWndManager>(std::move(factories));
        voiceTip = dynamic_cast<CVoiceTipWnd*>(manager->FloatingWindow(FloatingWnd::VoiceTip));
        notice = dynamic_cast<CTipWnd*>(manager->FloatingWindow(FloatingWnd::Tip));
        ASSERT_NE(voiceTip, nullptr);
        ASSERT_NE(notice, nullptr);
    }

    void SetLanguage(const char* language) { config->SetUiLanguage(QLatin1String(language)); }
    static QRect Frame(WindowImplBase* window) { return window->GetHWND()->geometry(); }
    static QString Text(WindowImplBase* window) {
        return window->GetControlText(QStringLiteral("tip_text"));
    }

    QTemporaryDir m_home;
    std::shared_ptr<CConfig> config;
    std::shared_ptr<FakeScreen> screen = std::make_shared<FakeScreen>();
    int voiceMode = 0;
    std::vector<int> usageKinds;
    std::vector<QString> getWords;
    std::unique_ptr<CWndManager> manager;
    CVoiceTipWnd* voiceTip = nullptr;
    CTipWnd* notice = nullptr;
};

TEST_F(TipWindowsTest, WindowsAreMadeHiddenUnderTheirNames) {
    auto* icon = dynamic_cast<CIconWnd*>(manager->FloatingWindow(FloatingWnd::Icon));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->GetWindowName(), QStringLiteral("IconWnd"));
    EXPECT_FALSE(icon->IsVisible());
    EXPECT_EQ(voiceTip->GetWindowName(), QStringLiteral("VoiceTipWnd"));
    EXPECT_EQ(notice->GetWindowName(), QStringLiteral("TipWnd"));
    EXPECT_FALSE(voiceTip->IsVisible());
    EXPECT_FALSE(notice->IsVisible());
    for (const char* control : {"icon_lab", "icon_gif", "tip_text"})
        EXPECT_NE(voiceTip->FindControl(QLatin1String(control)), nullptr) << control;
    for (const char* control : {"icon_lab", "tip_text"})
        EXPECT_NE(notice->FindControl(QLatin1String(control)), nullptr) << control;

    // The icon reaches the usage recorder and the get-word window through the links.
    manager->ShowIcon(0, 10, 10, QStringLiteral("word"));
    QTest::mouseClick(icon->FindControl(QStringLiteral("icon_btn")), Qt::LeftButton);
    EXPECT_EQ(usageKinds, std::vector<int>{31});
    EXPECT_EQ(getWords, std::vector<QString>{QStringLiteral("word")});
}

TEST_F(TipWindowsTest, VoiceTipTextsFollowTheLanguage) {
    const struct {
        const char* language;
        const char* listening;
        const char* processing;
    } cases[] = {
        {"lan_cn", "请说话", "正在处理..."},
        {"lan_cht", "請說話", "正在處理..."},
        {"lan_en", "Please speak", "Processing..."},
        {"lan_jp", "話してください", "処理中..."},
    };
    for (const auto& c : cases) {
        SetLanguage(c.language);
        manager->ShowVoiceTip(0, QString(), false, 0);
        EXPECT_EQ(Text(voiceTip), QString::fromUtf8(c.listening)) << c.language;
        manager->ShowVoiceTip(1, QString(), false, 0);
        EXPECT_EQ(Text(voiceTip), QString::fromUtf8(c.processing)) << c.language;
        manager->ShowVoiceTip(2, QStringLiteral("hello"), false, 0);
        EXPECT_EQ(Text(voiceTip), QStringLiteral("hello")) << c.language;
    }
    EXPECT_TRUE(voiceTip->IsVisible());
}

TEST_F(TipWindowsTest, NoticeTextsFollowTheLanguage) {
    const struct {
        int id;
        const char* texts[4]; // lan_cn, lan_cht, lan_en, lan_jp
    } cases[] = {
        {3, {"鼠标离线", "鼠標離線", "Mouse offline", "オフラインのマウス"}},
        {4,
         {"鼠标电量不足，请及时充电", "鼠標電量不足，請及時充電",
          "The mouse battery is low, please charge in time",
          "マウスの電池が残り少なくなっています。時間内に充電してください"}},
        {5,
         {"已切换为打字模式", "已切換為打字模式", "Switched to typing mode",
          "入力モードに切り替えました"}},
        {6,
         {"已切换为翻译打字模式", "已切換為翻譯打字模式", "Switched to translation typing mode",
          "翻訳入力モードに切り替えました"}},
        {7,
         {"长按Enter2s切换为打字", "長按Enter2s切換為打字",
          "Long press Enter 2s to switch to typing", "Enter2sを長押しして入力に切り替えます"}},
        {8,
         {"长按Enter2s切换为翻译打字", "長按Enter2s切換為翻譯打字",
          "Long press Enter 2s to switch to translation typing",
          "Enter2sを長押しして翻訳の入力に切り替えます"}},
    };
    const char* languages[] = {"lan_cn", "lan_cht", "lan_en", "lan_jp"};
    for (const auto& c : cases) {
        for (int l = 0; l < 4; ++l) {
            SetLanguage(languages[l]);
            manager->ShowNotice(c.id);
            EXPECT_EQ(Text(notice), QString::fromUtf8(c.texts[l])) << c.id << ' ' << languages[l];
        }
    }
}

TEST_F(TipWindowsTest, UnknownLanguageOrNoticeKeepsThePreviousText) {
    SetLanguage("lan_en");
    manager->ShowVoiceTip(0, QString(), false, 0);
    manager->ShowNotice(5);
    SetLanguage("lan_xx");
    manager->ShowVoiceTip(1, QString(), false, 0);
    EXPECT_EQ(Text(voiceTip), QStringLiteral("Please speak"));
    manager->ShowNotice(4);
    EXPECT_EQ(Text(notice), QStringLiteral("Switched to typing mode"));

    // An id without a text still shows the window, with its old text, for the full time.
    SetLanguage("lan_en");
    notice->ShowWindow(false);
    for (int id : {2, 9, -1}) {
        manager->ShowNotice(id);
        EXPECT_EQ(Text(notice), QStringLiteral("Switched to typing mode")) << id;
        EXPECT_TRUE(notice->IsVisible()) << id;
        EXPECT_TRUE(notice->HasTimer(CTipWnd::kHideTimer)) << id;
    }
}

TEST_F(TipWindowsTest, WidthGrowsWithTheTextBeyondTwoHundredPixels) {
    const struct {
        const char* language;
        int state;
        QString text;
        int width;
    } cases[] = {
        {"lan_en", 2, QString(30, QLatin1Char('a')), 340},
        {"lan_en", 2, QString(20, QLatin1Char('a')), 240},
        {"lan_en", 2, QString(21, QLatin1Char('a')), 250},
        {"lan_en", 0, QString(), 240},
        {"lan_cn", 2, QString(10, QChar(0x4E2D)), 240},
        {"lan_cn", 2, QString(11, QChar(0x4E2D)), 260},
        {"lan_jp", 2, QString(30, QLatin1Char('a')), 640},
        {"lan_xx", 2, QString(15, QLatin1Char('a')), 340},
    };
    for (const auto& c : cases) {
        SetLanguage(c.language);
        manager->ShowVoiceTip(c.state, c.text, false, 0);
        EXPECT_EQ(Frame(voiceTip).size(), QSize(c.width, 38)) << c.language << ' ' << c.text.size();
    }
    EXPECT_EQ(tiptext::TipWidth(QStringLiteral("lan_cn"), 1 << 30), 16777215);
}

TEST_F(TipWindowsTest, NoticeSitsEightyPixelsAboveTheBottomRightCorner) {
    SetLanguage("lan_cn");
    manager->ShowNotice(4);
    EXPECT_TRUE(notice->IsVisible());
    EXPECT_EQ(Frame(notice), QRect(1920 - 280, 1080 - 80, 280, 38));

    SetLanguage("lan_en");
    screen->size = QSize(1280, 720);
    manager->ShowNotice(5); // 23 characters at 10 px
    EXPECT_EQ(Frame(notice), QRect(1280 - 270, 720 - 80, 270, 38));
}

TEST_F(TipWindowsTest, VoiceTipPlacementFollowsTheVoiceModeAndTheCaret) {
    const struct {
        int mode;
        std::optional<QPoint> caret;
        QPoint expected;
    } cases[] = {
        {0, QPoint(100, 200), {105, 210}},
        {2, QPoint(300, 40), {305, 50}},
        {0, std::nullopt, {1920 - 240, 1080 - 120}},
        {2, std::nullopt, {1920 - 240, 1080 - 120}},
        {1, QPoint(100, 200), {1920 - 240, 1080 - 120}},
        {3, QPoint(100, 200), {7, 9}},
    };
    SetLanguage("lan_en");
    for (const auto& c : cases) {
        voiceTip->MoveWindow(7, 9);
        voiceMode = c.mode;
        screen->caret = c.caret;
        manager->ShowVoiceTip(0, QString(), false, 0);
        EXPECT_EQ(Frame(voiceTip).topLeft(), c.expected) << "mode " << c.mode;
        EXPECT_TRUE(voiceTip->IsVisible());
    }
}

TEST_F(TipWindowsTest, ModePictureFollowsTheVoiceMode) {
    const struct {
        int mode;
        const char* picture;
    } cases[] = {
        {1, ":/skin/tipWnd/search_icon.gif"},
        {0, ":/skin/tipWnd/typing_icon.gif"},
        {2, ":/skin/tipWnd/trans_icon.gif"},
        {3, ":/skin/tipWnd/trans_icon.gif"}, // other modes keep the picture
        {7, ":/skin/tipWnd/trans_icon.gif"},
    };
    for (const auto& c : cases) {
        voiceMode = c.mode;
        manager->ShowVoiceTip(0, QString(), false, 0);
        EXPECT_EQ(voiceTip->ModePicture(), QLatin1String(c.picture)) << c.mode;
        const QMovie* movie = voiceTip->FindControlAs<QLabel>(QStringLiteral("icon_gif"))->movie();
        ASSERT_NE(movie, nullptr);
        EXPECT_TRUE(movie->isValid()) << c.picture;
    }
}

TEST_F(TipWindowsTest, ListeningCancelsAPendingHide) {
    manager->ShowVoiceTip(1, QString(), true, 50);
    EXPECT_TRUE(voiceTip->HasTimer(CVoiceTipWnd::kHideTimer));
    manager->ShowVoiceTip(0, QString(), true, 50);
    EXPECT_FALSE(voiceTip->HasTimer(CVoiceTipWnd::kHideTimer));
    QTest::qWait(200);
    EXPECT_TRUE(voiceTip->IsVisible());

    // Without the hide flag no timer starts either.
    manager->ShowVoiceTip(2, QStringLiteral("text"), false, 50);
    manager->ShowVoiceTip(1, QString(), false, 50);
    EXPECT_FALSE(voiceTip->HasTimer(CVoiceTipWnd::kHideTimer));
}

TEST_F(TipWindowsTest, TipsHideThemselvesAfterTheirDelay) {
    QElapsedTimer clock;
    clock.start();
    manager->ShowVoiceTip(1, QString(), true, 1000);
    manager->ShowNotice(4);
    qint64 voiceTipGone = -1;
    qint64 noticeGone = -1;
    while ((voiceTipGone < 0 || noticeGone < 0) && clock.elapsed() < 5000) {
        QTest::qWait(10);
        if (voiceTipGone < 0 && !voiceTip->IsVisible())
            voiceTipGone = clock.elapsed();
        if (noticeGone < 0 && !notice->IsVisible())
            noticeGone = clock.elapsed();
    }
    // Window timers may fire up to 5 % early.
    EXPECT_GE(voiceTipGone, 950);
    EXPECT_GE(noticeGone, 1425);
    EXPECT_LT(voiceTipGone, noticeGone);
    EXPECT_FALSE(voiceTip->HasTimer(CVoiceTipWnd::kHideTimer)) << "fires once";
    EXPECT_FALSE(notice->HasTimer(CTipWnd::kHideTimer));
}

TEST_F(TipWindowsTest, CallsFromAnotherThreadRunOnTheWindowsThread) {
    SetLanguage("lan_en");
    std::thread engine([this] {
        manager->ShowVoiceTip(2, QStringLiteral("from the engine"), false, 0);
        manager->ShowNotice(6);
    });
    engine.join();
    QTRY_VERIFY_WITH_TIMEOUT(voiceTip->IsVisible() && notice->IsVisible(), 5000);
    EXPECT_EQ(Text(voiceTip), QStringLiteral("from the engine"));
    EXPECT_EQ(Text(notice), QStringLiteral("Switched to translation typing mode"));
    manager->HideVoiceTip();
    EXPECT_FALSE(voiceTip->IsVisible());
}

} // namespace
