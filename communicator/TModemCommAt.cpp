#include "communicator/TModemComm.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "communicator/SimAnswers.h"
#include "communicator/port/TPort.h"
#include "platform/LastError.h"
#include "platform/MessagePump.h"
#include "platform/Ticks.h"

// Marks the port as waiting for an answer, so that an exchange started from
// inside the wait (through the message pump, or from another thread) is
// refused instead of interleaving with this one.
class TExchangeGuard {
public:
    explicit TExchangeGuard(TModemComm& comm) : m_comm(comm)
    {
        bool expected = false;
        m_owner = comm.m_bExchangeBusy.compare_exchange_strong(expected, true);
    }
    ~TExchangeGuard()
    {
        if (m_owner)
            m_comm.m_bExchangeBusy.store(false);
    }
    bool Acquired() const { return m_owner; }

private:
    TModemComm& m_comm;
    bool m_owner = false;
};

namespace {
// No answer of any command comes near this; a port that talks on and on
// (something other than the modem's command port) would otherwise hold the
// read for ever, since every arrival restarts its clock.
constexpr size_t kMaxAnswer = 256 * 1024;

// A complete "+CME ERROR: ..." or "+CMS ERROR: ..." line.
bool HasCompleteErrorLine(const AnsiString& answer)
{
    for (const char* tag : {"+CME ERROR:", "+CMS ERROR:"}) {
        size_t at = answer.find(tag);
        if (at != AnsiString::npos && answer.find("\r\n", at) != AnsiString::npos)
            return true;
    }
    return false;
}
// The answer ends with a line end and holds a line other than the echo and
// the lines the modem sends on its own: the echo, the blank line before the
// answer or a "^RSSI:14" alone, cut off by a chunk boundary, must not end the
// read before the answer to `command` came.
bool EndsWithAnswerLine(const AnsiString& answer, const AnsiString& command)
{
    if (answer.size() < 2 || answer.compare(answer.size() - 2, 2, "\r\n") != 0)
        return false;
    const std::vector<AnsiString> lines = AnswerLines(answer);
    return std::any_of(lines.begin(), lines.end(), [&](const AnsiString& line) {
        const bool echo = line.size() >= 2 && (line[0] == 'A' || line[0] == 'a') && (line[1] == 'T' || line[1] == 't');
        return !line.empty() && !echo && !IsUnsolicitedLine(command, line);
    });
}

// A registration ("AT+COPS=0", "AT+COPS=1,2,...") may take minutes, and a
// modem ends it on any character it gets meanwhile.
bool IsNetworkSearch(const AnsiString& command)
{
    const AnsiString set = "AT+COPS=";
    return command.compare(0, set.size(), set) == 0 && command.size() > set.size() &&
           command[set.size()] != '3' && command[set.size()] != '?';
}

// How long a modem may take to end its network search when asked to.
constexpr uint32_t kSearchEndMs = 1000;

thread_local bool t_givesWay = false;
}  // namespace

TModemComm::TGiveWay::TGiveWay() : m_outer(t_givesWay) { t_givesWay = true; }

TModemComm::TGiveWay::~TGiveWay() { t_givesWay = m_outer; }

bool TModemComm::GivingWay() const { return t_givesWay && m_bModemWanted.load(); }

bool TModemComm::ReadOwedAnswer()
{
    const uint32_t ms = m_owedMs.exchange(0);
    if (ms == 0 || !IsPortOpen())
        return true;
    AddToMemo("Reading the answer left for a user action");
    // A search left running for an action that sent nothing: the reader
    // (not a worker step giving way) wants the modem now.
    if (m_bNetworkSearch && !m_bSearchEndAsked && !t_givesWay)
        EndNetworkSearch();
    int32_t count = 0;
    ReadAnswer(&count, ms, false);
    return !OwesAnswer();
}

void TModemComm::EndNetworkSearch()
{
    AddToMemo("Ending the network search for a user action");
    m_bSearchEndAsked = true;
    uint32_t written = 0;
    m_pPort->Write("\r", 1, &written);
}

bool TModemComm::IsPortOpen() const { return m_pPort->IsOpen(); }

