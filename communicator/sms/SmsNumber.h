#pragma once
// A recipient's number as people type it, made ready for the encoder.
#include <string_view>
#include "platform/Types.h"

namespace sms {

// The number without the blanks, dashes, dots, slashes and brackets that
// people put between digit groups: "+49 171 555-0100" gives "+491715550100".
// What is left must be 1 to 20 digits, '*' or '#', after an optional leading
// '+'; anything else gives "" (not a number). A trunk prefix "(0)" right
// after a leading country code goes with its brackets: "+44 (0)20" gives "+4420".
AnsiString CleanSmsNumber(std::string_view typed);

}  // namespace sms
