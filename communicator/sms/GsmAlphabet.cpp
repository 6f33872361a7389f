#include "communicator/sms/GsmAlphabet.h"

#include <algorithm>
#include <array>
#include <climits>

namespace sms {

namespace {

constexpr std::array<std::array<int32_t, 2>, 10> kExtensionPairs = {{
    {0x0A, 0x0C}, {0x14, 0x5E}, {0x28, 0x7B}, {0x29, 0x7D}, {0x2F, 0x5C},
    {0x3C, 0x5B}, {0x3D, 0x7E}, {0x3E, 0x5D}, {0x40, 0x7C}, {0x65, 0xA4},
}};

constexpr std::array<int32_t, 128> MakeGsmToAnsi()
{
    std::array<int32_t, 128> t{};
    for (int i = 0; i < 128; ++i)
        t[i] = i;
    const int32_t changed[][2] = {
        {0x00, 0x40}, {0x01, 0xA3}, {0x02, 0x24}, {0x03, 0xA5}, {0x04, 0xE8}, {0x05, 0xE9},
        {0x06, 0xF9}, {0x07, 0xEC}, {0x08, 0xF2}, {0x09, 0xC7}, {0x0B, 0xD8}, {0x0C, 0xF8},
        {0x0E, 0xC5}, {0x0F, 0xE5}, {0x11, 0x5F}, {0x1C, 0xC6}, {0x1D, 0xE6}, {0x1E, 0xDF},
        {0x1F, 0xC9}, {0x24, 0xA4}, {0x40, 0xA1}, {0x5B, 0xC4}, {0x5C, 0xD6}, {0x5D, 0xD1},
        {0x5E, 0xDC}, {0x5F, 0xA7}, {0x60, 0xBF}, {0x7B, 0xE4}, {0x7C, 0xF6}, {0x7D, 0xF1},
        {0x7E, 0xFC}, {0x7F, 0xE0},
    };
    for (const auto& c : changed)
        t[c[0]] = c[1];
    // The Greek capitals have no ISO 8859-1 character.
    t[0x10] = -1;
    for (int i = 0x12; i <= 0x1A; ++i)
        t[i] = -1;
    t[0x1B] = -2;
    return t;
}

constexpr std::array<int32_t, 128> kGsmToAnsi = MakeGsmToAnsi();

constexpr std::array<int32_t, 256> MakeAnsiToGsm()
{
    std::array<int32_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        t[c] = -1;
        bool extension = false;
        for (const auto& p : kExtensionPairs) {
            if (p[1] == c) {
                t[c] = 0x1B00 + p[0];
                extension = true;
                break;
            }
        }
        if (extension)
            continue;
        for (int g = 0; g < 128; ++g) {
            if (kGsmToAnsi[g] == c) {
                t[c] = g;
                break;
            }
        }
    }
    return t;
}

constexpr std::array<int32_t, 256> kAnsiToGsm = MakeAnsiToGsm();

// The default alphabet in Unicode. The escape holds a space: it is what an
// escape followed by a second escape shows.
constexpr std::array<char16_t, 128> MakeGsmToUnicode()
{
    std::array<char16_t, 128> t{};
    for (int i = 0; i < 128; ++i)
        t[i] = static_cast<char16_t>(i);
    const char16_t changed[][2] = {
        {0x00, u'@'},    {0x01, 0x00A3}, {0x02, u'$'},    {0x03, 0x00A5}, {0x04, 0x00E8}, {0x05, 0x00E9},
        {0x06, 0x00F9},  {0x07, 0x00EC}, {0x08, 0x00F2},  {0x09, 0x00C7}, {0x0B, 0x00D8}, {0x0C, 0x00F8},
        {0x0E, 0x00C5},  {0x0F, 0x00E5}, {0x10, 0x0394},  {0x11, u'_'},   {0x12, 0x03A6}, {0x13, 0x0393},
        {0x14, 0x039B},  {0x15, 0x03A9}, {0x16, 0x03A0},  {0x17, 0x03A8}, {0x18, 0x03A3}, {0x19, 0x0398},
        {0x1A, 0x039E},  {0x1B, u' '},   {0x1C, 0x00C6},  {0x1D, 0x00E6}, {0x1E, 0x00DF}, {0x1F, 0x00C9},
        {0x24, 0x00A4},  {0x40, 0x00A1}, {0x5B, 0x00C4},  {0x5C, 0x00D6}, {0x5D, 0x00D1}, {0x5E, 0x00DC},
        {0x5F, 0x00A7},  {0x60, 0x00BF}, {0x7B, 0x00E4},  {0x7C, 0x00F6}, {0x7D, 0x00F1}, {0x7E, 0x00FC},
        {0x7F, 0x00E0},
    };
    for (const auto& c : changed)
        t[c[0]] = c[1];
    return t;
}

constexpr std::array<char16_t, 128> kGsmToUnicode = MakeGsmToUnicode();

// The extension table: the character a code gives after the escape, 0 where
// the table has none.
constexpr std::array<char16_t, 128> MakeExtension()
{
    std::array<char16_t, 128> t{};
    for (const auto& p : kExtensionPairs)
        t[p[0]] = p[1] == 0xA4 ? char16_t(0x20AC) : static_cast<char16_t>(p[1]);
    return t;
}

constexpr std::array<char16_t, 128> kExtension = MakeExtension();

// U+0000 to U+00FF -> GSM code as GsmCodeOf gives it.
constexpr std::array<int16_t, 256> MakeLatinToGsm()
{
    std::array<int16_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        t[c] = -1;
        for (int g = 0; g < 128; ++g) {
            if (g != 0x1B && kGsmToUnicode[g] == c) {
                t[c] = static_cast<int16_t>(g);
                break;
            }
        }
        for (int g = 0; g < 128; ++g)
            if (kExtension[g] == c && c != 0)
                t[c] = static_cast<int16_t>(0x1B00 + g);
    }
    return t;
}

