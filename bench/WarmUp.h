#pragma once

#include "speech/CWaveRecorder.h"

#include <chrono>
#include <cstdio>

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

// Opens the shared capture and runs the unmeasured session; false (with a message) when the
// capture cannot be opened.
inline bool OpenWarmRecorder(CWaveRecorder& recorder, ThreadMessageQueue& sender) {
    if (recorder.Open() != 0) {
        std::printf("capture could not be opened\n");
        return false;
    }
    WarmUp(recorder, sender);
    return true;
}
