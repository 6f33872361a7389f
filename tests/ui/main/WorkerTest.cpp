#include "MainFrameFixture.h"
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>

#include "communicator/sms/SmsStoreFile.h"
#include "ui/common/TSkinButton.h"
#include "ui/dialogs/TMsgBoxEx.h"
#include "ui/dialogs/TPinQueryExForm.h"
#include "tools/modemsim/SimModule.h"
#include "tools/modemsim/SmsModule.h"
#include "ui/settings/TExFrameGPRS.h"
#include "ui/settings/TExFrameModem.h"
#include "ui/settings/TExFrameSMS.h"
#include "ui/settings/TExFrmSecurity.h"
#include "ui/settings/TFormExSettings.h"
#include "ui/sms/TFormExSMS.h"
#include "ui/sms/TSMSCreateEx.h"
#include "ui/sms/TSMSListEx.h"

using namespace maintest;

TEST_F(MainFrameTest, PresencePollNoticesUnplugAndReplug)
{
    // No status step in the way: only the presence poll watches the modem.
    m_statusMs = 60000;
    StartUp();
    m_sim.Vanish();
    ASSERT_TRUE(WaitFor([&] { return Logged("-=Modem status: Unplugged=-"); }, 5000));
    ASSERT_TRUE(WaitFor([&] { return Logged("-=Search Modem from thread=-"); }, 5000));
    ASSERT_TRUE(WaitFor([&] { return !m_frame->IsModemPlugged() && !m_frame->IsLocked(); }, 8000));
    EXPECT_FALSE(m_frame->ConnectEnabled());

    m_sim.ClearCommands();
    ASSERT_TRUE(m_sim.Reappear());
    ScriptRegisteredModem();
    ASSERT_TRUE(WaitFor([&] { return Logged("-=Modem status: Plugged=-"); }, 5000));
    // Searched again: the port opened with echo on, the SIM and network checked.
    ASSERT_TRUE(WaitFor([&] { return Sent("ATE1") >= 1 && Logged("-=Application Port Opened=-"); }, 10000));
    ASSERT_TRUE(WaitFor([&] { return m_frame->IsPinOk() && !m_frame->IsLocked(); }, 10000));
    EXPECT_TRUE(m_frame->IsModemPlugged());
    EXPECT_TRUE(m_frame->ModemComm()->IsPortOpen());
    EXPECT_TRUE(m_frame->IsPinOk());
    EXPECT_TRUE(m_frame->IsNetworkRegistered());
}

// "No modem was found" goes by itself when the modem is plugged back while it
// is up (nobody answers it), and the modem is taken up.
TEST_F(MainFrameTest, TheNoModemBoxGoesWhenTheModemComesBack)
{
    ASSERT_TRUE(StartProgramWindow(m_frame, m_statusMs));
    const QString noModem = QString::fromStdString(Text(119)).simplified();
    bool asked = false;
    int ticks = 0;  // a box still up after 30 s is closed: the test fails, not hangs
    ModalAnswerer plugBack([&](QWidget* modal) {
        auto* box = qobject_cast<TMsgBoxEx*>(modal);
        if (box != nullptr && box->m_pLMsgText->text().simplified() == noModem && !asked) {
            asked = m_sim.Reappear();
            ScriptRegisteredModem();
        } else if (box != nullptr && ++ticks > 600) {
            box->CloseWith(box->EscapeResult());
        }
    });
    m_sim.Vanish();
    EXPECT_TRUE(WaitFor([&] { return asked && m_frame->IsPinOk() && !QApplication::activeModalWidget(); }, 30000));
    EXPECT_LE(ticks, 600);
}

