#pragma once

#include "platform/IClipboard.h"

namespace platform::sim {

// The simulator world's clipboard: the world keeps the text and records it as an event.
class SimClipboard : public IClipboard {
public:
    bool SetText(const QString& text) override;
    // The world takes a paste whole when it records the keys; no reader comes later, so there
    // is never a read to wait for.
    std::uint64_t ReadsSoFar() override { return 0; }
    bool WaitForReadBeyond(std::uint64_t, std::chrono::milliseconds) override { return true; }
};

} // namespace platform::sim
