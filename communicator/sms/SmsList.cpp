#include "communicator/sms/SmsList.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

#include "communicator/sms/SmsDate.h"

namespace sms {

namespace {

constexpr std::string_view kTag = "+CMGL:";
constexpr std::string_view kLineEnd = "\r\n";

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool AllDigits(std::string_view s, size_t maxLength)
{
    if (s.empty() || s.size() > maxLength)
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool IsHex(std::string_view s)
{
    return !s.empty() && s.find_first_not_of("0123456789ABCDEFabcdef") == std::string_view::npos;
}

}  // namespace

std::vector<SmsListEntry> SplitSmsList(std::string_view answer)
{
    std::vector<SmsListEntry> entries;
    size_t pos = answer.find(kTag);
    while (pos != std::string_view::npos) {
        pos += kTag.size();
        const size_t next = answer.find(kTag, pos);
        std::string_view entry = answer.substr(pos, next == std::string_view::npos ? answer.npos : next - pos);
        pos = next;

        SmsListEntry& e = entries.emplace_back();
        const size_t headerEnd = entry.find(kLineEnd);
        if (headerEnd == std::string_view::npos)
            continue;
        const std::string_view header = entry.substr(0, headerEnd);
        entry.remove_prefix(headerEnd + kLineEnd.size());
        // The PDU is the next hexadecimal line: an unsolicited result or line
        // noise in between is no part of the entry.
        std::string_view pdu;
        for (size_t end; pdu.empty() && (end = entry.find(kLineEnd)) != entry.npos; entry.remove_prefix(end + 2)) {
            if (IsHex(Trim(entry.substr(0, end))))
                pdu = Trim(entry.substr(0, end));
        }
        if (pdu.empty())
            continue;  // the PDU line was cut short
        e.pdu = AnsiString(pdu);

        const size_t comma1 = header.find(',');
        if (comma1 == std::string_view::npos)
            continue;
        const size_t comma2 = header.find(',', comma1 + 1);
        const std::string_view index = Trim(header.substr(0, comma1));
        const std::string_view status =
            Trim(header.substr(comma1 + 1, comma2 == std::string_view::npos ? header.npos : comma2 - comma1 - 1));
        if (!AllDigits(index, 9) || !AllDigits(status, 1) || status[0] > '3')
            continue;
        e.simIndex = AnsiString(index);
        e.status = status[0] - '0';
        e.complete = true;
    }
    return entries;
}

AnsiString PendingPdu(std::string_view pdu)
{
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!pdu.empty() && blank(pdu.front()))
        pdu.remove_prefix(1);
    while (!pdu.empty() && blank(pdu.back()))
        pdu.remove_suffix(1);
    AnsiString out(pdu);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool PrunePending(std::string_view answer, std::vector<AnsiString>& pending)
{
    const size_t ok = answer.find("\r\nOK\r\n");
    if (ok == std::string_view::npos || pending.empty())
        return false;
    // Up to the final result, with the line end that ends the last PDU.
    std::multiset<AnsiString> listed;
    for (const SmsListEntry& entry : SplitSmsList(answer.substr(0, ok + 2)))
        listed.insert(PendingPdu(entry.pdu));
    const size_t before = pending.size();
    std::erase_if(pending, [&](const AnsiString& pdu) {
        const auto it = listed.find(pdu);
        if (it == listed.end())
            return true;
        listed.erase(it);
        return false;
    });
    return pending.size() != before;
}

SMS_TO_FILE_STRUCT MakeReceivedRecord(const STRUCT_TPDU& tpdu, int status)
{
    SMS_TO_FILE_STRUCT rec;
    rec.status = status;
    // An international originator keeps its '+', so that a reply reaches the
    // same number from any network (the digits alone would be dialled as a
    // national number).
    AnsiString number = tpdu.address;
    if (tpdu.addressTon == 1 && !number.empty() && number[0] != '+')
        number.insert(number.begin(), '+');
    SetSmsNumber(rec, number);
    SetSenderType(rec, tpdu.addressTon, tpdu.addressNpi);
    // The record ends its text at a zero: one inside the message (UCS2 or 8-bit
    // data may hold it) is shown as a replacement character instead of cutting
    // off the rest, which exists nowhere else once the SIM copy is gone.
    WideString text = tpdu.text;
    std::replace(text.begin(), text.end(), u'\0', u'\uFFFD');
    SetSmsText(rec, text);
    if (!tpdu.sctsDate.empty() || !tpdu.sctsTime.empty())
        rec.date = SctsToDateTime(tpdu.sctsDate, tpdu.sctsTime);
    return rec;
}

bool IsTwin(const SMS_TO_FILE_STRUCT& a, const SMS_TO_FILE_STRUCT& b)
{
    return a.date != 0.0 && IsSameMessage(a, b);
}

bool IsSameMessage(const SMS_TO_FILE_STRUCT& a, const SMS_TO_FILE_STRUCT& b)
{
    const auto received = [](int status) { return status == 0 || status == 1; };
    if (a.date != b.date)
        return false;
    if (a.status != b.status && !(received(a.status) && received(b.status)))
        return false;
    return std::strncmp(a.number, b.number, SMS_TO_FILE_STRUCT::kNumberSize) == 0 &&
           GetSmsText(a) == GetSmsText(b);
}

}  // namespace sms
