#include "PulseTestServer.h"

#include "speech/CWaveRecorder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

constexpr std::size_t kBlock = CWaveRecorder::kBlockBytes;
// Only a hang ends the waits for what must come; a loaded machine may take long.
constexpr auto kHangGuard = 30s;

class WaveRecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!pulsetest::Available(&why))
            GTEST_SKIP() << why;
        m_source = std::make_unique<pulsetest::PipeSource>(
            "velmora_wave_" + std::to_string(getpid()), "Velmora Wave Test Input");
        ASSERT_TRUE(m_source->Loaded());
        m_source->MakeDefault();
        ASSERT_EQ(pulsetest::DefaultSource(), m_source->Name());
        ASSERT_EQ(m_recorder.Open(), 0);
        m_recorder.SetSenderThread(m_sender);
    }
    void TearDown() override { m_recorder.Close(); }

    // Every audio-data block until count blocks came, or nothing came within the hang guard.
    std::vector<char> TakeBlocks(std::size_t count) {
        std::vector<char> bytes;
        ThreadMessage message;
        for (std::size_t i = 0; i < count && m_sender->TakeFor(message, kHangGuard); ++i) {
            EXPECT_EQ(message.message, CWaveRecorder::kAudioDataMessage);
            EXPECT_EQ(message.data.size(), kBlock);
            bytes.insert(bytes.end(), message.data.begin(), message.data.end());
        }
        return bytes;
    }

    std::unique_ptr<pulsetest::PipeSource> m_source;
    std::shared_ptr<ThreadMessageQueue> m_sender = std::make_shared<ThreadMessageQueue>();
    CWaveRecorder m_recorder;
};

std::shared_ptr<std::FILE> UnbufferedTempFile() {
    std::shared_ptr<std::FILE> file(std::tmpfile(), [](std::FILE* f) {
        if (f)
            std::fclose(f);
    });
    if (file)
        std::setvbuf(file.get(), nullptr, _IONBF, 0);
    return file;
}

std::vector<char> FileContent(std::FILE* file) {
    std::vector<char> bytes;
    std::rewind(file);
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    return bytes;
}

