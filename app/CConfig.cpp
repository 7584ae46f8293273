#include "app/CConfig.h"

#include "app/IniFile.h"
#include "app/Log.h"
#include "platform/ProgramHome.h"

#include <QRegularExpression>

#include <cmath>

namespace {

enum class Access { WriteOnly, ReadOnly, ReadWrite };

struct KeyInfo {
    ConfigKey key;
    const char* section;
    const char* name;
    const char* loadDefault; // unused for write-only keys
    Access access;
};

// In the order of ConfigKey, which is also the order in which the keys are loaded.
constexpr KeyInfo kKeys[] = {
    {ConfigKey::Vid, "device", "vid", "", Access::WriteOnly},
    {ConfigKey::Pid, "device", "pid", "", Access::WriteOnly},
    {ConfigKey::Sn, "device", "sn", "", Access::WriteOnly},
    {ConfigKey::PhotoIC, "device", "photoIC", "", Access::WriteOnly},
    {ConfigKey::Dpi, "device", "dpi", "4", Access::ReadWrite},
    {ConfigKey::Type, "device", "type", "", Access::WriteOnly},
    {ConfigKey::MicId, "device", "micId", "", Access::ReadOnly},
    {ConfigKey::Light, "device", "light", "off", Access::ReadWrite},
    {ConfigKey::Url, "device", "url", "on", Access::ReadWrite},
    {ConfigKey::LpVid, "device", "lp_vid", "", Access::WriteOnly},
    {ConfigKey::LpPid, "device", "lp_pid", "", Access::WriteOnly},
    {ConfigKey::LpSn, "device", "lp_sn", "", Access::WriteOnly},
    {ConfigKey::First, "client", "first", "yes", Access::ReadWrite},
    {ConfigKey::AutoRun, "client", "autoRun", "on", Access::ReadWrite},
    {ConfigKey::ChannelName, "client", "channelName", "Orvanta", Access::ReadOnly},
    {ConfigKey::Version, "client", "version", "1.0.0", Access::ReadOnly},
    {ConfigKey::UiLanguage, "client", "uiLanguage", "lan_cn", Access::ReadWrite},
    {ConfigKey::Subtitle, "client", "subtitle", "off", Access::ReadWrite},
    {ConfigKey::SubtitleColor, "client", "subtitleColor", "", Access::ReadOnly},
    {ConfigKey::TypingMode, "client", "typingMode", "", Access::ReadWrite},
    {ConfigKey::RecognitionEngine, "recognition", "engine", "xf", Access::ReadOnly},
    {ConfigKey::RecognitionLanguage, "recognition", "language", "zh_cn", Access::ReadWrite},
    {ConfigKey::Ptt, "recognition", "ptt", "on", Access::ReadWrite},
    {ConfigKey::SearchEngine, "search", "engine", "baidu", Access::ReadWrite},
    {ConfigKey::TranslateSwitch, "translate", "switch", "off", Access::ReadWrite},
    {ConfigKey::TranslateEngine, "translate", "engine", "baidu", Access::ReadOnly},
    {ConfigKey::TranslateLanguage, "translate", "language", "en", Access::ReadWrite},
    {ConfigKey::GetwordSwitch, "getword", "switch", "off", Access::ReadWrite},
    {ConfigKey::UserName, "user", "name", "", Access::ReadWrite},
    {ConfigKey::UserPassword, "user", "password", "", Access::ReadWrite},
    {ConfigKey::UserRemember, "user", "remember", "off", Access::ReadWrite},
    {ConfigKey::LpSubtitle, "client", "lp_subtitle", "off", Access::ReadWrite},
    {ConfigKey::LpSubtitleColor, "client", "lp_subtitleColor", "", Access::ReadWrite},
    {ConfigKey::LpTypingMode, "client", "lp_typingMode", "", Access::ReadWrite},
    {ConfigKey::LpColor, "client", "lp_color", "4287800064", Access::ReadWrite},
    {ConfigKey::LpMultiple, "client", "lp_multiple", "2.0f", Access::ReadWrite},
    {ConfigKey::LpSave, "client", "lp_save", "off", Access::ReadWrite},
    {ConfigKey::LpLanguage, "recognition", "lp_language", "", Access::ReadWrite},
    {ConfigKey::LpPtt, "recognition", "lp_ptt", "on", Access::ReadWrite},
    {ConfigKey::LpSearchEngine, "search", "lp_engine", "baidu", Access::ReadWrite},
    {ConfigKey::LpTranslateSwitch, "translate", "lp_switch", "off", Access::ReadWrite},
    {ConfigKey::LpTranslateLanguage, "translate", "lp_language", "en", Access::ReadWrite},
    {ConfigKey::LpGetwordSwitch, "getword", "lp_switch", "off", Access::ReadWrite},
};

constexpr int kKeyCount = static_cast<int>(ConfigKey::Count);
static_assert(sizeof(kKeys) / sizeof(kKeys[0]) == kKeyCount, "every key has one row");

constexpr bool RowsFollowKeyOrder() {
    for (int i = 0; i < kKeyCount; ++i) {
        if (static_cast<int>(kKeys[i].key) != i)
            return false;
    }
    return true;
}
static_assert(RowsFollowKeyOrder(), "rows are indexed by key");

const KeyInfo& Info(ConfigKey key) {
    return kKeys[static_cast<int>(key)];
}

bool IsValidKey(ConfigKey key) {
    return static_cast<int>(key) >= 0 && static_cast<int>(key) < kKeyCount;
}

constexpr double kDefaultMagnification = 2.0;

} // namespace

