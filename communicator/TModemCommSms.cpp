// The SMS store (Messages.bin) and the SMS commands. Once a message has left
// the SIM the store is its only copy, so every change is saved at once and a
// message is deleted on the SIM only after the store holding it was saved.
#include "communicator/TModemComm.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <unordered_map>
#include <utility>

#include "communicator/sms/GsmAlphabet.h"
#include "communicator/sms/SmsDate.h"
#include "communicator/sms/SmsList.h"
#include "communicator/sms/SmsNumber.h"
#include "communicator/sms/SmsPdu.h"
#include "communicator/sms/SmsStoreFile.h"
#include "platform/MessagePump.h"
#include "platform/PrivateFile.h"
#include "platform/Ticks.h"

namespace fs = std::filesystem;

namespace {
const AnsiString kOk = "\r\nOK\r\n";
const AnsiString kError = "\r\nERROR\r\n";
constexpr char kCtrlZ = 0x1A;
constexpr char kEsc = 0x1B;
// Modems take up to two minutes to confirm AT+CMGS when coverage is weak; a
// message given up earlier may still go out, and be sent twice by the user.
constexpr uint32_t kSmsConfirmMs = 120000;
// Closing waits this much longer for a confirmation under way.
constexpr uint32_t kSmsClosingGraceMs = 1000;
}  // namespace

// ---- The store ----

AnsiString TModemComm::GetSmsFilePath() const
{
    std::error_code ec;
    return (fs::current_path(ec) / sms::kSmsFileName).string();
}

namespace {
AnsiString PendingPath()
{
    std::error_code ec;
    return (fs::current_path(ec) / sms::kSmsPendingFileName).string();
}
}  // namespace

bool TModemComm::SavePending()
{
    // A list that could not be read is not replaced while it is there.
    std::error_code ec;
    if (m_bPendingNotRead && (fs::exists(fs::symlink_status(PendingPath(), ec)) || ec)) {
        AddToMemo("Messages.pending was not read: it is not overwritten");
        return false;
    }
    m_bPendingNotRead = false;
    if (sms::SaveSmsPending(PendingPath(), m_vSmsPending))
        return true;
    AddToMemo("Saving Messages.pending failed");
    return false;
}

bool TModemComm::MayWriteSmsFile() const
{
    switch (m_eSmsFile) {
    case SmsFileState::Read:
        return true;
    case SmsFileState::Unreadable:
        return false;
    default: {
        // Never read: replacing a file nobody has seen would lose it.
        std::error_code ec;
        return !fs::exists(GetSmsFilePath(), ec) && !ec;
    }
    }
}

int32_t TModemComm::LoadSmsFile()
{
    m_vSms.clear();
    m_vSmsPending = sms::LoadSmsPending(PendingPath(), &m_ePendingNotice);
    m_bPendingNotRead = m_ePendingNotice == FileNotice::Unreadable;
    AddToMemo("-=Read SMS From File=-");
    sms::SmsFileError error = sms::SmsFileError::None;
    const int n = sms::LoadSmsFile(GetSmsFilePath(), m_vSms, &error);
    m_bSmsFileDamaged = false;
    if (n < 0) {
        if (error == sms::SmsFileError::NoFile) {
            m_eSmsFile = SmsFileState::Read;
            AddToMemo("-=Read SMS From File : No file=-");
        } else if (error == sms::SmsFileError::TooLarge) {
            m_eSmsFile = SmsFileState::Unreadable;
            m_eSmsNotice = FileNotice::TooLarge;  // no message can leave the SIM until it is mended
            AddToMemo("-=Read SMS From File : Error, more than " + std::to_string(sms::kMaxSmsRecords) +
                      " messages, the file is kept as it is=-");
        } else {
            // Its messages are not shown and none can leave the SIM: said once.
            m_eSmsFile = SmsFileState::Unreadable;
            m_eSmsNotice = FileNotice::Unreadable;
            AddToMemo("-=Read SMS From File : Error, the file is kept as it is=-");
        }
        return -1;
    }
    m_eSmsFile = SmsFileState::Read;
    // One the user made read-only is left as it is (no copy of it either).
    const bool readOnly = ProbePrivateFile(GetSmsFilePath()) == FileNotice::ReadOnly;
    if (readOnly) {
        m_eSmsNotice = FileNotice::ReadOnly;
        AddToMemo("-=Read SMS From File : read-only, the file is kept as it is=-");
    }
    if (error == sms::SmsFileError::Damaged) {
        // The original goes aside before the first save replaces it.
        m_bSmsFileDamaged = true;
        if (!readOnly)
            m_eSmsNotice = FileNotice::Damaged;
        AddToMemo("-=Read SMS From File : damaged, the readable messages are kept=-");
        return n;
    }
    AddToMemo("-=Read SMS From File : OK=-");
    return n;
}

