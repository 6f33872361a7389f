#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QRadioButton>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>

#include "MainFrameFixture.h"
#include "platform/EndSignals.h"
#include "tools/modemsim/DialModule.h"
#include "ui/common/TSkinButton.h"
#include "ui/settings/TExFrameGPRS.h"
#include "ui/settings/TExFrameModem.h"
#include "ui/dialogs/TFormExConnectTrouble.h"
#include "ui/dialogs/TFormExHelper.h"
#include "ui/dialogs/TMsgBoxEx.h"
#include "ui/settings/TFormExSettings.h"

using namespace maintest;

namespace {

// A dial-up link through the pppd stand-in; the network answers the dial late.
class ConnectTest : public MainFrameTest {
protected:
    void SetUp() override
    {
        MainFrameTest::SetUp();
        if (::access("/usr/sbin/chat", X_OK) != 0)
            GTEST_SKIP() << "chat (Debian's ppp package) is not installed";
        ::setenv("QVX_PHONEBOOK_DIR", (m_root / "phonebook").c_str(), 1);
        ::setenv("QVX_PPPD", QVX_SOURCE_DIR "/tools/pppd-standin", 1);
        ::setenv("QVX_SYSFS_NET", (m_root / "net").c_str(), 1);
        for (const char* v : {"QVX_STANDIN_EXIT", "QVX_STANDIN_USER", "QVX_STANDIN_PASSWORD", "QVX_STANDIN_NOREMOTE",
                              "QVX_STANDIN_IF", "QVX_STANDIN_DELAY", "QVX_STANDIN_ARGS", "QVX_STANDIN_DROP",
                              "QVX_STANDIN_LINGER"})
            ::unsetenv(v);
        m_dial = std::make_shared<modemsim::DialModule>();
        m_dial->SetDelay(1200);
        m_sim.AddModule(m_dial);
    }

    void TearDown() override
    {
        if (m_frame != nullptr && m_frame->ModemComm() != nullptr)
            m_frame->ModemComm()->Disconnect();
        MainFrameTest::TearDown();
    }

    // A profile that dials *99# and a network that answers at once.
    void StartConnectable(const std::string& extraConfig = "")
    {
        WriteConfig("[SETTINGS]\r\ndebug=42\r\n" + extraConfig + "[PROFILE0]\r\nConnection_Phone=*99#\r\n");
        m_dial->SetDelay(0);
        StartUp();
    }

    size_t Dials() const { return m_dial->Dialled().size(); }

    // Dial attempts, failed or not.
    int Attempts() const { return LogCount("-=Connection Error: "); }

    // With `fail` every dial fails before it starts: the phone book's folder
    // cannot be made (a file stands in its way).
    void DialsFail(bool fail)
    {
        const auto blocker = m_root / "blocker";
        std::ofstream(blocker).put('x');
        ::setenv("QVX_PHONEBOOK_DIR", (fail ? blocker / "phonebook" : m_root / "phonebook").c_str(), 1);
    }

    size_t Troubles() const
    {
        std::lock_guard<std::mutex> lock(m_record->mutex);
        return m_record->troubles.size();
    }

    // Waits until the link is dialled again or the worker has run two status
    // steps that found the network (each ends in the handler that redials).
    bool RedialOrTwoStatusSteps(size_t dials)
    {
        const char* stepDone = "///////////////ELSE/////////////////";
        const int seen = LogCount(stepDone);
        return WaitFor([&] { return Dials() > dials || LogCount(stepDone) >= seen + 2; }, 10000);
    }

    // After a connect-button action the window is free again and the worker polls.
    void ExpectIdle() const
    {
        EXPECT_FALSE(m_frame->IsLocked());
        EXPECT_FALSE(m_frame->WaitPanelVisible());
        EXPECT_EQ(m_frame->WorkerSuspendCount(), 0);
        EXPECT_EQ(m_frame->ModemComm()->IsPortOpen(), !m_frame->IsConnected());
    }