CConfig::CConfig() : CConfig(platform::ProgramHome()) {
    // An installed copy reads the shipped list from its share folder until the home has one.
    m_languagesIniPath = platform::ShippedFile(QStringLiteral("languages.ini"));
}

CConfig::CConfig(const QString& directory) : m_directory(directory) {
    if (!m_directory.endsWith(QLatin1Char('/')))
        m_directory += QLatin1Char('/');
    m_customIniPath = m_directory + QStringLiteral("custom.ini");
    m_languagesIniPath = m_directory + QStringLiteral("languages.ini");
    Load();
}

void CConfig::Load() {
    const IniFile ini(m_customIniPath);
    std::lock_guard<std::mutex> guard(m_lock);
    for (const KeyInfo& info : kKeys) {
        if (info.access == Access::WriteOnly)
            continue;
        const QString value = ini.ReadString(QLatin1String(info.section), QLatin1String(info.name),
                                             QString::fromUtf8(info.loadDefault));
        m_values[static_cast<int>(info.key)] = value.left(kMaxValueLength);
    }
}

QString CConfig::Get(ConfigKey key) const {
    if (!IsValidKey(key))
        return QString();
    std::lock_guard<std::mutex> guard(m_lock);
    return m_values[static_cast<int>(key)];
}

bool CConfig::Set(ConfigKey key, const QString& value) {
    if (!IsValidKey(key) || !IsWritable(key))
        return false;
    // A line break would end the line in the file; the rest would become a line of its own.
    // The value is not quoted in the log: it may be a password.
    if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r'))) {
        applog::Warning(QStringLiteral("value refused for key %1/%2: it contains a line break")
                            .arg(QLatin1String(SectionOf(key)), QLatin1String(NameOf(key))));
        return false;
    }
    bool written = false;
    bool reportFailure = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_values[static_cast<int>(key)] = value;
        IniFile ini(m_customIniPath);
        written = ini.WriteString(QLatin1String(SectionOf(key)), QLatin1String(NameOf(key)), value);
        reportFailure = !written && !m_writeFailing;
        m_writeFailing = !written;
    }
    // One line when the file starts failing; quiet until a write succeeds again.
    if (reportFailure)
        applog::Warning(
            QStringLiteral("cannot write settings file %1 (key %2/%3); "
                           "settings changes are kept only until exit")
                .arg(m_customIniPath, QLatin1String(SectionOf(key)), QLatin1String(NameOf(key))));
    return written;
}

ConfigKey CConfig::PenTwin(ConfigKey mouseKey) {
    switch (mouseKey) {
    case ConfigKey::Vid:
        return ConfigKey::LpVid;
    case ConfigKey::Pid:
        return ConfigKey::LpPid;
    case ConfigKey::Sn:
        return ConfigKey::LpSn;
    case ConfigKey::Subtitle:
        return ConfigKey::LpSubtitle;
    case ConfigKey::SubtitleColor:
        return ConfigKey::LpSubtitleColor;
    case ConfigKey::TypingMode:
        return ConfigKey::LpTypingMode;
    case ConfigKey::RecognitionLanguage:
        return ConfigKey::LpLanguage;
    case ConfigKey::Ptt:
        return ConfigKey::LpPtt;
    case ConfigKey::SearchEngine:
        return ConfigKey::LpSearchEngine;
    case ConfigKey::TranslateSwitch:
        return ConfigKey::LpTranslateSwitch;
    case ConfigKey::TranslateLanguage:
        return ConfigKey::LpTranslateLanguage;
    case ConfigKey::GetwordSwitch:
        return ConfigKey::LpGetwordSwitch;
    default:
        return mouseKey;
    }
}

QString CConfig::GetForDevice(ConfigKey mouseKey, int deviceKind) const {
    if (deviceKind == 0)
        return Get(mouseKey);
    if (deviceKind == 1)
        return Get(PenTwin(mouseKey));
    return QString();
}

bool CConfig::SetForDevice(ConfigKey mouseKey, int deviceKind, const QString& value) {
    if (deviceKind == 0)
        return Set(mouseKey, value);
    if (deviceKind == 1)
        return Set(PenTwin(mouseKey), value);
    return false;
}

const char* CConfig::SectionOf(ConfigKey key) {
    return IsValidKey(key) ? Info(key).section : "";
}

const char* CConfig::NameOf(ConfigKey key) {
    return IsValidKey(key) ? Info(key).name : "";
}

