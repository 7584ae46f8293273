#pragma once

#include "app/FloatingWindowInterfaces.h"
#include "session/CTipWindowBase.h"

// Short device notices (battery low, mode switched) in the bottom-right corner for 1.5 s.
// UI thread only; the window manager brings calls from other threads here.
class CTipWnd : public CTipWindowBase, public INoticeWindow {
public:
    explicit CTipWnd(std::shared_ptr<const CConfig> config,
                     std::shared_ptr<platform::IScreen> screen = nullptr);

    QString GetWindowClassName() const override { return QStringLiteral("TipWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("TipWnd.xml"); }

    // Ids 3 to 8 have texts; any other id shows the window with the text it had.
    void ShowNotice(int id) override;

    static constexpr int kShowMs = 1500;
    static constexpr int kBottomMargin = 80;
};
