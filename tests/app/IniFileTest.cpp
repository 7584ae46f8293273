#include "app/IniFile.h"
#include "app/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using testfiles::ReadBytes;
using testfiles::WriteBytes;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    QString PathOf(const QString& name) const { return m_dir.filePath(name); }
    QString IniPath() const { return PathOf(QStringLiteral("test.ini")); }

    QTemporaryDir m_dir;
};

struct ReadCase {
    const char* name;
    QByteArray content;
    const char* section;
    const char* key;
    QString expected;
};

TEST_F(IniFileTest, ReadStringFollowsProfileRules) {
    const QString def = QStringLiteral("DEF");
    const ReadCase cases[] = {
        {"exact", "[client]\nuiLanguage=lan_en\n", "client", "uiLanguage", "lan_en"},
        {"section case", "[CLIENT]\nuiLanguage=lan_en\n", "client", "uiLanguage", "lan_en"},
        {"key case", "[client]\nuiLanguage=lan_en\n", "Client", "UILANGUAGE", "lan_en"},
        {"blanks trimmed", "  [ client ]  \n \t uiLanguage \t=  lan_en \t\n", "client",
         "uiLanguage", "lan_en"},
        {"crlf", "[a]\r\nk=1\r\n", "a", "k", "1"},
        {"one pair of quotes", "[a]\nk=\"\"x\"\"\n", "a", "k", "\"x\""},
        {"quoted blanks kept", "[a]\nk=\" x \"\n", "a", "k", " x "},
        {"lone quote kept", "[a]\nk=\"abc\n", "a", "k", "\"abc"},
        {"inner quotes kept", "[a]\nk=a\"b\"\n", "a", "k", "a\"b\""},
        {"equals in value", "[a]\nk=b=c\n", "a", "k", "b=c"},
        {"empty value is not the default", "[a]\nk=\nj=1\n", "a", "k", ""},
        {"missing key", "[a]\nj=1\n", "a", "k", def},
        {"key of another section", "[b]\nk=1\n[a]\nj=2\n", "a", "k", def},
        {"key before any section", "k=1\n[a]\n", "a", "k", def},
        {"comment line", "[a]\n;k=1\n", "a", "k", def},
        {"first of duplicate keys", "[a]\nk=1\nK=2\n", "a", "k", "1"},
        {"first section of a name", "[a]\nk=1\n[b]\n[A]\nk=2\n", "a", "k", "1"},
        {"unterminated last line", "[a]\nk=12", "a", "k", "12"},
        {"header without bracket", "[a\nk=1\n", "a", "k", def},
        {"invalid utf-8 line skipped", "[a]\nk=\xff\xfe\nk=ok\n", "a", "k", "ok"},
        {"nul line skipped", testfiles::Raw("[a]\nk=x\0y\nk=ok\n"), "a", "k", "ok"},
        {"utf-8 bom", "\xEF\xBB\xBF[a]\nk=\xC3\xA9t\xC3\xA9\n", "a", "k", QStringLiteral("été")},
        {"utf-16le", testfiles::Utf16Le(QStringLiteral("[a]\r\nk=日本語\r\n")), "a", "k",
         QStringLiteral("日本語")},
    };
    for (const ReadCase& c : cases) {
        ASSERT_TRUE(WriteBytes(IniPath(), c.content));
        EXPECT_EQ(IniFile(IniPath()).ReadString(c.section, c.key, def), c.expected) << c.name;
    }
}

TEST_F(IniFileTest, MissingFileYieldsDefaultsAndEmptySections) {
    const IniFile ini(PathOf(QStringLiteral("absent.ini")));
    EXPECT_EQ(ini.ReadString("a", "k", "fallback"), QStringLiteral("fallback"));
    EXPECT_TRUE(ini.ReadSection("a", 1024).empty());
}

struct WriteCase {
    const char* name;
    bool fileExists;
    QByteArray before;
    const char* section;
    const char* key;
    QString value;
    QByteArray after;
};