uint32_t TModemComm::GetBytesWaiting() { return m_pPort->GetBytesWaiting(); }

bool TModemComm::OpenPort(int32_t n)
{
    const int32_t port = n >= 1 ? n : m_Cfg.ComPort;
    m_owedMs = 0;  // the port starts empty: what comes late is stale input
    m_pPort->SetPortNumber(port);
    ProcessMessages();
    m_pPort->SetBaudRate(static_cast<uint32_t>(m_Cfg.BaudRate));
    AddToMemo("Opening port: " + std::to_string(port) + " Baudrate: " + std::to_string(m_Cfg.BaudRate));
    ProcessMessages();
    return m_pPort->Open();
}

bool TModemComm::ClosePort()
{
    // A modem busy with a command answers before its port goes: the port
    // opened again would lose the answer half-way.
    if (OwesAnswer() && !m_bExchangeBusy.load())
        ReadOwedAnswer();
    m_owedMs = 0;
    AddToMemo("Closing port");
    const bool ok = m_pPort->Close(true);
    AddToMemo(ok ? "CLOSED PORT" : "ERROR PORT");
    return ok;
}

bool TModemComm::SetEcho(bool on)
{
    char buf[kCommandBufferSize] = {};
    std::strcpy(buf, on ? "ATE1" : "ATE0");
    SendCommand(buf, static_cast<uint32_t>(std::strlen(buf)));
    int32_t count = 0;
    return ReadFromPort(&count, 1500).find("\r\nOK\r\n") != AnsiString::npos;
}

bool TModemComm::TestPort(int32_t n)
{
    const int32_t configured = m_Cfg.ComPort;
    ProcessMessages();
    ClosePort();
    ProcessMessages();
    OpenPort(n);
    bool answered = false;
    if (!IsPortOpen()) {
        m_eLastPortTest = PortTestOfOpenError(GetLastError());
        AddToMemo("Testas Nepavyko.");
    } else {
        char buf[kCommandBufferSize] = {};
        std::strcpy(buf, "AT");
        ProcessMessages();
        SendCommand(buf, 2);
        ProcessMessages();
        int32_t count = 0;
        AnsiString answer = ReadFromPort(&count, 200);
        ProcessMessages();
        if (answer.find("OK") == AnsiString::npos) {
            AddToMemo("AT error. Try test again");
            // The buffer still holds "AT" and its CR: the modem gets two CRs.
            SendCommand(buf, 3);
            answer = ReadFromPort(&count, 200);
            ProcessMessages();
        }
        answered = answer.find("OK") != AnsiString::npos;
        m_eLastPortTest = answered ? EPortTest::Answered : EPortTest::Silent;
    }
    ProcessMessages();
    ClosePort();
    ProcessMessages();
    OpenPort(configured);
    return answered;
}

void TModemComm::DrainStaleInput()
{
    if (!IsPortOpen())
        return;
    const uint32_t n = GetBytesWaiting();
    if (n == 0)
        return;
    std::vector<char> chunk(n + 1, '\0');
    uint32_t got = 0;
    m_pPort->ReadBufferBySize(chunk.data(), n, &got);
    AnsiString discarded;
    AppendAnswerBytes(discarded, std::string_view(chunk.data(), got));
    AddToMemo("Discarded = " + m_EchoLog.Apply(discarded));
}