bool TModemComm::SaveSmsFile()
{
    if (!MayWriteSmsFile()) {
        AddToMemo("Messages.bin was not read: it is not overwritten");
        return false;
    }
    if (const FileNotice state = ProbePrivateFile(GetSmsFilePath()); state != FileNotice::None) {
        AddToMemo(state == FileNotice::ReadOnly ? "Messages.bin is read-only: it is not overwritten"
                                                : "Messages.bin cannot be read: it is not overwritten");
        return false;
    }
    std::error_code ec;
    if (m_bSmsFileDamaged && !fs::exists(GetSmsFilePath(), ec) && !ec)
        m_bSmsFileDamaged = false;  // gone meanwhile: nothing left to keep
    if (m_bSmsFileDamaged) {
        std::string kept;
        if (!KeepDamagedFile(GetSmsFilePath(), &kept)) {
            AddToMemo("Messages.bin is damaged and could not be kept aside: it is not overwritten");
            return false;
        }
        AddToMemo("Damaged Messages.bin kept as " + fs::path(kept).filename().string());
        m_bSmsFileDamaged = false;
    }
    if (!sms::SaveSmsFile(GetSmsFilePath(), m_vSms)) {
        AddToMemo("Saving Messages.bin failed");
        return false;
    }
    m_eSmsFile = SmsFileState::Read;
    for (size_t i = 0; i < m_vSms.size(); ++i)
        m_vSms[i].index = static_cast<int32_t>(i);
    // After the store: a message stored but not marked pending can at worst
    // come twice, one marked but not stored would be lost.
    SavePending();
    return true;
}

void TModemComm::SortSms()
{
    sms::SortSms(m_vSms);
}

bool TModemComm::SetSmsStatus(int32_t index, int32_t status)
{
    const int32_t pos = GetSelSMSVectorPos(index);
    if (pos < 0)
        return false;
    if (m_vSms[static_cast<size_t>(pos)].status == status)
        return true;
    m_vSms[static_cast<size_t>(pos)].status = status;
    return SaveSmsFile();
}

bool TModemComm::AddSentSms(const AnsiString& number, const WideString& text)
{
    SMS_TO_FILE_STRUCT rec;
    rec.status = 3;
    sms::SetSmsNumber(rec, number);
    sms::SetSmsText(rec, text);
    rec.date = sms::NowDateTime();
    const auto newerFirst = [](const SMS_TO_FILE_STRUCT& a, const SMS_TO_FILE_STRUCT& b) { return a.date > b.date; };
    if (std::is_sorted(m_vSms.begin(), m_vSms.end(), newerFirst)) {
        // Its place in the sorted store, after those of the same date.
        const auto at = std::upper_bound(m_vSms.begin(), m_vSms.end(), rec, newerFirst);
        m_vSms.insert(at, rec);
        for (size_t i = 0; i < m_vSms.size(); ++i)
            m_vSms[i].index = static_cast<int32_t>(i);
    } else {
        rec.index = static_cast<int32_t>(m_vSms.size());
        m_vSms.push_back(rec);
        SortSms();
    }
    return SaveSmsFile();
}

bool TModemComm::HasUnread() const
{
    return std::any_of(m_vSms.begin(), m_vSms.end(), [](const SMS_TO_FILE_STRUCT& r) { return r.status == 0; });
}

bool TModemComm::DeleteSms(int32_t position)
{
    return DeleteSms(std::vector<int32_t> {position});
}

