#include "service/UpdateFiles.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

struct VersionCase {
    std::string text;
    std::optional<std::string> version;
};

class VersionTexts : public ::testing::TestWithParam<VersionCase> {};

TEST_P(VersionTexts, FirstLineWhenItIsDigitsAndDots) {
    EXPECT_EQ(updatefiles::ParseVersionText(GetParam().text), GetParam().version);
}

INSTANTIATE_TEST_SUITE_P(UpdateFiles, VersionTexts,
                         ::testing::Values(VersionCase{"1.0.10\n", "1.0.10"},
                                           VersionCase{"\xEF\xBB\xBF 2.3 \r\nx", "2.3"},
                                           VersionCase{"7", "7"}, VersionCase{"", std::nullopt},
                                           VersionCase{"...\n", std::nullopt},
                                           VersionCase{"\n1.0", std::nullopt},
                                           VersionCase{"<html>404</html>", std::nullopt},
                                           VersionCase{"1.0 beta", std::nullopt},
                                           VersionCase{std::string("1.\0"
                                                                   "2",
                                                                   4),
                                                       std::nullopt},
                                           VersionCase{"\xEF\xBB", std::nullopt}));

const std::string kDigest = "9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08";
const std::string kLower = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";

struct DigestCase {
    std::string body;
    std::optional<std::string> digest;
};

class ChecksumLists : public ::testing::TestWithParam<DigestCase> {};

TEST_P(ChecksumLists, LowerCaseDigestListedForTheFileName) {
    EXPECT_EQ(updatefiles::FindListedDigest(GetParam().body, "velmora.deb"), GetParam().digest);
}

INSTANTIATE_TEST_SUITE_P(
    UpdateFiles, ChecksumLists,
    ::testing::Values(DigestCase{kDigest + "  velmora.deb\n", kLower},
                      DigestCase{"junk\n" + kLower + " *dist/velmora.deb", kLower},
                      DigestCase{kLower + "  other.deb\n", std::nullopt},
                      DigestCase{kLower + "\tvelmora.deb", std::nullopt},
                      DigestCase{kLower.substr(1) + "  velmora.deb", std::nullopt},
                      DigestCase{"g" + kLower.substr(1) + "  velmora.deb", std::nullopt},
                      DigestCase{kLower + "  ", std::nullopt}, DigestCase{"", std::nullopt}));

} // namespace