    std::shared_ptr<modemsim::DialModule> m_dial;
};

TEST_F(ConnectTest, ConnectOnStartKeepsTheWindowBusyUntilTheDialEnds)
{
    WriteConfig("[SETTINGS]\r\ndebug=42\r\n[PROFILE0]\r\nConnect_on_startup=1\r\nConnection_Phone=*99#\r\n");
    // Watches the window while the start-up search and the dial run (both pump).
    bool dialling = false;
    bool freedDuringDial = false;
    // Taken from the end of the search until the worker's first pass is over, as by a long worker step.
    int held = 0;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (m_frame == nullptr)
            return;
        if (held == 0 && m_frame->WorkerSuspendCount() == 1 && Logged("-=Application Port Opened=-"))
            held = m_frame->PollEvent().WaitAndReset(0) ? 1 : 0;
        if (held == 1 && LogCount("[TESTPOINT]") >= 2) {
            held = 2;
            m_frame->PollEvent().Set();
        }
        if (!dialling && Logged("-=Start Connecting to Internet=-"))
            dialling = true;
        if (dialling && !m_frame->IsConnected() && (!m_frame->IsLocked() || !m_frame->WaitPanelVisible()))
            freedDuringDial = true;
    });
    watch.start();
    MakeFrame();
    m_frame->show();
    ASSERT_TRUE(WaitFor([&] { return m_frame->IsConnected() && !m_frame->IsLocked(); }, 20000));
    watch.stop();
    EXPECT_TRUE(dialling);
    EXPECT_EQ(held, 2);
    EXPECT_FALSE(freedDuringDial);
    EXPECT_EQ(m_dial->Dialled(), std::vector<std::string>({"*99#"}));
    EXPECT_FALSE(m_frame->WaitPanelVisible());
    EXPECT_EQ(m_frame->WorkerSuspendCount(), 0);
}

// The network comes only after the start-up search gave up: the start-up
// connect is made then, unless the user connected and hung up meanwhile, or
// unticked "Connect on start-up" (ticked again, it is for the next start).
TEST_F(ConnectTest, ConnectOnStartDialsWhenTheNetworkComesLate)
{
    m_dial->SetDelay(0);
    TModemMainFrame*& f = ModemMainFrame;
    m_record->settingsWindow = [&f] { return new TFormExSettings(f, f->Language(), f->ModemComm()); };
    enum { kConnectAndHangUp, kUntickAndTick, kNothing };
    for (const int meanwhile : {kConnectAndHangUp, kUntickAndTick, kNothing}) {
        m_frame.reset();
        WriteConfig("[SETTINGS]\r\ndebug=42\r\n[PROFILE0]\r\nConnect_on_startup=1\r\nConnection_Phone=*99#\r\n");
        m_sim.SetAnswer("+COPS?", "\r\n+COPS: 0\r\n\r\nOK\r\n");
        StartUp();
        for (int click = 0; meanwhile == kConnectAndHangUp && click < 2; ++click)
            m_frame->OnConnectClick();
        auto* settings = static_cast<TFormExSettings*>(m_frame->DockedWindow(1));
        QCheckBox* onStart =
            static_cast<TExFrameModem*>(settings->PageAt(TFormExSettings::kModemPage))->m_pLBLxConnOnStart;
        for (int click = 0; meanwhile == kUntickAndTick && click < 2; ++click)
            onStart->click();
        ScriptRegisteredModem();
        ASSERT_TRUE(RedialOrTwoStatusSteps(Dials()));
        const bool dialled = meanwhile == kNothing;
        EXPECT_EQ(Dials(), dialled ? 2u : 1u);
        EXPECT_TRUE(WaitFor([&] { return m_frame->IsConnected() == dialled && !m_frame->IsLocked(); }, 10000));
    }
}

