#include "platform/InputDevices.h"

#include "platform/linux/CQtClipboard.h"
#include "platform/linux/CX11Keyboard.h"
#include "platform/linux/CX11Screen.h"

namespace platform {

// Each back end is chosen once, when first asked for. A further back end (the simulator's)
// is one more branch in the matching Make function.
namespace {

std::shared_ptr<IKeyboardInput> MakeKeyboardInput() {
    return std::make_shared<CX11Keyboard>();
}
std::shared_ptr<IClipboard> MakeClipboard() {
    return std::make_shared<CQtClipboard>();
}
std::shared_ptr<IScreen> MakeScreen() {
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
