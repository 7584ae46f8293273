#include "platform/OpenTarget.h"
#include "platform/DesktopEntry.h"
#include "platform/IDesktopLauncher.h"
#include "platform/XdgApplications.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <map>
#include <vector>

namespace {

using platform::OpenOutcome;
using platform::OpenPolicy;

// Records what OpenTarget hands to the desktop instead of doing it.
class RecordingLauncher : public platform::IDesktopLauncher {
public:
    bool OpenUrl(const QUrl& url, const QString&) override {
        calls.push_back("open " + url.toString(QUrl::FullyEncoded));
        return succeed;
    }
    bool Run(const QStringList& argv, const QString& entry, const QString&) override {
        calls.push_back("run " + argv.join('|') + (entry.isEmpty() ? "" : " <" + entry + ">"));
        return succeed;
    }
    std::vector<QString> calls;
    bool succeed = true;
};

// A private desktop: application directories, a PATH, a home with documents. Every path in
// the expectations is written with "@" for the folder's root.
class DesktopWorld {
public:
    DesktopWorld() {
        Dir("data/applications/sub");
        Dir("sys/applications/kde");
        Dir("bin");
        Dir("home/docs/folder with space");
        Program("bin/prog");
        Program("bin/my prog");
        Program("bin/calc");
        File("home/docs/readme.txt", "text");
        File("home/docs/run.sh", "#!/bin/sh\n");
        QFile::setPermissions(Path("home/docs/run.sh"), QFile::ReadOwner | QFile::ExeOwner);
        Entry("data/applications/qqmusic.desktop", "Exec=prog %U\n");
        Entry("data/applications/quoted.desktop",
              "Exec=\"@/bin/my prog\" \"say \\\\\"hi\\\\\"\" 50%% --file=%f %F\n");
        Entry("data/applications/sub/nested.desktop", "Exec=prog --nested\n");
        Entry("data/applications/hidden.desktop", "Exec=prog\nHidden=true\n");
        Entry("data/applications/term.desktop", "Exec=prog\nTerminal=true\n");
        Entry("data/applications/tryexec.desktop", "Exec=prog\nTryExec=not-installed-xyz\n");
        Entry("data/applications/badquote.desktop", "Exec=\"prog --unbalanced\n");
        Entry("data/applications/missing.desktop", "Exec=not-installed-xyz\n");
        Entry("data/applications/relative.desktop", "Exec=bin/prog\n");
        File("data/applications/link.desktop",
             "[Desktop Entry]\nType=Link\nURL=http://example.com\n");
        File("data/applications/nogroup.desktop", "Type=Application\nExec=prog\n");
        Entry("sys/applications/kde/calc.desktop", "Exec=calc\nCategories=Utility;Calculator;\n");
        Entry("sys/applications/qqmusic.desktop", "Exec=calc --shadowed\n");
        Entry("home/docs/outside.desktop", "Exec=prog --outside\n");
    }

    QString Root() const { return m_dir.path(); }
    QString Path(const QString& relative) const { return m_dir.path() + '/' + relative; }
    QString Expand(const char* text) const {
        return QString::fromUtf8(text).replace('@', m_dir.path());
    }

private:
    void Dir(const QString& relative) { QDir().mkpath(Path(relative)); }
    void File(const QString& relative, const QString& text) {
        QFile file(Path(relative));
        file.open(QIODevice::WriteOnly);
        file.write(text.toUtf8());
    }
    void Program(const QString& relative) {
        File(relative, "#!/bin/sh\n");
        QFile::setPermissions(Path(relative), QFile::ReadOwner | QFile::ExeOwner);
    }
    void Entry(const QString& relative, const QString& body) {
        File(relative, "# comment\n[Desktop Entry]\nType=Application\nName=X\nName[de]=Y\n" +
                           QString(body).replace('@', m_dir.path()) + "[Other Group]\nExec=no\n");
    }

