// libFuzzer target: any bytes as Operators.dat, read both ways the program
// reads it (the communicator's table by number, the scan list's by text) and
// asked for a name.
#include <cstddef>
#include <cstdint>

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
    return 0;
}
