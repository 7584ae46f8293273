#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class WindowImplBase;

// Where a detached service worker reports to its window. The window closes the mailbox when it
// goes away; a worker that finishes later posts into nothing, so a reply after its window was
// closed is dropped, and no later window at the same address ever gets it.
class CReplyMailbox {
public:
    explicit CReplyMailbox(WindowImplBase* window) : m_window(window) {}

    // Posts the message while the window is open; false once it is closed. Any thread.
    bool Post(unsigned msg, uintptr_t wParam = 0, intptr_t lParam = 0);
    // Runs prepare, then posts the message, as one step while the window is open; once it is
    // closed neither happens (false). For replies whose results only count for an open window,
    // such as the user record a sign-in fills. Any thread.
    bool PrepareAndPost(const std::function<void()>& prepare, unsigned msg, uintptr_t wParam = 0,
                        intptr_t lParam = 0);
    // Called by the window as it goes; no post reaches it afterwards.
    void Close();

private:
    std::mutex m_lock;
    WindowImplBase* m_window;
};

// Runs work on a detached thread that shares what it needs; false (and a debug line naming
// what) when no thread could be started.
bool RunDetached(std::function<void()> work, const QString& what);
