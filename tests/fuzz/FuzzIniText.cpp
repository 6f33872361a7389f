// libFuzzer target: any bytes as an INI file (Config.ini, Language.ini,
// Operators.dat). A file we cannot read, or one made read-only, is never
// changed by a write; one we can read keeps every setting and every line it
// held when a new one is written.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>
#include <map>
#include <utility>

#include "FuzzInput.h"
#include "platform/TIniFile.h"

namespace {
using Settings = std::map<std::pair<AnsiString, AnsiString>, AnsiString>;

AnsiString Upper(AnsiString text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

Settings ReadAll(const TIniFile& ini)
{
    Settings all;
    for (const AnsiString& section : ini.ReadSections())
        for (const AnsiString& key : ini.ReadSection(section))
            all[{section, key}] = ini.ReadString(section, key, "");
    return all;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzz::PutInput("Fuzz.ini", data, size);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const bool readOnly = size % 7 == 3;
    ::chmod(path.c_str(), readOnly ? 0444 : 0600);
    Settings before;
    bool unreadable = false;
    {
        TIniFile ini(path);
        unreadable = ini.IsUnreadable() || readOnly;
        before = ReadAll(ini);
        int number = 0;
        (void)ParseIniInteger(ini.ReadString("SETTINGS", "ActiveLanguage", ""), number);
        const bool written = ini.WriteString("QVXFUZZ", "Key", "value");
        if (written == unreadable)
            std::abort();
    }
    if (unreadable) {
        if (fuzz::ReadBack(path) != bytes)
            std::abort();
        return 0;
    }
    // Every line of the file is still there, in its order.
    const std::string written = fuzz::ReadBack(path);
    const bool ours = std::any_of(before.begin(), before.end(), [](const auto& e) {
        return Upper(e.first.first) == "QVXFUZZ" && Upper(e.first.second) == "KEY";
    });
    if (!ours && bytes.rfind("\xFF\xFE", 0) != 0 && bytes.rfind("\xFE\xFF", 0) != 0) {
        size_t from = 0;
        for (size_t at = 0; at <= bytes.size();) {
            const size_t end = std::min(bytes.find('\n', at), bytes.size());
            const std::string line = bytes.substr(at, end - at) + (end < bytes.size() ? "\n" : "");
            from = written.find(line, from);
            if (from == std::string::npos)
                std::abort();
            from += line.size();
            at = end + 1;
        }
    }
    TIniFile again(path);
    Settings after = ReadAll(again);
    if (again.ReadString("QVXFUZZ", "Key", "") != "value")
        std::abort();
    // Names compare without regard to case: the file may hold our key already.
    for (Settings* s : {&before, &after})
        std::erase_if(*s, [](const auto& e) { return Upper(e.first.first) == "QVXFUZZ" && Upper(e.first.second) == "KEY"; });
    if (after != before)
        std::abort();
    // Deleting it again leaves every other setting.
    if (!again.DeleteKey("QVXFUZZ", "Key") || again.ValueExists("QVXFUZZ", "Key") || ReadAll(again) != before)
        std::abort();
    return 0;
}
