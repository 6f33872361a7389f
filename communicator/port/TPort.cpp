#include "communicator/port/TPort.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/LastError.h"
#include "platform/Ticks.h"

namespace {
// The all-ones pointer is the callers' way of saying "no count wanted".
bool CountWanted(const uint32_t* count)
{
    return count != nullptr && reinterpret_cast<uintptr_t>(count) != ~static_cast<uintptr_t>(0);
}
}  // namespace

TPort::TPort()
{
    Reset();
    StartLogThread();
    timeBeginPeriod(1);
}

TPort::~TPort()
{
    Reset();
    timeEndPeriod(1);
    m_Queue.Clear();
}

void TPort::Reset()
{
    if (IsOpen())
        CloseHandle(m_hPort);
    m_hPort = 0;
    m_bLineLost = false;
    m_EchoMask.Clear();
    m_pDebugMemo = nullptr;
    m_State = STATE_CLOSED;
    m_Settings = DCB {};
    m_Settings.BaudRate = 230400;
    m_Settings.fBinary = 1;
    m_Settings.fParity = 0;
    m_Settings.ByteSize = 8;
    m_Settings.Parity = NOPARITY;
    m_Settings.StopBits = ONESTOPBIT;
    m_Settings.fErrorChar = 0;
    m_Settings.fNull = 0;
    m_Settings.fAbortOnError = 0;
    m_nLastReadTime = 0;
    m_nLastWriteTime = 0;
    if (m_bLogRunning.load() || m_LogThread.joinable())
        StopLogThread();
    m_LogParams = TPortLogParams {};
    std::memset(&m_Record, 0, sizeof m_Record);
    m_szLogPath[0] = '\0';
}

void TPort::StoreCount(uint32_t* count, uint32_t value)
{
    if (CountWanted(count))
        *count = value;
}

void TPort::Post(uint8_t code, uint32_t time, uint32_t error, const void* data, size_t n)
{
    if (!m_bLogRunning.load())
        return;
    BuildPortEvent(m_Record, code, time, error, data, n);
    m_Queue.Put(&m_Record, m_Record.length);
}

void TPort::Memo(const AnsiString& line)
{
    if (m_pDebugMemo != nullptr)
        m_pDebugMemo->Add(line);
}

void TPort::SetBaudRate(uint32_t baud)
{
    m_Settings.BaudRate = baud;
    Post(PORT_EVENT_BAUD_RATE, timeGetTime(), 0, &baud, sizeof baud);
}

bool TPort::IsOpen() const { return m_hPort != 0 && m_hPort != INVALID_HANDLE_VALUE; }

bool TPort::Open()
{
    m_Record.error = 0;
    char device[32];
    std::snprintf(device, sizeof device, "\\\\.\\COM%d", m_nPortNumber);
    if (IsOpen())
        Close(true);

    m_hPort = OpenComPort(device);
    if (!IsOpen()) {
        m_hPort = 0;
        const uint32_t systemError = GetLastError();
        uint32_t error = systemError;
        if (systemError == ERROR_FILE_NOT_FOUND)
            error = PORT_ERROR_NO_SUCH_PORT;
        else if (systemError == ERROR_SHARING_VIOLATION)
            error = PORT_ERROR_IN_USE;
        else if (systemError == ERROR_ACCESS_DENIED)
            error = PORT_ERROR_NO_PERMISSION;
        Post(PORT_EVENT_OPEN_FAILED, 0, systemError);
        SetLastError(error);
        return false;
    }
    m_State = STATE_OPEN;
    m_bLineLost = false;
    if (!GetCommState(m_hPort, &m_Dcb)) {
        const uint32_t error = GetLastError();
        Close(false);
        SetLastError(error);
        Post(PORT_EVENT_OPEN_FAILED, 0, error);
        return false;
    }
    // A port whose settings were refused is closed, so nobody talks over an
    // unconfigured line.
    BuildDCB();
    if (!SetCommState(m_hPort, &m_Dcb)) {
        const uint32_t error = GetLastError();
        Close(false);
        SetLastError(error);
        Post(PORT_EVENT_OPEN_FAILED, 0, error);
        return false;
    }
    BuildTimeouts();
    if (!SetCommTimeouts(m_hPort, &m_Timeouts)) {
        const uint32_t error = GetLastError();
        Close(false);
        SetLastError(error);
        Post(PORT_EVENT_OPEN_FAILED, 0, error);
        return false;
    }
    if (m_bLogRunning.load()) {
        Post(PORT_EVENT_OPENED, timeGetTime(), 0);
        static const char* const parities[] = {"N", "O", "E", "M", "S"};
        static const char* const stops[] = {"1", "1.5", "2"};
        const char* parity = m_Dcb.Parity <= 4 ? parities[m_Dcb.Parity] : "N";
        const char* stop = m_Dcb.StopBits <= 2 ? stops[m_Dcb.StopBits] : "1";
        char text[128];
        int len = std::snprintf(text, sizeof text, " |  COM%d, %d, %d, %s, %s  |", m_nPortNumber,
                                static_cast<int>(m_Dcb.BaudRate), static_cast<int>(m_Dcb.ByteSize), parity, stop);
        Post(PORT_EVENT_PARAMETERS, 0, 0, text, static_cast<size_t>(len) + 1);
    }
    Memo("PORT OPENED");
    Memo("Flush File buffer");
    Flush();
    return true;
}

