// libFuzzer target: any modem answer as a message listing, zero bytes dropped
// as the reads do; every complete entry is decoded as the SIM reader does it.
// A complete entry's PDU is hexadecimal, and a foreign line put between each
// header and the line after it changes no entry.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "communicator/SimAnswers.h"
#include "communicator/sms/SmsList.h"
#include "communicator/sms/SmsPdu.h"

namespace {
bool Same(const sms::SmsListEntry& a, const sms::SmsListEntry& b)
{
    return a.simIndex == b.simIndex && a.status == b.status && a.pdu == b.pdu && a.complete == b.complete;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string answer;
    AppendAnswerBytes(answer, std::string_view(reinterpret_cast<const char*>(data), size));
    const auto entries = sms::SplitSmsList(answer);
    for (const auto& entry : entries) {
        if (!entry.complete)
            continue;
        if (entry.pdu.empty() || entry.pdu.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos)
            std::abort();
        STRUCT_TPDU tpdu;
        if (sms::DecodePDU(entry.pdu, tpdu) == sms::PduResult::Decoded)
            (void)sms::MakeReceivedRecord(tpdu, entry.status);
    }

    // An unsolicited result after each header line that ends before the next header.
    std::string noisy = answer;
    for (size_t tag = noisy.find("+CMGL:"); tag != std::string::npos; tag = noisy.find("+CMGL:", tag + 1)) {
        const size_t end = noisy.find("\r\n", tag);
        if (end != std::string::npos && end < noisy.find("+CMGL:", tag + 1))
            noisy.insert(end + 2, "+CMTI: \"SM\",3\r\n");
    }
    const auto again = sms::SplitSmsList(noisy);
    if (again.size() != entries.size())
        std::abort();
    for (size_t i = 0; i < entries.size(); ++i)
        if (!Same(entries[i], again[i]))
            std::abort();
    return 0;
}
