#include "communicator/SimAnswers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(SimAnswer, PinState)
{
    const AnsiString cmd = "AT+CPIN?";
    struct Case { const char* answer; int state; } cases[] = {
        {"AT+CPIN?\r\r\n+CPIN: READY\r\n", PIN_STATE_READY},
        {"AT+CPIN?\r\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n", PIN_STATE_SIM_PIN},
        {"\r\n+CPIN: SIM PUK\r\n", PIN_STATE_SIM_PUK},
        {"\r\nOK\r\nAT+CPIN?\r\r\n+CPIN: READY\r\n", PIN_STATE_READY},  // an earlier OK left in the port
        {"AT+CPIN?\r\r\n+CME ERROR: 10\r\n", PIN_STATE_UNKNOWN},
        {"AT+CPIN?\r\r\nERROR\r\n", PIN_STATE_UNKNOWN},
        {"", PIN_STATE_UNKNOWN},
        {"+CPIN: SIM\tPIN", PIN_STATE_UNKNOWN},  // control characters go before the test
        // Codes are matched whole: a SIM asking for PIN2 or PUK2 (or anything
        // else) is never taken for one asking for the PIN or the PUK.
        {"AT+CPIN?\r\r\n+CPIN: SIM PIN2\r\n\r\nOK\r\n", PIN_STATE_UNKNOWN},
        {"AT+CPIN?\r\r\n+CPIN: SIM PUK2\r\n\r\nOK\r\n", PIN_STATE_UNKNOWN},
        {"\r\n+CPIN: PH-SIM PIN\r\n\r\nOK\r\n", PIN_STATE_UNKNOWN},
        {"\r\n+CPIN: PH-NET PIN\r\n\r\nOK\r\n", PIN_STATE_UNKNOWN},
        {"\r\n+CPIN: NOT READY\r\n\r\nOK\r\n", PIN_STATE_UNKNOWN},
        {"\r\n+CPIN: READY PLEASE\r\n", PIN_STATE_UNKNOWN},
        {"\r\n+CPIN:SIM PUK\r\n\r\nOK\r\n", PIN_STATE_SIM_PUK},
        {"\r\n+CPIN: \"SIM PIN\"\r\n\r\nOK\r\n", PIN_STATE_SIM_PIN},
        {"\r\n+CPIN: SIM PIN \r\n\r\nOK\r\n", PIN_STATE_SIM_PIN},
        {"\r\n+CPIN: READY\r\n\r\nOK\r\n\r\n+CREG: 1\r\n", PIN_STATE_READY},  // an unsolicited line after it
        {"AT+CPIN?\r\r\nREADY\r\n\r\nOK\r\n", PIN_STATE_READY},  // a modem that leaves the label out
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParsePinState(cmd, c.answer), c.state) << c.answer;
    EXPECT_EQ(StripPinAnswer(cmd, "AT+CPIN?\r\r\n+CPIN: READY\r\n\r\nOK\r\n"), "+CPIN: READY");
}

TEST(SimAnswer, OperatorAnswer)
{
    struct Case {
        const char* answer;
        EOperatorAnswer result;
        int format;
        const char* oper;
        int act;
    } cases[] = {
        {"AT+COPS?\r\r\n+COPS: 0,0,\"Valjean Mobile\"\r\n\r\nOK\r\n", EOperatorAnswer::Registered, 0, "Valjean Mobile", -1},
        {"\r\n+COPS: 0,0,\"Valjean Mobile\",2\r\n\r\nOK\r\n", EOperatorAnswer::Registered, 0, "Valjean Mobile", 2},
        {"\r\n+COPS: 0,2,\"24601\",7\r\n\r\nOK\r\n", EOperatorAnswer::Registered, 2, "24601", 7},
        {"\r\n+COPS: 1,2,\"024601\"\r\n\r\nOK\r\n", EOperatorAnswer::Registered, 2, "024601", -1},
        {"\r\n+COPS: 0,0,\"Net, with comma (Region)\",0\r\n", EOperatorAnswer::Registered, 0, "Net, with comma (Region)", 0},
        {"\r\n+COPS: 0,1,Unquoted\r\n", EOperatorAnswer::Registered, 1, "Unquoted", -1},
        {"\r\n+COPS: 0,0,\"Limited Service\"\r\n\r\nOK\r\n", EOperatorAnswer::Registered, 0, "Limited Service", -1},
        {"AT+COPS?\r\r\n+COPS: 0\r\n\r\nOK\r\n", EOperatorAnswer::NotRegistered, -1, "", -1},
        {"\r\n+COPS: 2\r\n", EOperatorAnswer::NotRegistered, -1, "", -1},
        {"\r\n+COPS: 0,0,\"\"\r\n", EOperatorAnswer::NotRegistered, 0, "", -1},
        {"\r\n+COPS: 0,x,\"Name\"\r\n", EOperatorAnswer::Malformed, -1, "", -1},
        {"\r\n+COPS: ,0,\"Name\"\r\n", EOperatorAnswer::Malformed, -1, "", -1},
        {"AT+COPS?\r\r\nERROR\r\n", EOperatorAnswer::Malformed, -1, "", -1},
        {"", EOperatorAnswer::Malformed, -1, "", -1},
    };
    for (const Case& c : cases) {
        COPS_ANSWER a;
        a.oper = "stale";
        EXPECT_EQ(ParseOperatorAnswer(c.answer, a), c.result) << c.answer;
        EXPECT_EQ(a.format, c.format) << c.answer;
        EXPECT_EQ(a.oper, c.oper) << c.answer;
        EXPECT_EQ(a.accessTechnology, c.act) << c.answer;
    }
    // A long name well past any line buffer comes through whole.
    const AnsiString longName(3000, 'n');
    COPS_ANSWER a;
    EXPECT_EQ(ParseOperatorAnswer("\r\n+COPS: 0,0,\"" + longName + "\"\r\n", a), EOperatorAnswer::Registered);
    EXPECT_EQ(a.oper, longName);
}

