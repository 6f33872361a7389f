// Demo host for the simulated modem:
//   modemsim --device-dir DIR --com N --name "Simulated Modem" [--script FILE]
//            [--pin PIN] [--puk PUK] [--ask-puk] [--messages FILE] [--network MCCMNC[,...]]...
//            [--send-delay MS]
// Registers the modem as COMn in DIR, prints the tty path and serves until
// SIGINT or SIGTERM, then removes the COM entry again. SIGUSR1 unplugs it or
// plugs it in again; SIGUSR2 prints how many command lines it has received,
// how many of them were AT+CMGS, and how many messages the SIM holds.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <pthread.h>
#include <ctime>
#include <string>
#include <vector>

#include "tools/modemsim/AtText.h"
#include "tools/modemsim/DialModule.h"
#include "tools/modemsim/ModemSim.h"
#include "tools/modemsim/SimModule.h"
#include "tools/modemsim/SmsModule.h"

namespace {

int Usage()
{
    std::cerr << "usage: modemsim --device-dir DIR --com N [--name NAME] [--script FILE] [--no-echo]\n"
                 "                [--pin PIN] [--puk PUK] [--ask-puk] [--messages FILE] [--network MCCMNC[,...]]...\n"
                 "                [--send-delay MS]\n"
                 "  --script FILE: lines COMMAND=answer, escapes \\r \\n \\t \\\\ \\xHH \\=\n"
                 "  --pin PIN: the SIM asks for this PIN; --puk PUK: its PUK; --ask-puk: it asks for the PUK\n"
                 "  --messages FILE: received messages on the SIM, lines \"NUMBER TEXT\" or \"pdu HEX\"\n"
                 "  --network MCCMNC[,2G|3G|4G[,LONG NAME[,SHORT NAME]]]: a network in reach, the first is home\n"
                 "  --send-delay MS: the network confirms each sent message this late (weak coverage)\n";
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
    std::string pin, puk, messages;
    bool askPuk = false;
    int sendDelay = 0;
    std::vector<modemsim::SimModule::Network> networks;
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
        } else if (arg == "--pin") {
            if (!value(&pin) || pin.size() < 4 || pin.size() > 8)
                return Usage();
        } else if (arg == "--puk") {
            if (!value(&puk) || puk.size() != 8)
                return Usage();
        } else if (arg == "--ask-puk") {
            askPuk = true;
        } else if (arg == "--messages") {
            if (!value(&messages))
                return Usage();
        } else if (arg == "--send-delay") {
            if (!value(&number))
                return Usage();
            char* end = nullptr;
            const long ms = std::strtol(number.c_str(), &end, 10);
            if (end == number.c_str() || *end != '\0' || ms < 0 || ms > 600000)
                return Usage();
            sendDelay = static_cast<int>(ms);
        } else if (arg == "--network") {
            std::string option;
            modemsim::SimModule::Network network;
            if (!value(&option) || !modemsim::SimModule::ParseNetwork(option, network))
                return Usage();
            networks.push_back(network);
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
    auto sim = std::make_shared<modemsim::SimModule>();
    modem.AddModule(sim);
    if (!pin.empty()) {
        sim->SetPin(pin);
        sim->SetPinRequest(true);
        sim->SetPinState(modemsim::SimModule::PinState::Pin);
    }
    if (!puk.empty())
        sim->SetPuk(puk);
    if (askPuk)
        sim->SetPinState(modemsim::SimModule::PinState::Puk);
    if (!networks.empty())
        sim->SetNetworks(networks);
    modem.Sms().SetSendDelay(sendDelay);
    if (!messages.empty()) {
        std::string error;
        if (modem.Sms().LoadMessages(messages, std::time(nullptr), &error) < 0) {
            std::cerr << "modemsim: " << error << "\n";
            return 1;
        }
    }
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
            const auto commands = modem.Commands();
            const auto sends = std::count_if(commands.begin(), commands.end(),
                                             [](const std::string& c) { return modemsim::MatchCommand(c, "+CMGS"); });
            std::cerr << "modemsim: " << commands.size() << " commands, " << sends << " AT+CMGS, "
                      << modem.Sms().Messages().size() << " messages on the SIM" << std::endl;
        } else {
            break;
        }
    }
    modem.Stop();
    return 0;
}
