// libFuzzer target: any text as a PDU must decode or fail cleanly, and what
// is not malformed (a report or a coding without text too) must turn into a
// store record.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "communicator/sms/SmsList.h"
#include "communicator/sms/SmsPdu.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view pdu(reinterpret_cast<const char*>(data), size);
    STRUCT_TPDU tpdu;
    if (sms::DecodePDU(pdu, tpdu) != sms::PduResult::Malformed)
        (void)sms::MakeReceivedRecord(tpdu, 0);
    return 0;
}
