#pragma once
// A piece of modem behaviour plugged into ModemSim (see the pattern at the top of ModemSim.h).
#include <cstddef>
#include <string>

namespace modemsim {

class Session;

class Module {
public:
    virtual ~Module() = default;

    // One command line as received, without its CR (e.g. "AT+CSQ", any case).
    // Answer through `s` and return true to take the command; false passes it on.
    // Runs on the simulator's thread; `s` is only valid during the call.
    virtual bool Handle(const std::string& line, Session& s) = 0;

    // Input while this module holds the line (after s.BeginRaw(*this)): the SMS
    // text after the "> " prompt, PPP frames after CONNECT. Returns how many bytes
    // of `input` it used; the rest is offered again when more arrives, or parsed as
    // command lines once the module has called s.EndRaw().
    virtual size_t HandleRaw(const std::string& input, Session& s)
    {
        (void)s;
        return input.size();
    }

    // The modem was switched on (Start / Reappear): back to power-on state.
    virtual void OnPowerOn(Session& s) { (void)s; }
    // ATZ or AT&F: back to the stored profile (a SIM stays unlocked, unlike power-on).
    virtual void OnReset(Session& s) { (void)s; }
};

}  // namespace modemsim
