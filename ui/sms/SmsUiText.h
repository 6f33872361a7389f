#pragma once
// Small pieces of the SMS window that need no widget: how the compose page
// counts a text, how the lists show a date, and how the recipients field is
// split.
#include <QString>
#include <vector>
#include "platform/Types.h"

namespace smsui {

constexpr int kMaxChars7Bit = 160;
constexpr int kMaxCharsUcs2 = 70;

inline int MaxChars(bool ucs2)
{
    return ucs2 ? kMaxCharsUcs2 : kMaxChars7Bit;
}

// The length of a text as one message carries it: UTF-16 units in UCS-2;
// septets in the 7-bit alphabet, counted by the encoder itself, so the page
// never lets in a text the encoder would refuse. The extension characters
// (form feed ^ { } \ [ ~ ] | and the euro sign) take two septets.
int CountChars(const WideString& text, bool ucs2);

// The text as the message carries it: in the 7-bit alphabet every character
// outside it goes as '?'.
WideString AsSent(const WideString& text, bool ucs2);

// Whether the 7-bit alphabet carries every character of the text.
bool FitsSevenBit(const WideString& text);

// A store date (days since 30 December 1899, local time) as "dd/mm/yy hh:nn";
// "" when it lies outside the calendar.
QString FormatDate(TDateTime date);

// The recipients field cut at every ";" and "," (no number holds a comma, and
// people separate addresses with it); the pieces stay as typed, empty ones
// included, so "111;" gives "111" and "".
std::vector<AnsiString> SplitRecipients(const AnsiString& numbers);

// Whether the recipients field names anyone: more than blanks (Unicode ones
// too), ";" and a lone "+".
bool HasRecipient(const AnsiString& numbers);

// The first `units` UTF-16 units of a text, one less when the cut would split
// a surrogate pair.
WideString CutText(const WideString& text, int units);

// The longest start of a text that one message carries in the encoding.
WideString FitText(const WideString& text, bool ucs2);

}  // namespace smsui
