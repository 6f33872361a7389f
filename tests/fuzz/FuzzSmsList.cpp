// libFuzzer target: any modem answer as a message listing, zero bytes dropped
// as the reads do; every complete entry is decoded as the SIM reader does it.
// A complete entry's PDU is hexadecimal, and a foreign line put between each
// header and the line after it changes no entry. The messages awaiting
// deletion (those listed and one more) are pruned only by a listing that
// ends in OK, and then only of what it does not list; one that ends in ERROR,
// whole or cut, leaves them all.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

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

    std::vector<AnsiString> pending {"0011000B916407281553F80000AA0AE8329BFD4697D9EC37"};
    for (const auto& entry : entries)
        if (entry.complete)
            pending.push_back(sms::PendingPdu(entry.pdu));
    // Every OK turned into ERROR (which holds no "OK"): the answer, the answer
    // cut at its first entries, and a bare ERROR.
    const auto refuse = [](std::string text) {
        for (size_t ok; (ok = text.find("\r\nOK\r\n")) != std::string::npos;)
            text.replace(ok, 6, "\r\nERROR\r\n");
        return text;
    };
    std::vector<std::string> cuts {refuse(answer + "\r\nERROR\r\n"), "\r\nERROR\r\n"};
    for (size_t tag = answer.find("+CMGL:"); tag != std::string::npos && cuts.size() < 10;
         tag = answer.find("+CMGL:", tag + 1))
        cuts.push_back(refuse(answer.substr(0, tag) + "\r\nERROR\r\n"));
    for (const std::string& cut : cuts) {
        std::vector<AnsiString> kept = pending;
        if (sms::PrunePending(cut, kept) || kept != pending)
            std::abort();
    }
    std::vector<AnsiString> pruned = pending;
    const bool changed = sms::PrunePending(answer, pruned);
    if (changed != (pruned != pending) || pruned.size() > pending.size())
        std::abort();
    // After a listing that ends in OK, what is kept is listed.
    const bool whole = answer.find("\r\nOK\r\n") != std::string::npos;
    for (const AnsiString& pdu : pruned)
        if (whole && std::none_of(entries.begin(), entries.end(), [&](const auto& e) { return sms::PendingPdu(e.pdu) == pdu; }))
            std::abort();
    if (!whole && changed)
        std::abort();
    return 0;
}
