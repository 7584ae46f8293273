#include "speech/CShStream.h"
#include "speech/JsonFrames.h"
#include "speech_vendors/StreamTestSupport.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <atomic>

namespace {

using namespace std::chrono_literals;
using namespace streamtest;

std::string Reply(int cmd, const std::string& content) {
    Json::Value root;
    root["cmd"] = cmd;
    root["body"]["content"] = content;
    return WriteJsonFrame(root);
}
std::string StateReply(int code, int state) {
    return Reply(27,
                 "{\"code\":" + std::to_string(code) + ",\"state\":" + std::to_string(state) + "}");
}
std::string ResultReply(const std::string& transcript, bool isFinal, bool completed) {
    return Reply(26, std::string("{\"code\":\"0\",\"isFinal\":") + (isFinal ? "true" : "false") +
                         ",\"completed\":\"" + (completed ? "1" : "0") + "\",\"transcript\":\"" +
                         transcript + "\"}");
}

// The state (-1 for an audio message) and the members of a frame the engine sent.
struct SentFrame {
    int cmd = 0;
    Json::Value inner;
};
SentFrame Read(const std::string& frame) {
    Json::Value root;
    EXPECT_TRUE(ReadJsonMessage(frame, root)) << frame;
    return {root["cmd"].asInt(), root["body"]};
}
bool IsState(const std::string& frame, int state) {
    const SentFrame sent = Read(frame);
    return sent.cmd == 27 && sent.inner["body"]["state"].asInt() == state;
}

ShStateFields Fields() {
    ShStateFields fields;
    fields.appKey = "velmora.sample_key.abcdefghi";
    fields.secret = "0123456789abcdefghijklmnopqrstuv0123456789abcdefghijklmnopqrstuv";
    fields.deviceId = "3456789ABCDEFGH";
    fields.language = "en";
    return fields;
}

class ShStreamTest : public testing::Test {
protected:
    std::shared_ptr<CShStream> MakeStream(std::chrono::milliseconds endCap = 10s) {
        auto stream = CShStream::Create(
            m_owner, m_capture.Attach(), [this] { ++m_failedConnections; }, endCap);
        stream->SetStateFields(Fields());
        return stream;
    }

    std::shared_ptr<RecordingOwner> m_owner = std::make_shared<RecordingOwner>();
    TestCapture m_capture;
    std::atomic<int> m_failedConnections{0};
};

// Accepts the start, answers the stop with two sentences and the completion.
void VendorScript(FakeStreamServer& s, const std::string& frame) {
    if (IsState(frame, 0))
        s.Reply(StateReply(8000, 0));
    if (IsState(frame, 1)) {
        s.Reply(ResultReply("one.", true, false));
        s.Reply(ResultReply("tw", false, false));
        s.Reply(ResultReply("two.", true, false));
        s.Reply(ResultReply("", false, true));
    }
}

TEST_F(ShStreamTest, SignedStartAudioAfterAcceptanceSignedStopAndJoinedFinals) {
    FakeStreamServer::Options options;
    options.script = VendorScript;
    FakeStreamServer server(options);
    auto stream = MakeStream();
    ASSERT_TRUE(stream->Open("ws://" + server.HostPort(), 0));
    ASSERT_TRUE(WaitFor([&] { return m_capture.Senders() == 1; }));
    m_capture.Play({std::vector<char>{0, 1, 2}, std::vector<char>{3, 4, 5}});
    ASSERT_TRUE(WaitFor([&] { return !m_owner->Results().empty(); }));
    ASSERT_TRUE(WaitFor([&] { return !stream->IsActive(); }));

    EXPECT_EQ(m_owner->Results(), (std::vector<StreamDelivery>{{"one.two.", true, "apd"}}));
    EXPECT_EQ(server.CloseCodeFromClient(), 1000);
    const std::vector<std::string> frames = server.Frames();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[1], BuildShAudioMessage(reinterpret_cast<const std::uint8_t*>("\0\1\2"), 3));
    EXPECT_EQ(frames[2], BuildShAudioMessage(reinterpret_cast<const std::uint8_t*>("\3\4\5"), 3));
    for (const auto& [index, state] : {std::pair<int, int>{0, 0}, {3, 1}}) {
        const Json::Value body = Read(frames[index]).inner["body"];
        ShStateFields signedFields = Fields();
        signedFields.salt = body["salt"].asString();
        EXPECT_EQ(frames[index], BuildShStateMessage(signedFields, state));
        EXPECT_EQ(body["sign"].asString(), ShSign(signedFields));
    }
}