TEST_F(IniFileTest, WriteStringChangesOnlyItsOwnLine) {
    const WriteCase cases[] = {
        {"creates the file", false, "", "client", "uiLanguage", "lan_en",
         "[client]\nuiLanguage=lan_en\n"},
        {"replaces in place and keeps the rest", true,
         "; top\n[device]\ndpi=4\n\n[Client]  \n; note\n UILanguage = lan_cn ; x\nfirst=yes\n"
         "[other]\nx=1\n",
         "client", "uiLanguage", "lan_en",
         "; top\n[device]\ndpi=4\n\n[Client]  \n; note\nUILanguage=lan_en\nfirst=yes\n"
         "[other]\nx=1\n"},
        {"keeps crlf", true, "[a]\r\nk=1\r\nj=2\r\n", "a", "k", "3", "[a]\r\nk=3\r\nj=2\r\n"},
        {"appends after the section's last entry", true, "[a]\nk=1\n\n; next\n[b]\nx=1\n", "a", "j",
         "2", "[a]\nk=1\nj=2\n\n; next\n[b]\nx=1\n"},
        {"fills an empty section", true, "[a]\n[b]\n", "a", "k", "1", "[a]\nk=1\n[b]\n"},
        {"new section after an unterminated line", true, "[a]\nk=1", "b", "x", "2",
         "[a]\nk=1\n[b]\nx=2\n"},
        {"new section in a crlf file", true, "[a]\r\nk=1\r\n", "b", "x", "2",
         "[a]\r\nk=1\r\n[b]\r\nx=2\r\n"},
        {"quotes a value with outer blanks", true, "[a]\nk=1\n", "a", "k", " x ",
         "[a]\nk=\" x \"\n"},
        {"quotes a value that looks quoted", true, "[a]\nk=1\n", "a", "k", "\"q\"",
         "[a]\nk=\"\"q\"\"\n"},
        {"empty value", true, "[a]\nk=1\n", "a", "k", "", "[a]\nk=\n"},
        {"keeps the utf-8 bom", true, "\xEF\xBB\xBF[a]\nk=1\n", "a", "k", QStringLiteral("é"),
         "\xEF\xBB\xBF[a]\nk=\xC3\xA9\n"},
        {"keeps unreadable lines byte for byte", true,
         testfiles::Raw("\0\xff junk\n[a]\nk=1\n\xc3\x28\n"), "a", "k", "2",
         testfiles::Raw("\0\xff junk\n[a]\nk=2\n\xc3\x28\n")},
        {"truncated header stays junk", true, "[device]\ndpi=3\n[cli", "client", "x", "1",
         "[device]\ndpi=3\n[cli\n[client]\nx=1\n"},
    };
    for (const WriteCase& c : cases) {
        QFile::remove(IniPath());
        if (c.fileExists) {
            ASSERT_TRUE(WriteBytes(IniPath(), c.before));
        }
        IniFile ini(IniPath());
        ASSERT_TRUE(ini.WriteString(c.section, c.key, c.value)) << c.name;
        EXPECT_EQ(ReadBytes(IniPath()), c.after) << c.name;
        EXPECT_EQ(ini.ReadString(c.section, c.key, "DEF"), c.value) << c.name;
    }
}

TEST_F(IniFileTest, Utf16FileStaysUtf16) {
    const QString before = QStringLiteral("; 注释\r\n[a]\r\nk=1\r\n");
    ASSERT_TRUE(WriteBytes(IniPath(), testfiles::Utf16Le(before)));
    IniFile ini(IniPath());
    ASSERT_TRUE(ini.WriteString("a", "k", QStringLiteral("中文")));
    ASSERT_TRUE(ini.WriteString("b", "x", QStringLiteral("y")));
    EXPECT_EQ(ReadBytes(IniPath()),
              testfiles::Utf16Le(QStringLiteral("; 注释\r\n[a]\r\nk=中文\r\n[b]\r\nx=y\r\n")));
    EXPECT_EQ(ini.ReadString("a", "k", "DEF"), QStringLiteral("中文"));
}

TEST_F(IniFileTest, RefusesWritesThatWouldCorruptTheFile) {
    const QByteArray before = "[a]\nk=1\n";
    struct Refused {
        const char* name;
        const char* section;
        const char* key;
        const char* value;
    } cases[] = {
        {"line break in value", "a", "k", "1\n[evil]\nx=1"},
        {"carriage return in value", "a", "k", "1\r2"},
        {"equals in key", "a", "k=j", "1"},
        {"bracket in section", "a]", "k", "1"},
        {"empty key", "a", "", "1"},
        {"empty section", "", "k", "1"},
        {"comment key", "a", ";k", "1"},
    };
    for (const Refused& c : cases) {
        ASSERT_TRUE(WriteBytes(IniPath(), before));
        EXPECT_FALSE(IniFile(IniPath()).WriteString(c.section, c.key, c.value)) << c.name;
        EXPECT_EQ(ReadBytes(IniPath()), before) << c.name;
    }
}

