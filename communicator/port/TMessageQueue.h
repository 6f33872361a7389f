#pragma once
// First-in first-out queue of byte records. The port's thread puts event
// records and the trace-log thread takes them, so every operation locks.
#include <condition_variable>
#include <cstdint>
#include <mutex>

class CMessage;

class TMessageQueue {
public:
    TMessageQueue() = default;
    ~TMessageQueue();
    TMessageQueue(const TMessageQueue&) = delete;
    TMessageQueue& operator=(const TMessageQueue&) = delete;

    // Appends a copy of n bytes at the tail and wakes a waiting reader.
    // An empty or null record is refused.
    bool Put(const void* record, uint32_t n);
    // Copies the head record to out (at most max bytes), removes it and returns
    // the bytes copied; 0 when the queue is empty.
    uint32_t Get(void* out, uint32_t max);
    // True when records wait; their number goes to *count when given.
    bool HasMessages(int32_t* count = nullptr) const;
    // Waits up to ms for a record; true when the queue is not empty.
    bool WaitForMessages(uint32_t ms) const;
    void RemoveHead();
    void Clear();

private:
    void RemoveHeadLocked();

    mutable std::mutex m_Mutex;
    mutable std::condition_variable m_Arrived;
    CMessage* m_pHead = nullptr;
    CMessage* m_pTail = nullptr;  // appends need not walk the list
    int32_t m_nCount = 0;
};
