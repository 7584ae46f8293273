#include "speech/sdk/EngineParamTable.h"
#include "speech/sdk/SpeechSdk.h"
#include "tests/speech_sdk/SpeechSdkTestSupport.h"
#include "tools/velmora-asr/TranscriptAssembler.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

using namespace speechsdk;
using namespace speechsdktest;

namespace {

// Everything seen while driving one session the way the engine does.
struct SessionRun {
    int beginError = -1;
    std::vector<int> endpoints;     // after each write
    std::vector<int> writeStatuses; // recognition status after each write
    std::vector<std::string> results;
    std::vector<int> fetchStatuses; // status returned with each result
    std::size_t bytesWritten = 0;
    bool endpointReached = false;
    bool completed = false;

    std::string Transcript() const {
        TranscriptAssembler transcript;
        for (const auto& result : results)
            transcript.Add(result);
        return transcript.Text();
    }
};

void Fetch(const char* session, int& status, SessionRun& run) {
    int error = -1;
    const char* result = GetResult(session, &status, 0, &error);
    ASSERT_EQ(error, kSuccess);
    if (result != nullptr) {
        run.results.emplace_back(result);
        run.fetchStatuses.push_back(status);
    }
}

SessionRun Drive(const std::string& params, const std::vector<uint8_t>& pcm,
                 std::size_t block = 6400) {
    SessionRun run;
    const char* session = SessionBegin(nullptr, params.c_str(), &run.beginError);
    if (session == nullptr)
        return run;
    int endpoint = -1;
    int status = -1;
    int audioStatus = kAudioFirst;
    for (std::size_t at = 0; at < pcm.size() && !run.endpointReached; at += block) {
        const auto length = unsigned(std::min(block, pcm.size() - at));
        EXPECT_EQ(AudioWrite(session, pcm.data() + at, length, audioStatus, &endpoint, &status),
                  kSuccess);
        audioStatus = kAudioContinue;
        run.bytesWritten += length;
        run.endpoints.push_back(endpoint);
        run.writeStatuses.push_back(status);
        if (status == kRecognitionResultReady)
            Fetch(session, status, run);
        run.endpointReached = endpoint == kEndpointAfterSpeech;
    }
    if (!run.endpointReached) {
        EXPECT_EQ(AudioWrite(session, nullptr, 0, kAudioLast, &endpoint, &status), kSuccess);
        run.writeStatuses.push_back(status);
    }
    for (int round = 0; round < 50 && status != kRecognitionComplete; ++round)
        Fetch(session, status, run);
    run.completed = status == kRecognitionComplete;
    EXPECT_EQ(SessionEnd(session, "normal"), kSuccess);
    return run;
}

std::string English(const std::string& extra = "") {
    return *EngineParamTable::Text(ParamTable::LongEndPtt0, "english") + extra;
}

// Every JSON result: {"sn": n counting from 1, "ls": last?, "ws": [{"cw": [{"w": text}]}]}.
void ExpectJsonShape(const SessionRun& run) {
    for (std::size_t i = 0; i < run.results.size(); ++i) {
        SCOPED_TRACE(run.results[i]);
        Json::Value root;
        std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
        const std::string& text = run.results[i];
        ASSERT_TRUE(reader->parse(text.data(), text.data() + text.size(), &root, nullptr));
        EXPECT_EQ(text.find('\n'), std::string::npos);
        EXPECT_EQ(root["sn"].asInt(), int(i) + 1);
        ASSERT_TRUE(root["ls"].isBool());
        EXPECT_EQ(root["ls"].asBool(), i + 1 == run.results.size());
        ASSERT_TRUE(root["ws"].isArray());
        for (const auto& entry : root["ws"]) {
            ASSERT_TRUE(entry["cw"].isArray());
            ASSERT_FALSE(entry["cw"].empty());
            EXPECT_TRUE(entry["cw"][0]["w"].isString());
        }
    }
}

// Results come with status 0 while more may follow and 5 with the last one.
void ExpectFetchOrder(const SessionRun& run) {
    ASSERT_TRUE(run.completed);
    ASSERT_FALSE(run.fetchStatuses.empty());
    EXPECT_EQ(run.fetchStatuses.back(), kRecognitionComplete);
    for (std::size_t i = 0; i + 1 < run.fetchStatuses.size(); ++i)
        EXPECT_EQ(run.fetchStatuses[i], kRecognitionResultReady);
}

class RecognitionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/velmora-sdk-home.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        home_ = pattern;
        setenv("VELMORA_HOME", home_.c_str(), 1);
        ASSERT_EQ(SignIn(nullptr, nullptr, "appid = 00000000, work_dir = ."), kSuccess);
    }
    static void TearDownTestSuite() {
        SetLogHook(nullptr);
        std::filesystem::remove_all(home_);
        unsetenv("VELMORA_HOME");
    }

    static std::string home_;
};
std::string RecognitionTest::home_;