void TModemComm::SendCommand(char* buf, uint32_t len)
{
    // The answer of a command left for a user action comes first: it must
    // not be taken for this command's.
    if (OwesAnswer() && !m_bExchangeBusy.load() && !ReadOwedAnswer()) {
        AddToMemo("Port busy, command not sent: " + MaskSecrets(AnsiString(buf, std::strlen(buf))));
        return;
    }
    // Held through the pumping around the write: once the command is out, its
    // answer is on the way, and a command started from a handler would take it.
    TExchangeGuard guard(*this);
    if (!guard.Acquired()) {
        AddToMemo("Port busy, command not sent: " + MaskSecrets(AnsiString(buf, std::strlen(buf))));
        return;
    }
    // The callers' buffers are kCommandBufferSize bytes: keep room for CR and zero.
    if (len > kCommandBufferSize - 2)
        len = kCommandBufferSize - 2;
    buf[len] = '\r';
    buf[len + 1] = '\0';
    ProcessMessages();
    DrainStaleInput();
    const AnsiString plain(buf, len + 1);
    // Its name only: the arguments may be secrets.
    m_sLastCommand = plain.substr(0, plain.find_first_of("=\r"));
    m_bNetworkSearch = IsNetworkSearch(plain);
    m_bSearchEndAsked = false;
    const AnsiString masked = MaskSecrets(plain);
    uint32_t written = 0;
    // A secret's echo stays masked until seen whole: its rest may come
    // after the next command, when the read that waited for it gave up.
    if (masked == plain) {
        m_pPort->Write(buf, len + 1, &written);
    } else {
        m_EchoLog.Arm(plain, masked);
        m_pPort->WriteMasked(buf, masked.data(), len + 1, &written);
    }
    ProcessMessages();
    AddToMemo("-->" + masked);
}

void TModemComm::SendRaw(const char* buf, uint32_t len)
{
    TExchangeGuard guard(*this);
    if (!guard.Acquired()) {
        AddToMemo("Port busy, data not sent");
        return;
    }
    ProcessMessages();
    uint32_t written = 0;
    m_pPort->Write(buf, len, &written);
    ProcessMessages();
    AddToMemo("-->" + AnsiString(buf, len));
}

bool TModemComm::DoneReading(const AnsiString& answer) const
{
    return answer.find("\r\nOK\r\n") != AnsiString::npos || answer.find("\r\nERROR\r\n") != AnsiString::npos ||
           answer.find("ERROR: 500") != AnsiString::npos || HasCompleteErrorLine(answer) || HasWordedError(answer);
}

AnsiString TModemComm::ReadFromPort(int32_t* count, uint32_t ms)
{
    AddToMemo("ReadFromPort");
    return ReadAnswer(count, ms, false);
}

AnsiString TModemComm::ReadFromPort2(int32_t* count, uint32_t ms)
{
    return ReadAnswer(count, ms, true);
}

AnsiString TModemComm::ReadShort(int32_t* count, uint32_t ms)
{
    AddToMemo("ReadFromPort");
    return ReadAnswer(count, ms, false, 0, true);
}

