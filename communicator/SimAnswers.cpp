#include "communicator/SimAnswers.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <iterator>
#include <utility>
#include "platform/TIniFile.h"

namespace {

void EraseFirst(AnsiString& text, const AnsiString& what)
{
    const size_t at = text.find(what);
    if (at != AnsiString::npos)
        text.erase(at, what.size());
}

// The text of the line that starts with `label`, after the label: up to the
// next CR or LF. False when no such label is in the answer.
bool LabelledLine(const AnsiString& answer, const char* label, AnsiString& line)
{
    const AnsiString l = label;
    const size_t at = answer.find(l);
    if (at == AnsiString::npos)
        return false;
    const size_t from = at + l.size();
    const size_t end = answer.find_first_of("\r\n", from);
    line = answer.substr(from, end == AnsiString::npos ? AnsiString::npos : end - from);
    return true;
}

// Elements of a comma-separated list whose quoted parts may hold commas; each
// element trimmed and without its quotes.
std::vector<AnsiString> SplitFields(AnsiString text)
{
    std::vector<AnsiString> fields;
    while (true) {
        fields.push_back(NextToken(text));
        if (text.empty())
            break;
    }
    return fields;
}

// Every CR and LF removed, then blanks and control characters at both ends.
void RemoveCrLfText(AnsiString& answer)
{
    AnsiString out;
    out.reserve(answer.size());
    for (char c : answer)
        if (c != '\r' && c != '\n')
            out += c;
    answer = TrimBlanks(out);
}

// A double quote opens a quoted element only at the element's start and
// closes it only at its end, before "," or ")": one inside a name ("B"x")
// belongs to the name and cannot swallow the elements after it.
bool IsQuoteMark(const AnsiString& text, size_t at, bool quoted)
{
    if (quoted) {
        const size_t next = text.find_first_not_of(" \t", at + 1);
        return next == AnsiString::npos || text[next] == ',' || text[next] == ')';
    }
    const size_t before = at == 0 ? AnsiString::npos : text.find_last_not_of(" \t", at - 1);
    return before == AnsiString::npos || text[before] == ',' || text[before] == '(';
}

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

// A line the modem sends on its own, at any time, even inside an answer: a
// result code with another command's label ("+CMTI: ...", "^BOOT:...") or a
// bare one ("RING"). `own` is the asked command's label ("+CGMR").
bool IsUnsolicited(const AnsiString& line, std::string_view own)
{
    if (!line.starts_with('+') && !line.starts_with('^'))
        return line == "RING" || line == "NO CARRIER";
    if (!own.empty() && line.size() >= own.size() && SameIgnoringCase(std::string_view(line).substr(0, own.size()), own))
        return false;
    // A "+" label is foreign only when the command's own is known.
    return line.starts_with('^') || !own.empty();
}

// "AT+CGMR" and "AT+COPS=?" are answered under "+CGMR" and "+COPS".
std::string_view OwnLabel(std::string_view command)
{
    if (command.size() >= 2 && SameIgnoringCase(command.substr(0, 2), "AT"))
        command.remove_prefix(2);
    return command.substr(0, command.find_first_of("=?:"));
}

// The lines of an answer that carry its value: without the echo of the
// command, blank lines, final result codes and unsolicited lines. Every
// reader of an unlabelled answer takes its value from here.
std::vector<AnsiString> ValueLines(const AnsiString& command, const AnsiString& answer)
{
    const std::string_view own = OwnLabel(command);
    std::vector<AnsiString> lines;
    bool echoSeen = false;
    for (AnsiString& line : AnswerLines(answer)) {
        if (line.empty() || line == "OK" || line == "ERROR" || IsUnsolicited(line, own))
            continue;
        if (!echoSeen && !command.empty() && SameIgnoringCase(line, command)) {
            echoSeen = true;
            continue;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// The value lines run together, as one text.
AnsiString AnswerValue(const AnsiString& command, const AnsiString& answer)
{
    AnsiString value;
    for (const AnsiString& line : ValueLines(command, answer))
        value += line;
    return value;
}

}  // namespace

bool IsUnsolicitedLine(const AnsiString& command, const AnsiString& line)
{
    return IsUnsolicited(TrimBlanks(line), OwnLabel(command));
}

std::vector<AnsiString> AnswerLines(const AnsiString& answer)
{
    std::vector<AnsiString> lines;
    for (size_t start = 0; start < answer.size();) {
        size_t end = answer.find_first_of("\r\n", start);
        if (end == AnsiString::npos)
            end = answer.size();
        lines.push_back(TrimBlanks(answer.substr(start, end - start)));
        start = end + 1;
    }
    return lines;
}

void AppendAnswerBytes(AnsiString& answer, std::string_view bytes)
{
    for (char c : bytes)
        if (c != '\0')
            answer += c;
}

bool ReadWholeNumber(const AnsiString& text, int& value)
{
    const AnsiString t = TrimBlanks(text);
    if (t.empty())
        return false;
    long long v = 0;
    for (char c : t) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
        if (v > INT_MAX)
            return false;
    }
    value = static_cast<int>(v);
    return true;
}

AnsiString StripPinAnswer(const AnsiString& command, const AnsiString& answer)
{
    AnsiString text = answer;
    if (!command.empty())
        EraseFirst(text, command);
    EraseFirst(text, "\r\nOK\r\n");
    EraseFirst(text, "\r\nERROR\r\n");
    AnsiString out;
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F)
            out += c;
    }
    return out;
}

