#include <csignal>
#include <cstring>

#include "DialFixture.h"
#include "platform/LastError.h"
#include "platform/Ras.h"

namespace {

using Dialup = DialFixture;

TEST_F(Dialup, ConnectsAndDisconnectsLeavingNothingBehind)
{
    ASSERT_TRUE(Dial());
    EXPECT_EQ(m_error, 0u);
    EXPECT_TRUE(Logged("START CREATING ENTRY"));
    EXPECT_TRUE(Logged("-=Connection Error: 0=-"));
    EXPECT_EQ(m_dial->Dialled(), (std::vector<std::string>{"*99#"}));
    EXPECT_EQ(m_comm->GetEntryName(), kModem);
    EXPECT_TRUE(m_comm->EntryExists(kModem));
    EXPECT_TRUE(m_comm->IsRasConnected());
    const std::string book = ReadFile(m_root / "config" / "phonebook");
    EXPECT_NE(book.find("PhoneNumber=*99#\n"), std::string::npos);
    EXPECT_NE(book.find("DeviceName=Quorvix Test Modem\n"), std::string::npos);
    const std::string args = ReadFile(m_root / "args");
    EXPECT_EQ(args.substr(0, args.find("--options--")).find("pw"), std::string::npos);

    // While the link is up the modem counts as present without an AT test.
    m_sim.ClearCommands();
    EXPECT_TRUE(m_comm->DetectModemPort());
    EXPECT_TRUE(m_sim.Commands().empty());

    const pid_t pid = StandinPid();
    m_comm->Disconnect();
    EXPECT_TRUE(Logged("Disconnecting from From Internet"));
    EXPECT_FALSE(Logged("Disconnected"));  // the hang-up worked at once
    EXPECT_EQ(::kill(pid, 0), -1);
    EXPECT_FALSE(m_comm->IsRasConnected());
    EXPECT_FALSE(m_comm->EntryExists(kModem));
    EXPECT_EQ(m_comm->GetRasConnection(), nullptr);
    // The tty is free for the AT port again.
    ASSERT_TRUE(m_comm->OpenPort(0));
    EXPECT_TRUE(m_comm->SetEcho(true));
}

TEST_F(Dialup, AFailedDialReturnsItsErrorAndRemovesTheEntry)
{
    m_dial->SetResult("NO CARRIER");
    EXPECT_FALSE(Dial());
    EXPECT_EQ(m_error, DWORD{ERROR_NO_CARRIER});
    EXPECT_TRUE(Logged("-=Connection Error: 679=-"));
    EXPECT_FALSE(m_comm->EntryExists(kModem));
    EXPECT_EQ(m_comm->GetRasConnection(), nullptr);
    EXPECT_FALSE(m_comm->IsRasConnected());
}

TEST_F(Dialup, ADialRefusedAtOnceEndsWithItsCode)
{
    ::setenv("QVX_PPPD", (m_root / "no-pppd").c_str(), 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Dial());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));  // the two set-up waits
    EXPECT_EQ(m_error, DWORD{ERROR_RASMAN_CANNOT_INITIALIZE});
    EXPECT_TRUE(Logged("-=Connection Error: 711=-"));
    EXPECT_FALSE(m_comm->EntryExists(kModem));

    // Without a modem name there is no entry to dial.
    m_comm->SetModemName("");
    EXPECT_FALSE(Dial());
    EXPECT_EQ(m_error, DWORD{ERROR_INVALID_NAME});
    EXPECT_TRUE(m_dial->Dialled().empty());
}

TEST_F(Dialup, CancellingEndsTheDialAndCleansUp)
{
    ::setenv("QVX_STANDIN_DELAY", "1", 1);
    std::thread canceller([this] {
        WaitFor([this] { return LoggedPart("RASCS_AllDevicesConnected"); }, 10000);
        m_cancel = true;
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Dial());
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(6));
    EXPECT_EQ(m_error, DWORD{ERROR_USER_DISCONNECTION});
    EXPECT_FALSE(m_comm->EntryExists(kModem));
    EXPECT_EQ(m_comm->GetRasConnection(), nullptr);
    EXPECT_EQ(::kill(StandinPid(), 0), -1);
}

TEST_F(Dialup, AnErrorNextToAConnectedLinkCountsAsSuccess)
{
    ::setenv("QVX_STANDIN_NOREMOTE", "1", 1);  // reported with the connected state
    EXPECT_TRUE(Dial());
    EXPECT_EQ(m_error, 0u);
    EXPECT_TRUE(Logged("-=Connection Error: 0=-"));
    EXPECT_TRUE(m_comm->IsRasConnected());
}

TEST_F(Dialup, StatesAreLoggedWhileDialling)
{
    ::setenv("QVX_STANDIN_DELAY", "0.3", 1);
    EXPECT_TRUE(Dial());
    EXPECT_TRUE(Logged("RASCS_AllDevicesConnected   0"));
    EXPECT_TRUE(Logged("RASCS_Authenticate   0"));
    EXPECT_TRUE(Logged("xz   0"));  // applying the network's settings: a state the table lacks
}

