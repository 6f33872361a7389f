#include "ui/sms/SmsUiText.h"

#include <QDate>
#include <algorithm>
#include <cmath>

#include "communicator/sms/GsmAlphabet.h"
#include "communicator/sms/SmsNumber.h"

namespace smsui {

int CountChars(const WideString& text, bool ucs2)
{
    if (ucs2)
        return static_cast<int>(text.size());
    return sms::CountSeptets(text);
}

WideString AsSent(const WideString& text, bool ucs2)
{
    if (ucs2 || FitsSevenBit(text))
        return text;
    AnsiString hex;
    const int septets = sms::PackText(text, hex);
    std::string octets;
    sms::HexToBytes(hex, octets);
    return sms::UnpackText(octets, static_cast<size_t>(septets));
}

bool FitsSevenBit(const WideString& text)
{
    return std::all_of(text.begin(), text.end(), [](char16_t u) { return sms::GsmCodeOf(u) >= 0; });
}

QString FormatDate(TDateTime date)
{
    if (!std::isfinite(date) || std::fabs(date) > 3.0e6)
        return QString();
    double days = std::trunc(date);
    // The time of day is the fraction's magnitude, also before 1899.
    long long ms = std::llround(std::fabs(date - days) * 86400000.0);
    if (ms >= 86400000LL) {
        ms -= 86400000LL;
        days += date < 0 ? -1 : 1;
    }
    const QDate day = QDate(1899, 12, 30).addDays(static_cast<qint64>(days));
    if (!day.isValid())
        return QString();
    const long long minutes = ms / 60000;
    return day.toString(QStringLiteral("dd/MM/yy")) +
           QString::asprintf(" %02lld:%02lld", minutes / 60, minutes % 60);
}

std::vector<AnsiString> SplitRecipients(const AnsiString& numbers)
{
    std::vector<AnsiString> pieces;
    size_t start = 0;
    for (;;) {
        const size_t p = numbers.find_first_of(";,", start);
        if (p == AnsiString::npos) {
            pieces.push_back(numbers.substr(start));
            return pieces;
        }
        pieces.push_back(numbers.substr(start, p - start));
        start = p + 1;
    }
}

bool HasRecipient(const AnsiString& numbers)
{
    const std::vector<AnsiString> pieces = SplitRecipients(numbers);
    return std::any_of(pieces.begin(), pieces.end(), [](const AnsiString& p) { return !sms::IsEmptyNumber(p); });
}

WideString CutText(const WideString& text, int units)
{
    if (units < 0)
        units = 0;
    if (static_cast<size_t>(units) >= text.size())
        return text;
    size_t n = static_cast<size_t>(units);
    if (n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF)
        --n;
    return text.substr(0, n);
}

WideString FitText(const WideString& text, bool ucs2)
{
    WideString fit = CutText(text, MaxChars(ucs2));
    while (CountChars(fit, ucs2) > MaxChars(ucs2))
        fit = CutText(fit, static_cast<int>(fit.size()) - 1);
    return fit;
}

}  // namespace smsui
