#pragma once
// One record in a TMessageQueue: a heap copy of its bytes and the list links.
#include <cstdint>
#include <memory>

class CMessage {
public:
    CMessage() = default;
    ~CMessage() = default;
    CMessage(const CMessage&) = delete;
    CMessage& operator=(const CMessage&) = delete;

    // Copies n bytes into a new buffer, replacing the old one. Refuses a null
    // pointer or 0 bytes (the node keeps what it had).
    bool SetData(const void* data, uint32_t n);
    // Copies min(max, size) bytes to out and returns that count; 0 for a null target.
    uint32_t GetData(void* out, uint32_t max) const;
    uint32_t GetSize() const { return m_nSize; }

    // Null is accepted: unlinking a node must be able to clear its links.
    void SetNext(CMessage* next) { m_pNext = next; }
    void SetPrev(CMessage* prev) { m_pPrev = prev; }
    CMessage* GetNext() const { return m_pNext; }
    CMessage* GetPrev() const { return m_pPrev; }
    // The last node of the chain that starts here.
    CMessage* GetLast();

    // Frees the data and zeroes every member.
    void Clear();

private:
    std::unique_ptr<uint8_t[]> m_pData;
    uint32_t m_nSize = 0;
    CMessage* m_pNext = nullptr;
    CMessage* m_pPrev = nullptr;
};
