#include "tools/modemsim/ModemSim.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "platform/PortMap.h"
#include "tools/modemsim/AnswerTable.h"
#include "tools/modemsim/AtText.h"
#include "tools/modemsim/CoreModule.h"
#include "tools/modemsim/OutputQueue.h"
#include "tools/modemsim/Script.h"
#include "tools/modemsim/Session.h"
#include "tools/modemsim/SmsModule.h"

namespace modemsim {

using Clock = OutputQueue::Clock;

struct ModemSim::Impl {
    // Serialises Start and Stop so the thread is started and joined exactly once.
    std::mutex life;

    // Everything below is guarded by mu (the thread holds it while handling input).
    mutable std::mutex mu;
    mutable std::condition_variable commandArrived;
    OutputQueue out;
    Session session{out};
    AnswerTable table;
    bool silent = false;
    std::shared_ptr<CoreModule> core = std::make_shared<CoreModule>();
    std::shared_ptr<SmsModule> sms = std::make_shared<SmsModule>();
    std::vector<std::shared_ptr<Module>> modules{core, sms};  // asked from the back
    std::vector<std::string> commands;
    std::string input;
    std::optional<std::string> abortAnswer;  // the running command ends on any character with it
    bool stopping = false;
    std::string unplugKey;  // the command that pulls the plug (one shot)
    int unplugDelayMs = 0;
    std::optional<Clock::time_point> unplugAt;
    bool unplugged = false;  // the thread pulled the plug itself
    std::string device;      // "" while unplugged or stopped

    // The COM entry: remembered across Stop / Start (unplug and replug).
    std::string folder;
    int comNumber = 0;
    std::string friendlyName;
    bool wantRegistered = false;
    bool linked = false;

    // The pty and the thread: changed by Start / Stop under `life` while no thread
    // runs; the thread itself only closes the master when it pulls the plug, and ends.
    int master = -1;
    int slave = -1;  // kept open by us so the master never sees a hang-up between host opens
    const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);  // lives as long as we do
    std::thread thread;

    Impl()
    {
        session.SetResetHandler([this] {
            for (auto& m : modules)
                m->OnReset(session);
        });
    }

    ~Impl()
    {
        if (wake >= 0)
            ::close(wake);
    }

    bool OpenPty(std::string* path);
    void ClosePty();
    void Unlink();
    void Unplug();
    void WakeThread() const;
    void Serve();
    void ProcessInput();
    void HandleLine(const std::string& line);
};

bool ModemSim::Impl::OpenPty(std::string* path)
{
    master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0)
        return false;
    char name[128] = {};
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name, sizeof name) != 0) {
        ClosePty();
        return false;
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (slave < 0 || wake < 0 || ::tcgetattr(slave, &tio) != 0) {
        ClosePty();
        return false;
    }
    // Raw from the start: the line discipline must neither echo nor translate CR.
    ::cfmakeraw(&tio);
    ::cfsetspeed(&tio, B115200);
    ::tcsetattr(slave, TCSANOW, &tio);
    *path = name;
    return true;
}

