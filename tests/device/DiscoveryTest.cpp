#include "DeviceFixture.h"
#include "device/CDeviceDiscovery.h"
#include "platform/UsbNames.h"

#include <gtest/gtest.h>

namespace {

platform::DeviceChange Change(bool arrival, int vid, int pid, const std::string& serial) {
    platform::DeviceChange change;
    change.action =
        arrival ? platform::DeviceChange::Action::Arrival : platform::DeviceChange::Action::Removal;
    change.interfaceName = platform::UsbInterfaceName(vid, pid, serial);
    return change;
}

TEST(StartupScan, FindsCatalogueDevicesAndStoresTheirIdentity) {
    DeviceFixture f;
    CDeviceDiscovery(*f.context)
        .ScanPresentDevices({"USB\\VID_1111&PID_2222\\X", "USB\\VID_6352&PID_C098\\S1",
                             "USB\\VID_6352&PID_A317\\P9", "USB\\VID_04D6&PID_9999\\R",
                             "HID\\VID_B75C&PID_A217\\Z", "garbage", ""});
    DeviceState& state = f.context->State();
    EXPECT_TRUE(state.mousePresent);
    EXPECT_TRUE(state.penPresent);
    EXPECT_TRUE(state.recorderPresent);
    EXPECT_FALSE(state.bluetoothMouse);
    EXPECT_EQ(f.config->GetVid(), "6352");
    EXPECT_EQ(f.config->GetPid(), "C098");
    EXPECT_EQ(f.config->GetSn(), "S1");
    EXPECT_EQ(f.config->GetLpVid(), "6352");
    EXPECT_EQ(f.config->GetLpPid(), "A317");
    EXPECT_EQ(f.config->GetLpSn(), "P9");
    EXPECT_TRUE(f.Posted().empty());
}

TEST(StartupScan, LastMouseWinsAndBluetoothModelIsFlagged) {
    DeviceFixture f;
    CDeviceDiscovery(*f.context)
        .ScanPresentDevices({"USB\\VID_6352&PID_C098\\S1", "USB\\VID_10D6&PID_B006\\BT"});
    EXPECT_TRUE(f.context->State().bluetoothMouse);
    EXPECT_EQ(f.config->GetVid(), "10D6");
    EXPECT_EQ(f.config->GetSn(), "BT");
}

TEST(DeviceChange, PostsPresenceMessagesForCatalogueDevices) {
    DeviceFixture f;
    CDeviceDiscovery discovery(*f.context);
    discovery.HandleDeviceChange(Change(true, 0x6352, 0xC098, "S2"));
    discovery.HandleDeviceChange(Change(true, 0xB75C, 0xA217, "P1"));
    discovery.HandleDeviceChange(Change(true, 0x04D6, 0xE101, "R1"));
    discovery.HandleDeviceChange(Change(true, 0x10D6, 0xB006, "BT"));
    discovery.HandleDeviceChange(Change(false, 0x10D6, 0xB006, "BT"));
    discovery.HandleDeviceChange(Change(true, 0x1234, 0x5678, "N"));
    discovery.HandleDeviceChange(Change(false, 0x6352, 0xC098, "S2"));
    discovery.HandleDeviceChange(Change(false, 0x04D6, 0x0001, "R1"));
    platform::DeviceChange hid;
    hid.interfaceName = "\\\\?\\HID#VID_6352&PID_C098#7&1&0#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    discovery.HandleDeviceChange(hid);

    const std::vector<PostedMessage> expected = {
        {1124, 1}, {1126, 1}, {1125, 1}, {1124, 0}, {1125, 0}};
    EXPECT_EQ(f.Posted(), expected);
    EXPECT_TRUE(f.context->State().mousePresent);
    EXPECT_TRUE(f.context->State().penPresent);
    EXPECT_EQ(f.config->GetSn(), "S2");
    EXPECT_EQ(f.config->GetLpSn(), "P1");
    EXPECT_EQ(f.config->GetVid(), "6352") << "the Bluetooth arrival stores nothing";
}

} // namespace
