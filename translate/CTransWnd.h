#pragma once

#include "app/FloatingWindowInterfaces.h"
#include "translate/CTransWndBase.h"

// The translation of dictated text next to the text caret, offered for pasting: "sure_btn"
// (or, with auto-confirm, timer 1 after 2 s without a click into the window) pastes the
// translation into the focused window. It never takes the focus, so the paste reaches the
// window the user dictated into. UI thread only; the window manager brings calls here.
class CTransWnd : public CTransWndBase, public ITransWindow {
public:
    static constexpr unsigned kConfirmTimer = 1;
    static constexpr unsigned kReplyWaitTimer = 2;
    static constexpr int kConfirmDelayMs = 2000;
    // How long a confirm waits for a translation still on its way.
    static constexpr int kReplyWaitMs = 3000;
    static constexpr int kUsageTranslation = 2;

    explicit CTransWnd(TransWindowLinks links);

    QString GetWindowClassName() const override { return QStringLiteral("TransWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("TransWnd.xml"); }

    // ITransWindow: shows the text; with autoConfirm it pastes by itself unless clicked.
    void ShowTranslation(const QString& text, bool autoConfirm) override;

    // The sure button's work: clearUserInteraction is set for the button, not the timer.
    void Confirm(bool clearUserInteraction);

    bool Interacted() const { return m_interacted; }
    bool ConfirmPending() const { return m_confirmPending; }

protected:
    void OnClick(const TNotifyUI& msg) override;
    void OnTimer(unsigned id) override;
    void HideAndClear() override;
    void OnTranslationShown() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    Qt::WindowFlags AdjustWindowFlags(Qt::WindowFlags flags) const override;

private:
    QPoint PlaceFor(QSize size) const;
    void FinishConfirm();

    bool m_interacted = false;
    bool m_moveOnShow = true;
    bool m_confirmPending = false;
};
