#pragma once
// The text and date types that both subsystems share.
#include <string>

// 8-bit text in the platform's ANSI code page (UTF-8 here).
using AnsiString = std::string;
// UTF-16 text: SMS texts and captions.
using WideString = std::u16string;
// Days since 1899-12-30, local time; the fraction is the time of day.
using TDateTime = double;

// The ANSI code page is UTF-8: these convert between it and UTF-16.
// Malformed input becomes U+FFFD rather than being dropped silently.
WideString AnsiToWide(const AnsiString& text);
AnsiString WideToAnsi(const WideString& text);
