#include "app/CConfig.h"
#include "app/IniFile.h"
#include "mainwnd/CMousePage.h"
#include "mainwnd/CPenPage.h"
#include "ui/framework/WindowImplBase.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCryptographicHash>
#include <QFile>
#include <QLabel>
#include <QSignalBlocker>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

const char* const kLanguages = "[recognition_xf_lans]\n"
                               "chinese=普通话\n"
                               "english=English\n"
                               "odd line\n"
                               "[recognition_sh_lans]\n"
                               "en=English\n"
                               "[translate_baidu_lans]\n"
                               "zh=中文\n"
                               "en=English\n"
                               "jp=日本語\n";

// What the pages asked of the rest of the program.
struct Calls {
    int engineUpdates = 0;
    std::vector<int> usage;
    std::vector<bool> capture;
    std::vector<QString> dpi;
    int webKeys = 0;
    int zooms = 0;
    std::vector<int> colourPurposes;
    bool model5698 = false;

    bool NothingButCapture() const {
        return engineUpdates == 0 && usage.empty() && dpi.empty() && webKeys == 0 && zooms == 0 &&
               colourPurposes.empty();
    }
};

// The main window's skin with the two pages, routing notifications as the main window does.
class PageWnd : public WindowImplBase {
public:
    QString GetWindowClassName() const override { return QStringLiteral("MainWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("MainWnd.xml"); }
    CDevicePage* pages[2] = {nullptr, nullptr};

protected:
    void Notify(const TNotifyUI& msg) override {
        for (CDevicePage* page : pages) {
            if (page == nullptr)
                continue;
            if (msg.sType == QLatin1String("itemselect") && page->OnItemSelect(msg.senderName))
                return;
            if (msg.sType == QLatin1String("selectchanged") &&
                page->OnSelectChanged(msg.senderName, msg.wParam != 0))
                return;
            if (msg.sType == QLatin1String("click") && page->OnClick(msg.senderName))
                return;
        }
    }
};

class DevicePageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        WriteFile("languages.ini", kLanguages);
    }

    void WriteFile(const char* name, const QByteArray& content) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QByteArray Hash(const char* name) const {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        if (!file.open(QIODevice::ReadOnly))
            return QByteArray("missing");
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }
    QString Stored(const char* section, const char* key) const {
        return IniFile(dir.filePath("custom.ini"))
            .ReadString(QString::fromLatin1(section), QString::fromLatin1(key), "<none>");
    }

    // Settings from this custom.ini, then the window and both pages.
    void Open(const QByteArray& customIni) {
        WriteFile("custom.ini", customIni);
        config = std::make_shared<CConfig>(dir.path() + "/");
        CDevicePage::Links links;
        links.config = config;
        links.updateEngineParams = [this] { ++calls.engineUpdates; };
        links.recordUsage = [this](int kind) { calls.usage.push_back(kind); };
        links.enableHighlightCapture = [this](bool on) { calls.capture.push_back(on); };
        links.sendDpi = [this](const QString& step) { calls.dpi.push_back(step); };
        links.sendWebKey = [this] {
            ++calls.webKeys;
            return false; // as a mouse unplugged mid-write
        };
        links.isModel5698 = [this] { return calls.model5698; };
        links.applyMagnifierZoom = [this] { ++calls.zooms; };
        links.openColourPicker = [this](int purpose, const QPoint&) {
            calls.colourPurposes.push_back(purpose);
        };
        links.cursorPosition = [] { return QPoint(10, 20); };
        wnd = std::make_unique<PageWnd>();
        ASSERT_NE(wnd->Create(nullptr, QStringLiteral("MainWnd"), 0, 0), nullptr);
        mouse = std::make_unique<CMousePage>(*wnd, links);
        pen = std::make_unique<CPenPage>(*wnd, links);
        wnd->pages[0] = mouse.get();
        wnd->pages[1] = pen.get();
    }

