#pragma once
// A simulated AT modem on a real pseudo-terminal, for tests and demos.
//
// The host opens DevicePath() (or COMn of the device folder after Register) like a
// real serial port. The simulator's thread reads command lines (ended by CR, a
// following LF ignored), echoes them while echo is on and answers:
//   1. silence (SetSilent, SetSilentFor) sends nothing at all, not even the echo;
//   2. a canned answer (SetAnswer, SetAnswerPieces) is sent verbatim;
//   3. otherwise the modules are asked, the most recently added first;
//   4. a line nobody takes gets "\r\nERROR\r\n".
// SetDelay holds back whatever answer a command gets. Answers are queued with due
// times, so delays never block the thread; the next command line is taken once the
// previous answer is out, as on a real modem, unless the command was made
// abortable (SetAbortable): then any character ends it at once.
//
// Growing it: put each area of commands in a Module of its own (own .h/.cpp here):
//
//   class SimModule : public Module {
//   public:
//       bool Handle(const std::string& line, Session& s) override {
//           std::string rest;
//           if (!MatchCommand(line, "+CPIN", &rest)) return false;   // AtText.h
//           std::lock_guard<std::mutex> lock(mu_);                   // test thread sets state
//           if (rest == "?") { s.SendLine("+CPIN: " + state_); s.Ok(); }
//           else s.CmeError(3);
//           return true;
//       }
//       void OnPowerOn(Session&) override { /* SIM asks for its PIN again */ }
//       void SetState(std::string st) { std::lock_guard<std::mutex> l(mu_); state_ = st; }
//   private:
//       std::mutex mu_;
//       std::string state_ = "READY";
//   };
//   auto sim = std::make_shared<SimModule>(); modem.AddModule(sim); sim->SetState("SIM PIN");
//
// Input that is not command lines (the SMS text after the "> " prompt up to Ctrl-Z,
// PPP after CONNECT): the module calls s.BeginRaw(*this) while handling the command;
// the bytes then go to its HandleRaw until it calls s.EndRaw(). Handle, HandleRaw and
// the power-on / reset hooks run on the simulator's thread with its lock held: a
// module guards its own settable state with a mutex of its own and never calls back
// into ModemSim from there. Canned answers still override any module, so a test can
// force an error on a command that a module normally answers.
#include <memory>
#include <string>
#include <vector>

#include "tools/modemsim/Module.h"

namespace modemsim {

class CoreModule;
class SmsModule;

class ModemSim {
public:
    ModemSim();
    ~ModemSim();  // stops, closes, unregisters
    ModemSim(const ModemSim&) = delete;
    ModemSim& operator=(const ModemSim&) = delete;

    // Opens a pty pair (raw mode) and serves it on a thread of its own. Comes back
    // under the remembered COM entry when it had been registered before.
    bool Start();
    // Stops serving, closes the pty and removes the COM entry (remembered for Start).
    void Stop();
    // True while plugged in and serving.
    bool Running() const;
    // The slave tty path; "" while not running.
    std::string DevicePath() const;

    // Registers the slave as COM<comNumber> in a device folder (link COMn + COMn.name).
    bool Register(const std::string& folder, int comNumber, const std::string& friendlyName);
    // The device is unplugged: the pty closes and the COM entry goes.
    void Vanish();
    // Plugged in again: a new pty, registered under the same folder, number and name.
    bool Reappear();
    // Unplugged by a command, once: when `command` arrives (same keys as SetAnswer),
    // whatever is due within `delayMs` goes out, then the pty closes and the COM
    // entry goes, as with Vanish. Reappear (or Start) brings it back.
    void SetUnplugOn(const std::string& command, int delayMs = 0);

    // Echo now and at power-on (on by default); ATE0 / ATE1 switch it too.
    void SetEcho(bool on);
    bool Echo() const;

    // Canned answer for a command (text after "AT", exact match, any case: "+CSQ",
    // "I", "" for plain AT; a leading "AT" is accepted too). Sent verbatim after the echo.
    void SetAnswer(const std::string& command, const std::string& answer);
    // The same, cut into pieces sent `gapMs` apart, the first after `delayMs`.
    void SetAnswerPieces(const std::string& command, std::vector<std::string> pieces, int gapMs, int delayMs = 0);
    void RemoveAnswer(const std::string& command);
    // Delay before the answer of a command (added to a canned answer's own delay); 0 clears.
    void SetDelay(const std::string& command, int delayMs);
    // While the answer of `command` is still held back (SetDelay), the next
    // character from the host ends the command: it is dropped, and what was
    // still to come gives way to `answer`. "" makes the command run to its end.
    void SetAbortable(const std::string& command, const std::string& answer);
    // Answers nothing at all, echo neither (commands are still recorded).
    void SetSilent(bool silent);
    void SetSilentFor(const std::string& command, bool silent);
    // Forgets every canned answer, delay and per-command silence.
    void ClearScript();
    // Loads "COMMAND=answer" lines (see Script.h); false with a reason on a bad line.
    bool LoadScript(const std::string& path, std::string* error = nullptr);
    // What ATI prints before its OK, lines separated by "\r\n".
    void SetIdentity(const std::string& text);

    // Every non-empty command line received, as received without its CR ("AT+CSQ").
    std::vector<std::string> Commands() const;
    void ClearCommands();
    // Waits until at least `count` lines have been received; false on time-out.
    bool WaitForCommands(size_t count, int timeoutMs) const;

    // Unsolicited bytes to the host (ahead of answers that are not yet due).
    void SendRaw(const std::string& bytes);
    // Bytes received but not yet handled (an unfinished line, or a line waiting for
    // the previous answer to go out).
    size_t PendingInput() const;
    // True while answer bytes are still queued.
    bool Answering() const;

    // Adds a module; it is asked before the ones added earlier.
    void AddModule(std::shared_ptr<Module> module);
    CoreModule& Core();
    // The SIM message store and the SMS commands.
    SmsModule& Sms();

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace modemsim
