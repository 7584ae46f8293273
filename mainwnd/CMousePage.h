#pragma once

#include "mainwnd/CDevicePage.h"

// The mouse's settings page: the shared controls plus the pointer resolution, the lighting and
// the web-page key, and the serial number of the plugged mouse.
class CMousePage : public CDevicePage {
public:
    CMousePage(WindowImplBase& window, Links links);

    // The mouse reported its sensor (message 1132): the resolution list follows it and shows
    // the stored step.
    void RebuildResolutionList();
    // The serial number became known (message 1152).
    void ShowSerialNumber();
    // Shows the stored web-page key switch without treating it as the user's change.
    void ShowWebKey();

protected:
    void LoadControls() override;
    bool OnOwnCheck(const QString& control, bool checked) override;
    bool OnOwnItem(const QString& control) override;
};