// The two readers share one loop. The PIN query's reader (`pinQuery`) ignores
// the abort and closing flags, logs every pass, also ends at its answer line,
// and keeps the bytes of the pass that timed out. A short read (`keepPort`)
// ends at its first time-out and leaves the port open.
AnsiString TModemComm::ReadAnswer(int32_t* count, uint32_t ms, bool pinQuery, uint32_t closingGraceMs, bool keepPort)
{
    int32_t dummy = 0;
    int32_t& total = count != nullptr ? *count : dummy;
    total = 0;
    TExchangeGuard guard(*this);
    if (!guard.Acquired()) {
        AddToMemo("Port busy, read refused");
        AddToMemo("Read = ");
        return AnsiString();
    }
    AnsiString answer;
    AnsiString logged;  // the answer as the log may show it
    int expiries = 0;
    bool timedOut = false;
    bool done = false;
    uint32_t clock = GetTickCount();
    bool closing = false;
    uint32_t closingSince = 0;
    // Asked to end its network search for a user action: by this read, or by
    // the one that left the answer owed, whose end may come late.
    bool searchEnded = m_bSearchEndAsked;
    uint32_t searchEndedAt = 0;
    while (expiries < 3 && !timedOut && !done && (pinQuery || m_bAbort == 0)) {
        const uint32_t n = GetBytesWaiting();
        if (n > 0)
            clock = GetTickCount();
        // The grace counts from when closing began; a close called off (the
        // user stays) does not count.
        if (!pinQuery && ClosingRequested()) {
            if (closingGraceMs == 0)
                return AnsiString();
            if (!closing)
                closingSince = GetTickCount();
            closing = true;
            if (TickExpired(GetTickCount(), closingSince, closingGraceMs)) {
                AddToMemo("Closing: the answer is not waited for");
                break;
            }
        } else {
            closing = false;
        }
        if (!pinQuery && closingGraceMs == 0 && GivingWay() && !searchEnded && m_bNetworkSearch &&
            m_bCommandsWanted) {
            EndNetworkSearch();
            searchEnded = true;
            searchEndedAt = GetTickCount();
        }
        if (!pinQuery && closingGraceMs == 0 && GivingWay() &&
            (!searchEnded || TickExpired(GetTickCount(), searchEndedAt, kSearchEndMs))) {
            uint32_t none = 0;
            m_owedMs.compare_exchange_strong(none, ms);
            AddToMemo("Read left for a user action = " + logged);
            total = 0;
            return AnsiString();
        }
        std::vector<char> chunk(n + 1, '\0');
        if (pinQuery) {
            AddToMemo("CanReadData = " + std::to_string(n));
            AddToMemo("length = " + std::to_string(n + 1));
            AddToMemo("cRead length = " + std::to_string(std::strlen(chunk.data())));
        }
        uint32_t got = 0;
        m_pPort->ReadBufferBySize(chunk.data(), n, &got);
        ProcessMessages();
        // A device that hung up or vanished sends nothing more, and neither
        // does a port that is closed: end as a time-out would, without
        // waiting for one.
        if (!IsPortOpen())
            break;
        if (m_pPort->LineLost()) {
            AddToMemo("------Port lost !!!");
            ClosePort();
            break;
        }
        if (TickExpired(GetTickCount(), clock, ms)) {
            ++expiries;
            clock = GetTickCount();
            if (keepPort) {
                AddToMemo("------No answer, port kept");
                break;
            }
            if (expiries == 2) {
                AddToMemo(pinQuery ? "------Time Out !!!" : "\r\n------Time Out !!!");
                timedOut = true;
                ClosePort();
                if (!pinQuery)
                    break;
            }
        }
        const size_t before = answer.size();
        AppendAnswerBytes(answer, std::string_view(chunk.data(), std::min(got, n)));
        logged += m_EchoLog.Apply(answer.substr(before));
        total += static_cast<int32_t>(got);
        if (answer.size() > kMaxAnswer) {
            AddToMemo("Answer too long, read ended");
            ClosePort();
            break;
        }
        // A search ended early may say so in a word of the modem's own ("ABORTED").
        done = DoneReading(answer) || ((pinQuery || searchEnded) && EndsWithAnswerLine(answer, m_sLastCommand));
        // The PIN query stops at its answer line, ahead of the final code:
        // give that code time to arrive, so the next command's drain takes it
        // instead of its read ending on it. (Waits end at once while giving way.)
        if (searchEnded && !done)
            Sleep(10);
        else if (!done || pinQuery)
            Wait(100);
    }
    AddToMemo("Read = " + logged);
    return answer;
}

uint32_t TModemComm::ReadLine(char* buf, uint32_t size)
{
    if (buf == nullptr || size == 0)
        return 0;
    std::memset(buf, 0, size);
    TExchangeGuard guard(*this);
    if (!guard.Acquired()) {
        AddToMemo("Port busy, read refused");
        return 0;
    }
    uint32_t total = 0;
    size_t textLength = 0;  // the text in buf, always followed by a zero
    bool done = false;
    try {
        while (total < size && !done) {
            char chunk[129] = {};
            ProcessMessages();
            uint32_t got = 0;
            m_pPort->Read(chunk, 128, &got);
            ProcessMessages();
            AnsiString text;
            AppendAnswerBytes(text, std::string_view(chunk, std::min(got, 128u)));
            if (got > 0)
                AddToMemo(m_EchoLog.Apply(text));
            const bool lost = m_pPort->LineLost();
            if (lost) {
                AddToMemo("------Port lost !!!");
                ClosePort();
            }
            done = lost || got == 0 || (textLength >= 2 && buf[textLength - 2] == '\r' && buf[textLength - 1] == '\n');
            // Never past the buffer: keep its last byte for the terminating zero.
            const size_t room = size - 1 - textLength;
            const size_t take = std::min(text.size(), room);
            std::memcpy(buf + textLength, text.data(), take);
            textLength += take;
            total += got;
        }
    } catch (...) {
        return 0;
    }
    return total;
}

