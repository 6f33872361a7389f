#include "communicator/TModemData.h"
#include "communicator/TModemList.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Names = std::vector<AnsiString>;

TEST(ModemList, ParsesNamesEachEndedBySemicolon)
{
    struct Case { const char* text; Names names; };
    for (const Case& c : {Case{"A;B;", {"A", "B"}}, Case{";", {}}, Case{"", {}}, Case{";;;", {}},
                          Case{"A;;B;", {"A", "B"}}, Case{"A;A;", {"A", "A"}}, Case{"A;B", {"A", "B"}},
                          Case{"Only", {"Only"}}, Case{" Spaced Name ;x;", {" Spaced Name ", "x"}}}) {
        TModemList list;
        list.Parse("Old;");
        list.Parse(c.text);
        EXPECT_EQ(list.Names(), c.names) << c.text;
    }
}

TEST(ModemList, ContainsIsExact)
{
    TModemList list;
    list.Parse("Modem X;USB Modem;");
    EXPECT_TRUE(list.Contains("Modem X"));
    EXPECT_FALSE(list.Contains("MODEM X"));
    EXPECT_FALSE(list.Contains("Modem X "));
    EXPECT_FALSE(list.Contains("Modem"));
    EXPECT_FALSE(list.Contains(""));
}

TEST(ModemList, ScramblingIsReversibleForEveryByte)
{
    AnsiString all;
    for (int i = 0; i < 512; ++i)
        all += static_cast<char>(i & 0xFF);
    const AnsiString stored = TModemList::Scramble(all);
    EXPECT_NE(stored, all);
    EXPECT_EQ(TModemList::Unscramble(stored), all);
    // Byte i has the even or the odd constant added.
    EXPECT_EQ(static_cast<uint8_t>(TModemList::Scramble("AA")[0]), uint8_t('A' + TModemList::kEvenKey));
    EXPECT_EQ(static_cast<uint8_t>(TModemList::Scramble("AA")[1]), uint8_t('A' + TModemList::kOddKey));
}

TEST(ModemList, LoadsTheFileOfTheCurrentFolder)
{
    char tmpl[] = "/tmp/qvx-devices-XXXXXX";
    const fs::path dir = ::mkdtemp(tmpl);
    const fs::path old = fs::current_path();
    fs::current_path(dir);
    TModemList list;
    list.Parse("x;");
    list.Load();  // no file: empty
    EXPECT_TRUE(list.Names().empty());
    std::ofstream("Devices.dat", std::ios::binary) << TModemList::Scramble("First;Second;");
    list.Load();
    EXPECT_EQ(list.Names(), (Names{"First", "Second"}));
    fs::current_path(old);
    fs::remove_all(dir);
}

TEST(ModemList, DeliveredFileKnowsTheNamesOurDevicesGet)
{
    TModemList list;
    list.LoadFile(QVX_SOURCE_DIR "/data/Devices.dat");
    EXPECT_TRUE(list.Contains("USB Modem"));
    EXPECT_TRUE(list.Contains("Simulated Modem"));
    EXPECT_TRUE(list.Contains("Quorvix Simulated Modem"));
    // The copy beside the binaries is the same.
    TModemList beside;
    beside.LoadFile(QVX_BIN_DIR "/Devices.dat");
    EXPECT_EQ(beside.Names(), list.Names());
}

TEST(ModemData, LongTextsAreCutToTheirFields)
{
    TModemData d;
    d.SetName(std::string(300, 'n'));
    d.SetRegKey(std::string(2000, 'k'));
    d.SetPort("COM1234567890123456");
    EXPECT_EQ(std::string(d.name), std::string(255, 'n'));
    EXPECT_EQ(std::string(d.regKey), std::string(1023, 'k'));
    EXPECT_EQ(std::string(d.port), "COM123456789012");
    d.SetPort("COM5");
    EXPECT_STREQ(d.port, "COM5");
    EXPECT_EQ(d.port[5], '\0');  // the rest of the field is cleared
}

}  // namespace
