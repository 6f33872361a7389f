// Dialling: pppd on the modem's tty, watched by a thread per connection. The keeper
// that stands between the program and pppd is in RasKeeper.cpp, the scan for
// a link left by an earlier run in RasLeftover.cpp.
#include "platform/Ras.h"

#include "platform/LastError.h"
#include "platform/ModemRegistry.h"
#include "platform/RasDialShared.h"
#include "platform/RasPhonebook.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <poll.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace rasdial;

namespace {

constexpr const char* kPeersFile = "/etc/ppp/peers/quorvix";

AnsiString Env(const char* name, const char* def)
{
    const char* v = std::getenv(name);
    return (v != nullptr && *v != '\0') ? AnsiString(v) : AnsiString(def);
}

std::mutex g_pppdMutex;
AnsiString g_pppdPath;

// A double-quoted word of a pppd options file.
AnsiString OptionWord(const AnsiString& s)
{
    AnsiString out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char oct[8];
            std::snprintf(oct, sizeof oct, "\\%03o", c);
            out += oct;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// Characters a modem dials; anything else could change the chat script.
bool DialableNumber(const AnsiString& number)
{
    if (number.empty() || number.size() > RAS_MaxPhoneNumber)
        return false;
    for (unsigned char c : number) {
        if (std::isalnum(c))
            continue;
        if (std::strchr("*#+,;!@$&()-./ ", c) == nullptr || c == '\0')
            return false;
    }
    return true;
}

bool ValidInterfaceName(const AnsiString& name)
{
    if (name.empty() || name.size() > 15 || name == "." || name == "..")
        return false;
    for (unsigned char c : name)
        if (!std::isalnum(c) && c != '_' && c != '-' && c != '.')
            return false;
    return true;
}

bool WriteFile(const fs::path& p, const AnsiString& text, mode_t mode)
{
    int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd < 0)
        return false;
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return (::close(fd) == 0) && ok;
}
AnsiString TempRoot()
{
    for (const char* var : kTempRootVars) {
        const char* v = std::getenv(var);
        std::error_code ec;
        if (v != nullptr && *v != '\0' && fs::is_directory(v, ec))
            return v;
    }
    return "/tmp";
}

// What pppd's exit and its output say went wrong, as a dial-up error code.
struct Findings {
    bool authFailed = false;
    bool noSuchDevice = false;
    bool needsRoot = false;
    bool lcpTimeout = false;
};

DWORD ChatError(int chatExit)
{
    switch (chatExit) {
    case 3: return ERROR_NO_ANSWER;       // time-out
    case 4: return ERROR_LINE_BUSY;       // the ABORT strings, in script order
    case 5: return ERROR_NO_CARRIER;
    case 6: return ERROR_NO_DIALTONE;
    case 7: return ERROR_NO_ANSWER;
    case 8: return ERROR_FROM_DEVICE;
    default: return ERROR_PORT_OR_DEVICE;
    }
}

DWORD ErrorFromExit(int status, const Findings& f, int chatExit)
{
    if (WIFSIGNALED(status))
        return ERROR_DISCONNECTION;
    switch (WEXITSTATUS(status)) {
    case 0: return ERROR_REMOTE_DISCONNECTION;
    case 2: return f.needsRoot ? DWORD{ERROR_ACCESS_DENIED} : DWORD{ERROR_UNKNOWN};
    case 3: return ERROR_ACCESS_DENIED;
    case 4: return ERROR_NOT_SUPPORTED;
    case 5: return ERROR_USER_DISCONNECTION;
    case 6: return ERROR_PORT_NOT_AVAILABLE;
    case 7: return f.noSuchDevice ? DWORD{ERROR_DEVICE_DOES_NOT_EXIST} : DWORD{ERROR_PORT_NOT_AVAILABLE};
    case 8: return ChatError(chatExit);
    case 10: return f.lcpTimeout ? DWORD{ERROR_PPP_TIMEOUT} : DWORD{ERROR_PPP_LCP_TERMINATED};
    case 12: case 13: return ERROR_DISCONNECTION;
    case 15: return ERROR_PPP_TIMEOUT;
    case 16: return ERROR_REMOTE_DISCONNECTION;
    case 18: return ERROR_PORT_OR_DEVICE;
    case 19: return ERROR_AUTHENTICATION_FAILURE;
    case kExecFailed: return ERROR_RASMAN_CANNOT_INITIALIZE;
    default: return f.authFailed ? DWORD{ERROR_AUTHENTICATION_FAILURE} : DWORD{ERROR_UNKNOWN};
    }
}

struct Connection {
    uintptr_t id = 0;
    RasDialFunc notifier = nullptr;
    AnsiString deviceName;
    AnsiString tty;
    fs::path tempDir;
    pid_t pid = -1;  // the keeper's, whose status is pppd's; it leads their group
    int outFd = -1;
    std::thread monitor;

