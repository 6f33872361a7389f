// Reading the SIM's messages into the store and sending, against the
// simulated modem.
#include "communicator/sms/SmsDate.h"
#include "platform/Ticks.h"
#include "tools/modemsim/AtText.h"
#include "tools/modemsim/Session.h"
#include "SmsFixture.h"

#include <map>
#include <mutex>
#include <thread>

namespace {

using modemsim::SmsModule;

// Looks at Messages.bin at the moment the modem is asked to delete a message.
class DeleteSpy : public modemsim::Module {
public:
    explicit DeleteSpy(std::string path) : m_path(std::move(path)) {}
    bool Handle(const std::string& line, modemsim::Session&) override
    {
        if (modemsim::MatchCommand(line, "+CMGD")) {
            std::vector<SMS_TO_FILE_STRUCT> store;
            const int n = sms::LoadSmsFile(m_path, store);
            std::lock_guard<std::mutex> lock(m_mutex);
            m_onDisk.push_back(n);
        }
        return false;  // the SIM module answers
    }
    std::vector<int> OnDisk() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_onDisk;
    }

private:
    std::string m_path;
    mutable std::mutex m_mutex;
    std::vector<int> m_onDisk;
};

class SmsCommands : public SmsFixture {
protected:
    void SetUp() override
    {
        SmsFixture::SetUp();
        m_comm->LoadSmsFile();
    }
    void StoreThree()
    {
        ASSERT_EQ(Sim().Store(kDeliverHello, 1), 1);
        ASSERT_EQ(Sim().Store(kStoredSubmit, 2), 2);
        ASSERT_EQ(Sim().Store(kDeliverUcs2, 0), 3);
    }
    std::vector<int> SimIndexes()
    {
        std::vector<int> out;
        for (const auto& m : m_sim.Sms().Messages())
            out.push_back(m.index);
        return out;
    }
};

TEST_F(SmsCommands, ReadAllTakesEveryMessageSavesThenDeletes)
{
    StoreThree();
    ASSERT_EQ(Sim().Store(kStoredSubmit, 3), 4);
    auto spy = std::make_shared<DeleteSpy>((m_program / sms::kSmsFileName).string());
    m_sim.AddModule(spy);

    EXPECT_TRUE(m_comm->ReadAllSms());
    EXPECT_TRUE(Sim().Messages().empty());
    // Every deletion came after all four were on the disk.
    EXPECT_EQ(spy->OnDisk(), (std::vector<int> {4, 4, 4, 4}));
    EXPECT_EQ(CommandsLike("AT+CMGD"), (std::vector<std::string> {"AT+CMGD=1", "AT+CMGD=2", "AT+CMGD=3", "AT+CMGD=4"}));
    EXPECT_EQ(CommandsLike("AT+CPMS"), (std::vector<std::string> {"AT+CPMS=\"SM\",\"SM\",\"SM\""}));
    EXPECT_EQ(CommandsLike("AT+CMGL"), (std::vector<std::string> {"AT+CMGL=4"}));
    EXPECT_TRUE(Logged("Sms read ok"));
    EXPECT_TRUE(Logged("Set SMS Storage OK"));
    EXPECT_TRUE(Logged("Sender Num Type: 5"));

    // Newest first; stored messages without a time stamp last, in list order.
    const auto& store = m_comm->GetSmsStore();
    ASSERT_EQ(store.size(), 4u);
    EXPECT_EQ(sms::GetSmsText(store[0]), u"тест");
    EXPECT_EQ(sms::GetSmsNumber(store[0]), "InternetSMS");
    EXPECT_EQ(store[0].status, 0);
    EXPECT_EQ(store[0].date, sms::MakeDateTime(2011, 3, 29, 19, 20, 4));
    EXPECT_EQ(sms::GetSmsNumber(store[1]), "+18005551212");
    EXPECT_EQ(store[1].status, 1);
    EXPECT_EQ(store[2].status, 2);
    EXPECT_EQ(store[2].date, 0.0);
    EXPECT_EQ(sms::GetSmsText(store[2]), u"hellohello");
    EXPECT_EQ(store[3].status, 3);
    EXPECT_TRUE(m_comm->HasUnread());

    // A program killed now and started again has them all.
    auto restarted = NewComm();
    EXPECT_EQ(restarted->LoadSmsFile(), 4);

    // Nothing more on the SIM: nothing added.
    EXPECT_FALSE(m_comm->ReadAllSms());
    EXPECT_EQ(m_comm->GetSmsStore().size(), 4u);
}

