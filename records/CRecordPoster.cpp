#include "records/CRecordPoster.h"

#include "ui/framework/WindowMessage.h"

void CRecordPoster::Attach(WindowImplBase* window) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_window = window;
}

void CRecordPoster::Detach() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_window = nullptr;
}

bool CRecordPoster::Post(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_window != nullptr && PostMessage(m_window, msg, wParam, lParam);
}
