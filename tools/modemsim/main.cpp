// Demo host for the simulated modem:
//   modemsim --device-dir DIR --com N --name "Simulated Modem" [--script FILE]
// Registers the modem as COMn in DIR, prints the tty path and serves until
// SIGINT or SIGTERM, then removes the COM entry again. SIGUSR1 unplugs it or
// plugs it in again; SIGUSR2 prints how many command lines it has received.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <pthread.h>
#include <string>

#include "tools/modemsim/DialModule.h"
#include "tools/modemsim/ModemSim.h"
#include "tools/modemsim/SimModule.h"

namespace {

int Usage()
{
    std::cerr << "usage: modemsim --device-dir DIR --com N [--name NAME] [--script FILE] [--no-echo]\n"
                 "  --script FILE: lines COMMAND=answer, escapes \\r \\n \\t \\\\ \\xHH \\=\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string dir;
    std::string name = "Simulated Modem";
    std::string script;
    int com = 0;
    bool echo = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc)
                return false;
            *out = argv[++i];
            return true;
        };
        std::string number;
        if (arg == "--device-dir") {
            if (!value(&dir))
                return Usage();
        } else if (arg == "--com") {
            if (!value(&number))
                return Usage();
            char* end = nullptr;
            const long n = std::strtol(number.c_str(), &end, 10);
            if (end == number.c_str() || *end != '\0' || n < 1 || n > 255)
                return Usage();
            com = static_cast<int>(n);
        } else if (arg == "--name") {
            if (!value(&name))
                return Usage();
        } else if (arg == "--script") {
            if (!value(&script))
                return Usage();
        } else if (arg == "--no-echo") {
            echo = false;
        } else {
            return Usage();
        }
    }
    if (dir.empty() || com == 0)
        return Usage();

    // Block the stop signals before the server thread exists, then wait for them here.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGUSR1);
    sigaddset(&stopSignals, SIGUSR2);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    modemsim::ModemSim modem;
    modem.AddModule(std::make_shared<modemsim::DialModule>());
    modem.SetEcho(echo);
    modem.AddModule(std::make_shared<modemsim::SimModule>());
    if (!script.empty()) {
        std::string error;
        if (!modem.LoadScript(script, &error)) {
            std::cerr << "modemsim: " << error << "\n";
            return 1;
        }
    }
    if (!modem.Start()) {
        std::perror("modemsim: cannot open a pseudo-terminal");
        return 1;
    }
    if (!modem.Register(dir, com, name)) {
        std::cerr << "modemsim: cannot register COM" << com << " in " << dir << "\n";
        return 1;
    }
    std::cout << modem.DevicePath() << std::endl;
    std::cerr << "modemsim: COM" << com << " (" << name << ") in " << dir << "; Ctrl-C to stop\n";

    bool plugged = true;
    for (;;) {
        int sig = 0;
        sigwait(&stopSignals, &sig);
        if (sig == SIGUSR1) {
            if (plugged) {
                modem.Vanish();
                plugged = false;
            } else {
                plugged = modem.Reappear();
            }
            std::cerr << "modemsim: " << (plugged ? "plugged in" : "unplugged") << std::endl;
        } else if (sig == SIGUSR2) {
            std::cerr << "modemsim: " << modem.Commands().size() << " commands" << std::endl;
        } else {
            break;
        }
    }
    modem.Stop();
    return 0;
}
