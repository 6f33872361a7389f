#include "communicator/port/TPortLog.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "communicator/port/TMessageQueue.h"
#include "platform/LastError.h"
#include "platform/PrivateFile.h"

namespace {

// The port's own codes for a read that ended early.
constexpr uint32_t kReadNoByte = 0x20000101;
constexpr uint32_t kReadTooFew = 0x20000102;
constexpr size_t kMaxMessageText = 1024;

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* fmt, ...)
{
    char buf[256];
    va_list args;
    va_start(args, fmt);
    const int n = std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    if (n < 0)
        return {};
    if (static_cast<size_t>(n) < sizeof buf)
        return std::string(buf, static_cast<size_t>(n));
    std::string out(static_cast<size_t>(n), '\0');
    va_start(args, fmt);
    std::vsnprintf(out.data(), out.size() + 1, fmt, args);
    va_end(args);
    return out;
}

std::string SystemText(uint32_t code)
{
    std::string text = FormatMessageText(code);
    if (text.size() > kMaxMessageText)
        text.resize(kMaxMessageText);
    return text;
}

std::string OpenFailText(uint32_t code)
{
    // A missing device reports file-not-found here rather than a bad name.
    if (code == ERROR_INVALID_NAME || code == ERROR_FILE_NOT_FOUND)
        return "Try to open not existing communication port";
    if (code == ERROR_SHARING_VIOLATION)
        return "Try to open port which is already in use";
    return SystemText(code);
}

std::string ReadFailText(uint32_t code)
{
    if (code == kReadNoByte)
        return "None byte arrive in specified time ( TIMEOUT )";
    if (code == kReadTooFew)
        return "Not all bytes arrive in specified time ( TIMEOUT )";
    return SystemText(code);
}

std::tm LocalNow()
{
    std::tm out{};
    const std::time_t now = std::time(nullptr);
    localtime_r(&now, &out);
    return out;
}

}  // namespace

TPortLog::TPortLog() = default;

TPortLog::~TPortLog()
{
    FlushRead();
    CloseFile();
}

bool TPortLog::SetFileName(const char* path)
{
    if (path == nullptr || *path == '\0')
        return false;
    m_Path = path;
    return true;
}

bool TPortLog::Fetch()
{
    m_bFetched = false;
    if (m_pQueue == nullptr)
        return false;
    const uint32_t n = m_pQueue->Get(&m_Record, sizeof m_Record);
    if (n == 0)
        return false;
    m_bFetched = true;
    // What came is what counts, whatever the length field says; a record
    // shorter than its header is taken but not handled.
    m_nFetchedSize = n >= kPortEventHeaderSize ? n - kPortEventHeaderSize : 0;
    if (n < kPortEventHeaderSize)
        m_Record.code = 0;
    m_Record.length = m_nFetchedSize;
    return true;
}

void TPortLog::Dispatch()
{
    if (!m_bFetched)
        return;
    m_bFetched = false;

    const uint8_t code = m_Record.code;
    const uint8_t* data = m_Record.data;
    const uint32_t n = m_nFetchedSize;
    const uint32_t error = m_Record.error;

    switch (code) {
    case PORT_EVENT_CLOSED:
    case PORT_EVENT_CLOSE_FAILED:
    case PORT_EVENT_WRITE_BEGIN:
    case PORT_EVENT_BAUD_RATE:
    case PORT_EVENT_PARAMETERS:
        FlushRead();
        break;
    default:
        break;
    }

    const int32_t now = SinceOpen(m_Record.time);
    switch (code) {
    case PORT_EVENT_OPENED:
        // A second open without a close starts a fresh block.
        FlushRead();
        CloseFile();
        m_DateTime = LocalNow();
        OpenFile();
        WriteHeader("----------", "Open Port");
        m_nOpenTime = m_Record.time;
        m_nWriteStart = 0;
        m_nTotalRead = 0;
        m_nTotalWritten = 0;
        break;

    case PORT_EVENT_OPEN_FAILED: {
        // A failed open never had a block of its own: open the file for this
        // block alone, so failed opens are in the trace too.
        const bool own = !IsFileOpen() && OpenFile();
        WriteErrorBlock("Open port fail", {}, OpenFailText(error), "\r\n\r\n");
        if (own)
            CloseFile();
        break;
    }

    case PORT_EVENT_CLOSED:
        m_DateTime = LocalNow();
        WriteHeader("---------", "Close Port");
        Write(Format(" Work summary\t- %d ms\r\n", now));
        Write(Format(" Total bytes read\t- %" PRIu64 "\r\n", m_nTotalRead));
        Write(Format(" Total bytes write\t- %" PRIu64 "\r\n", m_nTotalWritten));
        Write("\r\n\r\n");
        CloseFile();
        break;

    case PORT_EVENT_CLOSE_FAILED:
        WriteErrorBlock("Close port fail", {}, SystemText(error), "\r\n\r\n");
        CloseFile();
        break;

    case PORT_EVENT_READ_BEGIN:
        if (!m_bReading) {
            ResetRead();
            m_bReading = true;
            m_bHasReadStart = true;
            m_nReadStart = now;
        }
        break;

    case PORT_EVENT_READ_DATA:
        AppendRead(now, data, n);
        break;

    case PORT_EVENT_READ_FAILED: {
        // The bytes that did arrive before the failure are shown, then the error.
        const int32_t start = m_bReading && m_bHasReadStart ? m_nReadStart : now;
        AppendRead(now, data, n);
        FlushRead();
        WriteErrorBlock("Read from port error", Format(" %08d - %08d --- READ : ", start, now),
                        ReadFailText(error), "\r\n");
        break;
    }

    case PORT_EVENT_WRITE_BEGIN:
        m_nWriteStart = now;
        break;

    case PORT_EVENT_WRITE_DATA: {
        std::string dump;
        FormatData(data, n, dump);
        WriteSpan(m_nWriteStart, now, "WRITE: ", dump);
        m_nTotalWritten += n;
        break;
    }

    case PORT_EVENT_WRITE_FAILED:
        WriteErrorBlock("Write to port error", {}, SystemText(error), "\r\n");
        break;

    case PORT_EVENT_BAUD_RATE:
        if (n >= sizeof(uint32_t)) {
            uint32_t baud = 0;
            std::memcpy(&baud, data, sizeof baud);
            WriteSpan(now, now, "PARAM: ", Format("Baudrate changed to %u", baud));
        }
        break;

    case PORT_EVENT_PARAMETERS: {
        // The text carries its zero; without one it ends with the data.
        const auto* end = static_cast<const uint8_t*>(std::memchr(data, 0, n));
        const std::string text(reinterpret_cast<const char*>(data), end ? size_t(end - data) : n);
        if (m_Record.time == 0)
            Write(text + "\r\n");
        else
            Write(Format(" %08d - ", now) + text + "\r\n");
        break;
    }

    default:
        // Break events and unknown codes leave no line.
        break;
    }

    if (m_pFile != nullptr)
        std::fflush(m_pFile);
}