TEST_F(MainFrameTest, APinSimReplugedWhileAnActionHoldsTheWorkerAsksForItsPinAgain)
{
    StartUp();
    m_frame->SuspendWorker();
    ASSERT_TRUE(m_sim.Reappear());
    // Powered up again, the card wants its PIN, and there is no network without it.
    m_sim.SetAnswer("+CPIN?", "\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n");
    m_sim.SetAnswer("+COPS?", "\r\n+COPS: 0\r\n\r\nOK\r\n");
    m_frame->ResumeWorker();
    EXPECT_TRUE(WaitFor([&] { return !m_record->pinModes.empty() && !m_frame->ConnectEnabled(); }, 15000));
    EXPECT_EQ(m_record->pinModes, std::vector<int>(m_record->pinModes.size(), 2));
}

TEST_F(MainFrameTest, AStickBackOnAnotherPortIsTakenUpThere)
{
    StartUp();
    m_frame->SuspendWorker();
    m_sim.Vanish();
    m_sim.Register(m_devices.string(), kCom + 1, kModemName);
    ASSERT_TRUE(m_sim.Reappear());
    m_frame->ResumeWorker();
    EXPECT_TRUE(WaitFor([&] { return m_frame->ModemComm()->GetPortNumber() == kCom + 1 && m_frame->ConnectEnabled(); },
                        15000));
}

TEST_F(MainFrameTest, UserActionHoldsTheModemAgainstTheWorker)
{
    StartUp();
    m_frame->SuspendWorker();
    EXPECT_FALSE(m_frame->PollEvent().IsSet());
    EXPECT_EQ(m_frame->WorkerSuspendCount(), 1);
    // An action started from a pump inside the first (a click, a re-show)
    // has the modem already: it passes at once instead of waiting for ever.
    m_frame->SuspendWorker();
    EXPECT_TRUE(m_frame->HoldsWorker());
    EXPECT_EQ(m_frame->WorkerSuspendCount(), 2);
    // A command the worker sent before we took the modem may reach the
    // simulated modem late on a busy machine: start from a quiet line.
    size_t heard = m_sim.Commands().size();
    auto since = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitFor(
        [&] {
            const size_t now = m_sim.Commands().size();
            if (now != heard) {
                heard = now;
                since = std::chrono::steady_clock::now();
            }
            return std::chrono::steady_clock::now() - since > std::chrono::milliseconds(1000);
        },
        20000));
    m_sim.ClearCommands();
    // The inner action ends: the outer one still holds the modem.
    m_frame->ResumeWorker();
    EXPECT_FALSE(m_frame->PollEvent().IsSet());
    EXPECT_EQ(m_frame->WorkerSuspendCount(), 1);
    // Several worker passes long: the modem hears nothing but us.
    WaitFor([] { return false; }, 800);
    EXPECT_TRUE(m_sim.Commands().empty());
    m_frame->ModemComm()->SetEcho(true);
    EXPECT_EQ(m_sim.Commands(), std::vector<std::string>({"ATE1"}));

    m_frame->ResumeWorker();
    EXPECT_FALSE(m_frame->HoldsWorker());
    // Free again (the worker may have taken it for a step at once).
    EXPECT_TRUE(WaitFor([&] { return m_frame->PollEvent().IsSet(); }, 10000));
    EXPECT_EQ(m_frame->WorkerSuspendCount(), 0);
    EXPECT_TRUE(WaitFor([&] { return m_sim.Commands().size() > 1; }, 10000));
    // Resuming a worker that was not suspended still leaves the modem free.
    m_frame->ResumeWorker();
    EXPECT_TRUE(WaitFor([&] { return m_frame->PollEvent().IsSet(); }, 10000));
    EXPECT_EQ(m_frame->WorkerSuspendCount(), 0);
}

