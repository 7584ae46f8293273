#include "DeviceFixture.h"
#include "device/ReadingThreads.h"

#include <gtest/gtest.h>

#include <future>

namespace {

using namespace std::chrono_literals;

// Only guards against a hang: threads on a loaded machine may take seconds to get going.
constexpr auto kHangGuard = 30s;

bool HasRead(const FakeHidWorld::Collection& c) {
    return c.reads > 0;
}

// Runs a reading thread in the background; Stop() sets the flag and waits for its end.
class RunningThread {
public:
    RunningThread(std::function<unsigned()> proc) : m_done(std::async(std::launch::async, proc)) {}
    bool EndsWithin(std::chrono::milliseconds limit) {
        return m_done.wait_for(limit) == std::future_status::ready;
    }

private:
    std::future<unsigned> m_done;
};

TEST(MouseProc, PostsKeysGenerationSensorAndStoresSettings) {
    DeviceFixture f;
    f.config->SetVid("6352");
    f.world->Add(DeviceFixture::kMousePath, 0x6352, 0xC098, 0xFF01);
    for (int i = 0; i < 10; ++i)
        f.world->Queue(DeviceFixture::kMousePath, ReportWith({{4, 37}, {5, 0x21}, {7, 0x0A}}));
    f.world->Queue(DeviceFixture::kMousePath, ReportWith({{4, 37}, {5, 0x22}, {7, 0x0A}}));

    DeviceState& state = f.context->State();
    state.mouseStop = false;
    const uint32_t run = ++state.mouseRun;
    RunningThread thread([&] { return MouseProc(f.context, run); });
    ASSERT_TRUE(f.WaitFor({1128, 0}));
    state.mouseStop = true;
    ASSERT_TRUE(thread.EndsWithin(kHangGuard));

    const std::vector<PostedMessage> expected = {{1127, 0}, {1131, 1}, {1132, 0}, {1128, 0}};
    EXPECT_EQ(f.Posted(), expected);
    EXPECT_EQ(f.config->GetType(), "v9");
    EXPECT_EQ(f.config->GetPhotoIC(), "3212");
    EXPECT_EQ(f.config->GetDpi(), "0");
}

TEST(MouseProc, SecondLayoutModelStoresItsSerial) {
    DeviceFixture f;
    f.config->SetVid("5698");
    // Only the collection on the second usage page is the one to read.
    f.world->Add("/dev/hidraw-5698-a", 0x5698, 0x8723, 0xFF01);
    f.world->Add("/dev/hidraw-5698-b", 0x5698, 0x8723, 0xFF02);
    f.world->Queue("/dev/hidraw-5698-b",
                   ReportWith({{11, 0x01}, {12, 0xAB}, {13, 0x00}, {14, 0xFF}, {15, 0x10}}));
    DeviceState& state = f.context->State();
    state.mouseStop = false;
    const uint32_t run = ++state.mouseRun;
    RunningThread thread([&] { return MouseProc(f.context, run); });
    ASSERT_TRUE(f.WaitFor({1152, 0}));
    state.mouseStop = true;
    ASSERT_TRUE(thread.EndsWithin(kHangGuard));
    EXPECT_EQ(f.config->GetSn(), "HMXWW01ab00ff10");
    EXPECT_TRUE(state.secondLayout);
}

TEST(MouseProc, EndsAtOnceWhenTheMouseCannotBeOpened) {
    DeviceFixture f;
    f.config->SetVid("10D6"); // the Bluetooth model is never opened
    f.world->Add(DeviceFixture::kMousePath, 0x10D6, 0xB006, 0xFF01);
    DeviceState& state = f.context->State();
    state.mouseStop = false;
    const uint32_t run = ++state.mouseRun;
    RunningThread thread([&] { return MouseProc(f.context, run); });
    EXPECT_TRUE(thread.EndsWithin(kHangGuard));
    EXPECT_TRUE(f.Posted().empty());
    EXPECT_EQ(f.world->Snapshot(DeviceFixture::kMousePath).opens, 0);
}

TEST(MouseProc, ReadErrorsAfterUnplugAreRetriedWithoutSpinning) {
    DeviceFixture f;
    f.config->SetVid("6352");
    f.world->Add(DeviceFixture::kMousePath, 0x6352, 0xC098, 0xFF01);
    DeviceState& state = f.context->State();
    state.mouseStop = false;
    const uint32_t run = ++state.mouseRun;
    RunningThread thread([&] { return MouseProc(f.context, run); });
    EXPECT_TRUE(f.world->WaitUntil(DeviceFixture::kMousePath, HasRead, kHangGuard));
    const int readsBefore = f.world->Snapshot(DeviceFixture::kMousePath).reads;
    const auto unplugged = std::chrono::steady_clock::now();
    f.world->Unplug(DeviceFixture::kMousePath);
    // A failing handle answers at once, so only the pauses between retries take time: at
    // least 6+12+24+48+96+192+200 ms before the ninth read after the unplug (the first two may
    // have begun before it). A busy loop gets there in microseconds.
    constexpr int kReads = 9;
    EXPECT_TRUE(f.world->WaitUntil(
        DeviceFixture::kMousePath,
        [&](const FakeHidWorld::Collection& c) { return c.reads - readsBefore >= kReads; },
        kHangGuard));
    EXPECT_GE(std::chrono::steady_clock::now() - unplugged, 578ms);
    EXPECT_FALSE(thread.EndsWithin(0ms)) << "a failed read is retried until the stop flag";
    state.mouseStop = true;
    EXPECT_TRUE(thread.EndsWithin(kHangGuard));
}

TEST(MouseProc, OlderRunEndsWhenANewerOneStarts) {
    DeviceFixture f;
    f.config->SetVid("6352");
    f.world->Add(DeviceFixture::kMousePath, 0x6352, 0xC098, 0xFF01);
    DeviceState& state = f.context->State();
    state.mouseStop = false;
    const uint32_t first = ++state.mouseRun;
    RunningThread thread([&] { return MouseProc(f.context, first); });
    EXPECT_TRUE(f.world->WaitUntil(DeviceFixture::kMousePath, HasRead, kHangGuard));
    ++state.mouseRun; // stop + restart before the old thread looked at its flag
    EXPECT_TRUE(thread.EndsWithin(kHangGuard));
}

TEST(LpProcProc, AnnouncesThePenThenPostsRecordKeys) {
    DeviceFixture f;
    f.config->SetLpVid("B75C");
    f.config->SetLpSave("on");
    f.world->Add(DeviceFixture::kPenPath, 0xB75C, 0xA217, 0xFF01);
    f.world->Queue(DeviceFixture::kPenPath, ReportWith({{5, 0x18}}));
    f.world->Queue(DeviceFixture::kPenPath, ReportWith({{5, 0x18}}));
    f.world->Queue(DeviceFixture::kPenPath, ReportWith({{5, 0x20}, {6, 1}}));
    DeviceState& state = f.context->State();
    state.penStop = false;
    const uint32_t run = ++state.penRun;
    RunningThread thread([&] { return LpProcProc(f.context, run); });
    ASSERT_TRUE(f.WaitFor({1129, 4}));
    state.penStop = true;
    ASSERT_TRUE(thread.EndsWithin(kHangGuard));
    const std::vector<PostedMessage> expected = {{1131, 0}, {1127, 3}, {1159, 0},
                                                 {1128, 0}, {1160, 0}, {1129, 4}};
    EXPECT_EQ(f.Posted(), expected);
    EXPECT_EQ(f.config->GetType(), "v6");
}

TEST(LpProcProc, UnknownReceiverStoresNothingAndEnds) {
    DeviceFixture f;
    f.config->SetLpVid("1234");
    DeviceState& state = f.context->State();
    state.penStop = false;
    const uint32_t run = ++state.penRun;
    RunningThread thread([&] { return LpProcProc(f.context, run); });
    EXPECT_TRUE(thread.EndsWithin(kHangGuard));
    EXPECT_TRUE(f.Posted().empty());
    EXPECT_EQ(f.config->GetType(), "");
}

TEST(StartReadingThread, BluetoothMousePostsNothingAndReadsAsStopped) {
    DeviceFixture f;
    f.context->State().bluetoothMouse = true;
    f.config->SetVid("6352");
    f.world->Add(DeviceFixture::kMousePath, 0x6352, 0xC098, 0xFF01);
    StartReadingThread(f.context, kDeviceMouse);
    const auto deadline = std::chrono::steady_clock::now() + kHangGuard;
    while (!f.context->State().mouseStop && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(f.context->State().mouseStop);
    EXPECT_TRUE(f.Posted().empty());
    EXPECT_EQ(f.world->Snapshot(DeviceFixture::kMousePath).opens, 0);
}

} // namespace