TEST_F(ConnectTest, EachAnswerOfTheTroubleDialog)
{
    StartConnectable("ActiveLanguage=1\r\n");
    // Attempts fail at once: the dial-up entry cannot be written.
    DialsFail(true);

    // Cancel: two attempts, one dialog, the link stays down.
    m_frame->OnConnectClick();
    EXPECT_EQ(Attempts(), 2);
    ASSERT_EQ(Troubles(), 1u);
    EXPECT_NE(m_record->troubles[0], 0u) << "the dialog names the dial-up error";
    EXPECT_EQ(TFormExConnectTrouble::ComposeMessage(624, m_record->troubleTexts[0], m_frame->Language()),
              Text(368) + " " + Text(360) + " 624") << "in the user's language";
    EXPECT_FALSE(m_frame->IsConnected());
    ExpectIdle();

    // Try again: two more attempts and the dialog again; Troubleshoot: the
    // About window, no more attempts.
    m_record->troubleAnswers = {mrRetry, mrNo};
    m_frame->OnConnectClick();
    EXPECT_EQ(Attempts(), 6);
    EXPECT_EQ(Troubles(), 3u);
    EXPECT_EQ(m_record->abouts, 1);
    EXPECT_EQ(m_record->about, m_frame->AboutWindow());
    EXPECT_FALSE(m_frame->IsConnected());
    ExpectIdle();

    // Settings, and the Connection window closed without a save: no more attempts.
    m_record->troubleAnswers = {mrOk};
    m_record->connectionPageSaves = false;
    m_frame->OnConnectClick();
    EXPECT_EQ(Attempts(), 8);
    m_record->connectionPageSaves = true;

    // Settings: the Connection page, where the user fixes what was wrong;
    // after two failed attempts the third connects.
    m_record->troubleAnswers = {mrOk};
    m_record->onConnectionPage = [&] { DialsFail(false); };
    m_frame->OnConnectClick();
    EXPECT_EQ(m_record->connectionPages, 2);
    EXPECT_EQ(Attempts(), 11);
    EXPECT_EQ(Troubles(), 5u);
    EXPECT_EQ(m_dial->Dialled(), std::vector<std::string>({"*99#"}));
    EXPECT_TRUE(m_frame->IsConnected());
    ExpectIdle();
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ConnectTest, FirstConnectOnAFreshInstallDialsTheDefaultNumber)
{
    // No dial-up number anywhere: start-up already puts the default in place.
    StartUp();
    EXPECT_EQ(ConfigValue("PROFILE0", "Connection_Phone"), "*99#");
    m_dial->SetDelay(0);
    m_frame->OnConnectClick();
    EXPECT_EQ(m_dial->Dialled(), std::vector<std::string>({"*99#"}));
    EXPECT_TRUE(m_frame->IsConnected());
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(m_record->connectionPages, 0);
    EXPECT_EQ(Troubles(), 0u);
    ExpectIdle();
    m_frame->OnConnectClick();
    ASSERT_FALSE(m_frame->IsConnected());

    // The number is gone and Config.ini cannot be written, so the default
    // does not stick either; the user leaves the Connection page empty.
    WriteConfig("[SETTINGS]\r\ndebug=42\r\n");
    std::filesystem::create_directory(m_program / "Config.ini.tmp");
    m_frame->OnConnectClick();
    EXPECT_EQ(BoxCount(124), 1);
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(m_record->connectionPages, 1);
    EXPECT_EQ(Troubles(), 0u) << "no dial, so no dial-up error to show";
    EXPECT_EQ(Dials(), 1u);
    EXPECT_FALSE(m_frame->IsConnected());
    ExpectIdle();
    std::filesystem::remove(m_program / "Config.ini.tmp");
}

TEST_F(ConnectTest, ADroppedLinkIsRedialledUnlessTheUserEndedIt)
{
    // Up and dropped within one status period: the connection checks in
    // between must not make the drop forgotten.
    m_statusMs = 10000;
    StartConnectable();
    m_frame->OnConnectClick();
    ASSERT_TRUE(m_frame->IsConnected());
    m_frame->TimeUpLabel()->setText("00:01:05");
    m_frame->DownSpeedLabel()->setText("12 kbps");

    // The network drops the call: the worker notices, clears the traffic row as a hang-up does, and dials again.
    m_sim.SendRaw("\r\nNO CARRIER\r\n");
    ASSERT_TRUE(WaitFor([&] { return Dials() == 2 && m_frame->IsConnected() && !m_frame->IsLocked(); }, 30000));
    EXPECT_EQ(Troubles(), 0u);
    EXPECT_EQ(m_frame->TimeUpLabel()->text(), "00:00:00");
    EXPECT_EQ(m_frame->DownSpeedLabel()->text(), "0 kbps");
    m_frame->SetWorkerTiming(200, 500);

    // The user hangs up: no redial.
    m_frame->OnConnectClick();
    ASSERT_FALSE(m_frame->IsConnected());
    ASSERT_TRUE(RedialOrTwoStatusSteps(2));
    EXPECT_EQ(Dials(), 2u);
    EXPECT_FALSE(m_frame->ModemComm()->IsRasConnected());

    // The user chooses a modem while connected and agrees to hang up: no redial.
    m_frame->OnConnectClick();
    ASSERT_TRUE(m_frame->IsConnected());
    AnswerBox(200, mrYes);
    TExFrameModem page(nullptr, m_frame->Language(), m_frame->ModemComm(), QPixmap(), false);
    page.ModemDevicesDropDown();
    page.m_pBSelect->click();
    EXPECT_EQ(BoxCount(200), 1);
    EXPECT_FALSE(m_frame->ModemComm()->IsRasConnected());
    ASSERT_TRUE(RedialOrTwoStatusSteps(3));
    EXPECT_EQ(Dials(), 3u);
    EXPECT_FALSE(m_frame->IsConnected());
    EXPECT_FALSE(m_frame->ModemComm()->IsRasConnected());
    EXPECT_TRUE(m_frame->ModemComm()->IsPortOpen());
    EXPECT_FALSE(m_frame->IsLocked());
}

