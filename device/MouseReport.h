#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

// The 32-byte reports exchanged with the mouse and the pen receiver (report id 10).
namespace mousereport {

constexpr uint8_t kReportId = 0x0A;
constexpr size_t kReportSize = 32;
// Reads use a buffer larger than the report, as the device may not know its own size.
constexpr size_t kReadBufferSize = 64;

constexpr size_t kDpiByte = 4;
constexpr size_t kKeyByte = 5;
constexpr size_t kBatteryByte = 6;
constexpr size_t kModelByte = 7;
constexpr size_t kSerialFirstByte = 11;
constexpr size_t kSerialLength = 5;

constexpr int kSensor3205 = 1;
constexpr int kSensor3212 = 2;

inline int GenerationOf(uint8_t modelByte) {
    return (modelByte >> 3) & 0x0F;
}
inline int SensorOf(uint8_t modelByte) {
    return modelByte & 0x07;
}

// hidraw hands over every report of the interface, so a dongle's keyboard, pointer and
// consumer reports arrive on the same handle as the vendor ones; only report id 10 is ours.
inline bool IsVendorReport(const uint8_t* report, size_t length) {
    return length > 0 && report[0] == kReportId;
}

// The `dpi` text for a resolution code, empty when the code is not stored for this model and
// sensor.
QString DpiTextForCode(bool secondLayout, int sensor, int code);
// The resolution value the mouse expects for a `dpi` text, 0 when the text names none.
uint8_t DpiValueForText(bool secondLayout, int sensor, const QString& dpiText);

using Report = std::array<uint8_t, kReportSize>;
Report SetResolution(bool secondLayout, int sensor, const QString& dpiText);
Report WebPageKey(bool urlOn);
Report EndOfVoiceState(bool secondLayout);
Report TypeCtrlV(bool secondLayout);

} // namespace mousereport
