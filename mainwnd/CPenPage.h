#pragma once

#include "mainwnd/CDevicePage.h"

// The presenter pen's settings page: the shared controls plus the laser and subtitle colours,
// the magnifier zoom, the saving of subtitle sessions and the receiver's serial number.
class CPenPage : public CDevicePage {
public:
    // Purposes of the colour pop-up.
    static constexpr int kLaserColour = 0;
    static constexpr int kSubtitleColour = 1;

    CPenPage(WindowImplBase& window, Links links);

    // A colour was picked (messages 1157 and 1158): the button shows the stored colour.
    void ShowLaserColour();
    void ShowSubtitleColour();

    bool OnClick(const QString& control) override;

protected:
    void LoadControls() override;
    bool OnOwnCheck(const QString& control, bool checked) override;
    bool OnOwnItem(const QString& control) override;

private:
    void FillZoomList();
    void PickSaveFolder();
    void OpenSaveFolder();
};
