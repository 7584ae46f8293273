#include "app/CConfig.h"
#include "app/IniFile.h"
#include "app/Log.h"
#include "app/TestFiles.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>
#include <thread>

using testfiles::ReadBytes;
using testfiles::WriteBytes;

namespace {

std::vector<ConfigKey> AllKeys() {
    std::vector<ConfigKey> keys;
    for (int i = 0; i < static_cast<int>(ConfigKey::Count); ++i)
        keys.push_back(static_cast<ConfigKey>(i));
    return keys;
}

class CConfigTest : public ::testing::Test {
protected:
    QString Dir() const { return m_dir.path() + QLatin1Char('/'); }
    QString CustomIni() const { return Dir() + QStringLiteral("custom.ini"); }

    QTemporaryDir m_dir;
};

TEST_F(CConfigTest, FirstStartWithoutFileUsesLoadDefaults) {
    const CConfig config(Dir());
    EXPECT_EQ(config.GetCustomIniPath(), CustomIni());
    EXPECT_EQ(config.GetLanguagesIniPath(), Dir() + QStringLiteral("languages.ini"));
    EXPECT_EQ(config.GetChannelName(), QStringLiteral("Orvanta"));
    EXPECT_EQ(config.GetUiLanguage(), QStringLiteral("lan_cn"));
    EXPECT_EQ(config.GetRecognitionLanguage(), QStringLiteral("zh_cn"));
    EXPECT_EQ(config.GetLpLanguage(), QString());
    EXPECT_EQ(config.GetLpColor(), QStringLiteral("4287800064"));
    EXPECT_EQ(config.GetLpMultiple(), QStringLiteral("2.0f"));
    EXPECT_DOUBLE_EQ(config.GetLpMultipleValue(), 2.0);
    EXPECT_EQ(config.GetFirst(), QStringLiteral("yes"));
    EXPECT_EQ(config.GetDpi(), QStringLiteral("4"));
    EXPECT_FALSE(QFileInfo::exists(CustomIni())) << "loading never creates the file";
}

TEST_F(CConfigTest, DirectoryWithoutSlashIsCompleted) {
    const CConfig config(m_dir.path());
    EXPECT_EQ(config.GetCustomIniPath(), CustomIni());
}

TEST_F(CConfigTest, EverySetterSurvivesARestartUnderItsOwnKey) {
    std::vector<ConfigKey> written;
    {
        CConfig config(Dir());
        for (ConfigKey key : AllKeys()) {
            if (!CConfig::IsWritable(key))
                continue;
            const QString value = QStringLiteral("value-of-%1").arg(CConfig::NameOf(key));
            EXPECT_TRUE(config.Set(key, value)) << CConfig::NameOf(key);
            EXPECT_EQ(config.Get(key), value);
            written.push_back(key);
        }
    }
    const CConfig restarted(Dir());
    const IniFile file(CustomIni());
    for (ConfigKey key : written) {
        const QString value = QStringLiteral("value-of-%1").arg(CConfig::NameOf(key));
        EXPECT_EQ(file.ReadString(CConfig::SectionOf(key), CConfig::NameOf(key), "-"), value);
        // Write-only keys reach the file but start empty again until a device reports them.
        EXPECT_EQ(restarted.Get(key), CConfig::IsLoaded(key) ? value : QString())
            << CConfig::NameOf(key);
    }
}

TEST_F(CConfigTest, WriteOnlyKeysStartEmptyEvenWhenTheFileHasThem) {
    ASSERT_TRUE(WriteBytes(CustomIni(), "[device]\nvid=B75C\npid=92CD\nsn=123\nphotoIC=3212\n"
                                        "type=v9\nlp_vid=1234\nlp_pid=5678\nlp_sn=9\n"));
    const CConfig config(Dir());
    for (ConfigKey key : {ConfigKey::Vid, ConfigKey::Pid, ConfigKey::Sn, ConfigKey::PhotoIC,
                          ConfigKey::Type, ConfigKey::LpVid, ConfigKey::LpPid, ConfigKey::LpSn}) {
        EXPECT_FALSE(CConfig::IsLoaded(key));
        EXPECT_EQ(config.Get(key), QString()) << CConfig::NameOf(key);
    }
}

TEST_F(CConfigTest, ReadOnlyKeysHaveNoSetterPath) {
    ASSERT_TRUE(WriteBytes(CustomIni(), "[client]\nchannelName=Other\n"));
    CConfig config(Dir());
    for (ConfigKey key :
         {ConfigKey::ChannelName, ConfigKey::Version, ConfigKey::SubtitleColor,
          ConfigKey::RecognitionEngine, ConfigKey::TranslateEngine, ConfigKey::MicId}) {
        const QString before = config.Get(key);
        EXPECT_FALSE(config.Set(key, QStringLiteral("changed"))) << CConfig::NameOf(key);
        EXPECT_EQ(config.Get(key), before);
    }
    EXPECT_EQ(config.GetChannelName(), QStringLiteral("Other"));
    EXPECT_EQ(ReadBytes(CustomIni()), QByteArray("[client]\nchannelName=Other\n"));
}

TEST_F(CConfigTest, HandEditIsOverwrittenOnlyByItsOwnSetter) {
    CConfig running(Dir());
    ASSERT_TRUE(running.SetDpi(QStringLiteral("3")));
    IniFile handEditor(CustomIni());
    ASSERT_TRUE(handEditor.WriteString("client", "uiLanguage", "lan_jp"));
    ASSERT_TRUE(handEditor.WriteString("device", "dpi", "5"));

    EXPECT_EQ(running.GetUiLanguage(), QStringLiteral("lan_cn")) << "the file is read once";
    ASSERT_TRUE(running.SetLight(QStringLiteral("on")));
    EXPECT_EQ(handEditor.ReadString("client", "uiLanguage", ""), QStringLiteral("lan_jp"));
    EXPECT_EQ(handEditor.ReadString("device", "dpi", ""), QStringLiteral("5"));

    ASSERT_TRUE(running.SetDpi(QStringLiteral("1")));
    EXPECT_EQ(handEditor.ReadString("device", "dpi", ""), QStringLiteral("1"));

    const CConfig restarted(Dir());
    EXPECT_EQ(restarted.GetUiLanguage(), QStringLiteral("lan_jp"));
    EXPECT_EQ(restarted.GetDpi(), QStringLiteral("1"));
    EXPECT_EQ(restarted.GetLight(), QStringLiteral("on"));
}

TEST_F(CConfigTest, LongValuesAreCutTo127CharactersOnLoad) {
    const QString longName = QString(100, QChar(0x4E2D)) + QString(100, QLatin1Char('x'));
    {
        CConfig config(Dir());
        ASSERT_TRUE(config.SetUserName(longName));
        EXPECT_EQ(config.GetUserName(), longName) << "the running program keeps what it set";
    }
    const CConfig restarted(Dir());
    EXPECT_EQ(restarted.GetUserName(), longName.left(127));
    EXPECT_EQ(CConfig::kMaxValueLength, 127);
}

TEST_F(CConfigTest, PairedKeysFollowTheDeviceKind) {
    const ConfigKey mouseKeys[] = {ConfigKey::Subtitle,
                                   ConfigKey::SubtitleColor,
                                   ConfigKey::TypingMode,
                                   ConfigKey::RecognitionLanguage,
                                   ConfigKey::Ptt,
                                   ConfigKey::SearchEngine,
                                   ConfigKey::TranslateSwitch,
                                   ConfigKey::TranslateLanguage,
                                   ConfigKey::GetwordSwitch};
    std::map<ConfigKey, QString> mouseDefaults;
    {
        CConfig config(Dir());
        for (ConfigKey key : mouseKeys) {
            mouseDefaults[key] = config.Get(key);
            EXPECT_TRUE(config.SetForDevice(key, 1, QStringLiteral("pen"))) << CConfig::NameOf(key);
            EXPECT_FALSE(config.SetForDevice(key, 2, QStringLiteral("none")));
            EXPECT_EQ(config.GetForDevice(key, 2), QString());
        }
    }
    const CConfig restarted(Dir());
    for (ConfigKey key : mouseKeys) {
        const ConfigKey penKey = CConfig::PenTwin(key);
        EXPECT_NE(penKey, key);
        EXPECT_STREQ(CConfig::SectionOf(penKey), CConfig::SectionOf(key));
        EXPECT_EQ(QString(CConfig::NameOf(penKey)), QStringLiteral("lp_") + CConfig::NameOf(key));
        EXPECT_EQ(restarted.GetForDevice(key, 1), QStringLiteral("pen")) << CConfig::NameOf(key);
        EXPECT_EQ(restarted.GetForDevice(key, 0), mouseDefaults[key]) << CConfig::NameOf(key);
    }
    EXPECT_EQ(CConfig::PenTwin(ConfigKey::Dpi), ConfigKey::Dpi);
}

TEST_F(CConfigTest, MagnifierFactorReadsTheLeadingNumber) {
    const struct {
        const char* stored;
        double factor;
    } cases[] = {{"2.0f", 2.0}, {"3.5", 3.5}, {" 1.5x", 1.5}, {"4", 4.0},
                 {"abc", 2.0},  {"0", 2.0},   {"-1", 2.0},    {"", 2.0}};
    CConfig config(Dir());
    for (const auto& c : cases) {
        ASSERT_TRUE(config.SetLpMultiple(c.stored));
        EXPECT_DOUBLE_EQ(CConfig(Dir()).GetLpMultipleValue(), c.factor) << c.stored;
    }
}

TEST_F(CConfigTest, DamagedFilesLoadWhatIsReadableAndStayWritable) {
    const QByteArray damaged[] = {
        "[device]\ndpi=3\n[client]\nuiLanguage=lan_en\n[recog", // cut mid-write
        testfiles::RandomBytes(32 * 1024, 3) + "\n[device]\ndpi=3\n[client]\nuiLanguage=lan_en\n",
        testfiles::Raw("[device]\ndpi=3\n\0junk\n[client]\xff\n[client]\nuiLanguage=lan_en\n"),
    };
    for (const QByteArray& bytes : damaged) {
        ASSERT_TRUE(WriteBytes(CustomIni(), bytes));
        CConfig config(Dir());
        EXPECT_EQ(config.GetDpi(), QStringLiteral("3"));
        EXPECT_EQ(config.GetUiLanguage(), QStringLiteral("lan_en"));
        EXPECT_EQ(config.GetChannelName(), QStringLiteral("Orvanta"));
        ASSERT_TRUE(config.SetPtt(QStringLiteral("off")));
        EXPECT_TRUE(ReadBytes(CustomIni()).startsWith(bytes)) << "nothing of the old file lost";
        EXPECT_EQ(CConfig(Dir()).GetPtt(), QStringLiteral("off"));
    }
}

TEST_F(CConfigTest, ConcurrentSettersLoseNoKey) {
    std::vector<ConfigKey> writable;
    for (ConfigKey key : AllKeys()) {
        if (CConfig::IsWritable(key) && CConfig::IsLoaded(key))
            writable.push_back(key);
    }
    constexpr int kThreads = 4;
    constexpr int kRounds = 6;
    CConfig config(Dir());
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                for (size_t i = t; i < writable.size(); i += kThreads) {
                    config.Set(writable[i], QStringLiteral("%1-%2").arg(t).arg(round));
                    config.Get(writable[(i + 1) % writable.size()]);
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    const CConfig restarted(Dir());
    for (size_t i = 0; i < writable.size(); ++i) {
        const QString expected = QStringLiteral("%1-%2").arg(i % kThreads).arg(kRounds - 1);
        EXPECT_EQ(restarted.Get(writable[i]), expected) << CConfig::NameOf(writable[i]);
    }
    // Each key has exactly one line: no duplicates from interleaved rewrites.
    std::set<QString> seen;
    QString section;
    for (const QString& line : QString::fromUtf8(ReadBytes(CustomIni())).split('\n')) {
        if (line.startsWith('[')) {
            section = line;
        } else if (!line.isEmpty()) {
            EXPECT_TRUE(seen.insert(section + line.section('=', 0, 0)).second) << line;
        }
    }
}

class LoggedConfigTest : public CConfigTest {
protected:
    void SetUp() override { applog::InitLogging(LogPath()); }
    void TearDown() override { applog::StopLogging(); }
    QString LogPath() const { return m_logDir.filePath(QStringLiteral("log.log")); }
    QStringList WarningLines() const {
        applog::StopLogging();
        QStringList warnings;
        for (const QString& line : QString::fromUtf8(ReadBytes(LogPath())).split('\n')) {
            if (line.contains(QStringLiteral(" warning] ")))
                warnings << line;
        }
        return warnings;
    }

    QTemporaryDir m_logDir;
};

// Making custom.ini a directory fails every write, even for root, unlike a read-only folder.
TEST_F(LoggedConfigTest, UnwritableFileKeepsValuesInMemoryAndWarnsOncePerEpisode) {
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("custom.ini")));
    CConfig config(Dir());
    EXPECT_EQ(config.GetUiLanguage(), QStringLiteral("lan_cn"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(config.SetUiLanguage(QStringLiteral("lan_en")));
        EXPECT_FALSE(config.SetDpi(QString::number(i)));
    }
    EXPECT_EQ(config.GetUiLanguage(), QStringLiteral("lan_en"));
    EXPECT_EQ(config.GetDpi(), QStringLiteral("2"));

    // Writable again: the next setter succeeds; a later failure is a new episode.
    ASSERT_TRUE(QDir(m_dir.path()).rmdir(QStringLiteral("custom.ini")));
    EXPECT_TRUE(config.SetLight(QStringLiteral("on")));
    ASSERT_TRUE(QFile::remove(CustomIni()));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("custom.ini")));
    EXPECT_FALSE(config.SetLight(QStringLiteral("off")));
    EXPECT_FALSE(config.SetLight(QStringLiteral("on")));

    const QStringList warnings = WarningLines();
    ASSERT_EQ(warnings.size(), 2) << warnings.join('\n').toStdString();
    for (const QString& line : warnings)
        EXPECT_TRUE(line.contains(CustomIni())) << line.toStdString();
}

