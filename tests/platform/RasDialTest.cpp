#include "platform/LastError.h"
#include "platform/Ras.h"
#include "RasTestSupport.h"

#include <csignal>
#include <cstring>
#include <sys/wait.h>
#include <vector>

using namespace rastest;

namespace {

struct Event {
    RASCONNSTATE state;
    DWORD error;
};

std::mutex g_eventsMutex;
std::vector<Event> g_events;

void Record(UINT message, RASCONNSTATE state, DWORD error)
{
    EXPECT_EQ(message, WM_RASDIALEVENT);
    std::lock_guard<std::mutex> l(g_eventsMutex);
    g_events.push_back({state, error});
}

std::vector<Event> Events()
{
    std::lock_guard<std::mutex> l(g_eventsMutex);
    return g_events;
}

bool Ended()
{
    for (const Event& e : Events())
        if (e.state == RASCS_Connected || e.state == RASCS_Disconnected)
            return true;
    return false;
}

class RasDial : public DialFixture {
protected:
    void SetUp() override
    {
        DialFixture::SetUp();
        if (!ChatAvailable())
            GTEST_SKIP() << "chat (Debian's ppp package) is not installed";
        {
            std::lock_guard<std::mutex> l(g_eventsMutex);
            g_events.clear();
        }
        ::setenv("QVX_STANDIN_ARGS", (m_dir / "args").c_str(), 1);
        modem = std::make_unique<DialModem>();
        AddModem(7, modem->Tty(), "Test Modem");
        RASENTRYA e;
        e.dwfOptions = RASEO_RemoteDefaultGateway | RASEO_ModemLights;
        std::strcpy(e.szLocalPhoneNumber, "*99#");
        std::strcpy(e.szDeviceType, RASDT_Modem);
        std::strcpy(e.szDeviceName, "test modem");  // device names compare without regard to case
        ASSERT_EQ(RasSetEntryPropertiesA(nullptr, "Entry", &e, sizeof e, nullptr, 0), 0u);
    }
    void TearDown() override
    {
        if (conn != nullptr)
            RasHangUpA(conn);
        modem.reset();
        DialFixture::TearDown();
    }
    DWORD Dial(const char* user = "web", const char* password = "pw", const char* number = "")
    {
        RASDIALPARAMSA p;
        std::strcpy(p.szEntryName, "Entry");
        std::strcpy(p.szPhoneNumber, number);
        std::strcpy(p.szUserName, user);
        std::strcpy(p.szPassword, password);
        return RasDialA(nullptr, nullptr, &p, 0, Record, &conn);
    }
    RASCONNSTATUSA Status()
    {
        RASCONNSTATUSA s;
        EXPECT_EQ(RasGetConnectStatusA(conn, &s), 0u);
        return s;
    }
    std::string Args() const
    {
        std::ifstream in(m_dir / "args");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    pid_t StandinPid() const
    {
        const std::string a = Args();
        return a.rfind("pid=", 0) == 0 ? std::atoi(a.c_str() + 4) : -1;
    }

    std::unique_ptr<DialModem> modem;
    HRASCONN conn = nullptr;
};

TEST_F(RasDial, ConnectsReportsProgressAndHangsUp)
{
    ASSERT_EQ(Dial(), 0u);
    ASSERT_NE(conn, nullptr);
    ASSERT_TRUE(WaitFor(Ended));
    const auto events = Events();
    std::vector<uint32_t> states;
    for (const Event& e : events) {
        states.push_back(e.state);
        EXPECT_EQ(e.error, 0u);
    }
    EXPECT_EQ(states, (std::vector<uint32_t>{RASCS_OpenPort, RASCS_PortOpened, RASCS_ConnectDevice,
                                             RASCS_DeviceConnected, RASCS_AllDevicesConnected, RASCS_Authenticate,
                                             RASCS_Projected, RASCS_ApplySettings, RASCS_Connected}));
    EXPECT_EQ(modem->Dialled(), "*99#");
    RASCONNSTATUSA s = Status();
    EXPECT_EQ(s.rasconnstate, RASCS_Connected);
    EXPECT_EQ(s.dwError, 0u);
    EXPECT_STREQ(s.szDeviceName, "test modem");

    // pppd got the tty and the options pipe; the secrets never were arguments.
    const std::string args = Args();
    const std::string cmdline = args.substr(0, args.find("--options--"));
    EXPECT_NE(cmdline.find("\n" + modem->Tty() + "\n"), std::string::npos);
    EXPECT_NE(cmdline.find("\nfile\n/dev/fd/3\n"), std::string::npos);
    EXPECT_NE(cmdline.find("\ndefaultroute\n"), std::string::npos);
    EXPECT_EQ(cmdline.find("pw"), std::string::npos);
    EXPECT_EQ(cmdline.find("web"), std::string::npos);
    EXPECT_NE(args.find("user \"web\"\npassword \"pw\""), std::string::npos);
    // Nothing of the dial is left in a file.
    const pid_t pid = StandinPid();
    ASSERT_GT(pid, 0);

    EXPECT_EQ(RasHangUpA(conn), 0u);
    EXPECT_EQ(::kill(pid, 0), -1);  // pppd is gone when the hang-up returns
    RASCONNSTATUSA after;
    EXPECT_EQ(RasGetConnectStatusA(conn, &after), DWORD{ERROR_INVALID_HANDLE});
    EXPECT_EQ(RasHangUpA(conn), DWORD{ERROR_INVALID_HANDLE});
    conn = nullptr;
    // No notification comes after the hang-up.
    EXPECT_EQ(Events().size(), events.size());
}

TEST_F(RasDial, CredentialsWithQuotesReachPppdIntact)
{
    ::setenv("QVX_STANDIN_USER", "we\"b", 1);
    ::setenv("QVX_STANDIN_PASSWORD", "p\\w d", 1);
    ASSERT_EQ(Dial("we\"b", "p\\w d"), 0u);
    ASSERT_TRUE(WaitFor(Ended));
    EXPECT_EQ(Events().back().state, RASCS_Connected);
    bool authenticated = false;
    for (const Event& e : Events())
        authenticated = authenticated || e.state == RASCS_Authenticated;
    EXPECT_TRUE(authenticated);
}

struct FailCase {
    const char* what;
    const char* dialAnswer;  // the modem's answer to the dial command
    const char* exitCode;    // pppd's exit code, or null
    DWORD error;
    RASCONNSTATE failedAt;
};

void PrintTo(const FailCase& c, std::ostream* os) { *os << c.what; }

class RasDialFails : public RasDial, public ::testing::WithParamInterface<FailCase> {};

TEST_P(RasDialFails, WithTheMatchingErrorAndAFinalState)
{
    const FailCase& c = GetParam();
    modem->SetDialAnswer(c.dialAnswer);
    if (c.exitCode != nullptr)
        ::setenv("QVX_STANDIN_EXIT", c.exitCode, 1);
    ASSERT_EQ(Dial(), 0u);
    ASSERT_TRUE(WaitFor(Ended));
    const auto events = Events();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events.back().state, RASCS_Disconnected);
    EXPECT_EQ(events.back().error, c.error);
    EXPECT_EQ(events[events.size() - 2].state, c.failedAt);
    EXPECT_EQ(events[events.size() - 2].error, c.error);
    RASCONNSTATUSA s = Status();
    EXPECT_EQ(s.rasconnstate, RASCS_Disconnected);
    EXPECT_EQ(s.dwError, c.error);
    RAS_STATS stats;
    EXPECT_NE(RasGetConnectionStatistics(conn, &stats), 0u);
    EXPECT_EQ(RasHangUpA(conn), 0u);
    conn = nullptr;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RasDialFails,
    ::testing::Values(FailCase{"busy", "BUSY", nullptr, ERROR_LINE_BUSY, RASCS_ConnectDevice},
                      FailCase{"nocarrier", "NO CARRIER", nullptr, ERROR_NO_CARRIER, RASCS_ConnectDevice},
                      FailCase{"nodialtone", "NO DIALTONE", nullptr, ERROR_NO_DIALTONE, RASCS_ConnectDevice},
                      FailCase{"error", "ERROR", nullptr, ERROR_FROM_DEVICE, RASCS_ConnectDevice},
                      FailCase{"password", "CONNECT", "19", ERROR_AUTHENTICATION_FAILURE, RASCS_Authenticate},
                      FailCase{"negotiation", "CONNECT", "10", ERROR_PPP_TIMEOUT, RASCS_Authenticate},
                      FailCase{"nokernel", "CONNECT", "4", ERROR_NOT_SUPPORTED, RASCS_ConnectDevice},
                      FailCase{"notroot", "CONNECT", "3", ERROR_ACCESS_DENIED, RASCS_ConnectDevice},
                      FailCase{"locked", "CONNECT", "6", ERROR_PORT_NOT_AVAILABLE, RASCS_ConnectDevice},
                      FailCase{"noport", "CONNECT", "7", ERROR_DEVICE_DOES_NOT_EXIST, RASCS_ConnectDevice},
                      FailCase{"odd", "CONNECT", "17", ERROR_UNKNOWN, RASCS_Authenticate}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(RasDial, WrongPasswordIsAnAuthenticationFailure)
{
    ::setenv("QVX_STANDIN_USER", "web", 1);
    ::setenv("QVX_STANDIN_PASSWORD", "right", 1);
    ASSERT_EQ(Dial("web", "wrong"), 0u);
    ASSERT_TRUE(WaitFor(Ended));
    EXPECT_EQ(Events().back().error, DWORD{ERROR_AUTHENTICATION_FAILURE});
}

TEST_F(RasDial, ErrorsFoundBeforePppdStartsComeBackAtOnce)
{
    ::setenv("QVX_PPPD", (m_dir / "no-such-pppd").c_str(), 1);
    EXPECT_EQ(Dial(), DWORD{ERROR_RASMAN_CANNOT_INITIALIZE});
    EXPECT_EQ(conn, nullptr);
    ::setenv("QVX_PPPD", QVX_SOURCE_DIR "/tools/pppd-standin", 1);

    EXPECT_EQ(Dial("u", "p", "*99#'\nABORT"), DWORD{ERROR_INVALID_PARAMETER});
    EXPECT_EQ(Dial("u", "p", "*99#^M"), DWORD{ERROR_INVALID_PARAMETER});

    RASDIALPARAMSA p;
    std::strcpy(p.szEntryName, "No Such Entry");
    EXPECT_EQ(RasDialA(nullptr, nullptr, &p, 0, Record, &conn), DWORD{ERROR_CANNOT_FIND_PHONEBOOK_ENTRY});
    EXPECT_EQ(RasDialA(nullptr, nullptr, nullptr, 0, Record, &conn), DWORD{ERROR_INVALID_PARAMETER});

    UnregisterComPort((m_dir / "dev").string(), 7);
    EXPECT_EQ(Dial(), DWORD{ERROR_DEVICE_DOES_NOT_EXIST});
    EXPECT_EQ(conn, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(Events().empty());
}

TEST_F(RasDial, HangingUpWhileDiallingStopsPppdAndTheNotifications)
{
    ::setenv("QVX_STANDIN_DELAY", "2", 1);
    ASSERT_EQ(Dial(), 0u);
    ASSERT_TRUE(WaitFor([] {
        for (const Event& e : Events())
            if (e.state == RASCS_DeviceConnected)
                return true;
        return false;
    }));
    const pid_t pid = StandinPid();
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(RasHangUpA(conn), 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(3));
    conn = nullptr;
    EXPECT_EQ(::kill(pid, 0), -1);
    const size_t seen = Events().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(Events().size(), seen);
    EXPECT_FALSE(Ended());
}

TEST_F(RasDial, AMissingRemoteAddressIsReportedWithTheConnection)
{
    ::setenv("QVX_STANDIN_NOREMOTE", "1", 1);
    ASSERT_EQ(Dial(), 0u);
    ASSERT_TRUE(WaitFor(Ended));
    EXPECT_EQ(Events().back().state, RASCS_Connected);
    EXPECT_EQ(Events().back().error, DWORD{ERROR_IP_CONFIGURATION});
    RASCONNSTATUSA s = Status();
    EXPECT_EQ(s.rasconnstate, RASCS_Connected);
    EXPECT_EQ(s.dwError, 0u);
}

TEST_F(RasDial, StatisticsComeFromTheInterfaceCounters)
{
    ::setenv("QVX_STANDIN_IF", "ppp3", 1);
    ASSERT_EQ(Dial(), 0u);
    ASSERT_TRUE(WaitFor(Ended));
    RAS_STATS st;
    EXPECT_EQ(RasGetConnectionStatistics(conn, &st), DWORD{ERROR_NO_CONNECTION});  // no counters yet
    SetCounters("ppp3", 5000, 1200);
    ASSERT_EQ(RasGetConnectionStatistics(conn, &st), 0u);
    EXPECT_EQ(st.dwBytesRcved, 5000u);
    EXPECT_EQ(st.dwBytesXmited, 1200u);
    const DWORD first = st.dwConnectDuration;
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    SetCounters("ppp3", 0x100000010ull, 1300);  // past 32 bits: the record's counter wraps
    ASSERT_EQ(RasGetConnectionStatistics(conn, &st), 0u);
    EXPECT_EQ(st.dwBytesRcved, 0x10u);
    EXPECT_EQ(st.dwBytesXmited, 1300u);
    EXPECT_GE(st.dwConnectDuration, first + 100);
    RAS_STATS bad;
    bad.dwSize = 4;
    EXPECT_EQ(RasGetConnectionStatistics(conn, &bad), DWORD{ERROR_INVALID_SIZE});
}

TEST_F(RasDial, ADroppedLinkShowsAsDisconnected)
{
    ASSERT_EQ(Dial(), 0u);
    ASSERT_TRUE(WaitFor(Ended));
    SetCounters("ppp0", 1, 1);
    const size_t seen = Events().size();
    modem->Send("\r\nNO CARRIER\r\n");
    ASSERT_TRUE(WaitFor([&] { return Status().rasconnstate == RASCS_Disconnected; }));
    EXPECT_EQ(Status().dwError, DWORD{ERROR_REMOTE_DISCONNECTION});
    RAS_STATS st;
    EXPECT_EQ(RasGetConnectionStatistics(conn, &st), DWORD{ERROR_INVALID_HANDLE});
    EXPECT_EQ(Events().size(), seen);  // a drop is seen through the status, not notified
    EXPECT_EQ(RasHangUpA(conn), 0u);
    conn = nullptr;
}

TEST_F(RasDial, AVanishingModemEndsTheLink)
{
    ASSERT_EQ(Dial(), 0u);
    ASSERT_TRUE(WaitFor(Ended));
    modem->Vanish();
    ASSERT_TRUE(WaitFor([&] { return Status().rasconnstate == RASCS_Disconnected; }));
    EXPECT_EQ(Status().dwError, DWORD{ERROR_REMOTE_DISCONNECTION});
}

TEST_F(RasDial, PppdEndsWithTheProgramHoweverItEnds)
{
    const pid_t program = ::fork();
    if (program == 0) {
        ::alarm(20);  // the test gave up on it
        ::setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
        if (Dial() == 0 && WaitFor(Ended, 10000))
            std::ofstream(m_dir / "up").put('1');
        for (;;)
            ::pause();
    }
    ASSERT_TRUE(WaitFor([&] { return fs::exists(m_dir / "up"); }, 10000));
    const pid_t pppd = StandinPid();
    ::kill(program, SIGKILL);
    ::waitpid(program, nullptr, 0);
    EXPECT_TRUE(WaitFor([&] { return ::kill(pppd, 0) != 0; }));
    // Nor are the dial's scripts left behind.
    const auto scriptsLeft = [&] {
        for (const auto& e : fs::directory_iterator(m_dir))
            if (e.path().filename().string().rfind("qvx-dial-", 0) == 0)
                return true;
        return false;
    };
    EXPECT_TRUE(WaitFor([&] { return !scriptsLeft(); }));
}

TEST_F(RasDial, AnExplicitNumberOverridesTheEntry)
{
    ASSERT_EQ(Dial("", "", "*99***2#"), 0u);
    ASSERT_TRUE(WaitFor(Ended));
    EXPECT_EQ(modem->Dialled(), "*99***2#");
    // Without credentials no options reach pppd.
    const std::string args = Args();
    EXPECT_EQ(args.find("user "), std::string::npos);
    EXPECT_EQ(args.find("password "), std::string::npos);
}

}  // namespace