    std::mutex notifyMutex;  // held while the notifier runs; guards `hangup`
    bool hangup = false;

    std::mutex m;  // guards everything below
    std::condition_variable cv;
    RASCONNSTATE state = RASCS_OpenPort;
    DWORD error = 0;
    bool connected = false;  // reached RASCS_Connected
    bool finished = false;   // pppd has exited and was reaped
    Clock::time_point connectedAt;
    AnsiString iface;
    DWORD warning = 0;
    Findings findings;
};

std::mutex g_mutex;
std::map<uintptr_t, std::shared_ptr<Connection>> g_conns;
std::atomic<uintptr_t> g_nextId{1};

std::shared_ptr<Connection> Find(HRASCONN h)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_conns.find(reinterpret_cast<uintptr_t>(h));
    return it == g_conns.end() ? nullptr : it->second;
}

void Notify(Connection& c, RASCONNSTATE state, DWORD error)
{
    {
        std::lock_guard<std::mutex> lock(c.m);
        c.state = state;
        c.error = error;
        if (state == RASCS_Connected) {
            c.connected = true;
            c.connectedAt = Clock::now();
        }
    }
    std::lock_guard<std::mutex> lock(c.notifyMutex);
    if (!c.hangup && c.notifier != nullptr)
        c.notifier(WM_RASDIALEVENT, state, error);
}

bool Contains(const AnsiString& line, const char* what) { return line.find(what) != AnsiString::npos; }

// One progress line of pppd.
void HandleLine(Connection& c, const AnsiString& line)
{
    bool connected;
    {
        std::lock_guard<std::mutex> lock(c.m);
        connected = c.connected;
        if (line.rfind("Using interface ", 0) == 0) {
            AnsiString name = line.substr(16);
            while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back())))
                name.pop_back();
            if (ValidInterfaceName(name))
                c.iface = name;
        }
        if (Contains(line, "authentication failed") || Contains(line, "Failed to authenticate"))
            c.findings.authFailed = true;
        if (Contains(line, "No such file or directory") || Contains(line, "No such device"))
            c.findings.noSuchDevice = true;
        if (Contains(line, "root privilege") || Contains(line, "must be root") || Contains(line, "not setuid"))
            c.findings.needsRoot = true;
        if (Contains(line, "timeout sending Config-Requests"))
            c.findings.lcpTimeout = true;
        if (Contains(line, "Could not determine remote IP address"))
            c.warning = ERROR_IP_CONFIGURATION;
    }
    if (connected)
        return;  // no notifications once the link is up
    if (line.rfind("Serial connection established", 0) == 0) {
        Notify(c, RASCS_DeviceConnected, 0);
        Notify(c, RASCS_AllDevicesConnected, 0);
    } else if (line.rfind("Connect: ", 0) == 0) {
        Notify(c, RASCS_Authenticate, 0);
    } else if (Contains(line, "authentication succeeded")) {
        Notify(c, RASCS_Authenticated, 0);
    } else if (line.rfind("local  IP address", 0) == 0 || line.rfind("local IP address", 0) == 0) {
        Notify(c, RASCS_Projected, 0);
        Notify(c, RASCS_ApplySettings, 0);
    } else if (line.rfind("remote IP address", 0) == 0) {
        DWORD warning;
        {
            std::lock_guard<std::mutex> lock(c.m);
            warning = c.warning;
        }
        Notify(c, RASCS_Connected, warning);
    }
}