TEST_F(RecognitionTest, SpeechFollowedBySilenceEndsAtTheEndPoint) {
    auto pcm = RoomNoise(600);
    const auto speech = ReadBytes(kGoForward);
    ASSERT_FALSE(speech.empty());
    Append(pcm, speech);
    const std::size_t speechBytes = pcm.size();
    Append(pcm, RoomNoise(5000));

    const auto run = Drive(English("vad_eos = 800,"), pcm);

    ASSERT_EQ(run.beginError, kSuccess);
    EXPECT_TRUE(run.endpointReached);
    // The end point comes after vad_eos of silence, well before the appended noise runs out.
    EXPECT_LE(run.bytesWritten, speechBytes + 2000 * 32);
    EXPECT_NE(std::find(run.endpoints.begin(), run.endpoints.end(), kEndpointInSpeech),
              run.endpoints.end());
    EXPECT_EQ(std::find(run.endpoints.begin(), run.endpoints.end(), kEndpointAfterSpeech),
              run.endpoints.end() - 1);
    ExpectFetchOrder(run);
    ExpectJsonShape(run);
    EXPECT_EQ(run.Transcript(), "go forward ten meters");
}

TEST_F(RecognitionTest, NoSpeechEndsAfterTheBeginningSilence) {
    const auto run = Drive(English("vad_bos = 1000,"), RoomNoise(4000));

    ASSERT_EQ(run.beginError, kSuccess);
    EXPECT_TRUE(run.endpointReached);
    EXPECT_GE(run.bytesWritten, std::size_t(1000 * 32));
    // A fresh decoder's detector may still be settling on the noise when vad_bos is reached.
    EXPECT_LE(run.bytesWritten, std::size_t(1000 * 32 + 2 * 6400));
    ExpectFetchOrder(run);
    ExpectJsonShape(run);
    EXPECT_EQ(run.Transcript(), "");
}

TEST_F(RecognitionTest, TheLastBlockCompletesRecognition) {
    const auto run = Drive(English(), ReadBytes(kGoForward));

    ASSERT_EQ(run.beginError, kSuccess);
    EXPECT_FALSE(run.endpointReached);
    EXPECT_TRUE(run.writeStatuses.back() == kRecognitionResultReady ||
                run.writeStatuses.back() == kRecognitionComplete);
    ExpectFetchOrder(run);
    ExpectJsonShape(run);
    EXPECT_EQ(run.Transcript(), "go forward ten meters");
}

TEST_F(RecognitionTest, ResultFormsFollowTheParameters) {
    struct Case {
        const char* params;
        const char* transcript;
        bool json;
        bool replaces;
    };
    const Case cases[] = {
        {"language = en_us, result_type = plain, ptt = 0", "go forward ten meters", false, false},
        {"language = en_us, result_type = plain, ptt = 1", "go forward ten meters.", false, false},
        {"language = en_us, result_type = json, ptt = 1", "go forward ten meters.", true, false},
        {"language = en_us, result_type = json, ptt = 0, dwa = wpgs", "go forward ten meters", true,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.params);
        const auto run = Drive(c.params, ReadBytes(kGoForward));
        ASSERT_EQ(run.beginError, kSuccess);
        ExpectFetchOrder(run);
        EXPECT_EQ(run.Transcript(), c.transcript);
        const bool anyJson = std::any_of(run.results.begin(), run.results.end(),
                                         [](const std::string& r) { return r.rfind("{", 0) == 0; });
        EXPECT_EQ(anyJson, c.json);
        if (c.json && !c.replaces)
            ExpectJsonShape(run);
        const bool anyReplace =
            std::any_of(run.results.begin(), run.results.end(), [](const std::string& r) {
                return r.find("\"pgs\":\"rpl\"") != std::string::npos;
            });
        EXPECT_EQ(anyReplace, c.replaces);
    }
}

TEST_F(RecognitionTest, OddBlocksAndNarrowBandAudioAreRecognised) {
    const auto goForward = ReadBytes(kGoForward);
    EXPECT_EQ(Drive(English(), goForward, 6399).Transcript(), "go forward ten meters");

    // 8 kHz: the mean of every two samples.
    std::vector<uint8_t> narrow;
    for (std::size_t i = 0; i + 3 < goForward.size(); i += 4) {
        const int first = int16_t(goForward[i] | goForward[i + 1] << 8);
        const int second = int16_t(goForward[i + 2] | goForward[i + 3] << 8);
        const auto mean = uint16_t(int16_t((first + second) / 2));
        narrow.insert(narrow.end(), {uint8_t(mean & 0xFF), uint8_t(mean >> 8)});
    }
    EXPECT_EQ(Drive(English("sample_rate = 8000,"), narrow, 3200).Transcript(),
              "go forward ten meters");
}

