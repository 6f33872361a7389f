#pragma once
// The COM port interface that the serial port object is written against,
// on termios. "\\.\COMn" resolves through the port map to a tty.
#include <cstdint>

using HANDLE = intptr_t;
inline constexpr HANDLE INVALID_HANDLE_VALUE = -1;
inline constexpr uint32_t MAXDWORD = 0xFFFFFFFFu;

inline constexpr uint32_t DTR_CONTROL_DISABLE = 0, DTR_CONTROL_ENABLE = 1, DTR_CONTROL_HANDSHAKE = 2;
inline constexpr uint32_t RTS_CONTROL_DISABLE = 0, RTS_CONTROL_ENABLE = 1, RTS_CONTROL_HANDSHAKE = 2;
inline constexpr uint8_t NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4;
inline constexpr uint8_t ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2;

// The device control block: the line settings of a port.
struct DCB {
    uint32_t DCBlength = 28;
    uint32_t BaudRate = 0;
    uint32_t fBinary : 1 = 1;
    uint32_t fParity : 1 = 0;
    uint32_t fOutxCtsFlow : 1 = 0;
    uint32_t fOutxDsrFlow : 1 = 0;
    uint32_t fDtrControl : 2 = 0;
    uint32_t fDsrSensitivity : 1 = 0;
    uint32_t fTXContinueOnXoff : 1 = 0;
    uint32_t fOutX : 1 = 0;
    uint32_t fInX : 1 = 0;
    uint32_t fErrorChar : 1 = 0;
    uint32_t fNull : 1 = 0;
    uint32_t fRtsControl : 2 = 0;
    uint32_t fAbortOnError : 1 = 0;
    uint16_t XonLim = 0;
    uint16_t XoffLim = 0;
    uint8_t ByteSize = 8;
    uint8_t Parity = NOPARITY;
    uint8_t StopBits = ONESTOPBIT;
    char XonChar = 0x11;
    char XoffChar = 0x13;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
};

struct COMMTIMEOUTS {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
};

struct COMSTAT {
    uint32_t cbInQue = 0;
    uint32_t cbOutQue = 0;
};

// Opens "\\.\COMn" for exclusive reading and writing. On failure returns
// INVALID_HANDLE_VALUE with the last error ERROR_FILE_NOT_FOUND (no such
// port), ERROR_ACCESS_DENIED (the user may not open it), ERROR_SHARING_VIOLATION
// (another open holds it) or another code.
HANDLE OpenComPort(const char* deviceName);
bool CloseHandle(HANDLE h);
bool GetCommState(HANDLE h, DCB* dcb);
bool SetCommState(HANDLE h, const DCB* dcb);
bool GetCommTimeouts(HANDLE h, COMMTIMEOUTS* t);
bool SetCommTimeouts(HANDLE h, const COMMTIMEOUTS* t);
// Reads follow the port's time-outs; a read that returns with 0 bytes is a
// success (a time-out), as on the original platform.
bool ReadFile(HANDLE h, void* buf, uint32_t n, uint32_t* got);
bool WriteFile(HANDLE h, const void* buf, uint32_t n, uint32_t* written);
// Bytes waiting in the input queue; `errors` gets line-error flags (a hung-up
// line is reported as an error).
bool ClearCommError(HANDLE h, uint32_t* errors, COMSTAT* stat);
bool FlushFileBuffers(HANDLE h);

inline constexpr uint32_t CE_IOE = 0x0400;  // the device went away
