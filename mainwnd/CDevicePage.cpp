#include "mainwnd/CDevicePage.h"

#include "app/ColourText.h"
#include "app/IniFile.h"
#include "app/Log.h"
#include "mainwnd/PageValues.h"
#include "ui/framework/CResourceManager.h"
#include "ui/framework/WindowImplBase.h"

namespace {

constexpr int kMouse = 0;
constexpr int kPen = 1;

// Usage event kinds of the shared controls.
constexpr int kUsageRecognitionLanguage = 8;
constexpr int kUsageTranslationLanguage = 9;
constexpr int kUsageGetwordOn = 11;
constexpr int kUsageGetwordOff = 12;
constexpr int kUsageOriginalOn = 13;
constexpr int kUsageOriginalOff = 14;
constexpr int kUsagePunctuationOn = 15;
constexpr int kUsagePunctuationOff = 16;
constexpr int kUsageSearchEngine = 21;

// The typing modes (Part of the text output: "mode1" types characters, anything else pastes)
// and the web search engines, each with the text id it is shown by.
struct FixedItem {
    const char* name;
    const char* textId;
};
const FixedItem kTypingModes[] = {{"", "id_main_typing_paste"}, {"mode1", "id_main_typing_mode1"}};
const FixedItem kSearchEngines[] = {{"baidu", "id_main_search_baidu"},
                                    {"google", "id_main_search_google"},
                                    {"yahoo", "id_main_search_yahoo"}};

template <size_t N> std::vector<ListItem> Translated(const FixedItem (&fixed)[N]) {
    const CResourceManager& texts = CResourceManager::Instance();
    std::vector<ListItem> items;
    for (const FixedItem& item : fixed) {
        const QString id = QString::fromLatin1(item.textId);
        const QString text = texts.GetText(id);
        items.push_back({QString::fromLatin1(item.name), text.isEmpty() ? id : text, {}});
    }
    return items;
}

} // namespace

class CDevicePage::ProgramSet {
public:
    explicit ProgramSet(CDevicePage& page) : m_page(page) { ++m_page.m_setting; }
    ~ProgramSet() { --m_page.m_setting; }
    ProgramSet(const ProgramSet&) = delete;
    ProgramSet& operator=(const ProgramSet&) = delete;

private:
    CDevicePage& m_page;
};

CDevicePage::CDevicePage(WindowImplBase& window, Links links, int kind)
    : m_window(window), m_links(std::move(links)), m_kind(kind) {}

CDevicePage::~CDevicePage() = default;

QString CDevicePage::Name(const char* mouseName) const {
    return QString::fromLatin1(mouseName) + (m_kind == kPen ? QStringLiteral("_lp") : QString());
}

QString CDevicePage::Setting(ConfigKey mouseKey) const {
    return m_links.config->GetForDevice(mouseKey, m_kind);
}

void CDevicePage::Store(ConfigKey mouseKey, const QString& value) {
    m_links.config->SetForDevice(mouseKey, m_kind, value);
}

