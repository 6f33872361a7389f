#include "communicator/OperatorTable.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <set>
#include <strings.h>
#include "platform/TIniFile.h"

AnsiString OperatorKey(int n)
{
    char key[32];
    std::snprintf(key, sizeof key, "Operator%05d", n);
    return key;
}

std::vector<AnsiString> ReadOperatorValues(const AnsiString& fileName)
{
    std::vector<AnsiString> values;
    TIniFile ini(fileName);
    if (!ini.IsReadable())
        return values;
    // Every numbered key, in number order: a line that cannot be read (a
    // damaged byte in its key or value) or a key left out costs that entry
    // only.
    std::set<int> numbers;
    const size_t prefix = std::strlen("Operator");
    for (const AnsiString& key : ini.ReadSection(kOperatorsSection)) {
        const AnsiString digits = key.size() > prefix ? key.substr(prefix) : "";
        int32_t n = 0;
        if (::strncasecmp(key.c_str(), "Operator", prefix) == 0 && ParseOperatorCode(digits, n) &&
            OperatorKey(n).substr(prefix) == digits)
            numbers.insert(n);
    }
    for (int n : numbers) {
        AnsiString value = ini.ReadString(kOperatorsSection, OperatorKey(n), "");
        if (!value.empty())
            values.push_back(std::move(value));
    }
    return values;
}

bool ParseOperatorCode(const AnsiString& text, int32_t& code)
{
    const AnsiString t = TrimBlanks(text);
    if (t.empty())
        return false;
    int64_t value = 0;
    for (char c : t) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<int32_t>::max())
            return false;
    }
    code = static_cast<int32_t>(value);
    return true;
}

std::vector<STRUCT_OPERATOR_LIST> ReadOperatorTable(const AnsiString& fileName)
{
    std::vector<STRUCT_OPERATOR_LIST> table;
    for (const AnsiString& value : ReadOperatorValues(fileName)) {
        const AnsiString rest = value.substr(1);  // the "("
        const size_t close = rest.find(')');
        if (close == AnsiString::npos)
            continue;
        STRUCT_OPERATOR_LIST entry;
        if (!ParseOperatorCode(rest.substr(0, close), entry.code))
            continue;
        entry.name = rest.substr(close + 1);
        table.push_back(std::move(entry));
    }
    return table;
}

AnsiString OperatorNameOf(const std::vector<STRUCT_OPERATOR_LIST>& table, const AnsiString& codeText)
{
    if (table.empty())
        return codeText;
    // Not listed: the code itself tells more than any word, in every language.
    int32_t code = 0;
    if (ParseOperatorCode(codeText, code))
        for (const STRUCT_OPERATOR_LIST& entry : table)
            if (entry.code == code)
                return entry.name;
    return TrimBlanks(codeText);
}

AnsiString OperatorNameOfCode(const std::vector<STRUCT_OPERATOR_LIST>& table, int32_t code)
{
    for (const STRUCT_OPERATOR_LIST& entry : table)
        if (entry.code == code)
            return entry.name;
    return std::to_string(code);
}