// A drop, and the SIM asks for its PIN again (a replug); the user cancels it.
TEST_F(ConnectTest, ARedialWaitsForTheSimsPin)
{
    StartConnectable();
    m_frame->OnConnectClick();
    ASSERT_TRUE(m_frame->IsConnected());
    m_sim.SetAnswer("+CPIN?", "\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n");
    m_sim.SetAnswer("+COPS?", "\r\n+COPS: 0\r\n\r\nOK\r\n");
    m_sim.SendRaw("\r\nNO CARRIER\r\n");
    ASSERT_TRUE(WaitFor([&] { return Dials() > 1 || !m_record->pinModes.empty(); }, 15000));
    const int steps = LogCount("[TESTPOINT]");
    EXPECT_TRUE(WaitFor([&] { return Dials() > 1 || LogCount("[TESTPOINT]") > steps; }, 10000));
    EXPECT_EQ(Dials(), 1u);
    EXPECT_FALSE(m_frame->IsConnected());
}

TEST_F(ConnectTest, AClickOnConnectWhileTheWorkerIsAboutToRedialDialsOnce)
{
    StartConnectable();
    m_frame->OnConnectClick();
    // The link drops; the click comes while the status step that would redial still asks for the network.
    m_sim.SetDelay("+COPS?", 1000);
    const int checks = LogCount("CheckNetwork()");
    m_sim.SendRaw("\r\nNO CARRIER\r\n");
    ASSERT_TRUE(WaitFor([&] { return LogCount("CheckNetwork()") > checks; }, 15000));
    m_frame->OnConnectClick();
    EXPECT_TRUE(m_frame->IsConnected());
    EXPECT_EQ(Dials(), 2u);
    EXPECT_EQ(LogCount("Disconnecting from From Internet"), 0);
}

// Connect clicked while a network search holds the window: the main window
// says what it waits for, until the search is over.
TEST_F(ConnectTest, ConnectDuringANetworkSearchSaysWhatRuns)
{
    TModemMainFrame*& f = ModemMainFrame;
    m_record->settingsWindow = [&f] { return new TFormExSettings(f, f->Language(), f->ModemComm()); };
    m_sim.SetDelay("+COPS=?", 1000);
    StartConnectable();
    AnsiString said;
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (Sent("AT+COPS=?") > 0 && said.empty() && ClickOn(MainWindowButton(m_frame.get(), kConnectButton)))
            said = m_frame->WaitPanelVisible() ? m_frame->WaitText() : "(nothing)";
    });
    clicker.start(20);
    auto* settings = static_cast<TFormExSettings*>(m_frame->DockedWindow(1));
    static_cast<TExFrameModem*>(settings->PageAt(TFormExSettings::kModemPage))->m_pRB_Manual->click();
    EXPECT_EQ(said, Text(190));
    EXPECT_FALSE(m_frame->WaitPanelVisible());
    EXPECT_EQ(Dials(), 0u);
}

// The start-up connect dials once the network comes, while the user types in
// Settings: the program hides the window unasked, the typing stays for the
// user, and the dial takes the saved profile. The user's own close asks.
TEST_F(ConnectTest, SettingsHiddenByTheProgramKeepsItsTypingUnasked)
{
    TModemMainFrame*& f = ModemMainFrame;
    m_record->settingsWindow = [&f] { return new TFormExSettings(f, f->Language(), f->ModemComm()); };
    WriteConfig("[SETTINGS]\r\ndebug=42\r\n[PROFILE0]\r\nConnect_on_startup=1\r\nConnection_Phone=*99#\r\n");
    m_sim.SetAnswer("+COPS?", "\r\n+COPS: 0\r\n\r\nOK\r\n");
    m_dial->SetDelay(0);
    StartUp();
    m_frame->OnSettingsClick();
    auto* settings = static_cast<TFormExSettings*>(m_frame->DockedWindow(1));
    settings->PageButton(TFormExSettings::kConnectionPage)->click();
    QLineEdit* phone = static_cast<TExFrameGPRS*>(settings->PageAt(TFormExSettings::kConnectionPage))->m_pEPhoneNumber;
    QTest::keyClicks(phone, "1");
    ScriptRegisteredModem();
    ASSERT_TRUE(WaitFor([&] { return m_frame->IsConnected() && !m_frame->IsLocked(); }, 20000));
    EXPECT_EQ(m_dial->Dialled(), std::vector<std::string>({"*99#"}));
    EXPECT_EQ(BoxCount(515), 0);
    m_frame->OnSettingsClick();
    EXPECT_EQ(phone->text().toStdString(), "*99#1");
    m_frame->OnSettingsClick();
    EXPECT_EQ(BoxCount(515), 1);
}

