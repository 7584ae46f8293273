#pragma once

#include "platform/IScreenWordCapture.h"
#include "platform/linux/XDisplayConnection.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace platform::native {

// IScreenWordCapture on X11: an X connection and a thread of its own watch the owner of the
// PRIMARY selection through XFixes. Once the owner has stopped changing for the delay, the
// selection is converted (UTF8_STRING, else STRING read as Latin-1) into a property of a small
// window of this connection and handed to the callback. Selections owned by the program's own
// windows (the X client whose resource ids the program's Qt connection uses) are ignored.
class X11ScreenWordCapture : public IScreenWordCapture {
public:
    // The X client id range of the program's own windows.
    struct OwnClient {
        std::uint32_t base = 0;
        std::uint32_t mask = 0;
    };

    // Opens the display (empty: $DISPLAY) and starts watching; nullptr and a one-line problem
    // when there is no display or it lacks XFixes. Returns once the X server watches PRIMARY
    // for this connection: no selection made after that is missed.
    static std::unique_ptr<X11ScreenWordCapture>
    Open(const std::string& displayName, std::optional<OwnClient> ownClient, QString* problem);
    ~X11ScreenWordCapture() override;

    bool IsAvailable() const override { return true; }
    void SetDelay(int delayMs) override;
    void SetHighlightReadyCallback(HighlightReady callback) override;
    void EnableHighlightCapture(bool enable) override;

    // The program's own X client as Qt's X connection shows it; nullopt off X11.
    static std::optional<OwnClient> QtOwnClient();

private:
    X11ScreenWordCapture(std::unique_ptr<XDisplayConnection> connection,
                         std::optional<OwnClient> ownClient);
    bool Prepare(QString* problem);
    void Watch();
    void Wake();
    // Takes the queued X events: changed when the latest new owner of PRIMARY is another
    // program, ownChange when it is this one.
    void TakeEvents(bool& changed, bool& ownChange);
    std::optional<QString> ReadSelection();
    std::optional<QString> ConvertTo(unsigned long target);
    void Deliver(const QString& text);

    std::unique_ptr<XDisplayConnection> m_connection;
    std::optional<OwnClient> m_ownClient;
    unsigned long m_window = 0;
    unsigned long m_property = 0;
    unsigned long m_utf8 = 0;
    int m_xfixesEventBase = 0;
    int m_xFd = -1;
    int m_wakeFd = -1;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_delayMs{300};
    std::atomic<bool> m_enabled{false};
    std::mutex m_callbackLock; // held while the callback runs
    HighlightReady m_callback;
    std::thread m_thread;
};

} // namespace platform::native
