#pragma once

#include <QString>

namespace platform {

// The system clipboard. Callable from any thread.
class IClipboard {
public:
    virtual ~IClipboard() = default;

    // Replaces the clipboard content with the text (the previous content is lost). False when
    // the clipboard could not be taken; the content is then unchanged.
    virtual bool SetText(const QString& text) = 0;
};

} // namespace platform
