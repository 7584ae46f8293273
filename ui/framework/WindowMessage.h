#pragma once

#include <QEvent>

#include <cstdint>
#include <functional>

class WindowImplBase;

// A window message carried as a posted Qt event to the window's HandleCustomMessage.
class CustomMessageEvent : public QEvent {
public:
    CustomMessageEvent(unsigned msg, uintptr_t wParam, intptr_t lParam);
    ~CustomMessageEvent() override;
    static QEvent::Type EventType();

    unsigned msg;
    uintptr_t wParam;
    intptr_t lParam;
};

// Work to run on the window's thread; dropped with the window when it goes away first.
class WindowTaskEvent : public QEvent {
public:
    explicit WindowTaskEvent(std::function<void()> task);
    ~WindowTaskEvent() override;
    static QEvent::Type EventType();

    std::function<void()> task;
};

// Callable from any thread. Messages to one window arrive in the order they were posted;
// a message to a window that no longer exists is dropped and false is returned.
bool PostMessage(WindowImplBase* target, unsigned msg, uintptr_t wParam, intptr_t lParam);

// Runs the handler at once on the window's own thread; from another thread it waits until the
// window's thread has handled the message. Returns the handler's result, 0 when the window is
// gone (or goes away before the message is handled).
intptr_t SendMessage(WindowImplBase* target, unsigned msg, uintptr_t wParam, intptr_t lParam);

// Runs the task on the window's thread while the window lives; false when it is already gone.
bool PostTask(WindowImplBase* target, std::function<void()> task);
