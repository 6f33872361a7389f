#pragma once
// The host's end of the simulated modem in tests: the slave tty opened the way a
// serial port is (raw termios), with reads bounded by time.
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>

class HostTty {
public:
    explicit HostTty(const std::string& path)
    {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        termios tio{};
        if (fd_ >= 0 && ::tcgetattr(fd_, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(fd_, TCSANOW, &tio);
        }
    }
    ~HostTty()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    HostTty(const HostTty&) = delete;
    HostTty& operator=(const HostTty&) = delete;

    bool IsOpen() const { return fd_ >= 0; }

    void Write(const std::string& bytes)
    {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n > 0)
                done += static_cast<size_t>(n);
            else if (!WaitFor(POLLOUT, 1000))
                return;
        }
    }

    // Everything that arrives until `needle` has been seen or `timeoutMs` passed.
    std::string ReadUntil(const std::string& needle, int timeoutMs) { return Read(&needle, timeoutMs); }

    // Everything that arrives within `ms`.
    std::string ReadFor(int ms) { return Read(nullptr, ms); }

    // The other side is gone (the modem was unplugged).
    bool HungUp()
    {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, 200) > 0 && (p.revents & (POLLHUP | POLLERR)) != 0;
    }

private:
    using Clock = std::chrono::steady_clock;

    std::string Read(const std::string* needle, int timeoutMs)
    {
        std::string got;
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (needle == nullptr || got.find(*needle) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0 || !WaitFor(POLLIN, static_cast<int>(left)))
                break;
            char buf[4096];
            const ssize_t n = ::read(fd_, buf, sizeof buf);
            if (n <= 0)
                break;  // hang-up
            got.append(buf, static_cast<size_t>(n));
        }
        return got;
    }

    bool WaitFor(short events, int ms)
    {
        pollfd p{fd_, events, 0};
        return ::poll(&p, 1, ms) > 0 && (p.revents & events) != 0;
    }

    int fd_ = -1;
};
