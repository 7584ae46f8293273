#pragma once

#include "platform/IAudioCapture.h"

#include <cstddef>
#include <vector>

namespace platform {

// Cuts a capture back end's stream of samples into the blocks its caller asked for: every full
// block goes to the handler as it completes; the partial rest is handed over at a stop.
class CaptureBlocks {
public:
    // Starts over with blocks of this size for this handler.
    void Reset(std::size_t blockBytes, IAudioCapture::BlockHandler handler);
    // Drops the handler and whatever was gathered.
    void Release();
    // Forgets what was gathered, keeping the handler (a new stream starts).
    void Restart() { m_filled = 0; }

    void Append(const char* data, std::size_t length);
    // Hands the partial block gathered so far to the handler, marked partial.
    void FlushPartial();

private:
    IAudioCapture::BlockHandler m_handler;
    std::vector<char> m_block;
    std::size_t m_filled = 0;
};

} // namespace platform
