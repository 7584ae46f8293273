#include "PulseTestServer.h"

#include "app/Log.h"
#include "speech/CSrRecorder.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// Only a hang ends these waits; a loaded machine may take long for what must come.
constexpr auto kHangGuard = 30s;

// What the recorder's owner receives, as the owner's callback thread sees it.
struct Received {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::vector<char>> blocks;
    std::thread::id thread;

    static void Collect(const char* data, std::size_t length, void* user) {
        auto* self = static_cast<Received*>(user);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->blocks.emplace_back(data, data + length);
        self->thread = std::this_thread::get_id();
        self->arrived.notify_all();
    }
    bool WaitForBlocks(std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, kHangGuard, [&] { return blocks.size() >= count; });
    }
};

class SrRecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!pulsetest::Available(&why))
            GTEST_SKIP() << why;
        m_source = std::make_unique<pulsetest::PipeSource>("velmora_sr_" + std::to_string(getpid()),
                                                           "Velmora Recogniser Test Input");
        ASSERT_TRUE(m_source->Loaded());
        m_source->MakeDefault();
        m_recorder = CSrRecorder::Create(&Received::Collect, &m_received);
    }

    // The recorder tells of no stop, so its state is polled.
    bool WaitUntilStopped() {
        const auto deadline = std::chrono::steady_clock::now() + kHangGuard;
        while (!m_recorder->IsStopped()) {
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }

    std::unique_ptr<pulsetest::PipeSource> m_source;
    Received m_received;
    std::unique_ptr<CSrRecorder> m_recorder;
};

TEST_F(SrRecorderTest, CallbackGetsEveryBlockAndTheLastPartOnItsOwnThread) {
    ASSERT_EQ(m_recorder->Open(), 0);
    EXPECT_EQ(m_recorder->GetState(), CSrRecorder::StateOpen);
    ASSERT_EQ(m_recorder->Start(), 0);
    EXPECT_FALSE(m_recorder->IsStopped());

    // Ten blocks, more than the four buffers, and 1280 bytes more.
    const std::size_t block = m_recorder->BufferBytes();
    const std::vector<char> pattern = pulsetest::Pattern(10 * block + 1280, 5);
    ASSERT_TRUE(m_source->Write(pattern));
    ASSERT_TRUE(m_received.WaitForBlocks(10));
    // The last part reaches the callback only at the stop, so the stop waits until the server
    // has taken the whole pattern out of the fifo.
    ASSERT_TRUE(m_source->WaitUntilTaken(kHangGuard));
    ASSERT_EQ(m_recorder->Stop(), 0);
    ASSERT_TRUE(WaitUntilStopped());

    std::lock_guard<std::mutex> lock(m_received.mutex);
    std::vector<char> all;
    for (std::size_t i = 0; i < m_received.blocks.size(); ++i) {
        if (i < 10) {
            EXPECT_EQ(m_received.blocks[i].size(), 6400u) << "block " << i;
        }
        all.insert(all.end(), m_received.blocks[i].begin(), m_received.blocks[i].end());
    }
    EXPECT_EQ(all, pattern);
    EXPECT_NE(m_received.thread, std::this_thread::get_id());
    EXPECT_EQ(m_recorder->GetState(), CSrRecorder::StateOpen);
}

TEST_F(SrRecorderTest, StatesAndTheirAnswers) {
    EXPECT_EQ(m_recorder->Start(), CSrRecorder::kNotOpen);
    EXPECT_EQ(m_recorder->Stop(), -1);
    ASSERT_EQ(m_recorder->Open(), 0);
    EXPECT_EQ(m_recorder->Stop(), -1);
    ASSERT_EQ(m_recorder->Start(), 0);
    EXPECT_EQ(m_recorder->Start(), 0);
    EXPECT_EQ(m_recorder->GetState(), CSrRecorder::StateRecording);
    EXPECT_FALSE(m_recorder->IsStopped());
    ASSERT_EQ(m_recorder->Stop(), 0);
    EXPECT_TRUE(WaitUntilStopped());
    m_recorder->Close();
    EXPECT_EQ(m_recorder->GetState(), CSrRecorder::StateClosed);
    EXPECT_EQ(m_recorder->Start(), CSrRecorder::kNotOpen);
}

