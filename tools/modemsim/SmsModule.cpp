#include "tools/modemsim/SmsModule.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "tools/modemsim/AtText.h"
#include "tools/modemsim/DeliverPdu.h"
#include "tools/modemsim/Session.h"

namespace modemsim {

namespace {

constexpr char kCtrlZ = 0x1A;
constexpr char kEsc = 0x1B;
// Longer than any PDU of one message; beyond it the input is garbage.
constexpr size_t kMaxPduDigits = 1024;

// "=<number>" with nothing else; -1 otherwise.
int NumberArgument(const std::string& rest)
{
    if (rest.size() < 2 || rest[0] != '=' || rest.size() > 7)
        return -1;
    int value = 0;
    for (size_t i = 1; i < rest.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(rest[i])))
            return -1;
        value = value * 10 + (rest[i] - '0');
    }
    return value;
}

bool IsHex(const std::string& s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

// Octets after the SMSC field, as AT+CMGS and +CMGL count them; -1 when the
// PDU is not even hex.
int TpduLength(const std::string& pdu)
{
    if (pdu.size() < 2 || pdu.size() % 2 || !IsHex(pdu))
        return -1;
    const int smsc = std::stoi(pdu.substr(0, 2), nullptr, 16);
    const int rest = static_cast<int>(pdu.size() / 2) - 1 - smsc;
    return rest < 0 ? -1 : rest;
}

}  // namespace

bool SmsModule::Handle(const std::string& line, Session& s)
{
    std::string rest;
    std::lock_guard<std::mutex> lock(mu_);
    if (MatchCommand(line, "+CMGF", &rest)) {
        if (rest == "?") {
            s.SendLine("+CMGF: " + std::to_string(mode_));
            s.Ok();
        } else if (rest == "=?") {
            s.SendLine("+CMGF: (0,1)");
            s.Ok();
        } else if (rest == "=0" || rest == "=1") {
            mode_ = rest[1] - '0';
            s.Ok();
        } else {
            s.Error();
        }
        return true;
    }
    if (MatchCommand(line, "+CPMS", &rest)) {
        const std::string used = std::to_string(messages_.size()), total = std::to_string(capacity_);
        if (rest == "?") {
            const std::string mem = "\"SM\"," + used + "," + total;
            s.SendLine("+CPMS: " + mem + "," + mem + "," + mem);
            s.Ok();
        } else if (rest == "=?") {
            s.SendLine("+CPMS: (\"SM\"),(\"SM\"),(\"SM\")");
            s.Ok();
        } else if (Upper(rest) == "=\"SM\"" || Upper(rest) == "=\"SM\",\"SM\"" ||
                   Upper(rest) == "=\"SM\",\"SM\",\"SM\"") {
            const std::string pair = used + "," + total;
            s.SendLine("+CPMS: " + pair + "," + pair + "," + pair);
            s.Ok();
        } else {
            s.CmsError(302);
        }
        return true;
    }
    if (MatchCommand(line, "+CMGL", &rest)) {
        const int status = NumberArgument(rest);
        if (rest == "=?") {
            s.SendLine("+CMGL: (0-4)");
            s.Ok();
        } else if (mode_ != 0) {
            s.CmsError(302);
        } else if (status < 0 || status > 4) {
            s.CmsError(304);
        } else {
            List(status, s);
        }
        return true;
    }
    if (MatchCommand(line, "+CMGD", &rest)) {
        const int index = NumberArgument(rest);
        const auto it = std::find_if(messages_.begin(), messages_.end(),
                                     [index](const Message& m) { return m.index == index; });
        if (it == messages_.end()) {
            s.CmsError(321);
        } else {
            messages_.erase(it);
            if (index == loseDeleteAnswer_)
                loseDeleteAnswer_ = -1;  // deleted, but the answer never arrives
            else
                s.Ok();
        }
        return true;
    }
    if (MatchCommand(line, "+CMGS", &rest)) {
        const int length = NumberArgument(rest);
        if (mode_ != 0) {
            s.CmsError(302);
        } else if (length < 7 || length > 164) {
            s.CmsError(304);
        } else {
            expectedLength_ = length;
            pending_.clear();
            s.BeginRaw(*this);
            if (!dropPrompt_)
                s.Send("\r\n> ");
        }
        return true;
    }
    return false;
}

size_t SmsModule::HandleRaw(const std::string& input, Session& s)
{
    std::lock_guard<std::mutex> lock(mu_);
    std::string echo;
    for (size_t i = 0; i < input.size(); ++i) {
        const char c = input[i];
        if (c == kCtrlZ || c == kEsc) {
            if (s.Echo() && !echo.empty())
                s.Send(echo);
            s.EndRaw();
            if (c == kCtrlZ)
                FinishSend(pending_, s);
            pending_.clear();  // ESC: the message is dropped without an answer
            return i + 1;
        }
        if (c == '\r' || c == '\n')
            continue;
        pending_ += c;
        echo += c;
        if (pending_.size() > kMaxPduDigits) {
            s.EndRaw();
            pending_.clear();
            s.CmsError(304);
            return i + 1;
        }
    }
    if (s.Echo() && !echo.empty())
        s.Send(echo);
    return input.size();
}

void SmsModule::FinishSend(const std::string& pdu, Session& s)
{
    if (TpduLength(pdu) != expectedLength_) {
        s.CmsError(304);
        return;
    }
    sent_.push_back(pdu);
    if (sendError_ != 0) {
        s.SendLine("+CMS ERROR: " + std::to_string(sendError_), sendDelay_);
        return;
    }
    s.SendLine("+CMGS: " + std::to_string(nextReference_), sendDelay_);
    nextReference_ = (nextReference_ + 1) % 256;
    s.Ok();
}

