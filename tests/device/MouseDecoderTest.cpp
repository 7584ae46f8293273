#include "FakeHid.h"
#include "device/CMouseReportDecoder.h"
#include "device/DeviceMessages.h"

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const DeviceEffect& e, std::ostream* os) {
    if (e.type == DeviceEffect::Type::Post)
        *os << "Post(" << e.msg << "," << e.wParam << ")";
    else
        *os << "Store(" << CConfig::NameOf(e.key) << "=" << e.value.toStdString() << ")";
}

namespace {

using R = std::vector<uint8_t>;
DeviceEffect P(unsigned msg, uintptr_t w = 0) {
    return DeviceEffect::Post(msg, w);
}
DeviceEffect S(ConfigKey k, const char* v) {
    return DeviceEffect::Store(k, v);
}

struct MouseCase {
    const char* name;
    bool secondLayout;
    std::vector<R> reports;
    DeviceEffects expected;
};

std::vector<R> Repeat(const R& report, int times) {
    return std::vector<R>(times, report);
}

std::vector<R> Concat(std::vector<R> a, const std::vector<R>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void PrintTo(const MouseCase& c, std::ostream* os) {
    *os << c.name;
}

// Byte 7 = 0x78 holds a generation and a sensor that are both out of range, so a report made
// with Key() or Quiet() speaks only of its key and battery bytes.
R Key(uint8_t code) {
    return ReportWith({{5, code}, {7, 0x78}});
}
R Quiet(std::initializer_list<std::pair<size_t, uint8_t>> bytes) {
    R report = ReportWith(bytes);
    report[7] = 0x78;
    return report;
}

class MouseDecoding : public ::testing::TestWithParam<MouseCase> {};

TEST_P(MouseDecoding, GivesSettingsAndMessagesInOrder) {
    const MouseCase& c = GetParam();
    std::atomic<int> lastKey{0};
    CMouseReportDecoder decoder(c.secondLayout, lastKey);
    DeviceEffects all;
    for (const R& report : c.reports) {
        DeviceEffects effects = decoder.Decode(report.data(), report.size());
        all.insert(all.end(), effects.begin(), effects.end());
    }
    EXPECT_EQ(all, c.expected);
}

const R kKey1Down = Key(0x21);
const R kKey1Up = Key(0x22);
const R kKey2Down = Key(0x23);

INSTANTIATE_TEST_SUITE_P(
    Reports, MouseDecoding,
    ::testing::Values(
        MouseCase{"HeldKeyGivesOneDownThenOneUp",
                  false,
                  Concat(Repeat(kKey1Down, 10), {kKey1Up}),
                  {P(1127, 0), P(1128, 0)}},
        MouseCase{"AnotherKeyRearmsTheFirst",
                  false,
                  {kKey1Down, kKey2Down, kKey1Down},
                  {P(1127, 0), P(1127, 1), P(1127, 0)}},
        MouseCase{"VoiceKeyThreeAndArrows",
                  false,
                  {Key(0x25), Key(0x26), Key(0x31), Key(0x32), Key(0x33), Key(0x33)},
                  {P(1127, 2), P(1128, 0), P(1153, 1), P(1153, 2)}},
        MouseCase{"ModeSwitchPostedOnEveryReport",
                  false,
                  {Key(0x1E), Key(0x1E), Key(0x1F)},
                  {P(1129, 5), P(1129, 5), P(1129, 6)}},
        MouseCase{"ModeSwitchDoesNotRearmAHeldKey",
                  false,
                  {kKey1Down, Key(0x1E), kKey1Down},
                  {P(1127, 0), P(1129, 5)}},
        MouseCase{"BatteryLowOnEveryReport",
                  false,
                  {Quiet({{6, 1}}), Quiet({{6, 1}}), Quiet({{6, 2}})},
                  {P(1129, 4), P(1129, 4)}},
        MouseCase{"UnknownKeysIgnored", false, {Key(0x40), Key(0xFF)}, {}},
        MouseCase{
            "GenerationNineSensor3212",
            false,
            Repeat(ReportWith({{7, 0x0A}}), 3),
            {S(ConfigKey::Type, "v9"), P(1131, 1), S(ConfigKey::PhotoIC, "3212"), P(1132, 0)}},
        MouseCase{"GenerationSixSensor3205WithDpi",
                  false,
                  {ReportWith({{4, 3}, {7, 0x01}})},
                  {S(ConfigKey::Type, "v6"), P(1131, 0), S(ConfigKey::PhotoIC, "3205"),
                   S(ConfigKey::Dpi, "3"), P(1132, 0)}},
        MouseCase{"GenerationChangeReportedAgain",
                  false,
                  {ReportWith({{7, 0x00}}), ReportWith({{7, 0x08}}), ReportWith({{7, 0x00}})},
                  {S(ConfigKey::Type, "v6"), P(1131, 0), S(ConfigKey::Type, "v9"), P(1131, 1),
                   S(ConfigKey::Type, "v6"), P(1131, 0)}},
        MouseCase{"OutOfRangeGenerationAndSensorIgnored",
                  false,
                  {ReportWith({{7, 0x13}}), ReportWith({{7, 0x7F}})},
                  {}},
        MouseCase{"FirstLayout3212Code37IsStep0",
                  false,
                  {ReportWith({{4, 37}, {7, 0x0A}})},
                  {S(ConfigKey::Type, "v9"), P(1131, 1), S(ConfigKey::PhotoIC, "3212"),
                   S(ConfigKey::Dpi, "0"), P(1132, 0)}},
        MouseCase{
            "FirstLayout3212OutOfTableLeavesDpi",
            false,
            {ReportWith({{4, 16}, {7, 0x02}})},
            {S(ConfigKey::Type, "v6"), P(1131, 0), S(ConfigKey::PhotoIC, "3212"), P(1132, 0)}},
        MouseCase{
            "SecondLayout3212StoresCodeAndSerialOnce",
            true,
            {ReportWith(
                 {{4, 63}, {7, 0x02}, {11, 0x01}, {12, 0xAB}, {13, 0}, {14, 0xFF}, {15, 0x10}}),
             ReportWith({{4, 63}, {7, 0x02}, {11, 0x99}})},
            {S(ConfigKey::Type, "v6"), P(1131, 0), S(ConfigKey::PhotoIC, "3212"),
             S(ConfigKey::Dpi, "63"), P(1132, 0), S(ConfigKey::Sn, "HMXWW01ab00ff10"), P(1152, 0)}},
        MouseCase{"SecondLayout3205StoresNoDpi",
                  true,
                  {ReportWith({{4, 2}, {7, 0x01}})},
                  {S(ConfigKey::Type, "v6"), P(1131, 0), S(ConfigKey::PhotoIC, "3205"), P(1132, 0),
                   S(ConfigKey::Sn, "HMXWW0000000000"), P(1152, 0)}},
        MouseCase{"FirstLayoutHasNoSerial",
                  false,
                  {ReportWith({{11, 1}, {15, 2}})},
                  {S(ConfigKey::Type, "v6"), P(1131, 0)}},
        // Short reads carry no model byte, so they cannot claim a generation or a serial.
        MouseCase{"ShortReportsOnlyGiveTheirFields",
                  true,
                  {R{0x0A, 0, 0, 0, 0, 0x21}, R{0x0A, 0, 0, 0, 0, 0, 1}, R{}, R{0x0A}},
                  {P(1127, 0), P(1129, 4)}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MouseDecoderLastKey, ResetFromOutsideStartsANewSession) {
    std::atomic<int> lastKey{0};
    CMouseReportDecoder decoder(false, lastKey);
    const R down = Key(0x21);
    EXPECT_EQ(decoder.Decode(down.data(), down.size()).size(), 1u);
    EXPECT_TRUE(decoder.Decode(down.data(), down.size()).empty());
    lastKey = 0; // speech-end handling
    EXPECT_EQ(decoder.Decode(down.data(), down.size()), DeviceEffects{P(1127, 0)});
}

} // namespace