TEST_F(SmsCommands, CorruptedMessageStaysOnTheSim)
{
    StoreThree();
    Sim().CorruptPdu(2);
    EXPECT_TRUE(m_comm->ReadAllSms());
    EXPECT_EQ(SimIndexes(), std::vector<int> {2});
    EXPECT_EQ(m_comm->GetSmsStore().size(), 2u);
    EXPECT_EQ(StoreOnDisk().size(), 2u);
    EXPECT_TRUE(Logged("SMS 2 could not be decoded: left on the SIM"));

    // Once the SIM gives it whole, it is taken over.
    Sim().CorruptPdu(2, false);
    EXPECT_TRUE(m_comm->ReadAllSms());
    EXPECT_TRUE(Sim().Messages().empty());
    EXPECT_EQ(StoreOnDisk().size(), 3u);
}

TEST_F(SmsCommands, MessagesWithoutTextStillLeaveTheSim)
{
    // A delivery report, compressed text, a reserved coding group and 8-bit
    // data: none has a text to show, yet each leaves the SIM like any other.
    const std::string head = "07912143658709F1040B918100551512F200";
    ASSERT_EQ(Sim().Store("07914356060013F1065A098136397339F7219011700463802190117004638030", 0), 1);
    ASSERT_EQ(Sim().Store(head + "20" "11101021436500" "02" "ABCD", 0), 2);
    ASSERT_EQ(Sim().Store(head + "84" "11101021436500" "0A" "E8329BFD4697D9EC37", 0), 3);
    ASSERT_EQ(Sim().Store(head + "04" "11101021436500" "03" "48A4E9", 0), 4);
    // A PDU shorter than its lengths stays where it is.
    ASSERT_EQ(Sim().Store(kDeliverHello, 0), 5);
    Sim().CorruptPdu(5);

    EXPECT_TRUE(m_comm->ReadAllSms());
    EXPECT_EQ(SimIndexes(), std::vector<int> {5});
    EXPECT_EQ(CommandsLike("AT+CMGD"), (std::vector<std::string> {"AT+CMGD=1", "AT+CMGD=2", "AT+CMGD=3", "AT+CMGD=4"}));
    const auto disk = StoreOnDisk();
    ASSERT_EQ(disk.size(), 4u);
    for (const auto& rec : disk)
        EXPECT_EQ(sms::GetSmsText(rec), u"") << sms::GetSmsNumber(rec);
    // The report is dated by its service centre and names the recipient.
    const auto& store = m_comm->GetSmsStore();
    EXPECT_EQ(store[0].date, sms::MakeDateTime(2012, 9, 11, 7, 40, 36));
    EXPECT_EQ(sms::GetSmsNumber(store[0]), "639337937");
    EXPECT_EQ(sms::GetSmsNumber(store[1]), "+18005551212");
    EXPECT_EQ(store[1].date, sms::MakeDateTime(2011, 1, 1, 12, 34, 56));

    // Nothing is listed again but the malformed one.
    m_sim.ClearCommands();
    EXPECT_FALSE(m_comm->ReadAllSms());
    EXPECT_TRUE(CommandsLike("AT+CMGD").empty());
}

TEST_F(SmsCommands, ListingEndedByAnErrorKeepsTheCutEntryOnTheSim)
{
    StoreThree();
    Sim().CutListingAfter(2, SmsModule::Cut::Error);
    EXPECT_TRUE(m_comm->ReadAllSms());
    EXPECT_TRUE(Logged("Error read sms"));
    EXPECT_EQ(SimIndexes(), std::vector<int> {3});
    EXPECT_EQ(StoreOnDisk().size(), 2u);
}