constexpr std::array<int16_t, 256> kLatinToGsm = MakeLatinToGsm();

inline int CodeOf(char16_t u)
{
    if (u < 0x100)
        return kLatinToGsm[u];
    switch (u) {
    case 0x0394: return 0x10;  // the Greek capitals
    case 0x03A6: return 0x12;
    case 0x0393: return 0x13;
    case 0x039B: return 0x14;
    case 0x03A9: return 0x15;
    case 0x03A0: return 0x16;
    case 0x03A8: return 0x17;
    case 0x03A3: return 0x18;
    case 0x0398: return 0x19;
    case 0x039E: return 0x1A;
    case 0x20AC: return 0x1B65;
    default: return -1;
    }
}

inline bool IsHighSurrogate(char16_t u)
{
    return u >= 0xD800 && u <= 0xDBFF;
}

inline bool IsLowSurrogate(char16_t u)
{
    return u >= 0xDC00 && u <= 0xDFFF;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

}  // namespace

const std::array<std::array<int32_t, 2>, 10> GsmExtensionPairs = kExtensionPairs;
const std::array<int32_t, 128> GsmToAnsiTable = kGsmToAnsi;
const std::array<int32_t, 256> AnsiToGsmTable = kAnsiToGsm;

AnsiString GsmToAnsi(std::string_view gsm)
{
    AnsiString out;
    out.reserve(gsm.size());
    for (size_t i = 0; i < gsm.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(gsm[i]);
        if (c == 0x1B) {
            // A trailing escape has no partner: it is dropped.
            if (i + 1 >= gsm.size())
                break;
            const unsigned char next = static_cast<unsigned char>(gsm[++i]);
            if (next < 128 && kExtension[next] != 0) {
                for (const auto& p : kExtensionPairs) {
                    if (p[0] == next) {
                        out += static_cast<char>(p[1]);
                        break;
                    }
                }
                continue;
            }
            // No extension character: the receiver shows the basic one.
            c = next;
        }
        const int32_t v = c < 128 ? kGsmToAnsi[c] : -1;
        if (v == -2)
            out += ' ';
        else
            out += static_cast<char>(v >= 0 ? v : c);
    }
    return out;
}

AnsiString AnsiToGsm(std::string_view ansi)
{
    AnsiString out;
    out.reserve(ansi.size());
    for (char ch : ansi) {
        const int32_t v = kAnsiToGsm[static_cast<unsigned char>(ch)];
        if (v > 0x7F) {
            out += static_cast<char>(v >> 8);
            out += static_cast<char>(v & 0xFF);
        } else {
            out += static_cast<char>(v < 0 ? 0xFF : v);
        }
    }
    return out;
}

std::string PackSeptets(std::string_view codes, int fillBits)
{
    if (fillBits < 0 || fillBits > 6)
        fillBits = 0;
    const size_t bits = static_cast<size_t>(fillBits) + 7 * codes.size();
    std::string out((bits + 7) / 8, '\0');
    size_t pos = static_cast<size_t>(fillBits);
    for (char ch : codes) {
        unsigned v = static_cast<unsigned char>(ch);
        if (v > 0x7F)
            v = 0;  // the marker of an unmappable character
        const size_t byte = pos / 8, shift = pos % 8;
        out[byte] = static_cast<char>(static_cast<unsigned char>(out[byte]) | ((v << shift) & 0xFF));
        if (shift > 1)
            out[byte + 1] = static_cast<char>(static_cast<unsigned char>(out[byte + 1]) | (v >> (8 - shift)));
        pos += 7;
    }
    return out;
}

