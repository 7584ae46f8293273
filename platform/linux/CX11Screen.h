#pragma once

#include "platform/IScreen.h"
#include "platform/linux/XDisplayConnection.h"

#include <string>

namespace platform {

// Screen size and pointer from the X server. The caret is known only when the focused control
// is one of this program's own (asked through Qt's input method on the UI thread); X11 has no
// general way to ask another program for its caret.
class CX11Screen : public IScreen {
public:
    // An empty name means $DISPLAY.
    explicit CX11Screen(std::string displayName = {});

    QSize ScreenSize() override;
    std::optional<QPoint> CursorPosition() override;
    std::optional<QPoint> CaretPosition() override;

private:
    XDisplayConnection m_connection;
};

} // namespace platform
