#include "service/windows/CColorWnd.h"

#include "app/CConfig.h"
#include "platform/SimEvents.h"
#include "service/windows/CColorPalette.h"
#include "service/windows/ServiceMessages.h"

#include <QLayout>

#include <json/value.h>

namespace {
// The skin's palette placeholder; its name is compared without regard to case.
const QString kPaletteName = QStringLiteral("Pallet");

QWidget* FindPalettePlaceholder(QWidget* root) {
    for (QWidget* child : root->findChildren<QWidget*>()) {
        if (child->objectName().compare(kPaletteName, Qt::CaseInsensitive) == 0)
            return child;
    }
    return nullptr;
}
} // namespace

CColorWnd::CColorWnd(ServiceWindowLinks links, int purpose)
    : m_links(std::move(links)), m_purpose(purpose) {}

void CColorWnd::InitWindow() {
    InstallPalette();
    Json::Value event;
    event["kind"] = "dialog";
    event["type"] = "colour";
    event["title"] = GetWindowClassName().toStdString();
    event["purpose"] = m_purpose;
    platform::EmitSimEvent(event);
}

void CColorWnd::InstallPalette() {
    QWidget* placeholder = GetHWND() ? FindPalettePlaceholder(GetHWND()) : nullptr;
    if (placeholder == nullptr || placeholder->parentWidget() == nullptr)
        return;
    m_palette = new CColorPalette(placeholder->parentWidget());
    m_palette->setObjectName(placeholder->objectName());
    if (QLayout* layout = placeholder->parentWidget()->layout())
        delete layout->replaceWidget(placeholder, m_palette);
    delete placeholder;
    connect(m_palette, &CColorPalette::colourPicked, this,
            [this](quint32 argb) { OnColourPicked(argb); });
}

void CColorWnd::OnColourPicked(uint32_t argb) {
    if (!m_links.config)
        return;
    const QString text = QString::number(argb);
    if (m_purpose == kLaserColour) {
        m_links.config->SetLpColor(text);
        if (m_links.postToMainWindow)
            m_links.postToMainWindow(svcmsg::kLaserColour);
    } else if (m_purpose == kSubtitleColour) {
        m_links.config->SetLpSubtitleColor(text);
        if (m_links.postToMainWindow)
            m_links.postToMainWindow(svcmsg::kSubtitleColour);
    }
}

void CColorWnd::OnClick(const TNotifyUI& msg) {
    if (msg.senderName == QLatin1String("close_btn"))
        Close();
}

void CColorWnd::OnWindowDeactivated() {
    Close();
}
