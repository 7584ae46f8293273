#pragma once

#include "platform/IClipboard.h"

namespace platform::sim {

// The simulator world's clipboard: the world keeps the text and records it as an event.
class SimClipboard : public IClipboard {
public:
    bool SetText(const QString& text) override;
};

} // namespace platform::sim
