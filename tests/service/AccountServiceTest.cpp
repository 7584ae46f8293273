#include "service/AccountService.h"
#include "service/FeedbackRequest.h"

#include "support/LocalHttpServer.h"

#include <json/reader.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

using Outcome = account::SignInResult::Outcome;

Json::Value JsonOf(const std::string& text) {
    Json::Value root;
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &root, &errors)) << text;
    return root;
}

TEST(AccountPaths, CarryEveryValueEscapedInTheServicesOrder) {
    EXPECT_EQ(account::VerifyCodePath("138 0", "86", "code"),
              "/api/getLoginVerifyCode.json?phone=138%200&country=86&mark=code");
    EXPECT_EQ(account::VerifyCodePath("1380", "852", ""),
              "/api/getLoginVerifyCode.json?phone=1380&country=852&mark=");
    EXPECT_EQ(account::RegisterPath("1380", "1234", "p&w=1"),
              "/api/registerAndModifyPwd.json?phone=1380&code=1234&password=p%26w%3D1&mark=");
    EXPECT_EQ(account::CodeSignInPath("1380", "12#4"),
              "/api/recordLogin.json?phone=1380&code=12%234");
    EXPECT_EQ(account::PasswordSignInPath("1380", "a+b c\xE5\xAF\x86"),
              "/api/recordLogin.json?name=1380&password=a%2Bb%20c\xE5\xAF\x86");
    EXPECT_EQ(account::CountryCodesPath(), "/api/showCountryCodeList.json");
}

TEST(AccountPaths, CallingCodeIsTheTextAfterTheFirstPlus) {
    EXPECT_EQ(account::CallingCodeDigits("+852"), "852");
    EXPECT_EQ(account::CallingCodeDigits("86"), "86");
    EXPECT_EQ(account::CallingCodeDigits("a+1+2"), "1+2");
    EXPECT_EQ(account::CallingCodeDigits(""), "");
}

struct CountryCase {
    const char* body;
    bool parsed;
    std::vector<std::string> codes;
};

class CountryCodesTest : public testing::TestWithParam<CountryCase> {};

TEST_P(CountryCodesTest, ListsEachElementsCodeInOrder) {
    std::vector<std::string> codes{"+1"}; // a list left from before
    EXPECT_EQ(account::ParseCountryCodes(GetParam().body, codes), GetParam().parsed);
    if (GetParam().parsed)
        EXPECT_EQ(codes, GetParam().codes);
    else
        EXPECT_EQ(codes, std::vector<std::string>{"+1"});
}

INSTANTIATE_TEST_SUITE_P(
    Replies, CountryCodesTest,
    testing::Values(
        CountryCase{
            R"([{"countryCode":"86","countryCn":"x"},{"countryCode":852}])", true, {"+86", "+852"}},
        CountryCase{"[]", true, {}},
        CountryCase{R"({"rc":"0","data":[{"countryCode":"86"}]})", true, {}},
        CountryCase{R"("86")", true, {}},
        CountryCase{R"([1,null,{"countryCode":[86]},{"countryCode":{}},{"countryCode":"1"}])",
                    true,
                    {"+1"}},
        CountryCase{"not json", false, {}}, CountryCase{"", false, {}}));

struct RecordCase {
    const char* data;
    long long id;
    const char* phone;
    const char* age;
    bool isNew;
};

class UserRecordTest : public testing::TestWithParam<RecordCase> {};

TEST_P(UserRecordTest, ReadsFieldsOfAnyTypeWithoutThrowing) {
    UserRecord record;
    ASSERT_NO_THROW(record = UserRecord::FromJson(JsonOf(GetParam().data)));
    EXPECT_EQ(record.id, GetParam().id);
    EXPECT_EQ(record.phone, GetParam().phone);
    EXPECT_EQ(record.age, GetParam().age);
    EXPECT_EQ(record.isNew, GetParam().isNew);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, UserRecordTest,
    testing::Values(
        RecordCase{R"({"id":42,"phone":"1380","age":"30","new":true})", 42, "1380", "30", true},
        RecordCase{R"({"id":"42","phone":13800,"age":30,"new":1})", 42, "13800", "30", true},
        RecordCase{R"({"id":"4x2","phone":[1],"age":{"a":1},"new":"yes"})", 0, "", "", false},
        RecordCase{R"({"id":null,"phone":null,"age":false,"new":null})", 0, "", "", false},
        RecordCase{R"({"id":[42],"phone":{},"age":true})", 0, "", "", false},
        RecordCase{R"({"id":1.5e300})", 0, "", "", false},
        RecordCase{R"({"id":"99999999999999999999"})", 0, "", "", false},
        // Flags beyond the signed 64-bit range, as an unsigned and as a real number.
        RecordCase{R"({"new":18446744073709551615})", 0, "", "", true},
        RecordCase{R"({"new":1e19})", 0, "", "", true},
        RecordCase{R"({"new":-1e300})", 0, "", "", false},
        RecordCase{R"({"new":0.5})", 0, "", "", false},
        RecordCase{R"({"new":0.0})", 0, "", "", false}, RecordCase{R"({})", 0, "", "", false},
        RecordCase{"[1,2]", 0, "", "", false}, RecordCase{R"("text")", 0, "", "", false}));

