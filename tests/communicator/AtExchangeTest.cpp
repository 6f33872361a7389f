#include "communicator/TModemComm.h"
#include "communicator/port/TPort.h"
#include "platform/LastError.h"
#include "platform/Ticks.h"
#include "SimFixture.h"

#include <thread>

namespace {

class AtExchange : public CommFixture {
protected:
    void SetUp() override
    {
        CommFixture::SetUp();
        MakeComm();
        ASSERT_TRUE(m_comm->OpenPort(0));
    }
    AnsiString Ask(const AnsiString& command, uint32_t ms, int32_t* count = nullptr)
    {
        EXPECT_TRUE(m_comm->SendAtCommand(command));
        return m_comm->ReadFromPort(count, ms);
    }
};

TEST_F(AtExchange, AnswerInPiecesEndsOnceOkIsComplete)
{
    m_sim.SetAnswerPieces("+CSQ", {"\r\n+CSQ: 1", "5,99\r\n\r\nO", "K\r\n"}, 150);
    int32_t count = 0;
    const uint32_t start = GetTickCount();
    AnsiString answer = Ask("AT+CSQ", 1500, &count);
    EXPECT_EQ(answer, "AT+CSQ\r\r\n+CSQ: 15,99\r\n\r\nOK\r\n");
    EXPECT_EQ(count, static_cast<int32_t>(answer.size()));
    EXPECT_LT(TickElapsed(GetTickCount(), start), 1500u);
    EXPECT_TRUE(m_comm->IsPortOpen());
    EXPECT_TRUE(Logged("-->AT+CSQ\r"));
    EXPECT_TRUE(Logged("Read = " + answer));
}

TEST_F(AtExchange, FinalErrorsEndTheReadAtOnce)
{
    struct Case { const char* command; const char* answer; };
    for (const Case& c : {Case {"+CMGS", "\r\n+CMS ERROR: 500\r\n"}, Case {"+CPIN?", "\r\n+CME ERROR: 10\r\n"},
                          Case {"+XYZ", "\r\nERROR\r\n"}}) {
        SCOPED_TRACE(c.command);
        m_sim.SetAnswer(c.command, c.answer);
        const uint32_t start = GetTickCount();
        AnsiString answer = Ask(AnsiString("AT") + c.command, 2000);
        EXPECT_NE(answer.find(c.answer), AnsiString::npos);
        EXPECT_EQ(answer.find("\r\nOK\r\n"), AnsiString::npos);
        EXPECT_LT(TickElapsed(GetTickCount(), start), 1000u);
        EXPECT_TRUE(m_comm->IsPortOpen());
    }
}

TEST_F(AtExchange, SilentModemTimesOutAfterTwoExpiriesAndClosesThePort)
{
    m_sim.SetSilent(true);
    const uint32_t start = GetTickCount();
    AnsiString answer = Ask("AT", 300);
    const uint32_t took = TickElapsed(GetTickCount(), start);
    EXPECT_EQ(answer, "");
    EXPECT_GE(took, 550u);
    EXPECT_LT(took, 1500u);
    EXPECT_TRUE(Logged("\r\n------Time Out !!!"));
    EXPECT_FALSE(m_comm->IsPortOpen());
    // Commands on the closed port fail before sending.
    m_sim.ClearCommands();
    EXPECT_EQ(m_comm->ReadFromPort(nullptr, 100), "");
}

TEST_F(AtExchange, EachArrivalRestartsTheClock)
{
    m_sim.SetAnswerPieces("+SLOW", {"\r\n+SLOW: 1\r\n", "\r\n+SLOW: 2\r\n", "\r\nOK\r\n"}, 400);
    AnsiString answer = Ask("AT+SLOW", 500);
    EXPECT_NE(answer.find("+SLOW: 2\r\n\r\nOK\r\n"), AnsiString::npos);
    EXPECT_TRUE(m_comm->IsPortOpen());
}

TEST_F(AtExchange, AbortAndClosingFlagsEndReadsAtOnce)
{
    m_sim.SetAnswer("+CPIN?", "\r\n+CPIN: READY\r\n");
    m_comm->SetAbortFlag();
    const uint32_t start = GetTickCount();
    EXPECT_EQ(Ask("AT+CPIN?", 2000), "");
    EXPECT_LT(TickElapsed(GetTickCount(), start), 200u);
    EXPECT_TRUE(Logged("Read = "));
    // The PIN query's reader ignores the abort flag.
    EXPECT_NE(m_comm->ReadFromPort2(nullptr, 1000).find("+CPIN: READY\r\n"), AnsiString::npos);
    m_comm->ClearAbortFlag();

    m_sim.SetDelay("+CSQ", 1500);
    m_closing = true;
    const uint32_t start2 = GetTickCount();
    EXPECT_EQ(Ask("AT+CSQ", 3000), "");
    EXPECT_LT(TickElapsed(GetTickCount(), start2), 300u);
}

TEST_F(AtExchange, AbortSetFromAnotherThreadEndsARunningRead)
{
    m_sim.SetDelay("+CSQ", 3000);
    std::thread helper([&] {
        Sleep(300);
        m_comm->SetAbortFlag();
    });
    const uint32_t start = GetTickCount();
    const AnsiString answer = Ask("AT+CSQ", 5000);
    helper.join();
    EXPECT_EQ(answer.find("+CSQ:"), AnsiString::npos);
    EXPECT_LT(TickElapsed(GetTickCount(), start), 1000u);
    m_comm->ClearAbortFlag();
}

TEST_F(AtExchange, PinQueryLeftoverOkIsDrainedBeforeTheNextCommand)
{
    // The PIN query's reader stops at the first line end; its "OK" comes later.
    m_sim.SetAnswerPieces("+CPIN?", {"\r\n+CPIN: READY\r\n", "\r\nOK\r\n"}, 300);
    AnsiString pin = (m_comm->SendAtCommand("AT+CPIN?"), m_comm->ReadFromPort2(nullptr, 1000));
    EXPECT_EQ(TModemComm::StripAnswer("AT+CPIN?", pin), "+CPIN: READY");
    Sleep(500);
    m_sim.SetAnswerPieces("+COPS?", {"\r\n+COPS: 0,0,\"Net\"\r\n", "\r\nOK\r\n"}, 300);
    AnsiString ops = Ask("AT+COPS?", 1500);
    EXPECT_NE(ops.find("+COPS: 0,0,\"Net\""), AnsiString::npos);
    bool drained = false;
    for (const auto& l : m_memo.Lines())
        drained = drained || l.rfind("Discarded = ", 0) == 0;
    EXPECT_TRUE(drained);
}

TEST_F(AtExchange, PinQueryFinalCodeArrivingJustAfterItsLineIsNotTakenForTheNextAnswer)
{
    // The answer line comes between two read passes and its OK shortly after,
    // as the next command goes out; that command's own answer is slow.
    m_sim.SetAnswerPieces("+CPIN?", {"\r\n+CPIN: READY\r\n", "\r\nOK\r\n"}, 100, 150);
    m_sim.SetAnswerPieces("+COPS?", {"\r\n+COPS: 0,0,\"Net\"\r\n\r\nOK\r\n"}, 0, 300);
    ASSERT_TRUE(m_comm->SendAtCommand("AT+CPIN?"));
    EXPECT_EQ(TModemComm::StripAnswer("AT+CPIN?", m_comm->ReadFromPort2(nullptr, 1000)), "+CPIN: READY");
    const AnsiString ops = Ask("AT+COPS?", 1500);
    EXPECT_NE(ops.find("+COPS: 0,0,\"Net\""), AnsiString::npos) << ops;
}

TEST_F(AtExchange, PinQueryReadEndsAtTheAnswerLineNotAtTheEcho)
{
    m_sim.SetAnswerPieces("+CPIN?", {"\r\n", "+CPIN: SIM PIN\r\n", "\r\nOK\r\n"}, 300);
    ASSERT_TRUE(m_comm->SendAtCommand("AT+CPIN?"));
    AnsiString pin = m_comm->ReadFromPort2(nullptr, 1000);
    EXPECT_EQ(TModemComm::StripAnswer("AT+CPIN?", pin), "+CPIN: SIM PIN");
    EXPECT_EQ(pin.find("OK"), AnsiString::npos);
}

TEST_F(AtExchange, ExchangeStartedWhileAnotherWaitsIsRefused)
{
    m_sim.SetDelay("+CSQ", 600);
    m_sim.SetAnswer("+CSQ", "\r\n+CSQ: 20,99\r\n\r\nOK\r\n");
    bool secondSent = true;
    AnsiString secondAnswer = "x";
    std::thread intruder([&] {
        Sleep(200);
        secondSent = m_comm->SendAtCommand("AT+CGMR");
        secondAnswer = m_comm->ReadFromPort(nullptr, 500);
    });
    AnsiString answer = Ask("AT+CSQ", 2000);
    intruder.join();
    EXPECT_NE(answer.find("+CSQ: 20,99"), AnsiString::npos);
    EXPECT_FALSE(secondSent);
    EXPECT_EQ(secondAnswer, "");
    for (const auto& c : m_sim.Commands())
        EXPECT_EQ(c.find("CGMR"), std::string::npos);
}

TEST_F(AtExchange, ExchangeStartedRightAfterAnotherWroteItsCommandIsRefused)
{
    // A handler that runs once the first command is out (the pump after the
    // write) starts a command of its own; it must not take the first one's answer.
    m_sim.SetAnswer("+CSQ", "\r\n+CSQ: 20,99\r\n\r\nOK\r\n");
    bool fired = false, secondSent = true;
    AnsiString secondAnswer = "x";
    m_memo.SetOnAdded([&] {
        if (fired || m_memo.Lines().back() != "-->AT+CSQ\r")
            return;
        fired = true;
        secondSent = m_comm->SendAtCommand("AT+CGMR");
        secondAnswer = m_comm->ReadFromPort(nullptr, 500);
    });
    AnsiString answer = Ask("AT+CSQ", 2000);
    m_memo.SetOnAdded(nullptr);
    ASSERT_TRUE(fired);
    EXPECT_NE(answer.find("+CSQ: 20,99"), AnsiString::npos) << answer;
    EXPECT_FALSE(secondSent);
    EXPECT_EQ(secondAnswer, "");
    for (const auto& c : m_sim.Commands())
        EXPECT_EQ(c.find("CGMR"), std::string::npos);
}

TEST_F(AtExchange, BadAnswersNeverCrashOrHang)
{
    std::string big(20000, 'x');
    m_sim.SetAnswer("+BIG", "\r\n" + big + "\r\nOK\r\n");
    AnsiString answer = Ask("AT+BIG", 1500);
    EXPECT_NE(answer.find("\r\nOK\r\n"), AnsiString::npos);

    // Zero bytes (some sticks send them between lines) are dropped: the
    // final OK behind them ends the read.
    m_sim.SetAnswer("+ZERO", std::string("\r\nA\0B\r\n\0\r\nOK\r\n", 14));
    uint32_t start = GetTickCount();
    answer = Ask("AT+ZERO", 300);
    EXPECT_EQ(answer, "AT+ZERO\r\r\nAB\r\n\r\nOK\r\n");
    EXPECT_LT(TickElapsed(GetTickCount(), start), 1500u);
    EXPECT_TRUE(m_comm->IsPortOpen());

    m_sim.SetAnswer("+JUNK", "\xff\xfe\x01\x02garbage");
    start = GetTickCount();
    answer = Ask("AT+JUNK", 300);
    EXPECT_LT(TickElapsed(GetTickCount(), start), 1500u);
    EXPECT_FALSE(m_comm->IsPortOpen());
}

TEST_F(AtExchange, EndlessStreamEndsTheReadInsteadOfHangingIt)
{
    // A port that never stops talking (a diagnostics or GPS port taken for the
    // modem): every arrival restarts the clock, so only the answer's size can end it.
    m_sim.SetSilent(true);
    std::atomic<bool> stop {false};
    std::thread noise([&] {
        const std::string burst(2048, 'n');
        for (int i = 0; i < 1200 && !stop; ++i) {
            m_sim.SendRaw(burst);
            Sleep(10);
        }
    });
    const uint32_t start = GetTickCount();
    m_comm->SendAtCommand("AT");
    const AnsiString answer = m_comm->ReadFromPort(nullptr, 300);
    const uint32_t took = TickElapsed(GetTickCount(), start);
    stop = true;
    noise.join();
    EXPECT_LT(took, 10000u);
    EXPECT_EQ(answer.find("\r\nOK\r\n"), AnsiString::npos);
    EXPECT_TRUE(Logged("Answer too long, read ended"));
    EXPECT_FALSE(m_comm->IsPortOpen());
}

TEST_F(AtExchange, AModemThatVanishesEndsTheReadAtOnce)
{
    // Unplugged in the middle of an answer: what came is returned, the port closed.
    m_sim.SetAnswerPieces("+CSQ", {"\r\n+CSQ: 1", "5,99\r\n\r\nOK\r\n"}, 2000);
    std::thread unplug([&] {
        Sleep(300);
        m_sim.Vanish();
    });
    uint32_t start = GetTickCount();
    AnsiString answer = Ask("AT+CSQ", 400);
    unplug.join();
    EXPECT_EQ(answer.find("OK"), AnsiString::npos);
    EXPECT_LT(TickElapsed(GetTickCount(), start), 2000u);
    EXPECT_FALSE(m_comm->IsPortOpen());
    EXPECT_FALSE(m_comm->OpenPort(kCom));
    ASSERT_TRUE(m_sim.Reappear());
    EXPECT_TRUE(m_comm->OpenPort(kCom));

    // Unplugged during a network scan, whose time-out is a minute: the scan
    // fails as soon as the line is gone, not two minutes later.
    m_sim.SetUnplugOn("+COPS=?");
    AnsiString list = "old";
    start = GetTickCount();
    EXPECT_FALSE(m_comm->GetOperatorList(list));
    EXPECT_LT(TickElapsed(GetTickCount(), start), 20000u);
    EXPECT_EQ(list, "old");
    EXPECT_FALSE(m_comm->IsPortOpen());
    EXPECT_TRUE(LoggedPart("Port lost"));
    // A further read in the same flow waits for nothing either.
    start = GetTickCount();
    EXPECT_EQ(m_comm->ReadFromPort(nullptr, 60000), "");
    EXPECT_LT(TickElapsed(GetTickCount(), start), 20000u);
}

TEST_F(AtExchange, TestPortLeavesTheConfiguredPortOpen)
{
    modemsim::ModemSim other;
    ASSERT_TRUE(other.Start());
    ASSERT_TRUE(other.Register(m_devices.string(), 5, "Second Modem"));
    m_comm->SetPortNumber(kCom);
    EXPECT_TRUE(m_comm->TestPort(5));
    EXPECT_TRUE(m_comm->IsPortOpen());
    EXPECT_EQ(m_comm->GetPort()->GetPortNumber(), kCom);

    other.SetSilent(true);
    EXPECT_FALSE(m_comm->TestPort(5));
    EXPECT_TRUE(m_comm->IsPortOpen());
    EXPECT_EQ(m_comm->GetPort()->GetPortNumber(), kCom);

    EXPECT_FALSE(m_comm->TestPort(9));
    EXPECT_TRUE(Logged("Testas Nepavyko."));
    EXPECT_TRUE(m_comm->IsPortOpen());
}

TEST_F(AtExchange, EchoAndSettings)
{
    EXPECT_TRUE(m_comm->SetEcho(false));
    EXPECT_EQ(Ask("AT", 1000), "\r\nOK\r\n");
    EXPECT_TRUE(m_comm->SetEcho(true));
    EXPECT_EQ(Ask("AT", 1000), "AT\r\r\nOK\r\n");
    m_comm->SetBaudRate(0);
    EXPECT_EQ(m_comm->GetBaudRate(), 115200);
    m_comm->SetBaudRate(9600);
    EXPECT_EQ(m_comm->GetBaudRate(), 9600);
    m_comm->SetOperatorName("0");
    EXPECT_EQ(m_comm->GetOperatorNameValue(), "");
    m_comm->SetOperatorName("Net");
    EXPECT_EQ(m_comm->GetOperatorNameValue(), "Net");
}

TEST_F(AtExchange, ArgumentsAreCheckedAndCommandsNeverOverflow)
{
    EXPECT_TRUE(m_comm->CheckArgument("1234", "PIN", true));
    EXPECT_FALSE(m_comm->CheckArgument("12a4", "PIN", true));
    EXPECT_FALSE(m_comm->CheckArgument("inter\"net", "APN"));
    for (char c : {'\r', '\n', '\x1a', '\x1b'})
        EXPECT_FALSE(m_comm->CheckArgument(std::string("a") + c, "APN"));
    for (const auto& l : m_memo.Lines())
        EXPECT_EQ(l.find("12a4"), AnsiString::npos);
    m_sim.ClearCommands();
    EXPECT_FALSE(m_comm->SendAtCommand("AT+X=" + std::string(2000, '1')));
    EXPECT_TRUE(m_sim.Commands().empty());
}

TEST_F(AtExchange, ReadLineStaysInsideItsBuffer)
{
    m_sim.SendRaw(std::string("\r\n\0> ", 5) + std::string(300, 'p'));
    char buf[16];
    uint32_t n = m_comm->ReadLine(buf, sizeof buf);
    // The count is what was read; the buffer keeps its terminating zero.
    EXPECT_EQ(n, 128u);
    EXPECT_EQ(std::string(buf), "\r\n> ppppppppppp");
}

using AtExchangeNoModem = CommFixture;

TEST_F(AtExchangeNoModem, MissingPortFailsCleanly)
{
    MakeComm();
    EXPECT_FALSE(m_comm->OpenPort(42));
    EXPECT_EQ(GetLastError(), PORT_ERROR_NO_SUCH_PORT);
    EXPECT_FALSE(m_comm->SetEcho(true));
    EXPECT_FALSE(m_comm->IsPortOpen());
}

TEST(Cleaners, AnswerCleanersTable)
{
    struct Case { const char* cmd; const char* in; const char* strip; const char* echoRemoved; const char* okErrorRemoved; };
    const Case cases[] = {
        {"AT+CPIN?", "AT+CPIN?\r\r\n+CPIN: READY\r\n\r\nOK\r\n", "+CPIN: READY", "\r\n+CPIN: READY\r\n\r\nOK\r\n",
         "AT+CPIN?\r\r\n+CPIN: READY\r\n"},
        {"AT+CSCA?", "\r\n+CSCA: \"+4917\",145\r\n\r\nOK\r\n\r\nOK\r\n", "+CSCA: \"+4917\",145\r\nOK\r\n",
         "\r\n+CSCA: \"+4917\",145\r\n\r\nOK\r\n\r\nOK\r\n", "\r\n+CSCA: \"+4917\",145\r\n"},
        {"AT", "AT\r\r\nERROR\r\n\r\nERROR\r\n", "ERROR", "\r\nERROR\r\n\r\nERROR\r\n", "AT\r\r\nERROR\r\n"},
        {"AT+X", "", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        AnsiString stripped = TModemComm::StripAnswer(c.cmd, c.in);
        // StripAnswer also drops the CR and LF that stayed.
        AnsiString expected;
        for (const char* p = c.strip; *p; ++p)
            if (*p != '\r' && *p != '\n')
                expected.push_back(*p);
        EXPECT_EQ(stripped, expected);
        AnsiString a = c.in;
        TModemComm::RemoveEcho(c.cmd, a);
        EXPECT_EQ(a, c.echoRemoved);
        AnsiString b = c.in;
        TModemComm::RemoveOkError(b);
        EXPECT_EQ(b, c.okErrorRemoved);
    }
    // Secrets starred out one for one, whatever the command's case or prefix.
    const std::pair<const char*, const char*> secrets[] = {
        {"AT+CPIN=\"1234\"\r", "AT+CPIN=\"****\"\r"},
        {"AT+CPIN=\"12345678\",\"4321\"\r", "AT+CPIN=\"********\",\"****\"\r"},
        {"at+cpin=1234", "at+cpin=****"},
        {"AT+CLCK=\"SC\",1,\"1234\"\r", "AT+CLCK=\"SC\",1,\"****\"\r"},
        {"AT+CLCK=\"SC\",2\r", "AT+CLCK=\"SC\",2\r"},
        {"AT+CPWD=\"SC\",\"1234\",\"98765\";+CSQ\r", "AT+CPWD=\"SC\",\"****\",\"*****\";+CSQ\r"},
        {"AT^CPIN=\"1234\"", "AT^CPIN=\"****\""},
        {"AT+CPIN?\r", "AT+CPIN?\r"},
        {"AT+CMGS=23\r", "AT+CMGS=23\r"},
    };
    for (const auto& [line, masked] : secrets)
        EXPECT_EQ(TModemComm::MaskSecrets(line), masked) << line;
    // The echo is starred out however the reads cut it.
    TEchoMask echo;
    echo.Arm("AT+CPIN=\"1234\"\r", "AT+CPIN=\"****\"\r");
    EXPECT_EQ(echo.Apply("\r\nRING\r\nAT+CPIN=\"12"), "\r\nRING\r\nAT+CPIN=\"**");
    EXPECT_EQ(echo.Apply("34\"\r\r\nOK\r\n1234"), "**\"\r\r\nOK\r\n1234");

    AnsiString crlf = "\r\n  +COPS: 0,0,\"Net\"\r\n\r\nline two \r\n";
    TModemComm::RemoveCrLf(crlf);
    EXPECT_EQ(crlf, "+COPS: 0,0,\"Net\"line two");
}

}  // namespace