// A write that reported success must read back: texts the file's encoding cannot carry are
// refused and the file stays as it was.
TEST_F(IniFileTest, RefusesTextsTheFileCannotGiveBack) {
    const QString nul(QChar(0));
    const QString loneSurrogate(QChar(0xD800));
    const QByteArray utf8 = "[a]\nk=1\n";
    struct Refused {
        const char* name;
        QString section, key, value;
    } cases[] = {
        {"NUL in section", "a" + nul, "k", "1"},
        {"NUL in key", "a", "k" + nul, "1"},
        {"NUL in value", "a", "k", "1" + nul + "2"},
        {"lone surrogate in key", "a", "k" + loneSurrogate, "1"},
        {"lone surrogate in value", "a", "k", loneSurrogate},
    };
    for (const Refused& c : cases) {
        ASSERT_TRUE(WriteBytes(IniPath(), utf8));
        EXPECT_FALSE(IniFile(IniPath()).WriteString(c.section, c.key, c.value)) << c.name;
        EXPECT_EQ(ReadBytes(IniPath()), utf8) << c.name;
    }

    // UTF-16 carries any code unit but NUL: a lone surrogate is stored and read back.
    ASSERT_TRUE(WriteBytes(IniPath(), QByteArray("\xFF\xFE[\0a\0]\0\n\0", 10)));
    IniFile utf16(IniPath());
    EXPECT_TRUE(utf16.WriteString("a", "k", loneSurrogate));
    EXPECT_EQ(utf16.ReadString("a", "k", "missing"), loneSurrogate);
    EXPECT_FALSE(utf16.WriteString("a", "k", nul));
    EXPECT_EQ(utf16.ReadString("a", "k", "missing"), loneSurrogate);
}

TEST_F(IniFileTest, WriteFailsWhenThePathCannotHoldAFile) {
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("dir.ini")));
    EXPECT_FALSE(IniFile(PathOf(QStringLiteral("dir.ini"))).WriteString("a", "k", "1"));
    EXPECT_FALSE(IniFile(PathOf(QStringLiteral("missing/x.ini"))).WriteString("a", "k", "1"));
    EXPECT_EQ(IniFile(PathOf(QStringLiteral("dir.ini"))).ReadString("a", "k", "d"), "d");
}

TEST_F(IniFileTest, WritingLeavesNoTemporaryFilesBehind) {
    IniFile ini(IniPath());
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(ini.WriteString("a", QStringLiteral("k%1").arg(i), "v"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"test.ini"});
}

TEST_F(IniFileTest, SectionReadKeepsWholeLinesThatFitTheBuffer) {
    // Costs with terminators: "a=1" 4, "bb=22" 6, "ccc=333" 8, plus 1 closing the list.
    ASSERT_TRUE(WriteBytes(IniPath(), "[s]\n a = 1 \n;c=3\n\nbb=22\njunk\nccc=333\n[t]\nz=9\n"));
    const IniFile ini(IniPath());
    const std::vector<QString> all = {"a=1", "bb=22", "ccc=333"};
    const struct {
        int limit;
        size_t lines;
    } cases[] = {{100000, 3}, {19, 3}, {18, 2}, {11, 2}, {10, 1}, {5, 1}, {4, 0}, {0, 0}, {-1, 0}};
    for (const auto& c : cases) {
        const std::vector<QString> got = ini.ReadSection("S", c.limit);
        EXPECT_EQ(got, std::vector<QString>(all.begin(), all.begin() + c.lines))
            << "limit " << c.limit;
    }
    EXPECT_TRUE(ini.ReadSection("missing", 1000).empty());
}

TEST_F(IniFileTest, BinaryFilesNeitherCrashNorLoseBytes) {
    const QByteArray noise[] = {
        testfiles::RandomBytes(64 * 1024, 7),
        QByteArray("\xFF\xFE", 2) + testfiles::RandomBytes(4097, 11), // odd UTF-16 tail
        QByteArray("\xEF\xBB\xBF", 3) + testfiles::RandomBytes(1000, 13),
        QByteArray("\xEF\xBB", 2),
        QByteArray(1, '\0'),
    };
    for (const QByteArray& bytes : noise) {
        ASSERT_TRUE(WriteBytes(IniPath(), bytes));
        IniFile ini(IniPath());
        EXPECT_EQ(ini.ReadString("client", "uiLanguage", "DEF"), QStringLiteral("DEF"));
        ini.ReadSection("client", 8192);
        ASSERT_TRUE(ini.WriteString("client", "uiLanguage", "lan_en"));
        EXPECT_EQ(ini.ReadString("client", "uiLanguage", "DEF"), QStringLiteral("lan_en"));
        const QByteArray after = ReadBytes(IniPath());
        // A UTF-16 file loses only its dangling half character.
        const bool halfCharacter = bytes.startsWith("\xFF\xFE") && bytes.size() % 2 != 0;
        EXPECT_TRUE(after.startsWith(halfCharacter ? bytes.chopped(1) : bytes));
    }
}

TEST_F(IniFileTest, OversizedFileIsNeitherReadNorRewritten) {
    QByteArray big = "[a]\nk=1\n";
    big += QByteArray(static_cast<int>(IniFile::kMaxFileSize), ';');
    ASSERT_TRUE(WriteBytes(IniPath(), big));
    IniFile ini(IniPath());
    EXPECT_EQ(ini.ReadString("a", "k", "DEF"), QStringLiteral("DEF"));
    EXPECT_FALSE(ini.WriteString("a", "k", "2"));
    EXPECT_EQ(QFileInfo(IniPath()).size(), big.size());
}

} // namespace
