#pragma once
// The character and bit layer of the SMS codec: the GSM 7-bit default
// alphabet with its extension table, septet packing, UCS2 as hex, swapped
// digit fields and the small hex helpers. Everything here is pure.
//
// Message text goes between septets and UTF-16 directly, so every character
// of the alphabet survives (the Greek capitals, the currency sign and the euro
// sign apart). The 8-bit functions remain for callers that hold 8-bit text:
// that text is ISO 8859-1, except that the byte 0xA4 stands for the euro sign
// in both directions (the alphabet tables carry the euro pair on that code).
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include "platform/Types.h"

namespace sms {

// {GSM code after the escape 0x1B, 8-bit character}, in search order.
extern const std::array<std::array<int32_t, 2>, 10> GsmExtensionPairs;
// GSM code -> 8-bit character; -1 where ISO 8859-1 has none (Greek capitals),
// -2 for the escape, which is handled before any lookup.
extern const std::array<int32_t, 128> GsmToAnsiTable;
// 8-bit character -> GSM code, 0x1B00 + code for an extension character,
// -1 when the alphabet has no such character.
extern const std::array<int32_t, 256> AnsiToGsmTable;

constexpr char kGsmEscape = 0x1B;
// Longest user data of one message.
constexpr int kMaxSeptets = 160;
constexpr int kMaxUserDataOctets = 140;

// GSM text (one byte per code, escape pairs for extension characters) to
// 8-bit text. An escape before a code with no extension character gives that
// code's basic character, two escapes a space; a trailing escape yields nothing.
AnsiString GsmToAnsi(std::string_view gsm);
// 8-bit text to GSM text; an unmappable character becomes 0xFF, which the
// packer turns into code 0x00.
AnsiString AnsiToGsm(std::string_view ansi);

// 8-bit text to packed septets as upper-case hex.
AnsiString Encode7Bit(std::string_view ansi);
// Packed septets as hex to 8-bit text. Without a septet count, a full last
// group whose eighth septet is 0 is taken as fill bits. Invalid hex gives "";
// an odd last digit is ignored.
AnsiString Decode7Bit(std::string_view hex);

AnsiString EncodeUCS2(const WideString& text);
// Four hex digits per code unit; an incomplete last group is ignored and
// invalid hex gives the empty text.
WideString DecodeUCS2(std::string_view hex);

// Exchanges the two characters of every pair; an odd last character stays.
AnsiString SwapSemiOctets(std::string_view text);

// Upper-case hex without leading zeros; "" for 0 and below.
AnsiString IntToHex(int value);
// IntToHex padded to at least two digits.
AnsiString IntToHex2(int value);
// Value of a hex text (either case); -1 when it holds anything else or does
// not fit. The empty text is 0.
int HexToInt(std::string_view hex);
// '0'/'1' text, most significant bit first, no leading zeros; "" for 0 and below.
AnsiString IntToBin(int value);
// Every character other than '1' counts as 0.
int BinToInt(std::string_view bits);
AnsiString BinToHex2(std::string_view bits);
// The bytes a hex text denotes, up to the first zero byte; "" when the length
// is odd or a digit is invalid.
AnsiString HexToStr(std::string_view hex);
AnsiString StrToHex(std::string_view bytes);

// The octet at a 1-based cursor in a PDU's hex; the cursor moves by two.
// -1 (cursor unchanged) when fewer than two valid digits are left.
int ReadOctet(std::string_view pdu, int& cursor, AnsiString* digits = nullptr);
// The same octet as IntToBin text; "" (cursor unchanged) past the end.
AnsiString ReadOctetBits(std::string_view pdu, int& cursor);

// The GSM code of a UTF-16 unit: the code, 0x1B00 + code for a character of
// the extension table, -1 when the alphabet has no such character.
int GsmCodeOf(char16_t u);

// Septets [skip, count) of packed octets straight to message text; escapes
// as GsmToAnsi reads them. Septets beyond the data are not produced.
WideString UnpackText(std::string_view octets, size_t count, size_t skip = 0);

// Message text packed as septets, as upper-case hex appended to `hex`; the
// number of septets is returned. A character outside the alphabet goes as
// '?', one per code point.
int PackText(const WideString& text, AnsiString& hex);

// Message text <-> the codec's 8-bit text (8-bit data and the 8-bit
// callers; 7-bit text never passes here). Characters outside ISO 8859-1
// become '?', one per code point; U+20AC and U+00A4 both become 0xA4.
AnsiString WideToSms8(const WideString& text);
WideString Sms8ToWide(std::string_view text);

// Septets a text takes in the GSM alphabet, as PackText counts them:
// extension characters count two.
int CountSeptets(const WideString& text);

// Byte-level forms used by the PDU codec.
// Hex text (either case) to bytes; false on an odd length or a bad digit.
bool HexToBytes(std::string_view hex, std::string& bytes);
AnsiString BytesToHex(std::string_view bytes);
// Packs GSM codes into octets after `fillBits` zero bits (0-6).
std::string PackSeptets(std::string_view codes, int fillBits = 0);
// Unpacks septets [skip, count) of packed octets; septets beyond the data
// are not produced.
std::string UnpackSeptets(std::string_view octets, size_t count, size_t skip = 0);

}  // namespace sms
