#include "communicator/sms/GsmAlphabet.h"

#include <gtest/gtest.h>

using namespace sms;

namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values)
        s += static_cast<char>(v);
    return s;
}

TEST(GsmAlphabet, TablesAgreeWithEachOther)
{
    // Every character the alphabet can produce maps back to its own code.
    for (int c = 0; c < 256; ++c) {
        const int32_t v = AnsiToGsmTable[c];
        if (v < 0)
            continue;
        if (v > 0x7F) {
            EXPECT_EQ(v >> 8, 0x1B) << c;
            EXPECT_EQ(GsmToAnsi(Bytes({0x1B, v & 0xFF})), Bytes({c})) << c;
        } else {
            EXPECT_EQ(GsmToAnsiTable[v], c) << c;
        }
    }
    EXPECT_EQ(AnsiToGsmTable[0xA4], 0x1B65);
    EXPECT_EQ(GsmToAnsiTable[0x24], 0xA4);
    EXPECT_EQ(AnsiToGsmTable[0xC0], -1);  // 'À' has no GSM code
    EXPECT_EQ(AnsiToGsmTable[0x10], -1);  // the Greek capitals cannot be produced
}

TEST(GsmAlphabet, SeptetPacking)
{
    struct Case {
        std::string ansi;
        const char* hex;
    } cases[] = {
        {"hellohello", "E8329BFD4697D9EC37"},
        {"AAAAAAAA", "C16030180C0683"},
        {"@@@@@@@@", "00000000000000"},
        {"A", "41"},
        {"", ""},
        {"[", "1B1E"},  // 0x1B, 0x3C
    };
    for (const auto& c : cases)
        EXPECT_EQ(Encode7Bit(c.ansi), c.hex) << c.ansi;
    EXPECT_EQ(Decode7Bit("E8329BFD4697D9EC37"), "hellohello");
    EXPECT_EQ(Decode7Bit("e8329bfd4697d9ec37"), "hellohello");
    EXPECT_EQ(Decode7Bit("C16030180C0683"), "AAAAAAAA");
    // Without a septet count a zero eighth septet is fill: seven '@', not eight.
    EXPECT_EQ(Decode7Bit("00000000000000"), "@@@@@@@");
    EXPECT_EQ(Decode7Bit(""), "");
    EXPECT_EQ(Decode7Bit("4"), "");
    EXPECT_EQ(Decode7Bit("41Z0"), "");
}

TEST(GsmAlphabet, SevenCharactersLeaveTheSpareBitsZero)
{
    const AnsiString hex = Encode7Bit("abcdefg");
    ASSERT_EQ(hex.size(), 14u);
    EXPECT_EQ(HexToInt(hex.substr(12)) & 0xFE, 0);
    EXPECT_EQ(Decode7Bit(hex), "abcdefg");
}

TEST(GsmAlphabet, PackAndUnpackAreExactInverses)
{
    for (size_t n = 0; n <= 170; ++n) {
        std::string codes;
        for (size_t i = 0; i < n; ++i)
            codes += static_cast<char>((i * 37 + 5) & 0x7F);
        if (n)
            codes.back() = 0;  // a trailing '@' must survive an exact count
        const std::string packed = PackSeptets(codes);
        ASSERT_EQ(packed.size(), (7 * n + 7) / 8);
        EXPECT_EQ(UnpackSeptets(packed, n), codes) << n;
        // A header of h octets is followed by fill bits up to the next septet.
        for (size_t h = 1; h <= 12; ++h) {
            const size_t skip = (8 * h + 6) / 7;
            const int fill = static_cast<int>(7 * skip - 8 * h);
            const std::string ud = std::string(h, '\x55') + PackSeptets(codes, fill);
            EXPECT_EQ(UnpackSeptets(ud, skip + n, skip), codes) << n << " " << h;
        }
    }
    // Asking for more septets than there are gives what is there.
    EXPECT_EQ(UnpackSeptets(std::string(2, '\0'), 10).size(), 2u);
    EXPECT_EQ(UnpackSeptets("", 5), "");
}

