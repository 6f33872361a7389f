#include "tools/modemsim/Script.h"

#include <fstream>
#include <sstream>

#include "tools/modemsim/AtText.h"

namespace modemsim {

bool Script::Parse(const std::string& text, std::vector<ScriptEntry>* entries, std::string* error)
{
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        size_t eq = std::string::npos;
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\\') {
                ++i;
            } else if (line[i] == '=') {
                eq = i;
                break;
            }
        }
        if (eq == std::string::npos) {
            if (error != nullptr)
                *error = "line " + std::to_string(number) + ": no '=' between command and answer";
            return false;
        }
        ScriptEntry e;
        e.command = Unescape(line.substr(first, eq - first));
        e.answer = Unescape(line.substr(eq + 1));
        entries->push_back(std::move(e));
    }
    return true;
}

bool Script::Load(const std::string& path, std::vector<ScriptEntry>* entries, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error != nullptr)
            *error = "cannot read " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str(), entries, error);
}

}  // namespace modemsim
