#include "session/CTipWindowBase.h"

#include "app/CConfig.h"
#include "platform/IScreen.h"
#include "platform/InputDevices.h"
#include "session/TipTexts.h"

namespace {
const QString kTipText = QStringLiteral("tip_text");
}

CTipWindowBase::CTipWindowBase(std::shared_ptr<const CConfig> config,
                               std::shared_ptr<platform::IScreen> screen)
    : m_config(std::move(config)), m_screen(screen ? std::move(screen) : platform::Screen()) {}

QString CTipWindowBase::UiLanguage() const {
    return m_config ? m_config->GetUiLanguage() : QString();
}

std::optional<QSize> CTipWindowBase::ScreenSize() const {
    const QSize size = m_screen->ScreenSize();
    if (size.isEmpty())
        return std::nullopt;
    return size;
}

void CTipWindowBase::SetTipText(const std::optional<QString>& text) {
    if (text)
        SetControlText(kTipText, *text);
}

int CTipWindowBase::WidthForShownText() const {
    return tiptext::TipWidth(UiLanguage(), GetControlText(kTipText).size());
}

void CTipWindowBase::ShowSized(int width, const std::optional<QPoint>& place) {
    QWidget* widget = GetHWND();
    if (widget == nullptr)
        return;
    widget->setFixedSize(width, tiptext::kTipHeight);
    if (place)
        MoveWindow(place->x(), place->y());
    ShowWindow(true, false);
    widget->raise();
}

void CTipWindowBase::OnTimer(unsigned id) {
    if (id != kHideTimer)
        return;
    KillTimer(kHideTimer);
    ShowWindow(false);
}

Qt::WindowFlags CTipWindowBase::AdjustWindowFlags(Qt::WindowFlags flags) const {
    // Placed exactly where asked and never given the focus, so typing goes on undisturbed.
    return flags | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
           Qt::X11BypassWindowManagerHint;
}