int ParsePinState(const AnsiString& command, const AnsiString& answer)
{
    // The code is matched whole: "SIM PIN2", "SIM PUK2" and "PH-SIM PIN" ask
    // for other secrets, and answering them with the PUK would waste its tries.
    static const struct {
        const char* code;
        int state;
    } codes[] = {{"READY", PIN_STATE_READY}, {"SIM PIN", PIN_STATE_SIM_PIN}, {"SIM PUK", PIN_STATE_SIM_PUK}};
    auto stateOf = [](const AnsiString& code) {
        for (const auto& c : codes)
            if (code == c.code)
                return c.state;
        return static_cast<int>(PIN_STATE_UNKNOWN);
    };
    AnsiString unlabelled;  // a line that is a code by itself, for modems without the label
    size_t start = 0;
    while (start <= answer.size()) {
        size_t end = answer.find_first_of("\r\n", start);
        if (end == AnsiString::npos)
            end = answer.size();
        AnsiString line = TrimBlanks(StripPinAnswer("", answer.substr(start, end - start)));
        start = end + 1;
        if (line.compare(0, 6, "+CPIN:") == 0) {
            AnsiString code = TrimBlanks(line.substr(6));
            if (code.size() >= 2 && code.front() == '"' && code.back() == '"')
                code = code.substr(1, code.size() - 2);
            return stateOf(code);
        }
        if (unlabelled.empty() && line != command && stateOf(line) != PIN_STATE_UNKNOWN)
            unlabelled = line;
    }
    return stateOf(unlabelled);
}

bool HasWordedError(const AnsiString& answer)
{
    for (const char* words : {"\r\nCOMMAND NOT SUPPORT\r\n", "\r\nTOO MANY PARAMETERS\r\n"})
        if (answer.find(words) != AnsiString::npos)
            return true;
    return false;
}

int ParsePinRetries(const AnsiString& answer, const AnsiString& code)
{
    static const AnsiString label = "+CPINR:";
    for (const AnsiString& line : AnswerLines(answer)) {
        if (!line.starts_with(label))
            continue;
        const std::vector<AnsiString> fields = SplitFields(line.substr(label.size()));
        int retries = -1;
        if (fields.size() >= 2 && fields[0] == code && ReadWholeNumber(fields[1], retries))
            return retries;
    }
    return -1;
}

