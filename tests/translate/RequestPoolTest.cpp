#include "translate/CRequestPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

namespace {

constexpr std::chrono::seconds kHangGuard{30};

// Counts finished tasks and the threads they ran on; tasks may hold until released.
class TaskLog {
public:
    std::function<void()> Task() {
        return [this] {
            std::unique_lock<std::mutex> lock(m_lock);
            ++m_started;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_released; });
            m_threads.insert(std::this_thread::get_id());
            ++m_finished;
            m_changed.notify_all();
        };
    }
    void Release() {
        std::lock_guard<std::mutex> guard(m_lock);
        m_released = true;
        m_changed.notify_all();
    }
    bool WaitStarted(int count) {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, kHangGuard, [&] { return m_started >= count; });
    }
    bool WaitFinished(int count) {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, kHangGuard, [&] { return m_finished >= count; });
    }
    std::size_t Threads() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_threads.size();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_released = false;
    int m_started = 0;
    int m_finished = 0;
    std::set<std::thread::id> m_threads;
};

// Waits until the pool's counts satisfy `done` (workers come and go on their own threads).
template <typename Done> bool WaitForPool(const CRequestPool& pool, Done done) {
    const auto deadline = std::chrono::steady_clock::now() + kHangGuard;
    while (!done(pool.Workers(), pool.IdleWorkers())) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Catches a fixed-size pool: a request waiting behind others (a long playback, a silent
// service) would never start here, since every task holds its worker until all have started.
TEST(RequestPoolTest, EveryTaskRunsAtOnceEvenWhenAllWorkersAreBusy) {
    auto pool = CRequestPool::Create({});
    TaskLog log;
    constexpr int kTasks = 24;
    for (int i = 0; i < kTasks; ++i)
        ASSERT_TRUE(pool->Run(log.Task()));
    EXPECT_TRUE(log.WaitStarted(kTasks));
    log.Release();
    ASSERT_TRUE(log.WaitFinished(kTasks));
    EXPECT_EQ(log.Threads(), static_cast<std::size_t>(kTasks));
}

// Catches a thread started per request: requests one after another share one worker.
TEST(RequestPoolTest, AFinishedWorkerTakesTheNextTask) {
    auto pool = CRequestPool::Create({});
    TaskLog log;
    log.Release();
    for (int i = 1; i <= 5; ++i) {
        ASSERT_TRUE(WaitForPool(
            *pool, [&](auto workers, auto idle) { return i == 1 || (workers == 1 && idle == 1); }));
        ASSERT_TRUE(pool->Run(log.Task()));
        ASSERT_TRUE(log.WaitFinished(i));
    }
    EXPECT_EQ(log.Threads(), 1u);
    EXPECT_EQ(pool->Workers(), 1u);
}

struct IdleCase {
    const char* name;
    CRequestPool::Limits limits;
    std::size_t workersLeft;
};

class RequestPoolIdleTest : public testing::TestWithParam<IdleCase> {};

// Catches workers that never leave: idle ones beyond the limit go at once, and all of them go
// after the idle time.
TEST_P(RequestPoolIdleTest, IdleWorkersLeave) {
    auto pool = CRequestPool::Create(GetParam().limits);
    TaskLog log;
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(pool->Run(log.Task()));
    ASSERT_TRUE(log.WaitStarted(8));
    log.Release();
    ASSERT_TRUE(log.WaitFinished(8));
    EXPECT_TRUE(WaitForPool(*pool,
                            [&](auto workers, auto idle) {
                                return workers == GetParam().workersLeft && idle == workers;
                            }))
        << "workers " << pool->Workers();
}

INSTANTIATE_TEST_SUITE_P(
    Limits, RequestPoolIdleTest,
    testing::Values(IdleCase{"keptUpToTheIdleLimit", {3, std::chrono::seconds(600)}, 3},
                    IdleCase{"goneAfterTheIdleTime", {16, std::chrono::milliseconds(20)}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// The pool's holder may let go while tasks run: the workers keep what they use alive.
TEST(RequestPoolTest, TasksFinishAfterTheLastHolderHasGone) {
    auto pool = CRequestPool::Create({16, std::chrono::milliseconds(20)});
    TaskLog log;
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(pool->Run(log.Task()));
    ASSERT_TRUE(log.WaitStarted(4));
    std::weak_ptr<CRequestPool> watch = pool;
    pool.reset();
    EXPECT_FALSE(watch.expired());
    log.Release();
    ASSERT_TRUE(log.WaitFinished(4));
    const auto deadline = std::chrono::steady_clock::now() + kHangGuard;
    while (!watch.expired() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(watch.expired());
}

} // namespace
