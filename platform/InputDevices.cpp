#include "platform/InputDevices.h"

#include "platform/SimEvents.h"
#include "platform/linux/CQtClipboard.h"
#include "platform/linux/CX11Keyboard.h"
#include "platform/linux/CX11Screen.h"
#include "platform/sim/SimClipboard.h"
#include "platform/sim/SimKeyboard.h"
#include "platform/sim/SimScreen.h"

namespace platform {

// Each back end is chosen once, when first asked for: the simulator's when one is attached.
namespace {

std::shared_ptr<IKeyboardInput> MakeKeyboardInput() {
    if (SimulatorActive())
        return std::make_shared<sim::SimKeyboard>();
    return std::make_shared<CX11Keyboard>();
}
std::shared_ptr<IClipboard> MakeClipboard() {
    if (SimulatorActive())
        return std::make_shared<sim::SimClipboard>();
    return std::make_shared<CQtClipboard>();
}
std::shared_ptr<IScreen> MakeScreen() {
    if (SimulatorActive())
        return std::make_shared<sim::SimScreen>();
    return std::make_shared<CX11Screen>();
}

} // namespace

std::shared_ptr<IKeyboardInput> KeyboardInput() {
    static const std::shared_ptr<IKeyboardInput> keyboard = MakeKeyboardInput();
    return keyboard;
}

std::shared_ptr<IClipboard> Clipboard() {
    static const std::shared_ptr<IClipboard> clipboard = MakeClipboard();
    return clipboard;
}

std::shared_ptr<IScreen> Screen() {
    static const std::shared_ptr<IScreen> screen = MakeScreen();
    return screen;
}

} // namespace platform
