#include "service/CUpdateChecker.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace {

struct VersionCase {
    const char* a;
    const char* b;
    std::optional<int> expected; // nothing: refused
};

std::ostream& operator<<(std::ostream& out, const VersionCase& c) {
    return out << '"' << c.a << "\" vs \"" << c.b << '"';
}

class CompareVersionsTable : public testing::TestWithParam<VersionCase> {};

TEST_P(CompareVersionsTable, OrdersAsTheSegmentsSay) {
    const VersionCase& c = GetParam();
    EXPECT_EQ(CUpdateChecker::CompareVersions(c.a, c.b), c.expected);
}

const std::string kLongSegment(32, '1');
const std::string kLongest(31, '1');
const std::string kLongVersion = "1." + kLongSegment + ".0";
const std::string kLongestVersion = "1." + kLongest + ".0";
const std::string kLongRest = "1.0." + kLongSegment;

INSTANTIATE_TEST_SUITE_P(
    UpdateChecker, CompareVersionsTable,
    testing::Values(VersionCase{"1.0.0", "1.0.0", 0}, VersionCase{"1.0.10", "1.0.9", 1},
                    VersionCase{"1.0.9", "1.0.10", -1}, VersionCase{"1.1", "1.0.5", 1},
                    VersionCase{"1.0.5\n", "1.0.5", 0}, VersionCase{"1.0.5\r\n", "1.0.5", 0},
                    VersionCase{"2.0", "1.9.9", 1}, VersionCase{"1.9.9", "2.0", -1},
                    VersionCase{"1.2.0", "1.10.0", -1}, VersionCase{"01.0.0", "1.0.0", 0},
                    VersionCase{"1..1", "1..0", 1}, VersionCase{"", "", 0},
                    VersionCase{"1", "0.9", 1},
                    // Longer than any machine integer, still ordered by value.
                    VersionCase{"123456789012345678901234567891.0",
                                "123456789012345678901234567890.9", 1},
                    VersionCase{kLongVersion.c_str(), "1.0.0", std::nullopt},
                    VersionCase{"1.0.0", kLongVersion.c_str(), std::nullopt},
                    VersionCase{kLongRest.c_str(), "1.0.0", std::nullopt},
                    VersionCase{kLongestVersion.c_str(), "1.0.0", 1}));

} // namespace
