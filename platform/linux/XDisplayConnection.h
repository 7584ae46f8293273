#pragma once

#include <mutex>
#include <string>

struct _XDisplay;

namespace platform {

// One Xlib connection used by one object. Xlib is not thread safe without XInitThreads, so
// every use goes through Lock(), which also opens the connection on first use. Protocol errors
// on this connection are absorbed (Xlib's default handler would end the process) and counted.
class XDisplayConnection {
public:
    // An empty name means $DISPLAY.
    explicit XDisplayConnection(std::string displayName);
    ~XDisplayConnection();
    XDisplayConnection(const XDisplayConnection&) = delete;
    XDisplayConnection& operator=(const XDisplayConnection&) = delete;

    class Guard {
    public:
        explicit Guard(XDisplayConnection& owner);
        // Null when the display could not be opened (then it stays unopened for good).
        _XDisplay* Display() const { return m_owner.m_display; }

    private:
        XDisplayConnection& m_owner;
        std::lock_guard<std::mutex> m_lock;
    };

    // Number of protocol errors seen on any absorbed connection so far.
    static unsigned long ErrorCount();

private:
    void OpenOnce();

    std::string m_displayName;
    std::mutex m_mutex;
    _XDisplay* m_display = nullptr;
    bool m_openTried = false;
};

} // namespace platform
