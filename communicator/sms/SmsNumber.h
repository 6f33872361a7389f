#pragma once
// A recipient's number as people type it, made ready for the encoder.
#include <string_view>
#include "platform/Types.h"

namespace sms {

// The number without the blanks, dashes, dots, slashes and brackets that
// people put between digit groups: "+49 171 555-0100" gives "+491715550100".
// What is left must be 1 to 20 digits, '*' or '#', after an optional leading
// '+'; anything else gives "" (not a number). A trunk prefix "(0)" (blanks
// inside allowed) right after a country code written with "+" or "00" goes
// with its brackets: "+44 (0)20" gives "+4420", "0049 ( 0 ) 171" "0049171";
// elsewhere it stays: "(0)30" gives "030". A "+" right before a "0" goes
// ("+0171 1234567" gives "01711234567"): no country code begins with 0.
// Unicode blanks (a no-break space, say, in a pasted number) are blanks, and
// typographic dashes (a non-breaking hyphen, an en dash, a minus sign) dashes.
AnsiString CleanSmsNumber(std::string_view typed);

// Whether the text names no number at all: nothing but blanks and "+".
bool IsEmptyNumber(std::string_view typed);

}  // namespace sms
