// The SIM and network commands against the simulated modem's SIM and network.
#include "communicator/SimAnswers.h"
#include "communicator/TModemComm.h"
#include "SimFixture.h"
#include "platform/Ticks.h"
#include "tools/modemsim/AtText.h"
#include "tools/modemsim/Session.h"
#include "tools/modemsim/SimModule.h"

namespace {

using modemsim::SimModule;

const char* kOperators =
    "[Operators]\n"
    "Operator00001=(24601)Valjean Mobile (North)\n"
    "Operator00002=(24602)Javert Net\n"
    "Operator00003=(24601)Second Valjean\n"
    "Operator00005=(24605)After The Gap\n";

class SimCommands : public CommFixture {
protected:
    void SetUp() override
    {
        CommFixture::SetUp();
        std::ofstream(m_program / "Operators.dat") << kOperators;
        m_card = std::make_shared<SimModule>();
        m_card->SetScanDelay(300);
        m_card->SetRegisterDelay(0);
        m_card->SetNetworks({{"Valjean Long", "VJ", "24601", 2, false},
                             {"Javert Long", "JV", "24602", 0, false},
                             {"Barred Long", "BR", "24603", 2, true}});
        m_sim.AddModule(m_card);
        MakeComm();
        ASSERT_TRUE(m_comm->OpenPort(0));
    }

    // How many command lines starting with `prefix` the modem received.
    size_t Sent(const std::string& prefix) const
    {
        size_t n = 0;
        for (const auto& c : m_sim.Commands())
            n += c.compare(0, prefix.size(), prefix) == 0;
        return n;
    }
    bool LogHolds(const std::string& text) const { return m_memo.Text().find(text) != std::string::npos; }

