#include "communicator/port/TEchoMask.h"

void TEchoMask::Arm(const AnsiString& plain, const AnsiString& masked)
{
    if (plain.size() != masked.size() || plain == masked) {
        Clear();
        return;
    }
    m_Plain = plain;
    m_Masked = masked;
    m_nMatched = 0;
}

void TEchoMask::Clear()
{
    m_Plain.clear();
    m_Masked.clear();
    m_nMatched = 0;
}

void TEchoMask::Apply(char* data, size_t n)
{
    for (size_t i = 0; i < n && Armed(); ++i) {
        if (data[i] != m_Plain[m_nMatched])
            continue;
        data[i] = m_Masked[m_nMatched];
        ++m_nMatched;
    }
    if (!Armed())
        Clear();
}

AnsiString TEchoMask::Apply(AnsiString piece)
{
    Apply(piece.data(), piece.size());
    return piece;
}
