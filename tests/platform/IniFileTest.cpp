#include "platform/TIniFile.h"

#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {
fs::path TempIni(const char* name)
{
    fs::path dir = fs::temp_directory_path() / ("qvx_ini_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::path p = dir / name;
    fs::remove(p);
    return p;
}
}  // namespace

TEST(IniFile, ReadsCaseInsensitivelyWithDefaultsAndTrimming)
{
    fs::path p = TempIni("a.ini");
    std::ofstream(p) << "[Settings]\nName =  some value  \nCount=0x1F\nBad=12abc\nNeg=-7\n[Second]\n[third]\nx=1\n";
    TIniFile ini(p.string());
    EXPECT_EQ(ini.ReadString("SETTINGS", "name", "d"), "some value");
    EXPECT_EQ(ini.ReadString("SETTINGS", "missing", "d"), "d");
    EXPECT_EQ(ini.ReadInteger("settings", "COUNT", 0), 31);
    EXPECT_EQ(ini.ReadInteger("settings", "Bad", 5), 5);
    EXPECT_EQ(ini.ReadInteger("settings", "Neg", 5), -7);
    EXPECT_TRUE(ini.ReadBool("third", "x", false));
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Settings", "Second", "third"}));
}

TEST(IniFile, WritesReachTheFileAtOnceAndOtherObjectsSeeThem)
{
    fs::path p = TempIni("b.ini");
    TIniFile a(p.string());
    TIniFile b(p.string());
    EXPECT_EQ(b.ReadInteger("S", "k", 9), 9);
    ASSERT_TRUE(a.WriteInteger("S", "k", 42));
    EXPECT_EQ(b.ReadInteger("s", "K", 9), 42);
    // A change made behind our back is seen too.
    std::ofstream(p) << "[S]\nk=7\n";
    EXPECT_EQ(a.ReadInteger("S", "k", 9), 7);
    struct stat st {};
    ASSERT_EQ(::stat(p.string().c_str(), &st), 0);
    ASSERT_TRUE(a.WriteString("S", "line", "one\r\ntwo"));
    EXPECT_EQ(b.ReadString("S", "line", ""), "onetwo");
    ASSERT_TRUE(a.DeleteKey("S", "line"));
    EXPECT_FALSE(b.ValueExists("S", "line"));
}

TEST(IniFile, NewFileIsPrivateAndFailedWriteKeepsOldContent)
{
    fs::path p = TempIni("c.ini");
    TIniFile ini(p.string());
    ASSERT_TRUE(ini.WriteString("P", "Password", "secret"));
    struct stat st {};
    ASSERT_EQ(::stat(p.string().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    TIniFile nowhere("/nonexistent-dir/x.ini");
    EXPECT_FALSE(nowhere.WriteString("P", "k", "v"));
    EXPECT_EQ(nowhere.ReadString("P", "k", "def"), "def");
}
