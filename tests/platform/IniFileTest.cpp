#include "platform/TIniFile.h"

#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "tests/ProcessTempDir.h"

namespace fs = std::filesystem;

namespace {
fs::path TempIni(const char* name)
{
    fs::path p = ProcessTempDir("qvx_ini_") / name;
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

namespace {
std::string ReadBytes(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& p, const std::string& bytes)
{
    std::ofstream(p, std::ios::binary) << bytes;
}

// ASCII text as UTF-16 with its byte-order mark, as Windows editors save it.
std::string Utf16(const std::string& ascii, bool bigEndian)
{
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) {
        if (bigEndian)
            out += '\0';
        out += c;
        if (!bigEndian)
            out += '\0';
    }
    return out;
}
}  // namespace

TEST(IniFile, SettingsSurviveAFileTheParserCannotTake)
{
    const std::string settings = "[SETTINGS]\r\nModemDevice=USB Modem\r\n[PROFILE0]\r\nConnection_APN=internet\r\n";
    for (bool bigEndian : {false, true}) {
        // UTF-16 is read as text, and a write keeps every setting beside the new one.
        fs::path p = TempIni(bigEndian ? "utf16be.ini" : "utf16le.ini");
        WriteBytes(p, Utf16(settings, bigEndian));
        {
            TIniFile ini(p.string());
            EXPECT_TRUE(ini.IsReadable());
            EXPECT_FALSE(ini.IsUnreadable());
            EXPECT_EQ(ini.ReadString("SETTINGS", "ModemDevice", ""), "USB Modem");
            ASSERT_TRUE(ini.WriteInteger("MAIN_FRAME", "LeftPos", 5));
        }
        // A fresh object reads what reached the disk.
        TIniFile again(p.string());
        EXPECT_EQ(again.ReadString("SETTINGS", "ModemDevice", ""), "USB Modem");
        EXPECT_EQ(again.ReadString("PROFILE0", "Connection_APN", ""), "internet");
        EXPECT_EQ(again.ReadInteger("MAIN_FRAME", "LeftPos", 0), 5);
        EXPECT_EQ(ReadBytes(p).substr(0, 2), bigEndian ? "\xFE\xFF" : "\xFF\xFE") << "written back as UTF-16";
    }

    // Content with no section is no settings file we know: it is left as it is.
    const std::string junk[] = {
        std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
        "ModemDevice=USB Modem\nno section here\n",
        Utf16(settings, false).substr(2),  // UTF-16 without its mark
    };
    int n = 0;
    for (const std::string& bytes : junk) {
        fs::path p = TempIni(("junk" + std::to_string(n++) + ".ini").c_str());
        WriteBytes(p, bytes);
        TIniFile ini(p.string());
        EXPECT_TRUE(ini.IsUnreadable()) << n;
        EXPECT_FALSE(ini.WriteString("SETTINGS", "ModemDevice", "other")) << n;
        EXPECT_EQ(ini.ReadString("SETTINGS", "ModemDevice", ""), "other") << "kept while the program runs";
        EXPECT_FALSE(ini.DeleteKey("SETTINGS", "ModemDevice")) << n;
        EXPECT_FALSE(ini.EraseSection("SETTINGS")) << n;
        EXPECT_EQ(ReadBytes(p), bytes) << n;
    }

    // Blank lines, comments or a byte-order mark alone: no setting yet, and the first write adds one.
    for (const std::string empty : {"\r\n\n  \n", "; my settings\n# none yet\n", "\xEF\xBB\xBF"}) {
        fs::path blank = TempIni(("blank" + std::to_string(empty.size()) + ".ini").c_str());
        WriteBytes(blank, empty);
        EXPECT_FALSE(TIniFile(blank.string()).IsUnreadable()) << empty;
        ASSERT_TRUE(TIniFile(blank.string()).WriteString("S", "k", "v")) << empty;
        EXPECT_EQ(TIniFile(blank.string()).ReadString("S", "k", ""), "v");
        EXPECT_EQ(ReadBytes(blank).substr(0, empty.size()), empty) << "kept as it was";
    }
    // A first key whose name starts like a UTF-16 mark is still UTF-8 when read back.
    fs::path mark = TempIni("mark.ini");
    WriteBytes(mark, "\xEF\xBB\xBF\xFF\xFEkey=1\n[S]\nk=v\n");
    {
        TIniFile ini(mark.string());
        ASSERT_TRUE(ini.WriteString("S", "new", "2"));
    }
    TIniFile marked(mark.string());
    EXPECT_FALSE(marked.IsUnreadable());
    EXPECT_EQ(marked.ReadString("S", "k", ""), "v");
    EXPECT_EQ(marked.ReadString("S", "new", ""), "2");

    // A tail of NULs, as a crash may leave, hides nothing.
    fs::path tail = TempIni("nultail.ini");
    WriteBytes(tail, std::string("[S]\nk=v\n\0\0\0", 11));
    TIniFile tailed(tail.string());
    EXPECT_FALSE(tailed.IsUnreadable());
    EXPECT_EQ(tailed.ReadString("S", "k", ""), "v");
    // A missing file is not unreadable: it is made by the first write.
    EXPECT_FALSE(TIniFile(TempIni("missing.ini").string()).IsUnreadable());
}

TEST(IniFile, HandEditedFileSurvivesWrites)
{
    const fs::path target = TempIni("target.ini"), link = TempIni("link.ini");
    WriteBytes(target, "; my modem\r\n[SETTINGS]\r\nModemDevice=First\r\nnote without equals\r\n"
                       "ModemDevice=Second\r\n\r\n[PROFILE0]\r\nConnection_APN=internet\r\n");
    fs::create_symlink(target, link);
    {
        TIniFile ini(link.string());
        EXPECT_EQ(ini.ReadString("SETTINGS", "ModemDevice", ""), "First");
        ASSERT_TRUE(ini.WriteString("SETTINGS", "ModemDevice", "Third"));
        ASSERT_TRUE(ini.WriteString("SETTINGS", "debug", "1"));
    }
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(target), "; my modem\r\n[SETTINGS]\r\nModemDevice=Third\r\nnote without equals\r\n"
                                 "ModemDevice=Second\r\ndebug=1\r\n\r\n[PROFILE0]\r\nConnection_APN=internet\r\n");
    fs::remove(link);
    fs::remove(target);
    // A link to a file not made yet: the first write makes it there.
    fs::create_symlink(target.filename(), link);
    ASSERT_TRUE(TIniFile(link.string()).WriteString("S", "k", "v"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(target), "[S]\nk=v\n");
}
