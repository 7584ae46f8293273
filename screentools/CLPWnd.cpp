#include "screentools/CLPWnd.h"

#include "app/CConfig.h"
#include "app/ColourText.h"
#include "app/Log.h"
#include "platform/SimEvents.h"
#include "platform/WindowPlacement.h"
#include "screentools/ScreenToolTexts.h"

#include <QRegion>

namespace {
const QString kDotControl = QStringLiteral("lp_ver");
}

CLPWnd::CLPWnd(std::shared_ptr<const CConfig> config)
    : m_config(std::move(config)), m_colour(screentexts::kDefaultLaserColour) {}

Qt::WindowFlags CLPWnd::AdjustWindowFlags(Qt::WindowFlags flags) const {
    return flags | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
           Qt::X11BypassWindowManagerHint | Qt::WindowTransparentForInput |
           Qt::WindowDoesNotAcceptFocus;
}

uint32_t CLPWnd::ReadColour() {
    const QString text = m_config ? m_config->GetLpColor() : QString();
    if (const std::optional<uint32_t> colour = ParseColourText(text)) {
        m_refusedText.clear();
        return *colour;
    }
    // Read on every tick: one line per refused text, not sixty a second.
    if (text != m_refusedText || m_refusedText.isNull()) {
        applog::Warning(QStringLiteral("laser dot: lp_color \"%1\" is no colour; the dot keeps %2")
                            .arg(text)
                            .arg(m_colour));
        m_refusedText = text.isNull() ? QStringLiteral("") : text;
    }
    return m_colour;
}

void CLPWnd::MoveDot(int x, int y) {
    QWidget* window = GetHWND();
    if (window == nullptr || FindControl(kDotControl) == nullptr)
        return;
    const uint32_t colour = ReadColour();
    const QRect place(x - kDotOffset, y - kDotOffset, kDotSize, kDotSize);
    const bool visible = IsVisible();
    if (visible && place == m_place && colour == m_colour && m_colourSet)
        return;
    if (colour != m_colour || !m_colourSet) {
        m_colour = colour;
        m_colourSet = true;
        SetBkColor(kDotControl, colour);
    }
    platform::PlaceWindowInDevicePixels(window, place);
    if (!m_shaped) {
        platform::SetWindowShapeInDevicePixels(window,
                                               QRegion(0, 0, kDotSize, kDotSize, QRegion::Ellipse));
        m_shaped = true;
    }
    if (!visible)
        ShowWindow(true, false);
    m_place = place;
    Report(true);
}

void CLPWnd::HideDot() {
    if (!IsVisible())
        return;
    ShowWindow(false);
    Report(false);
}

void CLPWnd::Report(bool visible) const {
    if (!platform::SimulatorActive())
        return;
    Json::Value event;
    event["kind"] = "laser";
    event["visible"] = visible;
    event["x"] = m_place.x();
    event["y"] = m_place.y();
    event["w"] = m_place.width();
    event["h"] = m_place.height();
    event["color"] = static_cast<Json::UInt>(m_colour);
    platform::EmitSimEvent(event);
}
