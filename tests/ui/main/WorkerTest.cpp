#include "MainFrameFixture.h"

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

TEST_F(MainFrameTest, UserActionHoldsTheModemAgainstTheWorker)
{
    StartUp();
    m_frame->SuspendWorker();
    EXPECT_FALSE(m_frame->PollEvent().IsSet());
    EXPECT_EQ(m_frame->WorkerSuspendCount(), 1);
    // A step that was under way when we took the modem has finished by now.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    m_sim.ClearCommands();
    // Several worker passes long: the modem hears nothing but us.
    WaitFor([] { return false; }, 800);
    EXPECT_TRUE(m_sim.Commands().empty());
    m_frame->ModemComm()->SetEcho(true);
    EXPECT_EQ(m_sim.Commands(), std::vector<std::string>({"ATE1"}));

    m_frame->ResumeWorker();
    EXPECT_TRUE(m_frame->PollEvent().IsSet());
    EXPECT_EQ(m_frame->WorkerSuspendCount(), 0);
    EXPECT_TRUE(WaitFor([&] { return m_sim.Commands().size() > 1; }, 3000));
    // Resuming a worker that was not suspended still leaves the modem free.
    m_frame->ResumeWorker();
    EXPECT_TRUE(m_frame->PollEvent().IsSet());
    EXPECT_EQ(m_frame->WorkerSuspendCount(), 0);
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
}