    std::shared_ptr<SimModule> m_card;
};

TEST_F(SimCommands, PinStateAndPinEntry)
{
    AnsiString buf = "old";
    EXPECT_EQ(m_comm->GetPinState(buf), PIN_STATE_READY);
    EXPECT_EQ(buf, "AT+CPIN?\r");

    m_card->SetPinState(SimModule::PinState::Pin);
    EXPECT_EQ(m_comm->GetPinState(), PIN_STATE_SIM_PIN);
    EXPECT_EQ(m_comm->EnterPin(PIN_STATE_SIM_PIN, "0000", ""), PIN_STATE_SIM_PIN);
    EXPECT_EQ(m_card->PinTriesLeft(), 2);
    EXPECT_EQ(m_comm->EnterPin(PIN_STATE_SIM_PIN, "1234", ""), PIN_STATE_READY);
    EXPECT_EQ(m_card->PinTriesLeft(), 3);
    EXPECT_EQ(m_card->GetPinState(), SimModule::PinState::Ready);
    // A line the modem sends on its own just ahead of the answer hides nothing.
    for (const char* early : {"\r\n^RSSI:14\r\n", "\r\n+CREG: 1\r\n"}) {
        m_sim.SetAnswerPieces("+CPIN?", {early, "\r\n+CPIN: READY\r\n\r\nOK\r\n"}, 300);
        EXPECT_EQ(m_comm->GetPinState(), PIN_STATE_READY) << early;
        while (m_sim.Answering())  // what a read left behind is not the next one's
            Sleep(20);
    }
}

TEST_F(SimCommands, ThreeWrongPinsNeedThePukWhichSetsANewPin)
{
    m_card->SetPinState(SimModule::PinState::Pin);
    EXPECT_EQ(m_comm->EnterPin(PIN_STATE_SIM_PIN, "1111", ""), PIN_STATE_SIM_PIN);
    EXPECT_EQ(m_comm->EnterPin(PIN_STATE_SIM_PIN, "2222", ""), PIN_STATE_SIM_PIN);
    EXPECT_EQ(m_comm->EnterPin(PIN_STATE_SIM_PIN, "3333", ""), PIN_STATE_SIM_PUK);
    // The right PIN no longer helps.
    EXPECT_EQ(m_comm->EnterPin(PIN_STATE_SIM_PIN, "1234", ""), PIN_STATE_SIM_PUK);
    EXPECT_EQ(m_comm->EnterPin(PIN_STATE_SIM_PUK, "4321", "87654321"), PIN_STATE_SIM_PUK);
    EXPECT_EQ(m_card->PukTriesLeft(), 9);
    EXPECT_EQ(m_comm->EnterPin(PIN_STATE_SIM_PUK, "4321", "12345678"), PIN_STATE_READY);
    EXPECT_EQ(m_card->Pin(), "4321");
    EXPECT_EQ(m_sim.Commands().back(), "AT+CPIN?");
    EXPECT_EQ(Sent("AT+CPIN=\"12345678\",\"4321\""), 1u);
}

TEST_F(SimCommands, PinAndPukNeverReachTheLogs)
{
    m_card->SetPin("7531");
    m_card->SetPuk("86429753");
    m_card->SetPinState(SimModule::PinState::Pin);
    EXPECT_EQ(m_comm->EnterPin(PIN_STATE_SIM_PIN, "7531", ""), PIN_STATE_READY);
    m_card->SetPinState(SimModule::PinState::Puk);
    EXPECT_EQ(m_comm->EnterPin(PIN_STATE_SIM_PUK, "9182", "86429753"), PIN_STATE_READY);
    int mode = 0;
    m_comm->SetSimLockFlag(1);
    EXPECT_TRUE(m_comm->SetSimLock("9182", mode));
    EXPECT_TRUE(m_card->PinRequest());
    // Half an echo within the read, the rest ahead of the next command's answer.
    m_sim.SetEcho(false);
    m_sim.SetAnswer("+CPIN=\"2864\"", "AT+CPIN=\"2");
    m_sim.SetAnswer("+CPIN?", "864\"\r\r\n+CPIN: READY\r\n\r\nOK\r\n");
    m_comm->EnterPin(PIN_STATE_SIM_PIN, "2864", "");
    ASSERT_TRUE(m_comm->OpenPort(0));
    EXPECT_EQ(m_comm->GetPinState(), PIN_STATE_READY);
    m_sim.SetEcho(true);
    // An echo that comes after its read gave up is flushed at the next open.
    m_sim.SetSilentFor("+CPIN=\"2468\"", true);
    EXPECT_EQ(m_comm->EnterPin(PIN_STATE_SIM_PIN, "2468", ""), PIN_STATE_SIM_PIN);
    m_sim.SendRaw("AT+CPIN=\"2468\"\r");
    for (int i = 0; i < 300 && m_sim.Answering(); ++i)
        Sleep(10);
    ASSERT_TRUE(m_comm->OpenPort(0));
    // Typed again after a time-out, the same PIN or another: the first echo
    // comes just ahead of the second.
    for (const char* again : {"1357", "9753"}) {
        m_sim.SetSilentFor("+CPIN=\"1357\"", true);
        EXPECT_EQ(m_comm->EnterPin(PIN_STATE_SIM_PIN, "1357", ""), PIN_STATE_SIM_PIN);
        ASSERT_TRUE(m_comm->OpenPort(0));
        m_sim.ClearScript();
        m_sim.SetEcho(false);
        m_sim.SetAnswer(std::string("+CPIN=\"") + again + "\"",
                        std::string("AT+CPIN=\"1357\"\rAT+CPIN=\"") + again + "\"\r\r\nOK\r\n");
        m_comm->EnterPin(PIN_STATE_SIM_PIN, again, "");
        m_sim.SetEcho(true);
    }
    // The port's trace gets its lines through its own thread: closing the
    // port ends the block, and the file is complete once its summary is in.
    ASSERT_TRUE(m_comm->ClosePort());
    const auto comLog = m_program / "ComPort.log";
    const uint32_t start = GetTickCount();
    while (ReadFile(comLog).find("Total bytes write") == std::string::npos && !TickExpired(GetTickCount(), start, 10000))
        Sleep(20);
    const std::string trace = ReadFile(comLog);
    const std::string memoText = m_memo.Text();
    const std::string modemLog = ReadFile(m_program / "LOG" / "modem.log");

    // Each command is logged with its secrets starred out, echo included.
    for (const std::string& masked :
         {std::string("AT+CPIN=\"****\""), std::string("AT+CPIN=\"********\",\"****\""),
          std::string("AT+CLCK=\"SC\",1,\"****\"")}) {
        EXPECT_NE(memoText.find("-->" + masked + "\r"), std::string::npos) << masked;
        EXPECT_NE(memoText.find("Read = " + masked + "\r"), std::string::npos) << masked;
    }
    EXPECT_NE(trace.find("WRITE: { 41 54 2B 43 50 49 4E 3D 22 2A 2A 2A 2A 22 0D }"), std::string::npos);
    for (const char* secret : {"7531", "86429753", "9182", "2468", "864\"", "1357", "9753"}) {
        EXPECT_EQ(memoText.find(secret), std::string::npos) << secret;
        EXPECT_EQ(modemLog.find(secret), std::string::npos) << secret;
        std::string hex;
        for (const char* c = secret; *c; ++c)
            hex += (hex.empty() ? "" : " ") + std::to_string(*c / 16) + std::to_string(*c % 16);
        EXPECT_EQ(trace.find(hex), std::string::npos) << hex;
    }
    // Both logs are the user's alone.
    for (const auto& file : {comLog, m_program / "LOG" / "modem.log"})
        EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all,
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write)
            << file;
}

