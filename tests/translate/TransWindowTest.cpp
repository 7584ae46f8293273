// The translation and get-word windows, headless: texts, sizes, places, the latest answer only,
// confirm and paste, language choice and read-aloud.
#include "app/CConfig.h"
#include "app/CWndManager.h"
#include "platform/IClipboard.h"
#include "platform/IScreen.h"
#include "translate/CGetWordWnd.h"
#include "translate/CTransWnd.h"
#include "translate/ITransEngine.h"
#include "translate/TransWindows.h"
#include "ui/framework/TNotifyUI.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <mutex>

namespace {

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

class FakeScreen : public platform::IScreen {
public:
    QSize size{1920, 1080};
    std::optional<QPoint> caret;
    std::optional<QPoint> cursor;
    QSize ScreenSize() override { return size; }
    std::optional<QPoint> CursorPosition() override { return cursor; }
    std::optional<QPoint> CaretPosition() override { return caret; }
    QImage Grab() override { return {}; }
    bool SetPointerVisible(bool) override { return true; }
};

class FakeClipboard : public platform::IClipboard {
public:
    bool SetText(const QString& value) override {
        text = value;
        return true;
    }
    std::uint64_t ReadsSoFar() override { return 0; }
    bool WaitForReadBeyond(std::uint64_t, std::chrono::milliseconds) override { return true; }
    QString text;
};

// One engine as the window sees it; the test answers for it while it lives (a destroyed
// engine's answers are dropped, as the real engine's gate does).
struct EngineRecord {
    ITransCallBack* callBack = nullptr;
    bool alive = true;
    std::vector<std::string> translated;
    std::vector<std::string> spoken;
};

class FakeEngine : public ITransEngine {
public:
    explicit FakeEngine(std::shared_ptr<EngineRecord> record) : m_record(std::move(record)) {}
    ~FakeEngine() override { m_record->alive = false; }
    void Translate(const std::string& text) override { m_record->translated.push_back(text); }
    void TranslateGoogle(const std::string&) override {}
    void Speak(std::string text) override { m_record->spoken.push_back(std::move(text)); }

private:
    std::shared_ptr<EngineRecord> m_record;
};

class TransWindowTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_home.isValid());
        ASSERT_TRUE(QFile::copy(QStringLiteral(VELMORA_SOURCE_DIR "/skin/languages.ini"),
                                m_home.filePath(QStringLiteral("languages.ini"))));
        m_config = std::make_shared<CConfig>(m_home.path() + QLatin1Char('/'));
        m_config->SetTranslateLanguage(QStringLiteral("en"));
        TransWindowLinks links;
        links.config = m_config;
        links.deviceKind = [] { return 0; };
        links.languageChosen = [this] { ++m_languageChosen; };
        links.paste = [this](const QString& text) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_pasted.push_back(text);
            return true;
        };
        links.recordUsage = [this](int kind, const QString& first, const QString& second) {
            m_usage.push_back({QString::number(kind), first, second});
        };
        links.makeEngine = [this](ITransCallBack* callBack) {
            auto record = std::make_shared<EngineRecord>();
            record->callBack = callBack;
            m_engines.push_back(record);
            return std::unique_ptr<ITransEngine>(new FakeEngine(record));
        };
        links.screen = m_screen;
        links.clipboard = m_clipboard;
        WindowFactories factories;
        RegisterTransWindows(factories, std::move(links));
        m_manager = std::make_unique<CWndManager>(std::move(factories));
        m_trans = dynamic_cast<CTransWnd*>(m_manager->FloatingWindow(FloatingWnd::Trans));
        m_getWord = dynamic_cast<CGetWordWnd*>(m_manager->FloatingWindow(FloatingWnd::GetWord));
        ASSERT_NE(m_trans, nullptr);
        ASSERT_NE(m_getWord, nullptr);
    }

    // The engine of the latest translation request (the speech engines come first).
    std::shared_ptr<EngineRecord> LatestRequest() const { return m_engines.back(); }
    static void Answer(const std::shared_ptr<EngineRecord>& engine, const std::string& text) {
        if (engine->alive)
            engine->callBack->OnTranslated(text);
    }
    static void Click(WindowImplBase* window, const char* control) {
        auto* button = window->FindControlAs<QPushButton>(QLatin1String(control));
        ASSERT_NE(button, nullptr) << control;
        button->click();
    }
    std::vector<QString> Pasted() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_pasted;
    }
    static QString Text(WindowImplBase* window, const char* control) {
        return window->GetControlText(QLatin1String(control));
    }

    QTemporaryDir m_home;
    std::shared_ptr<CConfig> m_config;
    std::shared_ptr<FakeScreen> m_screen = std::make_shared<FakeScreen>();
    std::shared_ptr<FakeClipboard> m_clipboard = std::make_shared<FakeClipboard>();
    std::vector<std::shared_ptr<EngineRecord>> m_engines;
    int m_languageChosen = 0;
    std::mutex m_lock;
    std::vector<QString> m_pasted;
    std::vector<std::vector<QString>> m_usage;
    std::unique_ptr<CWndManager> m_manager;
    CTransWnd* m_trans = nullptr;
    CGetWordWnd* m_getWord = nullptr;
};

