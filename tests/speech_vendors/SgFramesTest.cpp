#include "speech/SgFrames.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(SgFramesTest, ConfigurationMessageIsByteForByteTheVendorsForm) {
    EXPECT_EQ(BuildSgConfigMessage(),
              "{\n\t\"config\" : \n\t{\n\t\t\"encoding\" : \"LINEAR16\",\n\t\t\"language_code\" : "
              "\"zh-cmn-Hans-CN\",\n\t\t\"sample_rate_hertz\" : 16000\n\t},\n\t"
              "\"interim_results\" : true\n}");
}

TEST(SgFramesTest, EndMessageIsNull) {
    EXPECT_EQ(BuildSgEndMessage(), "null");
}

TEST(SgFramesTest, AudioMessageCarriesTheWholeBlockAsBase64) {
    const std::vector<std::uint8_t> block(3200, 0xFB);
    const std::string frame = BuildSgAudioMessage(block.data(), block.size());
    std::string encoded;
    for (int i = 0; i < 3200 / 3; ++i)
        encoded += "+/v7";
    encoded += "+/s=";
    EXPECT_EQ(frame, "{\n\t\"content\" : \"" + encoded + "\"\n}");
}

TEST(SgFramesTest, TokenBodyIsByteForByteTheVendorsForm) {
    EXPECT_EQ(BuildSgTokenBody("AppId27", "a2V5+/==", "0f8c1e2a-3b4d-4c5e-8f60-718293a4b5c6"),
              "{\n\t\"appid\" : \"AppId27\",\n\t\"appkey\" : \"a2V5+/==\",\n\t\"exp\" : "
              "\"3600s\",\n\t\"uuid\" : \"0f8c1e2a-3b4d-4c5e-8f60-718293a4b5c6\"\n}");
}

TEST(SgFramesTest, StreamAddressCarriesOneSetOfQueryKeys) {
    EXPECT_EQ(BuildSgStreamAddress("wss://asr.example:8443/wss/asr/v1/streaming_recognize",
                                   "AppId27", "tok.en-1", "0f8c1e2a-3b4d-4c5e-8f60-718293a4b5c6"),
              "wss://asr.example:8443/wss/asr/v1/streaming_recognize?Appid=AppId27"
              "&Authorization=Bearer+tok.en-1&Uuid=0f8c1e2a-3b4d-4c5e-8f60-718293a4b5c6");
}

struct TokenRow {
    const char* reply;
    const char* token; // nullptr: none
};

class SgTokenReplyTest : public testing::TestWithParam<TokenRow> {};

TEST_P(SgTokenReplyTest, ReadsOnlyANonEmptyStringToken) {
    const std::optional<std::string> token = ParseSgToken(GetParam().reply);
    if (GetParam().token) {
        ASSERT_TRUE(token.has_value());
        EXPECT_EQ(*token, GetParam().token);
    } else {
        EXPECT_FALSE(token.has_value()) << *token;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SgTokenReplyTest,
    testing::Values(TokenRow{R"({"token":"abc.def"})", "abc.def"},
                    TokenRow{R"({"token":"t","expire":3600})", "t"}, TokenRow{"", nullptr},
                    TokenRow{"not json", nullptr}, TokenRow{R"({"token":""})", nullptr},
                    TokenRow{R"({"token":42})", nullptr}, TokenRow{R"({"token":null})", nullptr},
                    TokenRow{R"(["token"])", nullptr}, TokenRow{R"({"code":401})", nullptr}));

struct ResultRow {
    const char* message;
    bool parses;
    const char* text;
    bool isFinal;
};

class SgResultTest : public testing::TestWithParam<ResultRow> {};

TEST_P(SgResultTest, KeepsTheLastTranscriptAndTheLastFinalFlag) {
    SgResult result;
    result.text = "before";
    const bool parsed = ParseSgResult(GetParam().message, result);
    ASSERT_EQ(parsed, GetParam().parses);
    if (!parsed) {
        EXPECT_EQ(result.text, "before");
        return;
    }
    EXPECT_EQ(result.text, GetParam().text);
    EXPECT_EQ(result.isFinal, GetParam().isFinal);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, SgResultTest,
    testing::Values(
        ResultRow{R"({"results":[{"alternatives":[{"transcript":"你好"}],"is_final":false}]})",
                  true, "你好", false},
        ResultRow{R"({"results":[{"alternatives":[{"transcript":"a"},{"transcript":"b"}],)"
                  R"("is_final":true}]})",
                  true, "b", true},
        ResultRow{R"({"results":[{"alternatives":[{"transcript":"a"}],"is_final":true},)"
                  R"({"alternatives":[{"transcript":"c"}],"is_final":false}]})",
                  true, "c", false},
        ResultRow{R"({"results":[]})", true, "", false},
        ResultRow{R"({"results":[{"alternatives":[],"is_final":true}]})", true, "", true},
        ResultRow{R"({"error":{"code":3}})", false, "", false},
        ResultRow{"not json", false, "", false}, ResultRow{"null", false, "", false},
        ResultRow{R"({"results":{"alternatives":[]}})", false, "", false},
        ResultRow{R"({"results":[{"alternatives":[{"transcript":7}]}]})", false, "", false},
        ResultRow{R"({"results":[{"alternatives":[{"transcript":"x"}],"is_final":"yes"}]})", false,
                  "", false},
        ResultRow{R"({"results":[{"alternatives":"x"}]})", false, "", false},
        ResultRow{R"({"results":[3]})", false, "", false}));

struct DeliveryRow {
    int voiceMode;
    bool isFinal;
    bool delivered;
    const char* mode;
};

class SgDeliveryTest : public testing::TestWithParam<DeliveryRow> {};

TEST_P(SgDeliveryTest, SubtitlesGetInterimTextsOtherModesOnlyFinals) {
    const DeliveryRow& row = GetParam();
    const std::optional<StreamDelivery> delivery =
        SgDeliveryFor({"text", row.isFinal}, row.voiceMode);
    ASSERT_EQ(delivery.has_value(), row.delivered);
    if (delivery) {
        EXPECT_EQ(*delivery, (StreamDelivery{"text", false, row.mode}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SgDeliveryTest,
    testing::Values(DeliveryRow{3, false, true, "rpl"}, DeliveryRow{3, true, true, "apd"},
                    DeliveryRow{0, false, false, ""}, DeliveryRow{0, true, true, "apd"},
                    DeliveryRow{1, false, false, ""}, DeliveryRow{1, true, true, "apd"},
                    DeliveryRow{2, false, false, ""}, DeliveryRow{2, true, true, "apd"}));

} // namespace
