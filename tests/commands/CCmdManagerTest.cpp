#include "commands/CCmdManager.h"
#include "app/CConfig.h"
#include "platform/IDesktopLauncher.h"
#include "service/UrlEncode.h"
#include "support/LocalHttpServer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <json/writer.h>

#include <atomic>
#include <map>
#include <mutex>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

using namespace std::chrono_literals;
using testsupport::HttpReply;
using testsupport::LocalHttpServer;

// Writes down what would have been opened or started, and each refusal, one line each.
class Journal : public platform::IDesktopLauncher {
public:
    bool OpenUrl(const QUrl& url, const QString& via) override {
        Add("open " + url.toString(QUrl::FullyEncoded) + " " + via);
        return true;
    }
    bool Run(const QStringList& argv, const QString&, const QString& via) override {
        Add("run " + argv.join(' ') + " " + via);
        return true;
    }
    void Add(const QString& line) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_lines << line;
    }
    QStringList Lines() const {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_lines;
    }

private:
    mutable std::mutex m_lock;
    QStringList m_lines;
};

class FakeFileSearch : public platform::IFileSearch {
public:
    QStringList FindByName(const QString& name) override {
        asked << name;
        return index.value(name);
    }
    QMap<QString, QStringList> index;
    QStringList asked;
};

const char* const kEngineId = "0123456789abcdef0123456789abcdef";

