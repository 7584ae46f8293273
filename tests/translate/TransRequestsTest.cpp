#include "translate/TransRequests.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kAppId = "2015063000000001";
const std::string kSalt = "1435660288";
const std::string kKey = "12345678";

struct SignCase {
    const char* name;
    std::string text;
    std::string sign;
};

class SignTest : public testing::TestWithParam<SignCase> {};

// Catches a wrong concatenation order, an encoded text in the signature or upper-case digits.
TEST_P(SignTest, IsMd5OfAppIdTextSaltKeyInLowerCaseHex) {
    EXPECT_EQ(transreq::Sign(kAppId, GetParam().text, kSalt, kKey), GetParam().sign);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SignTest,
    testing::Values(SignCase{"word", "apple", "f89f9594663708c1605f3d736d01d2d4"},
                    SignCase{"empty", "", "0d05d6febb3c1557638a82f2450888e7"},
                    SignCase{"unencoded", u8"你好 world", "b1c869dc59421f58f0eaae7b56e1a1ec"}),
    [](const auto& info) { return std::string(info.param.name); });

// Catches a missing or reordered parameter, the target encoded, or the text signed encoded.
TEST(TranslateAddressTest, CarriesEncodedTextTargetAndSignature) {
    EXPECT_EQ(
        transreq::TranslateAddress("http://127.0.0.1:9", u8"a b/é", "jp", kAppId, kSalt, kKey),
        "http://127.0.0.1:9/api/trans/vip/translate?q=a+b%2F%C3%A9&from=auto&to=jp&appid=" +
            kAppId + "&salt=" + kSalt + "&sign=" + transreq::Sign(kAppId, u8"a b/é", kSalt, kKey));
}

TEST(SpeechAddressTest, CarriesEncodedPieceAndSpeechCode) {
    EXPECT_EQ(transreq::SpeechAddress("http://h:1", "hi there", "zh-TW"),
              "http://h:1/translate_tts?ie=UTF-8&q=hi+there&tl=zh-TW&ttsspeed=0.5&total=1&idx=0"
              "&client=tw-ob");
}

struct PiecesCase {
    const char* name;
    std::string text;
    std::vector<std::size_t> sizes;
};

class SpeechPiecesTest : public testing::TestWithParam<PiecesCase> {};

// Catches half characters at a cut, an empty trailing piece and pieces over 100 bytes.
TEST_P(SpeechPiecesTest, CutsAtCharacterBoundariesWithoutEmptyPieces) {
    const auto pieces = transreq::SpeechPieces(GetParam().text);
    std::vector<std::size_t> sizes;
    std::string joined;
    for (const auto& piece : pieces) {
        sizes.push_back(piece.size());
        joined += piece;
    }
    EXPECT_EQ(sizes, GetParam().sizes);
    EXPECT_EQ(joined, GetParam().text);
}

std::string Repeat(const std::string& unit, int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += unit;
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SpeechPiecesTest,
    testing::Values(PiecesCase{"empty", "", {}}, PiecesCase{"short", "hello", {5}},
                    PiecesCase{"exactly200", std::string(200, 'a'), {100, 100}},
                    PiecesCase{"ascii250", std::string(250, 'a'), {100, 100, 50}},
                    // 34 three-byte characters: 102 bytes, the 34th would straddle byte 100.
                    PiecesCase{"chinese", Repeat(u8"中", 34), {99, 3}},
                    PiecesCase{"emoji", "a" + Repeat(u8"😀", 26), {97, 8}},
                    // Not UTF-8 at all: cut where it stands rather than loop.
                    PiecesCase{"strayBytes", std::string(150, '\x80'), {100, 50}}),
    [](const auto& info) { return std::string(info.param.name); });

struct ReplyCase {
    const char* name;
    std::string body;
    std::string translation;
};

class ParseTranslationTest : public testing::TestWithParam<ReplyCase> {};

// Catches a crash or a partial text on a malformed reply, and a lost or reordered "dst".
TEST_P(ParseTranslationTest, JoinsEveryDstOrGivesEmpty) {
    EXPECT_EQ(transreq::ParseTranslation(GetParam().body), GetParam().translation);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ParseTranslationTest,
    testing::Values(ReplyCase{"two",
                              R"({"from":"en","to":"zh","trans_result":[{"src":"a","dst":"甲"},)"
                              R"({"src":"b","dst":"乙"}]})",
                              u8"甲乙"},
                    ReplyCase{"notJson", "<html>busy</html>", ""},
                    ReplyCase{"noResult", R"({"from":"en"})", ""},
                    ReplyCase{"errorObject", R"({"error_code":"54001","error_msg":"Invalid Sign"})",
                              ""},
                    ReplyCase{"resultNotArray", R"({"trans_result":{"dst":"x"}})", ""},
                    ReplyCase{"dstNotText", R"({"trans_result":[{"dst":"x"},{"dst":5}]})", ""},
                    ReplyCase{"array", R"([{"dst":"x"}])", ""}, ReplyCase{"empty", "", ""},
                    ReplyCase{"tooLarge",
                              R"({"trans_result":[{"dst":")" +
                                  std::string(transreq::kMaxReplyBytes, 'x') + R"("}]})",
                              ""}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