// A line break is the caller's fault, not the file's: named as such, nothing changes, and the
// file stays writable for the next value.
TEST_F(LoggedConfigTest, ValueWithALineBreakIsRefusedAndNamedAsSuch) {
    CConfig config(Dir());
    ASSERT_TRUE(config.SetUserPassword(QStringLiteral("before")));
    for (const char* value : {"pass\nword=injected", "pass\rword", "\n"}) {
        SCOPED_TRACE(value);
        EXPECT_FALSE(config.SetUserPassword(QString::fromUtf8(value)));
        EXPECT_EQ(config.GetUserPassword(), QStringLiteral("before"));
    }
    EXPECT_TRUE(config.SetLight(QStringLiteral("on")));
    EXPECT_EQ(CConfig(Dir()).GetUserPassword(), QStringLiteral("before"));
    EXPECT_FALSE(ReadBytes(CustomIni()).contains("injected"));

    const QStringList warnings = WarningLines();
    ASSERT_EQ(warnings.size(), 3) << warnings.join('\n').toStdString();
    for (const QString& line : warnings) {
        EXPECT_TRUE(line.contains(QStringLiteral("value refused for key user/password")))
            << line.toStdString();
        EXPECT_FALSE(line.contains(QStringLiteral("cannot write"))) << line.toStdString();
        EXPECT_FALSE(line.contains(QStringLiteral("injected"))) << line.toStdString();
    }
}

