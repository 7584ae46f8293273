#include "speech/CEngineWorker.h"
#include "speech_ws/FakeXfServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace {

class RecordingActions : public IEngineActions {
public:
    explicit RecordingActions(bool prepares = true, int failuresFirst = 0)
        : prepares_(prepares), failuresLeft_(failuresFirst) {}

    bool Prepare() override {
        Note("prepare");
        return failuresLeft_-- > 0 ? false : prepares_;
    }
    void OnBegin() override { Note("begin"); }
    void OnEnd() override { Note("end"); }
    void OnQuit() override { Note("quit"); }
    void OnUpdate() override { Note("update"); }
    void CleanUp() override { Note("cleanup"); }

    std::vector<std::string> Calls() const {
        std::lock_guard<std::mutex> guard(lock_);
        return calls_;
    }

private:
    void Note(const char* call) {
        std::lock_guard<std::mutex> guard(lock_);
        calls_.push_back(call);
    }
    const bool prepares_;
    std::atomic<int> failuresLeft_;
    mutable std::mutex lock_;
    std::vector<std::string> calls_;
};

TEST(EngineWorker, PerformsEveryCommandInPostedOrderWhateverTheCase) {
    auto actions = std::make_shared<RecordingActions>();
    CEngineWorker worker(actions);
    worker.Start();
    // Posted back to back, faster than the worker can take them: none may be lost.
    for (const char letter : std::string("RxsCr?SQ"))
        worker.Post(letter);

    ASSERT_TRUE(WaitUntil([&] { return !worker.IsRunning(); }));
    EXPECT_EQ(actions->Calls(), (std::vector<std::string>{"prepare", "begin", "end", "update",
                                                          "begin", "end", "quit", "cleanup"}));
}

TEST(EngineWorker, RestartAfterQuitRunsOneWorkerAtATime) {
    auto actions = std::make_shared<RecordingActions>();
    CEngineWorker worker(actions);
    worker.Start();
    worker.Post('q');
    worker.Start(); // the owner's restart may come before the first worker has finished
    worker.Post('r');
    worker.Post('q');

    ASSERT_TRUE(WaitUntil([&] { return !worker.IsRunning(); }));
    EXPECT_EQ(actions->Calls(), (std::vector<std::string>{"prepare", "quit", "cleanup", "prepare",
                                                          "begin", "quit", "cleanup"}));
}

TEST(EngineWorker, FailedPreparationEndsTheWorkerWithoutActions) {
    auto actions = std::make_shared<RecordingActions>(false);
    CEngineWorker worker(actions);
    worker.Post('r');
    worker.Start();

    ASSERT_TRUE(WaitUntil([&] { return !worker.IsRunning(); }));
    EXPECT_EQ(actions->Calls(), std::vector<std::string>{"prepare"});
}

TEST(EngineWorker, KeysPressedWhileNoWorkerRunsLeaveOnlyTheLatestCommand) {
    auto actions = std::make_shared<RecordingActions>(true, 1);
    CEngineWorker worker(actions);
    worker.Start(); // cannot prepare (no microphone, say) and ends at once
    ASSERT_TRUE(WaitUntil([&] { return !worker.IsRunning(); }));
    for (const char letter : std::string("rsrs"))
        worker.Post(letter);
    worker.Start();
    worker.Post('q');

    ASSERT_TRUE(WaitUntil([&] { return !worker.IsRunning(); }));
    EXPECT_EQ(actions->Calls(),
              (std::vector<std::string>{"prepare", "prepare", "end", "quit", "cleanup"}));
}

// One step of the owner: a command letter, a start, or a wait until no worker runs.
struct QuitCase {
    const char* name;
    int failedPreparations; // the first preparations fail (no microphone at that moment)
    const char* steps;      // letters are posted; '+' starts, '.' waits for the worker to end
    std::vector<std::string> calls;
};

class EngineWorkerQuit : public ::testing::TestWithParam<QuitCase> {};

TEST_P(EngineWorkerQuit, AQuitWithoutAWorkerDoesNotEndTheNextOne) {
    const QuitCase& c = GetParam();
    auto actions = std::make_shared<RecordingActions>(true, c.failedPreparations);
    CEngineWorker worker(actions);
    for (const char* step = c.steps; *step; ++step) {
        if (*step == '+')
            worker.Start();
        else if (*step == '.')
            ASSERT_TRUE(WaitUntil([&] { return !worker.IsRunning(); }));
        else
            worker.Post(*step);
    }
    ASSERT_TRUE(WaitUntil([&] { return !worker.IsRunning(); }));
    EXPECT_EQ(actions->Calls(), c.calls);
}

INSTANTIATE_TEST_SUITE_P(
    Owners, EngineWorkerQuit,
    ::testing::Values(
        // The device is removed before its generation is known: the engine was never started.
        QuitCase{"BeforeAnyStart", 0, "q+rsq", {"prepare", "begin", "end", "quit", "cleanup"}},
        QuitCase{
            "AfterAFailedStart", 1, "+.q+rq", {"prepare", "prepare", "begin", "quit", "cleanup"}},
        // The owner quits, and quits again while the worker is ending.
        QuitCase{"TwiceWhileEnding",
                 0,
                 "+qq.+rq",
                 {"prepare", "quit", "cleanup", "prepare", "begin", "quit", "cleanup"}}),
    [](const ::testing::TestParamInfo<QuitCase>& info) { return info.param.name; });

} // namespace