EOperatorAnswer ParseOperatorAnswer(const AnsiString& answer, COPS_ANSWER& out)
{
    out = COPS_ANSWER{};
    AnsiString line;
    if (!LabelledLine(answer, "+COPS:", line))
        return EOperatorAnswer::Malformed;
    const std::vector<AnsiString> fields = SplitFields(line);
    if (!ReadWholeNumber(fields[0], out.mode))
        return EOperatorAnswer::Malformed;
    if (fields.size() < 3)
        return EOperatorAnswer::NotRegistered;
    if (!ReadWholeNumber(fields[1], out.format)) {
        out.format = -1;
        return EOperatorAnswer::Malformed;
    }
    out.oper = fields[2];
    if (fields.size() > 3 && !ReadWholeNumber(fields[3], out.accessTechnology))
        out.accessTechnology = kNoAccessTechnology;
    if (out.oper.empty())
        return EOperatorAnswer::NotRegistered;
    return EOperatorAnswer::Registered;
}

int ParseSignalQuality(const AnsiString& answer)
{
    AnsiString line;
    if (!LabelledLine(answer, "+CSQ:", line))
        return kSignalUnknown;
    const size_t comma = line.find(',');
    if (comma == AnsiString::npos)
        return kSignalUnknown;
    int value = 0;
    if (!ReadWholeNumber(line.substr(0, comma), value))
        return kSignalUnknown;
    return value <= 31 ? value : kSignalUnknown;
}

bool ParseSimLock(const AnsiString& command, const AnsiString& answer, bool& locked)
{
    locked = false;
    AnsiString line;
    if (LabelledLine(answer, "+CLCK:", line)) {
        // "+CLCK: <status>[,<class>]": the status comes first.
        const size_t comma = line.find(',');
        if (comma != AnsiString::npos)
            line.erase(comma);
    } else {
        // A modem that leaves the label out: the status is all that is left.
        line = AnswerValue(command, answer);
    }
    int status = 0;
    if (!ReadWholeNumber(line, status))
        return false;
    locked = status != 0;
    return true;
}

int ParseCmeError(const AnsiString& answer)
{
    AnsiString line;
    if (!LabelledLine(answer, "+CME ERROR:", line))
        return -1;
    int code = -1;
    if (ReadWholeNumber(line, code))
        return code;
    // A modem set to give its errors as words.
    return TrimBlanks(line) == "incorrect password" ? kCmeIncorrectPassword : -1;
}

AnsiString ParseImei(const AnsiString& answer)
{
    for (const AnsiString& line : ValueLines("AT+CGSN", answer)) {
        size_t i = 0;
        while (i < line.size()) {
            if (line[i] < '0' || line[i] > '9') {
                ++i;
                continue;
            }
            size_t end = i;
            while (end < line.size() && line[end] >= '0' && line[end] <= '9')
                ++end;
            if (end - i >= 14 && end - i <= 17)
                return line.substr(i, end - i);
            i = end;
        }
    }
    return "";
}

AnsiString ParseFirmware(const AnsiString& command, const AnsiString& answer)
{
    AnsiString text = AnswerValue(command, answer);
    if (text.compare(0, 6, "+CGMR:") == 0)
        text.erase(0, 6);
    return TrimBlanks(text);
}

bool ParseSmsCentre(const AnsiString& answer, AnsiString& centre)
{
    AnsiString line;
    if (!LabelledLine(answer, "+CSCA:", line))
        return false;
    const size_t open = line.find('"');
    if (open == AnsiString::npos)
        return false;
    const size_t close = line.find('"', open + 1);
    if (close == AnsiString::npos)
        return false;
    AnsiString number = line.substr(open + 1, close - open - 1);
    RemoveCrLfText(number);
    if (number.empty())
        return false;
    centre = number;
    return true;
}

AnsiString ExtractOperatorList(const AnsiString& command, const AnsiString& answer)
{
    AnsiString text = AnswerValue(command, answer);
    const size_t label = text.find("+COPS:");
    if (label != AnsiString::npos)
        text.erase(0, label + 6);
    return TrimBlanks(text);
}

AnsiString NetworkGeneration(int accessTechnology)
{
    // By the access technologies of +COPS: GSM, GSM compact, UTRAN, EGPRS,
    // HSDPA, HSUPA, HSPA, E-UTRAN, EC-GSM-IoT, NB-IoT, E-UTRA with a 5G
    // core, NR, NG-RAN, E-UTRA-NR.
    static const char* const generations[] = {"2G", "2G", "3G", "2G", "3G", "3G", "3G",
                                              "4G", "2G", "4G", "4G", "5G", "5G", "5G"};
    if (accessTechnology < 0 || accessTechnology >= static_cast<int>(std::size(generations)))
        return "";
    return generations[accessTechnology];
}

