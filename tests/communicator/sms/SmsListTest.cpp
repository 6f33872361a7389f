#include "communicator/sms/SmsList.h"

#include <gtest/gtest.h>

using namespace sms;

namespace {

const AnsiString kPdu1 = "07912143658709F1040B918100551512F20000111010214365000AE8329BFD4697D9EC37";
const AnsiString kPdu2 = "0011000B916407281553F80000AA0AE8329BFD4697D9EC37";

TEST(SmsList, EntriesInListOrder)
{
    const AnsiString answer = "AT+CMGL=4\r\r\n+CMGL: 1,0,,30\r\n" + kPdu1 + "\r\n+CMGL: 12,3,\"Bob, Jr\",23\r\n" + kPdu2 +
                              "\r\n\r\nOK\r\n";
    const auto entries = SplitSmsList(answer);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries[0].complete);
    EXPECT_EQ(entries[0].simIndex, "1");
    EXPECT_EQ(entries[0].status, 0);
    EXPECT_EQ(entries[0].pdu, kPdu1);
    EXPECT_TRUE(entries[1].complete);
    EXPECT_EQ(entries[1].simIndex, "12");
    EXPECT_EQ(entries[1].status, 3);
    EXPECT_EQ(entries[1].pdu, kPdu2);
}

TEST(SmsList, NoTagNoEntries)
{
    EXPECT_TRUE(SplitSmsList("AT+CMGL=4\r\r\nOK\r\n").empty());
    EXPECT_TRUE(SplitSmsList("").empty());
}

TEST(SmsList, EntriesThatMustStayOnTheSim)
{
    struct Case {
        AnsiString answer;
        bool complete;
    } cases[] = {
        {"+CMGL: 1,0,,30", false},                          // header cut short
        {"+CMGL: 1,0,,30\r\n" + kPdu1, false},              // PDU line without its end
        {"+CMGL: 1,0,,30\r\n" + kPdu1.substr(0, 20), false},
        {"+CMGL: x,0,,30\r\n" + kPdu1 + "\r\n", false},     // index not a number
        {"+CMGL: 1;2,0,,30\r\n" + kPdu1 + "\r\n", false},
        {"+CMGL: ,0,,30\r\n" + kPdu1 + "\r\n", false},
        {"+CMGL: 1,7,,30\r\n" + kPdu1 + "\r\n", false},     // no such status
        {"+CMGL: 1,\"REC UNREAD\",,30\r\n" + kPdu1 + "\r\n", false},
        {"+CMGL: 1\r\n" + kPdu1 + "\r\n", false},           // no status at all
        {"+CMGL:1,1,,30\r\n" + kPdu1 + "\r\n", true},       // no blank after the tag
        {"+CMGL:  4 , 2 ,,30\r\n " + kPdu1 + " \r\n", true},
        {"+CMGL: 1,1\r\n" + kPdu1 + "\r\nRING\r\n", true},  // other lines after the PDU
        {"+CMGL: 1,1\r\n+CMTI: \"SM\",3\r\n\r\n" + kPdu1 + "\r\n", true},  // and before it
    };
    for (const auto& c : cases) {
        const auto entries = SplitSmsList(c.answer);
        ASSERT_EQ(entries.size(), 1u) << c.answer;
        EXPECT_EQ(entries[0].complete, c.complete) << c.answer;
        if (c.complete) {
            EXPECT_EQ(entries[0].pdu, kPdu1);
        }
    }
}

TEST(SmsList, AListingCutShortKeepsTheEntriesBefore)
{
    const AnsiString answer = "+CMGL: 1,0,,30\r\n" + kPdu1 + "\r\n+CMGL: 2,1,,30\r\n" + kPdu1.substr(0, 31);
    const auto entries = SplitSmsList(answer);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries[0].complete);
    EXPECT_FALSE(entries[1].complete);
}

}  // namespace