// A network chosen by hand and gone for a moment (a tunnel): the modem is not
// put back on automatic choice behind the user's back.
TEST_F(MainFrameTest, ANetworkChosenByHandIsKeptThroughAMomentWithoutIt)
{
    auto card = std::make_shared<modemsim::SimModule>();
    m_sim.ClearScript();
    m_sim.AddModule(card);
    StartUp();
    m_frame->SuspendWorker();
    ASSERT_TRUE(m_frame->ModemComm()->SelectOperatorManual("00102"));
    m_frame->ResumeWorker();
    card->SetCurrentNetwork("");
    ASSERT_TRUE(WaitFor([&] { return !m_frame->IsNetworkRegistered(); }, 10000));
    card->SetCurrentNetwork("00102");
    EXPECT_TRUE(WaitFor([&] { return m_frame->IsNetworkRegistered(); }, 10000));
    EXPECT_EQ(Sent("AT+COPS=0"), 0);
    EXPECT_EQ(card->SelectionMode(), 1);
}

// Without a network a modem may search for minutes over AT+COPS=0: a user
// action ends the search and has the modem, its own command gets its own
// answer, and the check left unfinished concludes nothing until it is asked
// again. A modem on automatic choice searches by itself and is not told again.
TEST_F(MainFrameTest, AUserActionTakesTheModemFromALongNetworkCheck)
{
    std::vector<SMS_TO_FILE_STRUCT> stored(1);
    stored[0].status = 1;
    ASSERT_TRUE(sms::SaveSmsFile((m_program / sms::kSmsFileName).string(), stored));
    TModemMainFrame*& f = ModemMainFrame;
    m_record->smsWindow = [&f] { return new TFormExSMS(f, f->Language(), f->ModemComm()); };
    StartUp();
    m_sim.SetAnswer("+COPS?", "\r\n+COPS: 2\r\n\r\nOK\r\n");
    m_sim.SetDelay("+COPS=0", 600000);
    m_sim.SetAbortable("+COPS=0", "\r\nABORTED\r\n");
    ASSERT_TRUE(WaitFor([&] { return Sent("AT+COPS=0") >= 1; }, 10000));
    // Should the action wait for the modem's answer, closing ends its wait so the test can report it.
    QTimer closer;
    closer.setSingleShot(true);
    QObject::connect(&closer, &QTimer::timeout, [&] { m_frame->OnExitClick(); });
    closer.start(5000);
    m_frame->SuspendWorker();
    EXPECT_EQ(m_frame->ModemComm()->GetSignalQuality(), 17);
    closer.stop();
    EXPECT_FALSE(m_frame->IsClosing());
    EXPECT_TRUE(m_frame->IsNetworkRegistered());
    m_sim.SetAnswer("+COPS?", "\r\n+COPS: 0\r\n\r\nOK\r\n");
    const int told = Sent("AT+COPS=0");
    m_frame->ResumeWorker();
    EXPECT_TRUE(WaitFor([&] { return !m_frame->IsNetworkRegistered(); }, 15000));
    EXPECT_EQ(Sent("AT+COPS=0"), told);
    // A modem that goes on searching is waited for, and the wait says so.
    m_sim.SetAnswer("+COPS?", "\r\n+COPS: 2\r\n\r\nOK\r\n");
    m_sim.SetAbortable("+COPS=0", "");
    m_sim.SetDelay("+COPS=0", 8000);
    ASSERT_TRUE(WaitFor([&] { return Sent("AT+COPS=0") > told; }, 15000));
    // A click that needs no modem (a delete) neither waits for it nor stops its search.
    TSMSListEx* list = static_cast<TFormExSMS*>(m_frame->DockedWindow(0))->ListPage(2);
    list->SelectRows(1, 1);
    list->DeleteButton()->click();
    EXPECT_TRUE(m_frame->ModemComm()->GetSmsStore().empty());
    EXPECT_TRUE(m_sim.Answering());
    AnsiString said;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] { said = m_frame->WaitPanelVisible() ? m_frame->WaitText() : said; });
    look.start(50);
    m_frame->SuspendWorker();
    EXPECT_EQ(said, m_frame->Language()->GetText(485));
    m_frame->ResumeWorker();
    // One whose search ends late in a word of its own is not waited out.
    const int before = Sent("AT+COPS=0");
    m_sim.SetAnswer("+COPS=0", "\r\nABORTED\r\n");
    m_sim.SetDelay("+COPS=0", 3000);
    ASSERT_TRUE(WaitFor([&] { return Sent("AT+COPS=0") > before; }, 15000));
    m_frame->SuspendWorker();
    EXPECT_EQ(m_frame->ModemComm()->GetSignalQuality(), 17);
    m_frame->ResumeWorker();
}

