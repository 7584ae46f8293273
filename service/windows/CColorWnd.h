#pragma once

#include "service/windows/ServiceWindowLinks.h"
#include "ui/framework/WindowImplBase.h"

#include <cstdint>

class CColorPalette;

// The colour pop-up of the pen page: the laser dot colour (purpose 0) or the subtitle font
// colour (purpose 1). A pick writes the colour and tells the main window; losing the focus
// closes the pop-up. UI thread only.
class CColorWnd : public WindowImplBase {
    Q_OBJECT
public:
    enum Purpose { kLaserColour = 0, kSubtitleColour = 1 };

    CColorWnd(ServiceWindowLinks links, int purpose);

    QString GetWindowClassName() const override { return QStringLiteral("ColorWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("ColorWnd.xml"); }

    CColorPalette* Palette() const { return m_palette; }
    void OnColourPicked(uint32_t argb);

protected:
    void InitWindow() override;
    void OnClick(const TNotifyUI& msg) override;
    void OnWindowDeactivated() override;

private:
    void InstallPalette();

    ServiceWindowLinks m_links;
    int m_purpose;
    CColorPalette* m_palette = nullptr;
};
