#include "speech/ShFrames.h"
#include "speech/CShResults.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

ShStateFields SampleFields() {
    ShStateFields fields;
    fields.appKey = "velmora.sample_key.abcdefghi";
    fields.deviceId = ShDeviceId("SN0123456789ABCDEFGH");
    fields.language = "en";
    fields.salt = "1700000000123";
    fields.secret = "0123456789abcdefghijklmnopqrstuv0123456789abcdefghijklmnopqrstuv";
    return fields;
}

TEST(ShFramesTest, SignOfTheSampleIsTheVendorsExample) {
    EXPECT_EQ(ShSign(SampleFields()), "E1FF50332D53129F5095D9698FC90E65");
}

struct DeviceIdRow {
    const char* serial;
    const char* id;
};

class ShDeviceIdTest : public testing::TestWithParam<DeviceIdRow> {};

TEST_P(ShDeviceIdTest, KeepsTheLastFifteenCharacters) {
    EXPECT_EQ(ShDeviceId(GetParam().serial), GetParam().id);
}

INSTANTIATE_TEST_SUITE_P(Serials, ShDeviceIdTest,
                         testing::Values(DeviceIdRow{"SN0123456789ABCDEFGH", "3456789ABCDEFGH"},
                                         DeviceIdRow{"0123456789ABCDE", "0123456789ABCDE"},
                                         DeviceIdRow{"0123456789ABCDEF", "123456789ABCDEF"},
                                         DeviceIdRow{"SHORT", "SHORT"}, DeviceIdRow{"", ""}));

TEST(ShFramesTest, StateMessageIsByteForByteTheVendorsForm) {
    EXPECT_EQ(BuildShStateMessage(SampleFields(), 1),
              "{\n\t\"body\" : \n\t{\n\t\t\"body\" : \n\t\t{\n"
              "\t\t\t\"appKey\" : \"velmora.sample_key.abcdefghi\",\n"
              "\t\t\t\"deviceId\" : \"3456789ABCDEFGH\",\n"
              "\t\t\t\"encoding\" : \"1\",\n"
              "\t\t\t\"lang\" : \"en\",\n"
              "\t\t\t\"messageId\" : \"1001\",\n"
              "\t\t\t\"salt\" : \"1700000000123\",\n"
              "\t\t\t\"sign\" : \"E1FF50332D53129F5095D9698FC90E65\",\n"
              "\t\t\t\"state\" : 1\n\t\t}\n\t},\n"
              "\t\"cmd\" : 27,\n\t\"flags\" : 16,\n\t\"lrc\" : 0,\n\t\"sessionId\" : 100\n}");
}

TEST(ShFramesTest, AudioMessageIsByteForByteTheVendorsForm) {
    const std::uint8_t block[] = {0x00, 0x01, 0xFF, 0x7F};
    EXPECT_EQ(BuildShAudioMessage(block, sizeof(block)),
              "{\n\t\"body\" : \n\t{\n\t\t\"audiobuffer\" : \"AAH/fw==\"\n\t},\n"
              "\t\"cmd\" : 26,\n\t\"flags\" : 16,\n\t\"lrc\" : 0,\n\t\"sessionId\" : 0\n}");
}

