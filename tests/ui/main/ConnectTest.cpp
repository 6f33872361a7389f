#include <QTimer>

#include "MainFrameFixture.h"
#include "tools/modemsim/DialModule.h"
#include "ui/common/TSkinButton.h"
#include "ui/dialogs/TFormExConnectTrouble.h"
#include "ui/dialogs/TFormExHelper.h"
#include "ui/dialogs/TMsgBoxEx.h"

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
                              "QVX_STANDIN_IF", "QVX_STANDIN_DELAY", "QVX_STANDIN_ARGS", "QVX_STANDIN_DROP"})
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

    std::shared_ptr<modemsim::DialModule> m_dial;
};

TEST_F(ConnectTest, ConnectOnStartKeepsTheWindowBusyUntilTheDialEnds)
{
    WriteConfig("[SETTINGS]\r\ndebug=42\r\n[PROFILE0]\r\nConnect_on_startup=1\r\nConnection_Phone=*99#\r\n");
    // Watches the window while the start-up search and the dial run (both pump).
    bool dialling = false;
    bool freedDuringDial = false;
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (m_frame == nullptr)
            return;
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
    EXPECT_FALSE(freedDuringDial);
    EXPECT_EQ(m_dial->Dialled(), std::vector<std::string>({"*99#"}));
    EXPECT_FALSE(m_frame->WaitPanelVisible());
    EXPECT_EQ(m_frame->WorkerSuspendCount(), 0);
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
        } else if (auto* helper = qobject_cast<TFormExHelper*>(modal)) {
            ClickOn(helper->TitleStyle() ? helper->TitlePanelExitImage() : helper->ExitImage());
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
    EXPECT_EQ(frame->WorkerSuspendCount(), 0);
    // The worker takes the poll event for each of its steps and gives it back.
    EXPECT_TRUE(WaitFor([&] { return frame->PollEvent().IsSet(); }, 3000));
    // The worker polls and talks to the modem again.
    const uint32_t lastPoll = frame->LastWorkerPoll();
    EXPECT_TRUE(WaitFor([&] { return frame->LastWorkerPoll() != lastPoll; }, 5000));
    m_sim.ClearCommands();
    EXPECT_TRUE(WaitFor([&] { return !m_sim.Commands().empty(); }, 5000));
}

}  // namespace
