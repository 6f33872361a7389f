#pragma once
// Parsers for the modem's answers to the SIM and network commands. They take
// the whole answer as read (echo, result lines and final code included), keep
// no state and never throw: an answer they cannot read gives the failure value
// named at each function. Unsolicited lines that the modem puts inside an
// answer at any time ("^BOOT:...", "+CMTI: ...", "RING"; a line under another
// command's label) are no part of its value.
#include <string_view>
#include <vector>
#include "platform/Types.h"

// PIN states of the +CPIN query.
enum : int {
    PIN_STATE_UNKNOWN = 0,
    PIN_STATE_READY = 1,
    PIN_STATE_SIM_PIN = 2,
    PIN_STATE_SIM_PUK = 3,
};

// Access technology of a scanned network when the modem gave none.
inline constexpr int kNoAccessTechnology = -1;
// The +CSQ value for "not known".
inline constexpr int kSignalUnknown = 99;

// What the reads keep of the bytes that came: all but the zero bytes that
// some sticks send between lines (at power-up, say).
void AppendAnswerBytes(AnsiString& answer, std::string_view bytes);

// A final error in a stick's own words, on a line of its own: some answer a
// command they do not know so instead of ERROR.
bool HasWordedError(const AnsiString& answer);

// The lines of an answer, each trimmed of blanks and control characters.
std::vector<AnsiString> AnswerLines(const AnsiString& answer);

// A line the modem sent on its own amid the answer to `command` ("AT+CPIN?"):
// a foreign label, or a bare "RING" or "NO CARRIER".
bool IsUnsolicitedLine(const AnsiString& command, const AnsiString& line);

// The command echo, the first "\r\nOK\r\n" and "\r\nERROR\r\n" and every
// character outside printable ASCII removed.
AnsiString StripPinAnswer(const AnsiString& command, const AnsiString& answer);

// READY, SIM PIN or SIM PUK by the code of the +CPIN line (or, without a
// label, a line that is one of these codes), matched whole; any other code
// (SIM PIN2, SIM PUK2, PH-SIM PIN, ...) and no code give PIN_STATE_UNKNOWN.
int ParsePinState(const AnsiString& command, const AnsiString& answer);

// The tries left for `code` ("SIM PIN", "SIM PUK") in a +CPINR answer,
// "+CPINR: <code>,<retries>[,<default retries>]"; -1 when no line names that
// code with a number (modems without the command answer ERROR).
int ParsePinRetries(const AnsiString& answer, const AnsiString& code);

// One +COPS? answer: <mode>[,<format>,<oper>[,<AcT>]].
struct COPS_ANSWER {
    int mode = -1;
    int format = -1;           // 0 long name, 1 short name, 2 numeric code
    AnsiString oper;           // without its quotes
    int accessTechnology = kNoAccessTechnology;
};

enum class EOperatorAnswer {
    Registered,     // an operator is named
    NotRegistered,  // the mode alone (or an empty operator field)
    Malformed,      // no +COPS line, or its mode or format is not a number
};

// Only the operator field is the name: an access-technology field after it is
// kept apart, and a comma inside the quoted name stays in the name.
EOperatorAnswer ParseOperatorAnswer(const AnsiString& answer, COPS_ANSWER& out);

// The signal value of a +CSQ answer (0..31, or 99). 99 when the answer has no
// +CSQ line or its first field is not such a number.
int ParseSignalQuality(const AnsiString& answer);

// The status of a +CLCK query: true and `locked` set when it is a number,
// false with `locked` false otherwise.
bool ParseSimLock(const AnsiString& command, const AnsiString& answer, bool& locked);

// The +CME ERROR code of an answer (kCmeIncorrectPassword for a wrong PIN or
// PUK, also when the modem words it); -1 when there is none.
inline constexpr int kCmeIncorrectPassword = 16;
int ParseCmeError(const AnsiString& answer);

// The IMEI: the first run of 14 to 17 digits within one line; "" when there is none.
AnsiString ParseImei(const AnsiString& answer);

// The revision text of a +CGMR answer: final codes, unsolicited lines, line
// ends and the echo removed, and a "+CGMR:" label if the modem puts one in front.
AnsiString ParseFirmware(const AnsiString& command, const AnsiString& answer);

// The number between the quotes of a +CSCA answer (the type field after it is
// dropped). False, `centre` untouched, when there is no quoted number.
bool ParseSmsCentre(const AnsiString& answer, AnsiString& centre);

// The network list of a +COPS=? answer as the modem wrote it, without the
// echo, the "+COPS: " label, final codes, unsolicited lines and line ends.
AnsiString ExtractOperatorList(const AnsiString& command, const AnsiString& answer);

// One network of an operator scan.
struct ST_OPERATORS_LIST {
    bool available = false;  // status 1 (available) or 2 (current)
    int accessTechnology = kNoAccessTechnology;  // 0 GSM, 2 UTRAN, ...
    AnsiString longName;
    AnsiString shortName;
    AnsiString numeric;
};

// "2G", "3G", "4G" or "5G" for an access technology of a scan; "" for none.
AnsiString NetworkGeneration(int accessTechnology);

// Cuts the next comma-separated element off a group and returns it without
// its double quotes. Commas inside quotes do not separate; a quote inside a
// quoted element that is not at its end is part of it.
AnsiString NextToken(AnsiString& group);

// The networks of a scan list, "(stat,long,short,numeric[,AcT]),(...),,(0-4),(0-2)",
// in the order given. A group is a network only with a whole-number status and
// a code of 5 or 6 digits (so the lists of supported modes and formats drop
// out); a ")" outside a group is skipped. Brackets, commas and stray quotes
// inside quoted names belong to the name. A group that is no network so read
// (a quote left open, a "(" without its partner) is read again up to its first
// ")"; if that is no network either, the parse takes up again at the next "(",
// whatever the quotes.
std::vector<ST_OPERATORS_LIST> ParseOperatorList(const AnsiString& list);

// Decimal digits with blanks around; false for anything else or on overflow.
bool ReadWholeNumber(const AnsiString& text, int& value);
