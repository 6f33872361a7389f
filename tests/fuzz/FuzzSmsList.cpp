// libFuzzer target: any modem answer as a message listing; every complete
// entry is decoded as the SIM reader does it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "communicator/sms/SmsList.h"
#include "communicator/sms/SmsPdu.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view answer(reinterpret_cast<const char*>(data), size);
    for (const auto& entry : sms::SplitSmsList(answer)) {
        if (!entry.complete)
            continue;
        STRUCT_TPDU tpdu;
        if (sms::DecodePDU(entry.pdu, tpdu) == sms::PduResult::Decoded)
            (void)sms::MakeReceivedRecord(tpdu, entry.status);
    }
    return 0;
}
