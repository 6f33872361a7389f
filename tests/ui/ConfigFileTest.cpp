#include <functional>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "UiTestSupport.h"
#include "ui/common/TConfigFile.h"

namespace fs = std::filesystem;
using uitest::FreshDir;
using uitest::WriteFile;

TEST(ConfigFile, EmptyFolderGivesEveryDefaultAndWritesNothing)
{
    const fs::path dir = FreshDir("cfg_empty");
    const fs::path path = dir / "Config.ini";
    TConfigFile cfg(path.string());
    EXPECT_FALSE(cfg.IsDebugOn());
    EXPECT_EQ(cfg.GetModemDevice(), "");
    EXPECT_EQ(cfg.GetModemDevice(Cfg::kNoModemDevice), "NONE");
    EXPECT_TRUE(cfg.GetUseExtLangSMS());
    EXPECT_TRUE(cfg.GetConnectToOtherDev());
    EXPECT_TRUE(cfg.GetShowSelModScreen());
    EXPECT_TRUE(cfg.GetAttemptToReconnect());
    EXPECT_EQ(cfg.GetUserOperator(), "");
    EXPECT_EQ(cfg.GetActiveLanguage(), 0);
    EXPECT_EQ(cfg.GetMainLeft(), 100);
    EXPECT_EQ(cfg.GetMainTop(), 100);
    EXPECT_EQ(cfg.GetAboutLeft(), 100);
    EXPECT_EQ(cfg.GetAboutTop(), 150);
    EXPECT_EQ(cfg.GetConnectOnStartup(), 0);
    EXPECT_EQ(cfg.GetConnectionPhone(), "");
    EXPECT_EQ(cfg.GetConnectionUserName(), "");
    EXPECT_EQ(cfg.GetConnectionUserPassword(), "");
    EXPECT_EQ(cfg.GetConnectionAPN(), "");
    EXPECT_EQ(cfg.GetAuthentication(), 0);
    EXPECT_EQ(cfg.GetTechnology(), 3);
    EXPECT_FALSE(fs::exists(path)) << "reading must not create the file";
}

// Stored text -> what the readers make of it.
TEST(ConfigFile, ValueRules)
{
    struct Case {
        const char* section;
        const char* key;
        const char* stored;
        std::function<long(TConfigFile&)> read;
        long expected;
    };
    auto ext = [](TConfigFile& c) { return long(c.GetUseExtLangSMS()); };
    auto left = [](TConfigFile& c) { return long(c.GetMainLeft()); };
    auto top = [](TConfigFile& c) { return long(c.GetMainTop()); };
    auto debug = [](TConfigFile& c) { return long(c.IsDebugOn()); };
    auto tech = [](TConfigFile& c) { return long(c.GetTechnology()); };
    auto aboutLeft = [](TConfigFile& c) { return long(c.GetAboutLeft()); };
    const Case cases[] = {
        {"SETTINGS", "UseExtLangSMS", "0", ext, 0},
        {"SETTINGS", "UseExtLangSMS", "yes", ext, 1},  // no number: the default
        {"SETTINGS", "UseExtLangSMS", "2", ext, 1},
        {"MAIN_FRAME", "LeftPos", "-20", left, 100},  // negative: the default
        {"MAIN_FRAME", "LeftPos", "0x20", left, 32},
        {"MAIN_FRAME", "LeftPos", "  250  ", left, 250},
        {"MAIN_FRAME", "TopPos", "12abc", top, 100},
        {"MAIN_FRAME", "TopPos", "0", top, 0},
        {"settings", "DEBUG", "42", debug, 1},  // names ignore case
        {"SETTINGS", "debug", "0x2A", debug, 1},
        {"SETTINGS", "debug", "41", debug, 0},
        {"SETTINGS", "debug", "1", debug, 0},
        {"CONNECTION", "Technology", "", tech, 3},
        {"CONNECTION", "Technology", "1", tech, 1},
        {"ABOUT_FRM", "LeftPos", "-5", aboutLeft, -5},  // only the main window corrects
    };
    const fs::path dir = FreshDir("cfg_rules");
    int n = 0;
    for (const Case& c : cases) {
        const fs::path path = dir / ("c" + std::to_string(n++) + ".ini");
        WriteFile(path, std::string("[") + c.section + "]\n" + c.key + "=" + c.stored + "\n");
        TConfigFile cfg(path.string());
        EXPECT_EQ(c.read(cfg), c.expected) << c.section << "/" << c.key << "=" << c.stored;
    }
}