void SmsModule::List(int status, Session& s)
{
    std::vector<Message*> listed;
    for (Message& m : messages_)
        if (status == 4 || m.status == status)
            listed.push_back(&m);
    std::sort(listed.begin(), listed.end(), [](const Message* a, const Message* b) { return a->index < b->index; });
    std::string text = "\r\n";
    size_t n = 0;
    for (; n < listed.size(); ++n) {
        Message& m = *listed[n];
        const std::string head =
            "+CMGL: " + std::to_string(m.index) + "," + std::to_string(m.status) + ",," + std::to_string(TpduLength(m.pdu));
        if (cutAfter_ >= 0 && static_cast<int>(n) == cutAfter_) {
            // The line breaks down in the middle of this entry.
            s.Send(text + head + "\r\n" + m.pdu.substr(0, m.pdu.size() / 2));
            if (cut_ == Cut::Error)
                s.CmsError(500);
            return;
        }
        std::string pdu = m.pdu;
        if (std::find(corrupt_.begin(), corrupt_.end(), m.index) != corrupt_.end())
            pdu.resize(pdu.size() > 4 ? pdu.size() - 4 : 0);
        text += head + "\r\n" + pdu + "\r\n";
        // A received message that has been listed is read.
        if (m.status == 0)
            m.status = 1;
    }
    s.Send(text);
    s.Ok();
}

void SmsModule::OnPowerOn(Session&)
{
    std::lock_guard<std::mutex> lock(mu_);
    mode_ = 0;
    pending_.clear();
}

void SmsModule::OnReset(Session&)
{
    std::lock_guard<std::mutex> lock(mu_);
    mode_ = 0;
}

int SmsModule::Store(const std::string& pdu, int status)
{
    std::lock_guard<std::mutex> lock(mu_);
    if (static_cast<int>(messages_.size()) >= capacity_)
        return -1;
    // The lowest free index, as a SIM fills its records.
    int index = 1;
    while (std::any_of(messages_.begin(), messages_.end(), [index](const Message& m) { return m.index == index; }))
        ++index;
    messages_.push_back({index, status, pdu});
    return index;
}

int SmsModule::LoadMessages(const std::string& path, std::time_t now, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = path + ": " + why;
        return -1;
    };
    std::ifstream in(path);
    if (!in)
        return fail("cannot be read");
    std::vector<std::pair<std::string, std::string>> lines;  // sender or "pdu", text
    int lineNumber = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        const size_t blank = line.find(' ');
        if (blank == std::string::npos || blank == 0)
            return fail("line " + std::to_string(lineNumber) + " has no text after its sender");
        lines.emplace_back(line.substr(0, blank), line.substr(blank + 1));
    }
    int stored = 0;
    int reference = 1;
    for (size_t i = 0; i < lines.size(); ++i) {
        auto [sender, text] = lines[i];
        std::vector<std::string> pdus;
        if (sender == "pdu") {
            const bool hex = text.size() % 2 == 0 &&
                             std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c); });
            if (!hex)
                return fail("the PDU of line " + std::to_string(i + 1) + " is no hex");
            pdus.push_back(text);
        } else {
            for (size_t at = 0; (at = text.find("\\n", at)) != std::string::npos;)
                text.replace(at, 2, "\n");
            const std::time_t when = now - static_cast<std::time_t>(lines.size() - 1 - i) * 3600;
            pdus = DeliverPdus(sender, text, when, reference);
            if (pdus.empty())
                return fail("the message from " + sender + " cannot be encoded");
            if (pdus.size() > 1)
                reference = reference % 255 + 1;
        }
        for (const std::string& pdu : pdus) {
            if (Store(pdu, 0) < 0)
                return fail("the SIM is full after " + std::to_string(stored) + " messages");
            ++stored;
        }
    }
    return stored;
}

std::vector<SmsModule::Message> SmsModule::Messages() const
{
    std::lock_guard<std::mutex> lock(mu_);
    std::vector<Message> out = messages_;
    std::sort(out.begin(), out.end(), [](const Message& a, const Message& b) { return a.index < b.index; });
    return out;
}

void SmsModule::ClearMessages()
{
    std::lock_guard<std::mutex> lock(mu_);
    messages_.clear();
}

std::vector<std::string> SmsModule::SentPdus() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return sent_;
}

int SmsModule::Capacity() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return capacity_;
}

void SmsModule::CutListingAfter(int entries, Cut how)
{
    std::lock_guard<std::mutex> lock(mu_);
    cutAfter_ = entries;
    cut_ = how;
}

void SmsModule::CorruptPdu(int index, bool on)
{
    std::lock_guard<std::mutex> lock(mu_);
    corrupt_.erase(std::remove(corrupt_.begin(), corrupt_.end(), index), corrupt_.end());
    if (on)
        corrupt_.push_back(index);
}

void SmsModule::DropPrompt(bool on)
{
    std::lock_guard<std::mutex> lock(mu_);
    dropPrompt_ = on;
}

void SmsModule::SetSendError(int code)
{
    std::lock_guard<std::mutex> lock(mu_);
    sendError_ = code;
}

void SmsModule::SetSendDelay(int ms)
{
    std::lock_guard<std::mutex> lock(mu_);
    sendDelay_ = ms < 0 ? 0 : ms;
}

void SmsModule::LoseDeleteAnswer(int index)
{
    std::lock_guard<std::mutex> lock(mu_);
    loseDeleteAnswer_ = index;
}

}  // namespace modemsim