QString CDevicePage::OnOff(bool on) {
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

void CDevicePage::Load() {
    const ProgramSet quiet(*this);
    FillFixedLists();
    LoadControls();
}

void CDevicePage::FillFixedLists() {
    ReplaceItems(Name("typing_com"), Translated(kTypingModes));
    ReplaceItems(Name("search_com"), Translated(kSearchEngines));
}

void CDevicePage::ReplaceItems(const QString& list, const std::vector<ListItem>& items) {
    if (!m_window.FindControl(list))
        return;
    const ProgramSet quiet(*this);
    m_window.RemoveAllListItems(list);
    for (const ListItem& item : items)
        m_window.AddListItem(list, item);
}

void CDevicePage::FillLanguageList(const QString& listName, const QString& section, int sizeLimit,
                                   const QString& storedCode) {
    if (!m_window.FindControl(listName))
        return;
    // No section (an engine without a list, a missing file) leaves the list empty.
    std::vector<QString> lines;
    if (!section.isEmpty())
        lines = IniFile(m_links.config->GetLanguagesIniPath()).ReadSection(section, sizeLimit);
    ReplaceItems(listName, pagevalues::LanguageItems(lines));
    LoadListSelection(listName, storedCode);
}

void CDevicePage::LoadRecognitionLanguages() {
    FillLanguageList(Name("iat_lang_com"),
                     pagevalues::RecognitionSection(m_links.config->GetRecognitionEngine()),
                     pagevalues::kRecognitionSectionLimit, Setting(ConfigKey::RecognitionLanguage));
}

void CDevicePage::LoadTranslationLanguages() {
    FillLanguageList(Name("trans_lang_com"), QString::fromLatin1(pagevalues::kTranslationSection),
                     pagevalues::kTranslationSectionLimit, Setting(ConfigKey::TranslateLanguage));
}

void CDevicePage::ReselectTranslationLanguage() {
    LoadListSelection(Name("trans_lang_com"), Setting(ConfigKey::TranslateLanguage));
}

void CDevicePage::LoadCheck(const QString& box, const QString& value) {
    if (value != QLatin1String("on") && value != QLatin1String("off"))
        return;
    const ProgramSet quiet(*this);
    m_window.SetCheck(box, value == QLatin1String("on"));
}

void CDevicePage::LoadListSelection(const QString& list, const QString& value, bool byText) {
    if (!m_window.FindControl(list))
        return;
    int found = -1;
    const int count = m_window.GetListCount(list);
    for (int i = 0; i < count && found < 0; ++i) {
        const ListItem item = m_window.GetListItem(list, i);
        if ((byText ? item.text : item.name) == value)
            found = i;
    }
    // -1 also where the list box itself made its first item current when it was filled.
    const ProgramSet quiet(*this);
    m_window.SelectListItem(list, found);
}

void CDevicePage::LoadColour(const QString& button, const QString& value) {
    if (!m_window.FindControl(button))
        return;
    const std::optional<uint32_t> argb = ParseColourText(value);
    if (!argb) {
        // The empty subtitle colour is the usual case: the skin's colour stays, quietly.
        if (!value.isEmpty())
            applog::Warning(QStringLiteral("%1: \"%2\" is no colour; the colour shown stays")
                                .arg(button, value.left(32)));
        return;
    }
    m_window.SetBkColor(button, *argb);
}

void CDevicePage::SwitchHighlightCapture(bool on) {
    if (m_links.enableHighlightCapture)
        m_links.enableHighlightCapture(on);
}

std::optional<QString> CDevicePage::CurrentItem(const QString& list, bool byText) const {
    const int index = m_window.GetListCurSel(list);
    if (index < 0)
        return std::nullopt;
    const ListItem item = m_window.GetListItem(list, index);
    return byText ? item.text : item.name;
}

void CDevicePage::RecordUsage(int kind) const {
    if (m_links.recordUsage)
        m_links.recordUsage(kind);
}

void CDevicePage::UpdateEngine() const {
    if (m_links.updateEngineParams)
        m_links.updateEngineParams();
}

bool CDevicePage::OnSelectChanged(const QString& control, bool checked) {
    // Only the page's own setters raise notifications while it sets: they change nothing.
    if (IsSetting())
        return true;
    if (control == Name("ptt_box")) {
        Store(ConfigKey::Ptt, OnOff(checked));
        RecordUsage(checked ? kUsagePunctuationOn : kUsagePunctuationOff);
        UpdateEngine();
    } else if (control == Name("original_box")) {
        Store(ConfigKey::TranslateSwitch, OnOff(checked));
        RecordUsage(checked ? kUsageOriginalOn : kUsageOriginalOff);
    } else if (control == Name("getword_box")) {
        SwitchHighlightCapture(checked);
        Store(ConfigKey::GetwordSwitch, OnOff(checked));
        RecordUsage(checked ? kUsageGetwordOn : kUsageGetwordOff);
    } else if (control == Name("subtitle_box")) {
        Store(ConfigKey::Subtitle, OnOff(checked));
        // The pen's recognition follows its subtitle switch.
        if (m_kind == kPen)
            UpdateEngine();
    } else {
        return OnOwnCheck(control, checked);
    }
    return true;
}

bool CDevicePage::OnItemSelect(const QString& control) {
    if (IsSetting())
        return true;
    if (control == Name("iat_lang_com")) {
        if (const auto code = CurrentItem(control)) {
            Store(ConfigKey::RecognitionLanguage, *code);
            UpdateEngine();
            RecordUsage(kUsageRecognitionLanguage);
        }
    } else if (control == Name("trans_lang_com")) {
        if (const auto code = CurrentItem(control)) {
            Store(ConfigKey::TranslateLanguage, *code);
            RecordUsage(kUsageTranslationLanguage);
        }
    } else if (control == Name("typing_com")) {
        if (const auto mode = CurrentItem(control))
            Store(ConfigKey::TypingMode, *mode);
    } else if (control == Name("search_com")) {
        if (const auto engine = CurrentItem(control)) {
            Store(ConfigKey::SearchEngine, *engine);
            RecordUsage(kUsageSearchEngine);
        }
    } else {
        return OnOwnItem(control);
    }
    return true;
}

bool CDevicePage::OnClick(const QString&) {
    return false;
}
