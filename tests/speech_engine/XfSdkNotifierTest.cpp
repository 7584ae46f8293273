#include "RecordingCallBack.h"

#include "speech/XfSdkNotifier.h"

#include <gtest/gtest.h>

namespace {

TEST(XfSdkNotifierTest, ResultsBecomeTheirConcatenatedWords) {
    struct Case {
        const char* name;
        const char* json;
        const char* text;
        const char* mode;
    };
    const Case cases[] = {
        {"words of every sentence piece in order",
         R"({"sn":1,"ls":false,"ws":[{"cw":[{"w":"go"}]},{"cw":[{"w":" forward"}]}]})",
         "go forward", "apd"},
        {"every candidate of a piece",
         R"({"ws":[{"bg":0,"cw":[{"w":"ten","sc":0},{"w":" tan"}]},{"cw":[{"w":"."}]}]})",
         "ten tan.", "apd"},
        {"progressive replacement keeps its mode",
         R"({"sn":2,"pgs":"rpl","rg":[1,1],"ws":[{"cw":[{"w":"meters"}]}]})", "meters", "rpl"},
        {"progressive append", R"({"pgs":"apd","ws":[{"cw":[{"w":"好"}]}]})", "好", "apd"},
        {"no words at the end of a session", R"({"sn":3,"ls":true,"ws":[]})", "", "apd"},
        {"unusable members are skipped",
         R"({"ws":[5,{"cw":"x"},{"cw":[{"w":7},{"x":"y"},{"w":"ok"}]}],"pgs":3})", "ok", "apd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingCallBack owner;
        MakeXfSdkNotifier(&owner).onResult(c.json, true);
        const auto results = owner.Results();
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].text, c.text);
        EXPECT_EQ(results[0].mode, c.mode);
        EXPECT_TRUE(results[0].last);
    }
}

TEST(XfSdkNotifierTest, ResultsThatAreNotJsonObjectsAreDropped) {
    RecordingCallBack owner;
    const SpeechRecNotifier notifier = MakeXfSdkNotifier(&owner);
    // Plain results (the default parameter text asks for them), including ones that happen to
    // be JSON values of another kind.
    for (const char* text : {"go forward ten meters", "", "123", "[1,2]", "\"w\"", "{\"ws\":["})
        notifier.onResult(text, true);
    EXPECT_TRUE(owner.Results().empty());
}

TEST(XfSdkNotifierTest, OnlyTheEndOfSpeechReachesTheOwner) {
    RecordingCallBack owner;
    const SpeechRecNotifier notifier = MakeXfSdkNotifier(&owner);
    notifier.onSpeechEnd(10100);
    EXPECT_EQ(owner.SpeechEnds(), 0);
    notifier.onSpeechEnd(0);
    EXPECT_EQ(owner.SpeechEnds(), 1);
}

} // namespace
