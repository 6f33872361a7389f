#include "communicator/OperatorTable.h"
#include "communicator/TOperatorList.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// A fresh folder holding an Operators.dat with the given text.
class OperatorFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() /
                ("qvx_ops_" + std::to_string(::getpid()) + "_" + info->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    AnsiString Write(const std::string& text)
    {
        std::ofstream(m_dir / "Operators.dat") << text;
        return Path();
    }
    AnsiString Path() const { return (m_dir / "Operators.dat").string(); }
    AnsiString Folder() const { return m_dir.string(); }

    fs::path m_dir;
};

const char* kSample =
    "[Operators]\n"
    "; Somewhere\n"
    "Operator00001=(24601)Valjean Mobile\n"
    "Operator00002=(24602)Brand (North Region)\n"
    "Operator00003=(24601)Second Valjean\n"
    "Operator00004=(0012)Leading Zero Net\n"
    "Operator00005=(310260)Six Digits\n";

}  // namespace

TEST_F(OperatorFile, EngineTableNamesNumericCodes)
{
    const auto table = ReadOperatorTable(Write(kSample));
    ASSERT_EQ(table.size(), 5u);
    struct Case { const char* code; const char* name; } cases[] = {
        {"24601", "Valjean Mobile"},          // first of two entries with this code
        {"024601", "Valjean Mobile"},         // a leading zero is the same number
        {" 24602 ", "Brand (North Region)"},  // own parentheses kept
        {"12", "Leading Zero Net"},
        {"310260", "Six Digits"},
        {"99999", "99999"},                   // not listed: the code itself
        {"24601x", "24601x"},                 // not a number
        {"", ""},
        {" 99999999999", "99999999999"},      // beyond int32
    };
    for (const Case& c : cases)
        EXPECT_EQ(OperatorNameOf(table, c.code), c.name) << c.code;
    EXPECT_EQ(OperatorNameOfCode(table, 24601), "Valjean Mobile");
    EXPECT_EQ(OperatorNameOfCode(table, 12), "Leading Zero Net");
    EXPECT_EQ(OperatorNameOfCode(table, 77777), "77777");
}

TEST_F(OperatorFile, OperatorListComparesCodeTextsExactly)
{
    Write(kSample);
    TOperatorList list(Folder());
    EXPECT_TRUE(list.IsLoaded());
    EXPECT_EQ(list.Count(), 5);
    EXPECT_EQ(list.GetOperatorName("24601"), "Valjean Mobile");
    EXPECT_EQ(list.GetOperatorName("024601"), "024601");
    EXPECT_EQ(list.GetOperatorName("0012"), "Leading Zero Net");
    EXPECT_EQ(list.GetOperatorName("12"), "12");
    EXPECT_EQ(list.GetOperatorName("24602"), "Brand (North Region)");
    EXPECT_EQ(list.GetOperatorName(""), "");
}

TEST_F(OperatorFile, GapsAndUnreadableLinesEndNothing)
{
    Write("[Operators]\n"
          "Operator00001=(1)One\nOperator00002=(2)Two\nOperator00003=(3)Three\n"
          "Operator00005=(5)Five\n");
    EXPECT_EQ(ReadOperatorTable(Path()).size(), 4u);
    TOperatorList list(Folder());
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.GetOperatorName("5"), "Five");
    // An empty value, a NUL at the start of a value or inside a key name.
    Write(std::string("[Operators]\nOperator00001=\nOperator00002=\0(2)Two\nOper\0ator00003=(3)Three\n"
                      "Operator00004=(4)Four\n", 95));
    EXPECT_EQ(ReadOperatorTable(Path()).size(), 1u);
    EXPECT_EQ(list.Load(), 1);
    // A NUL that cuts a header short: the lines under it do not join the section before.
    Write(std::string("[Operators]\n[\0]\nOperator00001=\n[Operators]\nOperator00001=21)", 60));
    EXPECT_EQ(ReadOperatorTable(Path()).size(), 1u);
}

TEST_F(OperatorFile, MalformedEntriesAreSkippedNotFatal)
{
    Write("[Operators]\n"
          "Operator00001=(abc)Letters\n"
          "Operator00002=no brackets at all\n"
          "Operator00003=(4711)Good\n"
          "Operator00004=x4712)Odd Opening\n"
          "Operator00005=)(4713)Reversed\n");
    const auto table = ReadOperatorTable(Path());
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(OperatorNameOf(table, "4711"), "Good");
    // The engine takes whatever follows the first character as the code.
    EXPECT_EQ(OperatorNameOf(table, "4712"), "Odd Opening");

    TOperatorList list(Folder());
    EXPECT_EQ(list.GetOperatorName("abc"), "Letters");  // texts are not checked
    EXPECT_EQ(list.GetOperatorName("4711"), "Good");
    EXPECT_EQ(list.GetOperatorName("4712"), "4712");
    EXPECT_EQ(list.Count(), 2);
    // A NUL byte hides no more than the rest of its line.
    Write(std::string("[Operators]\nOperator00001=(1)O\0ne\nOperator00002=(2)Two\n", 55));
    EXPECT_EQ(ReadOperatorTable(Path()).size(), 2u);
    EXPECT_EQ(list.Load(), 2);
}

TEST_F(OperatorFile, MissingOrEmptyFileLeavesBothEmpty)
{
    for (bool create : {false, true}) {
        if (create)
            Write("");
        const auto table = ReadOperatorTable(Path());
        EXPECT_TRUE(table.empty());
        EXPECT_EQ(OperatorNameOf(table, "24601"), "24601");
        EXPECT_EQ(OperatorNameOf(table, "garbage"), "garbage");
        EXPECT_EQ(OperatorNameOfCode(table, 24601), "24601");
        TOperatorList list(Folder());
        EXPECT_FALSE(list.IsLoaded());
        EXPECT_EQ(list.Count(), 0);
        EXPECT_EQ(list.GetOperatorName("24601"), "24601");
    }
}

TEST_F(OperatorFile, ReloadReplacesTheListButNotTheLoadedFlag)
{
    Write("[Operators]\nOperator00001=(1)One\n");
    TOperatorList list(Folder());
    Write("[Operators]\nOperator00001=(2)Two\nOperator00002=(3)Three\n");
    EXPECT_EQ(list.Load(), 2);
    EXPECT_EQ(list.GetOperatorName("1"), "1");
    EXPECT_EQ(list.GetOperatorName("3"), "Three");
    fs::remove(Path());
    EXPECT_EQ(list.Load(), 0);
    EXPECT_TRUE(list.IsLoaded());
    EXPECT_EQ(list.FileName(), Path());
}