TEST_F(MainFrameTest, ForcedStatusStepAsksForTheSignal)
{
    StartUp();
    // The first pass ran the status step at once: SIM ready, so the network
    // and the signal were asked on the worker.
    EXPECT_TRUE(WaitFor([&] { return Logged("Pin is ok") && m_frame->SignalShown() == 17; }, 5000));
    EXPECT_EQ(m_frame->QualityLabel(), "54%");
}

TEST_F(MainFrameTest, ShutdownStopsTheWorkerFirstAndSavesState)
{
    StartUp();
    m_frame->move(130, 140);
    // A modem that stops answering mid-exchange must not hold up the end.
    m_sim.SetSilent(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    const auto start = std::chrono::steady_clock::now();
    m_frame.reset();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(1500));

    const std::string config = [&] {
        std::ifstream in(m_program / "Config.ini");
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }();
    EXPECT_NE(config.find("LeftPos=130"), std::string::npos);
    EXPECT_NE(config.find("TopPos=140"), std::string::npos);
    ASSERT_TRUE(std::filesystem::exists(m_program / "LOG" / "modem.log"));
    std::ifstream in(m_program / "LOG" / "modem.log");
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string log = ss.str();
    // The port closes only after the worker is gone: nothing is logged after it.
    const size_t closing = log.rfind("Closing port");
    ASSERT_NE(closing, std::string::npos);
    EXPECT_EQ(log.find("-=Modem status", closing), std::string::npos);
    EXPECT_EQ(log.find("Opening port", closing), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(m_program / "Messages.bin"));

    // A step of the teardown fails: the later ones still run.
    std::filesystem::remove_all(m_program / "LOG");
    std::filesystem::remove(m_program / "Messages.bin");
    m_record = std::make_shared<TestDialogs::Record>();
    m_record->releaseFails = true;
    m_sim.SetSilent(false);
    StartUp();
    m_frame->move(150, 160);
    m_frame.reset();
    EXPECT_TRUE(std::filesystem::exists(m_program / "Messages.bin"));
    EXPECT_EQ(ConfigValue("MAIN_FRAME", "LeftPos"), "150");
    ASSERT_TRUE(std::filesystem::exists(m_program / "LOG" / "modem.log"));
    std::ifstream again(m_program / "LOG" / "modem.log");
    std::stringstream text;
    text << again.rdbuf();
    EXPECT_NE(text.str().find("Closing: dialogs failed"), std::string::npos);
    EXPECT_EQ(std::filesystem::status(m_program / "LOG" / "modem.log").permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    // The last save fails: told while the window can still show a box.
    std::vector<SMS_TO_FILE_STRUCT> kept(1);
    kept[0].status = 1;
    sms::SetSmsNumber(kept[0], "+4917");
    ASSERT_TRUE(sms::SaveSmsFile((m_program / sms::kSmsFileName).string(), kept));
    TModemMainFrame*& f = ModemMainFrame;
    m_record->settingsWindow = [&f] { return new TFormExSettings(f, f->Language(), f->ModemComm()); };
    StartUp();
    ASSERT_EQ(m_frame->ModemComm()->LoadSmsFile(), 1);
    std::filesystem::create_directory(m_program / "Messages.bin.tmp");
    // So is typing not saved in Settings: asked about once, and saved on Yes.
    m_frame->OnSettingsClick();
    auto* settings = static_cast<TFormExSettings*>(m_frame->DockedWindow(1));
    static_cast<TExFrameGPRS*>(settings->PageAt(TFormExSettings::kConnectionPage))->m_pEModemAPN->insert("typed");
    AnswerBox(515, mrYes);
    m_frame->close();
    EXPECT_EQ(BoxCount(385), 1);
    EXPECT_EQ(BoxCount(515), 1);
    EXPECT_EQ(ConfigValue("PROFILE0", "Connection_APN"), "typed");
}

namespace {
// A docked window whose statistics handler runs a user action, as a click
// taken while the real handler pumps messages would.
class ActingWindow : public TFormEx, public TMessageWindow {
public:
    explicit ActingWindow(std::function<void()> onStatistic) : TFormEx(nullptr), m_on(std::move(onStatistic)) {}
    void Dispatch(TMessage& m) override
    {
        if (m.Msg == WM_UPDATE_STATISTIC && m_on)
            m_on();
    }

private:
    std::function<void()> m_on;
};
}  // namespace

TEST_F(MainFrameTest, UserActionInsideAWorkerHandlerDoesNotWaitForTheWorker)
{
    m_statusMs = 60000;
    bool acted = false;
    bool armed = false;
    int statistics = 0;
    std::chrono::steady_clock::duration took {};
    m_record->settingsWindow = [&] {
        return new ActingWindow([&] {
            ++statistics;
            if (!armed || acted)
                return;
            acted = true;
            const auto start = std::chrono::steady_clock::now();
            m_frame->SuspendWorker();
            // The action may talk to the modem: the worker is waiting for us.
            m_frame->ModemComm()->SetEcho(true);
            m_frame->ResumeWorker();
            took = std::chrono::steady_clock::now() - start;
        });
    };
    StartUp();
    // Should the action hang, closing ends its wait so the test can report it.
    QTimer::singleShot(4000, m_frame.get(), [&] { m_frame->OnExitClick(); });
    armed = true;
    ASSERT_TRUE(WaitFor([&] { return acted && took.count() > 0; }, 6000));
    EXPECT_LT(took, std::chrono::milliseconds(1000));
    EXPECT_FALSE(m_frame->IsClosing());
    // The worker got its modem back and goes on with its passes.
    const int seen = statistics;
    EXPECT_TRUE(WaitFor([&] { return statistics > seen; }, 3000));
    EXPECT_EQ(m_frame->WorkerSuspendCount(), 0);
    EXPECT_TRUE(WaitFor([&] { return m_frame->PollEvent().IsSet(); }, 10000));
}

// Settings, SMS centre page, Apply; while "Change the SMS centre number?" is
// up, the main window is minimised and restored (three times), then the user
// answers No. The re-shows must not re-run the page, and the worker must poll
// again afterwards.
TEST_F(MainFrameTest, MinimiseWhileTheSmsCentreQuestionIsUpLeavesTheWorkerPolling)
{
    Watchdog watchdog(90, "the SMS centre question with minimise and restore");
    ASSERT_TRUE(StartProgramWindow(m_frame, m_statusMs));
    TModemMainFrame* frame = m_frame.get();
    auto free = [frame] { return !frame->HoldsWorker() && !frame->IsLocked(); };

    ClickOn(MainWindowButton(frame, kSettingsButton));
    auto* settings = qobject_cast<TFormExSettings*>(frame->DockedWindow(1));
    ASSERT_NE(settings, nullptr);
    ASSERT_TRUE(WaitFor([&] { return settings->isVisible() && free(); }, 10000));
    ClickOn(settings->PageButton(TFormExSettings::kSmsPage));
    ASSERT_TRUE(WaitFor([&] { return settings->CurrentPage() == TFormExSettings::kSmsPage && free(); }, 10000));
    auto* page = static_cast<TExFrameSMS*>(settings->PageAt(TFormExSettings::kSmsPage));
    const int reads = Sent("AT+CSCA?");
    EXPECT_GE(reads, 1);

    const QString question = QString::fromStdString(Text(238));
    int restores = 0;
    int asked = 0;
    ModalAnswerer answerer([&](QWidget* modal) {
        auto* box = qobject_cast<TMsgBoxEx*>(modal);
        if (box == nullptr)
            return;
        if (!box->m_pLMsgText->text().contains(question)) {
            box->CloseWith(box->EnterResult());
            return;
        }
        if (restores < 3) {
            ++restores;
            MinimiseAndRestore(frame);
            return;
        }
        ++asked;
        ClickOn(box->m_pBNo);
    });
    // A number to apply (one without digits is refused before the question).
    page->m_pECenterNumber->setText("+491710760000");
    ClickOn(page->m_pBUpdate);
    ASSERT_TRUE(WaitFor([&] { return asked == 1 && free() && QApplication::activeModalWidget() == nullptr; }, 20000));
    EXPECT_EQ(restores, 3);
    // Nothing re-ran: the page did not read the number again.
    EXPECT_EQ(Sent("AT+CSCA?"), reads);
    EXPECT_TRUE(settings->WaitPanel()->isHidden());
    EXPECT_FALSE(frame->WaitPanelVisible());
    ExpectWorkerPollsAgain();
}

// A second click queued before the first is handled runs in the main window's
// lock, which handles pending events: it is dropped, and each action acts once.
TEST_F(MainFrameTest, AClickQueuedBehindAnotherIsDropped)
{
    std::vector<SMS_TO_FILE_STRUCT> store(3);
    for (int i = 0; i < 3; ++i) {
        store[i].status = 1;
        sms::SetSmsNumber(store[i], "+4917" + std::to_string(i));
    }
    ASSERT_TRUE(sms::SaveSmsFile((m_program / sms::kSmsFileName).string(), store));
    // The program's docked windows, on the real main window's lock.
    TModemMainFrame*& f = ModemMainFrame;
    m_record->settingsWindow = [&f] { return new TFormExSettings(f, f->Language(), f->ModemComm()); };
    m_record->smsWindow = [&f] { return new TFormExSMS(f, f->Language(), f->ModemComm()); };
    m_sim.SetAnswer("+COPS=1,2,\"24601\",2", "\r\nOK\r\n");
    AnswerBox(231, mrNo);
    AnswerBox(238, mrNo);
    StartUp();
    auto* settings = static_cast<TFormExSettings*>(m_frame->DockedWindow(1));
    auto* modem = static_cast<TExFrameModem*>(settings->PageAt(TFormExSettings::kModemPage));
    modem->ParseOperatorList("+COPS: (2,\"Valjean\",\"VJ\",\"24601\",2)");
    modem->FillOperatorCombo();
    auto* centre = static_cast<TExFrameSMS*>(settings->PageAt(TFormExSettings::kSmsPage));
    centre->m_pECenterNumber->setText("+4917");
    TSMSListEx* list = static_cast<TFormExSMS*>(m_frame->DockedWindow(0))->ListPage(2);
    list->SelectRows(1, 1);
    auto* security = static_cast<TExFrmSecurity*>(settings->PageAt(TFormExSettings::kSecurityPage));
    security->m_pRBEnable->setChecked(true);  // a change: with none, Apply asks nothing
    const std::pair<QAbstractButton*, std::function<int()>> rows[] = {
        {list->DeleteButton(), [&] { return 3 - static_cast<int>(m_frame->ModemComm()->GetSmsStore().size()); }},
        {security->m_pBUpdate, [&] { return BoxCount(231); }},
        {centre->m_pBUpdate, [&] { return BoxCount(238); }},
        {modem->m_pBSetOper, [&] { return Sent("AT+COPS=1,2,\"24601\",2"); }},
    };
    for (const auto& [button, acted] : rows) {
        QTimer::singleShot(0, button, [button] { button->click(); });
        button->click();
        EXPECT_EQ(acted(), 1) << button->text().toStdString();
        EXPECT_FALSE(m_frame->IsLocked());
    }
}

// A close while a message goes to three recipients asks first: after No the
// send goes on; after Yes no further message starts and the copy of what went
// is kept.
TEST_F(MainFrameTest, ClosingDuringASendToSeveralAsksFirst)
{
    TModemMainFrame*& f = ModemMainFrame;
    m_record->smsWindow = [&f] { return new TFormExSMS(f, f->Language(), f->ModemComm()); };
    StartUp();
    TSMSCreateEx* compose = static_cast<TFormExSMS*>(m_frame->DockedWindow(0))->ComposePage();
    for (const int answer : {mrNo, mrYes}) {
        AnswerBox(476, answer);
        const size_t before = m_sim.Sms().SentPdus().size();
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (m_sim.Sms().SentPdus().size() > before && closer.isActive()) {
                closer.stop();
                m_frame->close();
            }
        });
        closer.start(20);
        compose->NumberEdit()->setText("111;222;333");
        compose->TextMemo()->setPlainText("bye");
        compose->OnSendSMSPDU();
        EXPECT_EQ(m_sim.Sms().SentPdus().size(), before + (answer == mrNo ? 3 : 1));
    }
    EXPECT_EQ(BoxCount(476), 2);
    EXPECT_TRUE(WaitFor([&] { return !m_frame->isVisible(); }, 5000));
    EXPECT_EQ(m_frame->ModemComm()->GetSmsStore().size(), 4u);
}

