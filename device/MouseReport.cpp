#include "device/MouseReport.h"

#include <initializer_list>
#include <utility>

namespace mousereport {

namespace {
using DpiRow = std::initializer_list<std::pair<int, const char*>>;

// Resolution code (byte 4) and the `dpi` text it is stored as.
const DpiRow kSecondLayout3212 = {{16, "16"}, {21, "21"}, {26, "26"}, {32, "32"},
                                  {42, "42"}, {48, "48"}, {63, "63"}};
const DpiRow kFirstLayout3212 = {{32, "5"}, {37, "0"}, {42, "1"}, {48, "2"}, {54, "3"}, {63, "4"}};
const DpiRow kFirstLayout3205 = {{1, "1"}, {2, "2"}, {3, "3"}, {4, "4"}};
const DpiRow kNone = {};

const DpiRow& RowFor(bool secondLayout, int sensor) {
    if (sensor == kSensor3212)
        return secondLayout ? kSecondLayout3212 : kFirstLayout3212;
    return secondLayout ? kNone : kFirstLayout3205;
}

Report Zeroed(std::initializer_list<uint8_t> head) {
    Report report{};
    size_t i = 0;
    for (uint8_t b : head)
        report[i++] = b;
    return report;
}
} // namespace

QString DpiTextForCode(bool secondLayout, int sensor, int code) {
    for (const auto& [value, text] : RowFor(secondLayout, sensor)) {
        if (value == code)
            return QString::fromLatin1(text);
    }
    return QString();
}

uint8_t DpiValueForText(bool secondLayout, int sensor, const QString& dpiText) {
    for (const auto& [value, text] : RowFor(secondLayout, sensor)) {
        if (dpiText == QLatin1String(text))
            return static_cast<uint8_t>(value);
    }
    return 0;
}

Report SetResolution(bool secondLayout, int sensor, const QString& dpiText) {
    if (secondLayout)
        return Zeroed({kReportId, 0x03, 0x22, DpiValueForText(true, sensor, dpiText)});
    // Sensors other than the 3212 take the 3205 values.
    int table = sensor == kSensor3212 ? kSensor3212 : kSensor3205;
    return Zeroed({kReportId, 0xA2, DpiValueForText(false, table, dpiText)});
}

Report WebPageKey(bool urlOn) {
    return Zeroed({kReportId, 0xA7, urlOn ? uint8_t(0) : uint8_t(0x55)});
}

Report EndOfVoiceState(bool secondLayout) {
    return secondLayout ? Zeroed({kReportId, 0x03, 0x25, 0}) : Zeroed({kReportId, 0xA5});
}

Report TypeCtrlV(bool secondLayout) {
    // 0x01 is the left-Ctrl modifier bit, 0x19 the keyboard usage of the letter V.
    return secondLayout ? Zeroed({kReportId, 0x04, 0xA1, 0x01, 0x19})
                        : Zeroed({kReportId, 0xA3, 0x01, 0x19});
}

} // namespace mousereport