// Catches a window that shows no source, asks nothing, or is sized against the rules.
TEST_F(TransWindowTest, ShowAsksForTheTranslationAndSizesForTheText) {
    m_trans->ShowTranslation(QStringLiteral("hello"), false);
    EXPECT_TRUE(m_trans->IsVisible());
    EXPECT_EQ(Text(m_trans, "original_edit"), QStringLiteral("hello"));
    EXPECT_EQ(Text(m_trans, "trans_edit"), QStringLiteral("Processing..."));
    EXPECT_TRUE(m_trans->IsControlVisible(QStringLiteral("sure_btn")));
    EXPECT_EQ(LatestRequest()->translated, std::vector<std::string>{"hello"});
    const QSize size = m_trans->GetHWND()->size();
    EXPECT_EQ(size.width(), CTransWndBase::kWidth);
    EXPECT_GT(size.height(), CTransWndBase::kExtraHeight);
    EXPECT_LE(size.height(), CTransWndBase::kMaxHeight);
    m_trans->ShowTranslation(QStringLiteral("word ").repeated(400), false);
    EXPECT_EQ(m_trans->GetHWND()->height(), CTransWndBase::kMaxHeight);
}

struct PlaceCase {
    const char* name;
    std::optional<QPoint> caret;
    std::optional<QPoint> cursor;
    QPoint expected; // for a 320-wide window on 1920x1080; y checked against the height
    bool fitsBottom;
};

class TransWindowPlaceTest : public TransWindowTest,
                             public testing::WithParamInterface<PlaceCase> {};

// Catches a window placed off screen, or ignoring the caret or the pointer fallback.
TEST_P(TransWindowPlaceTest, GoesToTheCaretElseThePointerMovedToFit) {
    m_screen->caret = GetParam().caret;
    m_screen->cursor = GetParam().cursor;
    m_trans->ShowTranslation(QStringLiteral("hello"), false);
    const QRect frame = m_trans->GetHWND()->geometry();
    EXPECT_EQ(frame.x(), GetParam().expected.x());
    if (GetParam().fitsBottom)
        EXPECT_EQ(frame.y(), 1080 - frame.height());
    else
        EXPECT_EQ(frame.y(), GetParam().expected.y());
}

INSTANTIATE_TEST_SUITE_P(
    Places, TransWindowPlaceTest,
    testing::Values(PlaceCase{"caret", QPoint(100, 200), QPoint(5, 5), QPoint(100, 200), false},
                    PlaceCase{"pointer", std::nullopt, QPoint(300, 40), QPoint(300, 40), false},
                    PlaceCase{"nothing", std::nullopt, std::nullopt, QPoint(0, 0), false},
                    PlaceCase{"corner", QPoint(1900, 1070), std::nullopt, QPoint(1600, 0), true}),
    [](const auto& info) { return std::string(info.param.name); });

// Catches an older answer replacing the newer one on screen.
TEST_F(TransWindowTest, ShowsOnlyTheAnswerToTheLatestRequest) {
    m_trans->ShowTranslation(QStringLiteral("one"), false);
    auto first = LatestRequest();
    m_trans->ShowTranslation(QStringLiteral("two"), false);
    auto second = LatestRequest();
    Answer(second, "zwei");
    Answer(first, "eins");
    QTRY_COMPARE(Text(m_trans, "trans_edit"), QStringLiteral("zwei"));
    QCoreApplication::processEvents();
    EXPECT_EQ(Text(m_trans, "trans_edit"), QStringLiteral("zwei"));
    EXPECT_EQ(m_trans->Translation(), QStringLiteral("zwei"));
}

