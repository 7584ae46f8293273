#pragma once

#include "speech/CWaveRecorder.h"

#include <chrono>

// One unmeasured session: a freshly loaded source starts with a long latency of its own
// before it follows what its reader asks for.
inline void WarmUp(CWaveRecorder& recorder, ThreadMessageQueue& sender) {
    if (recorder.Start() != 0)
        return;
    ThreadMessage message;
    sender.TakeFor(message, std::chrono::seconds(3));
    recorder.Stop();
    while (sender.TryTake(message)) {
    }
}
