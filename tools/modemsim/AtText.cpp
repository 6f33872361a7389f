#include "tools/modemsim/AtText.h"

#include <cctype>
#include <cstdio>

namespace modemsim {

std::string Upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool IsAtLine(const std::string& line)
{
    return line.size() >= 2 && (line[0] == 'A' || line[0] == 'a') && (line[1] == 'T' || line[1] == 't');
}

std::string CommandKey(const std::string& line)
{
    return Upper(IsAtLine(line) ? line.substr(2) : line);
}

bool MatchCommand(const std::string& line, const std::string& name, std::string* rest)
{
    if (!IsAtLine(line) || line.size() < 2 + name.size())
        return false;
    if (Upper(line.substr(2, name.size())) != Upper(name))
        return false;
    if (rest != nullptr)
        *rest = line.substr(2 + name.size());
    return true;
}

namespace {
int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}
}  // namespace

std::string Unescape(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        switch (c) {
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case '0': out += '\0'; break;
        case 'x': {
            const int hi = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
            const int lo = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
            if (hi < 0 || lo < 0) {
                out += 'x';
                break;
            }
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
            break;
        }
        default: out += c; break;  // "\\", "\=" and anything else: the character itself
        }
    }
    return out;
}

std::string Escape(const std::string& bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        switch (c) {
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\\': out += "\\\\"; break;
        default:
            if (c < 0x20 || c >= 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02X", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

}  // namespace modemsim
