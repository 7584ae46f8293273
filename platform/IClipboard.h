#pragma once

#include <QString>

#include <chrono>
#include <cstdint>

namespace platform {

// The system clipboard. Callable from any thread.
class IClipboard {
public:
    virtual ~IClipboard() = default;

    // Replaces the clipboard content with the text (the previous content is lost). False when
    // the clipboard could not be taken; the content is then unchanged and stays so.
    virtual bool SetText(const QString& text) = 0;

    // How often another program has fetched the content set here, or taken the clipboard over,
    // so far. A paste reads this just before it is triggered, so that fetches made earlier (a
    // clipboard manager copying every change) do not count as the paste target's.
    virtual std::uint64_t ReadsSoFar() = 0;

    // Waits, at most `limit`, until ReadsSoFar() exceeds `reads`: the pasted content has been
    // fetched (or is no longer ours to protect). True once it has; false at the limit.
    virtual bool WaitForReadBeyond(std::uint64_t reads, std::chrono::milliseconds limit) = 0;
};

} // namespace platform
