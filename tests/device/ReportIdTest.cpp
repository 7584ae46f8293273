#include "DeviceFixture.h"
#include "device/MouseCommands.h"
#include "device/ReadingThreads.h"

#include <gtest/gtest.h>

#include <future>

namespace {

using namespace std::chrono_literals;

// A dongle whose hidraw node also carries its keyboard, pointer and consumer collections. Each
// of these reports has bytes in the places where the vendor report keeps its key code, battery
// flag and model byte: read as a vendor report, they would press voice key 1, report a low
// battery and a "3205" sensor.
const std::vector<std::vector<uint8_t>> kForeignReports = {
    {0x01, 0x02, 0x00, 0x04, 0x00, 0x21, 0x01, 0x01}, // keyboard: Shift+A, 4
    {0x02, 0x01, 0x05, 0xFB, 0x00, 0x21, 0x01, 0x01}, // pointer: button, x, y, wheel
    {0x03, 0xE9, 0x00, 0x00, 0x00, 0x21, 0x01, 0x01}, // consumer: volume up
};

enum class Reader { Mouse, Pen, DpiCommand };

struct ReportIdCase {
    const char* name;
    Reader reader;
    std::vector<PostedMessage> posted;
    std::vector<uint8_t> output; // the one output report expected, empty for none
};

void PrintTo(const ReportIdCase& c, std::ostream* os) {
    *os << c.name;
}

class ReportId : public ::testing::TestWithParam<ReportIdCase> {};

TEST_P(ReportId, ReportsOfTheOtherCollectionsAreDropped) {
    const ReportIdCase& c = GetParam();
    DeviceFixture f;
    const bool pen = c.reader == Reader::Pen;
    const char* path = pen ? DeviceFixture::kPenPath : DeviceFixture::kMousePath;
    if (pen) {
        f.config->SetLpVid("B75C");
        f.world->Add(path, 0xB75C, 0xA217, 0xFF01);
    } else {
        f.config->SetVid("6352");
        f.world->Add(path, 0x6352, 0xC098, 0xFF01);
    }
    for (const auto& report : kForeignReports)
        f.world->Queue(path, report);
    // Voice key 2 down from a "v9" mouse with the "3212" sensor.
    f.world->Queue(path, ReportWith({{5, 0x23}, {7, 0x0A}}));

    DeviceState& state = f.context->State();
    if (c.reader == Reader::DpiCommand) {
        ASSERT_TRUE(SendDpiToMouse(*f.context, "2"));
    } else {
        std::atomic<bool>& stop = pen ? state.penStop : state.mouseStop;
        std::atomic<uint32_t>& runs = pen ? state.penRun : state.mouseRun;
        stop = false;
        const uint32_t run = ++runs;
        auto done = std::async(std::launch::async, [&] {
            return pen ? LpProcProc(f.context, run) : MouseProc(f.context, run);
        });
        ASSERT_TRUE(f.WaitFor(c.posted.back()));
        ASSERT_TRUE(f.world->Drained(path, 30s));
        stop = true;
        ASSERT_EQ(done.wait_for(30s), std::future_status::ready);
    }
    EXPECT_EQ(f.Posted(), c.posted);
    const auto outputs = f.world->Snapshot(path).outputs;
    if (c.output.empty()) {
        EXPECT_TRUE(outputs.empty());
    } else {
        std::vector<uint8_t> expected(32, 0);
        std::copy(c.output.begin(), c.output.end(), expected.begin());
        EXPECT_EQ(outputs, std::vector<std::vector<uint8_t>>{expected});
    }
}

INSTANTIATE_TEST_SUITE_P(
    DongleWithKeyboard, ReportId,
    ::testing::Values(
        ReportIdCase{"MouseReader", Reader::Mouse, {{1127, 1}, {1131, 1}, {1132, 0}}, {}},
        ReportIdCase{"PenReader", Reader::Pen, {{1131, 0}, {1127, 1}}, {}},
        // The sensor comes from the vendor report: "2" is 48 on the "3212", 2 on the "3205".
        ReportIdCase{"DpiCommandSensorRead", Reader::DpiCommand, {}, {0x0A, 0xA2, 48}}),
    [](const ::testing::TestParamInfo<ReportIdCase>& info) { return info.param.name; });

} // namespace
