#pragma once
// SMS-DELIVER PDUs as a SIM stores received messages, made from a sender and
// a text, so a demo or a test can fill the simulated SIM with readable
// messages. Text that the GSM 7-bit alphabet (with its extension table) holds
// goes as 7-bit, any other as UCS2; a text too long for one message becomes
// the parts of a concatenated one.
#include <ctime>
#include <string>
#include <vector>

namespace modemsim {

// The PDUs (upper-case hex, SMSC field first) of a message from `sender` (a
// number, "+" for international, or a name of letters) with UTF-8 `text`,
// time-stamped `when` in local time. `reference` numbers a concatenated
// message. Empty when the text is not UTF-8 or the sender is too long.
std::vector<std::string> DeliverPdus(const std::string& sender, const std::string& text, std::time_t when,
                                     int reference = 1);

}  // namespace modemsim
