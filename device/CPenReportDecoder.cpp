#include "device/CPenReportDecoder.h"

#include "device/DeviceMessages.h"
#include "device/MouseReport.h"

namespace {
constexpr uint8_t kRecordDown = 0x18;
constexpr uint8_t kRecordUp = 0x20;

struct PenKey {
    uint8_t code;
    unsigned msg; // 0: no message
    uintptr_t wParam;
    bool everyTime;
};

const PenKey kPenKeys[] = {
    {kRecordDown, devmsg::kVoiceKeyDown, 3, false},
    {kRecordUp, devmsg::kVoiceKeyUp, 0, false},
    {0x21, devmsg::kVoiceKeyDown, 0, false},
    {0x22, devmsg::kVoiceKeyUp, 0, false},
    {0x23, devmsg::kVoiceKeyDown, 1, false},
    {0x24, devmsg::kVoiceKeyUp, 0, false},
    {0x25, devmsg::kVoiceKeyDown, 2, false},
    {0x26, devmsg::kVoiceKeyUp, 0, false},
    {0x1E, devmsg::kNotice, devmsg::kNoticeTypingMode, true},
    {0x1F, devmsg::kNotice, devmsg::kNoticeTranslationTypingMode, true},
    {0x27, devmsg::kLaser, 1, false},
    {0x28, devmsg::kLaser, 2, false},
    {0x53, devmsg::kLaser, 1, false},
    {0x54, devmsg::kLaser, 2, false},
    {0x29, devmsg::kMagnifier, 1, false},
    {0x30, devmsg::kMagnifier, 2, false},
    {0x31, devmsg::kArrowKey, 1, false},
    {0x32, 0, 0, false},
    {0x33, devmsg::kArrowKey, 2, false},
    {0x34, 0, 0, false},
};
} // namespace

DeviceEffects CPenReportDecoder::Decode(const uint8_t* report, size_t length, bool recordingOn) {
    DeviceEffects out;
    if (length > mousereport::kKeyByte) {
        const uint8_t code = report[mousereport::kKeyByte];
        for (const PenKey& key : kPenKeys) {
            if (key.code != code)
                continue;
            if (!key.everyTime && m_lastKey == code)
                break;
            if (!key.everyTime)
                m_lastKey = code;
            if (key.msg != 0)
                out.push_back(DeviceEffect::Post(key.msg, key.wParam));
            if (recordingOn && code == kRecordDown)
                out.push_back(DeviceEffect::Post(devmsg::kRecordingStart, 0));
            if (recordingOn && code == kRecordUp)
                out.push_back(DeviceEffect::Post(devmsg::kRecordingStop, 0));
            break;
        }
    }
    if (length > mousereport::kBatteryByte && report[mousereport::kBatteryByte] == 1)
        out.push_back(DeviceEffect::Post(devmsg::kNotice, devmsg::kNoticeBatteryLow));
    return out;
}