TEST(ConfigFile, StringsAreTrimmedAndWrittenUnchanged)
{
    const fs::path path = FreshDir("cfg_strings") / "Config.ini";
    WriteFile(path, "[SETTINGS]\nModemDevice =   USB Modem \"A\"  \n");
    TConfigFile cfg(path.string());
    EXPECT_EQ(cfg.GetModemDevice(), "USB Modem \"A\"");
    ASSERT_TRUE(cfg.SetConnectionUserName("name;with=signs"));
    EXPECT_NE(uitest::ReadFile(path).find("Connection_User_Name=name;with=signs"), std::string::npos);
    ASSERT_TRUE(cfg.SetConnectOnStartup(true));
    ASSERT_TRUE(cfg.SetUseExtLangSMS(false));
    const std::string text = uitest::ReadFile(path);
    EXPECT_NE(text.find("Connect_on_startup=1"), std::string::npos);
    EXPECT_NE(text.find("UseExtLangSMS=0"), std::string::npos);
    ASSERT_TRUE(cfg.DeleteModemDevice());
    EXPECT_EQ(cfg.GetModemDevice("NONE"), "NONE");
}

TEST(ConfigFile, TwoObjectsOnTheFileSeeEachOthersWritesAtOnce)
{
    const fs::path path = FreshDir("cfg_shared") / "Config.ini";
    TConfigFile mainWindow(path.string());
    TConfigFile page(path.string());
    ASSERT_TRUE(page.SetConnectionPhone("*99#"));
    EXPECT_EQ(mainWindow.GetConnectionPhone(), "*99#");
    ASSERT_TRUE(mainWindow.SetMainPosition(10, 20));
    EXPECT_EQ(page.GetMainLeft(), 10);
    EXPECT_EQ(page.GetMainTop(), 20);
    // The bare INI object of another window on the same file, too.
    TIniFile other(path.string());
    EXPECT_EQ(other.ReadInteger("MAIN_FRAME", "LeftPos", 0), 10);
}