// The modem pulled out during a network scan: one box at a time, each over a
// window the user sees; the settings panel stays or the box says why it went.
TEST_F(MainFrameTest, UnplugDuringANetworkScanLeavesOneBoxOverAVisibleWindow)
{
    m_sim.AddModule(std::make_shared<modemsim::SimModule>());
    m_sim.SetUnplugOn("+COPS=?", 300);
    ASSERT_TRUE(StartProgramWindow(m_frame, m_statusMs));
    ClickOn(MainWindowButton(m_frame.get(), kSettingsButton));
    auto* settings = qobject_cast<TFormExSettings*>(m_frame->DockedWindow(1));
    ASSERT_TRUE(settings != nullptr && WaitFor([&] { return settings->isVisible() && !m_frame->IsLocked(); }, 10000));
    QString last;
    int mostUp = 0, ticks = 0;
    bool ownerHidden = false;
    ModalAnswerer answerer([&](QWidget* modal) {
        const auto boxes = m_frame->findChildren<TMsgBoxEx*>();
        mostUp = std::max<int>(mostUp, std::count_if(boxes.begin(), boxes.end(), [](QWidget* b) { return b->isVisible(); }));
        ownerHidden |= !modal->parentWidget()->isVisible();
        // Up for a while, as a user reads it: time for the worker to see the unplug.
        if (auto* box = qobject_cast<TMsgBoxEx*>(modal); box != nullptr && ++ticks % 20 == 0) {
            last = box->m_pLMsgText->text().simplified();
            box->CloseWith(box->EscapeResult());
        }
    });
    static_cast<TExFrameModem*>(settings->PageAt(TFormExSettings::kModemPage))->m_pRB_Manual->click();
    ASSERT_TRUE(WaitFor([&] { return !last.isEmpty() && !m_frame->IsLocked() && !QApplication::activeModalWidget(); },
                        60000));
    EXPECT_EQ(mostUp, 1);
    EXPECT_FALSE(ownerHidden);
    EXPECT_TRUE(settings->isVisible() || last == QString::fromStdString(Text(119)).simplified());
}

