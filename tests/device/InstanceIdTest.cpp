#include "device/DeviceInstanceId.h"

#include <gtest/gtest.h>

namespace {

struct ParseCase {
    const char* id;
    bool ok;
    const char* vid;
    const char* pid;
    const char* serial;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.id;
}

class InstanceIdParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(InstanceIdParse, SplitsVendorProductAndSerial) {
    const ParseCase& c = GetParam();
    auto parsed = DeviceInstanceId::Parse(QString::fromUtf8(c.id));
    ASSERT_EQ(parsed.has_value(), c.ok) << c.id;
    if (!c.ok)
        return;
    EXPECT_EQ(parsed->vid, QString(c.vid));
    EXPECT_EQ(parsed->pid, QString(c.pid));
    EXPECT_EQ(parsed->serial, QString(c.serial));
}

INSTANTIATE_TEST_SUITE_P(
    Ids, InstanceIdParse,
    ::testing::Values(ParseCase{"USB\\VID_6352&PID_C098\\S1", true, "6352", "C098", "S1"},
                      ParseCase{"usb\\vid_5698&pid_8723\\abc", true, "5698", "8723", "ABC"},
                      ParseCase{"USB\\VID_04D6&PID_1234\\6&2B1C&0&3", true, "04D6", "1234",
                                "6&2B1C&0&3"},
                      // Serial capped at 34 characters.
                      ParseCase{"USB\\VID_6352&PID_C098\\0123456789012345678901234567890123456789",
                                true, "6352", "C098", "0123456789012345678901234567890123"},
                      ParseCase{"USB\\VID_6352&PID_C098", true, "6352", "C098", ""},
                      ParseCase{"HID\\VID_6352&PID_C098\\S1", false, "", "", ""},
                      ParseCase{"USB\\VID_6352&PID_C0", false, "", "", ""},
                      ParseCase{"USB\\VID_63", false, "", "", ""},
                      ParseCase{"USB", false, "", "", ""}, ParseCase{"", false, "", "", ""},
                      ParseCase{"USB\\VEN_6352&PID_C098\\S1", false, "", "", ""},
                      ParseCase{"USB\\VID_6352&DEV_C098\\S1", false, "", "", ""}));

TEST(InstanceIdInterfaceName, DropsPrefixAndClassAndRestoresSeparators) {
    EXPECT_EQ(DeviceInstanceId::FromInterfaceName(
                  "\\\\?\\usb#vid_6352&pid_c098#s1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"),
              QString("USB\\VID_6352&PID_C098\\S1"));
    EXPECT_EQ(DeviceInstanceId::FromInterfaceName("ab"), QString());
}

} // namespace
