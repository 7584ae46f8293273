#include "device/MouseReport.h"

#include <gtest/gtest.h>

namespace {

using mousereport::Report;

Report Bytes(std::initializer_list<uint8_t> head) {
    Report r{};
    size_t i = 0;
    for (uint8_t b : head)
        r[i++] = b;
    return r;
}

struct OutputCase {
    const char* name;
    Report actual;
    Report expected;
};

void PrintTo(const OutputCase& c, std::ostream* os) {
    *os << c.name;
}

class OutputReports : public ::testing::TestWithParam<OutputCase> {};

TEST_P(OutputReports, HaveTheMouseBytes) {
    EXPECT_EQ(GetParam().actual, GetParam().expected);
}

using namespace mousereport;
INSTANTIATE_TEST_SUITE_P(
    Bytes, OutputReports,
    ::testing::Values(
        OutputCase{"Dpi3212Step5", SetResolution(false, 2, "5"), Bytes({10, 0xA2, 32})},
        OutputCase{"Dpi3212Step0", SetResolution(false, 2, "0"), Bytes({10, 0xA2, 37})},
        OutputCase{"Dpi3212Step4", SetResolution(false, 2, "4"), Bytes({10, 0xA2, 63})},
        OutputCase{"Dpi3205Step3", SetResolution(false, 1, "3"), Bytes({10, 0xA2, 3})},
        OutputCase{"Dpi3205Step0Unknown", SetResolution(false, 1, "0"), Bytes({10, 0xA2, 0})},
        OutputCase{"DpiOtherSensorUses3205", SetResolution(false, 0, "2"), Bytes({10, 0xA2, 2})},
        OutputCase{"DpiUnknownText", SetResolution(false, 2, "1200"), Bytes({10, 0xA2, 0})},
        OutputCase{"Dpi5698Step42", SetResolution(true, 2, "42"), Bytes({10, 0x03, 0x22, 42})},
        OutputCase{"Dpi5698OtherSensor", SetResolution(true, 1, "42"), Bytes({10, 0x03, 0x22, 0})},
        OutputCase{"WebKeyOn", WebPageKey(true), Bytes({10, 0xA7, 0})},
        OutputCase{"WebKeyOff", WebPageKey(false), Bytes({10, 0xA7, 0x55})},
        OutputCase{"EndOfVoice", EndOfVoiceState(false), Bytes({10, 0xA5})},
        OutputCase{"EndOfVoice5698", EndOfVoiceState(true), Bytes({10, 0x03, 0x25, 0})},
        OutputCase{"CtrlV", TypeCtrlV(false), Bytes({10, 0xA3, 0x01, 0x19})},
        OutputCase{"CtrlV5698", TypeCtrlV(true), Bytes({10, 0x04, 0xA1, 0x01, 0x19})}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