void TPortLog::FormatData(const uint8_t* data, uint32_t n, std::string& out) const
{
    static const char kHex[] = "0123456789ABCDEF";
    out.reserve(out.size() + 4 + 3 * size_t(n));
    out += "{ ";
    for (uint32_t i = 0; i < n; ++i) {
        if (i > 0)
            out += ' ';
        out += kHex[data[i] >> 4];
        out += kHex[data[i] & 0x0F];
    }
    out += " }";
}

bool TPortLog::OpenFile()
{
    if (m_pFile != nullptr)
        return true;
    if (m_Path.empty())
        return false;
    // The trace holds the user's traffic: for the user's eyes only, also
    // when an older run left it wider open.
    const int fd = OpenPrivateFile(m_Path, O_WRONLY | O_CREAT | O_APPEND);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    m_nFileSize = uintmax_t(info.st_size);
    // Lines carry their own CR LF, so the file is written byte for byte.
    m_pFile = ::fdopen(fd, "ab");
    if (m_pFile == nullptr)
        ::close(fd);
    return m_pFile != nullptr;
}

void TPortLog::CloseFile()
{
    if (m_pFile != nullptr) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
}

void TPortLog::Write(const std::string& text)
{
    // Lines of events outside an open block are dropped.
    if (m_pFile == nullptr || text.empty())
        return;
    // The trace runs whenever a port is open: it moves aside before it
    // outgrows its bound, the block going on in a fresh file.
    if (m_nFileSize > 0 && m_nFileSize + text.size() > kLogFileBound) {
        CloseFile();
        if (!RotateLogFile(m_Path) || !OpenFile())
            return;
    }
    std::fwrite(text.data(), 1, text.size(), m_pFile);
    m_nFileSize += text.size();
}

void TPortLog::WriteSpan(int32_t from, int32_t to, const char* kind, const std::string& rest)
{
    Write(Format(" %08d - %08d --- ", from, to) + kind + rest + "\r\n");
}

void TPortLog::WriteErrorBlock(const char* title, const std::string& lead, const std::string& message,
                               const char* ending)
{
    Write(Format("\t\t*** ERROR *** %s ***\r\n", title) + lead + "Error message: " + message + ending);
}

void TPortLog::WriteHeader(const char* dashes, const char* title)
{
    const std::tm& t = m_DateTime;
    Write(Format("%s %s ---------- %04d / %02d / %02d --- %02d : %02d : %02d ----------\r\n", dashes,
                 title, t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec));
}

void TPortLog::AppendRead(int32_t now, const uint8_t* data, uint32_t n)
{
    if (!m_bReading) {
        ResetRead();
        m_bReading = true;
    }
    if (n == 0)
        return;
    m_nLastByte = now;
    if (!m_bHasFirstByte) {
        m_bHasFirstByte = true;
        m_nFirstByte = now;
    }
    // A run longer than the accumulator is written in full lines as it
    // fills, so no byte read is left out of the trace or the totals.
    while (n > 0) {
        const uint32_t take = std::min(n, kReadRoom - m_nReadFill);
        std::memcpy(m_ReadBuf + m_nReadFill, data, take);
        m_nReadFill += take;
        m_nTotalRead += take;
        data += take;
        n -= take;
        if (m_nReadFill == kReadRoom && n > 0) {
            WriteReadLines();
            m_nReadFill = 0;
            m_nFirstByte = now;
        }
    }
}

void TPortLog::WriteReadLines()
{
    if (m_bHasReadStart && m_bHasFirstByte && !m_bWaitLineWritten) {
        // How long the read waited for its first byte.
        WriteSpan(m_nReadStart, m_nFirstByte, "READ : ", "Wait byte arrive");
        m_bWaitLineWritten = true;
    }
    if (m_nReadFill > 0) {
        std::string dump;
        FormatData(m_ReadBuf, m_nReadFill, dump);
        WriteSpan(m_nFirstByte, m_nLastByte, "READ : ", dump);
    }
}

void TPortLog::FlushRead()
{
    if (!m_bReading)
        return;
    WriteReadLines();
    ResetRead();
}

void TPortLog::ResetRead()
{
    m_bReading = false;
    m_nReadFill = 0;
    m_bHasReadStart = false;
    m_bHasFirstByte = false;
    m_bWaitLineWritten = false;
    m_nReadStart = 0;
    m_nFirstByte = 0;
    m_nLastByte = 0;
}
