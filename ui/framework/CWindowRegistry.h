#pragma once

#include <mutex>
#include <unordered_map>
#include <vector>

class QEvent;
class QThread;
class WindowImplBase;

// The set of windows that exist right now. Any thread may post to a window through it: the
// check and the post happen under one lock that a window also takes when it goes away, so an
// event is either queued while the window lives (and Qt drops it with the window) or dropped here.
class CWindowRegistry {
public:
    static CWindowRegistry& Instance();

    void Add(WindowImplBase* window);
    void Remove(WindowImplBase* window);
    bool IsAlive(const WindowImplBase* window) const;
    // The thread the window lives on, nullptr when it is gone; safe from any thread.
    QThread* ThreadOf(const WindowImplBase* window) const;

    // Queues the event for the window when it is alive; the event is consumed either way.
    bool PostIfAlive(WindowImplBase* window, QEvent* event);

    // The live windows, for work done on the UI thread (language reloads).
    std::vector<WindowImplBase*> Snapshot() const;

private:
    CWindowRegistry() = default;

    mutable std::mutex m_lock;
    std::unordered_map<const WindowImplBase*, QThread*> m_windows;
    std::vector<WindowImplBase*> m_order;
};
