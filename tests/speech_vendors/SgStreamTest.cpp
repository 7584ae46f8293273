#include "TestPki.h"
#include "speech/CSgStream.h"
#include "speech/SgFrames.h"
#include "speech_vendors/StreamTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

using namespace std::chrono_literals;
using namespace streamtest;

const char kResource[] = "/wss/asr/v1/streaming_recognize";
const char kAppId[] = "AppId0123456789abcdefghijkl";
const char kToken[] = "tok.en-value";
const char kUuid[] = "0f8c1e2a-3b4d-4c5e-8f60-718293a4b5c6";

std::string Result(const std::string& text, bool isFinal) {
    return R"({"results":[{"alternatives":[{"transcript":")" + text + R"("}],"is_final":)" +
           (isFinal ? "true" : "false") + "}]}";
}

FakeStreamServer::Options TrustedServer(FakeStreamServer::Script script) {
    FakeStreamServer::Options options;
    options.certFile = SharedPki().trustedCert;
    options.keyFile = SharedPki().trustedKey;
    options.script = std::move(script);
    return options;
}

class SgStreamTest : public testing::Test {
protected:
    std::shared_ptr<CSgStream> MakeStream(std::chrono::milliseconds endCap = 10s) {
        return CSgStream::Create(
            SharedPki().trustedCa, m_owner, m_capture.Attach(), [this] { ++m_refusals; }, endCap);
    }
    std::string AddressOf(const FakeStreamServer& server) const {
        return BuildSgStreamAddress(server.Address(kResource), kAppId, kToken, kUuid);
    }

    std::shared_ptr<RecordingOwner> m_owner = std::make_shared<RecordingOwner>();
    TestCapture m_capture;
    std::atomic<int> m_refusals{0};
};

struct ModeRow {
    int voiceMode;
    std::vector<StreamDelivery> expected;
};

class SgSessionTest : public SgStreamTest, public testing::WithParamInterface<ModeRow> {};

