#include "speech_transcriber/TranscriberTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

using namespace transcribertest;

namespace {

const char kGoForward[] = "/usr/share/pocketsphinx/test/data/goforward.raw";

// A quiet room: deterministic noise a few steps above zero, 16 kHz s16.
std::string RoomNoise(int ms) {
    std::string bytes;
    std::uint32_t state = 12345;
    for (int i = 0; i < ms * 16; ++i) {
        state = state * 1103515245u + 12345u;
        const auto sample = static_cast<std::int16_t>(int((state >> 16) % 9) - 4);
        bytes.push_back(static_cast<char>(sample & 0xFF));
        bytes.push_back(static_cast<char>((static_cast<std::uint16_t>(sample) >> 8) & 0xFF));
    }
    return bytes;
}

// No dictation service: the local recogniser does the work.
TranscriberSettings Offline() {
    return TranscriberSettings();
}

class OfflineTranscriptionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // An empty program home: en_us comes from Debian's model, nothing else has one.
        s_home = std::make_unique<Folder>();
        setenv("VELMORA_HOME", s_home->File("").c_str(), 1);
    }
    static void TearDownTestSuite() {
        unsetenv("VELMORA_HOME");
        s_home.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(m_folder.Valid());
        m_speech = ReadFile(kGoForward);
        ASSERT_FALSE(m_speech.empty());
    }
    std::string Pcm() const { return m_folder.File("rec.pcm"); }
    std::string Txt() const { return m_folder.File("rec.txt"); }

    static std::unique_ptr<Folder> s_home;
    Folder m_folder;
    std::string m_speech;
};
std::unique_ptr<Folder> OfflineTranscriptionTest::s_home;

// Catches: the recording not reaching the recogniser, or its text not reaching the file.
TEST_F(OfflineTranscriptionTest, RecordedSpeechIsTranscribedIntoTheTextFile) {
    WriteFile(Pcm(), m_speech);
    WriteFile(Txt(), "an older transcript that is longer than the new one");
    TranscriberUnderTest transcriber(Offline());

    transcriber.Transcribe(Pcm(), Txt(), "en_us");

    ASSERT_TRUE(transcriber.WaitForFinished());
    EXPECT_EQ(transcriber.Finished(), std::vector<bool>{false});
    EXPECT_EQ(ReadFile(Txt()), "go forward ten meters.");
    EXPECT_EQ(transcriber.Percents().back(), 100);
    EXPECT_EQ(m_folder.Names().size(), 2u);
}

// Catches: a session that is not renewed after its end point (everything after the first
// sentence would be ignored), and sentences of two sessions run together.
TEST_F(OfflineTranscriptionTest, EachEndPointStartsANewSession) {
    WriteFile(Pcm(), RoomNoise(500) + m_speech + RoomNoise(3000) + m_speech + RoomNoise(500));
    TranscriberUnderTest transcriber(Offline());

    transcriber.Transcribe(Pcm(), Txt(), "en_us");

    ASSERT_TRUE(transcriber.WaitForFinished());
    EXPECT_EQ(transcriber.Finished(), std::vector<bool>{false});
    EXPECT_EQ(ReadFile(Txt()), "go forward ten meters. go forward ten meters.");
}

// Catches: a language without a model, or a language text that would read as more session
// parameters, reported as a finished transcript; the previous transcript must survive.
TEST_F(OfflineTranscriptionTest, ALanguageWithoutAModelFails) {
    const char* languages[] = {"zh_cn", "xx_yy", "en_us, vad_eos = 1", ""};
    for (const char* language : languages) {
        SCOPED_TRACE(language);
        WriteFile(Pcm(), m_speech);
        WriteFile(Txt(), "an older transcript");
        TranscriberUnderTest transcriber(Offline());

        transcriber.Transcribe(Pcm(), Txt(), language);

        ASSERT_TRUE(transcriber.WaitForFinished());
        EXPECT_EQ(transcriber.Finished(), std::vector<bool>{true});
        EXPECT_EQ(ReadFile(Txt()), "an older transcript");
        EXPECT_EQ(m_folder.Names().size(), 2u);
    }
}

// Catches: an empty recording treated as a failure or leaving no text file.
TEST_F(OfflineTranscriptionTest, AnEmptyRecordingCompletesEmpty) {
    WriteFile(Pcm(), "");
    TranscriberUnderTest transcriber(Offline());

    transcriber.Transcribe(Pcm(), Txt(), "en_us");

    ASSERT_TRUE(transcriber.WaitForFinished());
    EXPECT_EQ(transcriber.Finished(), std::vector<bool>{false});
    EXPECT_TRUE(std::filesystem::exists(Txt()));
    EXPECT_EQ(ReadFile(Txt()), "");
    EXPECT_EQ(transcriber.Percents(), std::vector<int>{100});
}

// Catches: files that cannot be opened reported as a finished transcript, on either path.
TEST_F(OfflineTranscriptionTest, FilesThatCannotBeOpenedFailOnBothPaths) {
    TranscriberSettings vendor;
    vendor.stream.address = "wss://127.0.0.1:1/v2/iat";
    vendor.stream.appId = "5f3a9c1e";
    vendor.stream.apiKey = "k";
    vendor.stream.apiSecret = "s";
    vendor.retryPause = 10ms;
    WriteFile(Pcm(), m_speech);
    struct Case {
        const char* name;
        std::string pcm;
        std::string txt;
    };
    const Case cases[] = {
        {"no PCM file", m_folder.File("missing.pcm"), Txt()},
        {"PCM path is a folder", m_folder.File(""), Txt()},
        {"text folder missing", Pcm(), m_folder.File("missing/rec.txt")},
    };
    for (const bool useVendor : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (useVendor ? " (vendor)" : " (offline)"));
            WriteFile(Txt(), "an older transcript");
            TranscriberUnderTest transcriber(useVendor ? vendor : Offline());

            transcriber.Transcribe(c.pcm, c.txt, "en_us");

            ASSERT_TRUE(transcriber.WaitForFinished());
            EXPECT_EQ(transcriber.Finished(), std::vector<bool>{true});
            EXPECT_EQ(ReadFile(Txt()), "an older transcript");
            EXPECT_TRUE(transcriber.Percents().empty());
        }
    }
}

} // namespace
