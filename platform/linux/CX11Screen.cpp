#include "platform/linux/CX11Screen.h"

#include "platform/linux/UiThreadCall.h"
#include "platform/linux/X11RootGrab.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QWindow>

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <memory>

namespace platform {

namespace {
constexpr std::chrono::milliseconds kUiThreadWait{500};
}

CX11Screen::CX11Screen(std::string displayName) : m_connection(std::move(displayName)) {}

QSize CX11Screen::ScreenSize() {
    XDisplayConnection::Guard guard(m_connection);
    Display* display = guard.Display();
    if (!display)
        return {};
    const int screen = DefaultScreen(display);
    return QSize(DisplayWidth(display, screen), DisplayHeight(display, screen));
}

std::optional<QPoint> CX11Screen::CursorPosition() {
    XDisplayConnection::Guard guard(m_connection);
    Display* display = guard.Display();
    if (!display)
        return std::nullopt;
    Window root = None, child = None;
    int rootX = 0, rootY = 0, windowX = 0, windowY = 0;
    unsigned int buttons = 0;
    if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &windowX,
                       &windowY, &buttons))
        return std::nullopt;
    return QPoint(rootX, rootY);
}

std::optional<QPoint> CX11Screen::CaretPosition() {
    auto caret = std::make_shared<QPoint>();
    const bool known = RunOnUiThread(
        [caret]() {
            if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
                return false;
            QWindow* window = QGuiApplication::focusWindow();
            QInputMethod* inputMethod = QGuiApplication::inputMethod();
            if (!window || !inputMethod || !QGuiApplication::focusObject())
                return false;
            const QRectF rect = inputMethod->cursorRectangle();
            if (!rect.isValid())
                return false;
            *caret = window->mapToGlobal(rect.topLeft().toPoint());
            return true;
        },
        kUiThreadWait);
    if (!known)
        return std::nullopt;
    return *caret;
}

QImage CX11Screen::Grab() {
    XDisplayConnection::Guard guard(m_connection);
    return GrabRootWindow(guard.Display());
}

bool CX11Screen::SetPointerVisible(bool visible) {
    XDisplayConnection::Guard guard(m_connection);
    Display* display = guard.Display();
    if (!display)
        return false;
    // XFixes counts hides per client: a second hide would need a second show, so only a
    // change of state goes to the server.
    if (m_pointerHidden == !visible)
        return true;
    int eventBase = 0, errorBase = 0;
    if (!XFixesQueryExtension(display, &eventBase, &errorBase))
        return false;
    const Window root = DefaultRootWindow(display);
    if (visible)
        XFixesShowCursor(display, root);
    else
        XFixesHideCursor(display, root);
    XFlush(display);
    m_pointerHidden = !visible;
    return true;
}

} // namespace platform
