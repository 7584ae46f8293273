#include "speech/CTranscriptionSignal.h"

void CTranscriptionSignal::RequestStop() {
    Change([this] { m_stop = true; });
}

void CTranscriptionSignal::Change(const std::function<void()>& change) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (change)
            change();
    }
    m_changed.notify_all();
}

bool CTranscriptionSignal::WaitUntil(Clock::time_point deadline,
                                     const std::function<bool()>& condition) {
    std::unique_lock<std::mutex> guard(m_lock);
    m_changed.wait_until(guard, deadline, [&] { return m_stop.load() || condition(); });
    return !m_stop.load() && condition();
}

bool CTranscriptionSignal::WaitRegardlessOfStop(Clock::time_point deadline,
                                                const std::function<bool()>& condition) {
    std::unique_lock<std::mutex> guard(m_lock);
    return m_changed.wait_until(guard, deadline, condition);
}

bool CTranscriptionSignal::SleepUntil(Clock::time_point deadline) {
    std::unique_lock<std::mutex> guard(m_lock);
    return !m_changed.wait_until(guard, deadline, [this] { return m_stop.load(); });
}