std::string UnpackSeptets(std::string_view octets, size_t count, size_t skip)
{
    std::string out;
    const size_t available = octets.size() * 8 / 7;
    if (count > available)
        count = available;
    if (skip >= count)
        return out;
    out.reserve(count - skip);
    for (size_t k = skip; k < count; ++k) {
        const size_t pos = 7 * k, byte = pos / 8, shift = pos % 8;
        unsigned v = static_cast<unsigned char>(octets[byte]) >> shift;
        if (shift > 1)
            v |= static_cast<unsigned>(static_cast<unsigned char>(octets[byte + 1])) << (8 - shift);
        out += static_cast<char>(v & 0x7F);
    }
    return out;
}

int GsmCodeOf(char16_t u)
{
    return CodeOf(u);
}

WideString UnpackText(std::string_view octets, size_t count, size_t skip)
{
    WideString out;
    count = std::min(count, octets.size() * 8 / 7);
    if (skip >= count)
        return out;
    out.resize(count - skip);
    char16_t* const begin = out.data();
    char16_t* p = begin;
    const auto* data = reinterpret_cast<const unsigned char*>(octets.data());
    bool escaped = false;
    for (size_t k = skip; k < count; ++k) {
        const size_t pos = 7 * k, byte = pos / 8, shift = pos % 8;
        unsigned v = static_cast<unsigned>(data[byte]) >> shift;
        if (shift > 1)
            v |= static_cast<unsigned>(data[byte + 1]) << (8 - shift);
        v &= 0x7F;
        if (escaped) {
            escaped = false;
            // No extension character: the basic one (a second escape, a space).
            *p++ = kExtension[v] != 0 ? kExtension[v] : kGsmToUnicode[v];
        } else if (v == 0x1B) {
            escaped = true;  // a trailing escape has no partner and is dropped
        } else {
            *p++ = kGsmToUnicode[v];
        }
    }
    out.resize(static_cast<size_t>(p - begin));
    return out;
}

int PackText(const WideString& text, AnsiString& hex)
{
    // Room for the worst case, every character an extension; cut back below.
    const size_t start = hex.size();
    hex.resize(start + (text.size() * 14 + 7) / 8 * 2);
    char* out = hex.data() + start;
    uint32_t pending = 0;  // bits not yet written, lowest first
    int bits = 0, septets = 0;
    const auto put = [&](unsigned code) {
        pending |= code << bits;
        bits += 7;
        ++septets;
        if (bits >= 8) {
            *out++ = kHexDigits[(pending >> 4) & 0xF];
            *out++ = kHexDigits[pending & 0xF];
            pending >>= 8;
            bits -= 8;
        }
    };
    for (size_t i = 0; i < text.size(); ++i) {
        int code = CodeOf(text[i]);
        if (code < 0) {
            code = '?';
            if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]))
                ++i;
        }
        if (code > 0x7F) {
            put(0x1B);
            put(static_cast<unsigned>(code) & 0x7F);
        } else {
            put(static_cast<unsigned>(code));
        }
    }
    if (bits > 0) {
        *out++ = kHexDigits[(pending >> 4) & 0xF];
        *out++ = kHexDigits[pending & 0xF];
    }
    hex.resize(static_cast<size_t>(out - hex.data()));
    return septets;
}

bool HexToBytes(std::string_view hex, std::string& bytes)
{
    bytes.clear();
    if (hex.size() % 2 != 0)
        return false;
    bytes.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) {
            bytes.clear();
            return false;
        }
        bytes += static_cast<char>(hi << 4 | lo);
    }
    return true;
}

AnsiString BytesToHex(std::string_view bytes)
{
    AnsiString out;
    out.reserve(bytes.size() * 2);
    for (char b : bytes) {
        const unsigned char v = static_cast<unsigned char>(b);
        out += kHexDigits[v >> 4];
        out += kHexDigits[v & 0x0F];
    }
    return out;
}

AnsiString Encode7Bit(std::string_view ansi)
{
    if (ansi.empty())
        return {};
    return BytesToHex(PackSeptets(AnsiToGsm(ansi)));
}

AnsiString Decode7Bit(std::string_view hex)
{
    if (hex.size() % 2 != 0)
        hex.remove_suffix(1);
    std::string octets;
    if (hex.empty() || !HexToBytes(hex, octets))
        return {};
    std::string codes = UnpackSeptets(octets, octets.size() * 8 / 7);
    // A full last group of eight septets ending in 0 is the fill of a text of
    // 8k-1 characters.
    if (octets.size() % 7 == 0 && !codes.empty() && codes.back() == 0)
        codes.pop_back();
    return GsmToAnsi(codes);
}

