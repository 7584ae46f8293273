#pragma once

#include <cstdint>
#include <memory>

class CWndManager;
class WindowImplBase;
namespace platform {
class IScreen;
}

// The main window's side of the pen's laser dot and magnifier lens: messages 1154 (laser) and
// 1155 (magnifier) switch them on (wParam 1) and off (2), any other wParam does nothing; timers
// 1 and 2 of the main window, every 16 ms, move the dot to the pointer and update the lens.
//
// Switching is a state, not a count: two laser-on keys in a row (the pen has two) and one off
// give the pointer back. SwitchOff() ends both tools and shows the pointer; the main window
// calls it when the pen goes, its reading thread stops, or the program ends, so no key-up that
// never comes can leave the desktop without a pointer.
//
// UI thread only. The host and the window manager outlive this object.
class CScreenToolSwitch {
public:
    static constexpr unsigned kLaserTimer = 1;
    static constexpr unsigned kLensTimer = 2;
    static constexpr int kTickMs = 16;
    static constexpr uintptr_t kOn = 1;
    static constexpr uintptr_t kOff = 2;

    // host owns timers 1 and 2 and passes their ticks to OnTimer.
    CScreenToolSwitch(WindowImplBase& host, CWndManager& windows,
                      std::shared_ptr<platform::IScreen> screen);
    ~CScreenToolSwitch();
    CScreenToolSwitch(const CScreenToolSwitch&) = delete;
    CScreenToolSwitch& operator=(const CScreenToolSwitch&) = delete;

    void OnLaserMessage(uintptr_t wParam);
    void OnMagnifierMessage(uintptr_t wParam);
    // True when the timer was one of the two above (and has been handled).
    bool OnTimer(unsigned id);
    void SwitchOff();

    bool IsLaserOn() const { return m_laserOn; }
    bool IsLensOn() const { return m_lensOn; }
    bool IsPointerHidden() const { return m_pointerHidden; }

private:
    void SwitchLaserOn();
    void SwitchLaserOff();
    void SwitchLensOn();
    void SwitchLensOff();
    void MoveDotToPointer();

    WindowImplBase& m_host;
    CWndManager& m_windows;
    std::shared_ptr<platform::IScreen> m_screen;
    bool m_laserOn = false;
    bool m_lensOn = false;
    bool m_pointerHidden = false;
};