// The Security page's "now blocked" box left open: the PUK question waits for it.
TEST_F(MainFrameTest, ThePukQuestionWaitsForAnOpenBox)
{
    auto card = std::make_shared<modemsim::SimModule>();
    m_sim.ClearScript();
    m_sim.AddModule(card);
    TModemMainFrame*& f = ModemMainFrame;
    m_record->settingsWindow = [&f] { return new TFormExSettings(f, f->Language(), f->ModemComm()); };
    int asked = -1;  // PUK questions while the box is up, three status periods long
    m_record->onBox = [&] {
        if (asked < 0 && card->GetPinState() == modemsim::SimModule::PinState::Puk && !WaitFor([] { return false; }, 1800))
            asked = static_cast<int>(m_record->pinModes.size());
    };
    StartUp();
    auto* security = static_cast<TExFrmSecurity*>(
        static_cast<TFormExSettings*>(m_frame->DockedWindow(1))->PageAt(TFormExSettings::kSecurityPage));
    ModalAnswerer answerer([](QWidget* modal) {
        static_cast<TPinQueryExForm*>(modal)->m_pEPin->setText("9999");  // the one real modal here
        static_cast<TPinQueryExForm*>(modal)->m_pBOk->click();
    });
    for (int i = 0; i < 3; ++i) {
        security->m_pRBEnable->setChecked(true);
        security->m_pBUpdate->click();
    }
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(WaitFor([&] { return !m_record->pinModes.empty(); }, 10000) && m_record->pinModes[0] == 3);
}