    QTemporaryDir m_dir;
};

// Points the XDG variables, PATH and HOME at the world for one test and back afterwards.
class XdgFixture {
public:
    explicit XdgFixture(const DesktopWorld& world) {
        Set("XDG_DATA_HOME", world.Path("data"));
        Set("XDG_DATA_DIRS", "relative/ignored:" + world.Path("sys"));
        Set("XDG_CONFIG_HOME", world.Path("config"));
        Set("XDG_CONFIG_DIRS", world.Path("etc"));
        Set("PATH", world.Path("bin"));
        Set("HOME", world.Path("home"));
    }
    ~XdgFixture() {
        for (const auto& [name, value] : m_saved)
            qputenv(name.c_str(), value);
    }

private:
    void Set(const char* name, const QString& value) {
        m_saved.emplace(name, qgetenv(name));
        qputenv(name, value.toUtf8());
    }
    std::map<std::string, QByteArray> m_saved;
};

const DesktopWorld& World() {
    static const DesktopWorld world;
    return world;
}

enum class PolicyKind { Default, WebOnly, TrustProg, TrustRunSh, EntriesOnly, Trash };

OpenPolicy MakePolicy(PolicyKind kind) {
    OpenPolicy policy;
    if (kind == PolicyKind::WebOnly)
        policy.webOnly = true;
    if (kind == PolicyKind::EntriesOnly)
        policy.applicationEntriesOnly = true;
    if (kind == PolicyKind::Trash)
        policy.extraSchemes << QStringLiteral("trash");
    const QString trusted = kind == PolicyKind::TrustProg    ? World().Path("bin/prog")
                            : kind == PolicyKind::TrustRunSh ? World().Path("home/docs/run.sh")
                                                             : QString();
    if (!trusted.isEmpty())
        policy.isTrustedProgram = [trusted](const QString& path) { return path == trusted; };
    return policy;
}

struct TargetCase {
    const char* name;
    const char* target;
    PolicyKind policy;
    OpenOutcome outcome;
    const char* reason; // for refusals
    const char* call;   // what reached the launcher, "" for nothing
};

class TargetForms : public ::testing::TestWithParam<TargetCase> {};

TEST_P(TargetForms, OpenRunOrRefuse) {
    const TargetCase& row = GetParam();
    XdgFixture xdg(World());
    RecordingLauncher launcher;
    const platform::OpenResult result = platform::OpenTargetWith(
        launcher, World().Expand(row.target), "test", MakePolicy(row.policy));
    EXPECT_EQ(result.outcome, row.outcome);
    EXPECT_EQ(result.reason, QString::fromUtf8(row.reason));
    const std::vector<QString> expected =
        *row.call ? std::vector<QString>{World().Expand(row.call)} : std::vector<QString>{};
    EXPECT_EQ(launcher.calls, expected);
}

constexpr OpenOutcome kOpened = OpenOutcome::Opened;
constexpr OpenOutcome kRefused = OpenOutcome::Refused;
constexpr PolicyKind kDefault = PolicyKind::Default;

const TargetCase kTargetCases[] = {
    // Form 1: web addresses.
    {"Https", "https://www.baidu.com/s?ie=utf-8&wd=%E5%A4%A9%E6%B0%94", kDefault, kOpened, "",
     "open https://www.baidu.com/s?ie=utf-8&wd=%E5%A4%A9%E6%B0%94"},
    {"PlusAndEncodedPlusKept", "http://a.example/s?q=New+York&r=A%2BB", kDefault, kOpened, "",
     "open http://a.example/s?q=New+York&r=A%2BB"},
    {"WwwGetsHttp", "www.example.com/x", kDefault, kOpened, "", "open http://www.example.com/x"},
    {"UpperCaseScheme", "HTTPS://example.com", kDefault, kOpened, "", "open https://example.com"},
    {"BlanksAroundAreTrimmed", "  https://example.com  ", kDefault, kOpened, "",
     "open https://example.com"},
    {"WebOnlyTakesAddresses", "https://example.com", PolicyKind::WebOnly, kOpened, "",
     "open https://example.com"},
    {"NoHost", "http://", kDefault, kRefused, "form", ""},
    {"OtherScheme", "javascript:alert(1)", kDefault, kRefused, "form", ""},
    {"FtpIsNotForm1", "ftp://example.com/x", kDefault, kRefused, "form", ""},
    {"TrashOnlyWhenAllowed", "trash:///", kDefault, kRefused, "form", ""},
    {"TrashAllowed", "trash:///", PolicyKind::Trash, kOpened, "", "open trash:///"},
    {"NewlineInAddress", "https://example.com/\nrm -rf ~", kDefault, kRefused, "form", ""},
    // Form 2: paths.
    {"Folder", "@/home/docs", kDefault, kOpened, "", "open file://@/home/docs"},
    {"FolderWithSpace", "@/home/docs/folder with space", kDefault, kOpened, "",
     "open file://@/home/docs/folder%20with%20space"},
    {"Document", "@/home/docs/readme.txt", kDefault, kOpened, "",
     "open file://@/home/docs/readme.txt"},
    {"HomeRelative", "~/docs/readme.txt", kDefault, kOpened, "",
     "open file://@/home/docs/readme.txt"},
    {"FileUrl", "file://@/home/docs/readme.txt", kDefault, kOpened, "",
     "open file://@/home/docs/readme.txt"},
    {"MissingPath", "@/home/docs/nothing.txt", kDefault, kRefused, "form", ""},
    {"WebOnlyRefusesPaths", "@/home/docs/readme.txt", PolicyKind::WebOnly, kRefused, "form", ""},
    {"ExecutableUntrusted", "@/bin/prog", kDefault, kRefused, "untrusted", ""},
    {"ExecutableTrusted", "@/bin/prog", PolicyKind::TrustProg, kOpened, "", "run @/bin/prog"},
    {"TrustIsPerProgram", "~/docs/run.sh", PolicyKind::TrustProg, kRefused, "untrusted", ""},
    {"TrustedScriptRunsAlone", "~/docs/run.sh", PolicyKind::TrustRunSh, kOpened, "",
     "run @/home/docs/run.sh"},
    {"EntryInApplicationDir", "@/data/applications/qqmusic.desktop", kDefault, kOpened, "",
     "run @/bin/prog <@/data/applications/qqmusic.desktop>"},
    {"EntryElsewhereUntrusted", "@/home/docs/outside.desktop", kDefault, kRefused, "untrusted", ""},
    {"EntryElsewhereTrusted", "@/home/docs/outside.desktop", PolicyKind::TrustProg, kRefused,
     "untrusted", ""},
    {"QuotedExecAndFieldCodes", "@/data/applications/quoted.desktop", kDefault, kOpened, "",
     "run @/bin/my prog|say \"hi\"|50%|--file= <@/data/applications/quoted.desktop>"},
    {"HiddenEntry", "@/data/applications/hidden.desktop", kDefault, kRefused, "form", ""},
    {"TerminalEntry", "@/data/applications/term.desktop", kDefault, kRefused, "form", ""},
    {"TryExecMissing", "@/data/applications/tryexec.desktop", kDefault, kRefused, "form", ""},
    {"UnbalancedQuote", "@/data/applications/badquote.desktop", kDefault, kRefused, "form", ""},
    {"ProgramNotInPath", "@/data/applications/missing.desktop", kDefault, kRefused, "form", ""},
    {"RelativeProgram", "@/data/applications/relative.desktop", kDefault, kRefused, "form", ""},
    {"LinkEntry", "@/data/applications/link.desktop", kDefault, kRefused, "form", ""},
    {"NoEntryGroup", "@/data/applications/nogroup.desktop", kDefault, kRefused, "form", ""},
    // Form 3: desktop-file ids; the user's directory hides the system's copy.
    {"BareId", "qqmusic.desktop", kDefault, kOpened, "",
     "run @/bin/prog <@/data/applications/qqmusic.desktop>"},
    {"BareIdWithoutSuffix", "qqmusic", kDefault, kOpened, "",
     "run @/bin/prog <@/data/applications/qqmusic.desktop>"},
    {"IdInSubFolder", "kde-calc.desktop", kDefault, kOpened, "",
     "run @/bin/calc <@/sys/applications/kde/calc.desktop>"},
    {"UnknownId", "nothing.desktop", kDefault, kRefused, "form", ""},
    // Form 4 and shell text: never a shell.
    {"ShellCommand", "prog; rm -rf ~", kDefault, kRefused, "form", ""},
    {"CommandSubstitution", "$(prog)", kDefault, kRefused, "form", ""},
    {"RelativePath", "bin/prog", kDefault, kRefused, "form", ""},
    {"DotPath", "./prog", kDefault, kRefused, "form", ""},
    {"WindowsPath", "C:\\Windows\\calc.exe", kDefault, kRefused, "form", ""},
    {"WindowsShellFolder", "::{645FF040-5081-101B-9F08-00AA002F954E}", kDefault, kRefused, "form",
     ""},
    {"Empty", "", kDefault, kRefused, "form", ""},
    // A file search's results: desktop entries directly in an application directory only.
    {"EntriesOnlyTakesEntry", "@/data/applications/qqmusic.desktop", PolicyKind::EntriesOnly,
     kOpened, "", "run @/bin/prog <@/data/applications/qqmusic.desktop>"},
    {"EntriesOnlyNotNested", "@/data/applications/sub/nested.desktop", PolicyKind::EntriesOnly,
     kRefused, "outside", ""},
    {"EntriesOnlyNotElsewhere", "@/home/docs/outside.desktop", PolicyKind::EntriesOnly, kRefused,
     "outside", ""},
    {"EntriesOnlyNoExecutable", "@/bin/prog", PolicyKind::EntriesOnly, kRefused, "outside", ""},
    {"EntriesOnlyNoAddress", "https://example.com", PolicyKind::EntriesOnly, kRefused, "outside",
     ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, TargetForms, ::testing::ValuesIn(kTargetCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OpenTarget, ALauncherThatFailsIsNotOpened) {
    XdgFixture xdg(World());
    RecordingLauncher launcher;
    launcher.succeed = false;
    EXPECT_EQ(platform::OpenTargetWith(launcher, "https://example.com", "test", {}).outcome,
              OpenOutcome::Failed);
    EXPECT_EQ(platform::OpenTargetWith(launcher, "qqmusic", "test", {}).outcome,
              OpenOutcome::Failed);
}

TEST(OpenTarget, AHugeTargetIsRefusedWithoutHarm) {
    XdgFixture xdg(World());
    RecordingLauncher launcher;
    for (const QString& target :
         {QString(10000, 'a'), "/" + QString(10000, 'a'), "~/" + QString(10000, '.')}) {
        const auto result = platform::OpenTargetWith(launcher, target, "test", {});
        EXPECT_EQ(result.outcome, OpenOutcome::Refused) << target.left(10).toStdString();
    }
    EXPECT_TRUE(launcher.calls.empty());
}

struct ExecCase {
    const char* name;
    const char* exec;
    std::vector<const char*> argv; // empty: refused
};

class ExecSplitting : public ::testing::TestWithParam<ExecCase> {};

TEST_P(ExecSplitting, FollowsTheDesktopEntryQuoting) {
    const ExecCase& row = GetParam();
    const std::optional<QStringList> argv = platform::SplitExec(QString::fromUtf8(row.exec));
    QStringList expected;
    for (const char* a : row.argv)
        expected << QString::fromUtf8(a);
    if (expected.isEmpty())
        EXPECT_FALSE(argv.has_value());
    else
        EXPECT_EQ(argv.value_or(QStringList{"<none>"}), expected);
}

const ExecCase kExecCases[] = {
    {"Plain", "prog a b", {"prog", "a", "b"}},
    {"RepeatedBlanks", "  prog   a\tb ", {"prog", "a", "b"}},
    {"QuotedBlank", "\"my prog\" \"a b\"", {"my prog", "a b"}},
    {"QuoteEscapes",
     "prog \"a\\\"b\" \"c\\$d\" \"e\\`f\" \"g\\\\h\"",
     {"prog", "a\"b", "c$d", "e`f", "g\\h"}},
    {"QuoteJoinsWithNeighbours", "prog x\"y z\"w", {"prog", "xy zw"}},
    {"EmptyQuotedArgument", "prog \"\"", {"prog", ""}},
    {"FieldCodesDropped", "prog %f %F %u %U %i %c %k arg", {"prog", "arg"}},
    {"EmbeddedFieldCode", "prog --open=%u", {"prog", "--open="}},
    {"PercentLiteral", "prog 100%%", {"prog", "100%"}},
    {"ShellCharactersAreText",
     "prog ; rm -rf ~ | cat",
     {"prog", ";", "rm", "-rf", "~", "|", "cat"}},
    {"Unbalanced", "prog \"a", {}},
    {"Empty", "", {}},
    {"OnlyFieldCode", "%U", {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ExecSplitting, ::testing::ValuesIn(kExecCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(XdgApplications, DefaultApplicationsAndCategories) {
    XdgFixture xdg(World());
    QDir().mkpath(World().Path("config"));
    QFile list(World().Path("config/mimeapps.list"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("[Added Associations]\ntext/plain=qqmusic.desktop;\n"
               "[Default Applications]\ntext/plain=gone.desktop;kde-calc.desktop;\n");
    list.close();
    EXPECT_EQ(platform::DefaultApplicationFor("text/plain"), "kde-calc.desktop");
    EXPECT_EQ(platform::DefaultApplicationFor("application/x-none"), "");
    EXPECT_EQ(platform::FirstApplicationWithCategories({"Calculator"}), "kde-calc.desktop");
    EXPECT_EQ(platform::FirstApplicationWithCategories({"System", "Monitor"}), "");
    QFile::remove(World().Path("config/mimeapps.list"));
}

} // namespace
