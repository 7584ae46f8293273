#pragma once

#include "app/FloatingWindowInterfaces.h"
#include "ui/framework/WindowImplBase.h"

#include <QImage>
#include <QRect>
#include <QRectF>

#include <memory>
#include <optional>

class CConfig;
class CLensView;
namespace platform {
class IScreen;
}

// The pen's magnifier lens: 300 x 180 pixels centred on the pointer, showing the screen around
// it enlarged by the zoom of lp_multiple. Made hidden by the window manager; the main window's
// timer 2 calls UpdateLens about 60 times a second while the magnifier key is held.
//
// X11 cannot read what lies beneath our own top-most window, and the lens must never show
// itself: the screen is copied once, while the lens is still hidden, and the lens shows areas
// of that snapshot. The window is frameless, override-redirect, click-through and never
// focused, so it floats above full-screen slides without disturbing them.
//
// UI thread only; the window manager brings calls from other threads here.
class CImageWnd : public WindowImplBase, public IMagnifierWindow {
public:
    // config gives lp_multiple; screen the pointer and the snapshot.
    CImageWnd(std::shared_ptr<const CConfig> config, std::shared_ptr<platform::IScreen> screen);

    QString GetWindowClassName() const override { return QStringLiteral("MagWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("MagWnd.xml"); }

    // Reads the pointer; the first call after the lens was hidden takes the snapshot and shows
    // the lens. Later calls move and repaint it only when the place or the zoom changed. An
    // unreadable pointer leaves everything as it is.
    void UpdateLens() override;
    // Hides the lens and lets the snapshot go.
    void HideLens() override;
    // Reads lp_multiple again. A text that is no zoom from 1 to 16 keeps the zoom in use, is
    // logged and gives false.
    bool ApplyZoom() override;

    float Zoom() const { return m_zoom; }
    // The area of the snapshot the lens shows now (screen pixels); empty while hidden.
    QRectF ShownArea() const { return m_shown ? m_shown->area : QRectF(); }

protected:
    void InitWindow() override;
    Qt::WindowFlags AdjustWindowFlags(Qt::WindowFlags flags) const override;

private:
    struct Placement {
        QRect window;
        QRectF area;
        float zoom = 0;
        bool operator==(const Placement& other) const {
            return window == other.window && area == other.area && zoom == other.zoom;
        }
    };

    void Show(const Placement& placement);
    void Report(const std::optional<Placement>& placement) const;

    std::shared_ptr<const CConfig> m_config;
    std::shared_ptr<platform::IScreen> m_screen;
    CLensView* m_view = nullptr;
    QImage m_snapshot;
    float m_zoom;
    std::optional<Placement> m_shown;
};