// Catches a confirm that pastes the wrong text, keeps the window, or reports the pair
// the wrong way round.
TEST_F(TransWindowTest, SureButtonPastesAndReportsTranslationThenSource) {
    m_trans->ShowTranslation(QStringLiteral("hello"), false);
    Answer(LatestRequest(), "hallo");
    QTRY_COMPARE(Text(m_trans, "trans_edit"), QStringLiteral("hallo"));
    Click(m_trans, "sure_btn");
    EXPECT_FALSE(m_trans->IsVisible());
    EXPECT_EQ(Text(m_trans, "original_edit"), QString());
    QTRY_COMPARE(Pasted().size(), std::size_t{1});
    EXPECT_EQ(Pasted()[0], QStringLiteral("hallo"));
    ASSERT_EQ(m_usage.size(), 1u);
    EXPECT_EQ(m_usage[0], (std::vector<QString>{QStringLiteral("2"), QStringLiteral("hallo"),
                                                QStringLiteral("hello")}));
}

// Catches a confirm that pastes nothing while the answer is on its way, or that pastes
// before it came.
TEST_F(TransWindowTest, AutoConfirmWaitsForTheOutstandingAnswer) {
    m_trans->ShowTranslation(QStringLiteral("hello"), true);
    QTRY_VERIFY_WITH_TIMEOUT(!m_trans->IsVisible(), 10000);
    EXPECT_TRUE(m_trans->ConfirmPending());
    EXPECT_TRUE(Pasted().empty());
    Answer(LatestRequest(), "hallo");
    QTRY_COMPARE(Pasted().size(), std::size_t{1});
    EXPECT_EQ(Pasted()[0], QStringLiteral("hallo"));
}

// Catches an empty translation replacing the user's clipboard or counted as used.
TEST_F(TransWindowTest, EmptyTranslationPastesNothingAndRecordsNothing) {
    m_trans->ShowTranslation(QStringLiteral("hello"), false);
    Answer(LatestRequest(), "");
    QTRY_VERIFY(!m_trans->ReplyOutstanding());
    m_trans->Confirm(true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(Pasted().empty());
    EXPECT_TRUE(m_usage.empty());
}

// Catches a choice that is not stored, not announced or not translated again.
TEST_F(TransWindowTest, ChoosingALanguageStoresItAndTranslatesAgain) {
    m_trans->ShowTranslation(QStringLiteral("hello"), false);
    auto* list = m_trans->FindControlAs<QComboBox>(QStringLiteral("lang_com"));
    ASSERT_NE(list, nullptr);
    ASSERT_GT(list->count(), 2);
    EXPECT_EQ(m_trans->GetListItem(QStringLiteral("lang_com"), list->currentIndex()).name,
              QStringLiteral("en"));
    const std::size_t engines = m_engines.size();
    list->setCurrentIndex(m_trans->FindListItem(QStringLiteral("lang_com"), QStringLiteral("jp")));
    EXPECT_EQ(m_config->GetTranslateLanguage(), QStringLiteral("jp"));
    EXPECT_EQ(m_languageChosen, 1);
    ASSERT_EQ(m_engines.size(), engines + 1);
    EXPECT_EQ(LatestRequest()->translated, std::vector<std::string>{"hello"});
}

// Catches a play button that stays hidden after the speech ended.
TEST_F(TransWindowTest, PlaySpeaksTheTranslationAndShowsTheButtonAgainAtTheEnd) {
    m_getWord->ShowGetWord(40, 50, QStringLiteral("word"));
    EXPECT_EQ(m_getWord->GetHWND()->pos(), QPoint(40, 50));
    Answer(LatestRequest(), "Wort");
    QTRY_COMPARE(Text(m_getWord, "trans_edit"), QStringLiteral("Wort"));
    const auto speech = std::find_if(m_engines.begin(), m_engines.end(), [this](const auto& e) {
        return e->callBack == static_cast<ITransCallBack*>(m_getWord);
    });
    ASSERT_NE(speech, m_engines.end());
    Click(m_getWord, "play_btn");
    EXPECT_FALSE(m_getWord->IsControlVisible(QStringLiteral("play_btn")));
    EXPECT_EQ((*speech)->spoken, std::vector<std::string>{"Wort"});
    (*speech)->callBack->OnSpeakEnd();
    QTRY_VERIFY(m_getWord->IsControlVisible(QStringLiteral("play_btn")));
    EXPECT_FALSE(m_getWord->IsControlVisible(QStringLiteral("play_gif")));
    Click(m_getWord, "copy_btn");
    EXPECT_EQ(m_clipboard->text, QStringLiteral("Wort"));
}

} // namespace
