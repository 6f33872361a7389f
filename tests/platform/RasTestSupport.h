#pragma once
// What the dial-up tests share: a temporary folder set up as the phone book
// folder, the device folder and the network counters' root, the pppd stand-in,
// and a small dialling modem on a pseudo-terminal.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <poll.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "platform/PortMap.h"

namespace rastest {

namespace fs = std::filesystem;

// A modem that answers AT with OK and a dial command with a chosen answer.
class DialModem {
public:
    explicit DialModem(std::string dialAnswer = "CONNECT 7200000") : m_answer(std::move(dialAnswer))
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ::grantpt(m_master);
        ::unlockpt(m_master);
        m_slavePath = ::ptsname(m_master);
        // Held open so the master never sees the slave closed between users.
        m_slave = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY);
        termios t{};
        ::tcgetattr(m_slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(m_slave, TCSANOW, &t);
        m_thread = std::thread([this] { Run(); });
    }
    ~DialModem()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        Vanish();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    const std::string& Tty() const { return m_slavePath; }
    void SetDialAnswer(const std::string& a)
    {
        std::lock_guard<std::mutex> l(m_mutex);
        m_answer = a;
    }
    std::string Dialled()
    {
        std::lock_guard<std::mutex> l(m_mutex);
        return m_dialled;
    }
    void Send(const std::string& text)
    {
        std::lock_guard<std::mutex> l(m_mutex);
        if (m_master >= 0)
            (void)!::write(m_master, text.data(), text.size());
    }
    // The modem goes away: its side of the line closes.
    void Vanish()
    {
        m_stop = true;
        if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
            m_thread.join();
        std::lock_guard<std::mutex> l(m_mutex);
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    void Run()
    {
        std::string line;
        while (!m_stop) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN))
                continue;
            char buf[256];
            ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n <= 0)
                continue;
            for (ssize_t i = 0; i < n; ++i) {
                if (buf[i] == '\r' || buf[i] == '\n') {
                    if (!line.empty())
                        Answer(line);
                    line.clear();
                } else {
                    line += buf[i];
                }
            }
        }
    }
    void Answer(const std::string& cmd)
    {
        std::string reply;
        {
            std::lock_guard<std::mutex> l(m_mutex);
            if (cmd.rfind("ATD", 0) == 0) {
                m_dialled = cmd.substr(3);
                reply = m_answer.empty() ? "" : "\r\n" + m_answer + "\r\n";
            } else if (cmd.rfind("AT", 0) == 0) {
                reply = "\r\nOK\r\n";
            }
        }
        if (!reply.empty())
            Send(reply);
    }

    std::string m_answer;
    std::string m_dialled;
    std::string m_slavePath;
    int m_master = -1;
    int m_slave = -1;
    std::mutex m_mutex;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// A private folder for one test: phone book, device folder and counters.
class DialFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/qvx-rastest-XXXXXX";
        m_dir = ::mkdtemp(tmpl);
        ::setenv("QVX_PHONEBOOK_DIR", (m_dir / "config").c_str(), 1);
        ::setenv("QVX_DEVICE_DIR", (m_dir / "dev").c_str(), 1);
        ::setenv("QVX_SYSFS_NET", (m_dir / "net").c_str(), 1);
        ::setenv("QVX_PPPD", QVX_SOURCE_DIR "/tools/pppd-standin", 1);
        for (const char* v : {"QVX_STANDIN_EXIT", "QVX_STANDIN_USER", "QVX_STANDIN_PASSWORD", "QVX_STANDIN_NOREMOTE",
                              "QVX_STANDIN_IF", "QVX_STANDIN_DELAY", "QVX_STANDIN_ARGS", "QVX_STANDIN_DROP"})
            ::unsetenv(v);
        fs::create_directories(m_dir / "dev");
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    // Registers a modem tty under COMn with a name.
    void AddModem(int number, const std::string& tty, const std::string& name)
    {
        ASSERT_TRUE(RegisterComPort((m_dir / "dev").string(), number, tty, name));
    }
    // The interface's counters, as the kernel shows them.
    void SetCounters(const std::string& iface, unsigned long long rx, unsigned long long tx)
    {
        const fs::path d = m_dir / "net" / iface / "statistics";
        fs::create_directories(d);
        std::ofstream(d / "rx_bytes") << rx << "\n";
        std::ofstream(d / "tx_bytes") << tx << "\n";
    }
    static bool ChatAvailable() { return ::access("/usr/sbin/chat", X_OK) == 0; }

    fs::path m_dir;
};

// Polls until `pred` holds or `ms` pass.
template <class Pred>
bool WaitFor(Pred pred, int ms = 5000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (pred())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return pred();
}

}  // namespace rastest