int ReadChatExit(const fs::path& dir)
{
    std::ifstream in(dir / "chat.rc");
    int rc = -1;
    if (in)
        in >> rc;
    return in ? rc : -1;
}

void Monitor(std::shared_ptr<Connection> c)
{
    Notify(*c, RASCS_OpenPort, 0);
    Notify(*c, RASCS_PortOpened, 0);
    Notify(*c, RASCS_ConnectDevice, 0);

    AnsiString pending;
    int status = 0;
    bool exited = false;
    bool eof = false;
    char buf[1024];
    auto consume = [&](const char* data, size_t n) {
        pending.append(data, n);
        size_t nl;
        while ((nl = pending.find('\n')) != AnsiString::npos) {
            AnsiString line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            HandleLine(*c, line);
        }
        if (pending.size() > 64 * 1024)
            pending.clear();  // no line is that long: drop the noise
    };
    while (!exited) {
        if (!eof) {
            pollfd p{c->outFd, POLLIN, 0};
            if (::poll(&p, 1, 100) > 0) {
                ssize_t n = ::read(c->outFd, buf, sizeof buf);
                if (n > 0)
                    consume(buf, static_cast<size_t>(n));
                else if (n == 0 || (errno != EINTR && errno != EAGAIN))
                    eof = true;
            }
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        pid_t r = ::waitpid(c->pid, &status, WNOHANG);
        if (r == c->pid || (r < 0 && errno == ECHILD))
            exited = true;
    }
    // What pppd said last, up to its end.
    int flags = ::fcntl(c->outFd, F_GETFL);
    ::fcntl(c->outFd, F_SETFL, flags | O_NONBLOCK);
    for (ssize_t n; (n = ::read(c->outFd, buf, sizeof buf)) > 0;)
        consume(buf, static_cast<size_t>(n));
    if (!pending.empty())
        HandleLine(*c, pending);
    ::close(c->outFd);
    c->outFd = -1;

    // Nothing that pppd started may keep the tty.
    ::kill(-c->pid, SIGTERM);
    for (int i = 0; i < 100 && ::kill(-c->pid, 0) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ::kill(-c->pid, SIGKILL);

    const int chatExit = ReadChatExit(c->tempDir);
    std::error_code ec;
    fs::remove_all(c->tempDir, ec);

    bool wasConnected;
    RASCONNSTATE failedAt;
    DWORD error;
    {
        std::lock_guard<std::mutex> lock(c->m);
        wasConnected = c->connected;
        failedAt = c->state;
        error = ErrorFromExit(status, c->findings, chatExit);
        c->error = error;
        c->state = RASCS_Disconnected;
        c->finished = true;
    }
    if (!wasConnected) {
        // The dial failed: say where, then end with the final state.
        Notify(*c, failedAt, error);
        Notify(*c, RASCS_Disconnected, error);
    }
    c->cv.notify_all();
}

// Tears a connection down: pppd and its children end, the thread is joined.
void Stop(const std::shared_ptr<Connection>& c)
{
    {
        std::lock_guard<std::mutex> lock(c->notifyMutex);
        c->hangup = true;
    }
    std::unique_lock<std::mutex> lock(c->m);
    if (!c->finished) {
        ::kill(-c->pid, SIGTERM);
        // pppd ends the link politely first; that takes a few seconds at most.
        if (!c->cv.wait_for(lock, std::chrono::seconds(6), [&] { return c->finished; })) {
            ::kill(-c->pid, SIGKILL);
            c->cv.wait(lock, [&] { return c->finished; });
        }
    }
    lock.unlock();
    if (c->monitor.joinable())
        c->monitor.join();
}

// Connections still up when the program ends are hung up, so no pppd outlives it.
struct Reaper {
    ~Reaper()
    {
        std::map<uintptr_t, std::shared_ptr<Connection>> conns;
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            conns.swap(g_conns);
        }
        for (auto& kv : conns)
            Stop(kv.second);
    }
} g_reaper;

AnsiString ChatScript(const AnsiString& number)
{
    return "ABORT 'BUSY'\n"
           "ABORT 'NO CARRIER'\n"
           "ABORT 'NO DIALTONE'\n"
           "ABORT 'NO ANSWER'\n"
           "ABORT 'ERROR'\n"
           "TIMEOUT 10\n"
           "'' 'AT'\n"
           "'OK' 'ATD" + number + "'\n"
           "TIMEOUT 60\n"
           "'CONNECT' ''\n";
}

}  // namespace

