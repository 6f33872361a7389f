#pragma once
// A manual-reset event: once set it stays set, releasing every waiter, until
// someone resets it. Usable from any thread.
#include <condition_variable>
#include <cstdint>
#include <mutex>

class TManualResetEvent {
public:
    explicit TManualResetEvent(bool initiallySet = false) : m_set(initiallySet) {}
    TManualResetEvent(const TManualResetEvent&) = delete;
    TManualResetEvent& operator=(const TManualResetEvent&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;
    // True when the event was (or became) set within `ms` milliseconds.
    bool Wait(uint32_t ms) const;
    // Waits up to `ms` for the event and resets it in the same step, so two
    // takers can never both see it free. True when it was taken.
    bool WaitAndReset(uint32_t ms);

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cv;
    bool m_set;
};