// A close from the window system (close()) ends what runs at once, as the exit
// image does: the worker's network check and a network scan, with no box after.
TEST_F(MainFrameTest, AWindowSystemCloseEndsTheWaitsAndShowsNoBoxAfter)
{
    m_sim.SetSilentFor("+COPS=?", true);
    ASSERT_TRUE(StartProgramWindow(m_frame, m_statusMs));
    ClickOn(MainWindowButton(m_frame.get(), kSettingsButton));
    auto* settings = qobject_cast<TFormExSettings*>(m_frame->DockedWindow(1));
    ASSERT_TRUE(settings != nullptr && WaitFor([&] { return settings->isVisible() && !m_frame->IsLocked(); }, 10000));
    int boxes = 0;
    ModalAnswerer answerer([&](QWidget* modal) {
        if (auto* box = qobject_cast<TMsgBoxEx*>(modal); box != nullptr && ++boxes)
            box->CloseWith(box->EscapeResult());
    });
    QTimer closer;
    bool seenClosing = false;  // the window and its wait panel while the scan ends
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (Sent("AT+COPS=?") > 0 && closer.isActive()) {
            closer.stop();
            m_frame->close();
            seenClosing = m_frame->isVisible() && m_frame->WaitPanelVisible();
        }
    });
    closer.start(20);
    static_cast<TExFrameModem*>(settings->PageAt(TFormExSettings::kModemPage))->m_pRB_Manual->click();
    ASSERT_TRUE(WaitFor([&] { return !m_frame->IsLocked() && !m_frame->isVisible(); }, 20000));
    EXPECT_TRUE(seenClosing) << "no hidden process: the window shows that it closes";
    EXPECT_EQ(boxes, 0);

    m_frame.reset();
    StartUp();
    // No network, and a modem slow to take the automatic choice.
    m_sim.SetAnswer("+COPS?", "\r\n+COPS: 2\r\n\r\nOK\r\n");
    m_sim.SetDelay("+COPS=0", 8000);
    ASSERT_TRUE(WaitFor([&] { return Sent("AT+COPS=0") >= 1; }, 10000));
    m_frame->SetWorkerTiming(200, 600000);  // no status step after this one
    const int queries = Sent("AT+COPS?");
    m_frame->close();
    EXPECT_FALSE(m_frame->isVisible());
    EXPECT_TRUE(m_frame->IsClosing());
    EXPECT_TRUE(m_frame->WaitPanelVisible());
    // The check ended with the close: the network was not asked again.
    EXPECT_EQ(Sent("AT+COPS?"), queries);
}
