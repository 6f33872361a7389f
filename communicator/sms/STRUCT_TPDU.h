#pragma once
// One SMS TPDU with its user data header, as the codec reads and writes it.
#include <cstdint>
#include "platform/Types.h"

// One information element of a user data header.
struct THeaderElem {
    int32_t iei = 0;     // information element identifier
    int32_t length = 0;  // data length in octets
    AnsiString data;     // the data as upper-case hex, two digits per octet
};

// The user data header.
struct TPDUHeader {
    static constexpr int kMaxElems = 10;
    int32_t udhl = 0;   // header length in octets
    int32_t count = 0;  // elements parsed, 0 to kMaxElems
    THeaderElem elem[kMaxElems];
};

struct STRUCT_TPDU {
    int32_t smscLength = 0;  // SMSC address octets, type octet included; 0 = none
    int32_t smscTon = 0;
    int32_t smscNpi = 0;
    AnsiString smscNumber;
    int32_t firstOctet = 0;  // TP-MTI bits 1-0, TP-VPF bits 4-3, TP-UDHI bit 6
    int32_t messageRef = 0;
    int32_t addressLength = 0;  // in semi-octets
    int32_t addressTon = 0;     // 1 international, 5 alphanumeric
    int32_t addressNpi = 0;
    AnsiString address;  // digits, or the alphanumeric name as program text
    int32_t pid = 0;
    int32_t dcs = 0;             // the raw TP-DCS
    int32_t validityPeriod = 0;  // relative TP-VP octet
    AnsiString sctsDate;         // YYMMDD
    AnsiString sctsTime;         // HHMMSS
    int32_t timeZone = 0;        // quarter hours, negative west of GMT
    int32_t udl = 0;
    AnsiString userDataHex;  // not used by the codec
    // The message text; when encoding with TP-UDHI set, the whole user data as hex.
    WideString text;
    TPDUHeader udh;
};