AnsiString EncodeUCS2(const WideString& text)
{
    AnsiString out;
    out.reserve(text.size() * 4);
    for (char16_t u : text) {
        out += kHexDigits[(u >> 12) & 0xF];
        out += kHexDigits[(u >> 8) & 0xF];
        out += kHexDigits[(u >> 4) & 0xF];
        out += kHexDigits[u & 0xF];
    }
    return out;
}

WideString DecodeUCS2(std::string_view hex)
{
    WideString out;
    hex = hex.substr(0, hex.size() - hex.size() % 4);
    std::string bytes;
    if (!HexToBytes(hex, bytes))
        return out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) << 8 |
                                     static_cast<unsigned char>(bytes[i + 1]));
    return out;
}

AnsiString SwapSemiOctets(std::string_view text)
{
    AnsiString out(text);
    for (size_t i = 0; i + 1 < out.size(); i += 2)
        std::swap(out[i], out[i + 1]);
    return out;
}

AnsiString IntToHex(int value)
{
    AnsiString out;
    unsigned v = value > 0 ? static_cast<unsigned>(value) : 0;
    while (v) {
        out.insert(out.begin(), kHexDigits[v & 0xF]);
        v >>= 4;
    }
    return out;
}

AnsiString IntToHex2(int value)
{
    AnsiString out = IntToHex(value);
    while (out.size() < 2)
        out.insert(out.begin(), '0');
    return out;
}

int HexToInt(std::string_view hex)
{
    long long value = 0;
    for (char c : hex) {
        const int d = HexDigit(c);
        if (d < 0)
            return -1;
        value = value * 16 + d;
        if (value > INT_MAX)
            return -1;
    }
    return static_cast<int>(value);
}

AnsiString IntToBin(int value)
{
    AnsiString out;
    unsigned v = value > 0 ? static_cast<unsigned>(value) : 0;
    while (v) {
        out.insert(out.begin(), (v & 1) ? '1' : '0');
        v >>= 1;
    }
    return out;
}

int BinToInt(std::string_view bits)
{
    unsigned value = 0;
    for (char c : bits)
        value = (value << 1) | (c == '1' ? 1u : 0u);
    return static_cast<int>(value & INT_MAX);
}

AnsiString BinToHex2(std::string_view bits)
{
    if (bits.empty())
        return {};
    return IntToHex2(BinToInt(bits));
}

AnsiString HexToStr(std::string_view hex)
{
    std::string bytes;
    if (!HexToBytes(hex, bytes))
        return {};
    const size_t zero = bytes.find('\0');
    if (zero != std::string::npos)
        bytes.resize(zero);
    return bytes;
}

AnsiString StrToHex(std::string_view bytes)
{
    return BytesToHex(bytes);
}

int ReadOctet(std::string_view pdu, int& cursor, AnsiString* digits)
{
    if (cursor < 1 || static_cast<size_t>(cursor) + 1 > pdu.size())
        return -1;
    const std::string_view two = pdu.substr(static_cast<size_t>(cursor) - 1, 2);
    const int hi = HexDigit(two[0]), lo = HexDigit(two[1]);
    if (hi < 0 || lo < 0)
        return -1;
    if (digits)
        *digits = AnsiString(two);
    cursor += 2;
    return hi << 4 | lo;
}

AnsiString ReadOctetBits(std::string_view pdu, int& cursor)
{
    const int value = ReadOctet(pdu, cursor);
    return value < 0 ? AnsiString() : IntToBin(value);
}

AnsiString WideToSms8(const WideString& text)
{
    AnsiString out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            ++i;  // one '?' for the whole supplementary character
            out += '?';
        } else if (u == 0x20AC || u == 0x00A4) {
            out += static_cast<char>(0xA4);
        } else if (u <= 0xFF) {
            out += static_cast<char>(u);
        } else {
            out += '?';
        }
    }
    return out;
}

WideString Sms8ToWide(std::string_view text)
{
    WideString out;
    out.reserve(text.size());
    for (char c : text) {
        const unsigned char b = static_cast<unsigned char>(c);
        out += b == 0xA4 ? char16_t(0x20AC) : char16_t(b);
    }
    return out;
}

int CountSeptets(const WideString& text)
{
    int septets = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const int code = CodeOf(text[i]);
        if (code < 0 && IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]))
            ++i;
        septets += code > 0x7F ? 2 : 1;
    }
    return septets;
}

}  // namespace sms
