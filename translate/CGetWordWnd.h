#pragma once

#include "app/FloatingWindowInterfaces.h"
#include "translate/CTransWndBase.h"

// The translation of a word or phrase the user highlighted somewhere on the desktop, shown at
// the pointer above other windows. It hides itself when it loses the focus. UI thread only.
class CGetWordWnd : public CTransWndBase, public IGetWordWindow {
public:
    explicit CGetWordWnd(TransWindowLinks links);

    QString GetWindowClassName() const override { return QStringLiteral("GetwordWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("GetwordWnd.xml"); }

    void ShowGetWord(int x, int y, const QString& word) override;

protected:
    void OnWindowDeactivated() override;
    Qt::WindowFlags AdjustWindowFlags(Qt::WindowFlags flags) const override;
};
