#pragma once

#include "platform/IScreen.h"
#include "platform/linux/XDisplayConnection.h"

#include <string>

namespace platform {

// Screen size, pointer, screen contents and pointer visibility from the X server, over one
// connection of its own. The caret is known only when the focused control is one of this
// program's own (asked through Qt's input method on the UI thread); X11 has no general way to
// ask another program for its caret.
//
// The pointer is hidden with XFixes on the root window. The X server ties a hide to the client
// connection that asked for it, so it ends when this object (or the process) goes.
class CX11Screen : public IScreen {
public:
    // An empty name means $DISPLAY.
    explicit CX11Screen(std::string displayName = {});

    QSize ScreenSize() override;
    std::optional<QPoint> CursorPosition() override;
    std::optional<QPoint> CaretPosition() override;
    // The root window through shared memory (MIT-SHM) when the server offers it, else by a
    // plain image request; 24 and 32 bit true-colour screens.
    QImage Grab() override;
    bool SetPointerVisible(bool visible) override;

private:
    XDisplayConnection m_connection;
    // Guarded by the connection's lock.
    bool m_pointerHidden = false;
};

} // namespace platform