bool TModemComm::DeleteSms(const std::vector<int32_t>& positions)
{
    std::vector<bool> selected(m_vSms.size(), false);
    for (int32_t position : positions) {
        AddToMemo("Delete Message. Pos = " + std::to_string(position));
        if (position < 0 || static_cast<size_t>(position) >= m_vSms.size()) {
            AddToMemo("No message at this position: nothing deleted");
            return false;
        }
        selected[static_cast<size_t>(position)] = true;
    }
    // Close the gaps in place; the order stays, so nothing is sorted again.
    std::vector<std::pair<size_t, SMS_TO_FILE_STRUCT>> removed;
    size_t kept = 0;
    for (size_t i = 0; i < m_vSms.size(); ++i) {
        if (selected[i]) {
            removed.emplace_back(i, m_vSms[i]);
        } else {
            if (kept != i)
                m_vSms[kept] = m_vSms[i];
            ++kept;
        }
    }
    m_vSms.resize(kept);
    AddToMemo("Saving SMS ToFile");
    if (!SaveSmsFile()) {
        // The file still holds the messages: put them back in their places
        // rather than show a deletion that the next start would undo.
        std::vector<SMS_TO_FILE_STRUCT> whole;
        whole.reserve(kept + removed.size());
        size_t from = 0;
        for (const auto& [position, rec] : removed) {
            while (whole.size() < position)
                whole.push_back(m_vSms[from++]);
            whole.push_back(rec);
        }
        whole.insert(whole.end(), m_vSms.begin() + static_cast<std::ptrdiff_t>(from), m_vSms.end());
        m_vSms = std::move(whole);
        for (size_t i = 0; i < m_vSms.size(); ++i)
            m_vSms[i].index = static_cast<int32_t>(i);
        return false;
    }
    AddToMemo("Saved SMS ToFile");
    return true;
}

int32_t TModemComm::GetSelSMSVectorPos(int32_t index) const
{
    // Indexes are positions once the store is sorted or saved.
    if (index >= 0 && static_cast<size_t>(index) < m_vSms.size() && m_vSms[static_cast<size_t>(index)].index == index)
        return index;
    for (size_t i = 0; i < m_vSms.size(); ++i)
        if (m_vSms[i].index == index)
            return static_cast<int32_t>(i);
    return -1;
}

// ---- Commands ----

bool TModemComm::SetPduMode()
{
    if (!IsPortOpen())
        return false;
    if (!SendAtCommand("AT+CMGF=0"))
        return false;
    int32_t count = 0;
    return ReadFromPort(&count, 1500).find(kOk) != AnsiString::npos;
}

bool TModemComm::SendSms(const AnsiString& number, const WideString& text, bool ucs2, bool* unconfirmed)
{
    if (unconfirmed != nullptr)
        *unconfirmed = false;
    STRUCT_TPDU tpdu;
    InitTPDU(tpdu);
    const AnsiString cleaned = sms::CleanSmsNumber(number);
    const bool international = !cleaned.empty() && cleaned[0] == '+';
    tpdu.addressTon = international ? 1 : 0;
    tpdu.address = international ? cleaned.substr(1) : cleaned;
    tpdu.text = text;
    tpdu.dcs = ucs2 ? 8 : 0;
    // Refused before the modem is asked anything. One message is all that is
    // sent: a longer text would be cut or refused on the way, and the user
    // would think it went out whole.
    if (ucs2 ? text.size() > 70 : sms::CountSeptets(text) > sms::kMaxSeptets) {
        AddToMemo("SMS text too long for one message: not sent");
        return false;
    }
    if (cleaned.empty()) {
        AddToMemo("SMS number is not a phone number: not sent");
        return false;
    }
    const AnsiString pdu = EncodePDU(tpdu);
    if (pdu.empty()) {
        AddToMemo("SMS could not be encoded: not sent");
        return false;
    }
    if (!SetPduMode())
        return false;
    if (!IsPortOpen())
        return false;
    if (!SendAtCommand("AT+CMGS=" + std::to_string(sms::TpduLength(pdu))))
        return false;

    // Wait for the "> " prompt in one-second passes, at most four.
    bool prompt = false, refused = false, closing = false;
    for (uint32_t counted = 0;; counted += 1000) {
        char line[kCommandBufferSize];
        ReadLine(line, sizeof line);
        // The modem vanished (the read closed the port): no prompt can come.
        if (!IsPortOpen())
            return false;
        const AnsiString got(line);
        bool last = false;
        if (ClosingRequested()) {
            // Nothing handed over yet: the close need not wait for it.
            closing = true;
            break;
        }
        if (got.find('>') != AnsiString::npos) {
            prompt = true;
            last = true;
        } else if (got.find("ERROR") != AnsiString::npos) {
            refused = true;
            last = true;
        } else if (counted >= 3000) {
            last = true;
        }
        Sleep(1000);
        if (last)
            break;
    }
    if (!prompt) {
        AddToMemo(refused   ? "SMS refused before the PDU"
                  : closing ? "Closing: the PDU is not sent"
                            : "No SMS prompt: the PDU is not sent");
        // A modem that lost only its prompt still waits for a PDU: ESC
        // cancels it, so the next command is not taken for message text.
        if (!refused) {
            SendRaw(&kEsc, 1);
            Wait(200);
        }
        return false;
    }
    const AnsiString data = pdu + kCtrlZ;
    SendRaw(data.data(), static_cast<uint32_t>(data.size()));
    // The message is with the modem now: "sent" on its confirmation, "not
    // sent" on an error; without either (a read gives up at the second expiry
    // of its time, or when the modem goes) nobody knows.
    AddToMemo("ReadFromPort");
    int32_t count = 0;
    const AnsiString answer = ReadAnswer(&count, kSmsConfirmMs / 2, false, kSmsClosingGraceMs);
    // The reference alone confirms it, should the final OK be lost.
    if (answer.find(kOk) != AnsiString::npos || answer.find("+CMGS:") != AnsiString::npos)
        return true;
    if (DoneReading(answer))
        return false;
    if (ClosingRequested() && IsPortOpen()) {
        // Closing cut the wait short: the modem took the message and will most
        // likely send it, so its copy is kept rather than lost.
        AddToMemo("Closing: the SMS is with the modem, its copy is kept");
        return true;
    }
    AddToMemo("SMS taken by the modem but not confirmed: it may have been sent");
    if (unconfirmed != nullptr)
        *unconfirmed = true;
    return false;
}

