// The keeper: the process between the program and pppd.
#include "platform/RasDialShared.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace rasdial {

// The keeper stands between the program and pppd and leads their process
// group. While the program lives it only passes pppd's end on as its own;
// once the program is gone, however it went, it ends pppd and all it started,
// as a hang-up would. pppd itself cannot be told to end with the program: a
// set-user-ID pppd drops the parent-death signal when it starts.
// A child of a threaded process: async-signal-safe calls only.
[[noreturn]] void RunKeeper(const KeeperPlan& plan)
{
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != plan.program)
        ::_exit(kExecFailed);  // gone before pppd started
    ::dup2(plan.devNull, 0);
    ::dup2(plan.outWrite, 1);
    ::dup2(plan.outWrite, 2);
    if (plan.optRead == 3)
        ::fcntl(3, F_SETFD, 0);
    else
        ::dup2(plan.optRead, 3);
    ::close_range(4, ~0U, 0);
    const pid_t pppd = ::fork();
    if (pppd == 0) {
        for (int sig : {SIGINT, SIGHUP, SIGTERM})
            ::signal(sig, SIG_DFL);
        ::sigprocmask(SIG_SETMASK, &plan.callerMask, nullptr);
        ::execv(plan.argv[0], plan.argv);
        ::_exit(kExecFailed);
    }
    ::close_range(0, ~0U, 0);
    if (pppd < 0)
        ::_exit(kExecFailed);
    const auto orphaned = [&] { return ::getppid() != plan.program; };
    const auto removeScripts = [&] {
        for (const char* f : plan.scripts)
            ::unlink(f);
        ::rmdir(plan.folder);
    };
    int ticksSinceEnd = -1;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pppd, &status, WNOHANG);
        if (r == pppd) {
            if (orphaned())
                removeScripts();
            if (WIFEXITED(status))
                ::_exit(WEXITSTATUS(status));
            const int sig = WTERMSIG(status);
            ::signal(sig, SIG_DFL);
            sigset_t one;
            sigemptyset(&one);
            sigaddset(&one, sig);
            ::sigprocmask(SIG_UNBLOCK, &one, nullptr);
            ::kill(::getpid(), sig);
            ::_exit(128 + sig);
        }
        if (r < 0 && errno != EINTR)
            ::_exit(kExecFailed);
        const timespec tick{0, 100 * 1000 * 1000};
        ::sigtimedwait(&plan.endSignals, nullptr, &tick);
        if (!orphaned())
            continue;
        // pppd ends the link politely first, as on a hang-up; then it is killed.
        if (ticksSinceEnd < 0) {
            ticksSinceEnd = 0;
            ::kill(0, SIGTERM);
        } else if (++ticksSinceEnd == 60) {
            removeScripts();
            ::kill(0, SIGKILL);
        }
    }
}

}  // namespace rasdial
