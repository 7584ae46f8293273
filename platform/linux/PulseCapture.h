#pragma once

#include "platform/CaptureBlocks.h"
#include "platform/IAudioCapture.h"
#include "platform/linux/PulseConnection.h"

#include <pulse/stream.h>

#include <vector>

namespace platform::linux_audio {

// Capture through a PulseAudio record stream. Open connects to the server; each Start makes a
// fresh stream on the source (the current default unless one is named), so a default chosen
// between sessions is the one recorded. Blocks are cut from the stream's fragments on the
// connection's event thread.
class PulseCapture : public IAudioCapture {
public:
    PulseCapture() = default;
    ~PulseCapture() override;

    int Open(const CaptureFormat& format, BlockHandler handler) override;
    int Start() override;
    int Stop() override;
    void Close() override;
    bool IsRunning() const override;

private:
    static void OnReadable(pa_stream* stream, std::size_t bytes, void* self);
    static void OnStreamState(pa_stream* stream, void* self);
    void ReadAvailable();
    void DropStream();

    PulseConnection m_connection;
    CaptureFormat m_format;
    CaptureBlocks m_blocks;
    pa_stream* m_stream = nullptr;
};

} // namespace platform::linux_audio