// The vendor answers the first block with an interim text and the end message with the final
// one, then closes the stream.
TEST_P(SgSessionTest, StreamsExactFramesAndDeliversByVoiceMode) {
    FakeStreamServer server(TrustedServer([](FakeStreamServer& s, const std::string& frame) {
        if (frame.find("\"content\" : \"QUFB") != std::string::npos)
            s.Reply(Result("你", false));
        if (frame == "null") {
            s.Reply(Result("你好", true));
            s.CloseConnection(1000);
        }
    }));
    ASSERT_TRUE(server.Listening());
    auto stream = MakeStream();
    ASSERT_TRUE(stream->Open(AddressOf(server), GetParam().voiceMode));
    ASSERT_TRUE(WaitFor([&] { return m_capture.Senders() == 1; }));
    m_capture.Play({Block('A'), Block('B')});
    ASSERT_TRUE(WaitFor([&] { return m_owner->Results().size() == GetParam().expected.size(); }));
    ASSERT_TRUE(WaitFor([&] { return !stream->IsActive(); }));

    EXPECT_EQ(server.Resources(),
              std::vector<std::string>{std::string(kResource) + "?Appid=" + kAppId +
                                       "&Authorization=Bearer+" + kToken + "&Uuid=" + kUuid});
    const auto block = [](char fill) {
        const auto bytes = Block(fill);
        return BuildSgAudioMessage(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                   bytes.size());
    };
    EXPECT_EQ(server.Frames(),
              (std::vector<std::string>{BuildSgConfigMessage(), block('A'), block('B'), "null"}));
    EXPECT_EQ(m_owner->Results(), GetParam().expected);
    EXPECT_TRUE(m_owner->Failures().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SgSessionTest,
    testing::Values(ModeRow{0, {{"你好", false, "apd"}, {"", true, "apd"}}},
                    ModeRow{3, {{"你", false, "rpl"}, {"你好", false, "apd"}, {"", true, "apd"}}}));

TEST_F(SgStreamTest, UntrustedCertificateIsUnreachable) {
    FakeStreamServer::Options options;
    options.certFile = SharedPki().strangerCert;
    options.keyFile = SharedPki().strangerKey;
    FakeStreamServer server(options);
    auto stream = MakeStream();
    ASSERT_TRUE(stream->Open(AddressOf(server), 0));
    ASSERT_TRUE(WaitFor([&] { return !m_owner->Failures().empty(); }));
    ASSERT_TRUE(WaitFor([&] { return !stream->IsActive(); }));
    EXPECT_EQ(m_owner->Failures(), (std::vector<std::pair<int, int>>{{1, 0}}));
    EXPECT_EQ(server.Opens(), 0);
    EXPECT_EQ(m_refusals, 0);
    EXPECT_TRUE(m_owner->Results().empty());
}

struct UpgradeRow {
    int httpStatus;
    int reason;
    int refusals;
};

class SgUpgradeTest : public SgStreamTest, public testing::WithParamInterface<UpgradeRow> {};

TEST_P(SgUpgradeTest, ARefusedUpgradeIsReportedAndForgetsTheTokenOnlyWhenRefused) {
    FakeStreamServer::Options options = TrustedServer(nullptr);
    options.refuseStatus = GetParam().httpStatus;
    FakeStreamServer server(options);
    auto stream = MakeStream();
    ASSERT_TRUE(stream->Open(AddressOf(server), 0));
    ASSERT_TRUE(WaitFor([&] { return !m_owner->Failures().empty(); }));
    ASSERT_TRUE(WaitFor([&] { return !stream->IsActive(); }));
    EXPECT_EQ(m_owner->Failures(), (std::vector<std::pair<int, int>>{{GetParam().reason, 0}}));
    EXPECT_EQ(m_refusals, GetParam().refusals);
    EXPECT_EQ(m_capture.Senders(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Statuses, SgUpgradeTest,
                         testing::Values(UpgradeRow{401, 2, 1}, UpgradeRow{403, 2, 1},
                                         UpgradeRow{404, 1, 0}, UpgradeRow{500, 1, 0}));

TEST_F(SgStreamTest, ASilentVendorIsClosedAfterTheCapAndTheSessionEnds) {
    FakeStreamServer server(TrustedServer(nullptr));
    auto stream = MakeStream(300ms);
    ASSERT_TRUE(stream->Open(AddressOf(server), 0));
    ASSERT_TRUE(WaitFor([&] { return m_capture.Senders() == 1; }));
    m_capture.Play({Block('A')});
    ASSERT_TRUE(WaitFor([&] { return server.CloseCodeFromClient() != -1; }));
    EXPECT_EQ(server.CloseCodeFromClient(), 1000);
    ASSERT_TRUE(WaitFor([&] { return !stream->IsActive(); }));
    EXPECT_EQ(m_owner->Results(), (std::vector<StreamDelivery>{{"", true, "apd"}}));
}

// Not JSON, mistyped, binary or oversized messages are dropped; the stream goes on.
TEST_F(SgStreamTest, BadMessagesAreDroppedAndTheNextSessionTypesAgain) {
    FakeStreamServer server(TrustedServer([](FakeStreamServer& s, const std::string& frame) {
        if (frame.find("config") != std::string::npos) {
            s.Reply("not json");
            s.Reply(R"({"results":[{"alternatives":[{"transcript":5}],"is_final":true}]})");
            s.Reply(R"({"results":"x"})");
            s.ReplyBinary(Result("binary", true));
            s.Reply(Result(std::string(1024 * 1024, 'x'), true));
            s.Reply(Result("good", true));
        }
        if (frame == "null")
            s.CloseConnection(1000);
    }));
    auto stream = MakeStream();
    for (int session = 1; session <= 2; ++session) {
        ASSERT_TRUE(stream->Open(AddressOf(server), 0));
        ASSERT_TRUE(WaitFor([&] { return m_capture.Senders() == std::size_t(session); }));
        m_capture.Play({Block('A')});
        ASSERT_TRUE(WaitFor([&] { return m_owner->Results().size() == std::size_t(2 * session); }));
        ASSERT_TRUE(WaitFor([&] { return !stream->IsConnected(); }));
    }
    ASSERT_TRUE(WaitFor([&] { return !stream->IsActive(); }));
    EXPECT_EQ(
        m_owner->Results(),
        (std::vector<StreamDelivery>{
            {"good", false, "apd"}, {"", true, "apd"}, {"good", false, "apd"}, {"", true, "apd"}}));
}

TEST_F(SgStreamTest, AVendorDroppingMidStreamEndsTheSessionOnce) {
    FakeStreamServer server(TrustedServer([](FakeStreamServer& s, const std::string& frame) {
        if (frame.find("config") != std::string::npos)
            s.CloseConnection(1011);
    }));
    auto stream = MakeStream();
    ASSERT_TRUE(stream->Open(AddressOf(server), 0));
    ASSERT_TRUE(WaitFor([&] { return !m_owner->Results().empty(); }));
    ASSERT_TRUE(WaitFor([&] { return !stream->IsActive() || m_capture.Senders() == 1; }));
    if (m_capture.Senders() == 1)
        m_capture.Play({Block('A')});
    ASSERT_TRUE(WaitFor([&] { return !stream->IsActive(); }));
    EXPECT_EQ(m_owner->Results(), (std::vector<StreamDelivery>{{"", true, "apd"}}));
    EXPECT_TRUE(m_owner->Failures().empty());
}

TEST_F(SgStreamTest, NothingReachesTheOwnerAfterShutdown) {
    FakeStreamServer server(TrustedServer(nullptr));
    auto stream = MakeStream();
    ASSERT_TRUE(stream->Open(AddressOf(server), 0));
    ASSERT_TRUE(WaitFor([&] { return m_capture.Senders() == 1; }));
    EXPECT_TRUE(stream->Shutdown());
    server.Reply(Result("late", true));
    EXPECT_FALSE(stream->IsActive());
    EXPECT_FALSE(stream->Open(AddressOf(server), 0));
    EXPECT_TRUE(m_owner->Results().empty());
    EXPECT_EQ(server.Opens(), 1);
}

} // namespace
