#include "communicator/sms/SmsDate.h"

#include <ctime>

namespace sms {

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date.
long long DaysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

bool IsLeap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// Two decimal digits, or -1.
int TwoDigits(std::string_view s, size_t at)
{
    if (s.size() < at + 2)
        return -1;
    const char a = s[at], b = s[at + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9')
        return -1;
    return (a - '0') * 10 + (b - '0');
}

}  // namespace

TDateTime MakeDateTime(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59)
        return 0.0;
    const long long days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                           DaysFromCivil(1899, 12, 30);
    return static_cast<double>(days) + (hour * 3600 + minute * 60 + second) / 86400.0;
}

TDateTime SctsToDateTime(std::string_view yymmdd, std::string_view hhmmss)
{
    if (yymmdd.size() != 6 || hhmmss.size() != 6)
        return 0.0;
    const int yy = TwoDigits(yymmdd, 0), mo = TwoDigits(yymmdd, 2), dd = TwoDigits(yymmdd, 4);
    const int hh = TwoDigits(hhmmss, 0), mi = TwoDigits(hhmmss, 2), ss = TwoDigits(hhmmss, 4);
    if (yy < 0 || mo < 0 || dd < 0 || hh < 0 || mi < 0 || ss < 0)
        return 0.0;
    return MakeDateTime(2000 + yy, mo, dd, hh, mi, ss);
}

TDateTime NowDateTime()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    const time_t secs = ts.tv_sec;
    localtime_r(&secs, &local);
    // Leap seconds of the C library fold into the last second of the minute.
    const int second = local.tm_sec > 59 ? 59 : local.tm_sec;
    TDateTime value = MakeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                   local.tm_min, second);
    return value + ts.tv_nsec / 1e9 / 86400.0;
}

}  // namespace sms
