#pragma once
// Small text helpers for command lines, shared by the modules.
#include <string>

namespace modemsim {

std::string Upper(std::string s);
// True when the line starts with "AT" (any case).
bool IsAtLine(const std::string& line);
// The command after "AT", upper-cased ("at+csq?" -> "+CSQ?"); a line without
// "AT" is returned whole, upper-cased. Canned answers are keyed by this.
std::string CommandKey(const std::string& line);
// True when the command after "AT" starts with `name` (any case, e.g. "+CPIN");
// `rest` then receives what follows, unchanged ("?", "=?", "=\"1234\"", "").
bool MatchCommand(const std::string& line, const std::string& name, std::string* rest = nullptr);

// "\r\n" and "\\" style escapes: \r \n \t \\ \0 \xHH \= ; an unknown escape keeps its character.
std::string Unescape(const std::string& text);
// The reverse, for printing bytes readably.
std::string Escape(const std::string& bytes);

}  // namespace modemsim
