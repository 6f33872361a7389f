#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/SingleInstance.h"

namespace {
class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() / ("qvx_single_" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        m_old = old != nullptr ? old : "";
        ::setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
    }
    void TearDown() override
    {
        if (m_old.empty())
            ::unsetenv("XDG_RUNTIME_DIR");
        else
            ::setenv("XDG_RUNTIME_DIR", m_old.c_str(), 1);
        std::filesystem::remove_all(m_dir);
    }
    // Whether another process finds the guard taken.
    static bool OtherProcessSeesInstance(const char* name)
    {
        const pid_t pid = ::fork();
        if (pid == 0) {
            TSingleInstance probe(name);
            ::_exit(probe.AlreadyExists() ? 1 : 0);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 1;
    }
    std::filesystem::path m_dir;
    std::string m_old;
};
}  // namespace

TEST_F(SingleInstanceTest, SecondStartFindsTheFirstUntilItEnds)
{
    const char* name = "TQUORVIXSINGLEINSTANCECHECK";
    EXPECT_FALSE(OtherProcessSeesInstance(name));
    {
        TSingleInstance first(name);
        ASSERT_TRUE(first.Valid());
        EXPECT_FALSE(first.AlreadyExists());
        EXPECT_EQ(first.LockPath(), (m_dir / "TQUORVIXSINGLEINSTANCECHECK.lock").string());
        EXPECT_TRUE(OtherProcessSeesInstance(name));
        TSingleInstance second(name);
        EXPECT_TRUE(second.AlreadyExists());
        // Another guard name is another program.
        EXPECT_FALSE(OtherProcessSeesInstance("SOMETHINGELSE"));
    }
    // The first instance has ended: a new start runs normally.
    EXPECT_FALSE(OtherProcessSeesInstance(name));
}

TEST_F(SingleInstanceTest, UnusableLockFolderStartsAsFirstInstance)
{
    ::setenv("XDG_RUNTIME_DIR", "/nonexistent/qvx", 1);
    ::setenv("TMPDIR", "/nonexistent/qvx", 1);
    TSingleInstance guard("TQUORVIXSINGLEINSTANCECHECK");
    ::unsetenv("TMPDIR");
    EXPECT_FALSE(guard.Valid());
    EXPECT_FALSE(guard.AlreadyExists());
}
