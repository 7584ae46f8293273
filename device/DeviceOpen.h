#pragma once

#include "platform/IHidTransport.h"

#include <QString>

#include <memory>

class DeviceContext;

// The mouse's vendor collection, chosen by the stored `vid`. Clears the second-layout flag and
// sets it again for the 5698 model. Every call opens a fresh handle; null when the stored
// vendor is not one that is read or nothing matches.
// secondLayout, when given, receives the layout of this open (the shared flag may change
// under a concurrent open).
std::unique_ptr<platform::IHidDevice> OpenMouse(DeviceContext& context,
                                                bool* secondLayout = nullptr);
// The pen receiver's vendor collection, chosen by the stored `lp_vid`.
std::unique_ptr<platform::IHidDevice> OpenPen(DeviceContext& context);
