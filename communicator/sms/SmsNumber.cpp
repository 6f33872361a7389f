#include "communicator/sms/SmsNumber.h"

namespace sms {

namespace {
constexpr size_t kMaxDigits = 20;  // what one address field holds

bool IsDigits(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The number so far is a country code (1 to 3 digits, never starting with 0)
// written with "+" or "00".
bool IsCountryCode(const AnsiString& number)
{
    std::string_view code = number;
    if (code.starts_with('+'))
        code.remove_prefix(1);
    else if (code.starts_with("00"))
        code.remove_prefix(2);
    else
        return false;
    return code.size() <= 3 && IsDigits(code) && code[0] != '0';
}

// The length of a trunk prefix "(0)" at the start of `text`, blanks inside the
// brackets allowed; 0 when there is none.
size_t TrunkPrefix(std::string_view text)
{
    const auto skipBlanks = [&](size_t i) { return text.find_first_not_of(" \t", i); };
    if (!text.starts_with('('))
        return 0;
    size_t i = skipBlanks(1);
    if (i == std::string_view::npos || text[i] != '0')
        return 0;
    i = skipBlanks(i + 1);
    if (i == std::string_view::npos || text[i] != ')')
        return 0;
    return i + 1;
}

struct PlainChar {
    char c;       // what it stands for in a number
    size_t size;  // the length of its UTF-8 sequence; 0: none of them
};

// The UTF-8 sequence at the start of `text` read as the ' ' or '-' it stands
// for: a blank other than ' ' and '\t' (a no-break space, a thin space, an
// ideographic space, or an invisible mark that pages and contact lists put
// into numbers, such as the direction marks around a number in right-to-left
// text), or a typographic dash (a non-breaking hyphen, a figure or en dash, a
// minus sign) that web pages print between digit groups.
PlainChar UnicodeSeparator(std::string_view text)
{
    const auto byte = [&](size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
    if (byte(0) == 0xC2 && byte(1) == 0xA0)
        return {' ', 2};
    if ((byte(0) & 0xF0) != 0xE0 || (byte(1) & 0xC0) != 0x80 || (byte(2) & 0xC0) != 0x80)
        return {0, 0};
    const unsigned cp = ((byte(0) & 0x0Fu) << 12) | ((byte(1) & 0x3Fu) << 6) | (byte(2) & 0x3Fu);
    const bool blank = cp == 0x1680 || (cp >= 0x2000 && cp <= 0x200F) || (cp >= 0x2028 && cp <= 0x202F) ||
                       cp == 0x205F || cp == 0x2060 || (cp >= 0x2066 && cp <= 0x2069) || cp == 0x3000 ||
                       cp == 0xFEFF;
    const bool dash = (cp >= 0x2010 && cp <= 0x2014) || cp == 0x2212 || cp == 0xFE63 || cp == 0xFF0D;
    return blank ? PlainChar{' ', 3} : dash ? PlainChar{'-', 3} : PlainChar{0, 0};
}

// The text with every Unicode blank made a plain ' ' and every dash a '-'.
AnsiString PlainSeparators(std::string_view typed)
{
    AnsiString plain;
    for (size_t i = 0; i < typed.size(); ++i) {
        if (const PlainChar p = UnicodeSeparator(typed.substr(i)); p.size > 0) {
            plain += p.c;
            i += p.size - 1;
        } else {
            plain += typed[i];
        }
    }
    return plain;
}
}  // namespace

bool IsEmptyNumber(std::string_view typed)
{
    return PlainSeparators(typed).find_first_not_of(" \t+") == AnsiString::npos;
}

AnsiString CleanSmsNumber(std::string_view pasted)
{
    const AnsiString plain = PlainSeparators(pasted);
    const std::string_view typed = plain;
    AnsiString number;
    size_t digits = 0;
    for (size_t i = 0; i < typed.size(); ++i) {
        const char c = typed[i];
        // "+44 (0)20 ..." or "0044 (0)20 ...": the trunk prefix, dialled only
        // from inside the country, has no place behind the country code.
        if (const size_t trunk = TrunkPrefix(typed.substr(i)); trunk > 0 && IsCountryCode(number)) {
            i += trunk - 1;
            continue;
        }
        switch (c) {
        case ' ': case '\t': case '-': case '.': case '/':
        case '(': case ')': case '[': case ']':
            break;
        case '+':
            // A doubled plus, "++49...", is a slip of the finger.
            if (number == "+")
                break;
            if (!number.empty())
                return {};
            number += c;
            break;
        default:
            if (!((c >= '0' && c <= '9') || c == '*' || c == '#') || ++digits > kMaxDigits)
                return {};
            // No country code begins with 0: a "+" before a "0" is a slip in
            // front of a national number.
            if (c == '0' && number == "+")
                number.clear();
            number += c;
        }
    }
    return digits > 0 ? number : AnsiString();
}

}  // namespace sms
