#pragma once
// What a module sees of the modem while it handles a line: the way back to the
// host, the echo switch and the raw-input mode. Used on the simulator's thread only.
#include <chrono>
#include <functional>
#include <string>

#include "tools/modemsim/OutputQueue.h"

namespace modemsim {

class Module;

class Session {
public:
    using Clock = OutputQueue::Clock;

    explicit Session(OutputQueue& out) : out_(out) {}

    // Queue bytes for the host, after everything queued before and `delayMs` later.
    void Send(const std::string& bytes, int delayMs = 0);
    // "\r\n" + text + "\r\n", the way a modem frames every answer line.
    void SendLine(const std::string& text, int delayMs = 0);
    void Ok() { SendLine("OK"); }
    void Error() { SendLine("ERROR"); }
    void CmeError(int code) { SendLine("+CME ERROR: " + std::to_string(code)); }
    void CmsError(int code) { SendLine("+CMS ERROR: " + std::to_string(code)); }
    // The modem thinks for `ms` before anything further goes out (e.g. a network scan).
    void Pause(int ms);

    bool Echo() const { return echo_; }
    void SetEcho(bool on) { echo_ = on; }

    // Hand the following input bytes to `owner.HandleRaw` until EndRaw().
    void BeginRaw(Module& owner) { raw_ = &owner; }
    void EndRaw() { raw_ = nullptr; }
    Module* RawOwner() const { return raw_; }

    // ATZ / AT&F: every module goes back to its profile.
    void ResetModules()
    {
        if (reset_)
            reset_();
    }

    // For ModemSim.
    void SetResetHandler(std::function<void()> reset) { reset_ = std::move(reset); }
    OutputQueue& Output() { return out_; }

private:
    OutputQueue& out_;
    bool echo_ = true;
    Module* raw_ = nullptr;
    std::function<void()> reset_;
};

}  // namespace modemsim
