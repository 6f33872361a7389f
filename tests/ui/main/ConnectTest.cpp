#include <QTimer>

#include "MainFrameFixture.h"
#include "tools/modemsim/DialModule.h"

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

}  // namespace
