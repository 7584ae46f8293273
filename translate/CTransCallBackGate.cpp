#include "translate/CTransCallBackGate.h"

void CTransCallBackGate::Close() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_owner = nullptr;
}

void CTransCallBackGate::OnTranslated(const std::string& text) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (m_owner)
        m_owner->OnTranslated(text);
}

void CTransCallBackGate::OnSpeakEnd() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (m_owner)
        m_owner->OnSpeakEnd();
}
