#pragma once

#include "platform/IClipboard.h"
#include "platform/IKeyboardInput.h"
#include "platform/IScreen.h"

#include <memory>

namespace platform {

// The process-wide keyboard, clipboard and screen back ends, created on first use: the real
// desktop ones, or the simulator's when a simulator is attached. Never null.
std::shared_ptr<IKeyboardInput> KeyboardInput();
std::shared_ptr<IClipboard> Clipboard();
std::shared_ptr<IScreen> Screen();

} // namespace platform
