#include "ui/framework/CWindowRegistry.h"

#include "platform/QueueHandOver.h"
#include "ui/framework/WindowImplBase.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <algorithm>
#include <memory>

CWindowRegistry& CWindowRegistry::Instance() {
    // Never destroyed: worker threads may still post while static destructors run at exit.
    static CWindowRegistry* registry = new CWindowRegistry;
    return *registry;
}

void CWindowRegistry::Add(WindowImplBase* window) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_windows.emplace(window, QThread::currentThread()).second)
        m_order.push_back(window);
}

void CWindowRegistry::Remove(WindowImplBase* window) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_windows.erase(window);
    m_order.erase(std::remove(m_order.begin(), m_order.end(), window), m_order.end());
}

bool CWindowRegistry::IsAlive(const WindowImplBase* window) const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_windows.count(window) != 0;
}

bool CWindowRegistry::PostIfAlive(WindowImplBase* window, QEvent* event) {
    std::unique_ptr<QEvent> owned(event);
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_windows.count(window) == 0)
        return false;
    platform::MarkHandedOver(event);
    QCoreApplication::postEvent(window, owned.release());
    return true;
}

QThread* CWindowRegistry::ThreadOf(const WindowImplBase* window) const {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_windows.find(window);
    return it != m_windows.end() ? it->second : nullptr;
}

std::vector<WindowImplBase*> CWindowRegistry::Snapshot() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_order;
}
