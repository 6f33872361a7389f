#include "SimFixture.h"
#include "communicator/TModemComm.h"

namespace {

class Discovery : public CommFixture {
protected:
    void SetUp() override
    {
        CommFixture::SetUp();
        ::setenv("QVX_PHONEBOOK_DIR", (m_root / "config").c_str(), 1);
    }
    void Known(const std::string& plain)
    {
        std::ofstream(m_program / "Devices.dat", std::ios::binary) << TModemList::Scramble(plain);
    }
    void Add(int com, const std::string& name) { ASSERT_TRUE(RegisterComPort(m_devices.string(), com, "/dev/null", name)); }
    void Make() { MakeComm(); }
    std::vector<std::pair<AnsiString, AnsiString>> Devices() const
    {
        std::vector<std::pair<AnsiString, AnsiString>> out;
        for (int i = 0; i < m_comm->GetDeviceCount(); ++i)
            out.emplace_back(m_comm->GetDeviceName(i), m_comm->getPort(i));
        return out;
    }

};

using Pairs = std::vector<std::pair<AnsiString, AnsiString>>;

TEST_F(Discovery, KeepsTheKnownModemsWithTheirIndexedTwins)
{
    Known("A;B;");
    Add(3, "A");
    Add(4, "A");  // the view calls the second one "A #2"
    Add(5, "C");
    Add(6, "");  // no FriendlyName
    Make();
    EXPECT_EQ(Devices(), (Pairs{{"A", "COM3"}, {"A #2", "COM4"}}));
    EXPECT_EQ(m_comm->GetDeviceName(2), "");
    EXPECT_EQ(m_comm->GetDeviceName(-1), "");
    EXPECT_EQ(m_comm->getPort(5), "");
    EXPECT_EQ(m_comm->FindDevicePort("a #2"), "COM4");
    EXPECT_EQ(m_comm->FindDevicePort("C"), "");
}

TEST_F(Discovery, TheFilterIsExactButThePortLookupIgnoresCase)
{
    Known("Modem X;modem x;");
    Add(3, "MODEM X");
    Add(4, "Modem X");
    Add(5, "modem x");
    Make();
    EXPECT_EQ(Devices(), (Pairs{{"Modem X", "COM4"}, {"modem x", "COM5"}}));
    EXPECT_EQ(m_comm->FindDevicePort("modem x"), "COM4");
    m_comm->SetPortNumber(5);  // unless another of the name is the one in use
    EXPECT_EQ(m_comm->FindDevicePort("Modem X"), "COM5");
}

TEST_F(Discovery, WithoutDevicesDatNothingIsKnown)
{
    Make();
    EXPECT_EQ(m_comm->GetDeviceCount(), 0);
    EXPECT_EQ(m_comm->GetDeviceName(0), "");
}

TEST_F(Discovery, TheDeliveredListKnowsTheSimulatedModem)
{
    std::filesystem::copy_file(QVX_SOURCE_DIR "/data/Devices.dat", m_program / "Devices.dat");
    m_sim.Register(m_devices.string(), kCom, "Simulated Modem");
    Make();
    EXPECT_EQ(Devices(), (Pairs{{"Simulated Modem", "COM7"}}));
}

TEST_F(Discovery, OverLongNamesAreCutToTheirField)
{
    Known(std::string(255, 'n') + ";");
    Add(3, std::string(300, 'n'));
    Make();
    ASSERT_EQ(m_comm->GetDeviceCount(), 1);
    EXPECT_EQ(m_comm->GetDeviceName(0), std::string(255, 'n'));
}

TEST(DiscoveryText, StripDeviceIndex)
{
    EXPECT_EQ(TModemComm::StripDeviceIndex("USB Modem #2"), "USB Modem");
    EXPECT_EQ(TModemComm::StripDeviceIndex("Modem X  #12"), "Modem X");
    EXPECT_EQ(TModemComm::StripDeviceIndex("\tModem\r #1 #2"), "Modem");
    EXPECT_EQ(TModemComm::StripDeviceIndex("  Modem  "), "  Modem  ");
    EXPECT_EQ(TModemComm::StripDeviceIndex("#3"), "");
}

TEST(DiscoveryText, PortNumber)
{
    struct Case { const char* text; int n; };
    for (const Case& c : {Case{"COM12", 12}, Case{"COM5", 5}, Case{"COM0", 0}, Case{"COM7 ", 7}, Case{"", -1},
                          Case{"LPT1", -1}, Case{"COM", -1}, Case{"com3", -1}, Case{"COMx", -1},
                          Case{"COM99999999999", -1}})
        EXPECT_EQ(TModemComm::PortNumber(c.text), c.n) << c.text;
}

TEST_F(Discovery, PresenceWithoutAPortTest)
{
    Known("Quorvix Test Modem;");
    Add(9, "Unknown Modem");  // listed, but no modem of the list: never present
    Make();
    m_comm->SetModemName("quorvix test MODEM");  // the device list compares without regard to case
    ASSERT_TRUE(m_comm->OpenPort(0));
    m_sim.ClearCommands();
    EXPECT_TRUE(m_comm->DetectModemPort());  // no "COM" in the name: listed is enough
    EXPECT_TRUE(m_sim.Commands().empty());
    EXPECT_TRUE(m_comm->IsPortOpen());

    m_comm->SetModemName("Unknown Modem");
    EXPECT_FALSE(m_comm->DetectModemPort());
    EXPECT_FALSE(m_comm->IsPortOpen());  // absent: the port is closed
}

TEST_F(Discovery, PresenceWithAPortTest)
{
    const std::string name = "USB Modem";  // no port in the name, as the kernel view names them
    Known(name + ";");
    m_sim.Register(m_devices.string(), kCom, name);
    Make();
    m_comm->SetModemName(name);
    m_sim.ClearCommands();
    EXPECT_TRUE(m_comm->DetectModemPort(true));
    EXPECT_FALSE(m_sim.Commands().empty());  // it was asked
    EXPECT_TRUE(m_comm->IsPortOpen());       // and the configured port is open again
    EXPECT_TRUE(m_comm->TestDevicePort(name));

    m_sim.SetSilent(true);
    EXPECT_FALSE(m_comm->TestDevicePort(name));
    EXPECT_FALSE(m_comm->DetectModemPort(true));
    EXPECT_FALSE(m_comm->IsPortOpen());
}

TEST_F(Discovery, ADeviceWithoutAKnownPortFailsWithoutTouchingThePort)
{
    Known("Test Modem (COM7);");
    m_sim.Register(m_devices.string(), kCom, "Test Modem (COM7)");
    Make();
    Add(9, "Spare (COM9)");  // listed, but not a known modem: no port for it
    ASSERT_TRUE(m_comm->OpenPort(0));
    m_sim.ClearCommands();
    EXPECT_FALSE(m_comm->TestDevicePort("Spare (COM9)"));
    EXPECT_TRUE(Logged("No COM port known for Spare (COM9)"));
    EXPECT_TRUE(m_comm->IsPortOpen());
    EXPECT_TRUE(m_sim.Commands().empty());
    EXPECT_FALSE(m_comm->TestDevicePort("Nowhere (COM9)"));
}

TEST_F(Discovery, TwinSticksKeepTheirNamesWhileTheyArePlugged)
{
    const std::string name = "Twin Modem";
    Known(name + ";");
    m_sim.Register(m_devices.string(), kCom, name);
    modemsim::ModemSim twin;
    ASSERT_TRUE(twin.Start() && twin.Register(m_devices.string(), 5, name));
    Make();
    ASSERT_EQ(Devices(), (Pairs{{name, "COM5"}, {name + " #2", "COM7"}}));
    // Ours is "#2" on COM7; the other one on COM5 is pulled.
    m_comm->SetModemName(name + " #2");
    ASSERT_TRUE(m_comm->OpenPort(0));
    twin.Vanish();
    EXPECT_TRUE(m_comm->RefreshModemDevices());
    EXPECT_EQ(Devices(), (Pairs{{name + " #2", "COM7"}}));
    EXPECT_TRUE(m_comm->DetectModemPort(true));
    EXPECT_TRUE(m_comm->IsPortOpen());
    // Ours alone on COM7, its twin comes back on the lower COM5: nothing moved.
    m_comm->SetModemName(m_comm->GetDeviceName(0));
    ASSERT_TRUE(twin.Reappear());
    EXPECT_TRUE(m_comm->RefreshModemDevices());
    EXPECT_FALSE(m_comm->ModemPortMoved());
    EXPECT_EQ(m_comm->FindDevicePort(m_comm->GetModemName()), "COM7");
    twin.ClearCommands();
    EXPECT_TRUE(m_comm->DetectModemPort(true));
    EXPECT_TRUE(twin.Commands().empty());
}

TEST_F(Discovery, AModemThatVanishesIsNoLongerPresent)
{
    Known("Quorvix Test Modem;");
    m_sim.Vanish();
    Make();
    m_comm->SetModemName("Quorvix Test Modem");
    ASSERT_TRUE(m_sim.Reappear());  // after the list was read: the list follows
    EXPECT_TRUE(m_comm->RefreshModemDevices() && !m_comm->RefreshModemDevices());
    ASSERT_TRUE(m_comm->OpenPort(0));
    EXPECT_TRUE(m_comm->DetectModemPort());
    m_sim.Vanish();
    EXPECT_FALSE(m_comm->DetectModemPort());
    EXPECT_FALSE(m_comm->IsPortOpen());
    ASSERT_TRUE(m_sim.Reappear());
    EXPECT_TRUE(m_comm->DetectModemPort());
}

}  // namespace