// The network refuses the user name; the trouble window's Settings opens the
// Connection page. Enter there saves what was typed; a close with typing not
// saved asks as Settings does, and Yes saves it and dials with it.
TEST_F(ConnectTest, TheTroubleWindowsConnectionPageSavesOnEnterAndAsksOnClose)
{
    WriteConfig("[SETTINGS]\r\ndebug=42\r\n[PROFILE0]\r\nConnection_Phone=*99#\r\n");
    ::setenv("QVX_STANDIN_USER", "web", 1);
    m_dial->SetDelay(0);
    Watchdog watchdog(90, "dials refused for their user name");
    ASSERT_TRUE(StartProgramWindow(m_frame, m_statusMs));
    TModemMainFrame::TActionPauses pauses;
    pauses.redialMs = pauses.dialAgainMs = 100;
    m_frame->SetActionPauses(pauses);
    int troubles = 0, helpers = 0;
    std::vector<std::string> boxes;
    QPointer<TFormExHelper> typedIn;
    ModalAnswerer answerer([&](QWidget* modal) {
        if (auto* trouble = qobject_cast<TFormExConnectTrouble*>(modal)) {
            ClickOn(++troubles <= 2 ? trouble->m_pBSettings : trouble->m_pBCancel);
        } else if (auto* box = qobject_cast<TMsgBoxEx*>(modal)) {
            boxes.push_back(box->m_pLMsgText->text().simplified().toStdString());
            QTest::keyClick(box, Qt::Key_Return);
        } else if (auto* helper = qobject_cast<TFormExHelper*>(modal); helper == typedIn) {
            helper->CloseWith(mrCancel);  // the key did nothing
        } else if (helper != nullptr) {
            QLineEdit* user = static_cast<TExFrameGPRS*>(helper->Frame())->m_pEUserName;
            const bool first = ++helpers == 1;
            ClickOn(user);
            QTest::keyClick(user, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(user, first ? "wrong" : "web");
            // Pressed once this turn is over: the box it brings is answered by a later one.
            QTimer::singleShot(0, user, [&, user, helper, first] {
                QTest::keyClick(user, first ? Qt::Key_Return : Qt::Key_Escape);
                typedIn = helper;
            });
        }
    });
    ClickOn(MainWindowButton(m_frame.get(), kConnectButton));
    EXPECT_TRUE(m_frame->IsConnected());
    EXPECT_EQ(troubles, 2);
    EXPECT_EQ(boxes, std::vector<std::string>({QString::fromStdString(Text(216)).simplified().toStdString(),
                                               QString::fromStdString(Text(515)).simplified().toStdString()}));
    EXPECT_EQ(ConfigValue("PROFILE0", "Connection_User_Name"), "web");
}

// Every close, the window system's (close()) too, and also while a dial runs.
TEST_F(ConnectTest, ClosingWithALinkUpAsksFirst)
{
    StartConnectable();
    // Closed by the window system while the dial runs: asked first; on No the dial goes on.
    AnswerBox(410, mrNo);
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (Logged("-=Start Connecting to Internet=-")) {
            closer.stop();
            m_frame->close();
        }
    });
    closer.start();
    m_frame->OnConnectClick();
    EXPECT_EQ(BoxCount(410), 1);
    ASSERT_TRUE(m_frame->IsConnected());

    AnswerBox(129, mrNo);
    // The worker is mid-step: the question waits until it gives the modem back.
    ASSERT_TRUE(WaitFor([&] { return m_frame->PollEvent().WaitAndReset(0); }, 10000));
    int askedMidStep = -1;
    QTimer::singleShot(500, [&] { askedMidStep = BoxCount(129); m_frame->PollEvent().Set(); });
    m_frame->OnExitClick();
    ASSERT_TRUE(WaitFor([&] { return askedMidStep >= 0; }, 5000));
    EXPECT_EQ(askedMidStep, 0);
    EXPECT_EQ(BoxCount(129), 1);
    EXPECT_TRUE(m_frame->isVisible());
    EXPECT_FALSE(m_frame->IsClosing());
    EXPECT_FALSE(m_frame->WaitPanelVisible());
    EXPECT_TRUE(m_frame->ModemComm()->IsRasConnected());
    EXPECT_FALSE(m_frame->IsLocked());
    EXPECT_EQ(m_frame->WorkerSuspendCount(), 0);

    AnswerBox(129, mrYes);
    m_frame->close();
    EXPECT_EQ(BoxCount(129), 2);
    EXPECT_TRUE(m_frame->WaitPanelVisible());
    EXPECT_FALSE(m_frame->isVisible());
    EXPECT_FALSE(m_frame->ModemComm()->IsRasConnected());
    // A search the worker asks for now finds the window going: nothing is searched, nothing told.
    const size_t told = Boxes().size();
    const int opened = LogCount("Opening port");
    SendMessage(m_frame.get(), WM_SEARCH_MODEM, 0, 0);
    EXPECT_EQ(LogCount("Opening port"), opened);
    EXPECT_EQ(Boxes().size(), told);

    // Yes while a dial runs: the dial ends there, and no link comes up after.
    m_frame.reset();
    StartConnectable();
    AnswerBox(410, mrYes);
    closer.start();
    m_frame->OnConnectClick();
    EXPECT_EQ(BoxCount(410), 2);
    // The window went once the dial had ended.
    EXPECT_TRUE(WaitFor([&] { return !m_frame->isVisible(); }, 5000));
    EXPECT_FALSE(m_frame->IsConnected());
    EXPECT_FALSE(m_frame->ModemComm()->IsRasConnected());
}

