#pragma once

#include <QAbstractNativeEventFilter>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace platform {

// Counts the fetches of this process's CLIPBOARD content by other programs: the X selection
// requests for data (not the format negotiation before it) that Qt answers on the UI thread,
// plus the loss of the selection to another owner, after which nothing of ours is left to read.
// Because the count rises before Qt answers the request, and Qt answers it before it runs any
// later queued work, a content replaced after the count rose has been read whole.
// Installed and fed on the UI thread; counted and waited on from any thread.
class ClipboardReadWatch : public QAbstractNativeEventFilter {
public:
    // Interns the selection atoms and installs the watch on the application. UI thread only;
    // false (and no counting) when Qt does not run on X11 (offscreen, Wayland).
    bool InstallOnUiThread();
    // Callable from any thread.
    bool IsInstalled() const;

    std::uint64_t Reads() const;
    // True at once when the watch is not installed: no read could ever be seen, and waiting
    // for one would only delay every paste.
    bool WaitForReadBeyond(std::uint64_t reads, std::chrono::milliseconds limit);

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
#else
    bool nativeEventFilter(const QByteArray& eventType, void* message, long* result) override;
#endif

private:
    bool IsFormatNegotiation(std::uint32_t target) const;
    void NoteEvent(const void* message);
    void CountRead();

    std::atomic<bool> m_installed{false};
    std::uint32_t m_clipboardAtom = 0;
    std::uint32_t m_negotiationAtoms[4] = {}; // TARGETS, TIMESTAMP, MULTIPLE, SAVE_TARGETS

    mutable std::mutex m_lock;
    std::condition_variable m_readSeen;
    std::uint64_t m_reads = 0;
};

} // namespace platform
