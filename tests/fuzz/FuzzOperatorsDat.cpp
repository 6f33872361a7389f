// libFuzzer target: any bytes as Operators.dat, read both ways the program
// reads it (the communicator's table by number, the scan list's by text) and
// asked for a name. A NUL byte hides no more than its own line.
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzInput.h"
#include "communicator/OperatorTable.h"
#include "communicator/TOperatorList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzz::PutInput(kOperatorsFileName, data, size);
    const auto table = ReadOperatorTable(path);
    (void)OperatorNameOf(table, "26201");
    (void)OperatorNameOfCode(table, 26201);
    TOperatorList list(fuzz::Folder().string());
    (void)list.GetOperatorName("26201");
    for (const auto& entry : list.Operators())
        (void)list.GetOperatorName(entry.code);
    std::string text(reinterpret_cast<const char*>(data), size);
    if (text.rfind("\xFF\xFE", 0) == 0 || text.rfind("\xFE\xFF", 0) == 0)
        return 0;  // UTF-16 holds NULs of its own
    std::replace(text.begin(), text.end(), '\0', '\n');
    const auto split = ReadOperatorTable(fuzz::PutInput("Split.dat", reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    if (split.size() != table.size())
        std::abort();
    for (size_t i = 0; i < split.size(); ++i)
        if (split[i].code != table[i].code || split[i].name != table[i].name)
            std::abort();
    // With each NUL "(" and a DEL (the code reader skips a first character),
    // a line that held one gives no entry without a DEL: the other lines'
    // entries must be there with the NULs too. Unless a setting or header
    // follows a NUL: read as a line of its own, it may hide a later one.
    std::string marked(reinterpret_cast<const char*>(data), size);
    for (size_t nul = marked.find('\0'); nul != std::string::npos; nul = marked.find('\0', nul)) {
        if (marked.substr(nul, marked.find('\n', nul) - nul).find_first_of("=[") != std::string::npos)
            return 0;
        marked.replace(nul, 1, "(\x7F");
    }
    const auto plain = [](const std::vector<STRUCT_OPERATOR_LIST>& t) {
        return std::count_if(t.begin(), t.end(), [](const auto& e) { return e.name.find('\x7F') == std::string::npos; });
    };
    if (plain(ReadOperatorTable(fuzz::PutInput("Marked.dat", reinterpret_cast<const uint8_t*>(marked.data()), marked.size()))) >
        plain(table))
        std::abort();
    return 0;
}
