#include "EngineTestSupport.h"
#include "PipeMicrophone.h"

#include "app/CConfig.h"
#include "speech/CSgEngine.h"
#include "speech/CShEngine.h"
#include "speech/IIatCallBack.h"
#include "speech_vendors/FakeStreamServer.h"
#include "speech_ws/TestCertificates.h"
#include "support/LocalHttpServer.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <QTemporaryDir>

#include <atomic>
#include <memory>

using namespace enginetest;
using namespace std::chrono_literals;

namespace {

// The owner of an engine that is destroyed mid-stream: every report after the engine has
// gone is a fault (in the program the owner may be gone by then too).
class TeardownOwner : public IIatCallBack {
public:
    void OnSpeechEnd() override { Count(); }
    void OnResult(const char*, bool, std::string) override { Count(); }
    void OnResultString(const std::string&, bool, std::string) override { Count(); }
    void OnReserved1(std::int32_t, std::int32_t) override {
        ++failures;
        Count();
    }
    void OnReserved2(std::int32_t, std::int32_t) override { Count(); }

    std::atomic<bool> engineGone{false};
    std::atomic<int> reports{0};
    std::atomic<int> failures{0};
    std::atomic<int> lateReports{0};

private:
    void Count() {
        ++reports;
        if (engineGone)
            ++lateReports;
    }
};

bool IsAudioFrame(const std::string& frame) {
    return frame.find("\"content\"") != std::string::npos ||
           frame.find("\"audiobuffer\"") != std::string::npos;
}

std::string ShReply(int cmd, const std::string& content) {
    Json::Value root;
    root["cmd"] = cmd;
    root["body"]["content"] = content;
    return Json::writeString(Json::StreamWriterBuilder(), root);
}

const std::string kSgInterim =
    R"({"results":[{"alternatives":[{"transcript":"interim"}],"is_final":false}]})";
const std::string kShInterim =
    ShReply(26, R"({"code":"0","isFinal":false,"completed":"0","transcript":"interim"})");

// Either vendor, faked: it accepts the stream and answers every audio block with an interim
// text, so that reports are under way whenever the engine goes.
class Vendor {
public:
    Vendor(bool sg, const TestCertificates& certs) : m_sg(sg) {
        FakeStreamServer::Options options;
        if (sg) {
            options.certFile = certs.serverCert;
            options.keyFile = certs.serverKey;
        }
        options.script = [sg](FakeStreamServer& server, const std::string& frame) {
            if (IsAudioFrame(frame))
                server.Reply(sg ? kSgInterim : kShInterim);
            else if (!sg && frame.find("\"state\" : 0") != std::string::npos)
                server.Reply(ShReply(27, R"({"code":8000,"state":0})"));
        };
        m_stream = std::make_unique<FakeStreamServer>(options);
        // sg: the token service; sh: the discovery address naming the stream server.
        const std::string port = std::to_string(m_stream->Port());
        m_http = std::make_unique<testsupport::LocalHttpServer>(testsupport::HttpReply(
            200, sg ? std::string(R"({"token":"tok-teardown"})") : "127.0.0.1:" + port));
    }

    bool Ready() const { return m_stream->Listening(); }
    FakeStreamServer& Stream() { return *m_stream; }
    std::size_t AudioFrames() const {
        std::size_t count = 0;
        for (const auto& frame : m_stream->Frames())
            count += IsAudioFrame(frame) ? 1 : 0;
        return count;
    }
    std::string LateReply() const { return m_sg ? kSgInterim : kShInterim; }

    std::unique_ptr<IIatEngine> MakeEngine(IIatCallBack* owner, std::shared_ptr<CConfig> config,
                                           const TestCertificates& certs) {
        const auto subtitles = [] { return 3; };
        if (m_sg) {
            SgEngineActions::Settings settings;
            settings.tokenUrl = m_http->Origin() + "/apis/auth/v1/create_token";
            // The test certificate names 127.0.0.1.
            settings.streamUrl = "wss://127.0.0.1:" + std::to_string(m_stream->Port()) +
                                 "/wss/asr/v1/streaming_recognize";
            settings.appId = "AppIdTeardown0123456789abcd";
            settings.appKey = "a2V5";
            settings.caFile = certs.caFile;
            return std::make_unique<CSgEngine>(owner, subtitles, settings);
        }
        ShEngineActions::Settings settings;
        settings.discoveryUrl = m_http->Origin() + "/websocket";
        settings.appKey = "velmora.teardown_key.abcdefg";
        settings.secret = "secret";
        return std::make_unique<CShEngine>(
            std::move(config), owner, [] { return 0; }, subtitles, settings);
    }

private:
    const bool m_sg;
    std::unique_ptr<FakeStreamServer> m_stream;
    std::unique_ptr<testsupport::LocalHttpServer> m_http;
};

class StreamEngineTeardownTest : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        std::string why;
        if (!pulsetest::Available(&why))
            GTEST_SKIP() << why;
        ASSERT_TRUE(m_dir.isValid());
        // "sg" records only through a microphone whose name holds "Dravel".
        m_microphone = std::make_unique<PipeMicrophone>("Dravel Teardown Test Microphone");
        ASSERT_TRUE(m_microphone->Loaded());
        m_config = std::make_shared<CConfig>(m_dir.path() + "/");
        m_config->SetSn("SN0123456789ABCDEFGH");
    }

    QTemporaryDir m_dir;
    std::unique_ptr<PipeMicrophone> m_microphone;
    std::shared_ptr<CConfig> m_config;
};

// The program goes (or the main window drops its engine) while the user still speaks and the
// vendor still answers: the engine closes the stream normally and, once destroyed, nothing of
// it reports to the owner. Under the address sanitizer a thread left touching the engine fails.
TEST_P(StreamEngineTeardownTest, DestroyedMidStreamItClosesTheStreamAndNeverReportsAgain) {
    const TestCertificates& certs = TestCertificates::Get();
    ASSERT_TRUE(certs.ok);
    const bool sg = std::string(GetParam()) == "sg";
    Vendor vendor(sg, certs);
    ASSERT_TRUE(vendor.Ready());
    TeardownOwner owner;
    std::unique_ptr<IIatEngine> engine = vendor.MakeEngine(&owner, m_config, certs);

    engine->Start();
    engine->BeginRecognize();
    // Blocks flow once the stream is open on both sides; interim texts come back for them.
    for (int block = 0; block < 200 && (vendor.AudioFrames() < 3 || owner.reports < 3); ++block) {
        ASSERT_TRUE(m_microphone->Play(RoomNoise(100)));
        WaitFor([&] { return vendor.AudioFrames() >= 3 && owner.reports >= 3; }, 100ms);
    }
    ASSERT_GE(vendor.AudioFrames(), 3u);
    ASSERT_GE(owner.reports, 3);
    // More speech is under way as the engine goes.
    ASSERT_TRUE(m_microphone->Play(RoomNoise(500)));
    engine.reset();
    owner.engineGone = true;

    vendor.Stream().Reply(vendor.LateReply());
    ASSERT_TRUE(WaitFor([&] { return vendor.Stream().CloseCodeFromClient() != -1; }));
    EXPECT_EQ(vendor.Stream().CloseCodeFromClient(), 1000);
    EXPECT_EQ(vendor.Stream().Opens(), 1);
    EXPECT_EQ(owner.lateReports, 0);
    EXPECT_EQ(owner.failures, 0);
}

INSTANTIATE_TEST_SUITE_P(Engines, StreamEngineTeardownTest, testing::Values("sg", "sh"),
                         [](const auto& info) { return std::string(info.param); });

} // namespace
