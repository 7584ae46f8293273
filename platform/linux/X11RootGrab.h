#pragma once

#include <QImage>

struct _XDisplay;

namespace platform {

// Copies the whole root window of the display's default screen into an image (RGB32), through
// MIT-SHM when the server offers it (one transfer, no socket copy of eight megabytes), else by
// a plain GetImage. Null when the screen cannot be read or its pixel format is not true colour.
// The caller holds the display's lock.
QImage GrabRootWindow(_XDisplay* display);

} // namespace platform
