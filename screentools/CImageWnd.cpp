#include "screentools/CImageWnd.h"

#include "app/CConfig.h"
#include "app/Log.h"
#include "platform/IScreen.h"
#include "platform/InputDevices.h"
#include "platform/SimEvents.h"
#include "platform/WindowPlacement.h"
#include "screentools/CLensView.h"
#include "screentools/LensGeometry.h"
#include "screentools/ScreenToolTexts.h"

#include <QBoxLayout>

CImageWnd::CImageWnd(std::shared_ptr<const CConfig> config,
                     std::shared_ptr<platform::IScreen> screen)
    : m_config(std::move(config)), m_screen(screen ? std::move(screen) : platform::Screen()),
      m_zoom(screentexts::kDefaultZoom) {}

void CImageWnd::InitWindow() {
    QWidget* root = GetHWND();
    SetLayeredOpacity(255);
    auto* layout = qobject_cast<QBoxLayout*>(root->layout());
    if (layout == nullptr) {
        delete root->layout();
        layout = new QVBoxLayout(root);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    m_view = new CLensView(root);
    layout->addWidget(m_view);
    ApplyZoom();
}

Qt::WindowFlags CImageWnd::AdjustWindowFlags(Qt::WindowFlags flags) const {
    return flags | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
           Qt::X11BypassWindowManagerHint | Qt::WindowTransparentForInput |
           Qt::WindowDoesNotAcceptFocus;
}

bool CImageWnd::ApplyZoom() {
    const QString text = m_config ? m_config->GetLpMultiple() : QString();
    const std::optional<float> zoom = screentexts::ParseZoomText(text);
    if (!zoom) {
        applog::Warning(QStringLiteral("magnifier: lp_multiple \"%1\" is no zoom from 1 to 16; "
                                       "the zoom stays %2")
                            .arg(text)
                            .arg(static_cast<double>(m_zoom)));
        return false;
    }
    m_zoom = *zoom;
    return true;
}

void CImageWnd::UpdateLens() {
    if (m_view == nullptr)
        return;
    const std::optional<QPoint> cursor = m_screen->CursorPosition();
    if (!cursor)
        return;
    const Placement placement{lens::WindowRect(*cursor), lens::SourceArea(*cursor, m_zoom), m_zoom};
    if (m_shown && IsVisible() && *m_shown == placement)
        return;
    if (!IsVisible()) {
        // Taken while the lens is hidden, so it never shows itself. A failed grab leaves a
        // black lens.
        m_snapshot = m_screen->Grab();
    }
    Show(placement);
}

void CImageWnd::Show(const Placement& placement) {
    m_view->SetSource(m_snapshot, placement.area);
    platform::PlaceWindowInDevicePixels(GetHWND(), placement.window);
    if (!IsVisible())
        ShowWindow(true, false);
    // Painted now rather than on a later turn of the loop: the tick ends with the new face on
    // the screen.
    m_view->repaint();
    m_shown = placement;
    Report(placement);
}

void CImageWnd::HideLens() {
    if (IsVisible())
        ShowWindow(false);
    m_snapshot = QImage();
    if (m_view != nullptr)
        m_view->SetSource(QImage(), QRectF());
    if (m_shown) {
        m_shown.reset();
        Report(std::nullopt);
    }
}

void CImageWnd::Report(const std::optional<Placement>& placement) const {
    if (!platform::SimulatorActive())
        return;
    Json::Value event;
    event["kind"] = "magnifier";
    event["visible"] = placement.has_value();
    event["zoom"] = static_cast<double>(m_zoom);
    if (placement) {
        event["x"] = placement->window.x();
        event["y"] = placement->window.y();
        event["w"] = placement->window.width();
        event["h"] = placement->window.height();
        event["src_x"] = static_cast<int>(placement->area.x());
        event["src_y"] = static_cast<int>(placement->area.y());
    }
    platform::EmitSimEvent(event);
}
