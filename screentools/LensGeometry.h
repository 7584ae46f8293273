#pragma once

#include <QPoint>
#include <QRect>
#include <QRectF>

// Where the magnifier lens sits and what part of the screen it shows, in screen (device)
// pixels. Pure arithmetic, kept apart from the window so it can be checked case by case.
namespace lens {

constexpr int kWidth = 300;
constexpr int kHeight = 180;

// The lens window: 300 x 180 centred on the pointer.
QRect WindowRect(const QPoint& cursor);

// Top-left corner of the magnified area for zoom z, the dialog frame width F and the caption
// height C, each quotient truncated toward zero on its own:
//   left = x - trunc(150 / z) + trunc(F / z)
//   top  = y - trunc(90 / z) + trunc(C / z) + trunc(F / z)
// The zoom is single precision, as the zoom setting is read. zoom must be positive.
QPoint SourceOrigin(const QPoint& cursor, float zoom, int frame, int caption);

// The area the lens enlarges: 300 / z x 180 / z at the source origin. The lens window has no
// frame or caption, so F = C = 0.
QRectF SourceArea(const QPoint& cursor, float zoom);

} // namespace lens
