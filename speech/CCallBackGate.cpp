#include "speech/CCallBackGate.h"

void CCallBackGate::Close() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_owner = nullptr;
}

void CCallBackGate::OnSpeechEnd() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_owner)
        m_owner->OnSpeechEnd();
}

void CCallBackGate::OnResult(const char* text, bool last, std::string mode) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_owner)
        m_owner->OnResult(text, last, std::move(mode));
}

void CCallBackGate::OnResultString(const std::string& text, bool last, std::string mode) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_owner)
        m_owner->OnResultString(text, last, std::move(mode));
}

void CCallBackGate::OnReserved1(std::int32_t first, std::int32_t second) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_owner)
        m_owner->OnReserved1(first, second);
}

void CCallBackGate::OnReserved2(std::int32_t first, std::int32_t second) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_owner)
        m_owner->OnReserved2(first, second);
}
