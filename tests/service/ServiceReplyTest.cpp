#include "service/ServiceReply.h"

#include <gtest/gtest.h>

namespace {

struct ReplyCase {
    const char* body;
    bool parsed;
    bool ok;
    const char* rc;
    const char* msg;
};

TEST(ServiceReply, ReadsTheEnvelopeOfEveryKindOfBody) {
    const ReplyCase cases[] = {
        {R"({"rc":0,"msg":"ok","data":{"id":7}})", true, true, "0", "ok"},
        {R"({"rc":"0","data":[1,2]})", true, true, "0", ""},
        {R"({"rc":1,"msg":"\u5BC6\u7801\u9519\u8BEF"})", true, false, "1",
         "\xE5\xAF\x86\xE7\xA0\x81\xE9\x94\x99\xE8\xAF\xAF"},
        {R"({"rc":"-1","msg":"busy"})", true, false, "-1", "busy"},
        {R"({"msg":"no rc"})", true, false, "", "no rc"},
        {R"({"rc":null})", true, false, "", ""},
        {R"({"rc":"","msg":7})", true, false, "", "7"},
        {R"({"rc":false})", true, false, "false", ""},
        {R"({"rc":[0],"msg":{"a":1}})", true, false, "", ""},
        {R"({"rc":{"code":0}})", true, false, "", ""},
        {R"([{"rc":0}])", true, false, "", ""},
        {"0", true, false, "", ""},
        {"", false, false, "", ""},
        {"<html>502 Bad Gateway</html>", false, false, "", ""},
        {R"({"rc":0,)", false, false, "", ""},
    };
    for (const ReplyCase& c : cases) {
        SCOPED_TRACE(c.body);
        const ServiceReply reply = ServiceReply::Parse(c.body);
        EXPECT_EQ(reply.parsed, c.parsed);
        EXPECT_EQ(reply.ok, c.ok);
        EXPECT_EQ(reply.rc, c.rc);
        EXPECT_EQ(reply.msg, c.msg);
    }
}

TEST(ServiceReply, KeepsTheDataPayloadAsItCame) {
    const ServiceReply object = ServiceReply::Parse(R"({"rc":0,"data":{"id":42,"phone":"138"}})");
    EXPECT_EQ(object.data["id"].asInt(), 42);
    EXPECT_EQ(object.data["phone"].asString(), "138");

    const ServiceReply list = ServiceReply::Parse(R"({"rc":"0","data":[{"code":"86"},{}]})");
    ASSERT_TRUE(list.data.isArray());
    EXPECT_EQ(list.data.size(), 2u);

    EXPECT_TRUE(ServiceReply::Parse(R"({"rc":0})").data.isNull());
}

} // namespace
