#include "communicator/port/CMessage.h"

#include <algorithm>
#include <cstring>

bool CMessage::SetData(const void* data, uint32_t n)
{
    if (data == nullptr || n == 0)
        return false;
    auto copy = std::make_unique<uint8_t[]>(n);
    std::memcpy(copy.get(), data, n);
    m_pData = std::move(copy);
    m_nSize = n;
    return true;
}

uint32_t CMessage::GetData(void* out, uint32_t max) const
{
    if (out == nullptr || !m_pData)
        return 0;
    const uint32_t n = std::min(max, m_nSize);
    if (n > 0)
        std::memcpy(out, m_pData.get(), n);
    return n;
}

CMessage* CMessage::GetLast()
{
    CMessage* node = this;
    while (node->m_pNext != nullptr)
        node = node->m_pNext;
    return node;
}

void CMessage::Clear()
{
    m_pData.reset();
    m_nSize = 0;
    m_pNext = nullptr;
    m_pPrev = nullptr;
}