void ModemSim::Impl::ClosePty()
{
    for (int* fd : {&master, &slave}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void ModemSim::Impl::Unlink()
{
    if (linked)
        UnregisterComPort(folder, comNumber);
    linked = false;
}

// Pulled out mid-conversation: the host sees a hang-up at once, the COM entry goes.
void ModemSim::Impl::Unplug()
{
    ::close(master);
    master = -1;
    out.Clear();
    input.clear();
    session.EndRaw();
    unplugAt.reset();
    unplugged = true;
    device.clear();
    Unlink();
}

void ModemSim::Impl::WakeThread() const
{
    if (wake >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(wake, &one, sizeof one);
    }
}

void ModemSim::Impl::HandleLine(const std::string& line)
{
    commands.push_back(line);
    commandArrived.notify_all();
    const std::string key = CommandKey(line);
    if (!unplugKey.empty() && key == unplugKey) {
        unplugKey.clear();
        unplugAt = Clock::now() + std::chrono::milliseconds(unplugDelayMs);
    }
    if (silent || table.IsSilent(key))
        return;
    if (session.Echo())
        session.Send(line + "\r");
    session.Pause(table.DelayFor(key));
    abortAnswer = table.AbortAnswerFor(key);
    if (auto canned = table.Find(key)) {
        bool first = true;
        for (const auto& piece : canned->pieces) {
            session.Send(piece, first ? canned->delayMs : canned->gapMs);
            first = false;
        }
        return;
    }
    for (auto it = modules.rbegin(); it != modules.rend(); ++it)
        if ((*it)->Handle(line, session))
            return;
    session.Error();
}

void ModemSim::Impl::ProcessInput()
{
    for (;;) {
        if (unplugAt)
            return;  // going away: nothing more is taken
        if (Module* owner = session.RawOwner()) {
            if (input.empty())
                return;
            const size_t used = std::min(owner->HandleRaw(input, session), input.size());
            input.erase(0, used);
            if (used == 0 && session.RawOwner() == owner)
                return;  // the module waits for more
            out.WriteDue(master, Clock::now());
            continue;
        }
        // The LF after a CR is no part of the next line.
        input.erase(0, input.find_first_not_of('\n'));
        // One command at a time: the next line waits until the answer is out.
        if (!out.Empty()) {
            if (!abortAnswer || input.empty())
                return;
            input.erase(0, 1);
            out.Clear();
            session.Send(*abortAnswer);
            abortAnswer.reset();
            out.WriteDue(master, Clock::now());
            continue;
        }
        abortAnswer.reset();
        const size_t cr = input.find('\r');
        if (cr == std::string::npos)
            return;
        std::string line = input.substr(0, cr);
        input.erase(0, cr + 1);
        if (line.empty())
            continue;
        HandleLine(line);
        out.WriteDue(master, Clock::now());
    }
}

void ModemSim::Impl::Serve()
{
    std::string chunk(4096, '\0');
    std::unique_lock<std::mutex> lock(mu);
    while (!stopping) {
        if (!out.WriteDue(master, Clock::now()))
            out.Clear();  // the line is dead: what was on its way is lost, as on a real one
        ProcessInput();
        if (unplugAt && *unplugAt <= Clock::now()) {
            out.WriteDue(master, Clock::now());
            Unplug();
            return;
        }

        pollfd fds[2] = {{master, POLLIN, 0}, {wake, POLLIN, 0}};
        int timeout = -1;
        const auto now = Clock::now();
        auto waitUntil = [&](Clock::time_point t) {
            const auto ms = std::chrono::ceil<std::chrono::milliseconds>(t - now).count();
            const int limited = static_cast<int>(std::clamp<long long>(ms, 1, 60000));
            timeout = timeout < 0 ? limited : std::min(timeout, limited);
        };
        if (!out.Empty()) {
            if (out.HasDue(now))
                fds[0].events |= POLLOUT;
            else
                waitUntil(out.NextDue());
        }
        if (unplugAt)
            waitUntil(*unplugAt);
        lock.unlock();
        const int ready = ::poll(fds, 2, timeout);
        std::string received;
        if (ready > 0) {
            if (fds[1].revents & POLLIN) {
                uint64_t count;
                [[maybe_unused]] ssize_t n = ::read(wake, &count, sizeof count);
            }
            if (fds[0].revents & POLLIN) {
                for (;;) {
                    const ssize_t n = ::read(master, chunk.data(), chunk.size());
                    if (n <= 0)
                        break;
                    received.append(chunk.data(), static_cast<size_t>(n));
                    if (received.size() >= 65536)
                        break;
                }
            } else if (fds[0].revents & (POLLHUP | POLLERR)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));  // no busy loop on a dead line
            }
        }
        lock.lock();
        input += received;
    }
}

ModemSim::ModemSim() : d_(std::make_unique<Impl>()) {}

ModemSim::~ModemSim()
{
    Stop();
}

bool ModemSim::Start()
{
    std::lock_guard<std::mutex> life(d_->life);
    if (d_->thread.joinable()) {
        bool gone;
        {
            std::lock_guard<std::mutex> lock(d_->mu);
            gone = d_->unplugged;
        }
        if (!gone)
            return true;
        d_->thread.join();  // it ended itself when the plug was pulled
        d_->ClosePty();
    }
    std::string path;
    if (!d_->OpenPty(&path))
        return false;
    {
        std::lock_guard<std::mutex> lock(d_->mu);
        d_->out.Clear();
        d_->input.clear();
        d_->session.EndRaw();
        d_->stopping = false;
        d_->unplugged = false;
        d_->unplugAt.reset();
        d_->device = path;
        for (auto& m : d_->modules)
            m->OnPowerOn(d_->session);
        if (d_->wantRegistered)
            d_->linked = RegisterComPort(d_->folder, d_->comNumber, path, d_->friendlyName);
    }
    d_->thread = std::thread([this] { d_->Serve(); });
    return true;
}

void ModemSim::Stop()
{
    std::lock_guard<std::mutex> life(d_->life);
    if (d_->thread.joinable()) {
        {
            std::lock_guard<std::mutex> lock(d_->mu);
            d_->stopping = true;
        }
        d_->WakeThread();
        d_->thread.join();
    }
    d_->ClosePty();
    std::lock_guard<std::mutex> lock(d_->mu);
    d_->out.Clear();
    d_->input.clear();
    d_->session.EndRaw();
    d_->unplugAt.reset();
    d_->device.clear();
    d_->Unlink();
}

bool ModemSim::Running() const
{
    std::lock_guard<std::mutex> lock(d_->mu);
    return !d_->device.empty();
}