bool TModemComm::DeleteSmsOnSim(const AnsiString& simIndex, bool* unanswered)
{
    if (unanswered != nullptr)
        *unanswered = false;
    SetPduMode();
    if (!IsPortOpen())
        return false;
    if (simIndex.empty() || !CheckArgument(simIndex, "SIM index", true))
        return false;
    if (!SendAtCommand("AT+CMGD=" + simIndex))
        return false;
    int32_t count = 0;
    const bool ok = ReadFromPort(&count, 10000).find(kOk) != AnsiString::npos;
    // A read that gave up has closed the port.
    if (unanswered != nullptr)
        *unanswered = !ok && !IsPortOpen();
    return ok;
}

int32_t TModemComm::SetSmsStorage()
{
    AddToMemo("SetSmsStorage(): begin");
    int32_t result = -1;
    if (IsPortOpen() && SendAtCommand("AT+CPMS=\"SM\",\"SM\",\"SM\"")) {
        int32_t count = 0;
        if (ReadFromPort(&count, 3000).find(kOk) != AnsiString::npos) {
            AddToMemo("Set SMS Storage OK");
            result = 1;
        } else {
            AddToMemo("Error Set SMS Storage");
        }
    }
    AddToMemo("SetSmsStorage(): end");
    return result;
}

int32_t TModemComm::ListSms(int32_t status, std::vector<SMS_TO_FILE_STRUCT>& store)
{
    if (!SetPduMode())
        return -2;
    if (!IsPortOpen())
        return -1;
    if (!SendAtCommand("AT+CMGL=" + std::to_string(status)))
        return static_cast<int32_t>(store.size());
    int32_t count = 0;
    AnsiString answer = ReadFromPort(&count, 3000);
    // A listing of all messages that ends in OK shows what is still on the
    // SIM: a pending message it no longer holds was deleted after all, and
    // must not stand for a new one listed from now on.
    if (status == 4 && &store == &m_vSms && sms::PrunePending(answer, m_vSmsPending))
        SavePending();
    // Cut off the final result, keeping the line end before it: it ends the
    // last PDU line when the modem sends no empty line in between.
    size_t at = answer.find(kOk);
    if (at != AnsiString::npos) {
        AddToMemo("Sms read ok");
        answer.resize(at + 2);
    } else {
        AddToMemo("Error read sms");
        at = answer.find(kError);
        if (at != AnsiString::npos)
            answer.resize(at + 2);
        if (!IsPortOpen()) {
            // The read timed out and closed the port: nothing could be
            // deleted, so nothing is taken; the messages stay on the SIM.
            AddToMemo("SMS listing cut short: the messages stay on the SIM");
            return static_cast<int32_t>(store.size());
        }
    }
    return ParseSmsList(answer, store);
}

