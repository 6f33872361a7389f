#include "tools/modemsim/Script.h"

#include <gtest/gtest.h>

#include "tools/modemsim/AtText.h"

using namespace modemsim;

TEST(Script, ParsesCommandsAndEscapedAnswers)
{
    const std::string text =
        "# comment\n"
        "\n"
        "+CSQ=\\r\\n+CSQ: 15,99\\r\\n\\r\\nOK\\r\\n\n"
        "AT+CMGF\\=0=\\r\\nOK\\r\\n\r\n"
        "  I=\\r\\nModel\\x00\\x41\\\\\\r\\n\n"
        "+EMPTY=\n";
    std::vector<ScriptEntry> entries;
    std::string error;
    ASSERT_TRUE(Script::Parse(text, &entries, &error)) << error;
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].command, "+CSQ");
    EXPECT_EQ(entries[0].answer, "\r\n+CSQ: 15,99\r\n\r\nOK\r\n");
    EXPECT_EQ(entries[1].command, "AT+CMGF=0");
    EXPECT_EQ(entries[1].answer, "\r\nOK\r\n");
    EXPECT_EQ(entries[2].command, "I");
    EXPECT_EQ(entries[2].answer, std::string("\r\nModel\0A\\\r\n", 12));
    EXPECT_EQ(entries[3].answer, "");
}

TEST(Script, RejectsALineWithoutAnswerAndNamesIt)
{
    std::vector<ScriptEntry> entries;
    std::string error;
    EXPECT_FALSE(Script::Parse("+CSQ=x\n+CSQ\\=1\n", &entries, &error));
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    EXPECT_FALSE(Script::Load("/nonexistent/modemsim.script", &entries, &error));
}

TEST(AtText, CommandMatchingAndEscapes)
{
    std::string rest;
    EXPECT_TRUE(MatchCommand("at+cpin=\"1234\"", "+CPIN", &rest));
    EXPECT_EQ(rest, "=\"1234\"");
    EXPECT_FALSE(MatchCommand("AT+CPI", "+CPIN"));
    EXPECT_FALSE(MatchCommand("+CPIN?", "+CPIN"));
    EXPECT_EQ(CommandKey("aT+cSq"), "+CSQ");
    EXPECT_EQ(CommandKey("A"), "A");
    EXPECT_EQ(Unescape("\\xZZ\\x4"), "xZZx4");  // bad hex keeps the text
    EXPECT_EQ(Unescape(Escape(std::string("a\r\n\0\xFF\\", 6))), std::string("a\r\n\0\xFF\\", 6));
}
