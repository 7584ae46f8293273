#pragma once

#include "device/DeviceEffect.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

// Turns the mouse's input reports into settings and messages. One decoder lives for one run of
// the mouse reading thread; the last-key state is shared with the speech-end handling.
class CMouseReportDecoder {
public:
    CMouseReportDecoder(bool secondLayout, std::atomic<int>& lastKey);

    // report holds length bytes as read, report id first. Fields beyond length are not
    // looked at, so a short report cannot fake a generation, sensor or serial.
    DeviceEffects Decode(const uint8_t* report, size_t length);

private:
    void DecodeKey(uint8_t code, DeviceEffects& out);
    void DecodeGeneration(int generation, DeviceEffects& out);
    void DecodeSensor(int sensor, uint8_t dpiCode, DeviceEffects& out);
    void DecodeSerial(const uint8_t* serial, DeviceEffects& out);

    const bool m_secondLayout;
    std::atomic<int>& m_lastKey;
    int m_lastGeneration = 0; // 0 none yet, else generation + 1
    int m_lastSensor = 0;
    bool m_serialDone = false;
};
