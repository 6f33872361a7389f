// A small console host for the communicator: opens the modem's port,
// switches the echo on, asks a few things and prints the logged exchange.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "communicator/TModemComm.h"
#include "platform/PortMap.h"
#include "platform/TIniFile.h"

int main(int argc, char** argv)
{
    int port = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc)
            port = std::atoi(argv[++i]);
    }
    const auto folder = std::filesystem::current_path();
    if (port <= 0) {
        const auto ports = EnumerateComPorts();
        if (ports.empty()) {
            std::cerr << "No modem port found (plug in a modem, or start tools/modemsim).\n";
            return 1;
        }
        port = ports.front().number;
        std::cout << "Using COM" << port << " (" << ports.front().device << ", " << ports.front().friendlyName << ")\n";
    }
    TIniFile config((folder / "Config.ini").string());
    TMemo memo;
    memo.SetOnAdded([&memo] {
        static size_t shown = 0;
        for (const auto& line : memo.LinesFrom(shown)) {
            std::cout << line << "\n";
            ++shown;
        }
        std::cout.flush();
    });
    TModemComm comm(&config, (folder / "ComPort.log").string());
    comm.SetDebugMemo(&memo);
    comm.SetPortNumber(port);
    comm.SetBaudRate(115200);
    if (!comm.OpenPort(port)) {
        std::cerr << "Cannot open COM" << port << "\n";
        return 1;
    }
    const bool echo = comm.SetEcho(true);
    std::cout << (echo ? "Echo switched on.\n" : "The modem did not accept ATE1.\n");
    for (const char* command : {"ATI", "AT+CGMR", "AT+CSQ"}) {
        if (!comm.SendAtCommand(command))
            break;
        int32_t count = 0;
        comm.ReadFromPort(&count, 1500);
    }
    comm.ClosePort();
    return echo ? 0 : 2;
}
