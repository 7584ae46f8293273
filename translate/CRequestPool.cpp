#include "translate/CRequestPool.h"

#include <system_error>
#include <thread>

std::shared_ptr<CRequestPool> CRequestPool::Shared() {
    // Never destroyed: requests may still be handed over while the process exits. The workers
    // hold the pool themselves, so it also outlives this reference.
    static auto* pool = new std::shared_ptr<CRequestPool>(Create(Limits{}));
    return *pool;
}

std::shared_ptr<CRequestPool> CRequestPool::Create(Limits limits) {
    return std::shared_ptr<CRequestPool>(new CRequestPool(limits));
}

bool CRequestPool::Run(std::function<void()> task) {
    std::unique_lock<std::mutex> lock(m_lock);
    // Every queued task needs a waiting worker of its own; otherwise a new worker starts with
    // this task as its first.
    if (m_idle > m_tasks.size()) {
        m_tasks.push_back(std::move(task));
        lock.unlock();
        m_wake.notify_one();
        return true;
    }
    ++m_workers;
    lock.unlock();
    try {
        std::thread([self = shared_from_this(), first = std::move(task)]() mutable {
            self->Work(std::move(first));
        }).detach();
    } catch (const std::system_error&) {
        lock.lock();
        --m_workers;
        return false;
    }
    return true;
}

void CRequestPool::Work(std::function<void()> task) {
    std::unique_lock<std::mutex> lock(m_lock, std::defer_lock);
    for (;;) {
        task();
        // The task's captures (an engine's shared state) go before the worker waits again.
        task = nullptr;
        lock.lock();
        if (m_tasks.empty()) {
            if (m_idle >= m_limits.maxIdleWorkers)
                break;
            ++m_idle;
            const bool gotWork =
                m_wake.wait_for(lock, m_limits.idleTimeout, [this] { return !m_tasks.empty(); });
            --m_idle;
            if (!gotWork)
                break;
        }
        task = std::move(m_tasks.front());
        m_tasks.pop_front();
        lock.unlock();
    }
    --m_workers;
}

std::size_t CRequestPool::Workers() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_workers;
}

std::size_t CRequestPool::IdleWorkers() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_idle;
}