struct ReplyCase {
    const char* body;
    Outcome outcome;
    const char* msg;
    long long id;
};

class SignInReplyTest : public testing::TestWithParam<ReplyCase> {};

TEST_P(SignInReplyTest, TellsSignedInOnlyForRcZeroWithARecord) {
    const account::SignInResult result = account::ReadSignInReply(GetParam().body);
    EXPECT_EQ(result.outcome, GetParam().outcome);
    EXPECT_EQ(result.msg, GetParam().msg);
    EXPECT_EQ(result.record.id, GetParam().id);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SignInReplyTest,
    testing::Values(ReplyCase{R"({"rc":"0","msg":"ok","data":{"id":7,"phone":"1"}})",
                              Outcome::SignedIn, "ok", 7},
                    ReplyCase{R"({"rc":0,"data":{}})", Outcome::SignedIn, "", 0},
                    ReplyCase{R"({"rc":"0","msg":"ok"})", Outcome::NoRecord, "ok", 0},
                    ReplyCase{R"({"rc":"0","data":[{"id":7}]})", Outcome::NoRecord, "", 0},
                    ReplyCase{R"({"rc":"0","data":"7"})", Outcome::NoRecord, "", 0},
                    ReplyCase{R"({"rc":"1","msg":"wrong","data":{"id":7}})", Outcome::Refused,
                              "wrong", 0},
                    ReplyCase{R"({"msg":"no rc"})", Outcome::Refused, "no rc", 0},
                    ReplyCase{"<html>", Outcome::NotJson, "", 0},
                    ReplyCase{"", Outcome::NotJson, "", 0}));

TEST(SignInCall, SendsThePathAsBuiltAndReadsTheRecord) {
    testsupport::LocalHttpServer server(
        testsupport::HttpReply(200, R"({"rc":"0","msg":"ok","data":{"id":5,"phone":"1380"}})"));
    const std::string path = account::PasswordSignInPath("1380", "a b&c");
    const account::SignInResult result =
        account::RunSignInCall(account::SignInCall::PasswordSignIn, server.Origin() + path);
    ASSERT_TRUE(server.WaitForRequests(1, std::chrono::seconds(30)));
    EXPECT_EQ(server.Requests()[0].target, "/api/recordLogin.json?name=1380&password=a%20b%26c");
    EXPECT_EQ(result.outcome, Outcome::SignedIn);
    EXPECT_EQ(result.record.phone, "1380");
}

TEST(SignInCall, AStatusOtherThan200IsATransferFailure) {
    testsupport::LocalHttpServer server(testsupport::HttpReply(500, R"({"rc":"0","data":{}})"));
    const account::SignInResult result = account::RunSignInCall(
        account::SignInCall::CodeSignIn, server.Origin() + account::CodeSignInPath("1", "2"));
    EXPECT_EQ(result.outcome, Outcome::TransferFailed);
}

TEST(FeedbackBody, KeepsTheOrderAndSendsDeviceIdsOnlyWhenAsked) {
    FeedbackRequest request;
    request.devType = "mouse";
    request.content = "a&b c+d";
    request.phone = "1380";
    request.vid = "6352";
    request.pid = "C098";
    request.sn = "SN1";
    request.channelName = "chan";
    request.macAddr = "00-1A-2B-3C-4D-5E";
    request.clientVersion = "1.0.0";
    request.feedbackTime = "2026-12-10 08:00:00";
    EXPECT_EQ(request.Body(), "devType=mouse&content=a%26b%20c%2Bd&phone=1380&channelName=chan"
                              "&macAddr=00-1A-2B-3C-4D-5E&clientversion=1.0.0"
                              "&feedbackTime=2026-12-10%2008:00:00");
    request.withDeviceIds = true;
    EXPECT_EQ(request.Body(), "devType=mouse&content=a%26b%20c%2Bd&phone=1380&vid=6352&pid=C098"
                              "&sn=SN1&channelName=chan&macAddr=00-1A-2B-3C-4D-5E"
                              "&clientversion=1.0.0&feedbackTime=2026-12-10%2008:00:00");
}

TEST(FeedbackTime, IsALocalTimeOfTheFormsShape) {
    const std::string now = FeedbackTimeNow();
    ASSERT_EQ(now.size(), 19u) << now;
    EXPECT_EQ(now[4], '-');
    EXPECT_EQ(now[10], ' ');
    EXPECT_EQ(now[13], ':');
}

} // namespace