void TPort::BuildDCB()
{
    m_Dcb.DCBlength = 28;
    m_Dcb.BaudRate = m_Settings.BaudRate;
    m_Dcb.fBinary = m_Settings.fBinary;
    m_Dcb.fParity = m_Settings.fParity;
    m_Dcb.ByteSize = m_Settings.ByteSize;
    m_Dcb.Parity = m_Settings.Parity;
    m_Dcb.StopBits = m_Settings.StopBits;
    m_Dcb.fErrorChar = m_Settings.fErrorChar;
    m_Dcb.fNull = m_Settings.fNull;
    m_Dcb.fAbortOnError = m_Settings.fAbortOnError;
    m_Dcb.fOutxCtsFlow = 0;
    m_Dcb.fOutxDsrFlow = 0;
    m_Dcb.fDsrSensitivity = 0;
    m_Dcb.fOutX = 0;
    m_Dcb.fInX = 0;
    m_Dcb.fTXContinueOnXoff = 1;
    m_Dcb.fDtrControl = DTR_CONTROL_ENABLE;
    m_Dcb.fRtsControl = RTS_CONTROL_ENABLE;
}

void TPort::BuildTimeouts()
{
    m_Timeouts.ReadIntervalTimeout = MAXDWORD;
    m_Timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    m_Timeouts.ReadTotalTimeoutConstant = 500;
    m_Timeouts.WriteTotalTimeoutMultiplier = 500;
    m_Timeouts.WriteTotalTimeoutConstant = 500;
}

bool TPort::Close(bool log)
{
    bool result = true;
    if (IsOpen()) {
        result = CloseHandle(m_hPort);
        if (log) {
            if (result)
                Post(PORT_EVENT_CLOSED, timeGetTime(), 0);
            else
                Post(PORT_EVENT_CLOSE_FAILED, 0, GetLastError());
        }
    }
    m_hPort = 0;
    m_State = STATE_CLOSED;
    m_bLineLost = false;
    return result;
}

bool TPort::Flush()
{
    if (!IsOpen())
        return true;
    if (!FlushFileBuffers(m_hPort)) {
        AnsiString text = FormatMessageText(GetLastError());
        if (text.size() > 1024)
            text.resize(1024);
        Memo(text);
        return true;
    }
    const uint32_t n = GetBytesWaiting();
    if (n > 0) {
        char buffer[1024] = {};
        uint32_t got = 0;
        // A late echo of a secret is logged as its command was: masked.
        AnsiString logged;
        ReadWaiting(buffer, n < 1023 ? n : 1023, &got, logged);
        Memo(logged);
    }
    return true;
}

bool TPort::Read(void* buf, uint32_t n, uint32_t* count)
{
    m_State = STATE_READING;
    auto* out = static_cast<unsigned char*>(buf);
    uint32_t total = 0;
    Post(PORT_EVENT_READ_BEGIN, timeGetTime(), 0);
    bool systemOk = true;
    uint32_t got = 1;
    while (systemOk && got == 1 && total < n) {
        got = 0;
        systemOk = ReadFile(m_hPort, out + total, 1, &got);
        if (systemOk && got == 1)
            ++total;
    }
    StoreCount(count, total);
    if (systemOk)
        m_nLastReadTime = timeGetTime();
    else if (IsOpen())
        m_bLineLost = true;
    bool result;
    if (systemOk && got == 0) {
        SetLastError(total == 0 ? PORT_ERROR_NO_BYTE : PORT_ERROR_SHORT_READ);
        result = false;
    } else {
        result = systemOk;
    }
    const uint32_t error = GetLastError();
    const AnsiString logged = m_EchoMask.Apply(AnsiString(reinterpret_cast<const char*>(out), total));
    if (result)
        Post(PORT_EVENT_READ_DATA, m_nLastReadTime, 0, logged.data(), total);
    else
        Post(PORT_EVENT_READ_FAILED, timeGetTime(), error, logged.data(), total);
    m_State = STATE_OPEN;
    return result;
}