TEST_F(SmsCommands, ListingCutShortBySilenceTakesNothing)
{
    StoreThree();
    Sim().CutListingAfter(1, SmsModule::Cut::Silence);
    EXPECT_FALSE(m_comm->ReadAllSms());
    EXPECT_EQ(SimIndexes(), (std::vector<int> {1, 2, 3}));
    EXPECT_TRUE(m_comm->GetSmsStore().empty());
    EXPECT_TRUE(CommandsLike("AT+CMGD").empty());
}

TEST_F(SmsCommands, NothingLeavesTheSimWhenTheStoreCannotBeSaved)
{
    StoreThree();
    std::filesystem::create_directory(m_program / "Messages.bin.tmp");
    EXPECT_FALSE(m_comm->ReadAllSms());
    EXPECT_EQ(SimIndexes(), (std::vector<int> {1, 2, 3}));
    EXPECT_TRUE(m_comm->GetSmsStore().empty());
    EXPECT_TRUE(CommandsLike("AT+CMGD").empty());
}

TEST_F(SmsCommands, AFailedSimDeletionKeepsTheMessage)
{
    StoreThree();
    m_sim.SetAnswer("+CMGD=1", "\r\n+CMS ERROR: 321\r\n");
    EXPECT_TRUE(m_comm->ReadAllSms());
    EXPECT_EQ(SimIndexes(), std::vector<int> {1});
    EXPECT_EQ(StoreOnDisk().size(), 3u);
    // The store lost meanwhile: the SIM holds the only copy, which is taken again.
    m_sim.ClearScript();
    std::filesystem::remove(m_program / sms::kSmsFileName);
    m_comm->LoadSmsFile();
    EXPECT_TRUE(m_comm->ReadAllSms());
    EXPECT_EQ(StoreOnDisk().size(), 1u);
}

TEST_F(SmsCommands, ARefusedListingForgetsNoMessageAwaitingDeletion)
{
    ASSERT_EQ(Sim().Store(kStoredSubmit, 3), 1);
    m_sim.SetAnswer("+CMGD=1", "\r\nERROR\r\n");
    EXPECT_TRUE(m_comm->ReadAllSms());
    // The SIM not ready yet: a bare ERROR, whole or after an entry.
    for (const std::string& listing : {std::string(), "\r\n+CMGL: 2,1,,28\r\n" + std::string(kDeliverHello) + "\r\n"}) {
        m_sim.SetAnswer("+CMGL=4", listing + "\r\nERROR\r\n");
        m_comm->ReadAllSms();
    }
    m_sim.ClearScript();
    EXPECT_FALSE(m_comm->ReadAllSms());
    EXPECT_TRUE(Sim().Messages().empty());
    EXPECT_EQ(StoreOnDisk().size(), 2u) << "the sent message is stored once";
}

