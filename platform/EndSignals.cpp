// The handler only writes the signal's number into a pipe; the pipe's reader
// runs on the event loop, where the program may do anything.
#include "platform/EndSignals.h"

#include <QSocketNotifier>
#include <atomic>
#include <cstdint>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <ctime>
#include <iterator>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGINT, SIGHUP, SIGTERM};

// A hang-up this soon after the first signal belongs to the same request:
// a closed terminal's comes from the kernel and again from the shell, and a
// logout's follows its SIGTERM.
constexpr int64_t kSameRequestNs = 1'000'000'000;

volatile sig_atomic_t g_writeFd = -1;
// Atomics, not volatile: a second signal may be handled on another thread,
// which must see the first one's time once it sees the flag.
std::atomic<int> g_received{0};
std::atomic<int64_t> g_receivedAt{0};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<int64_t>::is_always_lock_free,
              "read and written in a signal handler");

int64_t NowNs()
{
    timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

void OnSignal(int sig)
{
    if (g_received != 0) {
        if (sig == SIGHUP && NowNs() - g_receivedAt < kSameRequestNs)
            return;
        // Asked twice: the close under way is not waited for.
        std::signal(sig, SIG_DFL);
        std::raise(sig);
        return;
    }
    g_receivedAt = NowNs();  // before the flag: a hang-up seeing the flag compares with it
    g_received = 1;
    const int saved = errno;
    const char code = static_cast<char>(sig);
    if (g_writeFd >= 0)
        (void)!::write(g_writeFd, &code, 1);
    errno = saved;
}

}  // namespace

TEndSignals::TEndSignals(Callback onEnd) : m_onEnd(std::move(onEnd))
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_received = 0;
    g_writeFd = m_pipe[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { Drain(); });
    struct sigaction act {};
    act.sa_handler = OnSignal;
    sigemptyset(&act.sa_mask);
    act.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        // Ignored by whoever started the program (nohup, a job started in
        // the background): the user asked that it not end the program.
        struct sigaction was {};
        m_caught[i] = ::sigaction(kSignals[i], nullptr, &was) == 0 && was.sa_handler != SIG_IGN &&
                      ::sigaction(kSignals[i], &act, nullptr) == 0;
    }
}

TEndSignals::~TEndSignals()
{
    for (size_t i = 0; i < std::size(kSignals); ++i)
        if (m_caught[i])
            std::signal(kSignals[i], SIG_DFL);
    g_writeFd = -1;
    m_notifier.reset();
    for (int fd : m_pipe)
        if (fd >= 0)
            ::close(fd);
}

void TEndSignals::Drain()
{
    char code = 0;
    bool got = false;
    for (char c; ::read(m_pipe[0], &c, 1) == 1;) {
        code = c;
        got = true;
    }
    if (got && m_onEnd)
        m_onEnd(code);
}
