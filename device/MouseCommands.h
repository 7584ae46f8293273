#pragma once

#include <QString>

class DeviceContext;

// Output reports to the mouse, each on a freshly opened handle. False when the mouse cannot
// be opened or the report could not be sent (for example, unplugged mid-send).

// Learns the sensor from one input report, then sets the resolution named by a `dpi` text.
// When no report comes within sensorWaitMs the stored `photoIC` stands in for it.
bool SendDpiToMouse(DeviceContext& context, const QString& dpi, int sensorWaitMs = 2000);
// Switches the web-page key by `device`/`url`.
bool SendWebKeyToMouse(DeviceContext& context);
// Ends the mouse's voice state (sent when speech ends on "v9" mice).
bool SendEndOfVoiceState(DeviceContext& context);
// Makes the mouse itself type Ctrl+V.
bool SendCtrlVByMouse(DeviceContext& context);