TEST_F(ShStreamTest, SubtitlesGetEveryTranscriptAndAnEmptyLastOne) {
    FakeStreamServer::Options options;
    options.script = VendorScript;
    FakeStreamServer server(options);
    auto stream = MakeStream();
    ASSERT_TRUE(stream->Open("ws://" + server.HostPort(), 3));
    ASSERT_TRUE(WaitFor([&] { return m_capture.Senders() == 1; }));
    m_capture.Play({});
    ASSERT_TRUE(WaitFor([&] { return m_owner->Results().size() == 5; }));
    ASSERT_TRUE(WaitFor([&] { return !stream->IsActive(); }));
    EXPECT_EQ(m_owner->Results(), (std::vector<StreamDelivery>{{"one.", false, "apd"},
                                                               {"tw", false, "rpl"},
                                                               {"two.", false, "apd"},
                                                               {"", false, "rpl"},
                                                               {"", true, "apd"}}));
}

TEST_F(ShStreamTest, ARefusedStartIsReportedClosedAndStreamsNothing) {
    FakeStreamServer::Options options;
    options.script = [](FakeStreamServer& s, const std::string& frame) {
        if (IsState(frame, 0))
            s.Reply(StateReply(4003, 0));
    };
    FakeStreamServer server(options);
    auto stream = MakeStream();
    ASSERT_TRUE(stream->Open("ws://" + server.HostPort(), 0));
    ASSERT_TRUE(WaitFor([&] { return !m_owner->Failures().empty(); }));
    ASSERT_TRUE(WaitFor([&] { return !stream->IsActive(); }));
    EXPECT_EQ(m_owner->Failures(), (std::vector<std::pair<int, int>>{{2, 0}}));
    EXPECT_EQ(server.CloseCodeFromClient(), 1000);
    EXPECT_EQ(m_capture.Senders(), 0u);
    EXPECT_EQ(server.Frames().size(), 1u);
    EXPECT_TRUE(m_owner->Results().empty());
}

// The stop went out (from the worker) before the vendor accepted the start: no audio follows.
TEST_F(ShStreamTest, AStartReplyAfterTheStopStartsNoSender) {
    FakeStreamServer::Options options;
    options.script = [](FakeStreamServer& s, const std::string& frame) {
        if (IsState(frame, 1)) {
            s.Reply(StateReply(8000, 0));
            s.Reply(ResultReply("", false, true));
        }
    };
    FakeStreamServer server(options);
    auto stream = MakeStream();
    ASSERT_TRUE(stream->Open("ws://" + server.HostPort(), 0));
    ASSERT_TRUE(WaitFor([&] { return server.Frames().size() == 1; }));
    EXPECT_TRUE(stream->SendStopFromWorker());
    EXPECT_FALSE(stream->SendStopFromWorker());
    ASSERT_TRUE(WaitFor([&] { return !m_owner->Results().empty(); }));
    ASSERT_TRUE(WaitFor([&] { return !stream->IsActive(); }));
    EXPECT_EQ(m_capture.Senders(), 0u);
    EXPECT_EQ(server.Frames().size(), 2u);
    EXPECT_EQ(m_owner->Results(), (std::vector<StreamDelivery>{{"", true, "apd"}}));
}

TEST_F(ShStreamTest, AServerThatCannotBeReachedIsUnreachableAndForgotten) {
    std::string address;
    {
        FakeStreamServer gone(FakeStreamServer::Options{});
        address = "ws://" + gone.HostPort();
    }
    auto stream = MakeStream();
    ASSERT_TRUE(stream->Open(address, 0));
    ASSERT_TRUE(WaitFor([&] { return !m_owner->Failures().empty(); }));
    EXPECT_EQ(m_owner->Failures(), (std::vector<std::pair<int, int>>{{1, 0}}));
    EXPECT_EQ(m_failedConnections, 1);
}

TEST_F(ShStreamTest, ASilentVendorIsClosedAfterTheCap) {
    FakeStreamServer::Options options;
    options.script = [](FakeStreamServer& s, const std::string& frame) {
        if (IsState(frame, 0))
            s.Reply(StateReply(8000, 0));
        if (IsState(frame, 1))
            s.Reply(ResultReply("heard.", true, false));
    };
    FakeStreamServer server(options);
    auto stream = MakeStream(300ms);
    ASSERT_TRUE(stream->Open("ws://" + server.HostPort(), 0));
    ASSERT_TRUE(WaitFor([&] { return m_capture.Senders() == 1; }));
    m_capture.Play({});
    ASSERT_TRUE(WaitFor([&] { return server.CloseCodeFromClient() == 1000; }));
    ASSERT_TRUE(WaitFor([&] { return !stream->IsActive(); }));
    EXPECT_EQ(m_owner->Results(), (std::vector<StreamDelivery>{{"heard.", true, "apd"}}));
}

} // namespace
