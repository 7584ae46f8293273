#pragma once

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
};

} // namespace platform
