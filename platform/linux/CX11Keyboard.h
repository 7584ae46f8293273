#pragma once

#include "platform/IKeyboardInput.h"
#include "platform/linux/XDisplayConnection.h"

#include <string>
#include <vector>

namespace platform {

// Keyboard input through the XTest extension. Characters are typed by mapping a spare keycode
// (one the keyboard map leaves empty) to the character's keysym for the press; the spare
// keycodes are emptied again by FinishTyping. X11 keysyms name whole code points, so a
// surrogate pair is typed once, when its second unit arrives.
class CX11Keyboard : public IKeyboardInput {
public:
    // An empty name means $DISPLAY.
    explicit CX11Keyboard(std::string displayName = {});
    ~CX11Keyboard() override;

    bool IsAvailable() override;
    bool HasFocusWindow() override;
    bool InjectCtrlV() override;
    bool InjectArrow(ArrowKey key) override;
    bool TypeUnit(char16_t unit) override;
    void FinishTyping() override;

private:
    bool TypeCodePoint(_XDisplay* display, char32_t codePoint);
    unsigned char NextSpareKeycode(_XDisplay* display);
    void RestoreSpareKeycodes(_XDisplay* display);

    XDisplayConnection m_connection;
    // Checked once, on the first use of the connection.
    int m_xtestState = 0; // 0 unknown, 1 present, -1 missing
    std::vector<unsigned char> m_spareKeycodes;
    std::vector<unsigned char> m_mappedKeycodes;
    size_t m_nextSpare = 0;
    char16_t m_pendingHighSurrogate = 0;
};

} // namespace platform
