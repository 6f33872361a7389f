#pragma once
// One message of the SMS store: the same 3320 bytes in memory and in
// Messages.bin, little-endian.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include "platform/Types.h"

struct SMS_TO_FILE_STRUCT {
    static constexpr size_t kNumberSize = 100;  // 99 bytes and the zero
    static constexpr size_t kTextSize = 1601;   // 1600 code units and the zero

    int32_t index = 0;   // position in the store
    int32_t status = 0;  // 0 unread, 1 read, 2 stored unsent, 3 stored sent
    char number[kNumberSize] = {};
    char16_t text[kTextSize] = {};
    // fill[0]: the sender's type-of-address octet of a received message (bit
    // 7 set), 0 where it is not known: sent copies and records of builds that
    // kept no type, which read the byte as fill and write it back as 0.
    uint8_t fill[2] = {};
    double date = 0.0;  // TDateTime; 0.0 when the message has no date
};

static_assert(std::endian::native == std::endian::little,
              "the record is written as it lies in memory");
static_assert(std::is_standard_layout_v<SMS_TO_FILE_STRUCT>);
static_assert(std::is_trivially_copyable_v<SMS_TO_FILE_STRUCT>);
static_assert(sizeof(SMS_TO_FILE_STRUCT) == 3320);
static_assert(offsetof(SMS_TO_FILE_STRUCT, index) == 0);
static_assert(offsetof(SMS_TO_FILE_STRUCT, status) == 4);
static_assert(offsetof(SMS_TO_FILE_STRUCT, number) == 8);
static_assert(offsetof(SMS_TO_FILE_STRUCT, text) == 108);
static_assert(offsetof(SMS_TO_FILE_STRUCT, fill) == 3310);
static_assert(offsetof(SMS_TO_FILE_STRUCT, date) == 3312);
static_assert(sizeof(char16_t) == 2 && sizeof(double) == 8);

namespace sms {

// Copy a number or a text into the record, cut to fit: a number at 99 bytes
// (never inside a UTF-8 sequence), a text at 1600 code units (never inside a
// surrogate pair) or at an embedded zero. The rest of the field is zeroed.
void SetSmsNumber(SMS_TO_FILE_STRUCT& rec, std::string_view number);
void SetSmsText(SMS_TO_FILE_STRUCT& rec, std::u16string_view text);
// The fields up to their zero, never past the field.
AnsiString GetSmsNumber(const SMS_TO_FILE_STRUCT& rec);
WideString GetSmsText(const SMS_TO_FILE_STRUCT& rec);

// Keeps the sender's type of number and numbering plan in the record.
void SetSenderType(SMS_TO_FILE_STRUCT& rec, int ton, int npi);
// The type-of-address octet kept, 0 when none is.
uint8_t GetSenderType(const SMS_TO_FILE_STRUCT& rec);
// Whether the other party is a name (a parcel service, a bank), which takes
// no answers: by its type of address (alphanumeric) where the record keeps
// one, else because its number is no phone number.
bool IsFromName(const SMS_TO_FILE_STRUCT& rec);

// A record as the program writes it: a status of 0-3, both fields ended by
// their terminator, a date that is a number. Bytes after a terminator are
// not looked at.
bool IsSoundSmsRecord(const SMS_TO_FILE_STRUCT& rec);

// Makes a record read from outside safe to use: both terminators forced, the
// bytes after them and the fill zeroed (a sender's type kept), a date that is not a finite number
// set to 0.0.
void NormaliseSmsRecord(SMS_TO_FILE_STRUCT& rec);

}  // namespace sms
