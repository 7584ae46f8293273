#include "PulseTestServer.h"

#include "speech/CSrRecorder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

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
        return arrived.wait_for(lock, 5s, [&] { return blocks.size() >= count; });
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

    bool WaitUntilStopped() {
        for (int i = 0; i < 2000; ++i) {
            if (m_recorder->IsStopped())
                return true;
            std::this_thread::sleep_for(1ms);
        }
        return false;
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
    std::this_thread::sleep_for(300ms);
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

TEST(SrRecorderWithoutServer, OpenFailsAndStartSaysNotOpen) {
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
    EXPECT_LT(opened, 0);
    EXPECT_EQ(recorder->GetState(), CSrRecorder::StateClosed);
    EXPECT_EQ(recorder->Start(), CSrRecorder::kNotOpen);
}

} // namespace
