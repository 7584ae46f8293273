#include "service/windows/CCodeCountdown.h"

#include "ui/framework/WindowImplBase.h"

namespace {
constexpr int kTickMs = 1000;
constexpr uint32_t kWaitingColour = 0xFFDDDDDDu;
constexpr uint32_t kReadyColour = 0xFFF05F00u;
} // namespace

CCodeCountdown::CCodeCountdown(WindowImplBase& window, QString button, unsigned timerId)
    : m_window(window), m_button(std::move(button)), m_timerId(timerId) {}

void CCodeCountdown::Start() {
    m_remaining = kSeconds;
    m_window.SetTimer(m_timerId, kTickMs);
    m_window.SetBkColor(m_button, kWaitingColour);
    m_window.SetControlText(m_button, QStringLiteral("%1s").arg(m_remaining));
    m_window.SetControlEnabled(m_button, false);
}

bool CCodeCountdown::OnTimer(unsigned timerId) {
    if (timerId != m_timerId)
        return false;
    --m_remaining;
    if (m_remaining > 0) {
        m_window.SetControlText(m_button, QStringLiteral("%1s").arg(m_remaining));
        return true;
    }
    m_window.KillTimer(m_timerId);
    m_window.SetBkColor(m_button, kReadyColour);
    m_window.SetControlEnabled(m_button, true);
    m_window.SetControlText(m_button, QStringLiteral("获取验证码"));
    m_remaining = kSeconds;
    return true;
}

bool CCodeCountdown::IsRunning() const {
    return m_window.HasTimer(m_timerId);
}
