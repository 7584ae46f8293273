#include "tests/speech_sdk/SpeechSdkTestSupport.h"
#include "tools/velmora-asr/AudioFile.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

using namespace speechsdktest;

namespace {

struct ToolRun {
    int exitCode = -1;
    std::vector<std::string> lines;
    std::string errors;
};

class VelmoraAsrTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/velmora-asr-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string File(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = dir_ + "/" + name;
        WriteBytes(path, bytes);
        return path;
    }

    ToolRun Run(const std::string& arguments) {
        const std::string errorsPath = dir_ + "/stderr.txt";
        const std::string command =
            std::string(VELMORA_ASR_PATH) + " " + arguments + " 2>" + errorsPath;
        ToolRun run;
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr)
            return run;
        std::string out;
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        const int status = pclose(pipe);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);)
            run.lines.push_back(line);
        const auto errors = ReadBytes(errorsPath);
        run.errors.assign(errors.begin(), errors.end());
        return run;
    }

    std::string dir_;
};

TEST_F(VelmoraAsrTest, RecognisesRawAndWavRecordings) {
    const auto speech = ReadBytes(kGoForward);
    for (const std::string& arguments :
         {std::string(kGoForward) + " --language english", File("go.wav", Wav(speech))}) {
        SCOPED_TRACE(arguments);
        const auto run = Run(arguments);
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        ASSERT_GE(run.lines.size(), 2u);
        EXPECT_EQ(run.lines.back(), "go forward ten meters");
        EXPECT_EQ(run.lines.front().rfind("{\"", 0), 0u) << run.lines.front();
    }
}

TEST_F(VelmoraAsrTest, RefusesWhatItCannotRead) {
    const auto speech = ReadBytes(kGoForward);
    const auto wav = Wav(speech);
    struct Case {
        std::string arguments;
        std::string message;
    };
    const Case cases[] = {
        {File("stereo.wav", Wav(speech, 44100, 2)), "16000 Hz mono 16-bit PCM is needed"},
        {File("float.wav", Wav(speech, 16000, 1, 32, 3)), "16000 Hz mono 16-bit PCM is needed"},
        {File("cut.wav", std::vector<uint8_t>(wav.begin(), wav.begin() + 30)), "truncated"},
        {File("noriff.wav", speech), "not a WAV file"},
        {File("notes.txt", {'h', 'i', '\n'}), "neither a WAV file nor raw"},
        {dir_ + "/missing.raw", "cannot read"},
        {std::string(kGoForward) + " --language klingon", "unknown language key klingon"},
        {std::string(kGoForward) + " --language english --params ptt=0", "either"},
        {"", "no recording given"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const auto run = Run(c.arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.errors.find(c.message), std::string::npos) << run.errors;
        EXPECT_TRUE(run.lines.empty());
    }
}

TEST(AudioFileTest, ReadsTheSamplesOfEveryUsableWavLayout) {
    const std::vector<uint8_t> samples{1, 2, 3, 4, 5, 6};

    auto loaded = AudioFile::FromWav(Wav(samples));
    ASSERT_TRUE(loaded.ok) << loaded.error;
    EXPECT_EQ(loaded.pcm, samples);

    // A list chunk before the data, and an odd-sized chunk with its pad byte.
    auto withList = Wav(samples);
    const std::vector<uint8_t> list{'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    withList.insert(withList.begin() + 36, list.begin(), list.end());
    loaded = AudioFile::FromWav(withList);
    ASSERT_TRUE(loaded.ok) << loaded.error;
    EXPECT_EQ(loaded.pcm, samples);

    // Data shorter than the header says: what is there is used, with a warning.
    auto shortData = Wav(samples);
    shortData.resize(shortData.size() - 2);
    loaded = AudioFile::FromWav(shortData);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.pcm, std::vector<uint8_t>(samples.begin(), samples.end() - 2));
    EXPECT_FALSE(loaded.warning.empty());

    // Data before any format chunk is refused.
    std::vector<uint8_t> dataFirst{'R', 'I', 'F', 'F', 0,   0, 0, 0, 'W', 'A', 'V',
                                   'E', 'd', 'a', 't', 'a', 2, 0, 0, 0,   1,   2};
    EXPECT_FALSE(AudioFile::FromWav(dataFirst).ok);
}

} // namespace
