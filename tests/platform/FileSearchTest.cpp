#include "platform/CFileSearch.h"
#include "platform/linux/LocateIndex.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// A folder of files, an application directory among them, and XDG_DATA_* pointing at it.
class FileSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* dir : {"apps/applications/sub", "docs/a", "docs/b", "bin"})
            QDir().mkpath(Path(dir));
        for (const char* file :
             {"docs/a/QQMusic.exe", "docs/b/QQMusic.exe", "docs/a/QQMusic.exe.bak",
              "docs/a/qqmusic.exe", "apps/applications/qqmusic.desktop",
              "apps/applications/sub/qqmusic.desktop", "apps/applications/other.desktop"})
            Write(file, "x");
        QDir().mkpath(Path("docs/dir/QQMusic.exe")); // a folder of that name is no file
        m_savedHome = qgetenv("XDG_DATA_HOME");
        m_savedDirs = qgetenv("XDG_DATA_DIRS");
        m_savedPath = qgetenv("PATH");
        qputenv("XDG_DATA_HOME", Path("apps").toUtf8());
        qputenv("XDG_DATA_DIRS", Path("none").toUtf8());
    }
    void TearDown() override {
        qputenv("XDG_DATA_HOME", m_savedHome);
        qputenv("XDG_DATA_DIRS", m_savedDirs);
        qputenv("PATH", m_savedPath);
    }

    QString Path(const QString& relative) const { return m_dir.path() + '/' + relative; }
    void Write(const QString& relative, const QByteArray& text) {
        QFile file(Path(relative));
        file.open(QIODevice::WriteOnly);
        file.write(text);
    }
    // A stand-in for plocate in a private PATH; it records its arguments.
    void FakeLocate(const QByteArray& body) {
        Write("bin/plocate",
              "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + Path("args").toUtf8() + "\"\n" + body);
        QFile::setPermissions(Path("bin/plocate"), QFile::ReadOwner | QFile::ExeOwner);
        qputenv("PATH", (Path("bin") + ":/usr/bin:/bin").toUtf8());
    }
    QString RecordedArguments() {
        QFile file(Path("args"));
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }

    QTemporaryDir m_dir;
    QByteArray m_savedHome, m_savedDirs, m_savedPath;
};

TEST_F(FileSearchTest, KeepsExistingExactNamesOnceSortedByPath) {
    platform::CFileSearch search([this](const QString&) {
        return QStringList{Path("docs/b/QQMusic.exe"),      Path("docs/a/QQMusic.exe.bak"),
                           Path("docs/a/qqmusic.exe"),      Path("docs/a/QQMusic.exe"),
                           Path("docs/a/../a/QQMusic.exe"), Path("docs/gone/QQMusic.exe"),
                           Path("docs/dir/QQMusic.exe"),    "docs/a/QQMusic.exe"};
    });
    EXPECT_EQ(search.FindByName("QQMusic.exe"),
              (QStringList{Path("docs/a/QQMusic.exe"), Path("docs/b/QQMusic.exe")}));
}

TEST_F(FileSearchTest, AddsTheApplicationDirectories) {
    platform::CFileSearch search([](const QString&) { return QStringList(); });
    EXPECT_EQ(search.FindByName("qqmusic.desktop"),
              (QStringList{Path("apps/applications/qqmusic.desktop"),
                           Path("apps/applications/sub/qqmusic.desktop")}));
}

TEST_F(FileSearchTest, NamesThatAreNoFileNamesFindNothing) {
    platform::CFileSearch search([this](const QString&) {
        return QStringList{Path("docs/a/QQMusic.exe"), Path("apps/applications/other.desktop")};
    });
    for (const QString& name :
         {QString(), QStringLiteral("docs/a/QQMusic.exe"), QStringLiteral("*.desktop"),
          QStringLiteral(".."), QString(10000, 'x')})
        EXPECT_TRUE(search.FindByName(name).isEmpty()) << name.left(20).toStdString();
}

TEST_F(FileSearchTest, AsksLocateByBaseNameAndSplitsAtNul) {
    FakeLocate("printf '%s\\0' '" + Path("docs/a/QQMusic.exe").toUtf8() + "' '/with\nnewline'\n");
    EXPECT_EQ(platform::LocateByName("QQMusic.exe"),
              (QStringList{Path("docs/a/QQMusic.exe"), "/with\nnewline"}));
    EXPECT_EQ(RecordedArguments(), "--basename\n--null\n--\nQQMusic.exe\n");
}

TEST_F(FileSearchTest, ANameLikeAnOptionStaysAName) {
    FakeLocate("");
    platform::LocateByName("--regex=.*");
    EXPECT_EQ(RecordedArguments(), "--basename\n--null\n--\n--regex=.*\n");
}

TEST_F(FileSearchTest, AHangingOrFailingLocateGivesNothing) {
    FakeLocate("exec sleep 30\n");
    EXPECT_TRUE(platform::LocateByName("QQMusic.exe").isEmpty());
    FakeLocate("printf '/x/QQMusic.exe\\0'\nkill -9 $$\n");
    EXPECT_TRUE(platform::LocateByName("QQMusic.exe").isEmpty());
}

} // namespace
