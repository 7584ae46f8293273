#include "service/QueryValueEscape.h"

#include <gtest/gtest.h>

namespace {

struct EscapeCase {
    std::string value;
    std::string escaped;
};

class EscapeQueryValueTest : public testing::TestWithParam<EscapeCase> {};

TEST_P(EscapeQueryValueTest, EscapesOnlyWhatWouldChangeThePair) {
    EXPECT_EQ(EscapeQueryValue(GetParam().value), GetParam().escaped);
}

INSTANTIATE_TEST_SUITE_P(
    Values, EscapeQueryValueTest,
    testing::Values(EscapeCase{"", ""},
                    // What the service always got unchanged stays unchanged.
                    EscapeCase{"13800138000", "13800138000"}, EscapeCase{"Passw0rd!", "Passw0rd!"},
                    EscapeCase{"a/b?c:d;e@f,g~h*i(j)'k\"l", "a/b?c:d;e@f,g~h*i(j)'k\"l"},
                    EscapeCase{"\xE5\xAF\x86\xE7\xA0\x81", "\xE5\xAF\x86\xE7\xA0\x81"},
                    EscapeCase{std::string("\x80\xFF", 2), std::string("\x80\xFF", 2)},
                    // What would cut, split or change the pair.
                    EscapeCase{"a&b", "a%26b"}, EscapeCase{"a+b", "a%2Bb"},
                    EscapeCase{"a=b", "a%3Db"}, EscapeCase{"a#b", "a%23b"},
                    EscapeCase{"100%", "100%25"},
                    EscapeCase{"2026-12-10 08:00:00", "2026-12-10%2008:00:00"},
                    EscapeCase{std::string("\x00\x01\x1F\x7F\t\r\n", 7), "%00%01%1F%7F%09%0D%0A"},
                    EscapeCase{"%2B", "%252B"}));

} // namespace
