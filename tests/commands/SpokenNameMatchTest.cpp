#include "commands/SpokenNameMatch.h"

#include <gtest/gtest.h>

namespace {

struct MatchCase {
    const char* name;
    const char* sentence;
    const char* spoken;
    bool r1;
    bool r2;
};

class SpokenNameMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(SpokenNameMatch, R1ThenR2) {
    const MatchCase& row = GetParam();
    const QString sentence = QString::fromUtf8(row.sentence);
    const QString spoken = QString::fromUtf8(row.spoken);
    EXPECT_EQ(MatchesOpenVerbAndName(sentence, spoken), row.r1);
    EXPECT_EQ(BeginsWithName(sentence, spoken), row.r2);
    EXPECT_EQ(CallsSpokenName(sentence, spoken), row.r1 || row.r2);
}

const MatchCase kMatchCases[] = {
    {"VerbThenName", "打开计算器", "计算器", true, false},
    {"NameAlone", "计算器", "计算器", false, true},
    {"NameWithTail", "计算器吧", "计算器", false, true},
    {"PoliteWordFirst", "请打开计算器", "计算器", false, false},
    {"TraditionalVerb", "打開記事本和计算器", "计算器", true, false},
    {"EnglishVerbAnyCase", "open excel", "EXCEL", true, false},
    {"StartUpperCase", "START Word", "WORD", true, false},
    {"NameFirstAnyCase", "word document", "WORD", false, true},
    {"VerbGluedToName", "openword", "WORD", true, false},
    {"QqBeforeQqMusic", "打开QQ音乐", "QQ", true, false},
    {"QqMusic", "打开QQ音乐", "QQ音乐", true, false},
    {"VerbWithoutName", "打开", "计算器", false, false},
    // Names are literal text.
    {"UnbalancedParenthesisIsText", "文件(1", "文件(1", false, true},
    {"ParenthesisNotAGroup", "文件1", "文件(1", false, false},
    {"DotIsNoWildcard", "axb", "a.b", false, false},
    {"DotMatchesItself", "a.b", "a.b", false, true},
    {"PlusIsNoRepeat", "aab", "a+b", false, false},
    {"StarNameIsNoPattern", "anything", ".*", false, false},
    {"AlternationIsText", "b", "a|b", false, false},
    {"BackslashIsText", "c:\\x", "c:\\x", false, true},
    // Line breaks end a match around the name, as "." would not cross them.
    {"LineBreakAfterName", "计算器\n", "计算器", false, false},
    {"LineBreakBeforeName", "打开\n计算器", "计算器", false, false},
    {"LineBreakInsideName", "打开a\nb", "a\nb", true, false},
    {"EmptyNameCallsNothing", "计算器", "", false, false},
    {"EmptySentence", "", "计算器", false, false},
};

INSTANTIATE_TEST_SUITE_P(Cases, SpokenNameMatch, ::testing::ValuesIn(kMatchCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SpokenNameMatchLong, TenThousandCharactersNeitherCrashNorMatch) {
    const QString huge(10000, QChar(u'计'));
    EXPECT_FALSE(CallsSpokenName(QStringLiteral("打开计算器"), huge));
    EXPECT_TRUE(CallsSpokenName(QStringLiteral("打开") + huge, huge));
    EXPECT_FALSE(CallsSpokenName(huge + "\n", QStringLiteral("计")));
}

} // namespace