TEST_F(ConnectTest, AnEndSignalClosesAsTheExitImageAnsweringYes)
{
    StartConnectable();
    ::setenv("QVX_STANDIN_ARGS", (m_root / "args").c_str(), 1);
    m_frame->OnConnectClick();
    ASSERT_TRUE(m_frame->IsConnected());
    const size_t told = Boxes().size();
    ::signal(SIGHUP, SIG_IGN);  // started with nohup: the terminal's end is no end signal
    const TEndSignals endSignals([&](int sig) { m_frame->CloseUnasked("signal " + std::to_string(sig)); });
    ::raise(SIGHUP);
    QCoreApplication::processEvents();
    ASSERT_FALSE(Logged("signal 1=-"));
    ::raise(SIGTERM);
    ASSERT_TRUE(WaitFor([&] { return !m_frame->isVisible(); }, 10000));
    EXPECT_EQ(Boxes().size(), told);
    EXPECT_FALSE(m_frame->ModemComm()->IsRasConnected());
    std::ifstream args(m_root / "args");
    std::string pid;
    std::getline(args, pid);
    EXPECT_NE(::kill(std::stoi(pid.substr(4)), 0), 0);
    ::signal(SIGHUP, SIG_DFL);
}

TEST_F(ConnectTest, AClosedTerminalsTwoHangUpsCloseOnce)
{
    StartConnectable();
    m_frame->OnConnectClick();
    ASSERT_TRUE(m_frame->IsConnected());
    const TEndSignals endSignals([&](int sig) { m_frame->CloseUnasked("signal " + std::to_string(sig)); });
    ::raise(SIGHUP);  // the kernel's, then the shell's
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::raise(SIGHUP);
    ASSERT_TRUE(WaitFor([&] { return !m_frame->isVisible(); }, 10000));
    EXPECT_FALSE(m_frame->ModemComm()->IsRasConnected());
}

TEST_F(ConnectTest, ALinkLeftByAnEarlierRunIsEndedAtStart)
{
    ::setenv("XDG_RUNTIME_DIR", m_root.c_str(), 1);  // where dial folders are made
    // pppd with a connect script in `folder`; a script that removes its folder
    // stands for a logout that took the runtime folder.
    const auto leave = [&](const std::filesystem::path& folder, const char* script) {
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "connect") << script;
        const std::string connect = "/bin/sh '" + (folder / "connect").string() + "'";
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(::open("/dev/null", O_WRONLY), 1);
            ::execl(QVX_SOURCE_DIR "/tools/pppd-standin", "pppd", m_sim.DevicePath().c_str(), "connect",
                    connect.c_str(), nullptr);
            ::_exit(127);
        }
        return pid;
    };
    ::setenv("QVX_STANDIN_ARGS", (m_root / "args").c_str(), 1);
    const pid_t left = leave(m_root / "qvx-dial-left", "exit 0\n");
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(m_root / "args"); }, 5000));
    // Made in the temporary folder by a run without a runtime folder.
    const auto gone = std::filesystem::temp_directory_path() / ("qvx-dial-" + m_root.filename().string());
    const pid_t leftGone = leave(gone, "rm -r \"${0%/*}\"\n");
    ASSERT_TRUE(WaitFor([&] { return !std::filesystem::exists(gone); }, 5000));
    // Shaped alike, but no pppd, and its file is no dial script of ours: left alone.
    const pid_t alike = ::fork();
    if (alike == 0) {
        ::setpgid(0, 0);  // its sleep goes with it
        ::_exit(::execl("/bin/sh", "sh", "-c", "sleep 60; :", "connect", (m_root / "qvx-dial-ideas.txt").c_str(),
                        m_sim.DevicePath().c_str(), nullptr));
    }
    StartUp();
    EXPECT_EQ(::waitpid(alike, nullptr, WNOHANG), 0);
    ::kill(-alike, SIGKILL);
    ::waitpid(alike, nullptr, 0);
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(BoxCount(465), 1);
    for (const pid_t pid : {left, leftGone}) {
        EXPECT_TRUE(Logged("-=Ended a link left by an earlier run: pppd " + std::to_string(pid) + " on COM7=-"));
        const bool ended = ::waitpid(pid, nullptr, WNOHANG) == pid;
        EXPECT_TRUE(ended);
        if (!ended && ::kill(pid, SIGKILL) == 0)
            ::waitpid(pid, nullptr, 0);
    }
}

