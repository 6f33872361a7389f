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
}  // namespace

AnsiString CleanSmsNumber(std::string_view typed)
{
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
            // The field starts with "+"; a user who types the whole number
            // "+49..." into it doubles the plus.
            if (number == "+")
                break;
            if (!number.empty())
                return {};
            number += c;
            break;
        default:
            if (!((c >= '0' && c <= '9') || c == '*' || c == '#') || ++digits > kMaxDigits)
                return {};
            number += c;
        }
    }
    return digits > 0 ? number : AnsiString();
}

}  // namespace sms
