#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace platform {

// What to capture: signed 16-bit little-endian samples, delivered in blocks of blockBytes.
struct CaptureFormat {
    std::string source; // capture source name; empty for the system default source
    unsigned sampleRate = 16000;
    unsigned channels = 1;
    std::size_t blockBytes = 3200;
};

// Microphone capture that hands over fixed-size blocks as they fill. Every function returns 0
// on success and a negative error code on failure (see AudioErrorText).
class IAudioCapture {
public:
    // Called with every full block (partial = false) on the capture's own thread while capture
    // runs, and once with the unfinished remainder (partial = true, fewer bytes) on the thread
    // that calls Stop. The handler must not call back into the capture.
    using BlockHandler = std::function<void(const char* data, std::size_t length, bool partial)>;

    virtual ~IAudioCapture() = default;

    // Reaches the audio system and checks the format; fails fast when there is none.
    virtual int Open(const CaptureFormat& format, BlockHandler handler) = 0;
    // Begins capturing from the source; blocks follow every blockBytes of audio.
    virtual int Start() = 0;
    // Ends capturing. When it returns, no handler call is running and none will follow.
    virtual int Stop() = 0;
    // Stops when running and lets go of the audio system.
    virtual void Close() = 0;
    virtual bool IsRunning() const = 0;
};

// The capture back end of this run.
std::unique_ptr<IAudioCapture> CreateAudioCapture();

// A readable text for an error code returned by the audio back ends.
std::string AudioErrorText(int code);

} // namespace platform