namespace rasdial {

AnsiString PppdPath()
{
    std::lock_guard<std::mutex> lock(g_pppdMutex);
    return g_pppdPath.empty() ? Env("QVX_PPPD", "/usr/sbin/pppd") : g_pppdPath;
}

AnsiString ShellQuote(const AnsiString& s)
{
    AnsiString out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::vector<pid_t> OwnConnectionGroups()
{
    std::vector<pid_t> groups;
    std::lock_guard<std::mutex> lock(g_mutex);
    for (const auto& kv : g_conns)
        groups.push_back(kv.second->pid);
    return groups;
}

}  // namespace rasdial

void RasSetPppdPath(const AnsiString& path)
{
    std::lock_guard<std::mutex> lock(g_pppdMutex);
    g_pppdPath = path;
}

DWORD RasDialA(const RASDIALEXTENSIONS* /*extensions*/, const char* phonebookPath, const RASDIALPARAMSA* params,
               DWORD notifierType, RasDialFunc notifier, HRASCONN* conn)
{
    if (conn == nullptr || params == nullptr || notifier == nullptr || notifierType != 0)
        return ERROR_INVALID_PARAMETER;
    *conn = nullptr;
    if (params->dwSize != sizeof(RASDIALPARAMSA))
        return ERROR_INVALID_SIZE;

    TPhonebookEntry entry;
    {
        auto guard = phonebook::Guard();
        std::vector<TPhonebookEntry> entries;
        if (DWORD rc = phonebook::Load(phonebook::PathFor(phonebookPath), entries))
            return rc;
        const int i = phonebook::Find(entries, AnsiString(params->szEntryName, strnlen(params->szEntryName, sizeof params->szEntryName)));
        if (i < 0)
            return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
        entry = entries[static_cast<size_t>(i)];
    }
    const AnsiString given(params->szPhoneNumber, strnlen(params->szPhoneNumber, sizeof params->szPhoneNumber));
    const AnsiString number = given.empty() ? entry.phoneNumber : given;
    if (!DialableNumber(number))
        return ERROR_INVALID_PARAMETER;
    const AnsiString user(params->szUserName, strnlen(params->szUserName, sizeof params->szUserName));
    const AnsiString password(params->szPassword, strnlen(params->szPassword, sizeof params->szPassword));

    if (strcasecmp(entry.deviceType.c_str(), RASDT_Modem) != 0)
        return ERROR_DEVICE_DOES_NOT_EXIST;
    AnsiString tty;
    for (const TModemKey& k : EnumerateModemKeys())
        if (!k.friendlyName.empty() && strcasecmp(k.friendlyName.c_str(), entry.deviceName.c_str()) == 0) {
            tty = k.device;
            break;
        }
    if (tty.empty())
        return ERROR_DEVICE_DOES_NOT_EXIST;

    const AnsiString pppd = PppdPath();
    if (::access(pppd.c_str(), X_OK) != 0)
        return ERROR_RASMAN_CANNOT_INITIALIZE;

    // The scripts live in a private folder; the secrets go through a pipe.
    AnsiString dirTemplate = TempRoot() + "/" + kDialFolderPrefix + "XXXXXX";
    if (::mkdtemp(dirTemplate.data()) == nullptr)
        return ERROR_UNKNOWN;
    const fs::path dir(dirTemplate);
    const AnsiString chat = Env("QVX_CHAT", "/usr/sbin/chat");
    const AnsiString connectScript =
        "#!/bin/sh\n"
        "# Dials with chat and keeps chat's exit code, which tells busy from no carrier.\n" +
        ShellQuote(chat) + " -f " + ShellQuote((dir / "chat").string()) + "\n"
        "rc=$?\n"
        "echo \"$rc\" > " + ShellQuote((dir / "chat.rc").string()) + "\n"
        "exit \"$rc\"\n";
    std::error_code ec;
    if (!WriteFile(dir / "chat", ChatScript(number), 0600) || !WriteFile(dir / "connect", connectScript, 0700)) {
        fs::remove_all(dir, ec);
        return ERROR_UNKNOWN;
    }

    AnsiString options;
    if (!user.empty())
        options += "user " + OptionWord(user) + "\n";
    if (!password.empty())
        options += "password " + OptionWord(password) + "\n";
    int optPipe[2];
    int outPipe[2];
    if (::pipe2(optPipe, O_CLOEXEC) != 0) {
        fs::remove_all(dir, ec);
        return ERROR_UNKNOWN;
    }
    if (::pipe2(outPipe, O_CLOEXEC) != 0) {
        ::close(optPipe[0]);
        ::close(optPipe[1]);
        fs::remove_all(dir, ec);
        return ERROR_UNKNOWN;
    }
    // A few hundred bytes fit the pipe whole; pppd reads them as its options file.
    const bool written = ::write(optPipe[1], options.data(), options.size()) == static_cast<ssize_t>(options.size());
    ::close(optPipe[1]);

    std::vector<AnsiString> args = {pppd, tty, "115200", "nodetach", "file", "/dev/fd/3",
                                    "connect", "/bin/sh " + ShellQuote((dir / "connect").string()),
                                    "noipdefault", "usepeerdns"};
    // The network does not authenticate itself to us. pppd lets only root say
    // so on the command line; for other users an administrator's peers file
    // of ours can (with "noauth" in it).
    if (::access(kPeersFile, R_OK) == 0) {
        args.push_back("call");
        args.push_back(fs::path(kPeersFile).filename().string());
    } else {
        args.push_back("noauth");
    }
    if (entry.options & RASEO_RemoteDefaultGateway)
        args.push_back("defaultroute");
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);

