#include "platform/SerialPort.h"

#include "platform/LastError.h"
#include "platform/PortMap.h"
#include "platform/Ticks.h"

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct PortState {
    COMMTIMEOUTS timeouts;
    DCB dcb;
};

std::mutex g_mutex;
std::map<int, PortState> g_ports;

bool Lookup(HANDLE h, PortState* out)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_ports.find(static_cast<int>(h));
    if (h <= 0 || it == g_ports.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (out)
        *out = it->second;
    return true;
}

speed_t SpeedFor(uint32_t baud)
{
    switch (baud) {
    case 300: return B300;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return 0;
    }
}

uint32_t BaudFor(speed_t s)
{
    static const std::pair<speed_t, uint32_t> table[] = {
        {B300, 300}, {B1200, 1200}, {B2400, 2400}, {B4800, 4800}, {B9600, 9600}, {B19200, 19200},
        {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400}, {B460800, 460800},
        {B921600, 921600}};
    for (auto [speed, baud] : table)
        if (speed == s)
            return baud;
    return 0;
}

int Fd(HANDLE h) { return static_cast<int>(h); }

}  // namespace

HANDLE OpenComPort(const char* deviceName)
{
    const int number = ComNumberFromName(deviceName ? deviceName : "");
    if (number <= 0) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    const AnsiString tty = ResolveComPort(number);
    if (tty.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    int fd = ::open(tty.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        // A port the user may not open and one another program holds call
        // for different remedies: they are told apart.
        SetLastError(errno == ENOENT || errno == ENXIO || errno == ENODEV ? ERROR_FILE_NOT_FOUND
                     : errno == EBUSY                                     ? ERROR_SHARING_VIOLATION
                     : errno == EACCES || errno == EPERM                  ? ERROR_ACCESS_DENIED
                                                                          : ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    // Exclusive use: other programs through TIOCEXCL, our own through the lock.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    ::ioctl(fd, TIOCEXCL);
    PortState state;
    termios tio {};
    if (::tcgetattr(fd, &tio) == 0)
        state.dcb.BaudRate = BaudFor(cfgetospeed(&tio));
    std::lock_guard<std::mutex> lock(g_mutex);
    g_ports[fd] = state;
    SetLastError(ERROR_SUCCESS);
    return fd;
}

bool CloseHandle(HANDLE h)
{
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (h <= 0 || g_ports.erase(Fd(h)) == 0) {
            SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
    }
    ::ioctl(Fd(h), TIOCNXCL);
    ::flock(Fd(h), LOCK_UN);
    if (::close(Fd(h)) != 0 && errno != EINTR) {
        SetLastErrorFromErrno();
        return false;
    }
    return true;
}

bool GetCommState(HANDLE h, DCB* dcb)
{
    PortState st;
    if (!Lookup(h, &st))
        return false;
    if (dcb)
        *dcb = st.dcb;
    return true;
}

bool SetCommState(HANDLE h, const DCB* dcb)
{
    if (dcb == nullptr || !Lookup(h, nullptr)) {
        if (dcb == nullptr)
            SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const speed_t speed = SpeedFor(dcb->BaudRate);
    if (speed == 0 || dcb->ByteSize < 5 || dcb->ByteSize > 8 || dcb->Parity > SPACEPARITY || dcb->StopBits > TWOSTOPBITS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const int fd = Fd(h);
    termios tio {};
    if (::tcgetattr(fd, &tio) != 0) {
        SetLastErrorFromErrno();
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    // Raw mode leaves these as the last user had them: XOFF bytes sent to the
    // modem would land in its commands and message texts, and a lower-cased
    // input would hide every "OK".
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | IUCLC);
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag |= sizes[dcb->ByteSize - 5];
    if (dcb->Parity == ODDPARITY || dcb->Parity == EVENPARITY) {
        tio.c_cflag |= PARENB;
        if (dcb->Parity == ODDPARITY)
            tio.c_cflag |= PARODD;
    }
    if (dcb->StopBits != ONESTOPBIT)
        tio.c_cflag |= CSTOPB;
    if (dcb->fOutxCtsFlow)
        tio.c_cflag |= CRTSCTS;
    if (dcb->fOutX)
        tio.c_iflag |= IXON;
    if (dcb->fInX)
        tio.c_iflag |= IXOFF;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        SetLastErrorFromErrno();
        return false;
    }
    // Modem lines: a pseudo-terminal has none, and that is not an error.
    int lines = 0;
    if (dcb->fDtrControl == DTR_CONTROL_ENABLE)
        lines |= TIOCM_DTR;
    if (dcb->fRtsControl == RTS_CONTROL_ENABLE)
        lines |= TIOCM_RTS;
    if (lines != 0)
        ::ioctl(fd, TIOCMBIS, &lines);
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_ports.find(fd);
    if (it != g_ports.end())
        it->second.dcb = *dcb;
    return true;
}

bool GetCommTimeouts(HANDLE h, COMMTIMEOUTS* t)
{
    PortState st;
    if (!Lookup(h, &st))
        return false;
    if (t)
        *t = st.timeouts;
    return true;
}

bool SetCommTimeouts(HANDLE h, const COMMTIMEOUTS* t)
{
    if (t == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_ports.find(Fd(h));
    if (h <= 0 || it == g_ports.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    it->second.timeouts = *t;
    return true;
}

namespace {
// The other side of the line went away (an unplugged device, a closed pty).
bool HungUp(int fd)
{
    pollfd p {fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

// Waits for input up to `ms`; -1 on a device error (errno set).
int WaitReadable(int fd, int ms)
{
    pollfd p {fd, POLLIN, 0};
    for (;;) {
        int r = ::poll(&p, 1, ms);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return -1;
        if (r == 0)
            return 0;
        if (p.revents & POLLIN)
            return 1;
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
            errno = EIO;
            return -1;
        }
        return 0;
    }
}
}  // namespace

bool ReadFile(HANDLE h, void* buf, uint32_t n, uint32_t* got)
{
    if (got)
        *got = 0;
    PortState st;
    if (!Lookup(h, &st))
        return false;
    if (n == 0)
        return true;
    const int fd = Fd(h);
    const COMMTIMEOUTS& t = st.timeouts;
    auto* out = static_cast<unsigned char*>(buf);
    uint32_t total = 0;
    const bool firstByteMode = t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD;
    const bool immediate = t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 &&
                           t.ReadTotalTimeoutConstant == 0;
    // Total time allowed for the whole read (0 = no limit) in the general case.
    const uint64_t budget = static_cast<uint64_t>(t.ReadTotalTimeoutMultiplier) * n + t.ReadTotalTimeoutConstant;
    const uint32_t start = GetTickCount();
    for (;;) {
        ssize_t r = ::read(fd, out + total, n - total);
        if (r > 0) {
            total += static_cast<uint32_t>(r);
            if (total == n || firstByteMode || immediate)
                break;
            continue;
        }
        // A raw tty with no minimum count returns 0 when nothing waits, and
        // also when the line was hung up (device unplugged): tell them apart.
        if (r == 0 && HungUp(fd)) {
            SetLastError(ERROR_DEVICE_NOT_CONNECTED);
            if (got)
                *got = total;
            return false;
        }
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            SetLastErrorFromErrno();
            if (got)
                *got = total;
            return false;
        }
        if (immediate)
            break;
        int waitMs;
        if (firstByteMode) {
            if (total > 0)
                break;
            uint32_t spent = TickElapsed(GetTickCount(), start);
            if (spent >= t.ReadTotalTimeoutConstant)
                break;
            waitMs = static_cast<int>(t.ReadTotalTimeoutConstant - spent);
        } else if (budget == 0) {
            waitMs = -1;
        } else {
            uint32_t spent = TickElapsed(GetTickCount(), start);
            if (spent >= budget)
                break;
            waitMs = static_cast<int>(budget - spent);
        }
        int w = WaitReadable(fd, waitMs);
        if (w < 0) {
            SetLastErrorFromErrno();
            if (got)
                *got = total;
            return false;
        }
        if (w == 0)
            break;
    }
    if (got)
        *got = total;
    return true;
}

bool WriteFile(HANDLE h, const void* buf, uint32_t n, uint32_t* written)
{
    if (written)
        *written = 0;
    PortState st;
    if (!Lookup(h, &st))
        return false;
    const int fd = Fd(h);
    const auto* in = static_cast<const unsigned char*>(buf);
    uint32_t total = 0;
    const uint64_t budget =
        static_cast<uint64_t>(st.timeouts.WriteTotalTimeoutMultiplier) * n + st.timeouts.WriteTotalTimeoutConstant;
    const uint32_t start = GetTickCount();
    while (total < n) {
        ssize_t r = ::write(fd, in + total, n - total);
        if (r > 0) {
            total += static_cast<uint32_t>(r);
            continue;
        }
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            SetLastErrorFromErrno();
            if (written)
                *written = total;
            return false;
        }
        uint32_t spent = TickElapsed(GetTickCount(), start);
        if (budget != 0 && spent >= budget) {
            SetLastError(ERROR_TIMEOUT);
            if (written)
                *written = total;
            return false;
        }
        pollfd p {fd, POLLOUT, 0};
        ::poll(&p, 1, budget == 0 ? 100 : static_cast<int>(std::min<uint64_t>(budget - spent, 100)));
    }
    if (written)
        *written = total;
    return true;
}

bool ClearCommError(HANDLE h, uint32_t* errors, COMSTAT* stat)
{
    if (errors)
        *errors = 0;
    if (stat)
        *stat = COMSTAT {};
    if (!Lookup(h, nullptr))
        return false;
    const int fd = Fd(h);
    int waiting = 0;
    if (::ioctl(fd, FIONREAD, &waiting) != 0) {
        SetLastErrorFromErrno();
        return false;
    }
    // A hung-up line is an error whether or not bytes are still reported.
    if (HungUp(fd) && errors)
        *errors = CE_IOE;
    if (stat)
        stat->cbInQue = static_cast<uint32_t>(waiting);
    return true;
}

bool FlushFileBuffers(HANDLE h)
{
    if (!Lookup(h, nullptr))
        return false;
    const int fd = Fd(h);
    if (::tcdrain(fd) != 0 && errno != ENOTTY && errno != EINVAL) {
        SetLastErrorFromErrno();
        return false;
    }
    return true;
}
