#include "communicator/port/TEchoMask.h"

#include <algorithm>

void TEchoMask::Arm(const AnsiString& plain, const AnsiString& masked)
{
    if (plain.size() != masked.size() || plain == masked)
        return;
    if (m_Secrets.size() == kMaxArmed)
        m_Secrets.pop_front();
    m_Secrets.push_back({plain, masked, 0});
}

void TEchoMask::Clear()
{
    m_Secrets.clear();
}

// One byte to the echo it belongs to: an echo under way comes before one not
// yet begun, the older before the newer, so each echo takes its own secret.
bool TEchoMask::Take(char& c)
{
    for (const bool begun : {true, false}) {
        for (Secret& s : m_Secrets) {
            if ((s.matched > 0) == begun && s.plain[s.matched] == c) {
                c = s.masked[s.matched++];
                return true;
            }
        }
    }
    // An echo that parts from the command it was taken for, where another
    // command of the same beginning goes on: it is that one's (the echo of
    // the first was lost), which takes over from here.
    for (Secret& begun : m_Secrets) {
        if (begun.matched == 0)
            continue;
        const size_t k = begun.matched;
        for (Secret& other : m_Secrets) {
            if (&other == &begun || other.matched > k || other.plain.size() <= k || other.plain[k] != c ||
                other.plain.compare(0, k, begun.plain, 0, k) != 0)
                continue;
            c = other.masked[k];
            other.matched = k + 1;
            begun.matched = 0;
            return true;
        }
    }
    return false;
}

void TEchoMask::Apply(char* data, size_t n)
{
    for (size_t i = 0; i < n && Armed(); ++i) {
        if (Take(data[i]))
            std::erase_if(m_Secrets, [](const Secret& s) { return s.matched == s.plain.size(); });
    }
}

AnsiString TEchoMask::Apply(AnsiString piece)
{
    Apply(piece.data(), piece.size());
    return piece;
}