TEST(ConfigFile, PasswordFileIsPrivate)
{
    const fs::path dir = FreshDir("cfg_private");
    const fs::path fresh = dir / "Config.ini";
    TConfigFile cfg(fresh.string());
    ASSERT_TRUE(cfg.SetConnectionUserPassword("secret"));
    struct stat st {};
    ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A file opened to others before loses that before it holds a password:
    // no file with the password in it is ever tightened afterwards.
    const fs::path open = dir / "Open.ini";
    WriteFile(open, "[PROFILE0]\nConnection_Phone=*99#\n");
    ASSERT_EQ(::chmod(open.c_str(), 0644), 0);
    TConfigFile cfg2(open.string());
    ASSERT_TRUE(cfg2.SetConnectionAPN("internet"));
    ASSERT_EQ(::stat(open.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, dir.c_str(), IN_ATTRIB | IN_MOVED_TO), 0);
    ASSERT_TRUE(cfg2.SetConnectionUserPassword("pw"));
    std::vector<std::string> events;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;)
        for (char* at = buffer; at < buffer + n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(at);
            if (e->len > 0 && std::string(e->name) == "Open.ini")
                events.push_back((e->mask & IN_MOVED_TO) ? "renamed" : "mode");
            at += sizeof(inotify_event) + e->len;
        }
    ::close(watch);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), "renamed") << "the mode changed after the password was in the file";
    ASSERT_EQ(::stat(open.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(cfg2.GetConnectionPhone(), "*99#");

    // One left open by an older run while it held a password is closed on opening.
    const fs::path old = dir / "Old.ini";
    WriteFile(old, "[PROFILE0]\nConnection_User_Password=pw\n");
    ASSERT_EQ(::chmod(old.c_str(), 0644), 0);
    TConfigFile cfg3(old.string());
    ASSERT_EQ(::stat(old.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(ConfigFile, UnreadableFileGivesDefaultsALogLineAndIsNotOverwritten)
{
    const fs::path dir = FreshDir("cfg_unreadable");
    // A folder where the file should be: present, but nothing to read.
    const fs::path folder = dir / "Config.ini";
    fs::create_directories(folder);
    {
        uitest::LogCatcher log;
        TConfigFile cfg(folder.string());
        EXPECT_EQ(log.Count("cannot be read"), 1);
        EXPECT_TRUE(cfg.IsUnreadable());
        EXPECT_TRUE(cfg.GetUseExtLangSMS());
        EXPECT_EQ(cfg.GetMainLeft(), 100);
        EXPECT_FALSE(cfg.SetMainPosition(1, 2));
        EXPECT_TRUE(fs::is_directory(folder));
    }

    // A damaged file: content, but not a section in it.
    const fs::path junk = dir / "Junk.ini";
    static const char kJunk[] = "LeftPos=7\n\0\x01\x02garbage\xff\xfe\n";
    const std::string bytes(kJunk, sizeof kJunk - 1);
    WriteFile(junk, bytes);
    {
        uitest::LogCatcher log;
        TConfigFile cfg(junk.string());
        EXPECT_EQ(log.Count("cannot be read"), 1);
        EXPECT_TRUE(cfg.IsUnreadable());
        EXPECT_FALSE(cfg.SetMainPosition(1, 2));
        EXPECT_FALSE(cfg.SetConnectionUserPassword("pw"));
        EXPECT_FALSE(cfg.SetActiveLanguage(1));
    }
    EXPECT_EQ(uitest::ReadFile(junk), bytes) << "left byte for byte";

    const fs::path fine = dir / "Fine.ini";
    WriteFile(fine, "[SETTINGS]\nActiveLanguage=1\n");
    EXPECT_FALSE(TConfigFile(fine.string()).IsUnreadable());
    EXPECT_FALSE(TConfigFile((dir / "Missing.ini").string()).IsUnreadable());
}

TEST(ConfigFile, ReadOnlyFileIsLeftAloneAndSaidOnce)
{
    const fs::path file = FreshDir("cfg_readonly") / "Config.ini";
    WriteFile(file, "[MAIN_FRAME]\nLeftPos=7\n");
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    uitest::LogCatcher log;
    TConfigFile cfg(file.string());
    EXPECT_TRUE(cfg.IsReadOnly());
    EXPECT_EQ(log.Count("read-only"), 1);
    EXPECT_FALSE(cfg.SetMainPosition(1, 2));
    EXPECT_EQ(uitest::ReadFile(file), "[MAIN_FRAME]\nLeftPos=7\n");
    EXPECT_EQ(fs::status(file).permissions(), fs::perms(0444));
}

TEST(ConfigFile, FileWithoutReadPermissionIsNotOverwritten)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind root";
    const fs::path locked = FreshDir("cfg_locked") / "Locked.ini";
    WriteFile(locked, "[MAIN_FRAME]\nLeftPos=7\n[PROFILE0]\nConnection_Phone=123\n");
    ASSERT_EQ(::chmod(locked.c_str(), 0200), 0);
    {
        uitest::LogCatcher log;
        TConfigFile cfg(locked.string());
        EXPECT_EQ(log.Count("cannot be read"), 1);
        EXPECT_EQ(cfg.GetMainLeft(), 100);
        EXPECT_FALSE(cfg.SetMainPosition(1, 2));
    }
    ASSERT_EQ(::chmod(locked.c_str(), 0600), 0);
    EXPECT_EQ(uitest::ReadFile(locked), "[MAIN_FRAME]\nLeftPos=7\n[PROFILE0]\nConnection_Phone=123\n");
}