TEST_F(RecognitionTest, ALanguageWithoutAModelFailsAtBeginAndNamesTheFolder) {
    std::vector<std::string> lines;
    SetLogHook([&](const std::string& line) { lines.push_back(line); });
    int error = 0;
    const char* session =
        SessionBegin(nullptr, "language = xx_test, accent = lmz, result_type = json", &error);
    SetLogHook(nullptr);

    EXPECT_EQ(session, nullptr);
    EXPECT_EQ(error, kErrorModelNotFound);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(home_ + "/models/xx_test_lmz"), std::string::npos) << lines[0];
}

TEST_F(RecognitionTest, CallsOnEndedOrMisusedSessionsReturnErrors) {
    const auto block = RoomNoise(200);
    int endpoint = 0;
    int status = 0;
    int error = 0;
    const char* session = SessionBegin(nullptr, English().c_str(), &error);
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(AudioWrite(session, block.data(), unsigned(block.size()), 3, &endpoint, &status),
              kErrorInvalidParameterValue);
    EXPECT_EQ(
        AudioWrite(session, block.data(), unsigned(block.size()), kAudioFirst, nullptr, &status),
        kErrorInvalidParameter);
    EXPECT_EQ(AudioWrite(session, nullptr, 10, kAudioFirst, &endpoint, &status),
              kErrorInvalidParameter);
    EXPECT_EQ(AudioWrite(session, nullptr, 0, kAudioLast, &endpoint, &status), kSuccess);
    EXPECT_EQ(AudioWrite(session, block.data(), unsigned(block.size()), kAudioContinue, &endpoint,
                         &status),
              kErrorInvalidOperation);
    EXPECT_EQ(SessionEnd(session, "normal"), kSuccess);

    EXPECT_EQ(AudioWrite(session, block.data(), unsigned(block.size()), kAudioContinue, &endpoint,
                         &status),
              kErrorInvalidHandle);
    EXPECT_EQ(GetResult(session, &status, 0, &error), nullptr);
    EXPECT_EQ(error, kErrorInvalidHandle);
    EXPECT_EQ(SessionEnd(session, "normal"), kErrorInvalidHandle);
    EXPECT_EQ(
        AudioWrite(nullptr, block.data(), unsigned(block.size()), kAudioFirst, &endpoint, &status),
        kErrorInvalidHandle);
    EXPECT_EQ(AudioWrite("vsr-session-999999", nullptr, 0, kAudioFirst, &endpoint, &status),
              kErrorInvalidHandle);
}

TEST_F(RecognitionTest, EndingASessionWhileAnotherThreadWritesIsSafe) {
    int error = 0;
    const char* session = SessionBegin(nullptr, English().c_str(), &error);
    ASSERT_NE(session, nullptr);
    const auto audio = ReadBytes(kGoForward);
    std::atomic<int> writes{0};
    std::atomic<int> lastCode{kSuccess};
    std::thread writer([&] {
        for (int round = 0; round < 1000; ++round) {
            int endpoint = 0;
            int status = 0;
            const std::size_t at = (round * 6400) % (audio.size() - 6400);
            const int code =
                AudioWrite(session, audio.data() + at, 6400,
                           round == 0 ? kAudioFirst : kAudioContinue, &endpoint, &status);
            ++writes;
            if (status == kRecognitionResultReady)
                GetResult(session, &status, 0, &error);
            if (code != kSuccess) {
                lastCode = code;
                return;
            }
        }
    });
    while (writes < 3)
        std::this_thread::yield();
    EXPECT_EQ(SessionEnd(session, "normal"), kSuccess);
    writer.join();
    EXPECT_EQ(lastCode, kErrorInvalidHandle);
}

TEST_F(RecognitionTest, SessionsNeedASignIn) {
    ASSERT_EQ(SignOut(), kSuccess);
    int error = 0;
    EXPECT_EQ(SessionBegin(nullptr, English().c_str(), &error), nullptr);
    EXPECT_EQ(error, kErrorNotInitialised);
    ASSERT_EQ(SignIn(nullptr, nullptr, "appid = 00000000, work_dir = ."), kSuccess);
    const char* session = SessionBegin(nullptr, English().c_str(), &error);
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(SessionEnd(session, "normal"), kSuccess);
}

} // namespace
