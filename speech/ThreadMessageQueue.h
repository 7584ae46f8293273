#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

// One message for a worker thread: a number in the application range and its parameters. Data
// travels as the message's own copy, so the sender may reuse its buffer at once.
struct ThreadMessage {
    unsigned message = 0;
    std::vector<char> data;
    std::intptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

// The message queue of one thread: any thread posts, the owning thread takes in order.
// Shared through std::shared_ptr by the owner and whoever posts to it.
class ThreadMessageQueue {
public:
    void Post(ThreadMessage message);
    void Post(unsigned message, std::intptr_t wParam = 0, std::intptr_t lParam = 0);

    // Waits for the next message.
    ThreadMessage Take();
    // Waits at most timeout; false when nothing came.
    bool TakeFor(ThreadMessage& message, std::chrono::milliseconds timeout);
    bool TryTake(ThreadMessage& message);

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<ThreadMessage> m_messages;
};
