#pragma once
// Dates of the SMS store: days since 30 December 1899, the fraction the time
// of day, local time throughout.
#include <string_view>
#include "platform/Types.h"

namespace sms {

// 0.0 when the parts do not form a valid date and time (month 13, day 31 of
// a 30-day month, hour 24 and the like).
TDateTime MakeDateTime(int year, int month, int day, int hour, int minute, int second);

// A service-centre time stamp, YYMMDD and HHMMSS, year 2000 + YY, its time
// zone not applied; 0.0 when it is not a valid date.
TDateTime SctsToDateTime(std::string_view yymmdd, std::string_view hhmmss);

// The local time now.
TDateTime NowDateTime();

}  // namespace sms