bool TPort::ReadBufferBySize(void* buf, uint32_t n, uint32_t* count)
{
    AnsiString logged;
    return ReadWaiting(buf, n, count, logged);
}

bool TPort::ReadWaiting(void* buf, uint32_t n, uint32_t* count, AnsiString& logged)
{
    m_State = STATE_READING;
    uint32_t got = 0;
    bool ok = ReadFile(m_hPort, buf, n, &got);
    // The caller's buffer has room for a terminating zero after the n bytes.
    logged = m_EchoMask.Apply(AnsiString(static_cast<const char*>(buf), got));
    logged.resize(std::strlen(logged.c_str()));
    Memo("ReadBufferBySize  " + logged);
    StoreCount(count, got);
    if (ok)
        m_nLastReadTime = timeGetTime();
    else if (IsOpen())
        m_bLineLost = true;
    if (ok && got == 0) {
        SetLastError(PORT_ERROR_NO_BYTE);
        ok = false;
    }
    m_State = STATE_OPEN;
    return ok;
}

bool TPort::Write(const void* buf, uint32_t n, uint32_t* written)
{
    // An armed mask stays: the rest of a secret's echo may follow this write.
    return WriteLogged(buf, buf, n, written);
}

bool TPort::WriteMasked(const char* buf, const char* masked, uint32_t n, uint32_t* written)
{
    m_EchoMask.Arm(AnsiString(buf, n), AnsiString(masked, n));
    return WriteLogged(buf, masked, n, written);
}

bool TPort::WriteLogged(const void* buf, const void* logged, uint32_t n, uint32_t* written)
{
    m_State = STATE_WRITING;
    Post(PORT_EVENT_WRITE_BEGIN, timeGetTime(), 0);
    uint32_t done = 0;
    bool ok = WriteFile(m_hPort, buf, n, &done);
    StoreCount(written, done);
    if (ok) {
        m_nLastWriteTime = timeGetTime();
        Post(PORT_EVENT_WRITE_DATA, m_nLastWriteTime, 0, logged, n);
    } else {
        Post(PORT_EVENT_WRITE_FAILED, timeGetTime(), GetLastError());
    }
    m_State = STATE_OPEN;
    return ok;
}

uint32_t TPort::GetBytesWaiting()
{
    uint32_t errors = 0;
    COMSTAT stat {};
    const bool ok = ClearCommError(m_hPort, &errors, &stat);
    // An open handle that cannot be queried, or a hung-up line, will never
    // bring another byte.
    if (IsOpen() && (!ok || (errors & CE_IOE) != 0))
        m_bLineLost = true;
    if (!ok || errors != 0)
        return 0;
    return stat.cbInQue;
}

void TPort::SetLogFileName(const char* path)
{
    if (path == nullptr)
        return;
    std::strncpy(m_szLogPath, path, sizeof m_szLogPath - 1);
    m_szLogPath[sizeof m_szLogPath - 1] = '\0';
    // The trace starts as soon as it has somewhere to go.
    if (m_szLogPath[0] != '\0' && !m_bLogRunning.load())
        StartLogThread();
}

void TPort::StartLogThread()
{
    if (m_szLogPath[0] == '\0' || m_LogThread.joinable())
        return;
    m_LogParams.queue = &m_Queue;
    std::memcpy(m_LogParams.path, m_szLogPath, sizeof m_LogParams.path);
    m_LogParams.running = &m_bLogRunning;
    m_bLogRunning.store(1);
    try {
        m_LogThread = std::thread([this] { PortLogThreadProc(&m_LogParams); });
    } catch (...) {
        StopLogThread();
    }
}

void TPort::StopLogThread()
{
    m_bLogRunning.store(0);
    // The log thread sees the flag within its idle step and ends by itself.
    if (m_LogThread.joinable())
        m_LogThread.join();
}