    QComboBox* Combo(const char* name) const {
        return wnd->FindControlAs<QComboBox>(QString::fromLatin1(name));
    }
    QAbstractButton* Button(const char* name) const {
        return wnd->FindControlAs<QAbstractButton>(QString::fromLatin1(name));
    }
    QString Current(const char* combo) const {
        QComboBox* box = Combo(combo);
        return box->currentIndex() < 0 ? QStringLiteral("<none>")
                                       : box->currentData(Qt::UserRole).toString();
    }

    QTemporaryDir dir;
    std::shared_ptr<CConfig> config;
    Calls calls;
    std::unique_ptr<PageWnd> wnd;
    std::unique_ptr<CMousePage> mouse;
    std::unique_ptr<CPenPage> pen;
};

const QByteArray kStored = "[device]\ndpi=3\nlight=on\nurl=off\nphotoIC=3205\n"
                           "[client]\nsubtitle=on\ntypingMode=mode1\nlp_typingMode=\n"
                           "lp_color=4278190335\nlp_subtitleColor=4294901760\nlp_multiple=3\n"
                           "lp_save=on\nlp_subtitle=off\n"
                           "[recognition]\nengine=xf\nlanguage=english\nptt=off\n"
                           "lp_language=chinese\nlp_ptt=on\n"
                           "[search]\nengine=google\nlp_engine=yahoo\n"
                           "[translate]\nswitch=on\nlanguage=jp\nlp_switch=off\nlp_language=zh\n"
                           "[getword]\nswitch=on\nlp_switch=off\n";

// Catches a load that writes settings, reports usage, talks to the mouse or the engine, or
// shows something other than what is stored.
TEST_F(DevicePageTest, LoadingShowsTheStoredValuesAndChangesNothing) {
    Open(kStored);
    const QByteArray before = Hash("custom.ini");
    mouse->Load();
    pen->Load();
    mouse->RebuildResolutionList();
    pen->ShowLaserColour();

    EXPECT_EQ(Hash("custom.ini"), before);
    EXPECT_TRUE(calls.NothingButCapture());
    // The page loaded last decides the one capture switch.
    EXPECT_EQ(calls.capture, (std::vector<bool>{true, false}));

    struct Shown {
        const char* combo;
        const char* item;
    };
    for (const Shown& s :
         {Shown{"iat_lang_com", "english"}, Shown{"trans_lang_com", "jp"},
          Shown{"typing_com", "mode1"}, Shown{"search_com", "google"}, Shown{"dpi_com", "3"},
          Shown{"iat_lang_com_lp", "chinese"}, Shown{"trans_lang_com_lp", "zh"},
          Shown{"typing_com_lp", ""}, Shown{"search_com_lp", "yahoo"}, Shown{"mul_com", "3"}}) {
        EXPECT_EQ(Current(s.combo), s.item) << s.combo;
    }
    struct Checked {
        const char* box;
        bool on;
    };
    for (const Checked& c :
         {Checked{"ptt_box", false}, Checked{"original_box", true}, Checked{"getword_box", true},
          Checked{"subtitle_box", true}, Checked{"light_box", true}, Checked{"url_box", false},
          Checked{"ptt_box_lp", true}, Checked{"original_box_lp", false},
          Checked{"getword_box_lp", false}, Checked{"subtitle_box_lp", false},
          Checked{"save_box_lp", true}}) {
        EXPECT_EQ(Button(c.box)->isChecked(), c.on) << c.box;
    }
    EXPECT_EQ(Combo("iat_lang_com")->count(), 2) << "the odd line is no language";
    EXPECT_EQ(Combo("mul_com")->itemText(1), "2.0f");
    EXPECT_NE(Button("laser_btn")->styleSheet().indexOf("rgba(0,0,255,255)"), -1)
        << Button("laser_btn")->styleSheet().toStdString();
    EXPECT_NE(Button("font_btn")->styleSheet().indexOf("rgba(255,0,0,255)"), -1);
}

