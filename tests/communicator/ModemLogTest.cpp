#include "communicator/TModemComm.h"
#include "platform/PrivateFile.h"
#include "platform/Ticks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class ModemLog : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("qvx_log_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_old = fs::current_path();
        fs::current_path(m_dir);
        m_config = std::make_unique<TIniFile>((m_dir / "Config.ini").string());
    }
    void TearDown() override
    {
        fs::current_path(m_old);
        fs::remove_all(m_dir);
    }
    static std::string Slurp(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    fs::path m_dir, m_old;
    std::unique_ptr<TIniFile> m_config;
};

TEST_F(ModemLog, NothingIsLoggedWithoutADebugMemo)
{
    TModemComm comm(m_config.get(), "");
    comm.AddToMemo("hello");
    EXPECT_FALSE(fs::exists(m_dir / "LOG"));
    EXPECT_FALSE(fs::exists(m_dir / "modem.log"));
}

TEST_F(ModemLog, FileAlwaysHoldsTheWholeMemo)
{
    TMemo memo;
    TModemComm comm(m_config.get(), "");
    comm.SetDebugMemo(&memo);
    comm.AddToMemo("first");
    memo.Add("a port line");  // reaches the file with the next logged line
    comm.AddToMemo("line\r\nwith a break");
    EXPECT_EQ(Slurp(m_dir / "LOG" / "modem.log"), "first\r\na port line\r\nline\r\nwith a break\r\n");
    // Someone else removed the file: it is written whole again.
    fs::remove(m_dir / "LOG" / "modem.log");
    comm.AddToMemo("third");
    EXPECT_EQ(Slurp(m_dir / "LOG" / "modem.log"), "first\r\na port line\r\nline\r\nwith a break\r\nthird\r\n");
    TMemo fresh;
    comm.SetDebugMemo(&fresh);
    comm.AddToMemo("new run");
    EXPECT_EQ(Slurp(m_dir / "LOG" / "modem.log"), "new run\r\n");
}

TEST_F(ModemLog, FileMovesAsideBeforeItOutgrowsItsBound)
{
    TMemo memo;
    TModemComm comm(m_config.get(), "");
    comm.SetDebugMemo(&memo);
    const std::string big(kLogFileBound / 3, 'x');
    for (const char* last : {"a", "b", "c"})
        comm.AddToMemo(big + last);
    EXPECT_EQ(Slurp(m_dir / "LOG" / "modem.log"), big + "c\r\n");
    EXPECT_EQ(Slurp(m_dir / "LOG" / "modem.log.1"), big + "a\r\n" + big + "b\r\n");
    EXPECT_EQ(fs::status(m_dir / "LOG" / "modem.log.1").permissions(), fs::perms(0600));
}

TEST_F(ModemLog, FallsBackToTheProgramFolderWhenLogCannotBeMade)
{
    std::ofstream(m_dir / "LOG") << "a file in the way";
    TMemo memo;
    TModemComm comm(m_config.get(), "");
    comm.SetDebugMemo(&memo);
    comm.AddToMemo("x");
    EXPECT_EQ(Slurp(m_dir / "modem.log"), "x\r\n");
}

TEST_F(ModemLog, LinesFromManyThreadsAllReachTheFile)
{
    TMemo memo;
    TModemComm comm(m_config.get(), "");
    comm.SetDebugMemo(&memo);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&comm, t] {
            for (int i = 0; i < 50; ++i)
                comm.AddToMemo("t" + std::to_string(t) + " " + std::to_string(i));
        });
    for (auto& th : threads)
        th.join();
    const std::string text = Slurp(m_dir / "LOG" / "modem.log");
    EXPECT_EQ(memo.Count(), 200u);
    EXPECT_EQ(text, memo.Text());
}

TEST_F(ModemLog, WaitLastsItsTimeInHundredMillisecondSteps)
{
    TModemComm comm(m_config.get(), "");
    uint32_t start = GetTickCount();
    comm.Wait(0);
    EXPECT_LT(TickElapsed(GetTickCount(), start), 5u);
    start = GetTickCount();
    comm.Wait(250);
    uint32_t took = TickElapsed(GetTickCount(), start);
    EXPECT_GE(took, 290u);
    EXPECT_LT(took, 450u);
    // Across a wrap of the tick count the wait neither ends early nor hangs.
    SetTickOffsetForTesting(0);
    SetTickOffsetForTesting(0xFFFFFFFFu - GetTickCount() - 50);
    start = GetTickCount();
    comm.Wait(200);
    took = TickElapsed(GetTickCount(), start);
    SetTickOffsetForTesting(0);
    EXPECT_GE(took, 200u);
    EXPECT_LT(took, 450u);
}

}  // namespace
