#pragma once
// A program folder in /tmp, a device folder with a simulated modem on COM7,
// and the process's current folder moved into the program folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

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
        ::setenv(kDeviceDirEnv, m_devices.c_str(), 1);
        m_oldCwd = std::filesystem::current_path();
        std::filesystem::current_path(m_program);
        ASSERT_TRUE(m_sim.Start());
        ASSERT_TRUE(m_sim.Register(m_devices.string(), kCom, "Quorvix Test Modem"));
    }

    void TearDown() override
    {
        m_sim.Stop();
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
    modemsim::ModemSim m_sim;
};
