#include "speech/CWaveRecorder.h"
#include "speech/CXfLiveStream.h"
#include "speech/IIatCallBack.h"
#include "speech/ThreadMessageQueue.h"
#include "speech_ws/FakeXfServer.h"
#include "speech_ws/TestCertificates.h"
#include "speech_ws/TestCrypto.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <ctime>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;

const char kAppId[] = "5f3a9c1e";
const char kApiKey[] = "0123456789abcdef0123456789abcdef";
const char kApiSecret[] = "fedcba9876543210fedcba9876543210";

struct Result {
    std::string text;
    bool last;
    std::string mode;
    bool operator==(const Result& o) const {
        return text == o.text && last == o.last && mode == o.mode;
    }
};
std::ostream& operator<<(std::ostream& out, const Result& r) {
    return out << "{\"" << r.text << "\", " << r.last << ", " << r.mode << "}";
}

class RecordingCallBack : public IIatCallBack {
public:
    void OnSpeechEnd() override {}
    void OnResult(const char* text, bool last, std::string mode) override {
        std::lock_guard<std::mutex> guard(lock_);
        results_.push_back({text, last, mode});
    }
    void OnResultString(const std::string& text, bool last, std::string mode) override {
        OnResult(text.c_str(), last, mode);
    }
    void OnReserved1(std::int32_t, std::int32_t) override {}
    void OnReserved2(std::int32_t, std::int32_t) override {}

    std::vector<Result> Results() const {
        std::lock_guard<std::mutex> guard(lock_);
        return results_;
    }

private:
    mutable std::mutex lock_;
    std::vector<Result> results_;
};

XfStreamSettings SettingsFor(const FakeXfServer& server) {
    XfStreamSettings settings;
    settings.address = server.Address();
    settings.appId = kAppId;
    settings.apiKey = kApiKey;
    settings.apiSecret = kApiSecret;
    settings.caFile = TestCertificates::Get().caFile;
    settings.finalResultTimeout = 400ms;
    return settings;
}

// The live stream as an engine drives it, with the test standing in for the capture.
class StreamUnderTest {
public:
    explicit StreamUnderTest(XfStreamSettings settings)
        : stream_(std::move(settings), &callback_, [this](std::shared_ptr<ThreadMessageQueue> q) {
              std::lock_guard<std::mutex> guard(lock_);
              senders_.push_back(std::move(q));
          }) {}
    ~StreamUnderTest() {
        // Stream threads call back into this object; they must be done before it goes.
        if (!WaitUntil([this] { return !stream_.IsActive(); })) {
            ADD_FAILURE() << "live stream still active";
            stream_.Close();
            for (const auto& sender : Senders())
                sender->Post(0x0012);
            WaitUntil([this] { return !stream_.IsActive(); });
        }
    }

    CXfLiveStream& Stream() { return stream_; }
    std::vector<Result> Results() const { return callback_.Results(); }
    std::vector<std::shared_ptr<ThreadMessageQueue>> Senders() const {
        std::lock_guard<std::mutex> guard(lock_);
        return senders_;
    }
    bool WaitForSender() {
        return WaitUntil([this] { return !Senders().empty(); });
    }
    void CaptureBlock(const std::vector<char>& block) {
        ThreadMessage message;
        message.message = CWaveRecorder::kAudioDataMessage;
        message.data = block;
        Senders().back()->Post(std::move(message));
    }
    void CaptureStopped() { Senders().back()->Post(CWaveRecorder::kAudioEndMessage); }
    bool WaitUntilEnded() {
        return WaitUntil([this] { return !stream_.IsActive(); });
    }

private:
    RecordingCallBack callback_;
    mutable std::mutex lock_;
    std::vector<std::shared_ptr<ThreadMessageQueue>> senders_;
    CXfLiveStream stream_;
};

std::vector<char> MakeBlock(int seed) {
    std::vector<char> block(3200);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>((i * static_cast<std::size_t>(seed) * 7 + i / 13) & 0xFF);
    return block;
}

Json::Value ParseJson(const std::string& text) {
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &root, nullptr)) << text;
    return root;
}

int FrameStatus(const std::string& frame) {
    return ParseJson(frame)["data"]["status"].asInt();
}

