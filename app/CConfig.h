#pragma once

#include <QString>

#include <map>
#include <mutex>
#include <vector>

// Every key of custom.ini. The Lp* keys are the pen's twins of the unprefixed mouse keys.
enum class ConfigKey {
    // [device]
    Vid,
    Pid,
    Sn,
    PhotoIC,
    Dpi,
    Type,
    MicId,
    Light,
    Url,
    LpVid,
    LpPid,
    LpSn,
    // [client]
    First,
    AutoRun,
    ChannelName,
    Version,
    UiLanguage,
    Subtitle,
    SubtitleColor,
    TypingMode,
    // [recognition]
    RecognitionEngine,
    RecognitionLanguage,
    Ptt,
    // [search]
    SearchEngine,
    // [translate]
    TranslateSwitch,
    TranslateEngine,
    TranslateLanguage,
    // [getword]
    GetwordSwitch,
    // [user]
    UserName,
    UserPassword,
    UserRemember,
    // pen keys, loaded after all others
    LpSubtitle,
    LpSubtitleColor,
    LpTypingMode,
    LpColor,
    LpMultiple,
    LpSave,
    LpLanguage,
    LpPtt,
    LpSearchEngine,
    LpTranslateSwitch,
    LpTranslateLanguage,
    LpGetwordSwitch,
    Count
};

// One code=label line of a languages.ini section.
struct LanguageEntry {
    QString code;
    QString label;
};

// The single store of user and device settings. Every value of custom.ini is held in memory as
// text, loaded once at construction; each setter replaces the in-memory value and writes that
// one key to the file at once. Getters and setters may be called from any thread.
class CConfig {
public:
    // Longest value kept; longer values are cut when loaded.
    static constexpr int kMaxValueLength = 127;

    // Uses the program home as the directory of both files.
    CConfig();
    // Uses the given directory (must end with "/").
    explicit CConfig(const QString& directory);

    QString GetDirectory() const { return m_directory; }
    QString GetCustomIniPath() const { return m_customIniPath; }
    QString GetLanguagesIniPath() const { return m_languagesIniPath; }

    // Generic access. Set() refuses (returns false, changes nothing) a key that is read only;
    // otherwise it changes the in-memory value and returns whether the file write succeeded.
    QString Get(ConfigKey key) const;
    bool Set(ConfigKey key, const QString& value);

    // The pen's twin of a mouse key (ptt -> lp_ptt ...); the key itself when it has none.
    static ConfigKey PenTwin(ConfigKey mouseKey);
    // The member of a mouse/pen pair that serves the device kind (0 mouse, 1 pen).
    QString GetForDevice(ConfigKey mouseKey, int deviceKind) const;
    bool SetForDevice(ConfigKey mouseKey, int deviceKind, const QString& value);

    static const char* SectionOf(ConfigKey key);
    static const char* NameOf(ConfigKey key);
    static bool IsWritable(ConfigKey key);
    static bool IsLoaded(ConfigKey key);

#define VELMORA_CONFIG_ACCESSORS(Name)                                                             \
    QString Get##Name() const {                                                                    \
        return Get(ConfigKey::Name);                                                               \
    }                                                                                              \
    bool Set##Name(const QString& value) {                                                         \
        return Set(ConfigKey::Name, value);                                                        \
    }