AnsiString TModemComm::StripAnswer(const AnsiString& cmd, const AnsiString& answer)
{
    AnsiString s = answer;
    if (!cmd.empty()) {
        size_t at = s.find(cmd);
        if (at != AnsiString::npos)
            s.erase(at, cmd.size());
    }
    size_t at = s.find("\r\nOK\r\n");
    if (at != AnsiString::npos)
        s.erase(at, 6);
    at = s.find("\r\nERROR\r\n");
    if (at != AnsiString::npos)
        s.erase(at, 9);
    AnsiString out;
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F)
            out.push_back(c);
    }
    return out;
}

void TModemComm::RemoveEcho(const AnsiString& cmd, AnsiString& answer)
{
    if (cmd.empty())
        return;
    size_t at = answer.find(cmd);
    if (at == AnsiString::npos)
        return;
    size_t end = std::min(answer.size(), at + cmd.size() + 1);
    answer.erase(0, end);
}

void TModemComm::RemoveOkError(AnsiString& answer)
{
    size_t at;
    while ((at = answer.find("\r\nOK\r\n")) != AnsiString::npos)
        answer.erase(at, 6);
    at = answer.find("\r\nERROR\r\n");
    if (at != AnsiString::npos)
        answer.erase(at, 9);
}

void TModemComm::RemoveCrLf(AnsiString& answer)
{
    AnsiString out;
    for (char c : answer)
        if (c != '\r' && c != '\n')
            out.push_back(c);
    answer = TrimBlanks(out);
}

AnsiString TModemComm::MaskSecrets(const AnsiString& line)
{
    // Command name (after "AT", "+" or a maker's prefix) and which of its
    // arguments are secrets, as bits by position.
    static const struct {
        const char* name;
        unsigned secretArgs;
    } rules[] = {{"CPIN=", 0b011}, {"CPIN2=", 0b011}, {"CLCK=", 0b100}, {"CPWD=", 0b110}};
    AnsiString upper = line;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    AnsiString out = line;
    for (const auto& rule : rules) {
        const AnsiString name = rule.name;
        for (size_t at = upper.find(name); at != AnsiString::npos; at = upper.find(name, at + 1)) {
            unsigned arg = 0;
            bool quoted = false;
            for (size_t i = at + name.size(); i < out.size(); ++i) {
                const char c = out[i];
                if (c == '"') {
                    quoted = !quoted;
                    continue;
                }
                if (!quoted && (c == ';' || c == '\r' || c == '\n'))
                    break;
                if (!quoted && c == ',') {
                    ++arg;
                    continue;
                }
                if (arg < 32 && (rule.secretArgs >> arg & 1u) != 0 && (quoted || c != ' '))
                    out[i] = '*';
            }
        }
    }
    return out;
}

bool TModemComm::FormatCommand(char (&buf)[kCommandBufferSize], const AnsiString& command)
{
    std::memset(buf, 0, sizeof buf);
    if (command.size() > kCommandBufferSize - 2) {
        AddToMemo("Command too long, not sent (" + std::to_string(command.size()) + " bytes)");
        return false;
    }
    std::memcpy(buf, command.data(), command.size());
    return true;
}

bool TModemComm::SendAtCommand(const AnsiString& command)
{
    char buf[kCommandBufferSize];
    if (!FormatCommand(buf, command))
        return false;
    if (m_bExchangeBusy.load()) {
        AddToMemo("Port busy, command not sent: " + MaskSecrets(command));
        return false;
    }
    SendCommand(buf, static_cast<uint32_t>(command.size()));
    return true;
}

bool TModemComm::CheckArgument(const AnsiString& value, const char* what, bool digitsOnly)
{
    for (char c : value) {
        const auto u = static_cast<unsigned char>(c);
        const bool bad = digitsOnly ? !std::isdigit(u) : (c == '"' || u < 0x20 || u == 0x7F);
        if (bad) {
            AddToMemo(AnsiString("Refused ") + what + ": not allowed in a command");
            return false;
        }
    }
    return true;
}
