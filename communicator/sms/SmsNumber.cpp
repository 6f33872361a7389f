#include "communicator/sms/SmsNumber.h"

namespace sms {

namespace {
constexpr size_t kMaxDigits = 20;  // what one address field holds
}

AnsiString CleanSmsNumber(std::string_view typed)
{
    AnsiString number;
    size_t digits = 0;
    for (const char c : typed) {
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
