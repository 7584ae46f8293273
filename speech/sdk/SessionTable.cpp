#include "speech/sdk/SessionTable.h"

namespace speechsdk {

const char* SessionTable::Add(std::shared_ptr<RecognitionSession> session) {
    std::lock_guard<std::mutex> lock(mutex_);
    handles_.push_back("vsr-session-" + std::to_string(nextNumber_++));
    sessions_[handles_.back()] = std::move(session);
    return handles_.back().c_str();
}

std::shared_ptr<RecognitionSession> SessionTable::Find(const char* handle) const {
    if (handle == nullptr)
        return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = sessions_.find(handle);
    return found == sessions_.end() ? nullptr : found->second;
}

std::shared_ptr<RecognitionSession> SessionTable::Remove(const char* handle) {
    if (handle == nullptr)
        return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = sessions_.find(handle);
    if (found == sessions_.end())
        return nullptr;
    auto session = std::move(found->second);
    sessions_.erase(found);
    return session;
}

} // namespace speechsdk
