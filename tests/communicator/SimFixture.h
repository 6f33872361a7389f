#pragma once
// A program folder in /tmp, a device folder with a simulated modem on COM7,
// and the process's current folder moved into the program folder.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "communicator/TModemComm.h"
#include "platform/PortMap.h"
#include "tools/modemsim/ModemSim.h"

class SimFixture : public ::testing::Test {
protected:
    static constexpr int kCom = 7;

    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_root = std::filesystem::temp_directory_path() /
                 ("qvx_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" + info->name());
        std::filesystem::remove_all(m_root);
        m_devices = m_root / "devices";
        m_program = m_root / "program";
        std::filesystem::create_directories(m_devices);
        std::filesystem::create_directories(m_program);
        m_oldDeviceDir = std::getenv(kDeviceDirEnv) != nullptr ? std::getenv(kDeviceDirEnv) : "";
        ::setenv(kDeviceDirEnv, m_devices.c_str(), 1);
        m_oldCwd = std::filesystem::current_path();
        std::filesystem::current_path(m_program);
        ASSERT_TRUE(m_sim.Start());
        ASSERT_TRUE(m_sim.Register(m_devices.string(), kCom, "Quorvix Test Modem"));
    }

    void TearDown() override
    {
        m_sim.Stop();
        m_oldDeviceDir.empty() ? ::unsetenv(kDeviceDirEnv) : ::setenv(kDeviceDirEnv, m_oldDeviceDir.c_str(), 1);
        std::filesystem::current_path(m_oldCwd);
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }

    static std::string ReadFile(const std::filesystem::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    std::filesystem::path m_root, m_devices, m_program, m_oldCwd;
    std::string m_oldDeviceDir;  // the device folder setting before the test
    modemsim::ModemSim m_sim;
};

// The same, with a communicator on the simulated modem's COM port that logs
// into m_memo.
class CommFixture : public SimFixture {
protected:
    void TearDown() override
    {
        m_comm.reset();
        SimFixture::TearDown();
    }

    // A fresh communicator in m_comm (and Config.ini object), not yet on the port.
    void MakeComm()
    {
        m_comm.reset();
        m_config = std::make_unique<TIniFile>((m_program / "Config.ini").string());
        m_comm = NewComm();
        m_comm->SetDebugMemo(&m_memo);
    }
    // Another communicator on the same program folder, as a second run would make it.
    std::unique_ptr<TModemComm> NewComm()
    {
        if (!m_config)
            m_config = std::make_unique<TIniFile>((m_program / "Config.ini").string());
        auto comm = std::make_unique<TModemComm>(m_config.get(), (m_program / "ComPort.log").string(), &m_closing);
        comm->SetPortNumber(kCom);
        comm->SetBaudRate(115200);
        return comm;
    }

    // A logged line, whole.
    bool Logged(const AnsiString& line) const
    {
        for (const auto& l : m_memo.Lines())
            if (l == line)
                return true;
        return false;
    }
    // A logged line holding `part`.
    bool LoggedPart(const AnsiString& part) const
    {
        for (const auto& l : m_memo.Lines())
            if (l.find(part) != AnsiString::npos)
                return true;
        return false;
    }

    std::atomic<bool> m_closing {false};
    TMemo m_memo;
    std::unique_ptr<TIniFile> m_config;
    std::unique_ptr<TModemComm> m_comm;
};
