#pragma once

#include "platform/linux/XDisplayConnection.h"

#include <string>

namespace platform {

// Moves the X pointer as a user's mouse would (XTest), over a connection of its own: for the
// screen tools' measurements and X11 tests, which need real pointer motion on a virtual display.
class XTestPointer {
public:
    // An empty name means $DISPLAY.
    explicit XTestPointer(std::string displayName = {});

    // False when the display or its XTest extension is missing.
    bool MoveTo(int x, int y);

private:
    XDisplayConnection m_connection;
};

} // namespace platform
