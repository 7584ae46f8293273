#include "DeviceFixture.h"
#include "device/CDeviceDiscovery.h"
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

// What the start-up scan makes of a hidraw node's hid parent: only the Bluetooth bus adds an
// entry (USB devices come from the usb scan), and it carries the identity the catalogue knows.
TEST(BluetoothHidScan, HidIdOfTheBluetoothBusGivesTheCatalogueIdentity) {
    const struct {
        const char* hidId;
        const char* uniq;
        const char* instanceId; // nullptr: not listed
    } cases[] = {
        {"0005:000010D6:0000B006", "a4:c1:38:00:11:22",
         "USB\\VID_10D6&PID_B006\\a4:c1:38:00:11:22"},
        {"0005:000010d6:0000b006", "", "USB\\VID_10D6&PID_B006\\"},
        {"0003:00006352:0000C098", "S1", nullptr},
        {"0005:10D6", "x", nullptr},
        {"0005:000110D6:0000B006", "x", nullptr},
        {"zz05:000010D6:0000B006", "x", nullptr},
        {"", "", nullptr},
    };
    for (const auto& c : cases) {
        const auto id = platform::BluetoothHidInstanceId(c.hidId, c.uniq);
        if (!c.instanceId) {
            EXPECT_FALSE(id) << c.hidId;
            continue;
        }
        ASSERT_TRUE(id) << c.hidId;
        EXPECT_EQ(*id, c.instanceId);
        DeviceFixture f;
        CDeviceDiscovery(*f.context).ScanPresentDevices({*id});
        EXPECT_TRUE(f.context->State().mousePresent) << c.hidId;
        EXPECT_TRUE(f.context->State().bluetoothMouse) << c.hidId;
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
