#include "service/UrlEncode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

TEST(UrlEncode, KeepsUnreservedBytesAndEscapesEverythingElse) {
    const struct {
        std::string text;
        std::string encoded;
    } cases[] = {
        {"", ""},
        {"AZaz09-_.~", "AZaz09-_.~"},
        {"a b", "a+b"},
        {"a+b&c=d#e%f", "a%2Bb%26c%3Dd%23e%25f"},
        {"Thu, 01 Jan 1970 00:00:00 GMT", "Thu%2C+01+Jan+1970+00%3A00%3A00+GMT"},
        {"\xE5\xA4\xA9\xE6\xB0\x94", "%E5%A4%A9%E6%B0%94"},
        {std::string("\x00\x7F\xFF", 3), "%00%7F%FF"},
        {"/?:\n", "%2F%3F%3A%0A"},
        {"New York", "New+York"},
        {"A+B", "A%2BB"},
        {"a.b-c_d~e", "a.b-c_d~e"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UrlEncode(c.text), c.encoded) << c.text;
}

// Catches a wrong entry for any single byte value (a missed unreserved character, a lower-case
// or swapped hex digit, a sign-extended high byte) and an output sized wrong for a run of mixed
// bytes. The expectation is written from the rule, not from the encoder's table.
TEST(UrlEncode, EveryByteValueAloneAndAllTogether) {
    const char* const unreserved =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_.~";
    std::string everyByte;
    std::string expectedAll;
    for (int value = 0; value < 256; ++value) {
        const char byte = static_cast<char>(value);
        std::string expected;
        if (value != 0 && std::strchr(unreserved, value) != nullptr) {
            expected = std::string(1, byte);
        } else if (value == ' ') {
            expected = "+";
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", value);
            expected = escape;
        }
        EXPECT_EQ(UrlEncode(std::string(1, byte)), expected) << "byte " << value;
        everyByte += byte;
        expectedAll += expected;
    }
    EXPECT_EQ(UrlEncode(everyByte), expectedAll);
}

} // namespace