TEST(GsmAlphabet, CharacterConversion)
{
    EXPECT_EQ(AnsiToGsm("\xE9"), Bytes({0x05}));  // é
    EXPECT_EQ(AnsiToGsm("\xC4"), Bytes({0x5B}));  // Ä
    EXPECT_EQ(AnsiToGsm("\xC0"), Bytes({0xFF}));  // À: unmappable marker
    EXPECT_EQ(Encode7Bit("\xC0"), "00");          // ... packed as '@'
    EXPECT_EQ(AnsiToGsm("["), Bytes({0x1B, 0x3C}));
    EXPECT_EQ(AnsiToGsm("\xA4"), Bytes({0x1B, 0x65}));
    EXPECT_EQ(GsmToAnsi(Bytes({0x24})), "\xA4");
    EXPECT_EQ(GsmToAnsi(Bytes({0x10})), Bytes({0x10}));  // Δ stays a control byte
    EXPECT_EQ(GsmToAnsi(Bytes({0x00, 0x11})), "@_");
    // An unknown escape pair and a trailing escape yield nothing.
    EXPECT_EQ(GsmToAnsi(Bytes({'a', 0x1B, 0x41, 'b'})), "ab");
    EXPECT_EQ(GsmToAnsi(Bytes({'a', 0x1B})), "a");
}

TEST(GsmAlphabet, EightBitTextIsLatin1WithTheEuroOnA4)
{
    EXPECT_EQ(WideToSms8(u"a\u00E9\u20AC\u00A4"), "a\xE9\xA4\xA4");
    EXPECT_EQ(Sms8ToWide("a\xE9\xA4"), u"a\u00E9\u20AC");
    // Outside ISO 8859-1: one '?' per character, a surrogate pair included.
    EXPECT_EQ(WideToSms8(u"\u0416\U0001F600x"), "??x");
    EXPECT_EQ(WideToSms8(WideString(1, char16_t(0xD800))), "?");
    EXPECT_EQ(CountSeptets(u"a{"), 3);
    EXPECT_EQ(CountSeptets(u"\f^{}\\[~]|\u20AC"), 20);
    EXPECT_EQ(CountSeptets(u"\u00A4"), 2);
    EXPECT_EQ(CountSeptets(u"\u0416"), 1);
}

TEST(GsmAlphabet, Ucs2)
{
    EXPECT_EQ(EncodeUCS2(u"A\u0436"), "00410436");
    EXPECT_EQ(DecodeUCS2("00480069"), u"Hi");
    EXPECT_EQ(DecodeUCS2(""), u"");
    EXPECT_EQ(DecodeUCS2("004800"), u"H");  // incomplete group ignored
    EXPECT_EQ(DecodeUCS2("00G8"), u"");
}

TEST(GsmAlphabet, HexHelpersAndTheOctetReader)
{
    EXPECT_EQ(IntToHex2(10), "0A");
    EXPECT_EQ(IntToHex2(0x123), "123");
    EXPECT_EQ(IntToHex(0), "");
    EXPECT_EQ(HexToInt("1a"), 26);
    EXPECT_EQ(HexToInt("G1"), -1);
    EXPECT_EQ(HexToInt("FFFFFFFFFF"), -1);
    EXPECT_EQ(IntToBin(0x91), "10010001");
    EXPECT_EQ(BinToHex2("1010"), "0A");
    EXPECT_EQ(SwapSemiOctets("214365"), "123456");
    EXPECT_EQ(SwapSemiOctets("21F"), "12F");
    EXPECT_EQ(HexToStr("41420043"), "AB");
    EXPECT_EQ(HexToStr("414"), "");

    // The reader never moves past the end.
    int cursor = 1;
    AnsiString digits;
    EXPECT_EQ(ReadOctet("0791F", cursor, &digits), 7);
    EXPECT_EQ(digits, "07");
    EXPECT_EQ(ReadOctetBits("0791F", cursor), "10010001");
    EXPECT_EQ(ReadOctet("0791F", cursor), -1);
    EXPECT_EQ(cursor, 5);
}

}  // namespace
