#include "platform/PrivateFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

FileNotice ProbePrivateFile(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FileNotice::None : FileNotice::Unreadable;
    if (!S_ISREG(st.st_mode))
        return FileNotice::Unreadable;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT ? FileNotice::None : FileNotice::Unreadable;
    ::close(fd);
    // The owner's write bit too: access() grants root every file.
    if ((st.st_mode & S_IWUSR) == 0 || ::access(path.c_str(), W_OK) != 0)
        return FileNotice::ReadOnly;
    return FileNotice::None;
}

std::string ResolveLinks(const std::string& path)
{
    std::filesystem::path at = path;
    // As many links as the system follows; a longer chain is its error.
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        const std::filesystem::path next = std::filesystem::read_symlink(at, ec);
        if (ec || next.empty())
            break;
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    return at.string();
}

bool ReplaceableTarget(const std::string& path, std::string& target)
{
    target = ResolveLinks(path);
    return ProbePrivateFile(target) == FileNotice::None;
}

bool CommitPrivateFile(const std::string& temp, const std::string& target)
{
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    const size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool ReplacePrivateFile(const std::string& path, const std::string& text)
{
    std::string target;
    if (!ReplaceableTarget(path, target))
        return false;
    std::string temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());  // made 0600
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, 0600) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    return CommitPrivateFile(temp, target);
}

std::string JoinLogLines(const std::vector<std::string>& lines, uintmax_t bound)
{
    size_t first = lines.size(), size = 0;
    while (first > 0 && (first == lines.size() || size + lines[first - 1].size() + 2 <= bound))
        size += lines[--first].size() + 2;
    std::string text;
    text.reserve(size);
    for (size_t i = first; i < lines.size(); ++i)
        text += lines[i] + "\r\n";
    return text;
}

bool RotateLogFile(const std::string& path)
{
    const std::string older = path + ".1";
    if (::rename(path.c_str(), older.c_str()) != 0)
        return false;
    ::chmod(older.c_str(), 0600);
    return true;
}

bool KeepDamagedFile(const std::string& path, std::string* kept)
{
    // A copy of its own (not a second link, which an edit in place would
    // change too), in a file made afresh: an existing one is never hit.
    int out = -1;
    std::string name;
    for (int n = 1; out < 0 && n <= 1000; ++n) {
        name = path + ".damaged" + (n == 1 ? std::string() : "." + std::to_string(n));
        out = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (out < 0 && errno != EEXIST)
            return false;
    }
    if (out < 0)
        return false;
    const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    bool ok = in >= 0;
    std::vector<char> buffer(1 << 16);
    for (ssize_t got = 1; ok && got != 0;) {
        got = ::read(in, buffer.data(), buffer.size());
        ok = got < 0 ? errno == EINTR : WriteAll(out, buffer.data(), static_cast<size_t>(got));
    }
    ok = ok && ::fsync(out) == 0;
    ok = (::close(out) == 0) && ok;
    if (in >= 0)
        ::close(in);
    if (!ok) {
        ::unlink(name.c_str());
        return false;
    }
    if (kept)
        *kept = name;
    return true;
}
