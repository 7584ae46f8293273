#pragma once

#include "ui/framework/WindowImplBase.h"

#include <QPoint>
#include <QRect>
#include <QSize>

class CWndManager;

// The tray icon's pop-up menu: settings, feedback, help, restart and exit. It closes after any
// click and when it loses the focus (a click outside it).
class CTrayMenu : public WindowImplBase {
public:
    explicit CTrayMenu(CWndManager& manager);

    QString GetWindowClassName() const override { return QStringLiteral("MenuWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("MenuWnd.xml"); }

    // Builds the menu and shows it near the pointer, in front of everything.
    bool Open(const QPoint& cursor);

    // The menu's top-left corner for a pointer position: 64 pixels above the pointer and never
    // closer than 100 pixels to the right edge, then moved so that a menu of menuSize lies
    // wholly inside `available` (the usable area of the screen under the pointer: without
    // panels, possibly a second monitor right of or above the first).
    static QPoint MenuPosition(const QPoint& cursor, const QRect& available, const QSize& menuSize);

protected:
    void OnClick(const TNotifyUI& msg) override;
    void OnWindowDeactivated() override;
    Qt::WindowFlags AdjustWindowFlags(Qt::WindowFlags flags) const override;

private:
    void Restart() const;

    CWndManager& m_manager;
};