TEST(SimAnswer, SignalQuality)
{
    struct Case { const char* answer; int value; } cases[] = {
        {"AT+CSQ\r\r\n+CSQ: 0,99\r\n\r\nOK\r\n", 0},
        {"AT+CSQ\r\r\n+CSQ: 15,99\r\n\r\nOK\r\n", 15},
        {"\r\n+CSQ: 31,0\r\n\r\nOK\r\n", 31},
        {"\r\n+CSQ: 99,99\r\n\r\nOK\r\n", 99},
        {"\r\n+CSQ:17,99\r\n", 17},
        {"\r\n+CSQ: 45,99\r\n", 99},   // outside the scale
        {"\r\n+CSQ: -1,99\r\n", 99},
        {"\r\n+CSQ: abc,99\r\n", 99},  // not a number
        {"\r\n+CSQ: ,99\r\n", 99},
        {"\r\n+CSQ: 17\r\n", 99},      // no comma
        {"\r\nOK\r\n", 99},
        {"", 99},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseSignalQuality(c.answer), c.value) << c.answer;
}

TEST(SimAnswer, SimLock)
{
    const AnsiString cmd = "AT+CLCK=\"SC\",2";
    struct Case { const char* answer; bool ok; bool locked; } cases[] = {
        {"AT+CLCK=\"SC\",2\r\r\n+CLCK: 1\r\n\r\nOK\r\n", true, true},
        {"AT+CLCK=\"SC\",2\r\r\n+CLCK: 0\r\n\r\nOK\r\n", true, false},
        {"\r\n+CLCK: 1,7\r\n\r\nOK\r\n", true, true},
        {"AT+CLCK=\"SC\",2\r\r\n1\r\n\r\nOK\r\n", true, true},  // no label
        {"AT+CLCK=\"SC\",2\r\r\n^RSSI:14\r\n0\r\n\r\nRING\r\n\r\nOK\r\n", true, false},
        {"\r\n+CLCK: x\r\n\r\nOK\r\n", false, false},
        {"\r\n+CLCK: \r\n\r\nOK\r\n", false, false},
        {"AT+CLCK=\"SC\",2\r\r\n\r\nOK\r\n", false, false},
        {"", false, false},
    };
    for (const Case& c : cases) {
        bool locked = !c.locked;
        EXPECT_EQ(ParseSimLock(cmd, c.answer, locked), c.ok) << c.answer;
        EXPECT_EQ(locked, c.locked) << c.answer;
    }
}