AnsiString NextToken(AnsiString& group)
{
    AnsiString token;
    bool quoted = false;
    size_t i = 0;
    for (; i < group.size(); ++i) {
        const char c = group[i];
        if (c == '"' && IsQuoteMark(group, i, quoted)) {
            quoted = !quoted;
            continue;
        }
        if (c == ',' && !quoted)
            break;
        token += c;
    }
    group = i < group.size() ? group.substr(i + 1) : AnsiString();
    return TrimBlanks(token);
}

namespace {
// One group's text (between its brackets) as a network: a whole-number status
// and a code of country and network digits, 5 or 6 of them; the lists of
// supported modes and formats have none.
bool ParseNetwork(AnsiString group, ST_OPERATORS_LIST& op)
{
    int status = 0;
    if (!ReadWholeNumber(NextToken(group), status))
        return false;
    op.available = status == 1 || status == 2;
    op.longName = NextToken(group);
    op.shortName = NextToken(group);
    op.numeric = NextToken(group);
    if (op.numeric.size() < 5 || op.numeric.size() > 6 || op.numeric.find_first_not_of("0123456789") != AnsiString::npos)
        return false;
    if (!group.empty() && !ReadWholeNumber(NextToken(group), op.accessTechnology))
        op.accessTechnology = kNoAccessTechnology;
    return true;
}
}  // namespace

std::vector<ST_OPERATORS_LIST> ParseOperatorList(const AnsiString& list)
{
    // No network takes this much text: a group that runs on further is a
    // quote left open. The bound keeps the resynchronising near linear.
    constexpr size_t kMaxGroup = 1024;
    constexpr size_t npos = std::string_view::npos;
    const std::string_view text = list;
    std::vector<ST_OPERATORS_LIST> result;
    size_t nextClose = 0;  // the first ")" after the group's "(", whatever the quotes
    size_t pos = 0;
    while (pos < text.size()) {
        // A group runs from the next "(" outside quotes to its ")". A ")"
        // before it is a stray one that some modules send: skipped.
        bool quoted = false;
        size_t open = npos;
        for (size_t i = pos; i < text.size() && i - pos <= kMaxGroup && open == npos; ++i) {
            if (text[i] == '"' && IsQuoteMark(list, i, quoted))
                quoted = !quoted;
            else if (!quoted && text[i] == '(')
                open = i;
        }
        if (open == npos) {
            // A quote left open between groups hides no "(" after it.
            pos = text.find('(', pos);
            continue;
        }
        if (nextClose != npos && nextClose <= open)
            nextClose = text.find(')', open);
        if (nextClose == npos)
            break;  // no group can end any more
        if (nextClose - open > kMaxGroup) {
            pos = text.find('(', nextClose - kMaxGroup);
            continue;
        }
        size_t close = npos;
        for (size_t i = open + 1; i < text.size() && i - open <= kMaxGroup && close == npos; ++i) {
            if (text[i] == '"' && IsQuoteMark(list, i, quoted))
                quoted = !quoted;
            else if (!quoted && text[i] == ')')
                close = i;
        }
        ST_OPERATORS_LIST op;
        if (close != npos && ParseNetwork(list.substr(open + 1, close - open - 1), op)) {
            result.push_back(std::move(op));
            pos = close + 1;
            continue;
        }
        // Not a network as quoted: a quote left open may have run on into the
        // groups after it. Read up to its first ")" it may be one; else the
        // parse takes up again at the next "(", whatever the quotes.
        op = ST_OPERATORS_LIST {};
        if (nextClose != close && ParseNetwork(list.substr(open + 1, nextClose - open - 1), op)) {
            result.push_back(std::move(op));
            pos = nextClose + 1;
            continue;
        }
        pos = text.find('(', open + 1);
    }
    return result;
}
