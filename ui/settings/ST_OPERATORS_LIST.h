#pragma once
// One network of the modem's operator scan.
#include "platform/Types.h"

struct ST_OPERATORS_LIST {
    static constexpr int kNoAccessTechnology = -1;

    // Status 1 (available) or 2 (current); not 0 (unknown) or 3 (forbidden).
    bool available = false;
    // 0 GSM, 2 UTRAN; kNoAccessTechnology when the scan gave none.
    int accessTechnology = kNoAccessTechnology;
    AnsiString longName;
    AnsiString shortName;
    AnsiString numeric;
};
