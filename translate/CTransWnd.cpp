#include "translate/CTransWnd.h"

#include "platform/IScreen.h"

#include <QEvent>
#include <QMouseEvent>

#include <thread>

namespace {
const QString kSureButton = QStringLiteral("sure_btn");
} // namespace

CTransWnd::CTransWnd(TransWindowLinks links) : CTransWndBase(std::move(links)) {}

void CTransWnd::ShowTranslation(const QString& text, bool autoConfirm) {
    if (GetHWND() == nullptr)
        return;
    const QSize size = ShowSourceText(text);
    SetControlVisible(kSureButton, true);
    // The first show, and every show after an auto-confirmed one, goes to the caret; otherwise
    // the window stays where the user left it.
    if (m_moveOnShow) {
        const QPoint place = FitOnScreen(PlaceFor(size), size);
        MoveWindow(place.x(), place.y());
    }
    m_moveOnShow = autoConfirm;
    ShowWindow(true, false);
    GetHWND()->raise();
    if (autoConfirm && !m_interacted)
        SetTimer(kConfirmTimer, kConfirmDelayMs);
}

QPoint CTransWnd::PlaceFor(QSize) const {
    platform::IScreen& screen = *Links().screen;
    if (std::optional<QPoint> caret = screen.CaretPosition())
        return *caret;
    if (std::optional<QPoint> pointer = screen.CursorPosition())
        return *pointer;
    return QPoint(0, 0);
}

void CTransWnd::OnClick(const TNotifyUI& msg) {
    if (msg.senderName == kSureButton) {
        Confirm(true);
        return;
    }
    CTransWndBase::OnClick(msg);
}

void CTransWnd::OnTimer(unsigned id) {
    if (id == kConfirmTimer) {
        Confirm(false);
    } else if (id == kReplyWaitTimer) {
        KillTimer(kReplyWaitTimer);
        FinishConfirm();
    }
}

void CTransWnd::Confirm(bool clearUserInteraction) {
    if (clearUserInteraction)
        m_interacted = false;
    KillTimer(kConfirmTimer);
    HideAndClear();
    if (!ReplyOutstanding()) {
        FinishConfirm();
        return;
    }
    // The translation is still on its way: it is pasted when it comes, or given up after the
    // wait. The UI thread does not block for it.
    m_confirmPending = true;
    SetTimer(kReplyWaitTimer, kReplyWaitMs);
}

void CTransWnd::OnTranslationShown() {
    if (!m_confirmPending)
        return;
    KillTimer(kReplyWaitTimer);
    FinishConfirm();
}

void CTransWnd::FinishConfirm() {
    m_confirmPending = false;
    const QString translation = Translation();
    // Nothing to paste: the user's clipboard stays as it is and nothing is recorded.
    if (translation.isEmpty())
        return;
    if (Links().paste) {
        std::thread([paste = Links().paste, translation] { paste(translation); }).detach();
    }
    if (Links().recordUsage)
        Links().recordUsage(kUsageTranslation, translation, SourceText());
}

void CTransWnd::HideAndClear() {
    CTransWndBase::HideAndClear();
    SetControlVisible(kSureButton, false);
}

bool CTransWnd::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        // A click into the window keeps it open until one of its buttons is used.
        KillTimer(kConfirmTimer);
        m_interacted = true;
    }
    return CTransWndBase::eventFilter(watched, event);
}

Qt::WindowFlags CTransWnd::AdjustWindowFlags(Qt::WindowFlags flags) const {
    return flags | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus;
}
