#pragma once

#include "device/DeviceEffect.h"

#include <cstddef>
#include <cstdint>

// Turns the pen receiver's input reports into messages. Its last-key state is its own and
// starts at 0 with every run of the pen reading thread.
class CPenReportDecoder {
public:
    // recordingOn: whether `lp_save` reads "on" at this moment.
    DeviceEffects Decode(const uint8_t* report, size_t length, bool recordingOn);

private:
    int m_lastKey = 0;
};
