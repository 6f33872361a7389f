#include "platform/PrivateFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int OpenPrivateFile(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    if (::fchmod(fd, 0600) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool WriteAll(int fd, const void* data, size_t size)
{
    const char* at = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, at, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        at += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool RotateLogFile(const std::string& path)
{
    const std::string older = path + ".1";
    if (::rename(path.c_str(), older.c_str()) != 0)
        return false;
    ::chmod(older.c_str(), 0600);
    return true;
}
