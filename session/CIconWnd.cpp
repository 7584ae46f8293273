#include "session/CIconWnd.h"

#include "platform/IScreen.h"
#include "platform/InputDevices.h"

#include <QKeyEvent>

namespace {
const QString kIconButton = QStringLiteral("icon_btn");
constexpr int kOffsetX = 3;
constexpr int kOffsetY = -3;
constexpr int kGetWordGapX = 2;
constexpr int kGetWordRiseY = 22;
} // namespace

CIconWnd::CIconWnd(UsageRecorder recordUsage, GetWordOpener openGetWord,
                   std::shared_ptr<platform::IScreen> screen)
    : m_recordUsage(std::move(recordUsage)), m_openGetWord(std::move(openGetWord)),
      m_screen(screen ? std::move(screen) : platform::Screen()) {}

void CIconWnd::ShowIcon(int, int x, int y, const QString& word) {
    if (GetHWND() == nullptr)
        return;
    m_word = word;
    // A new word is shown in full even when the previous one had faded out.
    KillTimer(kFadeTimer);
    SetOpacity(kOpaque);
    MoveWindow(x + kOffsetX, y + kOffsetY);
    ShowWindow(true, false);
    GetHWND()->raise();
    StartFadeDelay();
    if (m_recordUsage)
        m_recordUsage(kUsageKind, QStringLiteral("划词翻译"));
}

void CIconWnd::HideIconIfPointerOutside() {
    if (PointerInside())
        return;
    ShowWindow(false);
    SetOpacity(kOpaque);
    KillTimer(kFadeTimer);
}

void CIconWnd::Notify(const TNotifyUI& msg) {
    if (msg.senderName == kIconButton) {
        if (msg.sType == ui::notify::kMouseEnter)
            HoldOpaque();
        else if (msg.sType == ui::notify::kMouseLeave)
            StartFadeDelay();
    }
    WindowImplBase::Notify(msg);
}

void CIconWnd::OnClick(const TNotifyUI& msg) {
    if (msg.senderName != kIconButton || !m_openGetWord)
        return;
    const QRect icon = GetHWND()->frameGeometry();
    m_openGetWord(icon.x() + icon.width() + kGetWordGapX, icon.y() + icon.height() - kGetWordRiseY,
                  m_word);
}

void CIconWnd::OnTimer(unsigned id) {
    if (id == kFadeDelayTimer)
        BeginFade();
    else if (id == kFadeTimer)
        FadeStep();
}

void CIconWnd::OnWindowDeactivated() {
    HideIconIfPointerOutside();
}

Qt::WindowFlags CIconWnd::AdjustWindowFlags(Qt::WindowFlags flags) const {
    return flags | Qt::WindowStaysOnTopHint;
}

bool CIconWnd::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        HideIconIfPointerOutside();
    return WindowImplBase::eventFilter(watched, event);
}

void CIconWnd::StartFadeDelay() {
    SetTimer(kFadeDelayTimer, kFadeDelayMs);
}

void CIconWnd::BeginFade() {
    KillTimer(kFadeDelayTimer);
    SetOpacity(kOpaque);
    SetTimer(kFadeTimer, kFadeStepMs);
}

void CIconWnd::FadeStep() {
    const int next = m_opacity - kFadeStep;
    if (next <= 0) {
        SetOpacity(0);
        KillTimer(kFadeTimer);
        return;
    }
    SetOpacity(next);
}

void CIconWnd::HoldOpaque() {
    SetOpacity(kOpaque);
    KillTimer(kFadeTimer);
    KillTimer(kFadeDelayTimer);
}

void CIconWnd::SetOpacity(int opacity) {
    m_opacity = opacity;
    SetLayeredOpacity(opacity);
}

bool CIconWnd::PointerInside() const {
    const std::optional<QPoint> pointer = m_screen->CursorPosition();
    return pointer && GetHWND() != nullptr && GetHWND()->frameGeometry().contains(*pointer);
}
