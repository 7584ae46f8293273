#pragma once

#include "platform/IKeyboardInput.h"

namespace platform::sim {

// Synthetic input into the simulator world's focus window: each key combination and each
// typed UTF-16 unit is one request that the world records as an event. Units are sent one by
// one, surrogate halves included, as the program produces them.
class SimKeyboard : public IKeyboardInput {
public:
    bool IsAvailable() override;
    bool HasFocusWindow() override;
    bool InjectCtrlV() override;
    bool InjectArrow(ArrowKey key) override;
    bool TypeUnit(char16_t unit) override;
    void FinishTyping() override {}

private:
    static bool InjectKeys(const char* keys);
};

} // namespace platform::sim
