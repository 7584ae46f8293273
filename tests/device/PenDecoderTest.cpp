#include "FakeHid.h"
#include "device/CPenReportDecoder.h"

#include <gtest/gtest.h>

namespace {

using R = std::vector<uint8_t>;
DeviceEffect P(unsigned msg, uintptr_t w = 0) {
    return DeviceEffect::Post(msg, w);
}

struct PenCase {
    const char* name;
    bool recordingOn;
    std::vector<uint8_t> keys; // one report per key code
    DeviceEffects expected;
};

void PrintTo(const PenCase& c, std::ostream* os) {
    *os << c.name;
}

class PenDecoding : public ::testing::TestWithParam<PenCase> {};

TEST_P(PenDecoding, GivesMessagesInOrder) {
    const PenCase& c = GetParam();
    CPenReportDecoder decoder;
    DeviceEffects all;
    for (uint8_t key : c.keys) {
        R report = ReportWith({{5, key}});
        DeviceEffects effects = decoder.Decode(report.data(), report.size(), c.recordingOn);
        all.insert(all.end(), effects.begin(), effects.end());
    }
    EXPECT_EQ(all, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, PenDecoding,
    ::testing::Values(PenCase{"RecordWithSavingOn",
                              true,
                              {0x18, 0x18, 0x20},
                              {P(1127, 3), P(1159), P(1128), P(1160)}},
                      PenCase{"RecordWithSavingOff", false, {0x18, 0x20}, {P(1127, 3), P(1128)}},
                      PenCase{"BothLaserKeysActedOn",
                              false,
                              {0x27, 0x53, 0x53, 0x54, 0x28},
                              {P(1154, 1), P(1154, 1), P(1154, 2), P(1154, 2)}},
                      PenCase{"MagnifierAndArrows",
                              false,
                              {0x29, 0x30, 0x31, 0x32, 0x33, 0x34},
                              {P(1155, 1), P(1155, 2), P(1153, 1), P(1153, 2)}},
                      PenCase{"VoiceKeys",
                              false,
                              {0x21, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26},
                              {P(1127, 0), P(1128), P(1127, 1), P(1128), P(1127, 2), P(1128)}},
                      PenCase{"ModeSwitchesRepeat",
                              false,
                              {0x1E, 0x1E, 0x1F},
                              {P(1129, 5), P(1129, 5), P(1129, 6)}},
                      PenCase{"UnknownIgnored", false, {0x00, 0x77, 0x40}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PenDecoderBattery, BatteryWithoutKeyGivesOnlyTheNotice) {
    CPenReportDecoder decoder;
    R report = ReportWith({{6, 1}});
    EXPECT_EQ(decoder.Decode(report.data(), report.size(), true), DeviceEffects{P(1129, 4)});
    EXPECT_EQ(decoder.Decode(report.data(), report.size(), true), DeviceEffects{P(1129, 4)});
}

} // namespace
