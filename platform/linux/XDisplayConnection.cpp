#include "platform/linux/XDisplayConnection.h"

#include <X11/Xlib.h>

#include <atomic>
#include <set>

namespace platform {

namespace {

std::mutex g_registryLock;
std::set<Display*> g_ownDisplays;
XErrorHandler g_previousHandler = nullptr;
bool g_handlerInstalled = false;
std::atomic<unsigned long> g_errorCount{0};

int AbsorbOwnErrors(Display* display, XErrorEvent* event) {
    {
        std::lock_guard<std::mutex> lock(g_registryLock);
        if (g_ownDisplays.count(display) == 0 && g_previousHandler)
            return g_previousHandler(display, event);
    }
    ++g_errorCount;
    return 0;
}

void Register(Display* display) {
    std::lock_guard<std::mutex> lock(g_registryLock);
    g_ownDisplays.insert(display);
    if (!g_handlerInstalled) {
        g_previousHandler = XSetErrorHandler(AbsorbOwnErrors);
        g_handlerInstalled = true;
    }
}

void Unregister(Display* display) {
    std::lock_guard<std::mutex> lock(g_registryLock);
    g_ownDisplays.erase(display);
}

} // namespace

XDisplayConnection::XDisplayConnection(std::string displayName)
    : m_displayName(std::move(displayName)) {}

XDisplayConnection::~XDisplayConnection() {
    if (m_display) {
        Unregister(m_display);
        XCloseDisplay(m_display);
    }
}

XDisplayConnection::Guard::Guard(XDisplayConnection& owner)
    : m_owner(owner), m_lock(owner.m_mutex) {
    m_owner.OpenOnce();
}

unsigned long XDisplayConnection::ErrorCount() {
    return g_errorCount.load();
}

void XDisplayConnection::OpenOnce() {
    if (m_openTried)
        return;
    m_openTried = true;
    m_display = XOpenDisplay(m_displayName.empty() ? nullptr : m_displayName.c_str());
    if (m_display)
        Register(m_display);
}

} // namespace platform
