#pragma once

#include "platform/IAudioPlayer.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

// What a player told its listener, for a test to wait on. Shared with the listener, which runs
// on the player's thread.
struct PlayerOutcome {
    std::mutex lock;
    std::condition_variable changed;
    int finished = 0;
    int failed = 0;
    std::string reason;
    std::int64_t duration = 0;

    static platform::IAudioPlayer::Listener ListenerOf(const std::shared_ptr<PlayerOutcome>& o) {
        platform::IAudioPlayer::Listener listener;
        listener.finished = [o] { o->Update([&] { ++o->finished; }); };
        listener.failed = [o](const std::string& why) {
            o->Update([&] {
                ++o->failed;
                o->reason = why;
            });
        };
        listener.durationChanged = [o](std::int64_t ms) { o->Update([&] { o->duration = ms; }); };
        return listener;
    }

    template <class Change> void Update(Change change) {
        std::lock_guard<std::mutex> guard(lock);
        change();
        changed.notify_all();
    }

    // Waits for the condition (read under the lock); false after 30 s, a hang guard.
    template <class Condition> bool WaitFor(Condition condition) {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, std::chrono::seconds(30), [&] { return condition(*this); });
    }
};