TEST(DialupCallback, StateTexts)
{
    struct Case { uint32_t state; DWORD error; const char* text; };
    for (const Case& c : {Case{0, 0, "RASCS_OpenPort   0"}, Case{14, 0, "RASCS_Authenticated   0"},
                          Case{23, 0, "RASCS_SubEntryDisconnected   0"}, Case{24, 0, "xz   0"},
                          Case{25, 691, "xz   691"}, Case{4096, 0, "RASCS_Interactive   0"},
                          Case{4100, 5, "RASCS_InvokeEapUI   5"}, Case{4101, 0, "xz   0"},
                          Case{8192, 0, "RASCS_Connected   0"}, Case{8193, 678, "RASCS_Disconnected   678"}}) {
        TModemComm::RasDialCallback(WM_RASDIALEVENT, RASCS_OpenPort, 0);
        TModemComm::RasDialCallback(WM_RASDIALEVENT, static_cast<RASCONNSTATE>(c.state), c.error);
        EXPECT_EQ(TModemComm::RasStateText(), c.text);
    }
}

TEST_F(Dialup, AnEntryLeftFromAnEarlierRunIsReplaced)
{
    RASENTRYA old;
    std::strcpy(old.szLocalPhoneNumber, "*11#");
    std::strcpy(old.szDeviceType, RASDT_Modem);
    std::strcpy(old.szDeviceName, kModem);
    ASSERT_EQ(RasSetEntryPropertiesA(nullptr, kModem, &old, sizeof old, nullptr, 0), 0u);
    RASDIALPARAMSA p;
    std::strcpy(p.szEntryName, kModem);
    std::strcpy(p.szUserName, "olduser");
    std::strcpy(p.szPassword, "oldpw");
    ASSERT_EQ(RasSetEntryDialParamsA(nullptr, &p, 0), 0u);

    ASSERT_TRUE(Dial("newuser", "newpw", "*99***1#"));
    EXPECT_EQ(m_dial->Dialled(), (std::vector<std::string>{"*99***1#"}));
    const std::string args = ReadFile(m_root / "args");
    EXPECT_NE(args.find("user \"newuser\""), std::string::npos);
    EXPECT_NE(args.find("password \"newpw\""), std::string::npos);
}

TEST_F(Dialup, ADroppedLinkIsHungUpAndForgotten)
{
    ASSERT_TRUE(Dial());
    const pid_t pid = StandinPid();
    m_sim.SendRaw("\r\nNO CARRIER\r\n");
    ASSERT_TRUE(WaitFor([this] { return !m_comm->IsRasConnected(); }));
    EXPECT_TRUE(Logged("Dial-up link dropped"));
    EXPECT_FALSE(m_comm->EntryExists(kModem));
    EXPECT_EQ(m_comm->GetRasConnection(), nullptr);
    EXPECT_EQ(::kill(pid, 0), -1);
    // Later calls find nothing more to do.
    m_memo.Clear();
    EXPECT_FALSE(m_comm->IsRasConnected());
    EXPECT_FALSE(LoggedPart("dropped"));
    ASSERT_TRUE(m_comm->OpenPort(0));
    EXPECT_TRUE(m_comm->SetEcho(true));
}

TEST_F(Dialup, AModemThatVanishesEndsTheLink)
{
    ASSERT_TRUE(Dial());
    m_sim.Vanish();
    ASSERT_TRUE(WaitFor([this] { return !m_comm->IsRasConnected(); }));
    EXPECT_FALSE(m_comm->EntryExists(kModem));
    EXPECT_FALSE(m_comm->DetectModemPort());
}

TEST_F(Dialup, WithoutALinkThePhoneBookIsLeftAlone)
{
    ASSERT_TRUE(m_comm->CreateEntry("Other", "*99#", "u", "p", true));
    m_memo.Clear();
    EXPECT_FALSE(m_comm->IsRasConnected());
    EXPECT_TRUE(m_comm->EntryExists("Other"));
    EXPECT_FALSE(m_comm->EntryExists("other"));  // exact names only

    // A hang-up without a link fails; it retries while a link shows, then gives up.
    const auto start = std::chrono::steady_clock::now();
    m_comm->Disconnect();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
    EXPECT_TRUE(Logged("Disconnected"));
    EXPECT_TRUE(m_comm->EntryExists("Other"));
}

TEST_F(Dialup, EntriesAreCreatedExactlyAndRefusedWhenTooLong)
{
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(m_comm->CreateEntry("Entry " + std::to_string(i), "*99#", "u", "p", true));
    EXPECT_TRUE(m_comm->EntryExists("Entry 5"));  // found after the list grew past one record
    EXPECT_FALSE(m_comm->CreateEntry("Entry 5", "*99#", "u", "p", true));  // exists already
    EXPECT_FALSE(m_comm->CreateEntry("Long", std::string(129, '9'), "u", "p", true));
    EXPECT_FALSE(m_comm->CreateEntry("Long", "*99#", std::string(257, 'u'), "p", true));
    EXPECT_FALSE(m_comm->EntryExists("Long"));
    EXPECT_TRUE(m_comm->DeleteEntry("Entry 0"));
    EXPECT_FALSE(m_comm->DeleteEntry("Entry 0"));
    EXPECT_FALSE(m_comm->DeleteEntry(""));
}

}  // namespace
