#pragma once
// The PDU layer of the SMS codec: an SMSC address followed by an SMS-DELIVER
// or SMS-SUBMIT TPDU, as the hex of one PDU line. Decodes both types, encodes
// SMS-SUBMIT only. Pure functions; every length read from a PDU is checked
// against the octets that are really there.
#include <string_view>
#include "communicator/sms/STRUCT_TPDU.h"

namespace sms {

enum class PduResult {
    Decoded,      // every field and the text were read
    Unsupported,  // well formed, but a type or coding this codec does not read
    Malformed,    // bad hex, or a length that runs past the data
};

// How the user data of a TP-DCS is written (its coding groups).
// Reserved: a coding group that TS 23.038 leaves reserved.
enum class SmsAlphabet { Gsm7, Eight, Ucs2, Compressed, Reserved };
SmsAlphabet AlphabetOfDcs(int dcs);

constexpr int kMtiDeliver = 0;
constexpr int kMtiSubmit = 1;
constexpr int kMtiStatusReport = 2;

int GetMTI(int firstOctet);
bool HasUDH(int firstOctet);

// The defaults for sending: no SMSC, SMS-SUBMIT with a relative validity
// period of the longest length, an international number, GSM 7-bit.
void InitTPDU(STRUCT_TPDU& tpdu);

// Decodes the hex of a PDU (either case) into `out`, which is reset first.
// On Unsupported, the fields read so far are filled and `text` is empty: for
// a status report the SMSC fields, the first octet, the recipient as
// `address` and the service centre's time stamp; for compressed text or a
// reserved coding group every field but the text. 8-bit data on an
// SMS-DELIVER is Decoded with an empty text: a binary payload is no text.
PduResult DecodePDU(std::string_view pdu, STRUCT_TPDU& out);

// The SMS-SUBMIT PDU as upper-case hex, starting with "00" for the SIM's
// service centre; "" when the message cannot be encoded (a number with other
// than digits, '*' and '#' or over 20 of them, text beyond one message,
// invalid user-data hex, compressed coding, a validity format without
// a one-octet form).
AnsiString EncodePDU(STRUCT_TPDU tpdu);

// Parses the header at the front of user-data hex and removes it from the
// text. A header longer than the text, or invalid hex, empties the text and
// gives a header with count 0.
TPDUHeader ParseUDH(AnsiString& userDataHex);

// TPDU octets of an encoded PDU: what follows the SMSC field.
int TpduLength(std::string_view pdu);

}  // namespace sms