const char kPartial[] =
    R"({"code":0,"data":{"status":1,"result":{"sn":1,"ls":false,"ws":[{"cw":[{"w":"向前"}]},{"cw":[{"w":"走"}]}]}}})";
const char kFinal[] =
    R"({"code":0,"data":{"status":2,"result":{"sn":2,"ls":true,"ws":[{"cw":[{"w":"。"}]}]}}})";

// A well-behaved dictation service: a partial result per audio frame, the last result after
// the last frame.
void AnswerLikeTheService(FakeXfServer& server, const std::string& frame) {
    server.Reply(FrameStatus(frame) == 2 ? kFinal : kPartial);
}

bool CertificatesReady() {
    return TestCertificates::Get().ok;
}

std::string UrlDecode(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+')
            out += ' ';
        else if (text[i] == '%' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else
            out += text[i];
    }
    return out;
}

TEST(XfLiveStream, SignsTheAddressWithHostDateAndAuthorization) {
    ASSERT_TRUE(CertificatesReady());
    const auto& certs = TestCertificates::Get();
    FakeXfServer server(certs.serverCert, certs.serverKey, AnswerLikeTheService);
    ASSERT_TRUE(server.Listening());
    StreamUnderTest s(SettingsFor(server));

    ASSERT_TRUE(s.Stream().Open());
    ASSERT_TRUE(s.WaitForSender());
    ASSERT_TRUE(WaitUntil([&] { return server.Opens() == 1; }));
    const std::string resource = server.Resource();
    s.CaptureStopped();
    ASSERT_TRUE(s.WaitUntilEnded());

    const std::string prefix = "/v2/iat?";
    ASSERT_EQ(resource.compare(0, prefix.size(), prefix), 0) << resource;
    std::vector<std::pair<std::string, std::string>> query;
    std::istringstream pairs(resource.substr(prefix.size()));
    for (std::string pair; std::getline(pairs, pair, '&');) {
        const std::size_t equals = pair.find('=');
        query.emplace_back(pair.substr(0, equals),
                           equals == std::string::npos ? std::string() : pair.substr(equals + 1));
    }
    ASSERT_EQ(query.size(), 3u) << resource;
    EXPECT_EQ(query[0].first, "authorization");
    EXPECT_EQ(query[1].first, "date");
    EXPECT_EQ(query[2].first, "host");
    EXPECT_EQ(query[2].second, "127.0.0.1");

    const std::string date = UrlDecode(query[1].second);
    std::tm parsed{};
    ASSERT_NE(strptime(date.c_str(), "%a, %d %b %Y %H:%M:%S GMT", &parsed), nullptr) << date;
    EXPECT_LT(std::abs(std::difftime(timegm(&parsed), std::time(nullptr))), 300.0) << date;

    const std::string signature = ReferenceHmacSha256Base64(
        kApiSecret, "host: 127.0.0.1\ndate: " + date + "\nGET /v2/iat HTTP/1.1");
    EXPECT_EQ(ReferenceBase64Decode(query[0].second),
              std::string("api_key=\"") + kApiKey +
                  "\", algorithm=\"hmac-sha256\", headers=\"host date request-line\", "
                  "signature=\"" +
                  signature + "\"");
}

