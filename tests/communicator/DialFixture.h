#pragma once
// The simulated modem with dial support, the communicator on it, and the
// dial-up layer pointed at a private phone book, the pppd stand-in and a
// simulated link whose counters the test moves.
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "SimFixture.h"
#include "communicator/TModemComm.h"
#include "tools/modemsim/DialModule.h"

class DialFixture : public CommFixture {
protected:
    static constexpr const char* kModem = "Quorvix Test Modem";

    void SetUp() override
    {
        CommFixture::SetUp();
        if (::access("/usr/sbin/chat", X_OK) != 0)
            GTEST_SKIP() << "chat (Debian's ppp package) is not installed";
        ::setenv("QVX_PHONEBOOK_DIR", (m_root / "config").c_str(), 1);
        ::setenv("QVX_PPPD", QVX_SOURCE_DIR "/tools/pppd-standin", 1);
        ::setenv("QVX_SYSFS_NET", (m_root / "net").c_str(), 1);
        ::setenv("QVX_STANDIN_ARGS", (m_root / "args").c_str(), 1);
        for (const char* v : {"QVX_STANDIN_EXIT", "QVX_STANDIN_USER", "QVX_STANDIN_PASSWORD", "QVX_STANDIN_NOREMOTE",
                              "QVX_STANDIN_IF", "QVX_STANDIN_DELAY", "QVX_STANDIN_DROP"})
            ::unsetenv(v);
        m_dial = std::make_shared<modemsim::DialModule>();
        m_sim.AddModule(m_dial);
        std::ofstream(m_program / "Devices.dat", std::ios::binary) << TModemList::Scramble(std::string(kModem) + ";");
        MakeComm();
    }
    void TearDown() override
    {
        if (m_comm && m_comm->GetRasConnection() != nullptr)
            RasHangUpA(m_comm->GetRasConnection());
        CommFixture::TearDown();
    }
    void MakeComm()
    {
        CommFixture::MakeComm();
        m_comm->SetModemName(kModem);
    }
    bool Dial(const AnsiString& user = "web", const AnsiString& password = "pw", const AnsiString& phone = "*99#")
    {
        return m_comm->Connect(user, password, phone, m_error, m_cancel);
    }
    // The stand-in's process id as it wrote it, or -1.
    pid_t StandinPid() const
    {
        const std::string a = ReadFile(m_root / "args");
        return a.rfind("pid=", 0) == 0 ? std::atoi(a.c_str() + 4) : -1;
    }
    void SetCounters(const std::string& iface, unsigned long long rx, unsigned long long tx)
    {
        const auto d = m_root / "net" / iface / "statistics";
        std::filesystem::create_directories(d);
        std::ofstream(d / "rx_bytes") << rx << "\n";
        std::ofstream(d / "tx_bytes") << tx << "\n";
    }
    template <class Pred>
    static bool WaitFor(Pred pred, int ms = 5000)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            if (pred())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return pred();
    }

    std::atomic<bool> m_cancel {false};
    DWORD m_error = 12345;
    std::shared_ptr<modemsim::DialModule> m_dial;
};
