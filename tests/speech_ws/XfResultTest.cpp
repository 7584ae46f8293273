#include "speech/XfFrames.h"

#include <gtest/gtest.h>

namespace {

struct ResultCase {
    const char* name;
    const char* message;
    bool parsed;
    int status;
    bool last;
    const char* text;
};

class XfResultTable : public ::testing::TestWithParam<ResultCase> {};

TEST_P(XfResultTable, ReadsStatusLastFlagAndWords) {
    const ResultCase& c = GetParam();
    XfResult result;
    result.text = "left over";
    ASSERT_EQ(ParseXfResult(c.message, result), c.parsed);
    if (!c.parsed) {
        EXPECT_EQ(result.text, "left over"); // a dropped message leaves nothing behind
        return;
    }
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.last, c.last);
    EXPECT_EQ(result.text, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, XfResultTable,
    ::testing::Values(
        ResultCase{
            "WordsInOrder",
            R"({"code":0,"data":{"status":1,"result":{"sn":2,"ls":false,"ws":[)"
            R"({"bg":0,"cw":[{"w":"go","sc":0},{"w":" forward"}]},{"cw":[{"w":" ten"}]}]}}})",
            true, 1, false, "go forward ten"},
        ResultCase{"LastResult",
                   R"({"data":{"status":2,"result":{"ls":true,"ws":[{"cw":[{"w":"。"}]}]}}})", true,
                   2, true, "。"},
        ResultCase{"ErrorReplyWithoutData", R"({"code":10165,"message":"invalid handle"})", true,
                   -1, false, ""},
        ResultCase{"NotJson", "<html>bad gateway</html>", false, 0, false, ""},
        ResultCase{"TopLevelArray", "[1,2,3]", false, 0, false, ""},
        ResultCase{"StatusNotANumber", R"({"data":{"status":"two"}})", false, 0, false, ""},
        ResultCase{"WordIsAnObject",
                   R"({"data":{"status":1,"result":{"ws":[{"cw":[{"w":{"x":1}}]}]}}})", false, 0,
                   false, ""}),
    [](const ::testing::TestParamInfo<ResultCase>& info) { return info.param.name; });

} // namespace
