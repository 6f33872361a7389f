#include "tools/modemsim/ModemSim.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <mutex>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

#include "HostTty.h"
#include "communicator/sms/SmsPdu.h"
#include "tools/modemsim/AtText.h"
#include "tools/modemsim/CoreModule.h"
#include "tools/modemsim/Session.h"
#include "tools/modemsim/SimModule.h"
#include "tools/modemsim/SmsModule.h"

using namespace modemsim;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kOk = "\r\nOK\r\n";
const std::string kError = "\r\nERROR\r\n";

long MsSince(Clock::time_point t)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

class ModemSimTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(modem.Start());
        host = std::make_unique<HostTty>(modem.DevicePath());
        ASSERT_TRUE(host->IsOpen());
    }

    // Sends a line with its CR and returns what came back up to `final`.
    std::string Exchange(const std::string& line, const std::string& final = kOk, int timeoutMs = 1000)
    {
        host->Write(line + "\r");
        return host->ReadUntil(final, timeoutMs);
    }

    ModemSim modem;
    std::unique_ptr<HostTty> host;
};

}  // namespace

TEST_F(ModemSimTest, BasicCommandsWithEcho)
{
    struct Case {
        std::string line, expected;
    } cases[] = {
        {"AT", "AT\r" + kOk},
        {"at", "at\r" + kOk},
        {"ATZ", "ATZ\r" + kOk},
        {"AT&F", "AT&F\r" + kOk},
        {"AT+NOSUCH", "AT+NOSUCH\r" + kError},
        {"HELLO", "HELLO\r" + kError},
    };
    for (const auto& c : cases) {
        const std::string final = c.expected.substr(c.expected.rfind("\r\n", c.expected.size() - 3));
        EXPECT_EQ(Exchange(c.line, final), c.expected) << c.line;
    }
    const std::string ati = Exchange("ATI");
    EXPECT_EQ(ati.rfind("ATI\r\r\n", 0), 0u) << Escape(ati);
    EXPECT_NE(ati.find("Simulated Modem"), std::string::npos);
    EXPECT_EQ(ati.substr(ati.size() - kOk.size()), kOk);
}

TEST_F(ModemSimTest, EchoSwitchesWithAteAndSetEcho)
{
    EXPECT_EQ(Exchange("ATE0"), "ATE0\r" + kOk);  // echoed while still on
    EXPECT_EQ(Exchange("AT"), kOk);
    EXPECT_EQ(Exchange("ATE1"), kOk);
    EXPECT_EQ(Exchange("AT"), "AT\r" + kOk);
    modem.SetEcho(false);
    EXPECT_EQ(Exchange("AT"), kOk);
    EXPECT_EQ(Exchange("ATZ"), kOk);  // the profile keeps the echo set by the test
    modem.SetEcho(true);
    EXPECT_EQ(Exchange("ATE0"), "ATE0\r" + kOk);
    EXPECT_EQ(Exchange("ATZ"), kOk);
    EXPECT_EQ(Exchange("AT"), "AT\r" + kOk);  // ATZ went back to echo on
}

TEST_F(ModemSimTest, LineEndsAndCommandLog)
{
    // A second CR gives no second answer; the LF after a CR is ignored.
    host->Write("AT\r\r");
    EXPECT_EQ(host->ReadFor(300), "AT\r" + kOk);
    host->Write("ATI\r\nAT+X\r\n");
    const std::string got = host->ReadUntil(kError, 1000);
    EXPECT_NE(got.find("ATI\r\r\n"), std::string::npos);
    EXPECT_NE(got.find("AT+X\r" + kError), std::string::npos) << Escape(got);
    // A line without its CR is not handled yet.
    host->Write("AT+HALF");
    EXPECT_EQ(host->ReadFor(150), "");
    EXPECT_EQ(modem.PendingInput(), 7u);
    EXPECT_EQ(modem.Commands(), (std::vector<std::string>{"AT", "ATI", "AT+X"}));
    modem.ClearCommands();
    host->Write("\r");
    host->ReadUntil(kError, 1000);
    EXPECT_EQ(modem.Commands(), (std::vector<std::string>{"AT+HALF"}));
    EXPECT_EQ(modem.PendingInput(), 0u);
}

