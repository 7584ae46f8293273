#pragma once

#include "speech/XfStreamSettings.h"

#include <chrono>
#include <string>

struct Endpoints;

// How the recording transcriber works: through the first vendor when stream is usable (an
// address and the three credentials), otherwise offline with the local recogniser.
struct TranscriberSettings {
    // Address, credentials, trusted CAs, and how long to wait for the vendor's final result
    // after the last frame (finalResultTimeout).
    XfStreamSettings stream;
    // One 1280-byte block (40 ms of audio) per interval: real time.
    std::chrono::milliseconds blockInterval{40};
    // Reconnections in a row that never carry a block before the transcription fails.
    int reconnects = 3;
    // Pause before a reconnection after an attempt that did not open.
    std::chrono::milliseconds retryPause{500};
    // The local recogniser's sign-in text.
    std::string sdkLoginParams = "appid = , work_dir = .";

    static TranscriberSettings FromEndpoints(const Endpoints& endpoints);
    bool UsesVendor() const { return stream.Usable(); }
};
