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
    // An escape before a code with no extension character gives the basic
    // character, a second escape a space; a trailing escape yields nothing.
    EXPECT_EQ(GsmToAnsi(Bytes({'a', 0x1B, 0x41, 'b'})), "aAb");
    EXPECT_EQ(GsmToAnsi(Bytes({'a', 0x1B, 0x1B, 'b'})), "a b");
    EXPECT_EQ(GsmToAnsi(Bytes({'a', 0x1B})), "a");
}

TEST(GsmAlphabet, MessageTextHoldsTheWholeAlphabet)
{
    const auto unpack = [](std::initializer_list<int> codes) {
        const std::string packed = PackSeptets(Bytes(codes));
        return UnpackText(packed, codes.size());
    };
    const auto pack = [](const WideString& text) {
        AnsiString hex;
        const int septets = PackText(text, hex);
        std::string bytes;
        EXPECT_TRUE(HexToBytes(hex, bytes));
        EXPECT_EQ(septets, CountSeptets(text));
        return UnpackSeptets(bytes, static_cast<size_t>(septets));
    };
    const WideString greek = u"ΔΦΓΛΩΠΨΣΘΞ";
    EXPECT_EQ(unpack({0x10, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A}), greek);
    EXPECT_EQ(pack(greek), Bytes({0x10, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A}));
    // The currency sign and the euro sign stay apart in both directions.
    EXPECT_EQ(unpack({0x24, 0x1B, 0x65}), u"¤€");
    EXPECT_EQ(pack(u"¤€"), Bytes({0x24, 0x1B, 0x65}));
    // Unknown escapes: the basic character; two escapes: a space.
    EXPECT_EQ(unpack({'a', 0x1B, 0x41, 0x1B, 0x1B, 0x1B, 0x24, 'b'}), u"aA ¤b");
    EXPECT_EQ(unpack({'a', 0x1B}), u"a");
    // Only characters outside the alphabet and its extension become '?', one
    // for each, a character beyond the 16-bit plane included.
    EXPECT_EQ(pack(u"ÀЖ`😀中"), "?????");
    EXPECT_EQ(CountSeptets(u"😀"), 1);

    // The default alphabet, code by code (the escape stands in as a space),
    // and the extension table: each character comes back as itself and goes
    // back to its code.
    const WideString alphabet =
        u"@£$¥èéùìòÇ\nØø\rÅåΔ_ΦΓΛΩΠΨΣΘΞ ÆæßÉ !\"#¤%&'()*+,-./0123456789:;<=>?"
        u"¡ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÑÜ§¿abcdefghijklmnopqrstuvwxyzäöñüà";
    ASSERT_EQ(alphabet.size(), 128u);
    for (int code = 0; code < 128; ++code) {
        if (code == 0x1B)
            continue;
        const WideString one = unpack({code});
        EXPECT_EQ(one, alphabet.substr(static_cast<size_t>(code), 1)) << code;
        EXPECT_EQ(pack(one), Bytes({code})) << code;
    }
    const WideString extension = u"\f^{}\\[~]|€";
    const int escaped[] = {0x0A, 0x14, 0x28, 0x29, 0x2F, 0x3C, 0x3D, 0x3E, 0x40, 0x65};
    for (size_t i = 0; i < extension.size(); ++i) {
        const WideString one = unpack({0x1B, escaped[i]});
        EXPECT_EQ(one, extension.substr(i, 1)) << escaped[i];
        EXPECT_EQ(pack(one), Bytes({0x1B, escaped[i]})) << escaped[i];
    }
}

TEST(GsmAlphabet, EightBitTextIsLatin1WithTheEuroOnA4)
{
    EXPECT_EQ(WideToSms8(u"a\u00E9\u20AC\u00A4"), "a\xE9\xA4\xA4");
    EXPECT_EQ(Sms8ToWide("a\xE9\xA4"), u"a\u00E9\u20AC");
    // Outside ISO 8859-1: one '?' per character, a surrogate pair included.
    EXPECT_EQ(WideToSms8(u"\u0416\U0001F600x"), "??x");
    EXPECT_EQ(WideToSms8(WideString(1, char16_t(0xD800))), "?");
}

TEST(GsmAlphabet, SeptetsAreCountedAsTheyAreSent)
{
    EXPECT_EQ(CountSeptets(u"a{"), 3);
    EXPECT_EQ(CountSeptets(u"\f^{}\\[~]|\u20AC"), 20);
    // The currency sign is a character of the alphabet, the euro an extension.
    EXPECT_EQ(CountSeptets(u"\u00A4"), 1);
    EXPECT_EQ(CountSeptets(u"\u0394\u03A9"), 2);
    EXPECT_EQ(CountSeptets(u"\u0416"), 1);  // sent as '?'
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
