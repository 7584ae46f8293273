#include "device/CMouseReportDecoder.h"

#include "device/DeviceMessages.h"
#include "device/MouseReport.h"

#include <cstdio>

using namespace mousereport;

namespace {
struct KeyAction {
    uint8_t code;
    unsigned msg; // 0: no message
    uintptr_t wParam;
    bool everyTime; // acted on even when repeated
};

const KeyAction kMouseKeys[] = {
    {0x21, devmsg::kVoiceKeyDown, 0, false},
    {0x22, devmsg::kVoiceKeyUp, 0, false},
    {0x23, devmsg::kVoiceKeyDown, 1, false},
    {0x24, devmsg::kVoiceKeyUp, 0, false},
    {0x25, devmsg::kVoiceKeyDown, 2, false},
    {0x26, devmsg::kVoiceKeyUp, 0, false},
    {0x1E, devmsg::kNotice, devmsg::kNoticeTypingMode, true},
    {0x1F, devmsg::kNotice, devmsg::kNoticeTranslationTypingMode, true},
    {0x31, devmsg::kArrowKey, 1, false},
    {0x32, 0, 0, false},
    {0x33, devmsg::kArrowKey, 2, false},
    {0x34, 0, 0, false},
};

const KeyAction* FindKey(uint8_t code) {
    for (const KeyAction& key : kMouseKeys) {
        if (key.code == code)
            return &key;
    }
    return nullptr;
}
} // namespace

CMouseReportDecoder::CMouseReportDecoder(bool secondLayout, std::atomic<int>& lastKey)
    : m_secondLayout(secondLayout), m_lastKey(lastKey) {}

DeviceEffects CMouseReportDecoder::Decode(const uint8_t* report, size_t length) {
    DeviceEffects out;
    if (length > kKeyByte)
        DecodeKey(report[kKeyByte], out);
    if (length > kBatteryByte && report[kBatteryByte] == 1)
        out.push_back(DeviceEffect::Post(devmsg::kNotice, devmsg::kNoticeBatteryLow));
    if (length > kModelByte) {
        DecodeGeneration(GenerationOf(report[kModelByte]), out);
        DecodeSensor(SensorOf(report[kModelByte]), report[kDpiByte], out);
    }
    if (m_secondLayout && length >= kSerialFirstByte + kSerialLength)
        DecodeSerial(report + kSerialFirstByte, out);
    return out;
}

void CMouseReportDecoder::DecodeKey(uint8_t code, DeviceEffects& out) {
    const KeyAction* key = FindKey(code);
    if (!key)
        return;
    if (!key->everyTime) {
        if (m_lastKey.exchange(code) == code)
            return;
    }
    if (key->msg != 0)
        out.push_back(DeviceEffect::Post(key->msg, key->wParam));
}

void CMouseReportDecoder::DecodeGeneration(int generation, DeviceEffects& out) {
    if (generation != 0 && generation != 1)
        return;
    if (m_lastGeneration == generation + 1)
        return;
    m_lastGeneration = generation + 1;
    out.push_back(DeviceEffect::Store(ConfigKey::Type, generation == 0 ? "v6" : "v9"));
    out.push_back(DeviceEffect::Post(devmsg::kGeneration, static_cast<uintptr_t>(generation)));
}

void CMouseReportDecoder::DecodeSensor(int sensor, uint8_t dpiCode, DeviceEffects& out) {
    if (sensor != kSensor3212 && sensor != kSensor3205)
        return;
    if (m_lastSensor == sensor)
        return;
    m_lastSensor = sensor;
    out.push_back(DeviceEffect::Store(ConfigKey::PhotoIC, sensor == kSensor3212 ? "3212" : "3205"));
    if (sensor == kSensor3212 || !m_secondLayout) {
        const QString dpi = DpiTextForCode(m_secondLayout, sensor, dpiCode);
        if (!dpi.isEmpty())
            out.push_back(DeviceEffect::Store(ConfigKey::Dpi, dpi));
    }
    out.push_back(DeviceEffect::Post(devmsg::kSensor, 0));
}

void CMouseReportDecoder::DecodeSerial(const uint8_t* serial, DeviceEffects& out) {
    if (m_serialDone)
        return;
    m_serialDone = true;
    char text[16];
    std::snprintf(text, sizeof(text), "%02x%02x%02x%02x%02x", serial[0], serial[1], serial[2],
                  serial[3], serial[4]);
    out.push_back(DeviceEffect::Store(ConfigKey::Sn, QStringLiteral("HMXWW") + text));
    out.push_back(DeviceEffect::Post(devmsg::kSerialKnown, 0));
}
