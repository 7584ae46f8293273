#include "DeviceFixture.h"
#include "app/Log.h"
#include "device/HidOpenExt.h"
#include "device/MouseCommands.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> head) {
    std::vector<uint8_t> r(32, 0);
    size_t i = 0;
    for (uint8_t b : head)
        r[i++] = b;
    return r;
}

TEST(MouseCommands, EachReportGoesOutOnAFreshHandle) {
    DeviceFixture f;
    f.config->SetVid("6352");
    f.config->Set(ConfigKey::Url, "off");
    f.world->Add(DeviceFixture::kMousePath, 0x6352, 0xC098, 0xFF01);
    f.world->Queue(DeviceFixture::kMousePath, ReportWith({{7, 0x0A}}));
    EXPECT_TRUE(SendDpiToMouse(*f.context, "2"));
    EXPECT_TRUE(SendWebKeyToMouse(*f.context));
    EXPECT_TRUE(SendEndOfVoiceState(*f.context));
    EXPECT_TRUE(SendCtrlVByMouse(*f.context));
    auto mouse = f.world->Snapshot(DeviceFixture::kMousePath);
    EXPECT_EQ(mouse.opens, 4);
    const std::vector<std::vector<uint8_t>> expected = {Bytes({10, 0xA2, 48}),
                                                        Bytes({10, 0xA7, 0x55}), Bytes({10, 0xA5}),
                                                        Bytes({10, 0xA3, 0x01, 0x19})};
    EXPECT_EQ(mouse.outputs, expected);
}

TEST(MouseCommands, DpiFallsBackToTheStoredSensorWhenTheMouseIsSilent) {
    DeviceFixture f;
    f.config->SetVid("5698");
    f.config->SetPhotoIC("3212");
    f.world->Add(DeviceFixture::kMousePath, 0x5698, 0x8723, 0xFF02);
    EXPECT_TRUE(SendDpiToMouse(*f.context, "21", 30));
    EXPECT_EQ(f.world->Snapshot(DeviceFixture::kMousePath).outputs,
              std::vector<std::vector<uint8_t>>{Bytes({10, 0x03, 0x22, 21})});
}

TEST(MouseCommands, FailCleanlyWithoutAMouse) {
    DeviceFixture f;
    f.config->SetVid("6352");
    EXPECT_FALSE(SendWebKeyToMouse(*f.context)) << "nothing plugged";
    f.world->Add(DeviceFixture::kMousePath, 0x6352, 0xC098, 0xFF01);
    f.config->SetVid("1915"); // counted as present but never opened
    EXPECT_FALSE(SendCtrlVByMouse(*f.context));
    EXPECT_TRUE(f.world->Snapshot(DeviceFixture::kMousePath).outputs.empty());
}

TEST(MouseCommands, UnplugBetweenOpenAndSendIsAFailure) {
    DeviceFixture f;
    f.config->SetVid("6352");
    f.world->Add(DeviceFixture::kMousePath, 0x6352, 0xC098, 0xFF01);
    // The mouse goes away while the sensor read waits for a report.
    std::thread unplug([&] {
        f.world->WaitUntil(
            DeviceFixture::kMousePath,
            [](const FakeHidWorld::Collection& c) { return c.reads > 0; },
            std::chrono::seconds(30));
        f.world->Unplug(DeviceFixture::kMousePath);
    });
    EXPECT_FALSE(SendDpiToMouse(*f.context, "1", 30000));
    unplug.join();
}

TEST(HidOpenExt, MatchesUsageAndPathNumbers) {
    FakeHidWorld world;
    world.Add("1-1:1.0&mi_00&col01", 0x6352, 0xC098, 0xFF01, 1);
    world.Add("1-1:1.0&mi_01&col02", 0x6352, 0xC098, 0xFF01, 0);
    world.Add("1-1:1.0&mi_01&col03", 0x6352, 0xC098, 0xFF02, 0);
    world.Queue("1-1:1.0&mi_01&col03", ReportWith({{5, 7}}));
    EXPECT_NE(hid_open_ext(world, 0x6352, 0xC098, -1, -1, -1, 0xFF01, 0), nullptr);
    EXPECT_EQ(world.Snapshot("1-1:1.0&mi_01&col02").opens, 1);
    EXPECT_NE(hid_open_ext(world, 0x6352, 0xC098, -1, 1, 3, -1, -1), nullptr);
    EXPECT_EQ(world.Snapshot("1-1:1.0&mi_01&col03").opens, 1);
    EXPECT_EQ(hid_open_ext(world, 0x6352, 0xC098, -1, -1, 4, -1, -1), nullptr);
    EXPECT_EQ(hid_open_ext(world, 0x6352, 0xC099, -1, -1, -1, -1, -1), nullptr);
    EXPECT_EQ(HidPathNumber("x&COL0A", "&col"), 10);
    EXPECT_EQ(HidPathNumber("/dev/hidraw3", "&col"), -1);
    EXPECT_EQ(HidPathNumber("x&col", "&col"), -1);
}

TEST(HidOpenExt, PermissionProblemIsLoggedOnceWithTheRuleFile) {
    QTemporaryDir dir;
    const QString logPath = dir.path() + "/log.log";
    applog::InitLogging(logPath);
    FakeHidWorld world;
    world.Add("/dev/hidraw-locked", 0x6352, 0xC098, 0xFF01);
    world.DenyPermission("/dev/hidraw-locked");
    EXPECT_EQ(hid_open_ext(world, 0x6352, 0xC098, -1, -1, -1, 0xFF01, 0), nullptr);
    EXPECT_EQ(hid_open_ext(world, 0x6352, 0xC098, -1, -1, -1, 0xFF01, 0), nullptr);
    applog::StopLogging();
    QFile log(logPath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    EXPECT_EQ(text.count("70-velmora.rules"), 1) << text.toStdString();
    EXPECT_TRUE(text.contains("/dev/hidraw-locked"));
}

} // namespace