TEST_F(ModemSimTest, CannedAnswersAreSentVerbatim)
{
    const std::string zeroAndGarbage = std::string("\r\n+X: 1\0" "2\xFF\x80\r\n", 12) + kOk;
    struct Case {
        std::string key, line, answer;
    } cases[] = {
        {"+CSQ", "AT+CSQ", "\r\n+CSQ: 15,99\r\n" + kOk},
        {"+cops?", "AT+COPS?", "\r\n+COPS: 0,0,\"Net\"\r\n" + kOk},  // keys ignore case
        {"AT+CPMS?", "at+cpms?", kError},                            // a leading AT is accepted
        {"+CPIN?", "AT+CPIN?", "\r\n+CME ERROR: 10\r\n"},
        {"+CMGS=1", "AT+CMGS=1", "\r\n+CMS ERROR: 500\r\n"},
        {"+X", "AT+X", zeroAndGarbage},
        {"", "AT", "\r\nBUSY\r\n"},  // overrides the core module
        {"E0", "ATE0", kError},
    };
    for (const auto& c : cases) {
        modem.SetAnswer(c.key, c.answer);
        EXPECT_EQ(Exchange(c.line, c.answer, 1000), c.line + "\r" + c.answer) << c.key;
    }
    EXPECT_TRUE(modem.Echo()) << "a canned answer for ATE0 does not switch the echo";
    modem.RemoveAnswer("");
    EXPECT_EQ(Exchange("AT"), "AT\r" + kOk);
}

TEST_F(ModemSimTest, VeryLargeAnswerArrivesWhole)
{
    std::string big = "\r\n";
    for (int i = 0; i < 20000; ++i)
        big += "+CMGL: " + std::to_string(i) + ",1,,23\r\n";
    big += kOk;
    ASSERT_GT(big.size(), 300000u);
    modem.SetAnswer("+CMGL=4", big);
    const std::string got = Exchange("AT+CMGL=4", kOk, 5000);
    EXPECT_EQ(got.size(), big.size() + 10);
    EXPECT_EQ(got, "AT+CMGL=4\r" + big);
    EXPECT_EQ(Exchange("AT"), "AT\r" + kOk);
}

TEST_F(ModemSimTest, AnswerInPiecesKeepsItsTiming)
{
    modem.SetAnswerPieces("+CGMR", {"\r\n+CGMR: ", "1.2.3\r\n", "\r\nOK\r\n"}, 150, 100);
    const auto start = Clock::now();
    host->Write("AT+CGMR\r");
    EXPECT_EQ(host->ReadUntil("AT+CGMR\r", 80), "AT+CGMR\r");  // the echo comes at once
    EXPECT_EQ(host->ReadUntil("+CGMR: ", 500), "\r\n+CGMR: ");
    EXPECT_GE(MsSince(start), 95);
    EXPECT_EQ(host->ReadFor(80), "");  // the next piece is still 150 ms away
    EXPECT_EQ(host->ReadUntil(kOk, 1000), "1.2.3\r\n" + kOk);
    EXPECT_GE(MsSince(start), 395);
    EXPECT_LT(MsSince(start), 1500);
}

TEST_F(ModemSimTest, DelayHoldsTheAnswerAndTheNextCommand)
{
    modem.SetDelay("+COPS=?", 300);
    const auto start = Clock::now();
    host->Write("AT+COPS=?\rAT\r");  // the second line waits for the first answer
    EXPECT_EQ(host->ReadUntil("\r", 100), "AT+COPS=?\r");
    const std::string got = host->ReadUntil("AT\r" + kOk, 1500);
    EXPECT_GE(MsSince(start), 295);
    EXPECT_EQ(got, kError + "AT\r" + kOk);
    modem.SetDelay("+COPS=?", 0);
    EXPECT_EQ(Exchange("AT+COPS=?", kError, 150), "AT+COPS=?\r" + kError);
}