TEST_F(CConfigTest, LanguageSectionsSplitAtTheFirstEquals) {
    const QString languages = Dir() + QStringLiteral("languages.ini");
    ASSERT_TRUE(WriteBytes(languages, "[translate_baidu_lans]\nen=English\njunk\n=nocode\n"
                                      "x=a=b\nzh=\xE4\xB8\xAD\xE6\x96\x87\n"));
    const CConfig config(Dir());
    const std::vector<LanguageEntry> all =
        config.ReadLanguageSection(QStringLiteral("translate_baidu_lans"), 2048);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].code, QStringLiteral("en"));
    EXPECT_EQ(all[0].label, QStringLiteral("English"));
    EXPECT_EQ(all[1].code, QStringLiteral("x"));
    EXPECT_EQ(all[1].label, QStringLiteral("a=b"));
    EXPECT_EQ(all[2].label, QStringLiteral("中文"));
    // "en=English" and "x=a=b" cost 11 + 6, plus the closing terminator.
    EXPECT_EQ(config.ReadLanguageSection(QStringLiteral("translate_baidu_lans"), 18).size(), 2u);
    EXPECT_TRUE(config.ReadLanguageSection(QStringLiteral("ui_lans"), 256).empty());
    EXPECT_TRUE(CConfig(Dir() + QStringLiteral("nowhere/"))
                    .ReadLanguageSection(QStringLiteral("ui_lans"), 256)
                    .empty());
}

