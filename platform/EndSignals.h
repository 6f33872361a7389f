#pragma once
// The signals that ask a program to end from outside: SIGINT (Ctrl+C in its
// terminal), SIGHUP (the terminal closed) and SIGTERM (kill, a task
// manager's End). While an object of this class lives, the first of them is
// handed to its callback on the thread that built it (a thread with an event
// loop); a second one ends the process at once, as if nothing caught it,
// except a hang-up within a second of the first, which repeats it.
// One that the program was started ignoring stays ignored. One object at a
// time.
#include <functional>
#include <memory>

class QSocketNotifier;

class TEndSignals {
public:
    using Callback = std::function<void(int signal)>;

    explicit TEndSignals(Callback onEnd);
    // The caught signals' default actions come back.
    ~TEndSignals();
    TEndSignals(const TEndSignals&) = delete;
    TEndSignals& operator=(const TEndSignals&) = delete;

private:
    void Drain();

    Callback m_onEnd;
    int m_pipe[2] = {-1, -1};
    bool m_caught[3] = {};  // SIGINT, SIGHUP, SIGTERM
    std::unique_ptr<QSocketNotifier> m_notifier;
};
