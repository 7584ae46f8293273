#include "platform/linux/XTestPointer.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace platform {

XTestPointer::XTestPointer(std::string displayName) : m_connection(std::move(displayName)) {}

bool XTestPointer::MoveTo(int x, int y) {
    XDisplayConnection::Guard guard(m_connection);
    Display* display = guard.Display();
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!display || !XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor))
        return false;
    XTestFakeMotionEvent(display, DefaultScreen(display), x, y, CurrentTime);
    XFlush(display);
    return true;
}

} // namespace platform