TEST_F(SimCommands, SilentModemLeavesTheModeNeeded)
{
    m_card->SetPinState(SimModule::PinState::Pin);
    m_sim.SetSilentFor("+CPIN=\"1234\"", true);
    EXPECT_EQ(m_comm->EnterPin(PIN_STATE_SIM_PIN, "1234", ""), PIN_STATE_SIM_PIN);
}

TEST_F(SimCommands, AStickWithoutTheTriesCommandKeepsItsPortForTheNextPin)
{
    const std::string tries = "+CPINR=\"SIM PIN\"";
    // Its own words for a command it does not know, or none at all.
    for (const std::string words : {"\r\nCOMMAND NOT SUPPORT\r\n", "\r\nTOO MANY PARAMETERS\r\n", ""}) {
        SCOPED_TRACE(words);
        m_memo.Clear();
        m_sim.SetAnswer(tries, words);
        m_sim.SetSilentFor(tries, words.empty());
        m_card->SetPinState(SimModule::PinState::Pin);
        EXPECT_EQ(m_comm->EnterPin(PIN_STATE_SIM_PIN, "0000", ""), PIN_STATE_SIM_PIN);
        EXPECT_EQ(m_comm->GetPinRetries(PIN_STATE_SIM_PIN), -1);
        EXPECT_TRUE(m_comm->IsPortOpen());
        EXPECT_FALSE(LogHolds("Time Out"));
        EXPECT_EQ(LogHolds("------No answer, port kept"), words.empty());
        EXPECT_EQ(m_comm->EnterPin(PIN_STATE_SIM_PIN, "1234", ""), PIN_STATE_READY);
        // The same words end any other read as an error.
        m_sim.SetAnswer("+CSQ", words.empty() ? "\r\nERROR\r\n" : words);
        EXPECT_EQ(m_comm->GetSignalQuality(), kSignalUnknown);
        EXPECT_TRUE(m_comm->IsPortOpen());
    }
}