// A file tells of no writes, so its size is polled until it holds at least size bytes.
bool WaitForFileSize(std::FILE* file, std::size_t size) {
    const auto deadline = std::chrono::steady_clock::now() + kHangGuard;
    while (FileContent(file).size() < size) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

TEST_F(WaveRecorderTest, DeliversTheCapturedBytesInOrderAsBlocksToSenderAndFile) {
    auto file = UnbufferedTempFile();
    ASSERT_TRUE(file);
    m_recorder.SetRecordingFile(file);
    ASSERT_EQ(m_recorder.Start(), 0);
    const std::vector<char> pattern = pulsetest::Pattern(12 * kBlock);
    ASSERT_TRUE(m_source->Write(pattern));

    EXPECT_EQ(TakeBlocks(12), pattern);
    ASSERT_EQ(m_recorder.Stop(), 0);
    m_recorder.SetRecordingFile(nullptr);
    EXPECT_EQ(FileContent(file.get()), pattern);
}

TEST_F(WaveRecorderTest, StopSendsWholeBlocksThenAudioEndAndDropsTheRest) {
    // 250 ms of audio: two blocks, then the end; the last 50 ms are not sent.
    ASSERT_EQ(m_recorder.Start(), 0);
    const std::vector<char> pattern = pulsetest::Pattern(kBlock * 5 / 2, 2);
    ASSERT_TRUE(m_source->Write(pattern));
    const std::vector<char> sent = TakeBlocks(2);
    std::this_thread::sleep_for(100ms);
    ASSERT_EQ(m_recorder.Stop(), 0);

    EXPECT_EQ(sent, std::vector<char>(pattern.begin(), pattern.begin() + 2 * kBlock));
    ThreadMessage message;
    ASSERT_TRUE(m_sender->TakeFor(message, kHangGuard));
    EXPECT_EQ(message.message, CWaveRecorder::kAudioEndMessage);
    EXPECT_FALSE(m_sender->TakeFor(message, 200ms));
    EXPECT_EQ(m_recorder.SenderThread(), nullptr);
    EXPECT_EQ(m_recorder.GetState(), CWaveRecorder::Idle);
}

TEST_F(WaveRecorderTest, WithoutSenderBlocksStillGoToTheRecordingFile) {
    m_recorder.SetSenderThread(nullptr);
    auto file = UnbufferedTempFile();
    ASSERT_TRUE(file);
    m_recorder.SetRecordingFile(file);
    ASSERT_EQ(m_recorder.Start(), 0);
    const std::vector<char> pattern = pulsetest::Pattern(3 * kBlock, 3);
    ASSERT_TRUE(m_source->Write(pattern));
    ASSERT_TRUE(WaitForFileSize(file.get(), pattern.size()));
    ASSERT_EQ(m_recorder.Stop(), 0);
    m_recorder.SetRecordingFile(nullptr);
    EXPECT_EQ(FileContent(file.get()), pattern);
}

TEST_F(WaveRecorderTest, StartAndStopOnlyActInTheirStates) {
    EXPECT_EQ(m_recorder.Stop(), -1);
    ASSERT_EQ(m_recorder.Start(), 0);
    EXPECT_EQ(m_recorder.Start(), -1);
    EXPECT_EQ(m_recorder.GetState(), CWaveRecorder::Recording);
    EXPECT_EQ(m_recorder.Stop(), 0);
    EXPECT_EQ(m_recorder.Stop(), -1);

    CWaveRecorder unopened;
    EXPECT_LT(unopened.Start(), 0);
}

TEST_F(WaveRecorderTest, RepeatedSessionsEachEndWithAudioEndAndKeepDelivering) {
    for (int round = 0; round < 20; ++round) {
        m_recorder.SetSenderThread(m_sender);
        ASSERT_EQ(m_recorder.Start(), 0) << "round " << round;
        ASSERT_EQ(m_recorder.Stop(), 0) << "round " << round;
        ThreadMessage message;
        ASSERT_TRUE(m_sender->TakeFor(message, kHangGuard));
        EXPECT_EQ(message.message, CWaveRecorder::kAudioEndMessage);
    }
    m_recorder.SetSenderThread(m_sender);
    ASSERT_EQ(m_recorder.Start(), 0);
    const std::vector<char> pattern = pulsetest::Pattern(2 * kBlock, 4);
    ASSERT_TRUE(m_source->Write(pattern));
    EXPECT_EQ(TakeBlocks(2), pattern);
}

// When a streaming connection opens, measured against the capture of its session.
struct LateConnectionCase {
    const char* name;
    bool sessionsBefore; // capture was started and stopped before the connection opened
    bool nextSession;    // a new session starts afterwards
};

class WaveRecorderLateConnection : public WaveRecorderTest,
                                   public ::testing::WithParamInterface<LateConnectionCase> {};

TEST_P(WaveRecorderLateConnection, GetsTheAudioEndAtOnceAndNoBlockOfTheNextSession) {
    m_recorder.SetSenderThread(nullptr);
    if (GetParam().sessionsBefore) {
        ASSERT_EQ(m_recorder.Start(), 0);
        ASSERT_EQ(m_recorder.Stop(), 0);
    }
    auto late = std::make_shared<ThreadMessageQueue>();
    m_recorder.AttachSender(late);

    ThreadMessage message;
    ASSERT_TRUE(late->TryTake(message));
    EXPECT_EQ(message.message, CWaveRecorder::kAudioEndMessage);
    EXPECT_EQ(m_recorder.SenderThread(), nullptr);
    if (GetParam().nextSession) {
        m_recorder.AttachSender(m_sender); // the next session's own connection
        ASSERT_EQ(m_recorder.Start(), 0);
        const std::vector<char> pattern = pulsetest::Pattern(2 * kBlock, 5);
        ASSERT_TRUE(m_source->Write(pattern));
        ASSERT_EQ(m_recorder.Stop(), 0);
    }
    EXPECT_FALSE(late->TryTake(message));
}

INSTANTIATE_TEST_SUITE_P(
    Moments, WaveRecorderLateConnection,
    ::testing::Values(LateConnectionCase{"BeforeAnyCapture", false, false},
                      LateConnectionCase{"AfterCaptureStopped", true, false},
                      LateConnectionCase{"AfterCaptureStoppedThenNextSession", true, true}),
    [](const ::testing::TestParamInfo<LateConnectionCase>& info) { return info.param.name; });

TEST_F(WaveRecorderTest, AConnectionOpenedWhileRecordingTakesTheBlocksAndTheEnd) {
    m_recorder.SetSenderThread(nullptr);
    ASSERT_EQ(m_recorder.Start(), 0);
    m_recorder.AttachSender(m_sender);
    EXPECT_EQ(m_recorder.SenderThread(), m_sender);
    const std::vector<char> pattern = pulsetest::Pattern(2 * kBlock, 6);
    ASSERT_TRUE(m_source->Write(pattern));
    EXPECT_EQ(TakeBlocks(2), pattern);
    ASSERT_EQ(m_recorder.Stop(), 0);
    ThreadMessage message;
    ASSERT_TRUE(m_sender->TakeFor(message, kHangGuard));
    EXPECT_EQ(message.message, CWaveRecorder::kAudioEndMessage);
}

TEST(WaveRecorderWithoutServer, OpenFailsWithANegativeCode) {
    std::string why;
    if (!pulsetest::Available(&why))
        GTEST_SKIP() << why;
    const char* previous = std::getenv("PULSE_SERVER");
    const std::string saved = previous ? previous : "";
    setenv("PULSE_SERVER", "unix:/nonexistent/velmora/pulse/native", 1);
    CWaveRecorder recorder;
    const int opened = recorder.Open();
    const int started = recorder.Start();
    if (previous)
        setenv("PULSE_SERVER", saved.c_str(), 1);
    else
        unsetenv("PULSE_SERVER");
    EXPECT_LT(opened, 0);
    EXPECT_LT(started, 0);
    EXPECT_FALSE(recorder.IsOpen());
}

} // namespace
