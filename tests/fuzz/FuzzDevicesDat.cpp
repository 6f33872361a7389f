// libFuzzer target: any bytes as Devices.dat. The names read are never empty
// and never hold the separator, and the scrambling is undone exactly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzInput.h"
#include "communicator/TModemList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzz::PutInput("Devices.dat", data, size);
    TModemList list;
    list.LoadFile(path);
    for (const AnsiString& name : list.Names()) {
        if (name.empty() || name.find(';') != AnsiString::npos || !list.Contains(name))
            std::abort();
    }
    const std::string stored(reinterpret_cast<const char*>(data), size);
    if (TModemList::Scramble(TModemList::Unscramble(stored)) != stored)
        std::abort();
    return 0;
}
