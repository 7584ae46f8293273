#pragma once

#include <QRect>
#include <QRegion>

class QWidget;

namespace platform {

// Top-level windows placed by screen pixels rather than by Qt's logical ones. The pointer
// reports device pixels; under a scale factor (QT_SCALE_FACTOR=2) Qt places windows on a grid
// of logical pixels and cannot reach every device pixel, so a window that must sit at an exact
// offset from the pointer is configured directly on X11. Elsewhere (the simulator's offscreen
// windows) the nearest logical place is used. UI thread only.

// Gives the window the rectangle (device pixels, root coordinates) and raises it above its
// siblings. The widget's logical size is made large enough to paint the whole rectangle.
void PlaceWindowInDevicePixels(QWidget* window, const QRect& rect);

// Limits what the window shows, and where it can be seen, to a region given in device pixels
// relative to the window (the X Shape extension's bounding shape on X11, a widget mask
// elsewhere).
void SetWindowShapeInDevicePixels(QWidget* window, const QRegion& region);

} // namespace platform
