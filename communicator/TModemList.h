#pragma once
// The names of the modem devices the program serves, from Devices.dat: names
// each followed by ";", stored scrambled byte by byte (byte i has one of two
// constants added, modulo 256: the first at even i, the second at odd i).
#include <cstdint>
#include <vector>
#include "platform/Types.h"

class TModemList {
public:
    static constexpr uint8_t kEvenKey = 0x5B;
    static constexpr uint8_t kOddKey = 0xC6;

    TModemList() = default;
    ~TModemList() = default;

    // Reads Devices.dat from the current folder; a missing file gives an empty list.
    void Load();
    void LoadFile(const AnsiString& fileName);
    // Replaces the list with the names in `text`. Empty names are skipped;
    // text after the last ";" is taken as a last name.
    void Parse(const AnsiString& text);
    // An entry equal to `name`, byte for byte.
    bool Contains(const AnsiString& name) const;
    const std::vector<AnsiString>& Names() const { return m_names; }

    static AnsiString Scramble(const AnsiString& plain);
    static AnsiString Unscramble(const AnsiString& stored);

private:
    std::vector<AnsiString> m_names;
};