std::string ModemSim::DevicePath() const
{
    std::lock_guard<std::mutex> lock(d_->mu);
    return d_->device;
}

bool ModemSim::Register(const std::string& folder, int comNumber, const std::string& friendlyName)
{
    std::lock_guard<std::mutex> lock(d_->mu);
    if (folder != d_->folder || comNumber != d_->comNumber)
        d_->Unlink();
    d_->folder = folder;
    d_->comNumber = comNumber;
    d_->friendlyName = friendlyName;
    d_->wantRegistered = true;
    d_->linked = !d_->device.empty() && RegisterComPort(folder, comNumber, d_->device, friendlyName);
    return d_->linked;
}

void ModemSim::Vanish()
{
    Stop();
}

void ModemSim::SetUnplugOn(const std::string& command, int delayMs)
{
    std::lock_guard<std::mutex> lock(d_->mu);
    d_->unplugKey = AnswerTable::Key(command);
    d_->unplugDelayMs = delayMs < 0 ? 0 : delayMs;
}

bool ModemSim::Reappear()
{
    Stop();
    return Start();
}

void ModemSim::SetEcho(bool on)
{
    d_->core->SetProfileEcho(on);
    std::lock_guard<std::mutex> lock(d_->mu);
    d_->session.SetEcho(on);
}

bool ModemSim::Echo() const
{
    std::lock_guard<std::mutex> lock(d_->mu);
    return d_->session.Echo();
}

void ModemSim::SetAnswer(const std::string& command, const std::string& answer)
{
    std::lock_guard<std::mutex> lock(d_->mu);
    d_->table.SetAnswer(command, answer);
}

void ModemSim::SetAnswerPieces(const std::string& command, std::vector<std::string> pieces, int gapMs, int delayMs)
{
    std::lock_guard<std::mutex> lock(d_->mu);
    d_->table.SetPieces(command, std::move(pieces), gapMs, delayMs);
}

void ModemSim::RemoveAnswer(const std::string& command)
{
    std::lock_guard<std::mutex> lock(d_->mu);
    d_->table.RemoveAnswer(command);
}

void ModemSim::SetDelay(const std::string& command, int delayMs)
{
    std::lock_guard<std::mutex> lock(d_->mu);
    d_->table.SetDelay(command, delayMs);
}

void ModemSim::SetAbortable(const std::string& command, const std::string& answer)
{
    std::lock_guard<std::mutex> lock(d_->mu);
    d_->table.SetAbortAnswer(command, answer);
}

void ModemSim::SetSilent(bool silent)
{
    std::lock_guard<std::mutex> lock(d_->mu);
    d_->silent = silent;
}

void ModemSim::SetSilentFor(const std::string& command, bool silent)
{
    std::lock_guard<std::mutex> lock(d_->mu);
    d_->table.SetSilent(command, silent);
}

void ModemSim::ClearScript()
{
    std::lock_guard<std::mutex> lock(d_->mu);
    d_->table.Clear();
}

bool ModemSim::LoadScript(const std::string& path, std::string* error)
{
    std::vector<ScriptEntry> entries;
    if (!Script::Load(path, &entries, error))
        return false;
    std::lock_guard<std::mutex> lock(d_->mu);
    for (const auto& e : entries)
        d_->table.SetAnswer(e.command, e.answer);
    return true;
}

void ModemSim::SetIdentity(const std::string& text)
{
    d_->core->SetIdentity(text);
}

std::vector<std::string> ModemSim::Commands() const
{
    std::lock_guard<std::mutex> lock(d_->mu);
    return d_->commands;
}

void ModemSim::ClearCommands()
{
    std::lock_guard<std::mutex> lock(d_->mu);
    d_->commands.clear();
}

bool ModemSim::WaitForCommands(size_t count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(d_->mu);
    return d_->commandArrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                       [&] { return d_->commands.size() >= count; });
}

void ModemSim::SendRaw(const std::string& bytes)
{
    {
        std::lock_guard<std::mutex> lock(d_->mu);
        d_->out.Insert(bytes, Clock::now());
    }
    d_->WakeThread();
}

size_t ModemSim::PendingInput() const
{
    std::lock_guard<std::mutex> lock(d_->mu);
    return d_->input.size();
}

bool ModemSim::Answering() const
{
    std::lock_guard<std::mutex> lock(d_->mu);
    return !d_->out.Empty();
}

void ModemSim::AddModule(std::shared_ptr<Module> module)
{
    if (!module)
        return;
    std::lock_guard<std::mutex> lock(d_->mu);
    d_->modules.push_back(std::move(module));
}

CoreModule& ModemSim::Core()
{
    return *d_->core;
}

SmsModule& ModemSim::Sms()
{
    return *d_->sms;
}

}  // namespace modemsim
