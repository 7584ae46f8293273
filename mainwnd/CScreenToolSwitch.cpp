#include "mainwnd/CScreenToolSwitch.h"

#include "app/CWndManager.h"
#include "app/Log.h"
#include "platform/IScreen.h"
#include "platform/InputDevices.h"
#include "ui/framework/WindowImplBase.h"

CScreenToolSwitch::CScreenToolSwitch(WindowImplBase& host, CWndManager& windows,
                                     std::shared_ptr<platform::IScreen> screen)
    : m_host(host), m_windows(windows), m_screen(screen ? std::move(screen) : platform::Screen()) {}

CScreenToolSwitch::~CScreenToolSwitch() {
    SwitchOff();
}

void CScreenToolSwitch::OnLaserMessage(uintptr_t wParam) {
    if (wParam == kOn)
        SwitchLaserOn();
    else if (wParam == kOff)
        SwitchLaserOff();
}

void CScreenToolSwitch::OnMagnifierMessage(uintptr_t wParam) {
    if (wParam == kOn)
        SwitchLensOn();
    else if (wParam == kOff)
        SwitchLensOff();
}

bool CScreenToolSwitch::OnTimer(unsigned id) {
    if (id == kLaserTimer && m_laserOn) {
        MoveDotToPointer();
        return true;
    }
    if (id == kLensTimer && m_lensOn) {
        m_windows.UpdateMagnifier();
        return true;
    }
    return id == kLaserTimer || id == kLensTimer;
}

void CScreenToolSwitch::SwitchOff() {
    SwitchLaserOff();
    SwitchLensOff();
}

void CScreenToolSwitch::SwitchLaserOn() {
    if (!m_laserOn && !m_pointerHidden) {
        // Once per switch-on: a desktop that cannot hide the pointer still gets the dot.
        if (m_screen->SetPointerVisible(false))
            m_pointerHidden = true;
        else
            applog::Warning(QStringLiteral(
                "laser dot: the pointer cannot be hidden (no XFixes on this display)"));
    }
    m_laserOn = true;
    if (!m_host.HasTimer(kLaserTimer))
        m_host.SetTimer(kLaserTimer, kTickMs);
}

void CScreenToolSwitch::SwitchLaserOff() {
    if (m_pointerHidden) {
        m_screen->SetPointerVisible(true);
        m_pointerHidden = false;
    }
    m_laserOn = false;
    m_host.KillTimer(kLaserTimer);
    m_windows.HideLaser();
}

void CScreenToolSwitch::SwitchLensOn() {
    m_lensOn = true;
    if (m_host.HasTimer(kLensTimer))
        return;
    m_host.SetTimer(kLensTimer, kTickMs);
    // The lens comes up at once rather than a tick later.
    m_windows.UpdateMagnifier();
}

void CScreenToolSwitch::SwitchLensOff() {
    m_lensOn = false;
    m_host.KillTimer(kLensTimer);
    m_windows.HideMagnifier();
}

void CScreenToolSwitch::MoveDotToPointer() {
    // An unreadable pointer leaves the dot where it is.
    if (const std::optional<QPoint> pointer = m_screen->CursorPosition())
        m_windows.MoveLaser(pointer->x(), pointer->y());
}
