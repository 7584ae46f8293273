#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>

#include <optional>

namespace platform {

// The screen the program's floating windows are placed on. Callable from any thread.
class IScreen {
public:
    virtual ~IScreen() = default;

    // Size of the primary screen in pixels; empty when no screen is known.
    virtual QSize ScreenSize() = 0;
    // Pointer position in screen coordinates; nullopt when it cannot be read.
    virtual std::optional<QPoint> CursorPosition() = 0;
    // Top-left corner of the text caret of the focused control, in screen coordinates, when it
    // is known; nullopt otherwise (callers then use their fallback place).
    virtual std::optional<QPoint> CaretPosition() = 0;
    // The whole screen as it is shown now, one image pixel per screen pixel; a null image when
    // it cannot be read. Slow (a full-screen copy): for one snapshot, not for every frame.
    virtual QImage Grab() = 0;
    // Hides or shows the pointer over the whole desktop. Not counted: one show undoes any
    // number of hides. A hide lasts only as long as this process, so a crash never leaves the
    // desktop without a pointer. False when the desktop cannot do it.
    virtual bool SetPointerVisible(bool visible) = 0;
};

} // namespace platform
