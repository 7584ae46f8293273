#include "platform/linux/CX11Keyboard.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace platform {

namespace {

// Spare keycodes are used in turn, so a client that looks a key up late still finds the
// mapping it was pressed with.
constexpr size_t kMaxSpareKeycodes = 8;
// Time given to clients to translate the last typed key before its mapping is emptied.
constexpr std::chrono::milliseconds kSettleBeforeRestore{100};

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The keysym that produces the code point; NoSymbol for control characters that have no key.
KeySym KeysymForCodePoint(char32_t codePoint) {
    switch (codePoint) {
    case U'\r':
    case U'\n':
        return XK_Return;
    case U'\t':
        return XK_Tab;
    case U'\b':
        return XK_BackSpace;
    default:
        break;
    }
    if (codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0))
        return NoSymbol;
    // Latin-1 characters have their own keysyms with the same value.
    if (codePoint <= 0xFF)
        return static_cast<KeySym>(codePoint);
    return static_cast<KeySym>(0x01000000u + codePoint);
}

bool PressAndRelease(Display* display, KeyCode keycode) {
    const bool sent = XTestFakeKeyEvent(display, keycode, True, CurrentTime) &&
                      XTestFakeKeyEvent(display, keycode, False, CurrentTime);
    XSync(display, False);
    return sent;
}

std::vector<unsigned char> FindEmptyKeycodes(Display* display) {
    int minKeycode = 0;
    int maxKeycode = 0;
    XDisplayKeycodes(display, &minKeycode, &maxKeycode);
    int perKeycode = 0;
    const int count = maxKeycode - minKeycode + 1;
    KeySym* map =
        XGetKeyboardMapping(display, static_cast<KeyCode>(minKeycode), count, &perKeycode);
    std::vector<unsigned char> spare;
    if (!map)
        return spare;
    // From the top down: high keycodes are the least likely to be produced by real keys.
    for (int index = count - 1; index >= 0 && spare.size() < kMaxSpareKeycodes; --index) {
        const KeySym* syms = map + static_cast<ptrdiff_t>(index) * perKeycode;
        if (std::all_of(syms, syms + perKeycode, [](KeySym s) { return s == NoSymbol; }))
            spare.push_back(static_cast<unsigned char>(minKeycode + index));
    }
    XFree(map);
    return spare;
}

} // namespace

CX11Keyboard::CX11Keyboard(std::string displayName) : m_connection(std::move(displayName)) {}

CX11Keyboard::~CX11Keyboard() {
    FinishTyping();
}

bool CX11Keyboard::IsAvailable() {
    XDisplayConnection::Guard guard(m_connection);
    Display* display = guard.Display();
    if (!display)
        return false;
    if (m_xtestState == 0) {
        int eventBase = 0, errorBase = 0, major = 0, minor = 0;
        m_xtestState =
            XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor) ? 1 : -1;
    }
    return m_xtestState > 0;
}

bool CX11Keyboard::HasFocusWindow() {
    if (!IsAvailable())
        return false;
    XDisplayConnection::Guard guard(m_connection);
    Display* display = guard.Display();
    Window focus = None;
    int revertTo = 0;
    XGetInputFocus(display, &focus, &revertTo);
    // PointerRoot and the root window are no control that could take text.
    return focus != None && focus != PointerRoot && focus != DefaultRootWindow(display);
}

bool CX11Keyboard::InjectCtrlV() {
    if (!IsAvailable())
        return false;
    XDisplayConnection::Guard guard(m_connection);
    Display* display = guard.Display();
    const KeyCode control = XKeysymToKeycode(display, XK_Control_L);
    const KeyCode letterV = XKeysymToKeycode(display, XK_v);
    if (control == 0 || letterV == 0)
        return false;
    const bool sent = XTestFakeKeyEvent(display, control, True, CurrentTime) &&
                      XTestFakeKeyEvent(display, letterV, True, CurrentTime) &&
                      XTestFakeKeyEvent(display, letterV, False, CurrentTime) &&
                      XTestFakeKeyEvent(display, control, False, CurrentTime);
    XSync(display, False);
    return sent;
}

bool CX11Keyboard::InjectArrow(ArrowKey key) {
    if (!IsAvailable())
        return false;
    XDisplayConnection::Guard guard(m_connection);
    Display* display = guard.Display();
    const KeyCode keycode = XKeysymToKeycode(display, key == ArrowKey::Up ? XK_Up : XK_Down);
    return keycode != 0 && PressAndRelease(display, keycode);
}

bool CX11Keyboard::TypeUnit(char16_t unit) {
    if (!IsAvailable())
        return false;
    XDisplayConnection::Guard guard(m_connection);
    Display* display = guard.Display();
    if (IsHighSurrogate(unit)) {
        m_pendingHighSurrogate = unit;
        return true;
    }
    const char16_t high = m_pendingHighSurrogate;
    m_pendingHighSurrogate = 0;
    if (IsLowSurrogate(unit)) {
        if (high == 0)
            return false; // half a character cannot be typed
        const char32_t codePoint = 0x10000 + ((char32_t(high) - 0xD800) << 10) + (unit - 0xDC00);
        return TypeCodePoint(display, codePoint);
    }
    return TypeCodePoint(display, unit);
}

void CX11Keyboard::FinishTyping() {
    XDisplayConnection::Guard guard(m_connection);
    m_pendingHighSurrogate = 0;
    if (guard.Display())
        RestoreSpareKeycodes(guard.Display());
}

bool CX11Keyboard::TypeCodePoint(_XDisplay* display, char32_t codePoint) {
    const KeySym keysym = KeysymForCodePoint(codePoint);
    if (keysym == NoSymbol)
        return false;
    const unsigned char keycode = NextSpareKeycode(display);
    if (keycode == 0)
        return false;
    // Both levels carry the keysym, so a held Shift cannot change the character.
    KeySym levels[2] = {keysym, keysym};
    XChangeKeyboardMapping(display, keycode, 2, levels, 1);
    XSync(display, False);
    if (std::find(m_mappedKeycodes.begin(), m_mappedKeycodes.end(), keycode) ==
        m_mappedKeycodes.end())
        m_mappedKeycodes.push_back(keycode);
    return PressAndRelease(display, keycode);
}

unsigned char CX11Keyboard::NextSpareKeycode(_XDisplay* display) {
    if (m_spareKeycodes.empty()) {
        m_spareKeycodes = FindEmptyKeycodes(display);
        m_nextSpare = 0;
    }
    if (m_spareKeycodes.empty())
        return 0;
    const unsigned char keycode = m_spareKeycodes[m_nextSpare % m_spareKeycodes.size()];
    ++m_nextSpare;
    return keycode;
}

void CX11Keyboard::RestoreSpareKeycodes(_XDisplay* display) {
    if (m_mappedKeycodes.empty())
        return;
    std::this_thread::sleep_for(kSettleBeforeRestore);
    KeySym empty[2] = {NoSymbol, NoSymbol};
    for (unsigned char keycode : m_mappedKeycodes)
        XChangeKeyboardMapping(display, keycode, 2, empty, 1);
    XSync(display, False);
    m_mappedKeycodes.clear();
    // The map may change between runs (layout switch); look for spare keycodes afresh.
    m_spareKeycodes.clear();
}

} // namespace platform