    const AnsiString scripts[] = {(dir / "chat").string(), (dir / "connect").string(), (dir / "chat.rc").string()};
    KeeperPlan plan;
    plan.program = ::getpid();
    plan.argv = argv.data();
    plan.devNull = devNull;
    plan.optRead = optPipe[0];
    plan.outWrite = outPipe[1];
    for (size_t i = 0; i < 3; ++i)
        plan.scripts[i] = scripts[i].c_str();
    plan.folder = dir.c_str();
    sigemptyset(&plan.endSignals);
    for (int sig : {SIGINT, SIGHUP, SIGTERM})
        sigaddset(&plan.endSignals, sig);
    // The keeper is born with them blocked: the program's handlers never run in it.
    ::pthread_sigmask(SIG_BLOCK, &plan.endSignals, &plan.callerMask);
    pid_t pid = written && devNull >= 0 ? ::fork() : -1;
    if (pid == 0)
        RunKeeper(plan);
    ::pthread_sigmask(SIG_SETMASK, &plan.callerMask, nullptr);
    if (devNull >= 0)
        ::close(devNull);
    ::close(optPipe[0]);
    ::close(outPipe[1]);
    if (pid < 0) {
        ::close(outPipe[0]);
        fs::remove_all(dir, ec);
        return ERROR_UNKNOWN;
    }
    ::setpgid(pid, pid);  // also here, so a hang-up right away reaches the group

