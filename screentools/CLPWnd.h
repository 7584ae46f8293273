#pragma once

#include "app/FloatingWindowInterfaces.h"
#include "ui/framework/WindowImplBase.h"

#include <QRect>
#include <QString>

#include <cstdint>
#include <memory>

class CConfig;

// The pen's laser dot: a round 49 x 49 window in the colour of lp_color, centred on the pointer
// while the laser key is on (the pointer itself is hidden then). Made hidden by the window
// manager; the main window's timer 1 calls MoveDot about 60 times a second.
//
// The window is frameless, override-redirect, click-through and never focused: it floats above
// full-screen slides and never takes a click meant for what lies beneath. Its X Shape mask is
// the ellipse inscribed in (0, 0, 49, 49).
//
// UI thread only; the window manager brings calls from other threads here.
class CLPWnd : public WindowImplBase, public ILaserWindow {
public:
    static constexpr int kDotSize = 49;
    static constexpr int kDotOffset = 24;

    // config gives lp_color, read on every move.
    explicit CLPWnd(std::shared_ptr<const CConfig> config);

    QString GetWindowClassName() const override { return QStringLiteral("LPWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("lpwnd.xml"); }

    // Shows the dot at (x - 24, y - 24), screen pixels. Moves and repaints only when the place
    // or the colour changed. Does nothing when the skin has no "lp_ver".
    void MoveDot(int x, int y) override;
    void HideDot() override;

    uint32_t Colour() const { return m_colour; }

protected:
    Qt::WindowFlags AdjustWindowFlags(Qt::WindowFlags flags) const override;

private:
    // lp_color as ARGB; a text that is no colour keeps the colour in use and is logged once.
    uint32_t ReadColour();
    void Report(bool visible) const;

    std::shared_ptr<const CConfig> m_config;
    uint32_t m_colour;
    bool m_colourSet = false;
    bool m_shaped = false;
    QRect m_place;
    QString m_refusedText;
};
