#include "communicator/port/TPort.h"
#include "platform/LastError.h"
#include "platform/Ticks.h"
#include "../SimFixture.h"

#include <cstring>
#include <regex>

namespace {

class PortTest : public SimFixture {};

TEST_F(PortTest, OpensWithFixedLineSettings)
{
    TPort port;
    port.SetPortNumber(kCom);
    port.SetBaudRate(115200);
    ASSERT_TRUE(port.Open());
    EXPECT_TRUE(port.IsOpen());
    const DCB& dcb = port.GetDcb();
    EXPECT_EQ(dcb.BaudRate, 115200u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_EQ(dcb.fDtrControl, DTR_CONTROL_ENABLE);
    EXPECT_EQ(dcb.fRtsControl, RTS_CONTROL_ENABLE);
    EXPECT_EQ(dcb.fOutxCtsFlow | dcb.fOutxDsrFlow | dcb.fOutX | dcb.fInX, 0u);
    // Exclusive: a second port object cannot have it.
    TPort second;
    second.SetPortNumber(kCom);
    second.SetBaudRate(115200);
    EXPECT_FALSE(second.Open());
    EXPECT_EQ(GetLastError(), PORT_ERROR_IN_USE);
    EXPECT_TRUE(port.Close(true));
    EXPECT_TRUE(second.Open());
}

TEST_F(PortTest, RefusedLineSettingsLeaveThePortClosed)
{
    TPort port;
    port.SetPortNumber(kCom);
    port.SetBaudRate(12345);  // no such line speed
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.GetState(), TPort::STATE_CLOSED);
}

TEST_F(PortTest, ReadsReportShortAndEmptyReads)
{
    TPort port;
    port.SetPortNumber(kCom);
    port.SetBaudRate(115200);
    ASSERT_TRUE(port.Open());
    m_sim.SendRaw("12345");
    Sleep(50);
    char buf[128];
    uint32_t count = 99;
    const uint32_t start = GetTickCount();
    EXPECT_FALSE(port.Read(buf, 128, &count));
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(GetLastError(), PORT_ERROR_SHORT_READ);
    EXPECT_GE(TickElapsed(GetTickCount(), start), 450u);
    EXPECT_FALSE(port.Read(buf, 128, &count));
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(GetLastError(), PORT_ERROR_NO_BYTE);

    TMemo memo;
    port.SetDebugMemo(&memo);
    EXPECT_FALSE(port.ReadBufferBySize(buf, 0, &count));
    EXPECT_EQ(GetLastError(), PORT_ERROR_NO_BYTE);
    ASSERT_EQ(memo.Count(), 1u);
    EXPECT_EQ(memo.Lines()[0], "ReadBufferBySize  ");
    // Count pointers may be null or all ones.
    EXPECT_FALSE(port.Read(buf, 4, nullptr));
    EXPECT_FALSE(port.Read(buf, 4, reinterpret_cast<uint32_t*>(~uintptr_t {0})));

    // Silence is not a lost line; a device that went away is, until reopened.
    EXPECT_EQ(port.GetBytesWaiting(), 0u);
    EXPECT_FALSE(port.LineLost());
    m_sim.Vanish();
    EXPECT_EQ(port.GetBytesWaiting(), 0u);
    EXPECT_TRUE(port.LineLost());
    ASSERT_TRUE(m_sim.Reappear());
    ASSERT_TRUE(port.Open());
    EXPECT_FALSE(port.LineLost());
}

TEST_F(PortTest, ClosedPortAndMissingPort)
{
    TPort port;
    EXPECT_TRUE(port.Close(true));
    EXPECT_EQ(port.GetBytesWaiting(), 0u);
    char buf[4];
    uint32_t n = 0;
    EXPECT_FALSE(port.Write("AT", 2, &n));
    port.SetPortNumber(12);
    port.SetBaudRate(115200);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(GetLastError(), PORT_ERROR_NO_SUCH_PORT);
    EXPECT_FALSE(port.ReadBufferBySize(buf, 3, &n));
}

TEST_F(PortTest, TraceLogHoldsOpenWriteReadBaudAndClose)
{
    const auto log = m_program / "ComPort.log";
    {
        TPort port;
        port.SetLogFileName(log.c_str());
        ASSERT_TRUE(port.IsLogRunning());
        port.SetPortNumber(kCom);
        port.SetBaudRate(115200);
        ASSERT_TRUE(port.Open());
        uint32_t n = 0;
        ASSERT_TRUE(port.Write("AT\r", 3, &n));
        char buf[64] = {};
        port.Read(buf, 63, &n);
        port.SetBaudRate(9600);
        ASSERT_TRUE(port.Close(true));
        Sleep(300);
    }
    const std::string text = ReadFile(log);
    EXPECT_TRUE(std::regex_search(text, std::regex("---------- Open Port ---------- \\d{4} / \\d\\d / \\d\\d --- ")));
    EXPECT_NE(text.find(" |  COM7, 115200, 8, N, 1  |\r\n"), std::string::npos);
    EXPECT_TRUE(std::regex_search(text, std::regex(" \\d{8} - \\d{8} --- WRITE: \\{ 41 54 0D \\}\r\n")));
    EXPECT_TRUE(std::regex_search(text, std::regex(" \\d{8} - \\d{8} --- READ : \\{ 41 54 0D 0D 0A 4F 4B 0D 0A \\}\r\n")));
    EXPECT_NE(text.find("PARAM: Baudrate changed to 9600\r\n"), std::string::npos);
    EXPECT_NE(text.find("--------- Close Port ---------- "), std::string::npos);
    EXPECT_NE(text.find(" Total bytes write\t- 3\r\n"), std::string::npos);
    EXPECT_NE(text.find(" Total bytes read\t- 9\r\n"), std::string::npos);
}

}  // namespace