// A dispatcher on a private desktop (application directories), with the command service and
// the semantic service as local servers and nothing really opened.
class CmdManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir().mkpath(Path("apps/applications"));
        WriteFile("custom.ini", "[search]\nengine=baidu\nlp_engine=google\n");
        WriteFile("qqmusic.desktop", "[Desktop Entry]\nType=Application\nExec=/bin/true\n");
        WriteFile("apps/applications/qqmusic.desktop",
                  "[Desktop Entry]\nType=Application\nExec=/bin/true --music %U\n");
        WriteFile("apps/applications/gnome-calc.desktop",
                  "[Desktop Entry]\nType=Application\nExec=/bin/true --calc\n"
                  "Categories=Utility;Calculator;\n");
        WriteFile("tool.sh", "#!/bin/sh\n");
        QFile::setPermissions(Path("tool.sh"), QFile::ReadOwner | QFile::ExeOwner);
        m_savedXdg = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", Path("apps").toUtf8());
        qputenv("XDG_DATA_DIRS", Path("none").toUtf8());
        config = std::make_shared<CConfig>(m_dir.path() + "/");
        manager = MakeManager(semantic.Origin());
    }
    void TearDown() override {
        manager->Shutdown();
        qputenv("XDG_DATA_HOME", m_savedXdg);
        qunsetenv("XDG_DATA_DIRS");
    }

    std::shared_ptr<CCmdManager> MakeManager(const std::string& semanticOrigin) {
        CCmdManager::Context context;
        context.config = config;
        context.deviceKind = [this] { return deviceKind.load(); };
        context.serviceBase = service.Origin();
        context.semanticBase = semanticOrigin;
        context.semanticEngineId = kEngineId;
        context.trustedProgramsFile = Path("trusted_programs.txt");
        context.macAddress = [] { return QStringLiteral("00-11-22-33-44-55"); };
        context.isOnline = [this] {
            ++onlineAsks;
            return online.load();
        };
        context.fileSearch = files;
        context.open = [this](const QString& target, const QString& via,
                              const platform::OpenPolicy& policy) {
            const platform::OpenResult result =
                platform::OpenTargetWith(journal, target, via, policy);
            if (result.outcome == platform::OpenOutcome::Refused)
                journal.Add("refused " + target + " " + result.reason + " " + via);
            return result;
        };
        context.commandListChanged = [this] { ++listChanges; };
        return CCmdManager::Create(std::move(context));
    }

    QString Path(const QString& relative) const { return m_dir.path() + '/' + relative; }
    void WriteFile(const QString& relative, const QByteArray& text) {
        QFile file(Path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    // Gives the kind the listed commands (word, target) through a download.
    void LoadCommands(int kind, std::vector<std::pair<QString, QString>> commands) {
        Json::Value data(Json::arrayValue);
        for (const auto& [word, target] : commands) {
            Json::Value item;
            item["customCmd"] = word.toStdString();
            item["customName"] = target.toStdString();
            item["cmdType"] = "file";
            item["isshow"] = "1";
            data.append(item);
        }
        Json::Value reply;
        reply["rc"] = "0";
        reply["data"] = data;
        service.SetReply(HttpReply(200, Json::writeString(Json::StreamWriterBuilder(), reply)));
        ASSERT_TRUE(manager->FetchCommands(kind));
    }
    std::string SemanticTarget(const std::string& encoded) const {
        return "/dbzy/saapi.json?question=" + encoded + "&engineid=" + kEngineId;
    }

    QTemporaryDir m_dir;
    QByteArray m_savedXdg;
    std::shared_ptr<CConfig> config;
    LocalHttpServer service;
    LocalHttpServer semantic{HttpReply(200, R"({"rc":"1"})")};
    Journal journal;
    std::shared_ptr<FakeFileSearch> files = std::make_shared<FakeFileSearch>();
    std::atomic<int> deviceKind{0};
    std::atomic<bool> online{true};
    std::atomic<int> onlineAsks{0};
    std::atomic<int> listChanges{0};
    std::shared_ptr<CCmdManager> manager;
};

const QString kWeather = QStringLiteral("https://www.baidu.com/s?ie=utf-8&wd=%E5%A4%A9%E6%B0%94");

TEST_F(CmdManagerTest, UnknownSentenceAsksTheSemanticServiceThenSearchesTheWeb) {
    EXPECT_TRUE(manager->RunVoiceCommand("天气"));
    EXPECT_EQ(journal.Lines(), QStringList{"open " + kWeather + " web"});
    ASSERT_EQ(semantic.Requests().size(), 1u);
    EXPECT_EQ(semantic.Requests()[0].target, SemanticTarget("%E5%A4%A9%E6%B0%94"));
}

TEST_F(CmdManagerTest, ThePenSearchesWithItsOwnEngineAndUnknownEnginesFallBack) {
    deviceKind = 1;
    manager->RunVoiceCommand("New York");
    config->Set(ConfigKey::SearchEngine, "bing");
    deviceKind = 0;
    manager->RunVoiceCommand("A+B");
    const QString google =
        QString::fromStdString(CConfig::SearchEngines().at("google").toStdString() + "New+York");
    EXPECT_EQ(journal.Lines(), (QStringList{"open " + google + " web",
                                            "open https://www.baidu.com/s?ie=utf-8&wd=A%2BB web"}));
}

struct SemanticCase {
    const char* name;
    HttpReply reply;
    QStringList journal;
    bool opened;
};

class SemanticOutcomes : public CmdManagerTest,
                         public ::testing::WithParamInterface<SemanticCase> {};

TEST_P(SemanticOutcomes, OpenAnswerSearchOrNothing) {
    semantic.SetReply(GetParam().reply);
    EXPECT_EQ(manager->RunVoiceCommand("天气"), GetParam().opened);
    QStringList expected = GetParam().journal;
    expected.replaceInStrings("@web", "open " + kWeather + " web");
    EXPECT_EQ(journal.Lines(), expected);
}

const SemanticCase kSemanticCases[] = {
    {"Answer",
     HttpReply(200, R"({"rc":"0","semantic":[{"pars":[{"value":"http://w.example/t"}]}]})"),
     {"open http://w.example/t semantic"},
     true},
    {"NotJson", HttpReply(200, "<html>"), {}, false},
    {"Status500", HttpReply(500, R"({"rc":"0"})"), {"@web"}, true},
    {"EmptyAnswer", HttpReply(200, R"({"rc":0,"semantic":[]})"), {"@web"}, true},
    {"ProgramAnswerRefused",
     HttpReply(200, R"({"rc":"0","semantic":[{"pars":[{"value":"qqmusic.desktop"}]}]})"),
     {"refused qqmusic.desktop form semantic", "@web"},
     true},
    {"ShellAnswerRefused",
     HttpReply(200, R"({"rc":"0","semantic":[{"pars":[{"value":"sh -c 'rm -rf ~'"}]}]})"),
     {"refused sh -c 'rm -rf ~' form semantic", "@web"},
     true},
};

INSTANTIATE_TEST_SUITE_P(Cases, SemanticOutcomes, ::testing::ValuesIn(kSemanticCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CmdManagerTest, AnUnreachableSemanticServiceEndsInTheWebSearch) {
    manager->Shutdown();
    std::string closedOrigin;
    {
        LocalHttpServer gone;
        closedOrigin = gone.Origin();
    }
    manager = MakeManager(closedOrigin);
    EXPECT_TRUE(manager->RunVoiceCommand("天气"));
    EXPECT_EQ(journal.Lines(), QStringList{"open " + kWeather + " web"});
}

struct DispatchCase {
    const char* name;
    const char* sentence;
    std::vector<std::pair<const char*, const char*>> mouseCommands; // word, target ("@" = root)
    QStringList fileIndex; // files the search knows ("@" = root)
    QStringList journal;   // "@web" for the search of the sentence
};

class Dispatch : public CmdManagerTest, public ::testing::WithParamInterface<DispatchCase> {};

TEST_P(Dispatch, WalksCommandsTablesAndSearchInOrder) {
    const DispatchCase& row = GetParam();
    std::vector<std::pair<QString, QString>> commands;
    for (const auto& [word, target] : row.mouseCommands)
        commands.emplace_back(QString::fromUtf8(word),
                              QString::fromUtf8(target).replace('@', m_dir.path()));
    LoadCommands(0, commands);
    for (QString path : row.fileIndex) {
        path.replace('@', m_dir.path());
        files->index[QFileInfo(path).fileName()] << path;
    }
    manager->RunVoiceCommand(row.sentence);
    QStringList expected = row.journal;
    expected.replaceInStrings("@web", "open https://www.baidu.com/s?ie=utf-8&wd=" +
                                          QString::fromStdString(UrlEncode(row.sentence)) + " web");
    expected.replaceInStrings("@", m_dir.path());
    EXPECT_EQ(journal.Lines(), expected);
}

const DispatchCase kDispatchCases[] = {
    {"ExactWord", "项目", {{"项目", "https://p.example"}}, {}, {"open https://p.example custom"}},
    {"VerbAndWord",
     "打开项目吧",
     {{"项目", "https://p.example"}},
     {},
     {"open https://p.example custom"}},
    {"FirstMatchingCommandWins",
     "项目二",
     {{"项目", "@"}, {"项目二", "https://two"}},
     {},
     {"open file://@ custom"}},
    {"FailingCommandWalksOn",
     "项目",
     {{"项目", "@/gone"}, {"项目", "https://p.example"}},
     {},
     {"refused @/gone form custom", "open https://p.example custom"}},
    {"CustomBeatsTable",
     "计算器",
     {{"计算器", "https://calc.example"}},
     {},
     {"open https://calc.example custom"}},
    {"InvalidPatternWordMatchesExactly",
     "文件(1",
     {{"文件(1", "https://f.example"}},
     {},
     {"open https://f.example custom"}},
    {"ServiceProgramUntrusted",
     "工具",
     {{"工具", "@/tool.sh"}},
     {},
     {"refused @/tool.sh untrusted custom", "@web"}},
    {"ShellTargetRefused",
     "工具",
     {{"工具", "/bin/sh -c reboot"}},
     {},
     {"refused /bin/sh -c reboot form custom", "@web"}},
    {"Calculator", "打开计算器", {}, {}, {"run /bin/true --calc system"}},
    {"CalculatorAlone", "计算器", {}, {}, {"run /bin/true --calc system"}},
    {"PoliteCalculatorIsASearch", "请打开计算器", {}, {}, {"@web"}},
    {"MyComputerIsHome", "我的电脑", {}, {}, {"open file://" + QDir::homePath() + " system"}},
    {"RecycleBin", "打开回收站", {}, {}, {"open trash:/// system"}},
    {"QqMusicAfterQq",
     "打开QQ音乐",
     {},
     {"@/apps/applications/qqmusic.desktop"},
     {"run /bin/true --music app"}},
    {"FoundOutsideTheApplicationDirs",
     "打开QQ音乐",
     {},
     {"@/qqmusic.desktop"},
     {"refused @/qqmusic.desktop outside app", "@web"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, Dispatch, ::testing::ValuesIn(kDispatchCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CmdManagerTest, QqIsLookedForBeforeQqMusic) {
    files->index["qqmusic.desktop"] << Path("apps/applications/qqmusic.desktop");
    manager->RunVoiceCommand("打开QQ音乐");
    EXPECT_EQ(files->asked, (QStringList{"qq.desktop", "qqmusic.desktop"}));
}

TEST_F(CmdManagerTest, AProgramAddedHereBecomesTrusted) {
    service.SetReply(HttpReply(200, R"({"rc":"0","data":[{"customCmd":"工具","customName":")" +
                                        Path("tool.sh").toStdString() +
                                        R"(","cmdType":"file","isshow":"1"}]})"));
    manager->StartAddCommand({Path("tool.sh"), QStringLiteral("工具"), "file", QString()});
    ASSERT_TRUE(service.WaitForRequests(1, 30s));
    for (int i = 0; i < 3000 && manager->Commands(0).empty(); ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(manager->Commands(0).size(), 1u);
    manager->RunVoiceCommand("工具");
    EXPECT_EQ(journal.Lines(), QStringList{"run " + Path("tool.sh") + " custom"});
}

TEST_F(CmdManagerTest, RepliesReplaceTheListOfTheKindTheyWereAskedFor) {
    LoadCommands(1, {{"笔", "https://pen"}});
    EXPECT_TRUE(manager->Commands(0).empty());
    ASSERT_EQ(manager->Commands(1).size(), 1u);
    const int before = listChanges;
    for (const HttpReply& bad :
         {HttpReply(200, "oops"), HttpReply(200, R"({"rc":"0","data":{}})"),
          HttpReply(404, R"({"rc":"0","data":[]})"), HttpReply(200, R"({"rc":"2","data":[]})")}) {
        service.SetReply(bad);
        EXPECT_FALSE(manager->FetchCommands(1));
        EXPECT_FALSE(manager->DeleteCommand(1, "笔"));
        EXPECT_FALSE(manager->AddCommand(1, {"x", "y", "", ""}));
    }
    EXPECT_EQ(manager->Commands(1).size(), 1u);
    // Only the downloads announce a failed exchange.
    EXPECT_EQ(listChanges - before, 4);
    service.SetReply(HttpReply(200, R"({"rc":"0","data":[]})"));
    EXPECT_TRUE(manager->DeleteCommand(1, "笔"));
    EXPECT_TRUE(manager->Commands(1).empty());
    EXPECT_EQ(listChanges - before, 5);
}

TEST_F(CmdManagerTest, TheThirdDeviceHasNoList) {
    service.SetReply(HttpReply(200, R"({"rc":"0","data":[{"customCmd":"x","isshow":"1"}]})"));
    EXPECT_TRUE(manager->FetchCommands(2));
    EXPECT_TRUE(manager->Commands(0).empty());
    EXPECT_TRUE(manager->Commands(1).empty());
    deviceKind = 2;
    manager->RunVoiceCommand("天气");
    EXPECT_EQ(journal.Lines(), QStringList{"open " + kWeather + " web"});
}

TEST_F(CmdManagerTest, DownloadsWaitForTheNetworkAndShutdownEndsTheWait) {
    online = false;
    manager->StartFetchCommands();
    // Three times asked and told "offline": no request has gone out.
    for (int i = 0; i < 3000 && onlineAsks < 3; ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_GE(onlineAsks, 3);
    EXPECT_TRUE(service.Requests().empty());
    online = true;
    ASSERT_TRUE(service.WaitForRequests(1, 30s));

    online = false;
    std::atomic<bool> ended{false};
    std::thread waiting([&] {
        EXPECT_FALSE(manager->FetchCommands(0));
        ended = true;
    });
    manager->Shutdown();
    waiting.join();
    EXPECT_TRUE(ended);
    EXPECT_EQ(service.Requests().size(), 1u);
}

TEST_F(CmdManagerTest, EmptyAndHugeSentencesAreHandled) {
    EXPECT_FALSE(manager->RunVoiceCommand(""));
    EXPECT_TRUE(journal.Lines().isEmpty());
    LoadCommands(0, {{QString(10000, 'x'), "https://x"}, {"", "https://empty"}});
    manager->RunVoiceCommand(std::string(10000, 'x'));
    EXPECT_EQ(journal.Lines(), QStringList{"open https://x custom"});
}

} // namespace
