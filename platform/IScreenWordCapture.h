#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace platform {

// Notices text the user highlights anywhere on the desktop (the PRIMARY selection) and hands
// it over once the highlight has rested for the delay. Texts of the program's own windows, texts
// over 64 KiB and selections that are not text are ignored. Capture is off until enabled.
// Operations may be called from any thread. The callback runs on the capture's own thread;
// once SetHighlightReadyCallback has returned, the previous callback is never called again.
class IScreenWordCapture {
public:
    using HighlightReady = std::function<void(const QString& text)>;

    static constexpr int kMaxTextBytes = 64 * 1024;

    virtual ~IScreenWordCapture() = default;

    // False when the desktop offers no selection watching (no display, no XFixes); the other
    // operations then do nothing.
    virtual bool IsAvailable() const = 0;
    virtual void SetDelay(int delayMs) = 0;
    virtual void SetHighlightReadyCallback(HighlightReady callback) = 0;
    virtual void EnableHighlightCapture(bool enable) = 0;
};

// The desktop's capture (an X connection of its own watching PRIMARY with XFixes), or the
// simulator's when one is attached. Never null; when the desktop offers none, the capture is
// unavailable and problem (when given) says why in one line.
std::unique_ptr<IScreenWordCapture> CreateScreenWordCapture(QString* problem = nullptr);

} // namespace platform
