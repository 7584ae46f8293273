#pragma once

#include "platform/CaptureBlocks.h"
#include "platform/IAudioCapture.h"
#include "platform/sim/SimClient.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace platform::sim {

// The simulator world's microphone. Each capture is a connection of its own; while it runs the
// world pushes the microphone's audio in real time (in 20 ms chunks, the same bytes to every
// running capture), and a reader thread cuts it into the blocks the caller asked for. Error
// codes are those of the desktop back end, so AudioErrorText reads them alike.
class SimAudioCapture : public IAudioCapture {
public:
    SimAudioCapture() = default;
    ~SimAudioCapture() override;
    SimAudioCapture(const SimAudioCapture&) = delete;
    SimAudioCapture& operator=(const SimAudioCapture&) = delete;

    int Open(const CaptureFormat& format, BlockHandler handler) override;
    int Start() override;
    int Stop() override;
    void Close() override;
    bool IsRunning() const override;

private:
    void ReadAudio();

    std::unique_ptr<SimClient> m_connection;
    CaptureBlocks m_blocks;
    std::thread m_reader;
    bool m_started = false;               // Start succeeded and Stop has not run
    std::atomic<bool> m_streaming{false}; // the world is sending (false once it went away)
    std::atomic<bool> m_stopSent{false};
    std::atomic<bool> m_stopConfirmed{false};
};

} // namespace platform::sim
