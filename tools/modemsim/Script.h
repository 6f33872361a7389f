#pragma once
// Script files for the demo and for tests: one canned answer a line,
//   COMMAND=answer with \r\n escapes
// COMMAND is the text after "AT" ("+CSQ", "I"; a leading "AT" is accepted too);
// the first "=" that is not written "\=" ends it, so "+CMGF\=0=\r\nOK\r\n" answers
// "AT+CMGF=0". Blank lines and lines starting with "#" are skipped.
#include <string>
#include <vector>

namespace modemsim {

struct ScriptEntry {
    std::string command;
    std::string answer;
};

class Script {
public:
    // False with a reason (naming the line number) on a malformed line.
    static bool Parse(const std::string& text, std::vector<ScriptEntry>* entries, std::string* error);
    static bool Load(const std::string& path, std::vector<ScriptEntry>* entries, std::string* error);
};

}  // namespace modemsim
