#include "EngineTestSupport.h"
#include "PipeMicrophone.h"
#include "RecordingCallBack.h"

#include "app/CConfig.h"
#include "app/Log.h"
#include "speech/CSpeechRecognizer.h"
#include "speech/CXfEngine.h"
#include "speech/IIatEngine.h"
#include "speech/RecognitionEngines.h"
#include "speech/XfEngineActions.h"
#include "speech/XfSdkNotifier.h"
#include "speech/XfStreamSettings.h"
#include "speech/sdk/SpeechSdk.h"
#include "speech_ws/FakeXfServer.h"
#include "speech_ws/TestCertificates.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <QFile>
#include <QTemporaryDir>

#include <atomic>

using namespace enginetest;
using namespace std::chrono_literals;

namespace {

class XfEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!pulsetest::Available(&why))
            GTEST_SKIP() << why;
        ASSERT_TRUE(m_dir.isValid());
        m_microphone = std::make_unique<PipeMicrophone>();
        ASSERT_TRUE(m_microphone->Loaded());
        m_speech = ReadBytes(kGoForward);
        ASSERT_FALSE(m_speech.empty()) << kGoForward;

        m_config = std::make_shared<CConfig>(m_dir.path() + "/");
        // A mouse of the first generation, English without punctuation.
        m_config->SetType("v6");
        m_config->SetPtt("off");
        m_config->SetRecognitionLanguage("english");
        applog::InitLogging(m_dir.path() + "/log.log");
        ASSERT_EQ(speechsdk::SignIn(nullptr, nullptr, "appid = , work_dir = ."), 0);
    }
    void TearDown() override { applog::StopLogging(); }

    std::unique_ptr<XfEngineActions> Actions() {
        return std::make_unique<XfEngineActions>(
            m_config, &m_owner, [this] { return m_kind.load(); }, XfStreamSettings());
    }
    QString Log() const {
        QFile file(m_dir.path() + "/log.log");
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    // Speech framed by the room, as a user says it after pressing the key.
    std::vector<char> Utterance(int trailingMs) const {
        std::vector<char> audio = RoomNoise(300);
        audio.insert(audio.end(), m_speech.begin(), m_speech.end());
        const std::vector<char> tail = RoomNoise(trailingMs, 11);
        audio.insert(audio.end(), tail.begin(), tail.end());
        return audio;
    }
    // Waits until the words are in or the time is up; results may wait for the stop.
    void WaitForTranscript(std::chrono::seconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (m_owner.Transcript() != kGoForwardText &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(50ms);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<PipeMicrophone> m_microphone;
    std::vector<char> m_speech;
    std::shared_ptr<CConfig> m_config;
    std::atomic<int> m_kind{0};
    RecordingCallBack m_owner;
};

TEST_F(XfEngineTest, VoiceKeyOneSpokenIntoTheMicrophoneComesBackAsText) {
    RecognitionEngines engines = CreateRecognitionEngines(
        m_config, &m_owner, [] { return 0; }, [] { return 0; });
    ASSERT_TRUE(engines.recognizer);
    // The recording transcriber is made beside the "xf" engine and already started.
    ASSERT_TRUE(engines.web);
    EXPECT_TRUE(engines.web->IsRunning());

    engines.recognizer->Start();
    engines.recognizer->BeginRecognize();
    // The shared capture and the recogniser's recorder both record the default source.
    ASSERT_TRUE(m_microphone->WaitForRecordStreams(2));
    ASSERT_TRUE(m_microphone->Play(Utterance(1500)));
    WaitForTranscript(10s);
    engines.recognizer->EndRecognize();

    ASSERT_TRUE(m_owner.WaitForLast());
    EXPECT_EQ(m_owner.Transcript(), kGoForwardText);
    for (const auto& result : m_owner.Results()) {
        EXPECT_NE(result.thread, std::this_thread::get_id());
        EXPECT_EQ(result.mode, "apd");
    }
    EXPECT_EQ(m_owner.SpeechEnds(), 0);

    engines.recognizer->Quit();
    engines.recognizer.reset();
    EXPECT_TRUE(Log().contains("demo_mic exit"));
    EXPECT_FALSE(Log().contains("failed"));
}

TEST_F(XfEngineTest, OnlyTheEngineNamesMakeAnEngine) {
    QTemporaryDir other;
    ASSERT_TRUE(other.isValid());
    const std::pair<const char*, bool> names[] = {{"sh", true},  {"sg", true},  {"ms", false},
                                                  {"XF", false}, {"SG", false}, {"baidu", false},
                                                  {"", false}};
    for (const auto& [name, makesOne] : names) {
        SCOPED_TRACE(name);
        QFile ini(other.path() + "/custom.ini");
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(QByteArray("[recognition]\nengine=") + name + "\n");
        ini.close();
        auto config = std::make_shared<CConfig>(other.path() + "/");
        ASSERT_EQ(config->GetRecognitionEngine(), QString::fromUtf8(name));
        const RecognitionEngines engines = CreateRecognitionEngines(
            config, &m_owner, [] { return 0; }, [] { return 0; });
        EXPECT_EQ(static_cast<bool>(engines.recognizer), makesOne);
        EXPECT_FALSE(engines.web);
    }
}

TEST_F(XfEngineTest, ASecondBeginWhileListeningIsLoggedAndTheFirstSessionGoesOn) {
    auto actions = Actions();
    ASSERT_TRUE(actions->Prepare());
    actions->OnBegin();
    EXPECT_EQ(actions->LastStartResult(), 0);
    actions->OnBegin();
    EXPECT_EQ(actions->LastStartResult(), CSpeechRecognizer::kAlreadyListening);
    EXPECT_TRUE(Log().contains("start listen failed"));

    ASSERT_TRUE(m_microphone->WaitForRecordStreams(2));
    ASSERT_TRUE(m_microphone->Play(Utterance(1500)));
    WaitForTranscript(10s);
    actions->OnEnd();
    EXPECT_EQ(actions->LastStopResult(), 0);
    EXPECT_TRUE(m_owner.WaitForLast());
    EXPECT_EQ(m_owner.Transcript(), kGoForwardText);
    actions->OnQuit();
    actions->CleanUp();
    EXPECT_FALSE(Log().contains("stop listening failed"));
    EXPECT_TRUE(Log().contains("demo_mic exit"));
}

TEST_F(XfEngineTest, AnEndAfterTheEndOfSpeechReturnsAtOnce) {
    // The second generation ends a session after five seconds of silence.
    m_config->SetType("v9");
    auto actions = Actions();
    ASSERT_TRUE(actions->Prepare());
    actions->OnBegin();
    ASSERT_EQ(actions->LastStartResult(), 0);
    ASSERT_TRUE(m_microphone->WaitForRecordStreams(2));
    ASSERT_TRUE(m_microphone->Play(Utterance(7000)));

    ASSERT_TRUE(m_owner.WaitForSpeechEnd());
    ASSERT_TRUE(m_owner.WaitForLast());
    const std::size_t delivered = m_owner.Results().size();
    EXPECT_EQ(m_owner.Transcript(), kGoForwardText);

    actions->OnEnd();
    EXPECT_EQ(actions->LastStopResult(), 0);
    EXPECT_EQ(m_owner.Results().size(), delivered);
    EXPECT_EQ(m_owner.SpeechEnds(), 1);
    // The next key press opens a new session.
    actions->OnBegin();
    EXPECT_EQ(actions->LastStartResult(), 0);
    actions->OnQuit();
    actions->CleanUp();
}

TEST_F(XfEngineTest, UpdateChoosesTheTextForTheSettingsOfThatMoment) {
    auto actions = Actions();
    ASSERT_TRUE(actions->Prepare());
    EXPECT_EQ(
        actions->SessionParams(),
        "sub = iat, domain = iat, language = en_us, accent = mandarin, sample_rate = 16000, "
        "result_type = json, result_encoding = utf8,vad_eos = 100000,vad_bos = 100000,ptt=0,");

    m_config->SetRecognitionLanguage("cht");
    m_config->SetPtt("on");
    actions->OnUpdate();
    EXPECT_EQ(actions->SessionParams(),
              "sub = iat, domain = iat, language = zh_cn, accent = mandarin, rlang = zh-hk, "
              "sample_rate = 16000, result_type = json, result_encoding = utf8,vad_eos = "
              "100000,vad_bos = 100000,ptt=1,");

    m_config->SetLpLanguage("sichuan");
    m_config->SetLpPtt("off");
    m_kind = 1;
    actions->OnUpdate();
    EXPECT_EQ(
        actions->SessionParams(),
        "sub = iat, domain = iat, language = zh_cn, accent = lmz, sample_rate = 16000, "
        "result_type = json, result_encoding = utf8,vad_eos = 100000,vad_bos = 100000,ptt=0,");

    // Settings without an entry fall back to the default text, as at start.
    m_config->SetLpLanguage("zh_cn");
    actions->OnUpdate();
    EXPECT_EQ(actions->SessionParams(), CSpeechRecognizer::DefaultParams());

    actions->OnQuit();
    actions->CleanUp();
}

TEST_F(XfEngineTest, ARecorderThatCannotOpenFailsEveryBeginButNotTheStart) {
    // A rate no capture source takes: the recogniser's recorder cannot open.
    const char* const params = "sub = iat, domain = iat, language = en_us, accent = mandarin, "
                               "sample_rate = 9999999, result_type = json";
    CSpeechRecognizer recognizer;
    ASSERT_EQ(recognizer.Init(params, CSpeechRecognizer::kAudioFromMicrophone, std::string(),
                              MakeXfSdkNotifier(&m_owner)),
              0);
    EXPECT_TRUE(Log().contains("recogniser microphone could not be opened"));
    for (int begin = 0; begin < 2; ++begin) {
        EXPECT_EQ(recognizer.StartListening(), CSpeechRecognizer::kRecorderFailed);
        EXPECT_EQ(recognizer.GetState(), CSpeechRecognizer::kNotListening);
    }
    recognizer.Uninit();
}

bool IsLastFrame(const std::string& frame) {
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    return reader->parse(frame.data(), frame.data() + frame.size(), &root, nullptr) &&
           root["data"]["status"] == 2;
}

TEST_F(XfEngineTest, QuittingRightAfterKeyUpLeavesNoThreadReportingToTheOwner) {
    const TestCertificates& certs = TestCertificates::Get();
    ASSERT_TRUE(certs.ok);
    // Answers nothing until the test says so: the last result is still due at the quit.
    FakeXfServer server(certs.serverCert, certs.serverKey, nullptr);
    ASSERT_TRUE(server.Listening());
    XfStreamSettings stream;
    stream.address = server.Address();
    stream.appId = "5f3a9c1e";
    stream.apiKey = "0123456789abcdef0123456789abcdef";
    stream.apiSecret = "fedcba9876543210fedcba9876543210";
    stream.caFile = certs.caFile;
    auto engine = std::make_unique<CXfEngine>(
        m_config, &m_owner, [] { return 0; }, stream);

    engine->Start();
    engine->BeginRecognize();
    ASSERT_TRUE(m_microphone->WaitForRecordStreams(2));
    ASSERT_TRUE(WaitUntil([&] { return server.Opens() == 1; }));
    // The stream takes audio once its connection has opened on the engine's side too.
    for (int block = 0; block < 100 && server.Frames().empty(); ++block) {
        ASSERT_TRUE(m_microphone->Play(RoomNoise(100)));
        WaitUntil([&] { return !server.Frames().empty(); }, 100ms);
    }
    ASSERT_FALSE(server.Frames().empty());
    engine->EndRecognize();
    ASSERT_TRUE(WaitUntil([&] { return IsLastFrame(server.Frames().back()); }));
    // The program quits as the main window does: quit, then the engine goes.
    engine->Quit();
    engine.reset();
    const std::size_t reported = m_owner.Results().size();

    server.Reply(
        R"({"code":0,"data":{"status":2,"result":{"ls":true,"ws":[{"cw":[{"w":"late"}]}]}}})");
    ASSERT_TRUE(WaitUntil([&] { return server.CloseCodeFromClient() != -1; }));
    EXPECT_EQ(server.CloseCodeFromClient(), 1000);
    EXPECT_EQ(m_owner.Results().size(), reported);
}

} // namespace
