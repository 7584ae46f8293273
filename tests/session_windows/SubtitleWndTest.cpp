// The subtitle band: place, alignment, colour, the source line and its translation.
#include "FakeScreen.h"
#include "FakeTransEngine.h"

#include "app/CConfig.h"
#include "app/CWndManager.h"
#include "session/CSubtitleWnd.h"
#include "session/SessionWindows.h"
#include "session/SubtitleWidths.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <optional>

namespace {

using Settings = std::map<std::string, std::map<std::string, std::string>>;

class SubtitleWndTest : public ::testing::Test {
protected:
    // Read-only keys (the engines) come only from the file, so each test writes its own.
    void Build(const Settings& settings = {}, bool withEngine = true) {
        ASSERT_TRUE(m_home.isValid());
        QFile ini(m_home.filePath(QStringLiteral("custom.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (const auto& [section, keys] : settings) {
            ini.write(("[" + section + "]\n").c_str());
            for (const auto& [key, value] : keys)
                ini.write((key + "=" + value + "\n").c_str());
        }
        ini.close();
        config = std::make_shared<CConfig>(m_home.path() + QLatin1Char('/'));
        SessionWindowLinks links;
        links.config = config;
        links.screen = screen;
        if (withEngine) {
            links.makeTransEngine = [this](ITransCallBack* callBack) {
                auto made = std::make_unique<FakeTransEngine>(callBack);
                engine = made.get();
                return made;
            };
        }
        WindowFactories factories;
        RegisterSessionWindows(factories, std::move(links));
        manager = std::make_unique<CWndManager>(std::move(factories));
        band = dynamic_cast<CSubtitleWnd*>(manager->FloatingWindow(FloatingWnd::Subtitle));
        ASSERT_NE(band, nullptr);
    }

    QLabel* Line(const char* name) const {
        return band->FindControlAs<QLabel>(QLatin1String(name));
    }
    QString Text(const char* name) const { return Line(name)->text(); }
    bool RightAligned(const char* name) const {
        return (Line(name)->alignment() & Qt::AlignRight) != 0;
    }
    QRgb Drawn(const char* name) const {
        return Line(name)->palette().color(QPalette::WindowText).rgba();
    }

    QTemporaryDir m_home;
    std::shared_ptr<CConfig> config;
    std::shared_ptr<FakeScreen> screen = std::make_shared<FakeScreen>();
    FakeTransEngine* engine = nullptr;
    std::unique_ptr<CWndManager> manager;
    CSubtitleWnd* band = nullptr;
};

TEST_F(SubtitleWndTest, ShowSpansTheBottomOfTheScreenAndHidesASecondAfterTheTimer) {
    Build();
    EXPECT_FALSE(band->IsVisible());
    EXPECT_EQ(band->GetWindowName(), QStringLiteral("SubtitleWnd"));
    manager->AddSubtitleText(QStringLiteral("before"));
    manager->ShowSubtitle();
    ASSERT_TRUE(band->IsVisible());
    EXPECT_EQ(band->GetHWND()->geometry(), QRect(0, 1080 - 184, 1920, 140));
    EXPECT_EQ(Line("src_text")->width(), 1920 - 80);
    EXPECT_EQ(Line("des_text")->width(), 1920 - 80);
    EXPECT_EQ(Text("src_text"), QString());

    manager->StartSubtitleHideTimer();
    EXPECT_TRUE(band->HasTimer(CSubtitleWnd::kHideTimer));
    // A new key-down within the second keeps the band.
    manager->ShowSubtitle();
    EXPECT_FALSE(band->HasTimer(CSubtitleWnd::kHideTimer));
    manager->StartSubtitleHideTimer();
    QTRY_VERIFY_WITH_TIMEOUT(!band->IsVisible(), 30000);
}

struct EngineAlignmentCase {
    const char* engine;
    bool right;
};

class SubtitleEngineAlignment : public SubtitleWndTest,
                                public ::testing::WithParamInterface<EngineAlignmentCase> {};

INSTANTIATE_TEST_SUITE_P(Engines, SubtitleEngineAlignment,
                         ::testing::Values(EngineAlignmentCase{"xf", false},
                                           EngineAlignmentCase{"sh", true},
                                           // unchanged: the overflow before the show stays
                                           EngineAlignmentCase{"sg", true}),
                         [](const auto& info) { return std::string(info.param.engine); });

TEST_P(SubtitleEngineAlignment, ShowAlignsBothLinesByRecognitionEngine) {
    Build({{"recognition", {{"engine", GetParam().engine}, {"lp_language", "english"}}},
           {"translate", {{"lp_language", "en"}}}});
    manager->ShowSubtitle();
    manager->AddSubtitleText(QString(200, QLatin1Char('w'))); // 17 px a character overflows
    engine->Answer(std::string(200, 'W'));
    QTRY_COMPARE(Text("des_text"), QString(200, QLatin1Char('W')));
    ASSERT_TRUE(RightAligned("src_text"));
    ASSERT_TRUE(RightAligned("des_text"));
    manager->ShowSubtitle();
    EXPECT_EQ(RightAligned("src_text"), GetParam().right);
    EXPECT_EQ(RightAligned("des_text"), GetParam().right);
}

struct OverflowCase {
    const char* name;
    const char* recognitionLanguage;
    int characters;
    bool right;
};

class SubtitleSourceOverflow : public SubtitleWndTest,
                               public ::testing::WithParamInterface<OverflowCase> {};

// 1840 px of line: 108 English characters (17 px) fit, 109 do not; Chinese takes 35 px.
INSTANTIATE_TEST_SUITE_P(Lines, SubtitleSourceOverflow,
                         ::testing::Values(OverflowCase{"EnglishFits", "english", 108, false},
                                           OverflowCase{"EnglishOverflows", "english", 109, true},
                                           OverflowCase{"ChineseOverflows", "chinese", 53, true},
                                           OverflowCase{"ChineseFits", "chinese", 52, false},
                                           OverflowCase{"NoLanguageNeverOverflows", "", 200, false},
                                           OverflowCase{"UnknownLanguageNeverOverflows", "klingon",
                                                        200, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(SubtitleSourceOverflow, SourceLineRightAlignsWhenItsCharactersDoNotFit) {
    Build({{"recognition", {{"lp_language", GetParam().recognitionLanguage}}}});
    manager->ShowSubtitle();
    manager->AddSubtitleText(QString(GetParam().characters, QChar(0x4E2D)));
    EXPECT_EQ(RightAligned("src_text"), GetParam().right);
}

TEST_F(SubtitleWndTest, SourceShowsAndTranslatesTheLast200Characters) {
    Build();
    manager->ShowSubtitle();
    const QString text = QString(100, QLatin1Char('a')) + QString(200, QLatin1Char('b'));
    manager->AddSubtitleText(text);
    EXPECT_EQ(Text("src_text"), QString(200, QLatin1Char('b')));
    ASSERT_EQ(engine->requests.size(), 1u);
    EXPECT_EQ(engine->requests[0], std::string(200, 'b'));
}

TEST_F(SubtitleWndTest, EmptyResultChangesNothingAndSendsNothing) {
    Build();
    manager->ShowSubtitle();
    manager->AddSubtitleText(QStringLiteral("slide one"));
    engine->Answer("folie eins");
    QTRY_COMPARE(Text("des_text"), QStringLiteral("folie eins"));
    manager->AddSubtitleText(QString());
    EXPECT_EQ(Text("src_text"), QStringLiteral("slide one"));
    EXPECT_EQ(engine->requests.size(), 1u);
}

// The service may answer a later request sooner: only one request is ever open, and the texts
// that came meanwhile are sent as one, the newest.
TEST_F(SubtitleWndTest, AnOlderTranslationNeverReplacesANewerOne) {
    Build();
    manager->ShowSubtitle();
    for (const char* text : {"one", "two", "three"})
        manager->AddSubtitleText(QLatin1String(text));
    // Sending all three would leave the answer to "one" free to arrive last.
    ASSERT_EQ(engine->requests, (std::vector<std::string>{"one"}));
    engine->Answer("T:one");
    QTRY_COMPARE(engine->requests.size(), 2u);
    EXPECT_EQ(engine->requests[1], "three");
    EXPECT_EQ(Text("des_text"), QStringLiteral("T:one"));
    engine->Answer("T:three");
    QTRY_COMPARE(Text("des_text"), QStringLiteral("T:three"));
    EXPECT_EQ(engine->requests, (std::vector<std::string>{"one", "three"}));
}

TEST_F(SubtitleWndTest, TranslationOfTheLastSessionIsDroppedAfterTheNextShow) {
    Build();
    manager->ShowSubtitle();
    manager->AddSubtitleText(QStringLiteral("old slide"));
    manager->ShowSubtitle();
    engine->Answer("OLD");
    manager->AddSubtitleText(QStringLiteral("new slide"));
    QTRY_COMPARE(engine->requests.size(), 2u); // sent once the old answer was taken
    EXPECT_EQ(Text("des_text"), QString());
    engine->Answer("NEW");
    QTRY_COMPARE(Text("des_text"), QStringLiteral("NEW"));
}

struct TranslationAlignCase {
    const char* language;
    int characters;
    bool right;
};

class SubtitleTranslationOverflow : public SubtitleWndTest,
                                    public ::testing::WithParamInterface<TranslationAlignCase> {};

INSTANTIATE_TEST_SUITE_P(Languages, SubtitleTranslationOverflow,
                         ::testing::Values(TranslationAlignCase{"jp", 53, true},
                                           TranslationAlignCase{"jp", 52, false},
                                           TranslationAlignCase{"th", 168, true},
                                           TranslationAlignCase{"ara", 200, false}),
                         [](const auto& info) {
                             return std::string(info.param.language) + "_" +
                                    std::to_string(info.param.characters);
                         });

TEST_P(SubtitleTranslationOverflow, TranslationLineRightAlignsUnlessArabic) {
    Build({{"translate", {{"lp_language", GetParam().language}}}});
    manager->ShowSubtitle();
    manager->AddSubtitleText(QStringLiteral("text"));
    const QString translation(GetParam().characters, QChar(0x3042));
    engine->Answer(translation.toStdString());
    QTRY_COMPARE(Text("des_text"), translation);
    EXPECT_EQ(RightAligned("des_text"), GetParam().right);
}

struct ServiceCase {
    const char* service;
    std::size_t baidu;
    std::size_t google;
};

class SubtitleTranslationService : public SubtitleWndTest,
                                   public ::testing::WithParamInterface<ServiceCase> {};

INSTANTIATE_TEST_SUITE_P(Services, SubtitleTranslationService,
                         ::testing::Values(ServiceCase{"baidu", 1, 0}, ServiceCase{"google", 0, 2},
                                           ServiceCase{"other", 0, 0}),
                         [](const auto& info) { return std::string(info.param.service); });

TEST_P(SubtitleTranslationService, TranslateEngineSettingPicksTheOperation) {
    Build({{"translate", {{"engine", GetParam().service}}}});
    manager->ShowSubtitle();
    manager->AddSubtitleText(QStringLiteral("one"));
    manager->AddSubtitleText(QStringLiteral("two"));
    EXPECT_EQ(engine->requests.size(), GetParam().baidu);
    EXPECT_EQ(engine->googleRequests.size(), GetParam().google);
    EXPECT_EQ(Text("src_text"), QStringLiteral("two"));
}

TEST_F(SubtitleWndTest, WithoutAnEngineTheBandShowsTheSourceOnly) {
    Build({}, false);
    manager->ShowSubtitle();
    manager->AddSubtitleText(QStringLiteral("only source"));
    EXPECT_EQ(Text("src_text"), QStringLiteral("only source"));
    EXPECT_EQ(Text("des_text"), QString());
}

TEST_F(SubtitleWndTest, SubtitleColourIsDrawnOpaqueOrLeftToTheSkin) {
    Build();
    const QRgb skin = Drawn("src_text");
    config->SetLpSubtitleColor(QStringLiteral("16711680")); // red with alpha 0
    manager->ShowSubtitle();
    EXPECT_EQ(Drawn("src_text"), qRgba(255, 0, 0, 255));
    EXPECT_EQ(Drawn("des_text"), qRgba(255, 0, 0, 255));
    config->SetLpSubtitleColor(QStringLiteral("blue"));
    manager->ShowSubtitle();
    EXPECT_EQ(Drawn("src_text"), skin);
    EXPECT_EQ(Drawn("des_text"), skin);
}

struct ColourCase {
    const char* value;
    std::optional<uint32_t> drawn;
};

class SubtitleColourValue : public ::testing::TestWithParam<ColourCase> {};

INSTANTIATE_TEST_SUITE_P(
    Values, SubtitleColourValue,
    ::testing::Values(ColourCase{"4294901760", 0xFFFF0000u}, ColourCase{"16711680", 0xFFFF0000u},
                      ColourCase{"2147483903", 0xFF0000FFu}, ColourCase{"0", 0xFF000000u},
                      ColourCase{"", std::nullopt}, ColourCase{"red", std::nullopt},
                      ColourCase{"12abc", std::nullopt}, ColourCase{"-1", std::nullopt},
                      ColourCase{"4294967296", std::nullopt}));

TEST_P(SubtitleColourValue, ParsesDecimalArgbWithFullOpacity) {
    EXPECT_EQ(CSubtitleWnd::ParseTextColor(QLatin1String(GetParam().value)), GetParam().drawn)
        << GetParam().value;
}

TEST(SubtitleLastCharacters, KeepsWholeSurrogatePairs) {
    const QString face = QString::fromUtf8("\xF0\x9F\x98\x80"); // two UTF-16 units
    const QString b199(199, QLatin1Char('b'));
    const struct {
        QString text;
        QString kept;
    } rows[] = {
        {QStringLiteral("short"), QStringLiteral("short")},
        {QString(300, QLatin1Char('a')), QString(200, QLatin1Char('a'))},
        // The cut falls between the halves: the lone second half goes too.
        {QStringLiteral("x") + face + b199, b199},
        {face + QString(198, QLatin1Char('b')), face + QString(198, QLatin1Char('b'))},
        {QStringLiteral("xy") + face + QString(198, QLatin1Char('b')),
         face + QString(198, QLatin1Char('b'))},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CSubtitleWnd::LastCharacters(row.text, 200), row.kept) << row.text.size();
}

TEST(SubtitleWidths, TablesByLanguage) {
    const struct {
        bool source;
        const char* language;
        int width;
    } rows[] = {
        {true, "chinese", 35},  {true, "cht", 35},    {true, "sichuan", 35}, {true, "english", 17},
        {true, "shanghai", 35}, {true, "minnan", 35}, {true, "yue", 35},     {true, "yue_cht", 35},
        {true, "zh_cn", 0},     {true, "", 0},        {false, "est", 16},    {false, "bul", 18},
        {false, "kor", 20},     {false, "jp", 35},    {false, "th", 11},     {false, "vie", 18},
        {false, "cht", 35},     {false, "en", 17},    {false, "ara", 0},     {false, "", 0},
    };
    for (const auto& row : rows) {
        const QString language = QLatin1String(row.language);
        EXPECT_EQ(row.source ? subtitlewidth::SourceCharWidth(language)
                             : subtitlewidth::TranslationCharWidth(language),
                  row.width)
            << row.language;
    }
}

} // namespace