TEST_F(ModemSimTest, SilenceSendsNothingButRecordsTheCommand)
{
    modem.SetSilent(true);
    host->Write("AT\r");
    EXPECT_EQ(host->ReadFor(250), "");
    modem.SetSilent(false);
    modem.SetSilentFor("+CSQ", true);
    host->Write("AT+CSQ\r");
    EXPECT_EQ(host->ReadFor(250), "");
    EXPECT_EQ(Exchange("AT"), "AT\r" + kOk);
    EXPECT_EQ(modem.Commands(), (std::vector<std::string>{"AT", "AT+CSQ", "AT"}));
    // An empty canned answer: echo only, the modem hangs on that command.
    modem.SetSilentFor("+CSQ", false);
    modem.SetAnswer("+CSQ", "");
    host->Write("AT+CSQ\r");
    EXPECT_EQ(host->ReadFor(250), "AT+CSQ\r");
}

TEST_F(ModemSimTest, UnsolicitedBytesGoAheadOfADelayedAnswer)
{
    modem.SetDelay("", 300);
    host->Write("AT\r");
    EXPECT_EQ(host->ReadUntil("\r", 200), "AT\r");
    modem.SendRaw("\r\nRING\r\n");
    EXPECT_EQ(host->ReadUntil(kOk, 1000), "\r\nRING\r\n" + kOk);
}

