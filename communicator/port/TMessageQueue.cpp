#include "communicator/port/TMessageQueue.h"

#include <chrono>

#include "communicator/port/CMessage.h"

TMessageQueue::~TMessageQueue() { Clear(); }

bool TMessageQueue::Put(const void* record, uint32_t n)
{
    auto* node = new CMessage;
    if (!node->SetData(record, n)) {
        delete node;
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        if (m_pTail == nullptr) {
            m_pHead = node;
        } else {
            m_pTail->SetNext(node);
            node->SetPrev(m_pTail);
        }
        m_pTail = node;
        ++m_nCount;
    }
    m_Arrived.notify_all();
    return true;
}

uint32_t TMessageQueue::Get(void* out, uint32_t max)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (m_pHead == nullptr)
        return 0;
    const uint32_t n = m_pHead->GetData(out, max);
    RemoveHeadLocked();
    return n;
}

bool TMessageQueue::HasMessages(int32_t* count) const
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (count != nullptr)
        *count = m_nCount;
    return m_pHead != nullptr;
}

bool TMessageQueue::WaitForMessages(uint32_t ms) const
{
    std::unique_lock<std::mutex> lock(m_Mutex);
    return m_Arrived.wait_for(lock, std::chrono::milliseconds(ms),
                              [this] { return m_pHead != nullptr; });
}

void TMessageQueue::RemoveHead()
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    RemoveHeadLocked();
}

void TMessageQueue::Clear()
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    while (m_pHead != nullptr)
        RemoveHeadLocked();
}

void TMessageQueue::RemoveHeadLocked()
{
    CMessage* old = m_pHead;
    if (old == nullptr)
        return;
    m_pHead = old->GetNext();
    if (m_pHead != nullptr)
        m_pHead->SetPrev(nullptr);
    else
        m_pTail = nullptr;
    old->Clear();
    delete old;
    --m_nCount;
}
