#include "communicator/sms/SMS_TO_FILE_STRUCT.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "communicator/sms/SmsNumber.h"

namespace sms {

void SetSmsNumber(SMS_TO_FILE_STRUCT& rec, std::string_view number)
{
    number = number.substr(0, std::min(number.find('\0'), number.size()));
    size_t n = std::min(number.size(), SMS_TO_FILE_STRUCT::kNumberSize - 1);
    // Back off to the start of a UTF-8 sequence when the cut falls inside one.
    if (n < number.size())
        while (n > 0 && (static_cast<unsigned char>(number[n]) & 0xC0) == 0x80)
            --n;
    std::memset(rec.number, 0, sizeof rec.number);
    std::memcpy(rec.number, number.data(), n);
}

void SetSmsText(SMS_TO_FILE_STRUCT& rec, std::u16string_view text)
{
    text = text.substr(0, std::min(text.find(u'\0'), text.size()));
    size_t n = std::min(text.size(), SMS_TO_FILE_STRUCT::kTextSize - 1);
    if (n < text.size() && n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF)
        --n;
    std::fill(std::begin(rec.text), std::end(rec.text), u'\0');
    std::copy_n(text.data(), n, rec.text);
}

AnsiString GetSmsNumber(const SMS_TO_FILE_STRUCT& rec)
{
    const char* end = std::find(rec.number, rec.number + SMS_TO_FILE_STRUCT::kNumberSize, '\0');
    return AnsiString(rec.number, end);
}

WideString GetSmsText(const SMS_TO_FILE_STRUCT& rec)
{
    const char16_t* end = std::find(rec.text, rec.text + SMS_TO_FILE_STRUCT::kTextSize, u'\0');
    return WideString(rec.text, end);
}

void SetSenderType(SMS_TO_FILE_STRUCT& rec, int ton, int npi)
{
    rec.fill[0] = static_cast<uint8_t>(0x80 | (ton & 7) << 4 | (npi & 0x0F));
}

uint8_t GetSenderType(const SMS_TO_FILE_STRUCT& rec)
{
    return (rec.fill[0] & 0x80) != 0 ? rec.fill[0] : 0;
}

bool IsFromName(const SMS_TO_FILE_STRUCT& rec)
{
    constexpr int kAlphanumeric = 5;
    if (const uint8_t type = GetSenderType(rec))
        return (type >> 4 & 7) == kAlphanumeric;
    return CleanSmsNumber(GetSmsNumber(rec)).empty();
}

bool IsSoundSmsRecord(const SMS_TO_FILE_STRUCT& rec)
{
    const char* numberEnd = rec.number + SMS_TO_FILE_STRUCT::kNumberSize;
    const char16_t* textEnd = rec.text + SMS_TO_FILE_STRUCT::kTextSize;
    return rec.status >= 0 && rec.status <= 3 && std::find(rec.number, numberEnd, '\0') != numberEnd &&
           std::find(rec.text, textEnd, u'\0') != textEnd && std::isfinite(rec.date);
}

void NormaliseSmsRecord(SMS_TO_FILE_STRUCT& rec)
{
    rec.number[SMS_TO_FILE_STRUCT::kNumberSize - 1] = '\0';
    rec.text[SMS_TO_FILE_STRUCT::kTextSize - 1] = u'\0';
    char* numberEnd = std::find(rec.number, rec.number + SMS_TO_FILE_STRUCT::kNumberSize, '\0');
    std::fill(numberEnd, rec.number + SMS_TO_FILE_STRUCT::kNumberSize, '\0');
    char16_t* textEnd = std::find(rec.text, rec.text + SMS_TO_FILE_STRUCT::kTextSize, u'\0');
    std::fill(textEnd, rec.text + SMS_TO_FILE_STRUCT::kTextSize, u'\0');
    rec.fill[0] = GetSenderType(rec);
    rec.fill[1] = 0;
    if (!std::isfinite(rec.date))
        rec.date = 0.0;
}

}  // namespace sms