std::set<QString> Codes(const std::vector<LanguageEntry>& entries) {
    std::set<QString> codes;
    for (const LanguageEntry& entry : entries) {
        EXPECT_FALSE(entry.label.isEmpty()) << entry.code.toStdString();
        codes.insert(entry.code);
    }
    return codes;
}

// The shipped list must fit the buffers its readers use and offer only codes the rest of the
// program understands.
TEST(ShippedLanguagesIni, ListsFitTheirReadersAndUseKnownCodes) {
    const CConfig config(QStringLiteral(VELMORA_SOURCE_DIR "/skin/"));
    const struct {
        const char* section;
        int limit;
    } sections[] = {{"ui_lans", 256},
                    {"recognition_xf_lans", 8192},
                    {"recognition_sh_lans", 8192},
                    {"recognition_sg_lans", 8192},
                    {"translate_baidu_lans", 2048}};
    for (const auto& s : sections) {
        const auto whole = config.ReadLanguageSection(s.section, 1 << 20);
        EXPECT_FALSE(whole.empty()) << s.section;
        EXPECT_EQ(config.ReadLanguageSection(s.section, s.limit).size(), whole.size()) << s.section;
    }
    EXPECT_EQ(Codes(config.ReadLanguageSection("ui_lans", 256)),
              (std::set<QString>{"lan_cn", "lan_en", "lan_jp", "lan_cht"}));
    EXPECT_EQ(Codes(config.ReadLanguageSection("recognition_xf_lans", 8192)),
              (std::set<QString>{"english", "chinese", "yue", "yue_cht", "sichuan", "shanghai",
                                 "minnan", "kejia", "cht"}));
    std::set<QString> speechCodes;
    for (const auto& pair : CConfig::SpeechLanguageCodes())
        speechCodes.insert(pair.first);
    EXPECT_EQ(Codes(config.ReadLanguageSection("translate_baidu_lans", 2048)), speechCodes);
    EXPECT_EQ(Codes(config.ReadLanguageSection("recognition_sg_lans", 8192)),
              std::set<QString>{"zh-cmn-Hans-CN"});
}

