#include "speech/sdk/ResultFormatter.h"

#include <gtest/gtest.h>

using namespace speechsdk;

namespace {

TEST(ResultFormatterTest, EncodesChineseResultsAsAsked) {
    SentenceResult result;
    result.sn = 3;
    result.last = true;
    result.words = {"\xE4\xB8\xAD", "\xE6\x96\x87", "\xE3\x80\x82"}; // 中 文 。

    SessionParams params;
    params.resultType = ResultType::json;
    EXPECT_EQ(ResultFormatter(params).Format(result),
              "{\"ls\":true,\"sn\":3,\"ws\":[{\"cw\":[{\"w\":\"\xE4\xB8\xAD\"}]},{\"cw\":[{\"w\":"
              "\"\xE6\x96\x87\"}]},{\"cw\":[{\"w\":\"\xE3\x80\x82\"}]}]}");

    params.resultType = ResultType::plain;
    params.resultEncoding = "gb2312";
    EXPECT_EQ(ResultFormatter(params).Format(result), "\xD6\xD0\xCE\xC4\xA1\xA3");
}

TEST(ResultFormatterTest, UnconvertibleAndBrokenTextBecomesQuestionMarks) {
    // An emoji has no GB2312 form; a lone continuation byte is not UTF-8.
    EXPECT_EQ(ResultFormatter::Encoded("a\xF0\x9F\x98\x80"
                                       "b\x80"
                                       "c",
                                       "gb2312"),
              "a?b?c");
    EXPECT_EQ(ResultFormatter::Encoded("as is \xFF", "utf8"), "as is \xFF");
}

TEST(ResultFormatterTest, ProgressiveResultsNameTheRangeTheyReplace) {
    SentenceResult result;
    result.sn = 4;
    result.words = {"go", " forward"};
    result.pgs = "rpl";
    result.replaceFirst = 2;
    result.replaceLast = 3;
    EXPECT_EQ(ResultFormatter::Json(result),
              "{\"ls\":false,\"pgs\":\"rpl\",\"rg\":[2,3],\"sn\":4,\"ws\":[{\"cw\":[{\"w\":"
              "\"go\"}]},{\"cw\":[{\"w\":\" forward\"}]}]}");
}

} // namespace
