#include "device/DeviceInstanceId.h"
#include "platform/UsbNames.h"
#include "platform/linux/HidapiTransport.h"
#include "platform/linux/UdevDeviceMonitor.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

TEST(UsbNames, InterfaceNameParsesBackToTheDevice) {
    const struct {
        int vid;
        int pid;
        const char* serial;
        const char* parsedSerial;
    } cases[] = {
        {0x6352, 0xC098, "S1", "S1"},
        {0x04D6, 0xE101, "", ""},
        // Separators inside a serial must not shift the fields.
        {0x5698, 0x8723, "a#b\\c", "A_B_C"},
    };
    for (const auto& c : cases) {
        const std::string name = platform::UsbInterfaceName(c.vid, c.pid, c.serial);
        auto fromInterface = DeviceInstanceId::Parse(
            DeviceInstanceId::FromInterfaceName(QString::fromStdString(name)));
        auto fromInstance = DeviceInstanceId::Parse(
            QString::fromStdString(platform::UsbInstanceId(c.vid, c.pid, c.serial)));
        ASSERT_TRUE(fromInterface && fromInstance) << name;
        EXPECT_EQ(fromInterface->vid, QString::asprintf("%04X", c.vid));
        EXPECT_EQ(fromInterface->pid, QString::asprintf("%04X", c.pid));
        EXPECT_EQ(fromInterface->serial, QString(c.parsedSerial)) << name;
        EXPECT_EQ(fromInstance->serial, QString(c.parsedSerial));
    }
}

// The machine running the tests has none of the devices; the real back ends must still
// answer at once, with nothing, and stop cleanly.
TEST(LinuxBackends, AnswerWithoutDevicesAndStopPromptly) {
    platform::native::HidapiTransport hid;
    EXPECT_TRUE(hid.Enumerate(0x6352, 0xC098).empty());
    platform::HidOpenError error = platform::HidOpenError::None;
    EXPECT_EQ(hid.OpenPath("/dev/hidraw-velmora-missing", error), nullptr);
    EXPECT_EQ(error, platform::HidOpenError::NotFound);

    platform::native::UdevDeviceMonitor monitor;
    for (const std::string& id : monitor.EnumeratePresentDevices())
        EXPECT_EQ(id.rfind("USB\\VID_", 0), 0u) << id;
    const bool watching = monitor.Start([](const platform::DeviceChange&) {});
    const auto before = std::chrono::steady_clock::now();
    monitor.Stop();
    if (watching) {
        EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
    }
}

} // namespace