TEST_F(SmsCommands, ALostDeletionAnswerTakesNoMessageTwice)
{
    ASSERT_EQ(Sim().Store(kStoredSubmit, 3), 1);
    ASSERT_EQ(Sim().Store(kDeliverUcs2, 0), 2);
    ASSERT_EQ(Sim().Store(kDeliverHelloLater, 0), 3);
    Sim().LoseDeleteAnswer(1);
    // The clock runs on while the first deletion waits, so its time-out comes
    // at once; it closes the port, and the later deletions are skipped.
    std::atomic<bool> done {false};
    std::thread clock([&] {
        uint32_t offset = 0;
        while (!done) {
            if (!CommandsLike("AT+CMGD=1").empty())
                SetTickOffsetForTesting(offset += 5000);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    EXPECT_TRUE(m_comm->ReadAllSms());
    done = true;
    clock.join();
    SetTickOffsetForTesting(0);
    EXPECT_FALSE(m_comm->IsPortOpen());
    EXPECT_EQ(SimIndexes(), (std::vector<int> {2, 3}));

    // The next listing takes them again: the store keeps each once, and the
    // SIM is emptied. The same sent message stored again after the lost
    // answer's deletion is a new one.
    ASSERT_EQ(Sim().Store(kStoredSubmit, 3), 1);
    ASSERT_TRUE(m_comm->OpenPort(0));
    EXPECT_TRUE(m_comm->ReadAllSms());
    EXPECT_TRUE(Sim().Messages().empty());
    EXPECT_EQ(StoreOnDisk().size(), 4u);
}

TEST_F(SmsCommands, AStoreThatHoldsAMessageTakesNoTwinOfIt)
{
    // Two parts of one long message: one sender, one time stamp.
    const std::string part = "0044" "0B918100551512F2" "0008" "11101021436500" "0A" "050003AA02";
    ASSERT_EQ(Sim().Store(kDeliverHello, 0), 1);
    ASSERT_EQ(Sim().Store(kDeliverUcs2, 0), 2);
    ASSERT_EQ(Sim().Store(part + "01" "00410042", 0), 3);
    ASSERT_EQ(Sim().Store(kStoredSubmit, 2), 4);
    // Killed between the save and the deletions: the store holds what is
    // still on the SIM.
    for (const char* index : {"+CMGD=1", "+CMGD=2", "+CMGD=3", "+CMGD=4"})
        m_sim.SetAnswer(index, "\r\n+CMS ERROR: 500\r\n");
    EXPECT_TRUE(m_comm->ReadAllSms());
    ASSERT_EQ(StoreOnDisk().size(), 4u);
    ASSERT_EQ(Sim().Messages().size(), 4u);
    m_sim.ClearScript();

    // The next start. Meanwhile the second part and the same text at another
    // time arrived; the SIM now lists the first message as read.
    ASSERT_EQ(Sim().Store(part + "02" "00430044", 0), 5);
    ASSERT_EQ(Sim().Store(kDeliverHelloLater, 0), 6);
    MakeComm();
    ASSERT_TRUE(m_comm->OpenPort(0));
    ASSERT_EQ(m_comm->LoadSmsFile(), 4);
    EXPECT_TRUE(m_comm->ReadAllSms());
    EXPECT_TRUE(Sim().Messages().empty()) << "twins leave the SIM too";
    std::map<std::u16string, int> texts;
    for (const auto& rec : StoreOnDisk())
        ++texts[sms::GetSmsText(rec)];
    // Twins are not added again, nor the stored message without a time
    // stamp (also "hellohello"); the other part and the other time are.
    EXPECT_EQ(texts, (std::map<std::u16string, int> {
                         {u"hellohello", 3}, {u"тест", 1}, {u"AB", 1}, {u"CD", 1}}));
    EXPECT_EQ(StoreOnDisk().size(), 6u);
}

TEST_F(SmsCommands, NoMessagesNoChange)
{
    EXPECT_FALSE(m_comm->ReadAllSms());
    EXPECT_TRUE(m_comm->GetSmsStore().empty());
    std::vector<SMS_TO_FILE_STRUCT> scratch;
    EXPECT_EQ(m_comm->ParseSmsList("AT+CMGL=4\r\r\n\r\nOK\r\n", scratch), 0);
    // Messages taken into any other vector than the store never leave the SIM.
    ASSERT_EQ(Sim().Store(kDeliverHello, 1), 1);
    EXPECT_EQ(m_comm->ParseSmsList(AnsiString("+CMGL: 1,1,,30\r\n") + kDeliverHello + "\r\n", scratch), 1);
    EXPECT_TRUE(CommandsLike("AT+CMGD").empty());
    EXPECT_EQ(SimIndexes(), std::vector<int> {1});
}

TEST_F(SmsCommands, StorageAndListingFailures)
{
    m_sim.SetAnswer("+CPMS=\"SM\",\"SM\",\"SM\"", "\r\n+CMS ERROR: 302\r\n");
    EXPECT_EQ(m_comm->SetSmsStorage(), -1);
    EXPECT_TRUE(Logged("Error Set SMS Storage"));
    EXPECT_EQ(m_memo.Lines().back(), "SetSmsStorage(): end");
    m_sim.SetAnswer("+CMGF=0", "\r\nERROR\r\n");
    std::vector<SMS_TO_FILE_STRUCT> scratch;
    EXPECT_EQ(m_comm->ListSms(4, scratch), -2);
    m_sim.ClearScript();
    m_comm->ClosePort();
    EXPECT_EQ(m_comm->ListSms(4, scratch), -2);
    EXPECT_EQ(m_comm->SetSmsStorage(), -1);
    EXPECT_FALSE(m_comm->DeleteSmsOnSim("1"));
    EXPECT_FALSE(m_comm->SendSms("123", u"x", false));
}

TEST_F(SmsCommands, SendWithPrompt)
{
    const uint32_t start = GetTickCount();
    EXPECT_TRUE(m_comm->SendSms("+16175927198", u"hello", false));
    EXPECT_EQ(CommandsLike("AT+CMGS"), std::vector<std::string> {"AT+CMGS=19"});
    EXPECT_EQ(Sim().SentPdus(), std::vector<std::string> {"0011000B916171957291F80000FF05E8329BFD06"});
    // The prompt came in the first pass: the PDU followed about a second later.
    EXPECT_LT(TickElapsed(GetTickCount(), start), 4000u);

    EXPECT_TRUE(m_comm->SendSms("16175927198", u"\u0416", true));
    EXPECT_EQ(Sim().SentPdus().back(), "0011000B816171957291F80008FF020416");
}

TEST_F(SmsCommands, SendWithoutPromptGivesUp)
{
    Sim().DropPrompt(true);
    EXPECT_FALSE(m_comm->SendSms("+16175927198", u"hello", false));
    EXPECT_TRUE(Sim().SentPdus().empty());
    EXPECT_TRUE(Logged("No SMS prompt: the PDU is not sent"));
    // The modem is not left waiting for message text.
    Sim().DropPrompt(false);
    EXPECT_TRUE(m_comm->SetPduMode());
    EXPECT_TRUE(m_comm->SendSms("+16175927198", u"hello", false));
    EXPECT_EQ(Sim().SentPdus().size(), 1u);

    // Unplugged while we wait for the prompt: the send gives up at once
    // rather than sitting out its four one-second passes.
    m_sim.SetUnplugOn("+CMGS=19");
    const uint32_t start = GetTickCount();
    EXPECT_FALSE(m_comm->SendSms("+16175927198", u"hello", false));
    EXPECT_LT(TickElapsed(GetTickCount(), start), 3000u);
    EXPECT_FALSE(m_comm->IsPortOpen());
    EXPECT_EQ(Sim().SentPdus().size(), 1u);
}

TEST_F(SmsCommands, SendRefusedByTheNetwork)
{
    Sim().SetSendError(330);
    EXPECT_FALSE(m_comm->SendSms("+16175927198", u"hello", false));
    EXPECT_EQ(Sim().SentPdus().size(), 1u);
    m_sim.SetAnswer("+CMGS=19", "\r\n+CMS ERROR: 500\r\n");
    EXPECT_FALSE(m_comm->SendSms("+16175927198", u"hello", false));
    EXPECT_EQ(Sim().SentPdus().size(), 1u);
}

TEST_F(SmsCommands, SendConfirmedLateIsSentAndACloseKeepsItsCopy)
{
    // The network confirms 25 s after the PDU; the clock runs ten times fast
    // while a confirmation is awaited.
    Sim().SetSendDelay(2500);
    std::atomic<size_t> answered {0};
    std::atomic<bool> done {false};
    std::thread clock([&] {
        uint32_t offset = 0;
        for (uint32_t last = GetTickCount(); !done; std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
            const uint32_t now = GetTickCount() - offset;
            const size_t sent = Sim().SentPdus().size();
            if (sent > answered)
                SetTickOffsetForTesting(offset += 9 * (now - last));
            last = now;
            if (sent == 2)
                m_closing = true;
        }
    });
    EXPECT_TRUE(m_comm->SendSms("+16175927198", u"hello", false));
    answered = 1;
    // Closing while the second one waits: it is with the modem, its copy is kept.
    Sim().SetSendDelay(600000);
    EXPECT_TRUE(m_comm->SendSms("+16175927198", u"hello", false));
    done = true;
    clock.join();
    SetTickOffsetForTesting(0);
    EXPECT_TRUE(Logged("Closing: the SMS is with the modem, its copy is kept"));
}

TEST_F(SmsCommands, SendRefusesWhatDoesNotFitOrIsNoNumber)
{
    const struct {
        AnsiString number;
        WideString text;
        bool ucs2;
    } cases[] = {
        {"123", WideString(161, u'a'), false},
        {"123", WideString(80, u'[') + u"a", false},  // extension characters count two
        {"123", WideString(71, u'a'), true},
        {"", u"x", false},
        {"+", u"x", false},
        {"12\"3", u"x", false},
        {"123\r\nAT+CMGD=1", u"x", false},
        {"12a", u"x", false},
        {"1+23", u"x", false},
        {"12;3", u"x", false},
        {" - ", u"x", false},
        {"+49 171 555-0100 ext. 3", u"x", false},
        {AnsiString(21, '1'), u"x", false},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(m_comm->SendSms(c.number, c.text, c.ucs2)) << c.number;
    EXPECT_TRUE(CommandsLike("AT+CMGS").empty());
    EXPECT_TRUE(m_comm->SendSms("123", WideString(80, u'['), false));
    EXPECT_TRUE(m_comm->SendSms("123", WideString(70, u'\u0416'), true));

    // Numbers as people type them: the blanks, dashes, dots and brackets go,
    // '*' and '#' stay; the address field of each PDU shows what was sent.
    const struct {
        AnsiString typed;
        AnsiString address;  // length, type, swapped digits
    } typed[] = {
        {"+49 171 555-0100", "0C91947151551000"},
        {"++49 171 555-0100", "0C91947151551000"},  // a doubled plus
        {"+0171 1234567", "0B811017214365F7"},  // a national number behind a plus
        {"+49\u00A0171\u2009555\u202F0100", "0C91947151551000"},  // pasted, with Unicode blanks
        {"\u2068+49 171 555-0100\u2069", "0C91947151551000"},  // pasted, in direction isolates
        {"(0171) 555.01.00", "0B811017550501F0"},
        {"+44 (0)20 7946 0000", "0C91440297640000"},  // the trunk prefix goes
        {"+44 ( 0 ) 20 7946 0000", "0C91440297640000"},
        {"0044 (0)20 7946 0000", "0E8100440297640000"},
        {"0049 (0) 171 1234567", "0E8100947111325476"},
        {"(0)30 1234567", "0A813010325476"},  // no country code: it stays
        {"*100#", "05811A00FB"},
    };
    for (const auto& c : typed) {
        ASSERT_TRUE(m_comm->SendSms(c.typed, u"x", false)) << c.typed;
        EXPECT_EQ(Sim().SentPdus().back().substr(6, c.address.size()), c.address) << c.typed;
    }
}

TEST_F(SmsCommands, SimIndexMustBeDigits)
{
    EXPECT_FALSE(m_comm->DeleteSmsOnSim("1;+CMGD=2"));
    EXPECT_FALSE(m_comm->DeleteSmsOnSim(""));
    EXPECT_TRUE(CommandsLike("AT+CMGD").empty());
    ASSERT_EQ(Sim().Store(kDeliverHello, 1), 1);
    EXPECT_TRUE(m_comm->DeleteSmsOnSim("1"));
    EXPECT_FALSE(m_comm->DeleteSmsOnSim("1"));
}

}  // namespace