TEST_F(ConnectTest, ALostNetworkWithAStaleLinkHangsItUpBeforeDialling)
{
    for (const bool reconnect : {false, true}) {
        SCOPED_TRACE(reconnect ? "reconnect on" : "reconnect off");
        StartConnectable(reconnect ? "" : "AttemptToReconnect=0\r\n");
        const size_t base = Dials();
        // A link the window has not seen yet, and the network goes.
        m_frame->SuspendWorker();
        TModemComm* comm = m_frame->ModemComm();
        comm->ClosePort();
        DWORD error = 0;
        ASSERT_TRUE(comm->Connect("", "", "*99#", error, std::atomic<bool>(false)));
        ASSERT_FALSE(m_frame->IsConnected());
        m_sim.SetAnswer("+COPS?", "\r\n+COPS: 0\r\n\r\nOK\r\n");
        m_frame->CheckNetwork();
        ASSERT_FALSE(m_frame->IsNetworkRegistered());
        SendMessage(m_frame.get(), WM_CHECK_NETWORK, 0, 0);
        m_frame->ResumeWorker();

        const int hangUp = [&] {
            const auto lines = m_frame->DebugMemo()->Lines();
            for (size_t i = 0; i < lines.size(); ++i)
                if (lines[i].find("Disconnecting from From Internet") != std::string::npos)
                    return static_cast<int>(i);
            return -1;
        }();
        ASSERT_GE(hangUp, 0) << "the stale link was not hung up";
        if (reconnect) {
            // Dialled again once the network is back, and only after the hang-up.
            EXPECT_EQ(Dials(), base + 1);
            m_sim.SetAnswer("+COPS?", "\r\n+COPS: 0,0,\"Test Net\"\r\n\r\nOK\r\n");
            ASSERT_TRUE(WaitFor([&] { return m_frame->IsConnected(); }, 30000));
            EXPECT_EQ(Dials(), base + 2);
            const auto lines = m_frame->DebugMemo()->Lines();
            for (int i = 0; i < hangUp; ++i)
                EXPECT_EQ(lines[static_cast<size_t>(i)].find("-=Start Connecting to Internet=-"), std::string::npos);
            EXPECT_TRUE(m_frame->IsConnected());
            EXPECT_EQ(m_frame->LinkLabel(), Text(114));
            EXPECT_TRUE(m_frame->ConnectEnabled());
        } else {
            EXPECT_EQ(Dials(), base + 1);
            EXPECT_FALSE(m_frame->IsConnected());
            EXPECT_FALSE(comm->IsRasConnected());
            EXPECT_TRUE(comm->IsPortOpen());
        }
        EXPECT_FALSE(m_frame->IsLocked());
        comm->Disconnect();
        m_frame.reset();
        m_sim.ClearCommands();
        ScriptRegisteredModem();
        m_record = std::make_shared<TestDialogs::Record>();
    }
}