TEST(ModemSimDevice, VanishAndReappearInTheDeviceFolder)
{
    const fs::path dir = fs::temp_directory_path() / ("modemsim-test-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    const fs::path link = dir / "COM7";
    {
        ModemSim modem;
        EXPECT_FALSE(modem.Register(dir.string(), 7, "Test Modem")) << "nothing to register before Start";
        ASSERT_TRUE(modem.Start());
        ASSERT_TRUE(fs::is_symlink(link)) << "Start registers what was asked before";
        EXPECT_EQ(fs::read_symlink(link).string(), modem.DevicePath());
        std::ifstream nameFile(dir / "COM7.name");
        std::string name;
        std::getline(nameFile, name);
        EXPECT_EQ(name, "Test Modem");

        auto host = std::make_unique<HostTty>(link.string());
        ASSERT_TRUE(host->IsOpen());
        modem.SetAnswerPieces("+CSQ", {"\r\n+CSQ: ", "15,99\r\n\r\nOK\r\n"}, 5000);
        host->Write("AT+CSQ\r");
        EXPECT_EQ(host->ReadUntil("+CSQ: ", 1000), "AT+CSQ\r\r\n+CSQ: ");
        modem.Vanish();  // unplugged mid-answer
        EXPECT_FALSE(fs::is_symlink(link));
        EXPECT_FALSE(fs::exists(dir / "COM7.name"));
        EXPECT_EQ(modem.DevicePath(), "");
        EXPECT_TRUE(host->HungUp());
        host.reset();

        ASSERT_TRUE(modem.Reappear());
        ASSERT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(fs::read_symlink(link).string(), modem.DevicePath());
        host = std::make_unique<HostTty>(link.string());
        ASSERT_TRUE(host->IsOpen());
        host->Write("AT\r");
        EXPECT_EQ(host->ReadUntil(kOk, 1000), "AT\r" + kOk);  // nothing left over from before
        EXPECT_EQ(modem.Commands(), (std::vector<std::string>{"AT+CSQ", "AT"}));
    }
    EXPECT_FALSE(fs::is_symlink(link)) << "the destructor unregisters";
    fs::remove_all(dir);
}

TEST(ModemSimDevice, UnplugOnACommandMidAnswer)
{
    const fs::path dir = fs::temp_directory_path() / ("modemsim-unplug-" + std::to_string(::getpid()));
    ModemSim modem;
    ASSERT_TRUE(modem.Start());
    ASSERT_TRUE(modem.Register(dir.string(), 3, "Test Modem"));
    modem.SetAnswerPieces("+COPS?", {"\r\n+COPS: 0,0,", "\"Net\"\r\n\r\nOK\r\n"}, 400);
    modem.SetUnplugOn("at+cops?", 100);
    auto host = std::make_unique<HostTty>((dir / "COM3").string());
    ASSERT_TRUE(host->IsOpen());
    host->Write("AT+COPS?\r");
    const auto start = Clock::now();
    EXPECT_EQ(host->ReadFor(300), "AT+COPS?\r\r\n+COPS: 0,0,");
    EXPECT_TRUE(host->HungUp());
    EXPECT_LT(MsSince(start), 600);
    EXPECT_FALSE(modem.Running());
    EXPECT_EQ(modem.DevicePath(), "");
    EXPECT_FALSE(fs::is_symlink(dir / "COM3"));

    ASSERT_TRUE(modem.Start());  // plugged in again; the trigger was used up
    ASSERT_TRUE(fs::is_symlink(dir / "COM3"));
    host = std::make_unique<HostTty>((dir / "COM3").string());
    host->Write("AT+COPS?\r");
    EXPECT_EQ(host->ReadUntil(kOk, 1500), "AT+COPS?\r\r\n+COPS: 0,0,\"Net\"\r\n" + kOk);
    modem.Stop();
    fs::remove_all(dir);
}

namespace {

// A command module plus a prompt that takes raw input up to Ctrl-Z, the way the
// SMS sending module does.
class PromptModule : public Module {
public:
    bool Handle(const std::string& line, Session& s) override
    {
        std::string rest;
        if (MatchCommand(line, "+SEND", &rest) && rest.empty()) {
            s.Send("\r\n> ");
            s.BeginRaw(*this);
            return true;
        }
        if (MatchCommand(line, "I")) {  // newer modules come before the core
            s.SendLine("Prompt Modem");
            s.Ok();
            return true;
        }
        return false;
    }
    size_t HandleRaw(const std::string& input, Session& s) override
    {
        const size_t end = input.find('\x1A');
        if (end == std::string::npos)
            return 0;
        {
            std::lock_guard<std::mutex> lock(mu);
            body = input.substr(0, end);
        }
        s.EndRaw();
        s.SendLine("+SEND: " + std::to_string(body.size()));
        s.Ok();
        return end + 1;
    }
    void OnPowerOn(Session&) override { ++powerOns; }
    std::string Body()
    {
        std::lock_guard<std::mutex> lock(mu);
        return body;
    }
    std::atomic<int> powerOns{0};

private:
    std::mutex mu;  // the test thread reads what the simulator's thread wrote
    std::string body;
};

}  // namespace

TEST_F(ModemSimTest, ModulesTakeCommandsAndRawInput)
{
    auto module = std::make_shared<PromptModule>();
    modem.AddModule(module);
    EXPECT_EQ(Exchange("ATI"), "ATI\r\r\nPrompt Modem\r\n" + kOk);
    EXPECT_EQ(Exchange("AT+SEND", "> "), "AT+SEND\r\r\n> ");
    host->Write("0011\rAT");  // a CR inside raw input is no command line
    EXPECT_EQ(host->ReadFor(100), "");
    host->Write("00\x1A" "AT\r");
    EXPECT_EQ(host->ReadUntil("AT\r" + kOk, 1000), "\r\n+SEND: 9\r\n" + kOk + "AT\r" + kOk);
    EXPECT_EQ(module->Body(), "0011\rAT00");
    EXPECT_EQ(modem.Commands(), (std::vector<std::string>{"ATI", "AT+SEND", "AT"}));
    modem.SetAnswer("+SEND", kError);  // a canned answer overrides the module
    EXPECT_EQ(Exchange("AT+SEND", kError), "AT+SEND\r" + kError);
    EXPECT_EQ(module->powerOns, 0);
    modem.Reappear();
    EXPECT_EQ(module->powerOns, 1);
}

namespace {
// The text of a stored PDU as the program's decoder reads it, with its
// concatenation header's part number and count (0 when it has none).
struct Decoded {
    std::string from;
    std::u16string text;
    int part = 0, parts = 0;
};

Decoded Decode(const std::string& pdu)
{
    STRUCT_TPDU tpdu;
    EXPECT_EQ(sms::DecodePDU(pdu, tpdu), sms::PduResult::Decoded) << pdu;
    Decoded d{tpdu.address, tpdu.text};
    for (int i = 0; i < tpdu.udh.count; ++i)
        if (tpdu.udh.elem[i].iei == 0 && tpdu.udh.elem[i].data.size() == 6) {
            d.parts = std::stoi(tpdu.udh.elem[i].data.substr(2, 2), nullptr, 16);
            d.part = std::stoi(tpdu.udh.elem[i].data.substr(4, 2), nullptr, 16);
        }
    return d;
}
}  // namespace

TEST_F(ModemSimTest, ReceivedMessagesFromAFileAndNetworksFromTheCommandLine)
{
    // The demo's own file: every message decodes, the long one in parts.
    const std::string demo = std::string(QVX_SOURCE_DIR) + "/tools/demo/messages.txt";
    std::string error;
    ASSERT_EQ(modem.Sms().LoadMessages(demo, std::time(nullptr), &error), 5) << error;
    std::vector<Decoded> got;
    for (const auto& m : modem.Sms().Messages()) {
        EXPECT_EQ(m.status, 0);
        got.push_back(Decode(m.pdu));
    }
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0].from, "491715550100");
    EXPECT_EQ(got[0].text, u"Hi! Are we still on for lunch tomorrow at 12:30? The new place next to the station.");
    EXPECT_EQ(got[0].parts, 0);
    std::u16string joined;
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(got[i].parts, 2);
        EXPECT_EQ(got[i].part, i);
        joined += got[i].text;
    }
    EXPECT_EQ(got[1].text.size(), 153u);
    EXPECT_EQ(joined.substr(0, 27), u"Your parcel 4711 0815 will ");
    EXPECT_EQ(joined.size(), 269u);
    EXPECT_EQ(joined.substr(joined.size() - 9), u"new date.");
    EXPECT_EQ(got[3].text.substr(0, 7), u"Привет!");
    EXPECT_NE(got[4].text.find(u"49.50 €;"), std::u16string::npos);

    // Line breaks, a sender name, a PDU as it stands; a bad line refuses the file.
    modem.Sms().ClearMessages();
    const fs::path file = fs::temp_directory_path() / ("qvx_messages_" + std::to_string(::getpid()));
    std::ofstream(file) << "# comment\n\nBank Two lines\\nhere {ok}\r\n"
                           "pdu 07919471016700F0040B919471555001F00000621270214543800141\n";
    ASSERT_EQ(modem.Sms().LoadMessages(file.string(), std::time(nullptr), &error), 2) << error;
    const auto two = modem.Sms().Messages();
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(Decode(two[0].pdu).from, "Bank");
    EXPECT_EQ(Decode(two[0].pdu).text, u"Two lines\nhere {ok}");
    EXPECT_EQ(two[1].pdu, "07919471016700F0040B919471555001F00000621270214543800141");
    EXPECT_EQ(Decode(two[1].pdu).text, u"A");
    // And the host lists them as a modem does.
    const std::string listing = Exchange("AT+CMGL=4");
    EXPECT_NE(listing.find("+CMGL: 2,0,,20\r\n" + two[1].pdu + "\r\n"), std::string::npos) << listing;
    for (const char* bad : {"+4917155501\n", "pdu 0791XY\n", "+49171 \xC3(\n"}) {
        std::ofstream(file) << bad;
        EXPECT_EQ(modem.Sms().LoadMessages(file.string(), 0, &error), -1) << bad;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(modem.Sms().LoadMessages("/nonexistent/messages.txt", 0, &error), -1);
    fs::remove(file);

    // Networks as the command line names them.
    struct Case {
        const char* option;
        bool ok;
        std::string numeric, longName, shortName;
        int tech;
    } cases[] = {
        {"26201,3G,Telekom.de,TDG", true, "26201", "Telekom.de", "TDG", 2},
        {"26203,2G", true, "26203", "Network 26203", "Network 26203", 0},
        {"310410", true, "310410", "Network 310410", "Network 310410", 2},
        {"\"26202\",4G,\"Vodafone, DE\"", true, "26202", "Vodafone, DE", "Vodafone, DE", 7},
        {"2620", false, "", "", "", 0},
        {"26201x", false, "", "", "", 0},
        {"26201,5G", false, "", "", "", 0},
    };
    for (const Case& c : cases) {
        SimModule::Network n;
        ASSERT_EQ(SimModule::ParseNetwork(c.option, n), c.ok) << c.option;
        if (!c.ok)
            continue;
        EXPECT_EQ(n.numeric, c.numeric) << c.option;
        EXPECT_EQ(n.longName, c.longName) << c.option;
        EXPECT_EQ(n.shortName, c.shortName) << c.option;
        EXPECT_EQ(n.accessTechnology, c.tech) << c.option;
    }
}