TEST(ConfigTables, SearchPrefixesEndWithTheirQueryKey) {
    const std::map<QString, QRegularExpression> shapes = {
        {"baidu", QRegularExpression("^https://[a-z.]+/s\\?ie=utf-8&wd=$")},
        {"google", QRegularExpression("^https://[a-z.]+/search\\?ei=[A-Za-z0-9]{20}&q=$")},
        {"yahoo",
         QRegularExpression("^https://[a-z.]+/search;_ylt=[A-Za-z0-9]{24}\\?ei=UTF-8&p=$")},
    };
    const std::map<QString, QString> engines = CConfig::SearchEngines();
    ASSERT_EQ(engines.size(), shapes.size());
    for (const auto& shape : shapes) {
        ASSERT_EQ(engines.count(shape.first), 1u) << shape.first.toStdString();
        EXPECT_TRUE(shape.second.match(engines.at(shape.first)).hasMatch())
            << engines.at(shape.first).toStdString();
    }
}

TEST(ConfigTables, SpokenPunctuationAndSpeechCodesKeepTheirText) {
    const auto punctuation = CConfig::SpokenPunctuation();
    EXPECT_EQ(punctuation.at(QStringLiteral("句号")), QStringLiteral("。"));
    EXPECT_EQ(punctuation.at(QStringLiteral("引号")), QStringLiteral("“”"));
    EXPECT_EQ(punctuation.at(QStringLiteral("破折号")), QStringLiteral("——"));
    const auto speech = CConfig::SpeechLanguageCodes();
    EXPECT_EQ(speech.at(QStringLiteral("cht")), QStringLiteral("zh-TW"));
    EXPECT_EQ(speech.at(QStringLiteral("jp")), QStringLiteral("ja"));
    EXPECT_EQ(CConfig::EngineNames().at(3), QStringLiteral("ms"));
    EXPECT_EQ(CConfig::RecordTextIds().at(QStringLiteral("en_us")),
              QStringLiteral("id_software_settings_window_record_en_text"));
}

} // namespace