TEST_F(SimCommands, RefusedArgumentsAreNeverSentNorLogged)
{
    m_card->SetPinState(SimModule::PinState::Pin);
    m_sim.ClearCommands();
    EXPECT_EQ(m_comm->EnterPin(PIN_STATE_SIM_PIN, "12\"4", ""), PIN_STATE_SIM_PIN);
    EXPECT_EQ(m_comm->EnterPin(PIN_STATE_SIM_PIN, "", ""), PIN_STATE_SIM_PIN);
    EXPECT_EQ(m_comm->EnterPin(PIN_STATE_SIM_PUK, "5678", "12ab5678"), PIN_STATE_SIM_PUK);
    EXPECT_EQ(m_comm->EnterPin(PIN_STATE_SIM_PUK, "56\r8", "12345678"), PIN_STATE_SIM_PUK);
    EXPECT_EQ(m_comm->EnterPin(7, "1234", ""), PIN_STATE_UNKNOWN);
    m_card->SetPinState(SimModule::PinState::Ready);
    int mode = -1;
    EXPECT_FALSE(m_comm->SetSimLock("9x99", mode));
    EXPECT_FALSE(m_comm->SelectOperatorManual("24601\",\"x"));
    m_comm->SetSmsCentre("+4917\"\r\nAT+CFUN=0");
    EXPECT_FALSE(m_comm->WriteSmsCentre());
    EXPECT_FALSE(m_comm->SetApn("inter\x1Anet", 0));
    EXPECT_FALSE(m_comm->SetApn("a\"b", 1));

    for (const auto& c : m_sim.Commands()) {
        EXPECT_EQ(c.find("+CLCK=\"SC\",0"), std::string::npos) << c;
        EXPECT_EQ(c.find("+COPS=1"), std::string::npos) << c;
        EXPECT_EQ(c.find("+CSCA="), std::string::npos) << c;
        EXPECT_EQ(c.find("+CGDCONT"), std::string::npos) << c;
    }
    EXPECT_EQ(Sent("AT+CPIN="), 0u);
    EXPECT_EQ(m_card->PinTriesLeft(), 3);
    for (const char* secret : {"12\"4", "12ab5678", "9x99", "56\r8"})
        EXPECT_FALSE(LogHolds(secret)) << secret;
    EXPECT_TRUE(LogHolds("Refused PIN"));
    EXPECT_TRUE(LogHolds("Refused PUK"));
    EXPECT_TRUE(LogHolds("Refused access point name"));
    EXPECT_TRUE(m_config->ReadString("SETTINGS", "UserOperator", "").empty());
}