// The modem pulled out during a link: pppd ends a moment after the search
// found no modem, and the window shows the link ended while "No modem was
// found" is still up.
TEST_F(ConnectTest, AnUnplugDuringALinkShowsItEndedUnderTheNoModemBox)
{
    ::setenv("QVX_STANDIN_LINGER", "2", 1);
    StartConnectable();
    m_frame->OnConnectClick();
    ASSERT_TRUE(m_frame->IsConnected());
    m_frame->TimeUpLabel()->setText("00:01:05");
    auto* button = static_cast<QAbstractButton*>(MainWindowButton(m_frame.get(), kConnectButton));
    bool ended = false;
    m_record->onBox = [&] {
        ended = WaitFor([&] { return !m_frame->LinkLightOn() && m_frame->LinkLabel() == Text(115) &&
                                     button->text() == QString::fromStdString(Text(109)) &&
                                     m_frame->TimeUpLabel()->text() == "00:00:00"; }, 10000);
    };
    m_sim.Vanish();
    ASSERT_TRUE(WaitFor([&] { return BoxCount(119) == 1; }, 20000));
    EXPECT_TRUE(ended);
}

TEST_F(ConnectTest, AModemThatGoesAndComesBackDuringAConnectIsTakenUpAgain)
{
    StartConnectable();
    DialsFail(true);
    // Unplugged before the connect, plugged in again while the trouble
    // dialog is up: the worker never sees it missing.
    m_sim.Vanish();
    m_record->onTrouble = [&] {
        ASSERT_TRUE(m_sim.Reappear());
        ScriptRegisteredModem();
    };
    m_frame->OnConnectClick();
    EXPECT_FALSE(m_frame->IsModemInitialized());
    // The modem is searched for and taken up again, and polled as before.
    ASSERT_TRUE(WaitFor([&] { return m_frame->IsModemInitialized() && !m_frame->IsLocked(); }, 15000));
    m_sim.ClearCommands();
    EXPECT_TRUE(WaitFor([&] { return Sent("AT+CSQ") >= 1; }, 10000));
}

// The dial fails; the trouble dialog's Settings opens the Connection page in
// the helper; right after the helper closes, while the connect action still
// waits, the user clicks Settings on the main window. The click must find the
// window locked, and the worker must poll again once the action is over.
TEST_F(ConnectTest, ClickOnSettingsWhileAFailedDialWaitsLeavesTheWorkerPolling)
{
    WriteConfig("[SETTINGS]\r\ndebug=42\r\n[PROFILE0]\r\nConnection_Phone=*99#\r\n");
    ::setenv("QVX_STANDIN_EXIT", "4", 1);  // no PPP support: every dial fails
    Watchdog watchdog(90, "a failed dial with a click on Settings");
    ASSERT_TRUE(StartProgramWindow(m_frame, m_statusMs));
    TModemMainFrame* frame = m_frame.get();
    QWidget* settingsButton = MainWindowButton(frame, kSettingsButton);
    ASSERT_NE(settingsButton, nullptr);

    int troubles = 0;
    bool helperClosed = false;
    bool settingsClicked = false;
    bool settingsButtonGotIt = false;
    ModalAnswerer answerer([&](QWidget* modal) {
        if (auto* trouble = qobject_cast<TFormExConnectTrouble*>(modal)) {
            // Settings the first time, then give up.
            ClickOn(++troubles == 1 ? trouble->m_pBSettings : trouble->m_pBCancel);
        } else if (auto* helper = qobject_cast<TFormExHelper*>(modal); helper != nullptr && !helperClosed) {
            // Saved there (a close without a save dials nothing more); the
            // save's box is answered by a later turn.
            QWidget* save = static_cast<TExFrameGPRS*>(helper->Frame())->m_pBUpdate;
            QTimer::singleShot(0, save, [save] { ClickOn(save); });
            helperClosed = true;
        } else if (auto* box = qobject_cast<TMsgBoxEx*>(modal)) {
            box->CloseWith(box->EscapeResult());
        }
    });
    QTimer clicker;
    clicker.setInterval(20);
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (!helperClosed || settingsClicked || QApplication::activeModalWidget() != nullptr)
            return;
        settingsClicked = true;
        QWidget* got = ClickOn(settingsButton);
        settingsButtonGotIt = got == settingsButton || settingsButton->isAncestorOf(got);
    });
    clicker.start();

    ClickOn(MainWindowButton(frame, kConnectButton));
    ASSERT_TRUE(WaitFor([&] { return troubles == 2 && !frame->HoldsWorker() && !frame->IsLocked(); }, 30000));
    EXPECT_TRUE(helperClosed);
    EXPECT_TRUE(settingsClicked);
    // The connect action still ran: the window was locked and the click went to its cover.
    EXPECT_FALSE(settingsButtonGotIt);
    EXPECT_FALSE(frame->IsConnected());
    EXPECT_FALSE(frame->WaitPanelVisible());
    ExpectWorkerPollsAgain();
}

}  // namespace
