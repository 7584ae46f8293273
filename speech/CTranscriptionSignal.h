#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

// The one point a transcription thread waits at: for its connection, its next pacing tick, the
// vendor's final result, or a stop. Whoever changes what it waits for (WebSocket handlers, the
// engine's quit) does so through Change, under the same lock, so no wake-up is missed.
// Shared (std::shared_ptr) by the transcription thread, its handlers and the engine.
class CTranscriptionSignal {
public:
    using Clock = std::chrono::steady_clock;

    // Ends every wait now and from now on; any thread.
    void RequestStop();
    bool StopRequested() const { return m_stop.load(); }

    // Runs change under the lock and wakes the waiter; any thread.
    void Change(const std::function<void()>& change);

    // Waits until condition (checked under the lock) holds, a stop is requested or the deadline
    // passes. True only when the condition holds.
    bool WaitUntil(Clock::time_point deadline, const std::function<bool()>& condition);
    // The same, whether a stop was requested or not (waiting for threads to wind down).
    bool WaitRegardlessOfStop(Clock::time_point deadline, const std::function<bool()>& condition);
    // Sleeps until the deadline; false when a stop came first.
    bool SleepUntil(Clock::time_point deadline);

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::atomic<bool> m_stop{false};
};