TEST_F(SimCommands, OperatorByNameOrNumber)
{
    struct Case {
        const char* what;
        const char* numeric;
        int forcedFormat;
        bool act;
        const char* name;
    } cases[] = {
        {"long name", "24601", -1, true, "Valjean Long"},
        {"long name without AcT", "24601", -1, false, "Valjean Long"},
        {"number", "24601", 2, false, "Valjean Mobile (North)"},
        {"number with AcT", "24601", 2, true, "Valjean Mobile (North)"},
        {"number, leading zero", "024601", 2, true, "Valjean Mobile (North)"},
        {"number not listed", "99999", 2, true, "99999"},
        {"number after a gap", "24605", 2, false, "After The Gap"},
        {"limited service", "24609", -1, false, "Limited Service"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_card->SetNetworks({{c.numeric == std::string("24609") ? "Limited Service" : "Valjean Long", "VJ",
                              c.numeric, 2, false}});
        m_card->SetForcedFormat(c.forcedFormat);
        m_card->SetReportAccessTechnology(c.act);
        m_sim.ClearCommands();
        AnsiString name;
        EXPECT_TRUE(m_comm->GetOperator(name));
        EXPECT_EQ(name, c.name);
        EXPECT_EQ(m_comm->GetOperatorNameValue(), c.name);
        EXPECT_EQ(m_sim.Commands(), (std::vector<std::string> {"AT+COPS=3,0", "AT+COPS?"}));
    }
}

TEST_F(SimCommands, NotRegisteredOrOddAnswersKeepTheOperatorName)
{
    m_comm->SetOperatorName("Previous");
    m_card->SetCoverage(false);
    AnsiString name = "untouched";
    EXPECT_FALSE(m_comm->GetOperator(name));
    m_card->SetCoverage(true);
    for (const char* answer : {"\r\n+COPS: 0,x,\"Bad\"\r\n\r\nOK\r\n", "\r\n+CME ERROR: 30\r\n", "\r\nERROR\r\n",
                               "\r\n+COPS: 0,0,\"\"\r\n\r\nOK\r\n"}) {
        m_sim.SetAnswer("+COPS?", answer);
        EXPECT_FALSE(m_comm->GetOperator(name)) << answer;
    }
    EXPECT_EQ(name, "untouched");
    EXPECT_EQ(m_comm->GetOperatorNameValue(), "Previous");
    EXPECT_TRUE(m_comm->IsPortOpen());
}

TEST_F(SimCommands, ManualAndAutomaticSelection)
{
    EXPECT_TRUE(m_comm->SelectOperatorManual("24602"));
    EXPECT_EQ(m_card->CurrentNetwork(), "24602");
    EXPECT_EQ(m_card->SelectionMode(), 1);
    EXPECT_EQ(m_config->ReadString("SETTINGS", "UserOperator", ""), "24602");
    EXPECT_EQ(Sent("AT+COPS=1,2,\"24602\""), 1u);
    // With its generation the modem is given it, and takes no other.
    EXPECT_TRUE(m_comm->SelectOperatorManual("24602", 0));
    EXPECT_EQ(Sent("AT+COPS=1,2,\"24602\",0"), 1u);
    EXPECT_FALSE(m_comm->SelectOperatorManual("24602", 2));
    // The network in use is asked for by code; long names are asked for again after.
    COPS_ANSWER cops;
    EXPECT_TRUE(m_comm->GetRegistration(cops));
    EXPECT_EQ(cops.format, 2);
    EXPECT_EQ(cops.oper, "24602");
    EXPECT_EQ(m_sim.Commands().back(), "AT+COPS=3,0");
    // A modem that names its operator whatever it is asked gives the name.
    m_card->SetForcedFormat(0);
    EXPECT_TRUE(m_comm->GetRegistration(cops));
    EXPECT_EQ(cops.format, 0);
    EXPECT_EQ(cops.oper, "Javert Long");
    m_card->SetForcedFormat(-1);

    // A forbidden or unknown network leaves Config.ini alone.
    EXPECT_FALSE(m_comm->SelectOperatorManual("24603"));
    EXPECT_FALSE(m_comm->SelectOperatorManual("11111"));
    EXPECT_EQ(m_config->ReadString("SETTINGS", "UserOperator", ""), "24602");

    EXPECT_TRUE(m_comm->SelectOperatorAuto());
    EXPECT_EQ(m_card->SelectionMode(), 0);
    EXPECT_EQ(m_comm->GetOperatorNameValue(), "Valjean Long");
    m_card->SetCoverage(false);
    EXPECT_FALSE(m_comm->SelectOperatorAuto());
    EXPECT_FALSE(m_comm->GetRegistration(cops));
}

TEST_F(SimCommands, ScanListsEveryNetwork)
{
    m_card->SetNetworks({{"Valjean Long", "VJ", "24601", 2, false},
                         {"Javert, Inspector", "", "24602", -1, false},
                         {"Barred (Region)", "BR", "24603", 0, true}});
    AnsiString list;
    EXPECT_TRUE(m_comm->GetOperatorList(list));
    EXPECT_EQ(list.compare(0, 1, "("), 0) << list;
    const auto ops = ParseOperatorList(list);
    ASSERT_EQ(ops.size(), 3u) << list;
    EXPECT_TRUE(ops[0].available);
    EXPECT_EQ(ops[0].longName, "Valjean Long");
    EXPECT_EQ(ops[0].accessTechnology, 2);
    EXPECT_TRUE(ops[1].available);
    EXPECT_EQ(ops[1].longName, "Javert, Inspector");
    EXPECT_EQ(ops[1].shortName, "");
    EXPECT_EQ(ops[1].accessTechnology, kNoAccessTechnology);
    EXPECT_FALSE(ops[2].available);
    EXPECT_EQ(ops[2].longName, "Barred (Region)");
    EXPECT_EQ(ops[2].numeric, "24603");

    m_sim.SetAnswer("+COPS=?", "\r\n+CME ERROR: 30\r\n");
    list = "kept";
    EXPECT_FALSE(m_comm->GetOperatorList(list));
    EXPECT_EQ(list, "kept");
}

TEST_F(SimCommands, SignalQuality)
{
    for (int rssi : {0, 15, 31, 99}) {
        m_card->SetSignal(rssi);
        EXPECT_EQ(m_comm->GetSignalQuality(), rssi);
    }
    for (const char* answer : {"\r\nERROR\r\n", "\r\n+CSQ: abc,99\r\n\r\nOK\r\n", "\r\n+CSQ: 17\r\n\r\nOK\r\n"}) {
        m_sim.SetAnswer("+CSQ", answer);
        EXPECT_EQ(m_comm->GetSignalQuality(), 99) << answer;
    }
    m_comm->ClosePort();
    EXPECT_EQ(m_comm->GetSignalQuality(), 0);
}

TEST_F(SimCommands, ServiceCentreRoundTrip)
{
    EXPECT_TRUE(m_comm->ReadSmsCentre());
    EXPECT_EQ(m_comm->GetSmsCentre(), "+491710760000");

    m_comm->SetSmsCentre("+4915550001");
    EXPECT_TRUE(m_comm->WriteSmsCentre());
    EXPECT_EQ(m_card->ServiceCentre(), "+4915550001");
    EXPECT_EQ(m_comm->GetSmsCentre(), "+4915550001");

    // An answer without quotes is not read; the number stays.
    m_sim.SetAnswer("+CSCA?", "\r\n+CSCA: 0171,129\r\n\r\nOK\r\n");
    EXPECT_FALSE(m_comm->ReadSmsCentre());
    EXPECT_EQ(m_comm->GetSmsCentre(), "+4915550001");
    // A refused write still shows what the modem holds, here nothing readable.
    m_sim.RemoveAnswer("+CSCA?");
    m_card->SetPinState(SimModule::PinState::Pin);
    EXPECT_FALSE(m_comm->WriteSmsCentre());
    EXPECT_EQ(m_comm->GetSmsCentre(), "");
}

TEST_F(SimCommands, SimLockReadAndSet)
{
    m_card->SetPinRequest(true);
    EXPECT_TRUE(m_comm->GetSimLock());
    EXPECT_EQ(m_comm->GetSimLockFlag(), 1);

    m_comm->SetSimLockFlag(0);
    int mode = -1;
    EXPECT_FALSE(m_comm->SetSimLock("9999", mode));  // wrong PIN: the lock stays on
    EXPECT_EQ(mode, 0);
    EXPECT_EQ(m_comm->GetSimLockFlag(), 1);
    EXPECT_EQ(m_card->PinTriesLeft(), 2);

    m_comm->SetSimLockFlag(0);
    EXPECT_TRUE(m_comm->SetSimLock("1234", mode));
    EXPECT_FALSE(m_card->PinRequest());
    EXPECT_EQ(m_comm->GetSimLockFlag(), 0);
    EXPECT_EQ(Sent("AT+CLCK=\"SC\",0,\"1234\""), 1u);

    m_sim.SetAnswer("+CLCK=\"SC\",2", "\r\n+CLCK: x\r\n\r\nOK\r\n");
    m_comm->SetSimLockFlag(1);
    EXPECT_FALSE(m_comm->GetSimLock());
    EXPECT_EQ(m_comm->GetSimLockFlag(), 0);
}

TEST_F(SimCommands, ImeiAndFirmware)
{
    EXPECT_EQ(m_comm->GetIMEI(), "490154203237518");
    EXPECT_TRUE(LogHolds("We have an IMEI"));
    EXPECT_EQ(m_comm->GetFirmware(), "MS-1 11.608.12.02.00");
    EXPECT_TRUE(LogHolds("We have Firmware"));

    // Echo off or a labelled answer still gives the number.
    m_sim.SetEcho(false);
    m_card->SetImei("35209900176148");
    EXPECT_EQ(m_comm->GetIMEI(), "35209900176148");
    m_sim.SetAnswer("+CGSN", "\r\n+CGSN: \"356938035643809\"\r\n\r\nOK\r\n");
    EXPECT_EQ(m_comm->GetIMEI(), "356938035643809");

    m_sim.SetAnswer("+CGSN", "\r\nERROR\r\n");
    m_sim.SetAnswer("+CGMR", "\r\nERROR\r\n");
    EXPECT_EQ(m_comm->GetIMEI(), "");
    EXPECT_EQ(m_comm->GetFirmware(), "");
    EXPECT_TRUE(LogHolds("Error getting IMEI"));
    EXPECT_TRUE(LogHolds("Error getting Firmware"));
}

// Fails the first context command, then lets the SIM module answer.
class FirstContextFails : public modemsim::Module {
public:
    bool Handle(const std::string& line, modemsim::Session& s) override
    {
        if (!modemsim::MatchCommand(line, "+CGDCONT=") || m_failed)
            return false;
        m_failed = true;
        s.Error();
        return true;
    }

private:
    bool m_failed = false;
};

TEST_F(SimCommands, AccessPointName)
{
    struct Case { const char* apn; int auth; const char* sent; } cases[] = {
        {"internet", 1, "pap:internet"},
        {"internet", 2, "chap:internet"},
        {"internet", 7, "internet"},
        {"", 1, ""},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(m_comm->SetApn(c.apn, c.auth)) << c.sent;
        EXPECT_EQ(m_card->Context(1).apn, c.sent);
        EXPECT_EQ(m_sim.Commands().back(), std::string("AT+CGDCONT=1,\"IP\",\"") + c.sent + "\"");
    }
    m_sim.AddModule(std::make_shared<FirstContextFails>());
    m_sim.ClearCommands();
    EXPECT_TRUE(m_comm->SetApn("second.try", 0));
    EXPECT_EQ(Sent("AT+CGDCONT=1,\"IP\",\"second.try\""), 2u);
    EXPECT_EQ(m_card->Context(1).apn, "second.try");

    m_comm->SetPortNumber(kCom + 1);  // nothing there
    EXPECT_FALSE(m_comm->SetApn("internet", 0));
}

TEST_F(SimCommands, ClosedPortSendsNothing)
{
    m_comm->SetSmsCentre("+49123");
    m_comm->SetSimLockFlag(1);
    m_comm->SetOperatorName("Kept");
    m_comm->ClosePort();
    m_sim.ClearCommands();
    AnsiString text = "kept";
    int mode = -1;
    EXPECT_EQ(m_comm->GetPinState(), PIN_STATE_UNKNOWN);
    EXPECT_EQ(m_comm->EnterPin(PIN_STATE_SIM_PIN, "1234", ""), PIN_STATE_UNKNOWN);
    EXPECT_FALSE(m_comm->GetOperator(text));
    EXPECT_FALSE(m_comm->SelectOperatorAuto());
    EXPECT_FALSE(m_comm->SetOperatorFormat(0));
    EXPECT_FALSE(m_comm->GetOperatorList(text));
    EXPECT_FALSE(m_comm->SelectOperatorManual("24601"));
    EXPECT_EQ(m_comm->GetIMEI(), "");
    EXPECT_EQ(m_comm->GetFirmware(), "");
    EXPECT_FALSE(m_comm->SetSimLock("1234", mode));
    EXPECT_FALSE(m_comm->GetSimLock());
    EXPECT_EQ(m_comm->GetSimLockFlag(), 0);
    EXPECT_FALSE(m_comm->WriteSmsCentre());
    EXPECT_EQ(m_comm->GetSmsCentre(), "");
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(m_comm->GetOperatorNameValue(), "Kept");
    EXPECT_TRUE(m_sim.Commands().empty());
}

TEST_F(SimCommands, OperatorTableOfTheEngine)
{
    // Read once at construction from the program folder.
    EXPECT_TRUE(m_comm->OperatorsLoaded());
    EXPECT_EQ(m_comm->GetOperatorName("24601"), "Valjean Mobile (North)");  // first of two
    EXPECT_EQ(m_comm->GetOperatorName("024602"), "Javert Net");
    EXPECT_EQ(m_comm->GetOperatorName("24605"), "After The Gap");  // behind a gap
    EXPECT_EQ(m_comm->GetOperatorName("246x1"), "246x1");
    EXPECT_EQ(m_comm->GetOperatorNameByCode(24602), "Javert Net");
    EXPECT_EQ(m_comm->GetOperatorNameByCode(24605), "After The Gap");

    std::filesystem::remove(m_program / "Operators.dat");
    TModemComm bare(m_config.get(), (m_program / "ComPort2.log").string());
    EXPECT_FALSE(bare.OperatorsLoaded());
    EXPECT_EQ(bare.GetOperatorName("24601"), "24601");
    EXPECT_EQ(bare.GetOperatorName("garbage"), "garbage");
    EXPECT_EQ(bare.GetOperatorNameByCode(24601), "24601");
}

}  // namespace
