// The serial interface on a bare pseudo-terminal registered as a COM port.
#include "platform/PortMap.h"
#include "platform/SerialPort.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <termios.h>
#include <unistd.h>

namespace {

class SerialPortTest : public ::testing::Test {
protected:
    static constexpr int kCom = 4;

    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() / ("qvx_serial_" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_dir);
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(m_master, 0);
        ASSERT_EQ(::grantpt(m_master), 0);
        ASSERT_EQ(::unlockpt(m_master), 0);
        m_slave = ::ptsname(m_master);
        ASSERT_TRUE(RegisterComPort(m_dir.string(), kCom, m_slave, "Bare Line"));
        ::setenv(kDeviceDirEnv, m_dir.c_str(), 1);
    }
    void TearDown() override
    {
        ::close(m_master);
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    int m_master = -1;
    std::string m_slave;
    std::filesystem::path m_dir;
};

TEST_F(SerialPortTest, InputTranslationLeftOnTheLineIsSwitchedOff)
{
    // Whoever used the line before left XON/XOFF and lower-casing on.
    {
        const int fd = ::open(m_slave.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        termios tio {};
        ASSERT_EQ(::tcgetattr(fd, &tio), 0);
        tio.c_iflag |= IXON | IXOFF | IXANY | IUCLC;
        ASSERT_EQ(::tcsetattr(fd, TCSANOW, &tio), 0);
        ::close(fd);
    }
    const HANDLE h = OpenComPort("\\\\.\\COM4");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DCB dcb;
    ASSERT_TRUE(GetCommState(h, &dcb));
    dcb.BaudRate = 115200;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    ASSERT_TRUE(SetCommState(h, &dcb));
    termios tio {};
    ASSERT_EQ(::tcgetattr(static_cast<int>(h), &tio), 0);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY | IUCLC), 0u);

    // Asked for, each direction is switched on by itself.
    dcb.fInX = 1;
    ASSERT_TRUE(SetCommState(h, &dcb));
    ASSERT_EQ(::tcgetattr(static_cast<int>(h), &tio), 0);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXOFF));
    EXPECT_TRUE(CloseHandle(h));
}

}  // namespace