struct FillCase {
    const char* name;
    QByteArray languagesIni; // empty: no file
    const char* section;
    const char* stored;
    std::vector<QString> items;
    const char* selected;
};

class FillLanguageListTest : public DevicePageTest,
                             public ::testing::WithParamInterface<FillCase> {};

// Catches lists that keep old items, pick an item for an unlisted code (also the one Qt
// makes current when a list is filled) or break on a missing file or section.
TEST_P(FillLanguageListTest, ListsTheSectionAndSelectsOnlyTheStoredCode) {
    const FillCase& c = GetParam();
    if (c.languagesIni.isEmpty())
        QFile::remove(dir.filePath("languages.ini"));
    else
        WriteFile("languages.ini", c.languagesIni);
    Open("");
    {
        const QSignalBlocker quiet(Combo("trans_lang_com")); // left over, not chosen
        Combo("trans_lang_com")->addItem("stale", "stale");
    }
    mouse->FillLanguageList("trans_lang_com", c.section, 2048, c.stored);
    QComboBox* list = Combo("trans_lang_com");
    std::vector<QString> names;
    for (int i = 0; i < list->count(); ++i)
        names.push_back(list->itemData(i, Qt::UserRole).toString());
    EXPECT_EQ(names, c.items);
    EXPECT_EQ(Current("trans_lang_com"), c.selected);
    EXPECT_TRUE(calls.NothingButCapture());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FillLanguageListTest,
    ::testing::Values(
        FillCase{"StoredCode", kLanguages, "translate_baidu_lans", "en", {"zh", "en", "jp"}, "en"},
        FillCase{
            "UnlistedCode", kLanguages, "translate_baidu_lans", "xx", {"zh", "en", "jp"}, "<none>"},
        FillCase{"CodeMatchesExactly",
                 kLanguages,
                 "translate_baidu_lans",
                 "EN",
                 {"zh", "en", "jp"},
                 "<none>"},
        FillCase{"EmptyCode", kLanguages, "translate_baidu_lans", "", {"zh", "en", "jp"}, "<none>"},
        FillCase{"MissingSection", kLanguages, "recognition_sg_lans", "en", {}, "<none>"},
        FillCase{"NoSection", kLanguages, "", "en", {}, "<none>"},
        FillCase{"MissingFile", "", "translate_baidu_lans", "en", {}, "<none>"},
        FillCase{"OddLines",
                 "[translate_baidu_lans]\nnonsense\n=nolabel\nde=Deutsch\n\n;c\n",
                 "translate_baidu_lans",
                 "de",
                 {"de"},
                 "de"}),
    [](const auto& info) { return std::string(info.param.name); });

// One user change and what it must lead to.
struct ChangeCase {
    const char* name;
    const char* control;
    const char* item; // list boxes: the item's name; check boxes: nullptr (clicked)
    const char* section;
    const char* key;
    const char* stored;
    std::vector<int> usage;
    int engineUpdates;
    std::vector<QString> dpi;
    int webKeys;
    int zooms;
    std::vector<bool> capture;
};

class PageChangeTest : public DevicePageTest, public ::testing::WithParamInterface<ChangeCase> {};

