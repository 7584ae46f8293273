#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

// The threads translation and speech requests run on. A request never waits for another one:
// it goes to an idle worker when there is one and to a new worker otherwise, so a long
// playback or a silent service cannot hold up a translation, and two Speak calls still play at
// the same time. Workers that have finished stay for the next request (starting a thread costs
// more than a request to a nearby service) and leave after a spell without work, or at once
// when enough others are idle already.
//
// The workers are detached and share the pool with whoever holds it, so neither the pool's
// owner nor a request's engine has to outlive them. Run may be called from any thread.
class CRequestPool : public std::enable_shared_from_this<CRequestPool> {
public:
    struct Limits {
        // Workers kept waiting for work; one that finishes while this many wait leaves.
        std::size_t maxIdleWorkers = 16;
        // A worker without work for this long leaves.
        std::chrono::milliseconds idleTimeout{30000};
    };

    // The pool every translation engine of the process shares.
    static std::shared_ptr<CRequestPool> Shared();

    static std::shared_ptr<CRequestPool> Create(Limits limits);
    CRequestPool(const CRequestPool&) = delete;
    CRequestPool& operator=(const CRequestPool&) = delete;

    // Runs the task on a worker. False (and the task is dropped) only when it needed a new
    // worker and no thread could be started.
    bool Run(std::function<void()> task);

    // Workers alive and, of them, those waiting for work.
    std::size_t Workers() const;
    std::size_t IdleWorkers() const;

private:
    explicit CRequestPool(Limits limits) : m_limits(limits) {}
    // Runs `task`, then the tasks handed over while this worker waits.
    void Work(std::function<void()> task);

    const Limits m_limits;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks; // handed over, not yet taken by a worker
    std::size_t m_workers = 0;
    std::size_t m_idle = 0; // workers waiting on m_wake
};