TEST(XfLiveStream, SendsEveryCapturedBlockAndDeliversEveryResult) {
    ASSERT_TRUE(CertificatesReady());
    const auto& certs = TestCertificates::Get();
    FakeXfServer server(certs.serverCert, certs.serverKey, AnswerLikeTheService);
    StreamUnderTest s(SettingsFor(server));

    ASSERT_TRUE(s.Stream().Open());
    ASSERT_TRUE(s.WaitForSender());
    EXPECT_TRUE(s.Stream().IsConnected());
    // A second begin while connected neither connects again nor starts a second sender.
    EXPECT_FALSE(s.Stream().Open());

    const std::vector<std::vector<char>> blocks = {MakeBlock(1), MakeBlock(2), MakeBlock(3)};
    for (const auto& block : blocks)
        s.CaptureBlock(block);
    s.CaptureStopped();
    ASSERT_TRUE(s.WaitUntilEnded());

    EXPECT_EQ(s.Senders().size(), 1u);
    EXPECT_EQ(server.Opens(), 1);
    // Closed by the client after the last result.
    ASSERT_TRUE(WaitUntil([&] { return server.CloseCodeFromClient() != -1; }));
    EXPECT_EQ(server.CloseCodeFromClient(), 1000);
    EXPECT_FALSE(s.Stream().IsConnected());

    const std::vector<std::string> frames = server.Frames();
    ASSERT_EQ(frames.size(), 4u);
    const Json::Value first = ParseJson(frames[0]);
    EXPECT_EQ(first.getMemberNames(), (std::vector<std::string>{"business", "common", "data"}));
    EXPECT_EQ(first["common"]["app_id"], kAppId);
    EXPECT_EQ(first["business"]["language"], "zh_cn");
    EXPECT_EQ(first["business"]["domain"], "iat");
    EXPECT_EQ(first["business"]["accent"], "mandarin");
    EXPECT_TRUE(first["business"]["vad_eos"].isInt());
    EXPECT_EQ(first["business"]["vad_eos"], 100000);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const Json::Value frame = ParseJson(frames[i]);
        const Json::Value& data = frame["data"];
        SCOPED_TRACE("frame " + std::to_string(i));
        EXPECT_TRUE(data["status"].isInt());
        EXPECT_EQ(data["status"], i == 0 ? 0 : 1);
        EXPECT_EQ(data["format"], "audio/L16;rate=16000");
        EXPECT_EQ(data["encoding"], "raw");
        EXPECT_EQ(ReferenceBase64Decode(data["audio"].asString()),
                  std::string(blocks[i].begin(), blocks[i].end()));
        if (i > 0) {
            EXPECT_EQ(frame.getMemberNames(), std::vector<std::string>{"data"});
        }
    }
    const Json::Value last = ParseJson(frames[3]);
    EXPECT_EQ(last.getMemberNames(), std::vector<std::string>{"data"});
    EXPECT_EQ(last["data"].getMemberNames(), std::vector<std::string>{"status"});
    EXPECT_EQ(last["data"]["status"], 2);

    const Result partial{"向前走", false, "apd"};
    EXPECT_EQ(s.Results(),
              (std::vector<Result>{partial, partial, partial, Result{"。", true, "apd"}}));
}

struct MisbehaviourCase {
    const char* name;
    FakeXfServer::Script script;
    std::vector<Result> results;
    int closeCodeFromClient; // 0: not checked
};

class XfLiveStreamServerFaults : public ::testing::TestWithParam<MisbehaviourCase> {};

TEST_P(XfLiveStreamServerFaults, StreamEndsCleanly) {
    ASSERT_TRUE(CertificatesReady());
    const MisbehaviourCase& c = GetParam();
    const auto& certs = TestCertificates::Get();
    FakeXfServer server(certs.serverCert, certs.serverKey, c.script);
    StreamUnderTest s(SettingsFor(server));

    ASSERT_TRUE(s.Stream().Open());
    ASSERT_TRUE(s.WaitForSender());
    s.CaptureBlock(MakeBlock(4));
    ASSERT_TRUE(WaitUntil([&] { return !server.Frames().empty(); }));
    s.CaptureBlock(MakeBlock(5));
    s.CaptureStopped();
    ASSERT_TRUE(s.WaitUntilEnded());

    EXPECT_FALSE(s.Stream().IsConnected());
    EXPECT_EQ(s.Results(), c.results);
    if (c.closeCodeFromClient) {
        ASSERT_TRUE(WaitUntil([&] { return server.CloseCodeFromClient() != -1; }));
        EXPECT_EQ(server.CloseCodeFromClient(), c.closeCodeFromClient);
    }
    EXPECT_EQ(server.Opens(), 1); // never reconnects by itself

    // The next begin opens a fresh connection with a sender of its own.
    ASSERT_TRUE(s.Stream().Open());
    ASSERT_TRUE(WaitUntil([&] { return s.Senders().size() == 2; }));
    EXPECT_TRUE(WaitUntil([&] { return server.Opens() == 2; }));
    s.CaptureStopped();
}