TEST(ShFramesTest, SaltIsTheTimeInMilliseconds) {
    const std::string salt = ShSaltNow();
    EXPECT_EQ(salt.find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(salt.size(), 13u); // until the year 2286
}

struct ListRow {
    const char* body;
    std::vector<std::string> servers;
};

class ShServerListTest : public testing::TestWithParam<ListRow> {};

TEST_P(ShServerListTest, SplitsAtCommasTrimsAndDropsEmptyEntries) {
    EXPECT_EQ(ParseShServerList(GetParam().body), GetParam().servers);
}

INSTANTIATE_TEST_SUITE_P(Bodies, ShServerListTest,
                         testing::Values(ListRow{"10.0.0.1:8080", {"10.0.0.1:8080"}},
                                         ListRow{"a:1,b:2,c:3", {"a:1", "b:2", "c:3"}},
                                         ListRow{" a:1 ,\tb:2\r\n", {"a:1", "b:2"}},
                                         ListRow{"a:1,,b:2,", {"a:1", "b:2"}}, ListRow{"", {}},
                                         ListRow{" , ,\n", {}}));

struct ReplyRow {
    const char* message;
    bool parses;
    int cmd;
    int code;
    int state;
    bool isFinal;
    bool completed;
    const char* transcript;
};

class ShReplyTest : public testing::TestWithParam<ReplyRow> {};

TEST_P(ShReplyTest, ReadsTheMembersOfItsCommand) {
    ShReply reply;
    const ReplyRow& row = GetParam();
    ASSERT_EQ(ParseShReply(row.message, reply), row.parses);
    if (!row.parses)
        return;
    EXPECT_EQ(reply.cmd, row.cmd);
    EXPECT_EQ(reply.code, row.code);
    EXPECT_EQ(reply.state, row.state);
    EXPECT_EQ(reply.isFinal, row.isFinal);
    EXPECT_EQ(reply.completed, row.completed);
    EXPECT_EQ(reply.transcript, row.transcript);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ShReplyTest,
    testing::Values(ReplyRow{R"({"cmd":27,"body":{"content":"{\"code\":8000,\"state\":0}"}})", true,
                             27, 8000, 0, false, false, ""},
                    ReplyRow{R"({"cmd":27,"body":{"content":"{\"code\":4001,\"state\":1}"}})", true,
                             27, 4001, 1, false, false, ""},
                    ReplyRow{R"({"cmd":26,"body":{"content":"{\"code\":\"0\",\"isFinal\":true,)"
                             R"(\"completed\":\"0\",\"transcript\":\"hello\"}"}})",
                             true, 26, 0, -1, true, false, "hello"},
                    ReplyRow{R"({"cmd":26,"body":{"content":"{\"code\":\"0\",\"isFinal\":false,)"
                             R"(\"completed\":\"1\",\"transcript\":\"\"}"}})",
                             true, 26, 0, -1, false, true, ""},
                    ReplyRow{R"({"cmd":99})", true, 99, 0, -1, false, false, ""},
                    ReplyRow{"not json", false, 0, 0, 0, false, false, ""},
                    ReplyRow{R"({"cmd":"27"})", false, 0, 0, 0, false, false, ""},
                    ReplyRow{R"({"cmd":27,"body":{"content":"not json"}})", false, 0, 0, 0, false,
                             false, ""},
                    ReplyRow{R"({"cmd":27,"body":{"content":{"code":8000}}})", false, 0, 0, 0,
                             false, false, ""},
                    ReplyRow{R"({"cmd":27,"body":{"content":"{\"code\":\"8000\"}"}})", false, 0, 0,
                             0, false, false, ""},
                    ReplyRow{R"({"cmd":26,"body":{"content":"{\"isFinal\":\"true\"}"}})", false, 0,
                             0, 0, false, false, ""},
                    ReplyRow{R"({"cmd":26,"body":{"content":"{\"transcript\":5}"}})", false, 0, 0,
                             0, false, false, ""},
                    ReplyRow{R"({"cmd":26})", false, 0, 0, 0, false, false, ""}));

ShReply Result(const char* transcript, bool isFinal, bool completed = false) {
    ShReply reply;
    reply.cmd = kShResultCommand;
    reply.resultCode = "0";
    reply.transcript = transcript;
    reply.isFinal = isFinal;
    reply.completed = completed;
    return reply;
}

struct StreamRow {
    int voiceMode;
    std::vector<StreamDelivery> expected;
};

class ShResultsTest : public testing::TestWithParam<StreamRow> {};

// Two sentences, an interim text of the second, then the completion.
TEST_P(ShResultsTest, DeliversByVoiceMode) {
    CShResults results;
    results.StreamOpened();
    std::vector<StreamDelivery> delivered;
    for (const ShReply& reply : {Result("one.", true), Result("tw", false), Result("two.", true),
                                 Result("", false, true)}) {
        const auto due = results.OnResult(reply, GetParam().voiceMode);
        delivered.insert(delivered.end(), due.begin(), due.end());
    }
    EXPECT_EQ(delivered, GetParam().expected);
    EXPECT_TRUE(results.OnStreamEnded(GetParam().voiceMode).empty());
    EXPECT_TRUE(results.OnResult(Result("late", true, true), GetParam().voiceMode).empty());
}

INSTANTIATE_TEST_SUITE_P(Modes, ShResultsTest,
                         testing::Values(StreamRow{0, {{"one.two.", true, "apd"}}},
                                         StreamRow{1, {{"one.two.", true, "apd"}}},
                                         StreamRow{2, {{"one.two.", true, "apd"}}},
                                         StreamRow{3,
                                                   {{"one.", false, "apd"},
                                                    {"tw", false, "rpl"},
                                                    {"two.", false, "apd"},
                                                    {"", false, "rpl"},
                                                    {"", true, "apd"}}}));

TEST(ShResultsStreamTest, ANewStreamDoesNotRetypeTheLastOnesText) {
    CShResults results;
    results.StreamOpened();
    results.OnResult(Result("old.", true, true), 0);
    results.StreamOpened();
    EXPECT_EQ(results.OnResult(Result("new.", true, true), 0),
              (std::vector<StreamDelivery>{{"new.", true, "apd"}}));
}

TEST(ShResultsStreamTest, AStreamEndedWithoutCompletionDeliversWhatItHasOnce) {
    CShResults results;
    results.StreamOpened();
    results.OnResult(Result("kept.", true), 0);
    EXPECT_EQ(results.OnStreamEnded(0), (std::vector<StreamDelivery>{{"kept.", true, "apd"}}));
    EXPECT_TRUE(results.OnStreamEnded(0).empty());
}

TEST(ShResultsStreamTest, ADroppedStreamDeliversNothing) {
    CShResults results;
    results.StreamOpened();
    results.Drop();
    EXPECT_TRUE(results.OnStreamEnded(0).empty());
}

} // namespace
