#pragma once

#include "speech/EngineCommand.h"
#include "speech/IEngineActions.h"

#include <atomic>
#include <memory>
#include <mutex>

// The worker model every engine shares: Start launches a detached worker thread that prepares
// the engine, then performs one command at a time, each to its end, until quit.
class CEngineWorker {
public:
    explicit CEngineWorker(std::shared_ptr<IEngineActions> actions);

    // Returns at once. A worker started while a previous one is still quitting waits for it to
    // end before it prepares, so two workers never drive the same engine state together.
    void Start();
    // Hands a command letter to the worker; see EngineCommand::Post for letters posted while
    // no worker runs.
    void Post(char letter);
    // True while a worker thread exists (from Start until its clean-up has finished).
    bool IsRunning() const;

private:
    struct Shared {
        explicit Shared(std::shared_ptr<IEngineActions> a) : actions(std::move(a)) {}
        std::shared_ptr<IEngineActions> actions;
        EngineCommand mailbox;
        std::mutex oneWorkerAtATime;
        std::atomic<int> workers{0};
    };

    static void RunWorker(const std::shared_ptr<Shared>& shared);
    static void RunCommandLoop(Shared& shared);

    std::shared_ptr<Shared> m_shared;
};