INSTANTIATE_TEST_SUITE_P(
    Servers, XfLiveStreamServerFaults,
    ::testing::Values(
        MisbehaviourCase{
            "ClosesMidStream",
            [](FakeXfServer& server, const std::string&) { server.CloseConnection(1011); },
            {},
            0},
        MisbehaviourCase{"AnswersNonJson",
                         [](FakeXfServer& server, const std::string& frame) {
                             server.Reply(FrameStatus(frame) == 2 ? kFinal : "<html>502</html>");
                         },
                         {{"。", true, "apd"}},
                         1000},
        MisbehaviourCase{"AnswersMembersOfTheWrongType",
                         [](FakeXfServer& server, const std::string& frame) {
                             server.Reply(FrameStatus(frame) == 2
                                              ? kFinal
                                              : R"({"data":{"status":"one","result":[]}})");
                         },
                         {{"。", true, "apd"}},
                         1000},
        MisbehaviourCase{"RefusesWithAnErrorReply",
                         [](FakeXfServer& server, const std::string&) {
                             server.Reply(R"({"code":10165,"message":"invalid handle"})");
                             server.CloseConnection(1000);
                         },
                         {{"", false, "apd"}},
                         0},
        MisbehaviourCase{
            "NeverSendsTheLastResult", [](FakeXfServer&, const std::string&) {}, {}, 1000}),
    [](const ::testing::TestParamInfo<MisbehaviourCase>& info) { return info.param.name; });

struct CertificateCase {
    const char* name;
    std::string TestCertificates::*cert;
    std::string TestCertificates::*key;
};

class XfLiveStreamCertificates : public ::testing::TestWithParam<CertificateCase> {};

TEST_P(XfLiveStreamCertificates, RefusesAServerItCannotVerify) {
    ASSERT_TRUE(CertificatesReady());
    const auto& certs = TestCertificates::Get();
    FakeXfServer server(certs.*GetParam().cert, certs.*GetParam().key, AnswerLikeTheService);
    StreamUnderTest s(SettingsFor(server));

    ASSERT_TRUE(s.Stream().Open());
    ASSERT_TRUE(s.WaitUntilEnded());

    // The attempt was made and failed in the handshake; the server may learn of it after
    // the client has given up.
    EXPECT_TRUE(WaitUntil([&] { return server.Failures() >= 1; }));
    EXPECT_EQ(server.Opens(), 0);
    EXPECT_TRUE(server.Resource().empty());
    EXPECT_TRUE(s.Senders().empty());
    EXPECT_FALSE(s.Stream().IsConnected());
}

INSTANTIATE_TEST_SUITE_P(
    Servers, XfLiveStreamCertificates,
    ::testing::Values(CertificateCase{"SelfSigned", &TestCertificates::untrustedCert,
                                      &TestCertificates::untrustedKey},
                      CertificateCase{"OtherHostName", &TestCertificates::wrongHostCert,
                                      &TestCertificates::wrongHostKey}),
    [](const ::testing::TestParamInfo<CertificateCase>& info) { return info.param.name; });

struct MissingSettingCase {
    const char* name;
    std::string XfStreamSettings::*field;
};

class XfLiveStreamWithoutCredentials : public ::testing::TestWithParam<MissingSettingCase> {};

TEST_P(XfLiveStreamWithoutCredentials, StaysOff) {
    ASSERT_TRUE(CertificatesReady());
    const auto& certs = TestCertificates::Get();
    FakeXfServer server(certs.serverCert, certs.serverKey, AnswerLikeTheService);
    XfStreamSettings settings = SettingsFor(server);
    settings.*GetParam().field = std::string();
    StreamUnderTest s(settings);

    EXPECT_FALSE(s.Stream().Open());
    EXPECT_FALSE(s.Stream().IsActive());
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(server.Opens() + server.Failures(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, XfLiveStreamWithoutCredentials,
    ::testing::Values(MissingSettingCase{"Address", &XfStreamSettings::address},
                      MissingSettingCase{"AppId", &XfStreamSettings::appId},
                      MissingSettingCase{"ApiKey", &XfStreamSettings::apiKey},
                      MissingSettingCase{"ApiSecret", &XfStreamSettings::apiSecret}),
    [](const ::testing::TestParamInfo<MissingSettingCase>& info) { return info.param.name; });

} // namespace