#define VELMORA_CONFIG_GETTER(Name)                                                                \
    QString Get##Name() const {                                                                    \
        return Get(ConfigKey::Name);                                                               \
    }

    VELMORA_CONFIG_ACCESSORS(Vid)
    VELMORA_CONFIG_ACCESSORS(Pid)
    VELMORA_CONFIG_ACCESSORS(Sn)
    VELMORA_CONFIG_ACCESSORS(PhotoIC)
    VELMORA_CONFIG_ACCESSORS(Dpi)
    VELMORA_CONFIG_ACCESSORS(Type)
    VELMORA_CONFIG_GETTER(MicId)
    VELMORA_CONFIG_ACCESSORS(Light)
    VELMORA_CONFIG_ACCESSORS(Url)
    VELMORA_CONFIG_ACCESSORS(LpVid)
    VELMORA_CONFIG_ACCESSORS(LpPid)
    VELMORA_CONFIG_ACCESSORS(LpSn)
    VELMORA_CONFIG_ACCESSORS(First)
    VELMORA_CONFIG_ACCESSORS(AutoRun)
    VELMORA_CONFIG_GETTER(ChannelName)
    VELMORA_CONFIG_GETTER(Version)
    VELMORA_CONFIG_ACCESSORS(UiLanguage)
    VELMORA_CONFIG_ACCESSORS(Subtitle)
    VELMORA_CONFIG_GETTER(SubtitleColor)
    VELMORA_CONFIG_ACCESSORS(TypingMode)
    VELMORA_CONFIG_GETTER(RecognitionEngine)
    VELMORA_CONFIG_ACCESSORS(RecognitionLanguage)
    VELMORA_CONFIG_ACCESSORS(Ptt)
    VELMORA_CONFIG_ACCESSORS(SearchEngine)
    VELMORA_CONFIG_ACCESSORS(TranslateSwitch)
    VELMORA_CONFIG_GETTER(TranslateEngine)
    VELMORA_CONFIG_ACCESSORS(TranslateLanguage)
    VELMORA_CONFIG_ACCESSORS(GetwordSwitch)
    VELMORA_CONFIG_ACCESSORS(UserName)
    VELMORA_CONFIG_ACCESSORS(UserPassword)
    VELMORA_CONFIG_ACCESSORS(UserRemember)
    VELMORA_CONFIG_ACCESSORS(LpSubtitle)
    VELMORA_CONFIG_ACCESSORS(LpSubtitleColor)
    VELMORA_CONFIG_ACCESSORS(LpTypingMode)
    VELMORA_CONFIG_ACCESSORS(LpColor)
    VELMORA_CONFIG_ACCESSORS(LpMultiple)
    VELMORA_CONFIG_ACCESSORS(LpSave)
    VELMORA_CONFIG_ACCESSORS(LpLanguage)
    VELMORA_CONFIG_ACCESSORS(LpPtt)
    VELMORA_CONFIG_ACCESSORS(LpSearchEngine)
    VELMORA_CONFIG_ACCESSORS(LpTranslateSwitch)
    VELMORA_CONFIG_ACCESSORS(LpTranslateLanguage)
    VELMORA_CONFIG_ACCESSORS(LpGetwordSwitch)
#undef VELMORA_CONFIG_ACCESSORS
#undef VELMORA_CONFIG_GETTER

    // lp_multiple read as a decimal number; a trailing letter is ignored ("2.0f" is 2.0).
    double GetLpMultipleValue() const;

    // Fixed lookup tables, a fresh map on every call.
    static std::map<int, QString> EngineNames();       // 0 "xf", 1 "sh", 2 "sg", 3 "ms"
    static std::map<int, QString> TranslateServices(); // 0 "baidu", 1 "google"
    static std::map<QString, QString> SearchEngines(); // name -> address prefix
    static std::map<QString, QString> ProductNames();  // "mouse" -> "Dravel", "lp" -> "Lunrik"
    static std::map<QString, QString> RecordTextIds(); // language code -> text id
    static std::map<QString, QString> SpeechLanguageCodes(); // translation code -> speech code
    static std::map<QString, QString> SpokenPunctuation();   // spoken word -> punctuation mark

    // The lines of one languages.ini section, cut to sizeLimit wide characters as the section
    // reader does; empty when the file or the section is missing.
    std::vector<LanguageEntry> ReadLanguageSection(const QString& section, int sizeLimit) const;

private:
    void Load();

    QString m_directory;
    QString m_customIniPath;
    QString m_languagesIniPath;
    mutable std::mutex m_lock;
    QString m_values[static_cast<int>(ConfigKey::Count)];
    // Set while writes to custom.ini fail, so a failing file is reported once, not per call.
    bool m_writeFailing = false;
};