// Catches a change stored under the other device's key, a missing or extra usage event,
// engine reload, device report or zoom re-read.
TEST_P(PageChangeTest, StoresAndReachesWhatTheChangeConcerns) {
    const ChangeCase& c = GetParam();
    Open(kStored);
    mouse->Load();
    pen->Load();
    calls = Calls();
    if (c.item != nullptr) {
        QComboBox* list = Combo(c.control);
        const int index = list->findData(QString::fromUtf8(c.item), Qt::UserRole);
        ASSERT_GE(index, 0) << c.item;
        list->setCurrentIndex(index);
    } else {
        Button(c.control)->click();
    }
    EXPECT_EQ(Stored(c.section, c.key), c.stored);
    EXPECT_EQ(calls.usage, c.usage);
    EXPECT_EQ(calls.engineUpdates, c.engineUpdates);
    EXPECT_EQ(calls.dpi, c.dpi);
    EXPECT_EQ(calls.webKeys, c.webKeys);
    EXPECT_EQ(calls.zooms, c.zooms);
    EXPECT_EQ(calls.capture, c.capture);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, PageChangeTest,
    ::testing::Values(
        ChangeCase{"MouseLanguage",
                   "iat_lang_com",
                   "chinese",
                   "recognition",
                   "language",
                   "chinese",
                   {8},
                   1,
                   {},
                   0,
                   0,
                   {}},
        ChangeCase{"PenLanguage",
                   "iat_lang_com_lp",
                   "english",
                   "recognition",
                   "lp_language",
                   "english",
                   {8},
                   1,
                   {},
                   0,
                   0,
                   {}},
        ChangeCase{"MouseTranslation",
                   "trans_lang_com",
                   "zh",
                   "translate",
                   "language",
                   "zh",
                   {9},
                   0,
                   {},
                   0,
                   0,
                   {}},
        ChangeCase{"PenTranslation",
                   "trans_lang_com_lp",
                   "en",
                   "translate",
                   "lp_language",
                   "en",
                   {9},
                   0,
                   {},
                   0,
                   0,
                   {}},
        ChangeCase{
            "MouseTyping", "typing_com", "", "client", "typingMode", "", {}, 0, {}, 0, 0, {}},
        ChangeCase{"PenTyping",
                   "typing_com_lp",
                   "mode1",
                   "client",
                   "lp_typingMode",
                   "mode1",
                   {},
                   0,
                   {},
                   0,
                   0,
                   {}},
        ChangeCase{"MouseSearch",
                   "search_com",
                   "baidu",
                   "search",
                   "engine",
                   "baidu",
                   {21},
                   0,
                   {},
                   0,
                   0,
                   {}},
        ChangeCase{"PenSearch",
                   "search_com_lp",
                   "google",
                   "search",
                   "lp_engine",
                   "google",
                   {21},
                   0,
                   {},
                   0,
                   0,
                   {}},
        ChangeCase{"MousePunctuationOn",
                   "ptt_box",
                   nullptr,
                   "recognition",
                   "ptt",
                   "on",
                   {15},
                   1,
                   {},
                   0,
                   0,
                   {}},
        ChangeCase{"PenPunctuationOff",
                   "ptt_box_lp",
                   nullptr,
                   "recognition",
                   "lp_ptt",
                   "off",
                   {16},
                   1,
                   {},
                   0,
                   0,
                   {}},
        ChangeCase{"MouseOriginalOff",
                   "original_box",
                   nullptr,
                   "translate",
                   "switch",
                   "off",
                   {14},
                   0,
                   {},
                   0,
                   0,
                   {}},
        ChangeCase{"PenOriginalOn",
                   "original_box_lp",
                   nullptr,
                   "translate",
                   "lp_switch",
                   "on",
                   {13},
                   0,
                   {},
                   0,
                   0,
                   {}},
        ChangeCase{"MouseGetwordOff",
                   "getword_box",
                   nullptr,
                   "getword",
                   "switch",
                   "off",
                   {12},
                   0,
                   {},
                   0,
                   0,
                   {false}},
        ChangeCase{"PenGetwordOn",
                   "getword_box_lp",
                   nullptr,
                   "getword",
                   "lp_switch",
                   "on",
                   {11},
                   0,
                   {},
                   0,
                   0,
                   {true}},
        ChangeCase{"MouseSubtitleOff",
                   "subtitle_box",
                   nullptr,
                   "client",
                   "subtitle",
                   "off",
                   {},
                   0,
                   {},
                   0,
                   0,
                   {}},
        ChangeCase{"PenSubtitleOn",
                   "subtitle_box_lp",
                   nullptr,
                   "client",
                   "lp_subtitle",
                   "on",
                   {},
                   1,
                   {},
                   0,
                   0,
                   {}},
        ChangeCase{"Resolution", "dpi_com", "2", "device", "dpi", "2", {17}, 0, {"2"}, 0, 0, {}},
        ChangeCase{"LightOff", "light_box", nullptr, "device", "light", "off", {}, 0, {}, 0, 0, {}},
        // The mouse takes nothing (unplugged): the choice is kept all the same.
        ChangeCase{"WebKeyOn", "url_box", nullptr, "device", "url", "on", {}, 0, {}, 1, 0, {}},
        ChangeCase{"Zoom", "mul_com", "2.0f", "client", "lp_multiple", "2.0f", {}, 0, {}, 0, 1, {}},
        ChangeCase{
            "SaveOff", "save_box_lp", nullptr, "client", "lp_save", "off", {}, 0, {}, 0, 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// Catches a list that keeps another sensor's steps or shows a step the mouse did not report.
TEST_F(DevicePageTest, ResolutionListFollowsTheReportedSensor) {
    Open(kStored);
    mouse->Load();
    config->SetPhotoIC("3212");
    config->SetDpi("42");
    calls.model5698 = true;
    mouse->RebuildResolutionList();
    EXPECT_EQ(Combo("dpi_com")->count(), 7);
    EXPECT_EQ(Current("dpi_com"), "42");
    EXPECT_EQ(Combo("dpi_com")->currentText(), "1600");

    config->SetPhotoIC("3205");
    config->SetDpi("3");
    mouse->RebuildResolutionList();
    EXPECT_EQ(Combo("dpi_com")->count(), 4);
    EXPECT_EQ(Current("dpi_com"), "3");
    EXPECT_TRUE(calls.dpi.empty()) << "showing the list sends nothing";
}

struct ColourLoadCase {
    const char* name;
    const char* laser;
    const char* expectedRgba; // nullptr: the skin's look stays
};

class ColourLoadTest : public DevicePageTest,
                       public ::testing::WithParamInterface<ColourLoadCase> {};

// Catches a bad colour text painted as black, or as a number wrapped around 32 bits.
TEST_P(ColourLoadTest, OnlyAColourChangesTheButton) {
    Open(QByteArray("[client]\nlp_color=") + GetParam().laser + "\n");
    pen->Load();
    const QString style = Button("laser_btn")->styleSheet();
    if (GetParam().expectedRgba == nullptr)
        EXPECT_EQ(style.indexOf("background-color"), -1) << style.toStdString();
    else
        EXPECT_NE(style.indexOf(GetParam().expectedRgba), -1) << style.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ColourLoadTest,
    ::testing::Values(ColourLoadCase{"Default", "4287800064", "rgba(146,163,0,255)"},
                      ColourLoadCase{"TrailingText", "4278255360px", "rgba(0,255,0,255)"},
                      ColourLoadCase{"Letters", "abc", nullptr},
                      ColourLoadCase{"Empty", "", nullptr},
                      ColourLoadCase{"TooLarge", "99999999999", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// Catches colour buttons that open nothing or the wrong purpose, and a save folder that is
// opened although it does not exist.
TEST_F(DevicePageTest, PenButtonsAskForTheirColourAndNeverOpenAMissingFolder) {
    Open(kStored);
    pen->Load();
    Button("laser_btn")->click();
    Button("font_btn")->click();
    EXPECT_EQ(calls.colourPurposes, (std::vector<int>{0, 1}));
    wnd->SetControlText("save_edit_lp", dir.filePath("no-such-folder"));
    Button("open_btn_lp")->click(); // logs, opens nothing and does not wait
    EXPECT_EQ(Stored("client", "lp_save"), "on");
}

} // namespace
