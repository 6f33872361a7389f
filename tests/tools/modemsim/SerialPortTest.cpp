// The simulator as the program sees it: through the platform's serial port,
// opened by COM name from the device folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "platform/LastError.h"
#include "platform/PortMap.h"
#include "platform/SerialPort.h"
#include "platform/Ticks.h"
#include "tools/modemsim/ModemSim.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAnswer(HANDLE h, const std::string& final, int timeoutMs)
{
    std::string got;
    const uint32_t start = GetTickCount();
    while (got.find(final) == std::string::npos && TickElapsed(GetTickCount(), start) < static_cast<uint32_t>(timeoutMs)) {
        uint32_t errors = 0;
        COMSTAT stat;
        if (!ClearCommError(h, &errors, &stat))
            break;
        if (stat.cbInQue == 0) {
            Sleep(10);
            continue;
        }
        std::string buf(stat.cbInQue, '\0');
        uint32_t n = 0;
        if (!ReadFile(h, buf.data(), stat.cbInQue, &n))
            break;
        got.append(buf.data(), n);
    }
    return got;
}

}  // namespace

TEST(ModemSimSerialPort, OpenedByComNameAndGoneWhenUnplugged)
{
    const fs::path dir = fs::temp_directory_path() / ("modemsim-port-" + std::to_string(::getpid()));
    ::setenv(kDeviceDirEnv, dir.c_str(), 1);
    modemsim::ModemSim modem;
    ASSERT_TRUE(modem.Start());
    ASSERT_TRUE(modem.Register(dir.string(), 9, "Simulated Modem"));
    auto ports = EnumerateComPorts();
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].number, 9);
    EXPECT_EQ(ports[0].friendlyName, "Simulated Modem");

    HANDLE h = OpenComPort("\\\\.\\COM9");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DCB dcb;
    dcb.BaudRate = 115200;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    ASSERT_TRUE(SetCommState(h, &dcb));
    COMMTIMEOUTS firstByte;  // return what is there, else wait up to 200 ms for a byte
    firstByte.ReadIntervalTimeout = MAXDWORD;
    firstByte.ReadTotalTimeoutMultiplier = MAXDWORD;
    firstByte.ReadTotalTimeoutConstant = 200;
    ASSERT_TRUE(SetCommTimeouts(h, &firstByte));
    modem.SetAnswer("+CSQ", "\r\n+CSQ: 15,99\r\n\r\nOK\r\n");
    uint32_t written = 0;
    ASSERT_TRUE(WriteFile(h, "AT+CSQ\r", 7, &written));
    EXPECT_EQ(ReadAnswer(h, "OK\r\n", 1000), "AT+CSQ\r\r\n+CSQ: 15,99\r\n\r\nOK\r\n");

    modem.Vanish();
    char byte = 0;
    uint32_t got = 0;
    ReadFile(h, &byte, 1, &got);
    EXPECT_EQ(got, 0u) << "nothing comes from an unplugged modem";
    CloseHandle(h);
    EXPECT_EQ(OpenComPort("\\\\.\\COM9"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));

    ASSERT_TRUE(modem.Reappear());
    h = OpenComPort("COM9");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetCommState(h, &dcb));
    ASSERT_TRUE(WriteFile(h, "AT\r", 3, &written));
    EXPECT_EQ(ReadAnswer(h, "OK\r\n", 1000), "AT\r\r\nOK\r\n");
    CloseHandle(h);

    modem.Stop();
    ::unsetenv(kDeviceDirEnv);
    fs::remove_all(dir);
}
