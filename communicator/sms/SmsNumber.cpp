#include "communicator/sms/SmsNumber.h"

namespace sms {

namespace {
constexpr size_t kMaxDigits = 20;  // what one address field holds
}

AnsiString CleanSmsNumber(std::string_view typed)
{
    AnsiString number;
    size_t digits = 0;
    for (size_t i = 0; i < typed.size(); ++i) {
        const char c = typed[i];
        // "+44 (0)20 ...": the trunk prefix, dialled only from inside the
        // country, has no place behind the country code (1 to 3 digits).
        const bool countryCode = number.size() >= 2 && number.size() <= 4 && number[0] == '+' &&
                                 number.find_first_not_of("0123456789", 1) == AnsiString::npos;
        if (countryCode && typed.substr(i, 3) == "(0)") {
            i += 2;
            continue;
        }
        switch (c) {
        case ' ': case '\t': case '-': case '.': case '/':
        case '(': case ')': case '[': case ']':
            break;
        case '+':
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
