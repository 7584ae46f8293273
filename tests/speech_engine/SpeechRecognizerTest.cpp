#include "EngineTestSupport.h"
#include "RecordingCallBack.h"

#include "speech/CSpeechRecognizer.h"
#include "speech/XfSdkNotifier.h"
#include "speech/sdk/SpeechSdk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

using namespace enginetest;

namespace {

const auto* const kHome = ::testing::AddGlobalTestEnvironment(new ProgramHome);

const char* const kEnglish = "sub = iat, domain = iat, language = en_us, accent = mandarin, "
                             "sample_rate = 16000, result_type = json, result_encoding = utf8,"
                             "vad_eos = 100000,vad_bos = 100000,ptt=0,";

class SpeechRecognizerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(speechsdk::SignIn(nullptr, nullptr, "appid = , work_dir = ."), 0);
    }
    void SetUp() override {
        m_speech = ReadBytes(kGoForward);
        ASSERT_FALSE(m_speech.empty()) << kGoForward;
    }

    // The engine's notifier, counting the begin function as well.
    SpeechRecNotifier Notifier() {
        SpeechRecNotifier notifier = MakeXfSdkNotifier(&m_owner);
        notifier.onSpeechBegin = [this](CSpeechRecognizer&) { ++m_begins; };
        return notifier;
    }
    int Init(const std::string& params) {
        return m_recognizer.Init(params.c_str(), CSpeechRecognizer::kAudioFromCaller, "",
                                 Notifier());
    }
    // Writes in 200 ms blocks as the recorder would; the first non-zero result ends it.
    int Write(const std::vector<char>& audio) {
        for (std::size_t at = 0; at < audio.size(); at += 6400) {
            const std::size_t length = std::min<std::size_t>(6400, audio.size() - at);
            if (const int result = m_recognizer.WriteAudio(audio.data() + at, length))
                return result;
        }
        return 0;
    }

    std::vector<char> m_speech;
    RecordingCallBack m_owner;
    std::atomic<int> m_begins{0};
    CSpeechRecognizer m_recognizer;
};

TEST_F(SpeechRecognizerTest, CallerAudioIsRecognisedUpToTheLastResult) {
    ASSERT_EQ(Init(kEnglish), 0);
    ASSERT_EQ(m_recognizer.StartListening(), 0);
    EXPECT_EQ(m_recognizer.GetState(), CSpeechRecognizer::kListening);
    EXPECT_EQ(m_begins, 1);
    ASSERT_EQ(Write(m_speech), 0);
    ASSERT_EQ(m_recognizer.StopListening(), 0);

    EXPECT_EQ(m_recognizer.GetState(), CSpeechRecognizer::kNotListening);
    EXPECT_EQ(m_owner.Transcript(), kGoForwardText);
    const auto results = m_owner.Results();
    ASSERT_FALSE(results.empty());
    EXPECT_TRUE(results.back().last);
    for (std::size_t i = 0; i + 1 < results.size(); ++i)
        EXPECT_FALSE(results[i].last) << i;
    EXPECT_EQ(m_owner.SpeechEnds(), 0);
    // A stop when nothing listens returns at once and reports nothing more.
    EXPECT_EQ(m_recognizer.StopListening(), 0);
    EXPECT_EQ(m_owner.Results().size(), results.size());
}

TEST_F(SpeechRecognizerTest, ASecondStartWhileListeningFailsAndLeavesTheSessionAlone) {
    ASSERT_EQ(Init(kEnglish), 0);
    ASSERT_EQ(m_recognizer.StartListening(), 0);
    ASSERT_EQ(Write(std::vector<char>(m_speech.begin(), m_speech.begin() + m_speech.size() / 2)),
              0);
    EXPECT_EQ(m_recognizer.StartListening(), CSpeechRecognizer::kAlreadyListening);
    ASSERT_EQ(Write(std::vector<char>(m_speech.begin() + m_speech.size() / 2, m_speech.end())), 0);
    ASSERT_EQ(m_recognizer.StopListening(), 0);
    EXPECT_EQ(m_owner.Transcript(), kGoForwardText);
    EXPECT_EQ(m_begins, 1);
}

TEST_F(SpeechRecognizerTest, EndOfSpeechClosesTheSessionAndAStopAfterItDoesNothing) {
    // Eight tenths of a second of silence after speech end it.
    ASSERT_EQ(Init(std::string(kEnglish) + "vad_eos = 800,"), 0);
    ASSERT_EQ(m_recognizer.StartListening(), 0);
    ASSERT_EQ(Write(m_speech), 0);
    const std::vector<char> block = RoomNoise(200);
    for (int i = 0; i < 50 && m_owner.SpeechEnds() == 0; ++i)
        ASSERT_EQ(m_recognizer.WriteAudio(block.data(), block.size()), 0);

    EXPECT_EQ(m_owner.SpeechEnds(), 1);
    EXPECT_EQ(m_recognizer.GetState(), CSpeechRecognizer::kNotListening);
    EXPECT_EQ(m_owner.Transcript(), kGoForwardText);
    const auto results = m_owner.Results();
    ASSERT_FALSE(results.empty());
    EXPECT_TRUE(results.back().last);

    EXPECT_EQ(m_recognizer.StopListening(), 0);
    EXPECT_EQ(m_owner.Results().size(), results.size());
    // Audio after the session has gone is refused, not written to a dead session.
    EXPECT_EQ(m_recognizer.WriteAudio(block.data(), block.size()), speechsdk::kErrorInvalidHandle);
    EXPECT_EQ(m_owner.SpeechEnds(), 1);
}

TEST_F(SpeechRecognizerTest, ALanguageWithoutAModelFailsAtEveryStartWithTheLibrarysCode) {
    ASSERT_EQ(Init("language = zz_none, result_type = json"), 0);
    EXPECT_EQ(m_recognizer.StartListening(), speechsdk::kErrorModelNotFound);
    EXPECT_EQ(m_recognizer.GetState(), CSpeechRecognizer::kNotListening);
    EXPECT_EQ(m_recognizer.StartListening(), speechsdk::kErrorModelNotFound);
    EXPECT_EQ(m_begins, 0);
    EXPECT_EQ(m_recognizer.StopListening(), 0);
}

TEST_F(SpeechRecognizerTest, ForgettingTheSessionLetsTheNextStartOpenAFreshOne) {
    ASSERT_EQ(Init(kEnglish), 0);
    ASSERT_EQ(m_recognizer.StartListening(), 0);
    // The forgotten session has heard only the room.
    ASSERT_EQ(Write(RoomNoise(400)), 0);
    m_recognizer.MarkNotListening();
    ASSERT_EQ(m_recognizer.StartListening(), 0);
    ASSERT_EQ(Write(m_speech), 0);
    ASSERT_EQ(m_recognizer.StopListening(), 0);
    EXPECT_EQ(m_owner.Transcript(), kGoForwardText);
    EXPECT_EQ(m_begins, 2);
}

TEST_F(SpeechRecognizerTest, NoTextMeansTheDefaultText) {
    ASSERT_EQ(m_recognizer.Init(nullptr, CSpeechRecognizer::kAudioFromCaller, "", Notifier()), 0);
    EXPECT_EQ(m_recognizer.Params(),
              "sub = iat, domain = iat, language = zh_cn, accent = mandarin, sample_rate = 16000, "
              "result_type = plain, result_encoding = gb2312");
}

} // namespace
