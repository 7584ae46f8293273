#include "service/windows/CReplyMailbox.h"

#include "platform/DebugChannel.h"
#include "ui/framework/WindowMessage.h"

#include <system_error>
#include <thread>

bool CReplyMailbox::Post(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_window != nullptr && PostMessage(m_window, msg, wParam, lParam);
}

bool CReplyMailbox::PrepareAndPost(const std::function<void()>& prepare, unsigned msg,
                                   uintptr_t wParam, intptr_t lParam) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_window == nullptr)
        return false;
    if (prepare)
        prepare();
    return PostMessage(m_window, msg, wParam, lParam);
}

void CReplyMailbox::Close() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_window = nullptr;
}

bool RunDetached(std::function<void()> work, const QString& what) {
    try {
        std::thread(std::move(work)).detach();
        return true;
    } catch (const std::system_error&) {
        platform::OutputDebug(what + QStringLiteral(": no thread could be started\n"));
        return false;
    }
}
