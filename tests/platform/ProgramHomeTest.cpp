#include "platform/ProgramHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

using platform::ProgramHomeFacts;

struct HomeCase {
    const char* name;
    ProgramHomeFacts facts;
    const char* home;
    const char* shareDir;
};

ProgramHomeFacts Facts(const char* velmoraHome, const char* executableDir, bool writable,
                       bool shareDirExists, const char* xdgDataHome) {
    ProgramHomeFacts facts;
    facts.velmoraHome = QString::fromUtf8(velmoraHome);
    facts.executableDir = QString::fromUtf8(executableDir);
    facts.executableDirWritable = writable;
    facts.shareDirExists = shareDirExists;
    facts.xdgDataHome = QString::fromUtf8(xdgDataHome);
    facts.userHome = QStringLiteral("/home/ann");
    return facts;
}

class ProgramHomeResolution : public ::testing::TestWithParam<HomeCase> {};

TEST_P(ProgramHomeResolution, PicksTheHomeAndTheShareFolder) {
    const HomeCase& row = GetParam();
    const platform::ProgramHomeLayout layout = platform::ResolveProgramHome(row.facts);
    EXPECT_EQ(layout.home, QString::fromUtf8(row.home));
    EXPECT_EQ(layout.shareDir, QString::fromUtf8(row.shareDir));
}

const HomeCase kHomeCases[] = {
    {"BuildFolder", Facts("", "/src/build/bin", true, false, ""), "/src/build/bin/", ""},
    {"ReadOnlyFolderWithoutShare", Facts("", "/opt/v", false, false, ""), "/opt/v/", ""},
    {"InstalledUsesXdgDataHome", Facts("", "/usr/bin", false, true, "/data"), "/data/velmora/",
     "/usr/share/velmora/"},
    {"InstalledDefaultsToLocalShare", Facts("", "/usr/bin", false, true, ""),
     "/home/ann/.local/share/velmora/", "/usr/share/velmora/"},
    {"RelativeXdgDataHomeIsIgnored", Facts("", "/usr/local/bin", false, true, "rel/data"),
     "/home/ann/.local/share/velmora/", "/usr/local/share/velmora/"},
    {"WritableInstallIsPortable", Facts("", "/home/ann/v/bin", true, true, "/data"),
     "/home/ann/v/bin/", "/home/ann/v/share/velmora/"},
    {"VelmoraHomeWinsOverAnInstall", Facts("/tmp/h", "/usr/bin", false, true, "/data"), "/tmp/h/",
     "/usr/share/velmora/"},
    {"VelmoraHomeWinsInABuildFolder", Facts("/tmp/h/", "/src/build/bin", true, false, ""),
     "/tmp/h/", ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, ProgramHomeResolution, ::testing::ValuesIn(kHomeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The real process: the test program runs from the build folder, so only VELMORA_HOME moves
// its home.
class ProgramHomePreparation : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(root.isValid()); }
    void TearDown() override { qunsetenv("VELMORA_HOME"); }
    QTemporaryDir root;
};

TEST_F(ProgramHomePreparation, CreatesAMissingHomeAndReadsShippedFilesThere) {
    const QString home = root.path() + QStringLiteral("/a/b/home");
    qputenv("VELMORA_HOME", home.toUtf8());
    EXPECT_TRUE(platform::PrepareProgramHome().isEmpty());
    EXPECT_TRUE(QDir(home).exists());
    EXPECT_EQ(platform::ShippedFile(QStringLiteral("languages.ini")),
              home + QStringLiteral("/languages.ini"));
}

TEST_F(ProgramHomePreparation, AHomeThatCannotBeCreatedIsNamedInTheProblem) {
    QFile blocker(root.path() + QStringLiteral("/file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString home = blocker.fileName() + QStringLiteral("/velmora");
    qputenv("VELMORA_HOME", home.toUtf8());
    const QStringList problems = platform::PrepareProgramHome();
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains(home)) << problems[0].toStdString();
}

} // namespace