int32_t TModemComm::ParseSmsList(const AnsiString& answer, std::vector<SMS_TO_FILE_STRUCT>& store)
{
    const size_t before = store.size();
    // A message still on the SIM may be in the store already (a deletion
    // that failed or never came); its twin is found by its time stamp, the
    // index built on first need.
    std::unordered_multimap<double, size_t> byDate;
    bool indexed = false;
    const auto known = [&](const SMS_TO_FILE_STRUCT& rec) {
        if (rec.date == 0.0)
            return false;
        if (!indexed) {
            byDate.reserve(before);
            for (size_t i = 0; i < before; ++i)
                if (store[i].date != 0.0)
                    byDate.emplace(store[i].date, i);
            indexed = true;
        }
        const auto [first, last] = byDate.equal_range(rec.date);
        return std::any_of(first, last, [&](const auto& hit) { return sms::IsTwin(store[hit.second], rec); });
    };
    // A message taken before whose deletion was not confirmed is known by
    // its exact PDU: it is deleted, not added again, dated or not, as long
    // as the store still holds it (it may have been lost or replaced since).
    const auto held = [&](const SMS_TO_FILE_STRUCT& rec) {
        return std::any_of(store.begin(), store.begin() + static_cast<std::ptrdiff_t>(before),
                           [&](const SMS_TO_FILE_STRUCT& r) { return sms::IsSameMessage(r, rec); });
    };
    std::multiset<AnsiString> takenBefore(m_vSmsPending.begin(), m_vSmsPending.end());
    const size_t pendingBefore = m_vSmsPending.size();
    std::vector<std::pair<AnsiString, AnsiString>> taken;  // SIM index, PDU
    for (const sms::SmsListEntry& entry : sms::SplitSmsList(answer)) {
        if (!entry.complete) {
            AddToMemo("SMS entry incomplete: left on the SIM");
            continue;
        }
        const AnsiString pdu = sms::PendingPdu(entry.pdu);
        STRUCT_TPDU tpdu;
        const sms::PduResult result = sms::DecodePDU(entry.pdu, tpdu);
        bool pending = false;
        if (const auto it = takenBefore.find(pdu); it != takenBefore.end()) {
            takenBefore.erase(it);
            pending = true;
            if (result == sms::PduResult::Malformed || held(sms::MakeReceivedRecord(tpdu, entry.status))) {
                taken.emplace_back(entry.simIndex, pdu);
                AddToMemo("SMS " + entry.simIndex + " was taken before: not added again");
                continue;
            }
            AddToMemo("SMS " + entry.simIndex + " was taken before but the store lost it: taken again");
        }
        if (result == sms::PduResult::Malformed) {
            AddToMemo("SMS " + entry.simIndex + " could not be decoded: left on the SIM");
            continue;
        }
        if (GetMTI(tpdu.firstOctet) == sms::kMtiDeliver)
            AddToMemo("Sender Num Type: " + std::to_string(tpdu.addressTon));
        // A report or a coding without text still leaves the SIM, or it would
        // be listed again every time and fill the SIM up.
        if (result == sms::PduResult::Unsupported)
            AddToMemo("SMS " + entry.simIndex + " has no text to show: stored without it");
        SMS_TO_FILE_STRUCT rec = sms::MakeReceivedRecord(tpdu, entry.status);
        taken.emplace_back(entry.simIndex, pdu);
        if (!pending)
            m_vSmsPending.push_back(pdu);
        if (known(rec)) {
            AddToMemo("SMS " + entry.simIndex + " is in the store already: not added again");
            continue;
        }
        rec.index = static_cast<int32_t>(store.size());
        store.push_back(rec);
    }
    if (taken.empty())
        return static_cast<int32_t>(store.size());
    // Only a saved store may take the SIM's place.
    if (&store != &m_vSms || !SaveSmsFile()) {
        m_vSmsPending.resize(pendingBefore);
        if (&store == &m_vSms) {
            store.resize(before);
            AddToMemo("SMS store not saved: the messages stay on the SIM");
            return static_cast<int32_t>(store.size());
        }
        AddToMemo("Messages not kept in the program's store: they stay on the SIM");
        return static_cast<int32_t>(store.size());
    }
    bool deleted = false;
    for (const auto& [simIndex, pdu] : taken) {
        // A refused deletion leaves the message on the SIM and pending; the
        // next listing deletes it without adding it again. A lost answer
        // (the read timed out and closed the port) may hide a deletion done:
        // a copy listed later may be a new message, so it is taken again.
        // One left for a user action is answered later: kept pending until
        // a listing shows whether it went.
        bool unanswered = false;
        if (DeleteSmsOnSim(simIndex, &unanswered) || (unanswered && !GivingWay())) {
            const auto it = std::find(m_vSmsPending.begin(), m_vSmsPending.end(), pdu);
            if (it != m_vSmsPending.end())
                m_vSmsPending.erase(it);
            deleted = true;
        }
        ProcessMessages();
    }
    if (deleted)
        SavePending();
    return static_cast<int32_t>(store.size());
}

