#include "platform/LastError.h"

#include <cerrno>
#include <cstring>
#include <cstdio>

namespace {
thread_local uint32_t t_lastError = 0;
// errno values without a classic code are carried in this range.
constexpr uint32_t kErrnoBase = 0x10000000;
}

void SetLastError(uint32_t code) { t_lastError = code; }
uint32_t GetLastError() { return t_lastError; }

uint32_t ErrorFromErrno(int err)
{
    switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: case ENXIO: case ENODEV: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES: case EPERM: case EBUSY: case EWOULDBLOCK: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENAMETOOLONG: return ERROR_INVALID_NAME;
    case EIO: return ERROR_IO_DEVICE;
    case ETIMEDOUT: return ERROR_TIMEOUT;
    case ENOTTY: case EOPNOTSUPP: return ERROR_NOT_SUPPORTED;
    default: return kErrnoBase + static_cast<uint32_t>(err);
    }
}

void SetLastErrorFromErrno() { SetLastError(ErrorFromErrno(errno)); }

AnsiString FormatMessageText(uint32_t code)
{
    switch (code) {
    case ERROR_SUCCESS: return "The operation completed successfully.";
    case ERROR_FILE_NOT_FOUND: return "The system cannot find the file specified.";
    case ERROR_PATH_NOT_FOUND: return "The system cannot find the path specified.";
    case ERROR_ACCESS_DENIED: return "Access is denied.";
    case ERROR_INVALID_HANDLE: return "The handle is invalid.";
    case ERROR_NOT_ENOUGH_MEMORY: return "Not enough memory resources are available to process this command.";
    case ERROR_WRITE_FAULT: return "The system cannot write to the specified device.";
    case ERROR_READ_FAULT: return "The system cannot read from the specified device.";
    case ERROR_GEN_FAILURE: return "A device attached to the system is not functioning.";
    case ERROR_SHARING_VIOLATION: return "The process cannot access the file because it is being used by another process.";
    case ERROR_NOT_SUPPORTED: return "The request is not supported.";
    case ERROR_INVALID_PARAMETER: return "The parameter is incorrect.";
    case ERROR_INVALID_NAME: return "The filename, directory name, or volume label syntax is incorrect.";
    case ERROR_BUSY: return "The requested resource is in use.";
    case ERROR_IO_DEVICE: return "The request could not be performed because of an I/O device error.";
    case ERROR_DEVICE_NOT_CONNECTED: return "The device is not connected.";
    case ERROR_TIMEOUT: return "This operation returned because the timeout period expired.";
    default: break;
    }
    if (code > kErrnoBase && code < kErrnoBase + 0x10000)
        return std::strerror(static_cast<int>(code - kErrnoBase));
    char buf[64];
    std::snprintf(buf, sizeof buf, "Unknown error 0x%08X.", code);
    return buf;
}
