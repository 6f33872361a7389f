#include "platform/Event.h"

#include <chrono>

void TManualResetEvent::Set()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_set = true;
    }
    m_cv.notify_all();
}

void TManualResetEvent::Reset()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_set = false;
}

bool TManualResetEvent::IsSet() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_set;
}

bool TManualResetEvent::Wait(uint32_t ms) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_set; });
}

bool TManualResetEvent::WaitAndReset(uint32_t ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_cv.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_set; }))
        return false;
    m_set = false;
    return true;
}
