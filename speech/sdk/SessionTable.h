#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace speechsdk {

class RecognitionSession;

// The open sessions by handle text. Handle texts are never freed, so a caller holding an ended
// handle can still pass it and get an error rather than a read of freed memory.
class SessionTable {
public:
    // Stores the session; returns its new handle text.
    const char* Add(std::shared_ptr<RecognitionSession> session);
    std::shared_ptr<RecognitionSession> Find(const char* handle) const;
    std::shared_ptr<RecognitionSession> Remove(const char* handle);

private:
    mutable std::mutex m_mutex;
    std::uint64_t m_nextNumber = 1;
    std::deque<std::string> m_handles;
    std::map<std::string, std::shared_ptr<RecognitionSession>> m_sessions;
};

} // namespace speechsdk