    auto c = std::make_shared<Connection>();
    c->id = g_nextId++;
    c->notifier = notifier;
    c->deviceName = entry.deviceName;
    c->tty = tty;
    c->tempDir = dir;
    c->pid = pid;
    c->outFd = outPipe[0];
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_conns[c->id] = c;
    }
    c->monitor = std::thread(Monitor, c);
    *conn = reinterpret_cast<HRASCONN>(c->id);
    return 0;
}

DWORD RasGetConnectStatusA(HRASCONN h, RASCONNSTATUSA* status)
{
    if (status == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (status->dwSize != sizeof(RASCONNSTATUSA))
        return ERROR_INVALID_SIZE;
    auto c = Find(h);
    if (!c)
        return ERROR_INVALID_HANDLE;
    std::lock_guard<std::mutex> lock(c->m);
    status->rasconnstate = c->state;
    status->dwError = c->state == RASCS_Connected ? 0 : c->error;
    std::snprintf(status->szDeviceType, sizeof status->szDeviceType, "%s", RASDT_Modem);
    std::snprintf(status->szDeviceName, sizeof status->szDeviceName, "%s", c->deviceName.c_str());
    return 0;
}

DWORD RasHangUpA(HRASCONN h)
{
    std::shared_ptr<Connection> c;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        auto it = g_conns.find(reinterpret_cast<uintptr_t>(h));
        if (it == g_conns.end())
            return ERROR_INVALID_HANDLE;
        c = it->second;
        g_conns.erase(it);
    }
    Stop(c);
    return 0;
}

DWORD RasGetConnectionStatistics(HRASCONN h, RAS_STATS* stats)
{
    if (stats == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (stats->dwSize != sizeof(RAS_STATS))
        return ERROR_INVALID_SIZE;
    auto c = Find(h);
    if (!c)
        return ERROR_INVALID_HANDLE;
    AnsiString iface;
    Clock::time_point since;
    {
        std::lock_guard<std::mutex> lock(c->m);
        if (c->state != RASCS_Connected)
            return ERROR_INVALID_HANDLE;
        iface = c->iface;
        since = c->connectedAt;
    }
    if (iface.empty())
        return ERROR_NO_CONNECTION;
    const fs::path dir = fs::path(Env("QVX_SYSFS_NET", "/sys/class/net")) / iface / "statistics";
    auto counter = [&](const char* name, bool& ok) -> DWORD {
        std::ifstream in(dir / name);
        unsigned long long v = 0;
        ok = static_cast<bool>(in >> v);
        return static_cast<DWORD>(v);  // the record's counters wrap at 32 bits
    };
    bool okTx = false, okRx = false, ok = false;
    RAS_STATS s;
    s.dwBytesXmited = counter("tx_bytes", okTx);
    s.dwBytesRcved = counter("rx_bytes", okRx);
    if (!okTx || !okRx)
        return ERROR_NO_CONNECTION;
    s.dwFramesXmited = counter("tx_packets", ok);
    s.dwFramesRcved = counter("rx_packets", ok);
    s.dwCrcErr = counter("rx_crc_errors", ok);
    s.dwFramingErr = counter("rx_frame_errors", ok);
    s.dwHardwareOverrunErr = counter("rx_fifo_errors", ok);
    s.dwBufferOverrunErr = counter("rx_over_errors", ok);
    s.dwConnectDuration = static_cast<DWORD>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
    *stats = s;
    return 0;
}