bool CConfig::IsWritable(ConfigKey key) {
    return IsValidKey(key) && Info(key).access != Access::ReadOnly;
}

bool CConfig::IsLoaded(ConfigKey key) {
    return IsValidKey(key) && Info(key).access != Access::WriteOnly;
}

double CConfig::GetLpMultipleValue() const {
    // Like C's atof: the leading decimal number counts, whatever follows it ("2.0f").
    static const QRegularExpression leadingNumber(
        QStringLiteral("^\\s*[+-]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][+-]?\\d+)?"));
    const QRegularExpressionMatch match = leadingNumber.match(GetLpMultiple());
    bool ok = false;
    const double value = match.hasMatch() ? match.captured(0).trimmed().toDouble(&ok) : 0.0;
    // A factor that cannot magnify would make the lens useless; keep the default instead.
    if (!ok || !std::isfinite(value) || value <= 0.0)
        return kDefaultMagnification;
    return value;
}

std::map<int, QString> CConfig::EngineNames() {
    return {{0, QStringLiteral("xf")},
            {1, QStringLiteral("sh")},
            {2, QStringLiteral("sg")},
            {3, QStringLiteral("ms")}};
}

std::map<int, QString> CConfig::TranslateServices() {
    return {{0, QStringLiteral("baidu")}, {1, QStringLiteral("google")}};
}

std::map<QString, QString> CConfig::SearchEngines() {
    return {
        {QStringLiteral("baidu"), QStringLiteral("https://www.baidu.com/s?ie=utf-8&wd=")},
        {QStringLiteral("google"),
         QStringLiteral("https://www.google.com/search?ei=Vq3kYtmQHcLp0rWs8XaZ&q=")},
        {QStringLiteral("yahoo"), QStringLiteral("https://search.yahoo.co.jp/"
                                                 "search;_ylt=A2RivbTm5PhkQ8UAfnGJBtF7"
                                                 "?ei=UTF-8&p=")},
    };
}

std::map<QString, QString> CConfig::ProductNames() {
    return {{QStringLiteral("mouse"), QStringLiteral("Dravel")},
            {QStringLiteral("lp"), QStringLiteral("Lunrik")}};
}

std::map<QString, QString> CConfig::RecordTextIds() {
    const QString cn = QStringLiteral("id_software_settings_window_record_cn_text");
    const QString en = QStringLiteral("id_software_settings_window_record_en_text");
    return {{QStringLiteral("zh-CN"), cn},   {QStringLiteral("chinese"), cn},
            {QStringLiteral("zh_cn"), cn},   {QStringLiteral("en-US"), en},
            {QStringLiteral("english"), en}, {QStringLiteral("en_us"), en}};
}

std::map<QString, QString> CConfig::SpeechLanguageCodes() {
    static const char* const pairs[][2] = {
        {"ara", "ar"}, {"est", "et"},    {"bul", "bg"}, {"pl", "pl"},  {"dan", "da"}, {"de", "de"},
        {"ru", "ru"},  {"fra", "fr"},    {"fin", "fi"}, {"kor", "ko"}, {"nl", "nl"},  {"cs", "cs"},
        {"rom", "ro"}, {"pt", "pt"},     {"jp", "ja"},  {"swe", "sv"}, {"slo", "sl"}, {"th", "th"},
        {"spa", "es"}, {"el", "el"},     {"hu", "hu"},  {"zh", "zh"},  {"en", "en"},  {"it", "it"},
        {"vie", "vi"}, {"cht", "zh-TW"},
    };
    std::map<QString, QString> table;
    for (const auto& pair : pairs)
        table.emplace(QLatin1String(pair[0]), QLatin1String(pair[1]));
    return table;
}

std::map<QString, QString> CConfig::SpokenPunctuation() {
    static const char* const pairs[][2] = {
        {u8"句号", u8"。"},       {u8"问号", u8"？"},     {u8"感叹号", u8"！"},
        {u8"逗号", u8"，"},       {u8"顿号", u8"、"},     {u8"分号", u8"；"},
        {u8"冒号", u8"："},       {u8"引号", u8"“”"},     {u8"括号", u8"（）"},
        {u8"左括号", u8"（"},     {u8"右括号", u8"）"},   {u8"破折号", u8"——"},
        {u8"省略号", u8"......"}, {u8"书名号", u8"《》"},
    };
    std::map<QString, QString> table;
    for (const auto& pair : pairs)
        table.emplace(QString::fromUtf8(pair[0]), QString::fromUtf8(pair[1]));
    return table;
}

std::vector<LanguageEntry> CConfig::ReadLanguageSection(const QString& section,
                                                        int sizeLimit) const {
    std::vector<LanguageEntry> entries;
    const IniFile languages(m_languagesIniPath);
    for (const QString& line : languages.ReadSection(section, sizeLimit)) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        entries.push_back({line.left(eq), line.mid(eq + 1)});
    }
    return entries;
}
