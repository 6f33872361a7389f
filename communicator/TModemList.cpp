#include "communicator/TModemList.h"

#include <fstream>
#include <sstream>

void TModemList::Load() { LoadFile("Devices.dat"); }

void TModemList::LoadFile(const AnsiString& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    std::ostringstream stored;
    if (in)
        stored << in.rdbuf();
    Parse(Unscramble(stored.str()));
}

void TModemList::Parse(const AnsiString& text)
{
    m_names.clear();
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find(';', from);
        if (end == AnsiString::npos)
            end = text.size();
        if (end > from)
            m_names.push_back(text.substr(from, end - from));
        from = end + 1;
    }
}

bool TModemList::Contains(const AnsiString& name) const
{
    for (const AnsiString& n : m_names)
        if (n == name)
            return true;
    return false;
}

AnsiString TModemList::Scramble(const AnsiString& plain)
{
    AnsiString out = plain;
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char>(static_cast<uint8_t>(out[i]) + (i % 2 == 0 ? kEvenKey : kOddKey));
    return out;
}

AnsiString TModemList::Unscramble(const AnsiString& stored)
{
    AnsiString out = stored;
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char>(static_cast<uint8_t>(out[i]) - (i % 2 == 0 ? kEvenKey : kOddKey));
    return out;
}
