#include "MainFrameFixture.h"

#include <algorithm>

#include "platform/TIniFile.h"

using namespace maintest;

TEST_F(MainFrameTest, StartsWithThePresentModem)
{
    StartUp();
    TModemComm* comm = m_frame->ModemComm();
    EXPECT_TRUE(comm->IsPortOpen());
    EXPECT_EQ(comm->GetPortNumber(), kCom);
    EXPECT_GE(Sent("ATE1"), 1);
    EXPECT_GE(Sent("AT+CPIN?"), 1);
    EXPECT_GE(Sent("AT+COPS?"), 1);
    EXPECT_TRUE(m_frame->IsModemInitialized());
    EXPECT_TRUE(m_frame->IsModemPlugged());
    EXPECT_TRUE(m_frame->IsPinOk());
    EXPECT_TRUE(m_frame->IsNetworkRegistered());
    EXPECT_EQ(m_frame->OperatorLabel(), "Test Net");
    EXPECT_TRUE(m_frame->ConnectEnabled());
    EXPECT_FALSE(m_frame->IsLocked());
    EXPECT_TRUE(Logged("-=Application Port Opened=-"));
    EXPECT_TRUE(Logged("Modem Initialized OK"));
    EXPECT_TRUE(Boxes().empty());
    // The one answering device was taken and remembered.
    EXPECT_EQ(TIniFile((m_program / "Config.ini").string()).ReadString("SETTINGS", "ModemDevice", ""), kModemName);
    // The worker runs: its presence poll keeps talking to the modem.
    const size_t before = m_sim.Commands().size();
    EXPECT_TRUE(WaitFor([&] { return m_sim.Commands().size() > before; }, 3000));
}

TEST_F(MainFrameTest, DamagedConfigIsToldOnceAndKeptAsItIs)
{
    const std::string junk("debug=42\n\0\x13garbage\xff", 19);
    WriteConfig(junk);
    StartUp();
    EXPECT_TRUE(m_frame->IsModemInitialized());
    const auto boxes = Boxes();
    EXPECT_EQ(std::count(boxes.begin(), boxes.end(), Text(300)), 1);
    // Neither the chosen modem nor the window position at close replaces it.
    m_frame.reset();
    std::ifstream in(m_program / "Config.ini", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), junk);
}

TEST_F(MainFrameTest, SimWithoutAnswerClosesThePortAndSaysSo)
{
    m_sim.SetAnswer("+CPIN?", "\r\n+CME ERROR: 10\r\n");
    StartUp();
    EXPECT_FALSE(m_frame->IsPinOk());
    EXPECT_FALSE(m_frame->ConnectEnabled());
    const auto boxes = Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.front(), Text(130));
    // Asked twice, one second apart, before giving up.
    EXPECT_GE(Sent("AT+CPIN?"), 2);
}

TEST_F(MainFrameTest, NoModemDeviceAtAll)
{
    m_sim.Vanish();
    StartUp();
    const auto boxes = Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.front(), Text(119));
    EXPECT_FALSE(m_frame->ConnectEnabled());
    EXPECT_FALSE(m_frame->ModemComm()->IsPortOpen());
    EXPECT_FALSE(m_frame->IsLocked());
}

TEST_F(MainFrameTest, SignalDisplayAndLockOfAFreshWindow)
{
    MakeFrame();
    const struct {
        int csq;
        const char* label;
        int frame;
    } cases[] = {{99, "0%", 0}, {31, "100%", 31}, {15, "48%", 15}, {0, "0%", 0}, {-3, "0%", 0}, {50, "100%", 31}};
    for (const auto& c : cases) {
        m_frame->ShowSignalQuality(c.csq);
        EXPECT_EQ(m_frame->QualityLabel(), c.label) << c.csq;
        EXPECT_EQ(m_frame->SignalShown(), c.frame) << c.csq;
    }
    m_frame->Lock();
    m_frame->Lock();
    EXPECT_TRUE(m_frame->IsLocked());
    m_frame->Unlock();
    EXPECT_FALSE(m_frame->IsLocked());
    // Never shown: the worker waits for the first search and has sent nothing.
    EXPECT_EQ(m_frame->WorkerSuspendCount(), 1);
    EXPECT_TRUE(m_sim.Commands().empty());
}
