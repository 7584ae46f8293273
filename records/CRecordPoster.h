#pragma once

#include <cstdint>
#include <mutex>

class WindowImplBase;

// Where the records workers (scan, service calls, transcriber) report: the main window once it
// is attached, nothing before that or after it is detached. Made before the main window (the
// store and the calls are), attached by the window as it is built and detached as it goes, so
// a worker never reaches a window that is gone. Every member may be called from any thread.
class CRecordPoster {
public:
    void Attach(WindowImplBase* window);
    void Detach();
    // Posts the message to the attached window; false when none is attached.
    bool Post(unsigned msg, uintptr_t wParam = 0, intptr_t lParam = 0);

private:
    std::mutex m_lock;
    WindowImplBase* m_window = nullptr;
};
