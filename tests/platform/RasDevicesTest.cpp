#include "platform/ModemRegistry.h"
#include "platform/Ras.h"
#include "RasTestSupport.h"

#include <vector>

using namespace rastest;

namespace {

using RasDevices = DialFixture;

TEST_F(RasDevices, ClassKeyListsTheDeviceFolder)
{
    AddModem(12, "/dev/null", "Test Modem");
    AddModem(4, "/dev/zero", "Test Modem");
    AddModem(7, "/dev/full", "");  // no name file content: no FriendlyName
    fs::remove(m_dir / "dev" / "COM7.name");

    const auto keys = EnumerateModemKeys();
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].subkey, "0004");
    EXPECT_EQ(keys[0].friendlyName, "Test Modem");
    EXPECT_EQ(keys[0].attachedTo, "COM4");
    EXPECT_EQ(keys[0].device, "/dev/zero");
    EXPECT_EQ(keys[1].friendlyName, "");
    EXPECT_EQ(keys[2].friendlyName, "Test Modem #2");  // a second one of the same name
    EXPECT_EQ(keys[2].attachedTo, "COM12");

    TModemRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kModemClassKey));
    EXPECT_EQ(reg.GetKeyNames(), (std::vector<AnsiString>{"0004", "0007", "0012"}));
    EXPECT_FALSE(reg.ValueExists("FriendlyName"));  // the class key itself has no values
    reg.CloseKey();
    EXPECT_TRUE(reg.GetKeyNames().empty());

    // Registry paths ignore case and a leading backslash.
    ASSERT_TRUE(reg.OpenKeyReadOnly(std::string("\\system\\currentcontrolset\\control\\class\\"
                                                "{4d36e96d-e325-11ce-bfc1-08002be10318}\\0012")));
    EXPECT_TRUE(reg.GetKeyNames().empty());
    EXPECT_EQ(reg.ReadString("FriendlyName"), "Test Modem #2");
    EXPECT_EQ(reg.ReadString("attachedto"), "COM12");
    EXPECT_EQ(reg.ReadString("Driver"), "");
    ASSERT_TRUE(reg.OpenKeyReadOnly(std::string(kModemClassKey) + "\\0007"));
    EXPECT_FALSE(reg.ValueExists("FriendlyName"));
    EXPECT_EQ(reg.ReadString("FriendlyName"), "");
    EXPECT_EQ(reg.ReadString("AttachedTo"), "COM7");

    EXPECT_FALSE(reg.OpenKeyReadOnly(std::string(kModemClassKey) + "\\0099"));
    EXPECT_FALSE(reg.OpenKeyReadOnly("SYSTEM\\CurrentControlSet\\Control\\Class"));
    EXPECT_FALSE(reg.OpenKeyReadOnly(std::string(kModemClassKey) + "0004"));
}

TEST_F(RasDevices, DeviceListIsTheNamedModems)
{
    AddModem(3, "/dev/null", "Test Modem");
    AddModem(5, "/dev/zero", "Other Modem");
    AddModem(6, "/dev/full", "");
    fs::remove(m_dir / "dev" / "COM6.name");

    DWORD bytes = 0, count = 0;
    ASSERT_EQ(RasEnumDevicesA(nullptr, &bytes, &count), DWORD{ERROR_BUFFER_TOO_SMALL});
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(bytes, 2 * sizeof(RASDEVINFOA));

    std::vector<RASDEVINFOA> one(1);
    bytes = sizeof(RASDEVINFOA);
    EXPECT_EQ(RasEnumDevicesA(one.data(), &bytes, &count), DWORD{ERROR_BUFFER_TOO_SMALL});
    std::vector<RASDEVINFOA> devs(bytes / sizeof(RASDEVINFOA));
    ASSERT_EQ(RasEnumDevicesA(devs.data(), &bytes, &count), 0u);
    ASSERT_EQ(count, 2u);
    EXPECT_STREQ(devs[0].szDeviceType, "modem");
    EXPECT_STREQ(devs[0].szDeviceName, "Test Modem");
    EXPECT_STREQ(devs[1].szDeviceName, "Other Modem");

    std::vector<RASDEVINFOA> wrong(2);
    wrong[0].dwSize = 100;
    EXPECT_EQ(RasEnumDevicesA(wrong.data(), &bytes, &count), DWORD{ERROR_INVALID_SIZE});
}

TEST(ModemTty, ModemDriversPassPlainAdaptersDoNot)
{
    struct Case { const char* driver; const char* protocol; bool modem; };
    for (const Case& c : {Case{"option1", "", true}, Case{"cdc_acm", "01", true},
                          Case{"cdc_acm", "ff", true}, Case{"cdc_acm", "", true}, Case{"cdc_acm", "00", false},
                          Case{"ftdi_sio", "", false}, Case{"pl2303", "", false}, Case{"cp210x", "", false},
                          Case{"", "", true}})
        EXPECT_EQ(IsModemTty(c.driver, c.protocol), c.modem) << c.driver << "/" << c.protocol;
}

}  // namespace
