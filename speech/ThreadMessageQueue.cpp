#include "speech/ThreadMessageQueue.h"

void ThreadMessageQueue::Post(ThreadMessage message) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_messages.push_back(std::move(message));
    }
    m_posted.notify_one();
}

void ThreadMessageQueue::Post(unsigned message, std::intptr_t wParam, std::intptr_t lParam) {
    ThreadMessage m;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    Post(std::move(m));
}

ThreadMessage ThreadMessageQueue::Take() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_posted.wait(lock, [this] { return !m_messages.empty(); });
    ThreadMessage message = std::move(m_messages.front());
    m_messages.pop_front();
    return message;
}

bool ThreadMessageQueue::TakeFor(ThreadMessage& message, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_posted.wait_for(lock, timeout, [this] { return !m_messages.empty(); }))
        return false;
    message = std::move(m_messages.front());
    m_messages.pop_front();
    return true;
}

bool ThreadMessageQueue::TryTake(ThreadMessage& message) {
    return TakeFor(message, std::chrono::milliseconds(0));
}
