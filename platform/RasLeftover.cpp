// The scan for a link that an earlier run left: our pppds still on the modem's tty.
#include "platform/Ras.h"
#include "platform/RasDialShared.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace rasdial;

namespace {

// A process's arguments; none when it is gone or not ours to read.
std::vector<AnsiString> CommandLine(const fs::path& proc)
{
    std::ifstream in(proc / "cmdline", std::ios::binary);
    std::vector<AnsiString> args;
    for (AnsiString a; std::getline(in, a, '\0');)
        args.push_back(a);
    return args;
}

bool SameTty(const AnsiString& a, const AnsiString& b)
{
    struct stat sa {}, sb {};
    return !a.empty() && a[0] == '/' && ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 &&
           S_ISCHR(sa.st_mode) && S_ISCHR(sb.st_mode) && sa.st_rdev == sb.st_rdev;
}

// The name the process runs under (its file's, cut to 15 characters).
AnsiString Comm(const fs::path& proc)
{
    std::ifstream in(proc / "comm");
    AnsiString name;
    std::getline(in, name);
    return name;
}

// The script a connect argument runs, when it is shaped as RasDialA writes
// it ("/bin/sh '<dial folder>/connect'"); empty otherwise.
AnsiString ConnectScriptOf(const AnsiString& arg)
{
    const AnsiString head = "/bin/sh '";
    if (arg.rfind(head, 0) != 0 || arg.size() < head.size() + 1 || arg.back() != '\'')
        return {};
    AnsiString script = arg.substr(head.size(), arg.size() - head.size() - 1);
    for (size_t at = 0; (at = script.find("'\\''", at)) != AnsiString::npos; ++at)
        script.replace(at, 4, "'");
    const fs::path path(script);
    if ("/bin/sh " + ShellQuote(script) != arg || path.filename() != "connect" ||
        path.parent_path().filename().string().rfind(kDialFolderPrefix, 0) != 0)
        return {};
    return script;
}

// Where RasDialA makes dial folders, in this run or in one started with
// another environment: the login's runtime folder, or the temporary folder
// for a run without one (sudo, ssh).
std::vector<fs::path> DialFolderPlaces()
{
    std::vector<fs::path> places{"/run/user/" + std::to_string(::getuid()), "/tmp"};
    for (const char* var : kTempRootVars)
        if (const char* v = std::getenv(var); v != nullptr && *v != '\0')
            places.emplace_back(v);
    return places;
}

// By name, as the place may be gone with the folder, or as the same file.
bool SamePlace(const fs::path& a, const fs::path& b)
{
    const auto bare = [](const fs::path& p) {
        const fs::path n = p.lexically_normal();
        return n.has_filename() ? n : n.parent_path();
    };
    std::error_code ec;
    return bare(a) == bare(b) || fs::equivalent(a, b, ec);
}

bool InDialFolderPlace(const fs::path& folder)
{
    const auto places = DialFolderPlaces();
    return std::any_of(places.begin(), places.end(),
                       [&](const fs::path& place) { return SamePlace(folder.parent_path(), place); });
}

// A dial folder of ours: named as RasDialA names them, where it makes them,
// and this user's. pppd outlives a logout that removes the runtime folder,
// so a folder that is gone is known by its name and place alone.
bool InOurDialFolder(const AnsiString& script)
{
    const fs::path named = fs::path(script).parent_path();
    struct stat st {};
    if (::lstat(named.c_str(), &st) != 0)
        return errno == ENOENT && InDialFolderPlace(named);
    std::error_code ec;
    const fs::path folder = fs::canonical(named, ec);
    return !ec && folder.filename().string().rfind(kDialFolderPrefix, 0) == 0 && InDialFolderPlace(folder) &&
           ::stat(folder.c_str(), &st) == 0 && st.st_uid == ::getuid();
}

bool IsScript(const AnsiString& path)
{
    std::ifstream in(path, std::ios::binary);
    char magic[2] = {};
    return in.read(magic, 2) && magic[0] == '#' && magic[1] == '!';
}

// The process runs the pppd we run: by its executable, or, for a pppd that is
// a script, by the script its interpreter was given.
bool RunsOurPppd(const fs::path& proc, const std::vector<AnsiString>& args)
{
    const AnsiString pppd = PppdPath();
    std::error_code ec;
    if (fs::equivalent(proc / "exe", pppd, ec))
        return true;
    // A set-user-ID pppd is not ours to look into; its name is all it shows.
    if (ec == std::errc::permission_denied)
        return Comm(proc) == fs::path(pppd).filename().string().substr(0, 15);
    return args.size() > 1 && IsScript(pppd) && fs::equivalent(args[1], pppd, ec);
}

// One of our pppds on the tty: the pppd we run, with a connect script in a
// dial folder of ours.
bool OurPppdOn(const fs::path& proc, const std::vector<AnsiString>& args, const AnsiString& tty)
{
    // Shaped as ours first: only then are the arguments looked up as paths,
    // which may wake an automounted folder.
    AnsiString script;
    for (size_t i = 0; i + 1 < args.size() && script.empty(); ++i)
        if (args[i] == "connect")
            script = ConnectScriptOf(args[i + 1]);
    return !script.empty() && InOurDialFolder(script) && RunsOurPppd(proc, args) &&
           std::any_of(args.begin(), args.end(), [&](const AnsiString& a) { return SameTty(a, tty); });
}

// The real user of a process (a set-user-ID pppd keeps its caller's); -1 when unknown.
long RealUser(const fs::path& proc)
{
    std::ifstream in(proc / "status");
    for (AnsiString line; std::getline(in, line);)
        if (line.rfind("Uid:", 0) == 0)
            return std::strtol(line.c_str() + 4, nullptr, 10);
    return -1;
}

// Gone, or a zombie nobody has reaped yet.
bool Gone(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    AnsiString stat;
    std::getline(in, stat);
    const size_t paren = stat.rfind(')');
    return paren == AnsiString::npos || paren + 2 >= stat.size() || stat[paren + 2] == 'Z';
}

}  // namespace

std::vector<int> RasEndLeftoverLinks(const AnsiString& tty)
{
    const std::vector<pid_t> ours = OwnConnectionGroups();
    std::vector<int> ended;
    std::error_code ec;
    // Processes come and go meanwhile: an error ends the walk, never the program.
    for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path proc = it->path();
        const AnsiString name = proc.filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != AnsiString::npos)
            continue;
        const pid_t pid = static_cast<pid_t>(std::strtol(name.c_str(), nullptr, 10));
        const pid_t group = ::getpgid(pid);
        if (pid == ::getpid() || std::find(ours.begin(), ours.end(), group) != ours.end() ||
            RealUser(proc) != static_cast<long>(::getuid()) || !OurPppdOn(proc, CommandLine(proc), tty) || Gone(pid))
            continue;
        // As a hang-up: pppd and what it started, politely first.
        const pid_t target = group == pid ? -pid : pid;
        ::kill(target, SIGTERM);
        for (int i = 0; i < 300 && !Gone(pid); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!Gone(pid)) {
            ::kill(target, SIGKILL);
            for (int i = 0; i < 50 && !Gone(pid); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ended.push_back(pid);
    }
    return ended;
}