TEST_F(SrRecorderTest, RestartsAfterAStopWithAllFourBuffers) {
    ASSERT_EQ(m_recorder->Open(), 0);
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(m_recorder->Start(), 0) << "round " << round;
        ASSERT_EQ(m_recorder->Stop(), 0) << "round " << round;
        ASSERT_TRUE(WaitUntilStopped()) << "round " << round;
    }
    ASSERT_EQ(m_recorder->Start(), 0);
    const std::vector<char> pattern = pulsetest::Pattern(4 * m_recorder->BufferBytes(), 6);
    ASSERT_TRUE(m_source->Write(pattern));
    ASSERT_TRUE(m_received.WaitForBlocks(4));
}

TEST_F(SrRecorderTest, ACallbackBehindForTheWholeBacklogLosesOnlyLoggedBlocks) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString logPath = dir.path() + "/log.log";
    applog::InitLogging(logPath);
    const auto droppedInLog = [&logPath] {
        QFile file(logPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll().count("audio dropped") : 0;
    };
    // The owner's callback hangs on the first block until the test lets it go.
    struct Held {
        std::mutex mutex;
        std::condition_variable released;
        bool free = false;
        std::size_t blocks = 0;
    } held;
    auto recorder = CSrRecorder::Create(
        [&held](const char*, std::size_t, void*) {
            std::unique_lock<std::mutex> lock(held.mutex);
            ++held.blocks;
            held.released.notify_all();
            held.released.wait(lock, [&held] { return held.free; });
        },
        nullptr);
    ASSERT_EQ(recorder->Open(), 0);
    ASSERT_EQ(recorder->Start(), 0);

    constexpr int kDropped = 3;
    const std::size_t kept = CSrRecorder::kBufferCount + CSrRecorder::kMaxBacklog;
    ASSERT_TRUE(m_source->Write(pulsetest::Pattern((kept + kDropped) * recorder->BufferBytes())));
    for (int i = 0; i < 4000 && droppedInLog() < kDropped; ++i)
        std::this_thread::sleep_for(5ms);
    {
        std::lock_guard<std::mutex> lock(held.mutex);
        held.free = true;
    }
    held.released.notify_all();
    {
        std::unique_lock<std::mutex> lock(held.mutex);
        held.released.wait_for(lock, kHangGuard, [&] { return held.blocks == kept; });
    }
    ASSERT_EQ(recorder->Stop(), 0);
    recorder->Close();
    applog::StopLogging();

    // Every block is either handed over or named in the log.
    EXPECT_EQ(held.blocks, kept);
    EXPECT_EQ(droppedInLog(), kDropped);
}

TEST(SrRecorderFormat, SampleRateComesFromTheParameterText) {
    struct Case {
        const char* params;
        unsigned rate;
    };
    const Case cases[] = {
        {"sub = iat, domain = iat, language = zh_cn, accent = mandarin, sample_rate = 16000, "
         "result_type = json,",
         16000},
        {"sample_rate=8000,ptt=0", 8000},
        {"sub = iat, result_type = plain", 0},
        {"sample_rate = , ptt = 1", 0},
        {"sample_rate", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CSrRecorder::SampleRateFromParams(c.params), c.rate) << c.params;
}

TEST(SrRecorderFormat, BuffersHold200Milliseconds) {
    EXPECT_EQ(CSrRecorder::BufferBytesFor(16000), 6400u);
    EXPECT_EQ(CSrRecorder::BufferBytesFor(8000), 3200u);
}

TEST(SrRecorderWithoutServer, OpenAnswersZeroAndStartSaysNotOpen) {
    std::string why;
    if (!pulsetest::Available(&why))
        GTEST_SKIP() << why;
    const char* previous = std::getenv("PULSE_SERVER");
    const std::string saved = previous ? previous : "";
    setenv("PULSE_SERVER", "unix:/nonexistent/velmora/pulse/native", 1);
    auto recorder = CSrRecorder::Create(nullptr, nullptr);
    const int opened = recorder->Open();
    if (previous)
        setenv("PULSE_SERVER", saved.c_str(), 1);
    else
        unsetenv("PULSE_SERVER");
    // The failure shows at Start, as for every owner of the recorder.
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(recorder->GetState(), CSrRecorder::StateClosed);
    EXPECT_EQ(recorder->Start(), CSrRecorder::kNotOpen);
}

} // namespace
