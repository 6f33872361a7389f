#pragma once
// The message listing of AT+CMGL in PDU mode: a header line
// "+CMGL: <index>,<status>,[<alpha>],<length>" and a PDU line per message.
#include <string_view>
#include <vector>
#include "communicator/sms/SMS_TO_FILE_STRUCT.h"
#include "communicator/sms/STRUCT_TPDU.h"

namespace sms {

struct SmsListEntry {
    AnsiString simIndex;  // decimal digits only when `complete`
    int status = -1;      // 0 to 3 when `complete`
    AnsiString pdu;
    // Both lines ended and the header's index and status are sound. An entry
    // that is not complete must stay on the SIM.
    bool complete = false;
};

// The entries of a listing in list order. A header's PDU is the next line
// that is hexadecimal; text before the first header and other lines are ignored.
std::vector<SmsListEntry> SplitSmsList(std::string_view answer);

// A PDU as the list of messages awaiting deletion keeps it: trimmed, upper case.
AnsiString PendingPdu(std::string_view pdu);

// Drops from `pending` the messages awaiting deletion that a listing of all
// messages (AT+CMGL=4, the answer as read) shows gone from the SIM. Only a
// listing that ends in OK shows all the SIM holds: after any other (ERROR,
// whole or cut, or none) the list stays as it is. True when it changed.
bool PrunePending(std::string_view answer, std::vector<AnsiString>& pending);

// The store record of a message read from the SIM: number and text as the
// program's text, cut to the record (a zero inside the text becomes U+FFFD),
// the time stamp as a local date (0.0 when the PDU has none or it is not a
// valid date), the sender's type of address kept. `index` is left 0 for the
// caller.
SMS_TO_FILE_STRUCT MakeReceivedRecord(const STRUCT_TPDU& tpdu, int status);

// The same message taken from the SIM twice: same sender, same time stamp,
// same text, whether read or not. A record without a time stamp has no twin:
// nothing tells two such messages apart from one.
bool IsTwin(const SMS_TO_FILE_STRUCT& a, const SMS_TO_FILE_STRUCT& b);
// As IsTwin, records without a time stamp included.
bool IsSameMessage(const SMS_TO_FILE_STRUCT& a, const SMS_TO_FILE_STRUCT& b);

}  // namespace sms