TEST(SimAnswer, PinRetries)
{
    struct Case { const char* answer; const char* code; int tries; } cases[] = {
        {"AT+CPINR=\"SIM PIN\"\r\r\n+CPINR: SIM PIN,2,3\r\n\r\nOK\r\n", "SIM PIN", 2},
        {"\r\n+CPINR: \"SIM PUK\",10\r\n\r\nOK\r\n", "SIM PUK", 10},
        {"\r\n+CPINR: SIM PIN,3,3\r\n+CPINR: SIM PUK,9,10\r\n\r\nOK\r\n", "SIM PUK", 9},
        {"\r\n+CPINR: SIM PIN2,1,3\r\n\r\nOK\r\n", "SIM PIN", -1},
        {"\r\n+CPINR: SIM PIN,x\r\n\r\nOK\r\n", "SIM PIN", -1},
        {"AT+CPINR=\"SIM PIN\"\r\r\nERROR\r\n", "SIM PIN", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParsePinRetries(c.answer, c.code), c.tries) << c.answer;
}

TEST(SimAnswer, Imei)
{
    struct Case { const char* answer; const char* imei; } cases[] = {
        {"AT+CGSN\r\r\n490154203237518\r\n\r\nOK\r\n", "490154203237518"},
        {"\r\n490154203237518\r\n\r\nOK\r\n", "490154203237518"},        // echo off
        {"AT+CGSN\r\r\n+CGSN: \"35209900176148\"\r\n\r\nOK\r\n", "35209900176148"},
        {"AT+CGSN\r\r\nIMEI: 3520990017614823\r\n\r\nOK\r\n", "3520990017614823"},
        {"AT+CGSN\r\r\n12345\r\n490154203237518\r\n\r\nOK\r\n", "490154203237518"},
        {"AT+CGSN\r\r\n1234567890123456789\r\n\r\nOK\r\n", ""},        // too long
        {"AT+CGSN\r\r\n1234567890123\r\n\r\nOK\r\n", ""},              // too short
        {"AT+CGSN\r\r\n^BOOT:35209900176148,0,0,0,87\r\n490154203237518\r\n\r\nOK\r\n", "490154203237518"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseImei(c.answer), c.imei) << c.answer;
}

TEST(SimAnswer, Firmware)
{
    const AnsiString cmd = "AT+CGMR";
    EXPECT_EQ(ParseFirmware(cmd, "AT+CGMR\r\r\n11.608.12.02.00\r\n\r\nOK\r\n"), "11.608.12.02.00");
    EXPECT_EQ(ParseFirmware(cmd, "\r\n11.608.12.02.00\r\n\r\nOK\r\n"), "11.608.12.02.00");
    EXPECT_EQ(ParseFirmware(cmd, "AT+CGMR\r\r\n+CGMR: R1.2 build 7\r\n\r\nOK\r\n"), "R1.2 build 7");
    EXPECT_EQ(ParseFirmware(cmd, "AT+CGMR\r\r\nOK\r\n"), "");
    // Unsolicited lines inside the answer are no part of it.
    EXPECT_EQ(ParseFirmware(cmd, "AT+CGMR\r\r\n^BOOT:20514577,0,0,0,87\r\n11.608.12.02.00\r\n\r\n^RSSI:14\r\n"
                                 "\r\n+CMTI: \"SM\",3\r\n\r\nRING\r\n\r\nOK\r\n"),
              "11.608.12.02.00");
}

TEST(SimAnswer, SmsCentre)
{
    struct Case { const char* answer; bool ok; const char* centre; } cases[] = {
        {"AT+CSCA?\r\r\n+CSCA: \"+491720000000\",145\r\n\r\nOK\r\n", true, "+491720000000"},
        {"\r\n+CSCA: \"0172000\",129\r\n\r\nOK\r\n", true, "0172000"},
        {"\r\n+CSCA: +491720000000,145\r\n\r\nOK\r\n", false, "old"},  // no quotes
        {"\r\n+CSCA: \"\",129\r\n\r\nOK\r\n", false, "old"},
        {"\r\n+CSCA: \"+4917\r\n\r\nOK\r\n", false, "old"},            // quote not closed
        {"AT+CSCA?\r\r\nERROR\r\n", false, "old"},
    };
    for (const Case& c : cases) {
        AnsiString centre = "old";
        EXPECT_EQ(ParseSmsCentre(c.answer, centre), c.ok) << c.answer;
        EXPECT_EQ(centre, c.centre) << c.answer;
    }
}

TEST(SimAnswer, OperatorListText)
{
    const AnsiString cmd = "AT+COPS=?";
    EXPECT_EQ(ExtractOperatorList(cmd, "AT+COPS=?\r\r\n+COPS: (2,\"A\",\"a\",\"24601\",2),,(0-4),(0-2)\r\n\r\nOK\r\n"),
              "(2,\"A\",\"a\",\"24601\",2),,(0-4),(0-2)");
    EXPECT_EQ(ExtractOperatorList(cmd, "AT+COPS=?\r\r\n\r\nOK\r\n"), "");
    EXPECT_EQ(ExtractOperatorList(cmd, "AT+COPS=?\r\r\n+COPS: (2,\"A\",\"a\",\"24601\",2)\r\n\r\n^MODE:5,4\r\n\r\nOK\r\n"),
              "(2,\"A\",\"a\",\"24601\",2)");
}

TEST(SimAnswer, ScanListWithSeveralNetworks)
{
    const auto ops = ParseOperatorList(
        "(2,\"Valjean Mobile\",\"Valjean\",\"24601\",2),(1,\"Javert Net\",\"Javert\",\"24602\",0),"
        "(3,\"Forbidden\",\"Forb\",\"24603\",2),,(0-4),(0-2)");
    ASSERT_EQ(ops.size(), 3u);
    EXPECT_TRUE(ops[0].available);
    EXPECT_EQ(ops[0].accessTechnology, 2);
    EXPECT_EQ(ops[0].longName, "Valjean Mobile");
    EXPECT_EQ(ops[0].shortName, "Valjean");
    EXPECT_EQ(ops[0].numeric, "24601");
    EXPECT_TRUE(ops[1].available);
    EXPECT_EQ(ops[1].accessTechnology, 0);
    EXPECT_FALSE(ops[2].available);
    EXPECT_EQ(ops[2].numeric, "24603");
}

TEST(SimAnswer, ScanListMissingAndOddFields)
{
    struct Case {
        const char* list;
        size_t count;
        const char* firstNumeric;
        int firstAct;
        bool firstAvailable;
    } cases[] = {
        {"(1,\"A\",\"a\",\"24601\")", 1, "24601", kNoAccessTechnology, true},     // no AcT
        {"(1,\"A\",\"a\",\"24601\",x)", 1, "24601", kNoAccessTechnology, true},   // AcT not a number
        {"(1,\"\",\"\",\"24601\",0)", 1, "24601", 0, true},                       // names missing
        {"(1,\"A\",\"a\",\"\",0),(2,\"B\",\"b\",\"24602\",2)", 1, "24602", 2, true},  // code missing
        {"(1,\"A\",\"a\",\"24X01\",0)", 0, "", 0, false},                         // code not a number
        {"(,\"A\",\"a\",\"24601\",0)", 0, "", 0, false},                          // status missing
        {",,(0,1,3,4),(0,1,2)", 0, "", 0, false},                                 // plain lists of modes
        {"(1,\"A\",\"a\",\"2460\",0),(1,\"B\",\"b\",\"2460123\",0)", 0, "", 0, false},  // 5 or 6 digits only
        {"(1,\"A\",\"a\",\"310260\",7)", 1, "310260", 7, true},
        {"(1,\"Brand (North)\",\"B, N\",\"24601\",2)", 1, "24601", 2, true},     // brackets and comma quoted
        {"(1,\"A\",\"a\",\"24601\",2),(2,\"B\"", 1, "24601", 2, true},           // cut off
        {")(1,\"A\",\"a\",\"24601\",2)", 1, "24601", 2, true},                // a stray bracket is skipped
        {"", 0, "", 0, false},
        {"garbage without groups", 0, "", 0, false},
    };
    for (const Case& c : cases) {
        const auto ops = ParseOperatorList(c.list);
        ASSERT_EQ(ops.size(), c.count) << c.list;
        if (c.count == 0)
            continue;
        EXPECT_EQ(ops[0].numeric, c.firstNumeric) << c.list;
        EXPECT_EQ(ops[0].accessTechnology, c.firstAct) << c.list;
        EXPECT_EQ(ops[0].available, c.firstAvailable) << c.list;
    }
    const auto quoted = ParseOperatorList("(1,\"Brand (North)\",\"B, N\",\"24601\",2)");
    EXPECT_EQ(quoted[0].longName, "Brand (North)");
    EXPECT_EQ(quoted[0].shortName, "B, N");
}

TEST(SimAnswer, ScanListsInTheShapeModemsSendThem)
{
    struct Case {
        const char* what;
        const char* answer;
        std::vector<std::string> codes;
    } cases[] = {
        {"lists of modes and formats after the networks",
         "AT+COPS=?\r\r\n+COPS: (2,\"Valjean Mobile\",\"Valjean\",\"24601\",2),(1,\"Javert Net\",\"Javert\",\"24602\",0),"
         "(3,\"Barred Net\",\"Barred\",\"24603\",2),,(0,1,2,3,4),(0,1,2)\r\n\r\nOK\r\n",
         {"24601", "24602", "24603"}},
        {"a stray bracket inside the list",
         "AT+COPS=?\r\r\n+COPS: (2,\"Valjean\",\"Valjean\",\"310410\"),2),(1,\"Javert\",\"Javert\",\"310260\",2),"
         "(1,\"Fantine\",\"Fantine\",\"310150\",7),,(0,1,2,3,4),(0,1,2)\r\n\r\nOK\r\n",
         {"310410", "310260", "310150"}},
        {"a quoted name holding a comma",
         "AT+COPS=?\r\r\n+COPS: (2,\"Valjean Mobile USA, In\",\"Valjean\",\"310260\",7),(1,\"Javert\",\"Javert\",\"310410\",7),"
         ",(0-4),(0-2)\r\n\r\nOK\r\n",
         {"310260", "310410"}},
        {"blanks after the commas, a network without access technology",
         "\r\n+COPS: (1,\"Javert Net\",\"JN\",\"26202\",0), (3,\"Barred Net\",\"BN\",\"26203\"), ,(0,1,3,4),(0,1,2)\r\n\r\nOK\r\n",
         {"26202", "26203"}},
        {"a stray quote inside a name",
         "\r\n+COPS: (2,\"B\"x\",\"B\",\"26201\",2),(1,\"C\",\"C\",\"26202\",0),(1,\"D\",\"D\",\"26203\",7)\r\n\r\nOK\r\n",
         {"26201", "26202", "26203"}},
        {"a quote left open at a code",
         "\r\n+COPS: (2,\"B\",\"B\",\"26201\",2),(1,\"C\",\"C\",\"26202),(1,\"D\",\"D\",\"26203\",7)\r\n\r\nOK\r\n",
         {"26201", "26202", "26203"}},
        {"a quote left open before a comma",
         "\r\n+COPS: (2,\"B\",\"B\",\"26201,2),(1,\"C\",\"C\",\"26202\",0),(1,\"D\",\"D\",\"26203\",7)\r\n\r\nOK\r\n",
         {"26202", "26203"}},
        {"no network in reach", "AT+COPS=?\r\r\n+COPS: ,,(0,1,2,3,4),(0,1,2)\r\n\r\nOK\r\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> codes;
        for (const auto& op : ParseOperatorList(ExtractOperatorList("AT+COPS=?", c.answer)))
            codes.push_back(op.numeric);
        EXPECT_EQ(codes, c.codes);
    }
    const auto ops = ParseOperatorList(ExtractOperatorList("AT+COPS=?", cases[2].answer));
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].longName, "Valjean Mobile USA, In");
    EXPECT_EQ(ops[0].shortName, "Valjean");
    EXPECT_EQ(ops[0].accessTechnology, 7);
}

TEST(SimAnswer, NextTokenKeepsQuotedCommas)
{
    AnsiString g = "\"a,b\",c";
    EXPECT_EQ(NextToken(g), "a,b");
    EXPECT_EQ(NextToken(g), "c");
    EXPECT_EQ(g, "");
}

TEST(SimAnswer, ParsersSurviveArbitraryAnswers)
{
    // These run on the worker thread: no answer may throw or read out of bounds.
    const char alphabet[] = "0123456789,\"()+:CSQOPKLRMGN \r\n\x01\xff-";
    unsigned seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (int round = 0; round < 3000; ++round) {
        AnsiString text;
        const unsigned len = next() % 60;
        for (unsigned i = 0; i < len; ++i)
            text += alphabet[(next() >> 8) % (sizeof alphabet - 1)];
        for (const char* label : {"", "+COPS: ", "+CSQ: ", "+CLCK: ", "+CSCA: ", "+CPINR: "}) {
            const AnsiString answer = label + text;
            COPS_ANSWER cops;
            bool locked = false;
            AnsiString centre;
            EXPECT_NO_THROW({
                ParsePinState("AT+CPIN?", answer);
                ParseOperatorAnswer(answer, cops);
                const int csq = ParseSignalQuality(answer);
                EXPECT_TRUE((csq >= 0 && csq <= 31) || csq == 99) << answer;
                ParseSimLock("AT+CLCK=\"SC\",2", answer, locked);
                ParsePinRetries(answer, "SIM PIN");
                ParseImei(answer);
                ParseFirmware("AT+CGMR", answer);
                ParseSmsCentre(answer, centre);
                ParseOperatorList(ExtractOperatorList("AT+COPS=?", answer));
            }) << answer;
        }
    }
}
