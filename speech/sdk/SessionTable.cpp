#include "speech/sdk/SessionTable.h"

namespace speechsdk {

const char* SessionTable::Add(std::shared_ptr<RecognitionSession> session) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_handles.push_back("vsr-session-" + std::to_string(m_nextNumber++));
    m_sessions[m_handles.back()] = std::move(session);
    return m_handles.back().c_str();
}

std::shared_ptr<RecognitionSession> SessionTable::Find(const char* handle) const {
    if (handle == nullptr)
        return nullptr;
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_sessions.find(handle);
    return found == m_sessions.end() ? nullptr : found->second;
}

std::shared_ptr<RecognitionSession> SessionTable::Remove(const char* handle) {
    if (handle == nullptr)
        return nullptr;
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_sessions.find(handle);
    if (found == m_sessions.end())
        return nullptr;
    auto session = std::move(found->second);
    m_sessions.erase(found);
    return session;
}

} // namespace speechsdk
