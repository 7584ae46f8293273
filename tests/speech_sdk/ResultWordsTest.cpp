// The one reader of "ws" results that the SDK engine, the streaming frames and velmora-asr share.
#include "speech/sdk/ResultWords.h"
#include "speech/sdk/ResultFormatter.h"

#include <json/json.h>

#include <gtest/gtest.h>

#include <memory>

using namespace speechsdk;

namespace {

Json::Value Parsed(const std::string& text) {
    Json::Value root;
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &root, nullptr)) << text;
    return root;
}

struct WordsCase {
    const char* ws;
    const char* text;
    bool malformed;
};

// Malformed parts are skipped, never thrown on: a server frame is outside input.
TEST(ResultWordsTest, JoinsEveryWordInOrderAndSkipsWhatIsMalformed) {
    const WordsCase cases[] = {
        {R"([{"cw":[{"w":"go"}]},{"cw":[{"w":" forward"}]}])", "go forward", false},
        {R"([{"cw":[{"w":"a","sc":0},{"w":"b"}]},{"cw":[]}])", "ab", false},
        {R"([])", "", false},
        {R"(null)", "", false},
        {R"({"cw":[{"w":"x"}]})", "", true},
        {R"("text")", "", true},
        {R"([3,{"cw":[{"w":"a"}]}])", "a", true},
        {R"([{"cw":"a"},{"cw":[{"w":"b"}]}])", "b", true},
        {R"([{"cw":[7,"c",{"w":5},{"w":"d"},{"x":"e"}]}])", "d", true},
        {R"([{"cw":[{"w":{"x":1}}]}])", "", true},
        {R"([{"cw":[{"w":"中"}]},{"cw":[{"w":"文"}]}])", "中文", false},
    };
    for (const WordsCase& c : cases) {
        SCOPED_TRACE(c.ws);
        bool malformed = !c.malformed;
        EXPECT_EQ(JoinResultWords(Parsed(c.ws), &malformed), c.text);
        EXPECT_EQ(malformed, c.malformed);
    }
}

TEST(ResultWordsTest, ReadsBackWhatTheFormatterWrites) {
    SentenceResult result;
    result.words = {"go", " forward", " ten", " meters"};
    EXPECT_EQ(JoinResultWords(Parsed(ResultFormatter::Json(result))["ws"]),
              "go forward ten meters");
}

} // namespace
