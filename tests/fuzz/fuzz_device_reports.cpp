// Input reports of the mouse and of the pen receiver, in both mouse layouts, cut to every
// length a read can return.
#include "device/CMouseReportDecoder.h"
#include "device/CPenReportDecoder.h"
#include "device/DeviceMessages.h"
#include "device/MouseReport.h"
#include "support/FuzzSupport.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

namespace {

using fuzz::Require;
using namespace mousereport;

constexpr size_t kSerialEnd = kSerialFirstByte + kSerialLength;

// An exact-size copy, so that reading one byte past the report is an ASan error.
std::unique_ptr<uint8_t[]> ExactCopy(const uint8_t* data, size_t length) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[length]);
    if (length > 0)
        std::memcpy(copy.get(), data, length);
    return copy;
}

QString SerialText(const uint8_t* report) {
    QString text = QStringLiteral("HMXWW");
    for (size_t i = kSerialFirstByte; i < kSerialEnd; ++i)
        text += QStringLiteral("%1").arg(report[i], 2, 16, QLatin1Char('0'));
    return text;
}

void CheckMouseEffects(const DeviceEffects& effects, const uint8_t* report, size_t length,
                       bool secondLayout) {
    if (length <= kKeyByte)
        Require(effects.empty(), "a report too short for a key gave effects");
    bool serialSeen = false;
    for (const DeviceEffect& effect : effects) {
        if (effect.type == DeviceEffect::Type::Post)
            continue;
        Require(effect.key == ConfigKey::Type || effect.key == ConfigKey::PhotoIC ||
                    effect.key == ConfigKey::Dpi || effect.key == ConfigKey::Sn,
                "the mouse stored a setting it does not report");
        if (effect.key == ConfigKey::Type || effect.key == ConfigKey::PhotoIC)
            Require(length > kModelByte, "a model setting from a report without its byte");
        if (effect.key == ConfigKey::Sn) {
            Require(secondLayout && length >= kSerialEnd, "a serial from a short report");
            Require(effect.value == SerialText(report), "the serial is not the report's bytes");
            serialSeen = true;
        }
    }
    if (secondLayout && length >= kSerialEnd)
        Require(serialSeen, "a first full report of the second layout gave no serial");
}

void CheckPenEffects(const DeviceEffects& effects, size_t length, bool recordingOn) {
    if (length <= kKeyByte)
        Require(effects.empty(), "a report too short for a key gave effects");
    for (const DeviceEffect& effect : effects) {
        Require(effect.type == DeviceEffect::Type::Post, "the pen stored a setting");
        if (effect.msg == devmsg::kRecordingStart || effect.msg == devmsg::kRecordingStop)
            Require(recordingOn, "a recording message while recording is off");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const bool secondLayout = (data[0] & 1) != 0;
    const bool recordingOn = (data[0] & 2) != 0;
    const uint8_t* reports = data + 1;
    const size_t available = size - 1;

    // Every cut of the input up to the read buffer's size, each through fresh decoders.
    const size_t longest = std::min(available, kReadBufferSize);
    for (size_t length = 0; length <= longest; ++length) {
        const std::unique_ptr<uint8_t[]> report = ExactCopy(reports, length);
        std::atomic<int> lastKey{0};
        CMouseReportDecoder mouse(secondLayout, lastKey);
        CheckMouseEffects(mouse.Decode(report.get(), length), report.get(), length, secondLayout);
        CPenReportDecoder pen;
        CheckPenEffects(pen.Decode(report.get(), length, recordingOn), length, recordingOn);
    }

    // The whole input as a stream of reports, each preceded by its length, through one pair of
    // decoders, as one run of a reading thread sees them.
    std::atomic<int> lastKey{0};
    CMouseReportDecoder mouse(secondLayout, lastKey);
    CPenReportDecoder pen;
    size_t at = 0;
    while (at < available) {
        const size_t length =
            std::min<size_t>(reports[at] % (kReadBufferSize + 1), available - at - 1);
        const std::unique_ptr<uint8_t[]> report = ExactCopy(reports + at + 1, length);
        mouse.Decode(report.get(), length);
        CheckPenEffects(pen.Decode(report.get(), length, recordingOn), length, recordingOn);
        at += 1 + length;
    }
    return 0;
}
