#include "communicator/sms/GsmAlphabet.h"
#include "communicator/sms/SmsDate.h"
#include "communicator/sms/SmsList.h"
#include "communicator/sms/SmsPdu.h"

#include <gtest/gtest.h>

using namespace sms;

namespace {

// An SMS-DELIVER with no SMSC, from its parts as hex.
AnsiString Deliver(const AnsiString& originator, const AnsiString& dcs, const AnsiString& udl,
                   const AnsiString& ud, const AnsiString& firstOctet = "04",
                   const AnsiString& scts = "11101021436500")
{
    return "00" + firstOctet + originator + "00" + dcs + scts + udl + ud;
}

const AnsiString kNumber11 = "0B916171957291F8";  // +16175927198

TEST(SmsPdu, AlphanumericOriginator)
{
    // "FONIC" packed into five octets; 9 and 10 semi-octets both give five characters.
    for (const char* length : {"09", "0A"}) {
        STRUCT_TPDU t;
        ASSERT_EQ(DecodePDU(Deliver(AnsiString(length) + "D0C6A7333904", "00", "01", "41"), t),
                  PduResult::Decoded);
        EXPECT_EQ(t.address, "FONIC") << length;
        EXPECT_EQ(t.addressTon, 5);
        EXPECT_EQ(t.text, u"A");
    }
    // Seven characters in seven octets, the count rounded up to 14: no stray '@'.
    const AnsiString megafon = "CDF2396C7EBB01";
    for (const char* length : {"0D", "0E"}) {
        STRUCT_TPDU t;
        ASSERT_EQ(DecodePDU(Deliver(AnsiString(length) + "D0" + megafon, "00", "00", ""), t),
                  PduResult::Decoded);
        EXPECT_EQ(t.address, "Megafon") << length;
    }
}

TEST(SmsPdu, SevenBitTextIsCutToItsSeptetCount)
{
    STRUCT_TPDU t;
    // Eight characters ending in '@' fill seven octets exactly: the '@' stays.
    ASSERT_EQ(DecodePDU(Deliver(kNumber11, "00", "08", Encode7Bit("abcdefg@")), t), PduResult::Decoded);
    EXPECT_EQ(t.text, u"abcdefg@");
    // Seven characters: the spare bits are not an eighth character.
    ASSERT_EQ(DecodePDU(Deliver(kNumber11, "00", "07", Encode7Bit("abcdefg")), t), PduResult::Decoded);
    EXPECT_EQ(t.text, u"abcdefg");
    // Extra octets beyond TP-UDL are ignored.
    ASSERT_EQ(DecodePDU(Deliver(kNumber11, "00", "02", Encode7Bit("abcdef")), t), PduResult::Decoded);
    EXPECT_EQ(t.text, u"ab");
    ASSERT_EQ(DecodePDU(Deliver(kNumber11, "00", "00", ""), t), PduResult::Decoded);
    EXPECT_EQ(t.text, u"");
    // Greek capitals, the currency sign, the euro and escapes without an
    // extension character, as a received message carries them.
    const std::string codes = {0x10, 0x1A, 0x24, 0x1B, 0x65, 0x1B, 0x41, 0x1B, 0x1B, 'z'};
    ASSERT_EQ(DecodePDU(Deliver(kNumber11, "00", "0A", BytesToHex(PackSeptets(codes))), t), PduResult::Decoded);
    EXPECT_EQ(t.text, u"\u0394\u039E\u00A4\u20ACA z");
}

TEST(SmsPdu, SevenBitTextAfterAHeader)
{
    struct Case {
        AnsiString header;
        int skip;
        int elemLength;
    } cases[] = {
        {"050003AA0201", 7, 3},    // 8-bit reference
        {"06080400100201", 8, 4},  // 16-bit reference
    };
    for (const auto& c : cases) {
        // Eight characters make the user data end with seven spare bits: they
        // must not become a trailing '@'.
        for (const std::string text : {"hi", "abcdefgh", "abcdefg@"}) {
            const int headerOctets = static_cast<int>(c.header.size() / 2);
            const int fill = 7 * c.skip - 8 * headerOctets;
            const AnsiString ud = c.header + BytesToHex(PackSeptets(AnsiToGsm(text), fill));
            const int udl = c.skip + static_cast<int>(text.size());
            STRUCT_TPDU t;
            ASSERT_EQ(DecodePDU(Deliver(kNumber11, "00", IntToHex2(udl), ud, "44"), t), PduResult::Decoded);
            EXPECT_EQ(t.text, WideString(text.begin(), text.end())) << c.header;
            EXPECT_EQ(t.udh.udhl, headerOctets - 1);
            ASSERT_EQ(t.udh.count, 1);
            EXPECT_EQ(t.udh.elem[0].length, c.elemLength);
        }
    }
}

TEST(SmsPdu, UserDataHeaderElements)
{
    AnsiString ud = "0200000041";  // udhl 2: no element is read
    TPDUHeader h = ParseUDH(ud);
    EXPECT_EQ(h.udhl, 2);
    EXPECT_EQ(h.count, 0);
    EXPECT_EQ(ud, "0041");

    ud = "080003AB020170010000410042";
    h = ParseUDH(ud);
    ASSERT_EQ(h.count, 2);
    EXPECT_EQ(h.elem[0].iei, 0);
    EXPECT_EQ(h.elem[0].data, "AB0201");
    EXPECT_EQ(h.elem[1].iei, 0x70);
    EXPECT_EQ(h.elem[1].length, 1);
    EXPECT_EQ(h.elem[1].data, "00");
    EXPECT_EQ(ud, "00410042");

    // Twelve empty elements: ten are kept, all are checked.
    AnsiString many = IntToHex2(24);
    for (int i = 0; i < 12; ++i)
        many += IntToHex2(0x20 + i) + "00";
    ud = many + "0041";
    h = ParseUDH(ud);
    EXPECT_EQ(h.count, 10);
    EXPECT_EQ(h.elem[9].iei, 0x29);
    EXPECT_EQ(ud, "0041");

    // A header longer than the data, or an element past the header: nothing.
    for (const char* bad : {"0500030102", "0300050102000041", "", "0", "XX"}) {
        ud = bad;
        h = ParseUDH(ud);
        EXPECT_EQ(h.count, 0) << bad;
        EXPECT_EQ(ud, "") << bad;
    }
}

TEST(SmsPdu, CodingGroups)
{
    struct Case {
        int dcs;
        SmsAlphabet alphabet;
    } cases[] = {
        {0x00, SmsAlphabet::Gsm7},  {0x04, SmsAlphabet::Eight}, {0x08, SmsAlphabet::Ucs2},
        {0x0C, SmsAlphabet::Gsm7},  {0x11, SmsAlphabet::Gsm7},  {0x16, SmsAlphabet::Eight},
        {0x19, SmsAlphabet::Ucs2},  {0x20, SmsAlphabet::Compressed}, {0x48, SmsAlphabet::Ucs2},
        {0x64, SmsAlphabet::Compressed}, {0x80, SmsAlphabet::Reserved}, {0xB4, SmsAlphabet::Reserved},
        {0xC8, SmsAlphabet::Gsm7},  {0xD3, SmsAlphabet::Gsm7},  {0xE0, SmsAlphabet::Ucs2},
        {0xF0, SmsAlphabet::Gsm7},  {0xF1, SmsAlphabet::Gsm7},  {0xF6, SmsAlphabet::Eight},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AlphabetOfDcs(c.dcs), c.alphabet) << std::hex << c.dcs;
}

TEST(SmsPdu, MessageClassesAndOtherGroupsKeepTheirText)
{
    struct Case {
        const char* dcs;
        const char* udl;
        AnsiString ud;
        WideString text;
    } cases[] = {
        {"F1", "02", Encode7Bit("Hi"), u"Hi"},
        {"10", "02", Encode7Bit("Hi"), u"Hi"},
        {"D0", "02", Encode7Bit("Hi"), u"Hi"},
        {"19", "04", "00480069", u"Hi"},
        {"E0", "04", "00480069", u"Hi"},
        {"04", "03", "48A4E9", u""},  // 8-bit data received is no text
        {"F4", "02", "4869", u""},
        {"C8", "00", "", u""},
    };
    for (const auto& c : cases) {
        STRUCT_TPDU t;
        ASSERT_EQ(DecodePDU(Deliver(kNumber11, c.dcs, c.udl, c.ud), t), PduResult::Decoded) << c.dcs;
        EXPECT_EQ(t.text, c.text) << c.dcs;
        EXPECT_EQ(t.dcs, HexToInt(c.dcs));  // the raw value is kept
    }
}

TEST(SmsPdu, TypesAndCodingsNotRead)
{
    STRUCT_TPDU t;
    // A status report: no text, but its recipient and time stamp.
    const AnsiString report = "07914356060013F1065A098136397339F7219011700463802190117004638030";
    EXPECT_EQ(DecodePDU(report, t), PduResult::Unsupported);
    EXPECT_EQ(t.smscNumber, "34656000311");
    EXPECT_EQ(t.firstOctet, 6);
    EXPECT_EQ(t.address, "639337937");
    EXPECT_EQ(t.sctsDate, "120911");
    EXPECT_EQ(t.sctsTime, "074036");
    EXPECT_EQ(t.text, u"");
    // A report shorter than its fields is malformed.
    EXPECT_EQ(DecodePDU(report.substr(0, report.size() - 2), t), PduResult::Malformed);
    EXPECT_EQ(DecodePDU("0003", t), PduResult::Unsupported);
    // Compressed text and a reserved coding group.
    EXPECT_EQ(DecodePDU(Deliver(kNumber11, "20", "02", "ABCD"), t), PduResult::Unsupported);
    EXPECT_EQ(t.address, "16175927198");
    EXPECT_EQ(DecodePDU(Deliver(kNumber11, "84", "02", Encode7Bit("Hi")), t), PduResult::Unsupported);
    EXPECT_EQ(t.text, u"");
    EXPECT_EQ(DecodePDU(Deliver(kNumber11, "84", "03", Encode7Bit("Hi")), t), PduResult::Malformed);
}

TEST(SmsPdu, MalformedPdusFailCleanly)
{
    const AnsiString ok = Deliver(kNumber11, "00", "02", Encode7Bit("Hi"));
    STRUCT_TPDU t;
    ASSERT_EQ(DecodePDU(ok, t), PduResult::Decoded);
    const AnsiString cases[] = {
        "",
        "0",
        ok + "0",                                  // odd length
        "0G",                                      // not hex
        "00 04",                                   // a blank inside
        "07911326",                                // SMSC past the end
        "00",                                      // no first octet
        "0004",                                    // no address
        "00040B916171957291",                      // address past the end
        "00040B916171957291F80000",                // no time stamp
        "00040B916171957291F800001110102143650",   // odd
        "00040B916171957291F8000011101021436500",  // no TP-UDL
        Deliver(kNumber11, "00", "03", Encode7Bit("Hi")),            // UDL past the data
        Deliver(kNumber11, "08", "04", "0048"),                      // UCS2 past the data
        Deliver(kNumber11, "04", "01", ""),                          // 8-bit past the data
        Deliver(kNumber11, "08", "06", "0500030102", "44"),          // header past the data
        Deliver(kNumber11, "08", "04", "0500030102", "44"),          // header longer than UDL
        Deliver(kNumber11, "08", "07", "04000501020041", "44"),      // element past the header
        Deliver(kNumber11, "00", "00", "", "44"),                    // UDHI without user data
        Deliver(kNumber11, "00", "05", "050003AA0201", "44"),        // UDL shorter than its header
        "0001000B915155661632F40000",              // SUBMIT without TP-UDL
        "0011000B915155661632F40000",              // SUBMIT without its validity octet
        "0019000B915155661632F40000317001319300",  // SUBMIT with a short absolute period
        "000100FF91",                              // address length past the end
    };
    for (const auto& pdu : cases)
        EXPECT_EQ(DecodePDU(pdu, t), PduResult::Malformed) << pdu;
    // One digit short of the end, at every length.
    for (size_t n = 0; n < ok.size(); n += 2)
        EXPECT_EQ(DecodePDU(ok.substr(0, n), t), PduResult::Malformed) << n;
}

TEST(SmsPdu, EncodeSubmit)
{
    STRUCT_TPDU t;
    InitTPDU(t);
    EXPECT_EQ(t.firstOctet, 0x11);
    EXPECT_EQ(t.validityPeriod, 0xFF);

    // Five characters to eleven digits: 19 octets after the SMSC octet.
    t.address = "16175927198";
    t.text = u"hello";
    AnsiString pdu = EncodePDU(t);
    EXPECT_EQ(pdu, "0011000B916171957291F80000FF05E8329BFD06");
    EXPECT_EQ(pdu.size(), 40u);
    EXPECT_EQ(TpduLength(pdu), 19);

    t.address = "491701234567";  // twelve digits: no filler
    t.addressTon = 0;
    pdu = EncodePDU(t);
    EXPECT_EQ(pdu.substr(6, 4), "0C81");
    EXPECT_EQ(pdu.substr(10, 12), "947110325476");

    t.addressTon = 9;  // out of range: type of number 0
    EXPECT_EQ(EncodePDU(t).substr(8, 2), "81");

    t.addressTon = 1;
    t.text = u"a{";
    pdu = EncodePDU(t);
    EXPECT_EQ(pdu.substr(pdu.size() - 8), "03E10D0A");  // UDL 3: 0x61, 0x1B, 0x28

    t.dcs = 8;
    t.text = u"\u0416a";
    pdu = EncodePDU(t);
    EXPECT_EQ(pdu.substr(pdu.size() - 10), "0404160061");

    // 8-bit data is written with its length rather than left without one.
    // 7-bit forced on characters outside the alphabet: one '?' for each.
    t.dcs = 0;
    t.text = u"\u0416\U0001F600\u00A4";
    pdu = EncodePDU(t);
    EXPECT_EQ(pdu.substr(pdu.size() - 8), "03BF1F09");  // 0x3F, 0x3F, 0x24

    t.dcs = 4;
    t.text = u"Hi\u20AC";
    pdu = EncodePDU(t);
    EXPECT_EQ(pdu.substr(pdu.size() - 8), "034869A4");
}

TEST(SmsPdu, EncodeRefusesWhatCannotBeSent)
{
    STRUCT_TPDU t;
    InitTPDU(t);
    t.address = "12345";
    t.text = WideString(160, u'a');
    EXPECT_NE(EncodePDU(t), "");
    t.text = WideString(159, u'a') + u"[";  // 161 septets
    EXPECT_EQ(EncodePDU(t), "");
    t.dcs = 8;
    t.text = WideString(70, u'\u0416');
    EXPECT_NE(EncodePDU(t), "");
    t.text += u"x";
    EXPECT_EQ(EncodePDU(t), "");

    t.dcs = 0;
    t.text = u"x";
    const AnsiString badNumbers[] = {"12 34", "12-34", "12\"34", "12\r", "+123", AnsiString(21, '1')};
    for (const AnsiString& number : badNumbers) {
        t.address = number;
        EXPECT_EQ(EncodePDU(t), "") << number;
    }
    t.address = "*100#";
    EXPECT_EQ(EncodePDU(t).substr(6, 10), "05911A00FB");

    t.address = "123";
    t.firstOctet = 0x19;  // absolute period: not held
    EXPECT_EQ(EncodePDU(t), "");
    t.firstOctet = 0x01;  // no period: no octet for it
    EXPECT_EQ(EncodePDU(t), "0001000391" "21F3" "0000" "0178");
    t.dcs = 0x20;
    EXPECT_EQ(EncodePDU(t), "");
}

TEST(SmsPdu, EncodeWithHeaderTakesTheUserDataAsIs)
{
    STRUCT_TPDU t;
    InitTPDU(t);
    t.firstOctet = 0x51;
    t.address = "123";
    t.text = u"050003AA0201D0";  // header, fill, and 'h' in 7-bit
    AnsiString pdu = EncodePDU(t);
    EXPECT_EQ(pdu.substr(pdu.size() - 16), "08050003AA0201D0");
    t.dcs = 8;
    t.text = u"050003AA02010048";
    pdu = EncodePDU(t);
    EXPECT_EQ(pdu.substr(pdu.size() - 18), "08050003AA02010048");
    t.text = u"05000";
    EXPECT_EQ(EncodePDU(t), "");
    t.text = u"\u0416\u0416";
    EXPECT_EQ(EncodePDU(t), "");
}

TEST(SmsPdu, EncodedMessagesDecodeToTheSameText)
{
    const WideString texts[] = {
        u"", u"@", u"abcdefg", u"abcdefg@", u"Caf\u00E9 \u20AC5 [x] {y} ~|^\\\f",
        WideString(160, u'@'), WideString(80, u'{'), u"\u00C4\u00D6\u00DC\u00E4\u00F6\u00FC\u00DF\u00A7\u00BF\u00A1",
        u"\u0394\u03A6\u0393\u039B\u03A9\u03A0\u03A8\u03A3\u0398\u039E", u"\u00A4 \u20AC",
    };
    for (const WideString& text : texts) {
        for (int dcs : {0, 8}) {
            if (dcs == 8 && text.size() > 70)
                continue;
            STRUCT_TPDU t;
            InitTPDU(t);
            t.address = "4915112345678";
            t.dcs = dcs;
            t.text = text;
            const AnsiString pdu = EncodePDU(t);
            ASSERT_NE(pdu, "");
            STRUCT_TPDU back;
            ASSERT_EQ(DecodePDU(pdu, back), PduResult::Decoded);
            EXPECT_EQ(back.text, text) << dcs;
            EXPECT_EQ(back.address, "4915112345678");
            EXPECT_EQ(back.validityPeriod, 0xFF);
        }
    }
}

TEST(SmsPdu, RecordFromADecodedMessage)
{
    STRUCT_TPDU t;
    ASSERT_EQ(DecodePDU(Deliver(kNumber11, "00", "02", Encode7Bit("Hi"), "04", "11208211050500"), t),
              PduResult::Decoded);
    SMS_TO_FILE_STRUCT rec = MakeReceivedRecord(t, 1);
    EXPECT_EQ(rec.status, 1);
    EXPECT_EQ(GetSmsNumber(rec), "+16175927198");
    EXPECT_EQ(GetSmsText(rec), u"Hi");
    // A number of unknown type keeps its digits only: a reply dials it as it came.
    ASSERT_EQ(DecodePDU(Deliver("0B816171957291F8", "00", "02", Encode7Bit("Hi"), "04", "11208211050500"), t),
              PduResult::Decoded);
    EXPECT_EQ(GetSmsNumber(MakeReceivedRecord(t, 1)), "16175927198");
    EXPECT_DOUBLE_EQ(rec.date, MakeDateTime(2011, 2, 28, 11, 50, 50));
    // Semi-octets A to E are '*', '#', 'a', 'b' and 'c'.
    ASSERT_EQ(DecodePDU(Deliver("05811A00FB", "00", "02", Encode7Bit("Hi")), t), PduResult::Decoded);
    EXPECT_EQ(t.address, "*100#");
    EXPECT_EQ(GetSmsNumber(MakeReceivedRecord(t, 1)), "*100#");
    ASSERT_EQ(DecodePDU(Deliver("05811CEDF0", "00", "02", Encode7Bit("Hi")), t), PduResult::Decoded);
    EXPECT_EQ(t.address, "a1bc0");

    // A time stamp that is no date: the message is kept with date 0.0.
    for (const char* scts : {"11310111050500", "11200311050500", "11208252050500", "A1208211050500"}) {
        ASSERT_EQ(DecodePDU(Deliver(kNumber11, "00", "02", Encode7Bit("Hi"), "04", scts), t), PduResult::Decoded);
        rec = MakeReceivedRecord(t, 0);
        EXPECT_EQ(rec.date, 0.0) << scts;
        EXPECT_EQ(GetSmsText(rec), u"Hi");
    }
    // A stored SUBMIT carries no time stamp.
    ASSERT_EQ(DecodePDU("0001000B915155661632F4000002C834", t), PduResult::Decoded);
    EXPECT_EQ(MakeReceivedRecord(t, 2).date, 0.0);
}

TEST(SmsPdu, RecordHoldsASendersNameAsProgramText)
{
    // A sender's name with letters beyond ASCII is stored as the program's text
    // (UTF-8), not as the codec's 8-bit bytes.
    struct NameCase {
        std::string gsm;
        AnsiString utf8;
    } names[] = {
        {AnsiToGsm("Caf\xE9"), "Caf\xC3\xA9"},
        {AnsiToGsm("\xA3" "5 Bank"), "\xC2\xA3" "5 Bank"},
        {AnsiToGsm("\xA4uro"), "\xE2\x82\xACuro"},
        {std::string("\x10\x00", 2), "\xCE\x94@"},  // a Greek capital
    };
    for (const NameCase& c : names) {
        const std::string& gsm = c.gsm;
        const AnsiString field = BytesToHex(PackSeptets(gsm));
        const AnsiString originator = IntToHex2(static_cast<int>(gsm.size() * 7 + 3) / 4) + "D0" + field;
        STRUCT_TPDU t;
        ASSERT_EQ(DecodePDU(Deliver(originator, "00", "01", "41"), t), PduResult::Decoded) << c.utf8;
        ASSERT_EQ(t.addressTon, 5);
        EXPECT_EQ(GetSmsNumber(MakeReceivedRecord(t, 0)), c.utf8);
    }
}

TEST(SmsPdu, RecordKeepsTheTextAfterAZero)
{
    // A zero inside a UCS2 text does not cut off the rest of it.
    struct TextCase {
        const char* dcs;
        const char* udl;
        const char* ud;
    } texts[] = {
        {"08", "0A", "00410042000000430044"},
    };
    for (const TextCase& c : texts) {
        STRUCT_TPDU t;
        ASSERT_EQ(DecodePDU(Deliver(kNumber11, c.dcs, c.udl, c.ud), t), PduResult::Decoded) << c.dcs;
        const WideString text = GetSmsText(MakeReceivedRecord(t, 0));
        ASSERT_EQ(text.size(), 5u) << c.dcs;
        EXPECT_EQ(text.substr(0, 2), u"AB");
        EXPECT_NE(text[2], u'\0');
        EXPECT_EQ(text.substr(3), u"CD");
    }
}

TEST(SmsDate, DaysSinceTheEpochOfTheStore)
{
    EXPECT_DOUBLE_EQ(MakeDateTime(1899, 12, 30, 0, 0, 0), 0.0);
    EXPECT_DOUBLE_EQ(MakeDateTime(1900, 1, 1, 12, 0, 0), 2.5);
    EXPECT_DOUBLE_EQ(MakeDateTime(2000, 2, 29, 18, 0, 0), 36585.75);
    EXPECT_EQ(MakeDateTime(2001, 2, 29, 0, 0, 0), 0.0);
    EXPECT_EQ(MakeDateTime(2001, 4, 31, 0, 0, 0), 0.0);
    EXPECT_EQ(MakeDateTime(2001, 1, 1, 0, 60, 0), 0.0);
    EXPECT_DOUBLE_EQ(SctsToDateTime("991231", "235959"), MakeDateTime(2099, 12, 31, 23, 59, 59));
    EXPECT_EQ(SctsToDateTime("9912", "235959"), 0.0);
    const double now = NowDateTime();
    EXPECT_GT(now, MakeDateTime(2020, 1, 1, 0, 0, 0));
}

}  // namespace
