#pragma once
// Bytes on their way to the host, each due at a moment of its own, so that delays
// and answers in pieces never block the simulator's thread.
#include <chrono>
#include <deque>
#include <string>

namespace modemsim {

class OutputQueue {
public:
    using Clock = std::chrono::steady_clock;

    // After everything queued so far, and not before `now` + delayMs.
    void Append(const std::string& bytes, Clock::time_point now, int delayMs = 0);
    // Nothing more goes out until `ms` after what is queued (or after `now`).
    void Hold(Clock::time_point now, int ms);
    // Unsolicited bytes: ahead of anything that is not yet due.
    void Insert(const std::string& bytes, Clock::time_point now);

    bool Empty() const { return items_.empty() && !hold_; }
    // True when the first bytes are due and waiting for the line to take them.
    bool HasDue(Clock::time_point now) const;
    // The moment the next bytes (or the end of a hold) fall due; only when !Empty().
    Clock::time_point NextDue() const;
    // Writes due bytes to the non-blocking fd; false on a write error other than "full".
    bool WriteDue(int fd, Clock::time_point now);
    void Clear();

private:
    struct Item {
        Clock::time_point due;
        std::string bytes;
    };
    void DropExpiredHold(Clock::time_point now);

    std::deque<Item> items_;
    Clock::time_point tail_{};  // due time of the last queued answer bytes
    bool hold_ = false;         // a pause with nothing behind it yet still counts as busy
};

}  // namespace modemsim