bool TModemComm::ReadAllSms()
{
    const size_t before = m_vSms.size();
    SetSmsStorage();
    ListSms(4, m_vSms);
    SortSms();
    return m_vSms.size() != before;
}

// ---- Codec ----

void TModemComm::InitTPDU(STRUCT_TPDU& tpdu) { sms::InitTPDU(tpdu); }
AnsiString TModemComm::EncodePDU(STRUCT_TPDU tpdu) { return sms::EncodePDU(std::move(tpdu)); }

bool TModemComm::DecodePDU(const AnsiString& pdu, STRUCT_TPDU& tpdu)
{
    const sms::PduResult result = sms::DecodePDU(pdu, tpdu);
    if (result != sms::PduResult::Malformed && GetMTI(tpdu.firstOctet) == sms::kMtiDeliver)
        AddToMemo("Sender Num Type: " + std::to_string(tpdu.addressTon));
    return result == sms::PduResult::Decoded;
}

int32_t TModemComm::GetMTI(int32_t firstOctet) { return sms::GetMTI(firstOctet); }
bool TModemComm::HasUDH(int32_t firstOctet) { return sms::HasUDH(firstOctet); }
TPDUHeader TModemComm::ParseUDH(AnsiString& userDataHex) { return sms::ParseUDH(userDataHex); }
AnsiString TModemComm::GsmToAnsi(const AnsiString& gsm) { return sms::GsmToAnsi(gsm); }
AnsiString TModemComm::AnsiToGsm(const AnsiString& ansi) { return sms::AnsiToGsm(ansi); }
AnsiString TModemComm::Encode7Bit(const AnsiString& ansi) { return sms::Encode7Bit(ansi); }
AnsiString TModemComm::Decode7Bit(const AnsiString& hex) { return sms::Decode7Bit(hex); }
AnsiString TModemComm::EncodeUCS2(const WideString& text) { return sms::EncodeUCS2(text); }
WideString TModemComm::DecodeUCS2(const AnsiString& hex) { return sms::DecodeUCS2(hex); }
AnsiString TModemComm::SwapSemiOctets(const AnsiString& text) { return sms::SwapSemiOctets(text); }
AnsiString TModemComm::IntToHex(int32_t value) { return sms::IntToHex(value); }
AnsiString TModemComm::IntToHex2(int32_t value) { return sms::IntToHex2(value); }
int32_t TModemComm::HexToInt(const AnsiString& hex) { return sms::HexToInt(hex); }
AnsiString TModemComm::IntToBin(int32_t value) { return sms::IntToBin(value); }
int32_t TModemComm::BinToInt(const AnsiString& bits) { return sms::BinToInt(bits); }
AnsiString TModemComm::BinToHex2(const AnsiString& bits) { return sms::BinToHex2(bits); }
AnsiString TModemComm::HexToStr(const AnsiString& hex) { return sms::HexToStr(hex); }
AnsiString TModemComm::StrToHex(const AnsiString& bytes) { return sms::StrToHex(bytes); }

int32_t TModemComm::ReadOctet(const AnsiString& pdu, int32_t& cursor, AnsiString* digits)
{
    return sms::ReadOctet(pdu, cursor, digits);
}

AnsiString TModemComm::ReadOctetBits(const AnsiString& pdu, int32_t& cursor)
{
    return sms::ReadOctetBits(pdu, cursor);
}
