#pragma once
// The thread's last-error value and a text for each code, as the Windows-era
// callers expect them. System codes keep their classic numbers so that logs and
// the port trace read the same on every platform.
#include <cstdint>
#include "platform/Types.h"

enum : uint32_t {
    ERROR_SUCCESS = 0,
    ERROR_FILE_NOT_FOUND = 2,
    ERROR_PATH_NOT_FOUND = 3,
    ERROR_ACCESS_DENIED = 5,
    ERROR_INVALID_HANDLE = 6,
    ERROR_NOT_ENOUGH_MEMORY = 8,
    ERROR_WRITE_FAULT = 29,
    ERROR_READ_FAULT = 30,
    ERROR_GEN_FAILURE = 31,
    ERROR_SHARING_VIOLATION = 32,
    ERROR_NOT_SUPPORTED = 50,
    ERROR_INVALID_PARAMETER = 87,
    ERROR_BUSY = 170,
    ERROR_INVALID_NAME = 123,
    ERROR_DEVICE_NOT_CONNECTED = 1167,
    ERROR_IO_DEVICE = 1117,
    ERROR_TIMEOUT = 1460,
};

void SetLastError(uint32_t code);
uint32_t GetLastError();

// Maps an errno value onto the error codes above (unknown ones keep a
// distinct range so their own text can still be given).
uint32_t ErrorFromErrno(int err);
// Sets the last error from errno.
void SetLastErrorFromErrno();

// The message text for a code, without a trailing line end.
AnsiString FormatMessageText(uint32_t code);
