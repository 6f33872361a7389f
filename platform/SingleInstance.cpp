#include "platform/SingleInstance.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

AnsiString TSingleInstance::LockPathFor(const AnsiString& name)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (runtime != nullptr && *runtime != '\0' && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode))
        return AnsiString(runtime) + "/" + name + ".lock";
    const char* tmp = std::getenv("TMPDIR");
    const AnsiString folder = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    return folder + "/" + name + "-" + std::to_string(::getuid()) + ".lock";
}

TSingleInstance::TSingleInstance(const AnsiString& name) : m_path(LockPathFor(name))
{
    // O_NOFOLLOW: in a shared temporary folder nobody can point our lock at another file.
    m_fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_fd < 0)
        return;
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        m_alreadyExists = errno == EWOULDBLOCK;
        if (!m_alreadyExists) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
}

TSingleInstance::~TSingleInstance()
{
    if (m_fd >= 0)
        ::close(m_fd);
}
