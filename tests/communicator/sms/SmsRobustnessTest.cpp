// Random and mutated input for the decoder and the listing parser: nothing may
// crash or read past its input (run under the sanitizer build as well), and
// what is decoded stays within its bounds. QVX_FUZZ_ROUNDS raises the count.
#include "communicator/sms/GsmAlphabet.h"
#include "communicator/sms/SmsList.h"
#include "communicator/sms/SmsPdu.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

using namespace sms;

namespace {

int Rounds(int base)
{
    const char* env = std::getenv("QVX_FUZZ_ROUNDS");
    const int scale = env ? std::atoi(env) : 1;
    return base * (scale > 0 ? scale : 1);
}

const char* const kSeeds[] = {
    "07912104442961F4040B916171957291F800001120821105050A6AC8B2BC7C9A83C220F6DB7D2ECB41EDF27C1E3E97411BDE06754FD3D1"
    "A0F9BB5D0695F1F4B29B5C2683C6E8B03C3CA697E5F34D6AE303D1D1F2F7DD0D4ABB59A0797D8C0685E7A00028EC26832A960B28EC2683"
    "BE6050780EBA97D96C17",
    "07919730071111F10414D04937BD2C7797E9D3E614000811309291024061080442043504410442",
    "07911356131313F64004850120390011609232239180A006080400100201D7327BFD6EB340E2321BF46E83EA7790F59D1E97DBE1341B44"
    "2F83C465763D3DA797E56537C81D0ECB41AB59CC1693C16031D96C064241E5656838AF03A96230982A269BCD462917C8FA4E8FCBED709A"
    "0D7ABBE9F6B0FB5C7683D27350984D4FABC9A0B33C4C4FCF5D20EBFB2D079DCB62793DBD06D9C36E50FB2D4E97D9A0B49B5E96BBCB",
    "0041010C910661345542F60008A0050003000301306F3044",
    "0019000B917228001011F100003170013193008017D474BB3CA787DB70903DCC4E93D3F43C885E9ED301",
    "07918497483252F0440B918496445078F70008712132014474400B0800032A02017001000041",
    "0791447758100650040DD0F334FC1CA6970100008080312170224008D4F29CDE0EA7D9",
    "07914356060013F1065A098136397339F7219011700463802190117004638030",
};

void CheckDecoded(const STRUCT_TPDU& t, PduResult r, size_t hexSize)
{
    ASSERT_GE(t.udh.count, 0);
    ASSERT_LE(t.udh.count, TPDUHeader::kMaxElems);
    if (r == PduResult::Decoded) {
        // Never more text than the PDU carried.
        ASSERT_LE(t.text.size(), hexSize);
        ASSERT_LE(t.text.size(), 255u);
        ASSERT_LE(t.address.size(), 255u);
    }
}

TEST(SmsRobustness, RandomPdus)
{
    std::mt19937 rng(12345);
    const char digits[] = "0123456789ABCDEFabcdef";
    for (int i = 0; i < Rounds(100000); ++i) {
        AnsiString pdu;
        const size_t n = rng() % 120;
        for (size_t k = 0; k < n; ++k)
            pdu += digits[rng() % (rng() % 8 == 0 ? 22 : 16)];
        // Make the front look like a PDU more often than chance would.
        if (pdu.size() >= 4 && rng() % 2)
            pdu.replace(0, 4, rng() % 2 ? "0004" : "0011");
        STRUCT_TPDU t;
        const PduResult r = DecodePDU(pdu, t);
        CheckDecoded(t, r, pdu.size());
    }
}

TEST(SmsRobustness, MutatedVectors)
{
    std::mt19937 rng(777);
    const char digits[] = "0123456789ABCDEF";
    int decoded = 0;
    for (int i = 0; i < Rounds(100000); ++i) {
        AnsiString pdu = kSeeds[rng() % std::size(kSeeds)];
        const int mutations = 1 + static_cast<int>(rng() % 4);
        for (int m = 0; m < mutations && !pdu.empty(); ++m) {
            const size_t at = rng() % pdu.size();
            switch (rng() % 5) {
            case 0: pdu[at] = digits[rng() % 16]; break;                  // change a digit
            case 1: pdu.resize(at - at % 2); break;                       // cut at an octet
            case 2: pdu.insert(at - at % 2, IntToHex2(rng() % 256)); break;  // insert an octet
            case 3: pdu.erase(at - at % 2, 2); break;                     // drop an octet
            default: pdu.replace(at - at % 2, std::min<size_t>(2, pdu.size() - (at - at % 2)), "FF"); break;
            }
        }
        STRUCT_TPDU t;
        const PduResult r = DecodePDU(pdu, t);
        CheckDecoded(t, r, pdu.size());
        decoded += r == PduResult::Decoded;
        if (r == PduResult::Decoded && GetMTI(t.firstOctet) == kMtiSubmit && !HasUDH(t.firstOctet)) {
            // Whatever decoded may be handed to the encoder.
            const AnsiString again = EncodePDU(t);
            if (!again.empty()) {
                STRUCT_TPDU back;
                ASSERT_NE(DecodePDU(again, back), PduResult::Malformed) << pdu;
            }
        }
    }
    // The mutations must not all end in a failure, or they test too little.
    EXPECT_GT(decoded, Rounds(100000) / 20);
}

TEST(SmsRobustness, RandomHelpersInput)
{
    std::mt19937 rng(99);
    for (int i = 0; i < Rounds(20000); ++i) {
        std::string bytes;
        const size_t n = rng() % 64;
        for (size_t k = 0; k < n; ++k)
            bytes += static_cast<char>(rng() % 256);
        const AnsiString hex = BytesToHex(bytes);
        (void)GsmToAnsi(bytes);
        (void)AnsiToGsm(bytes);
        (void)Decode7Bit(hex);
        (void)Decode7Bit(hex.substr(0, hex.size() / 2 * 2 + (n % 2)));
        (void)DecodeUCS2(hex.substr(0, rng() % (hex.size() + 1)));
        AnsiString ud = hex;
        const TPDUHeader h = ParseUDH(ud);
        ASSERT_LE(h.count, TPDUHeader::kMaxElems);
        ASSERT_LE(ud.size(), hex.size());
        (void)UnpackSeptets(bytes, rng() % 300, rng() % 300);
        (void)UnpackText(bytes, rng() % 300, rng() % 300);
        // Any text packs, lone surrogates included, into as many septets as
        // it is counted.
        WideString text;
        for (size_t k = 0; k < n; ++k)
            text += static_cast<char16_t>(rng() % 4 ? rng() % 0x100 : rng() % 0x10000);
        AnsiString packed;
        const int septets = PackText(text, packed);
        ASSERT_EQ(septets, CountSeptets(text));
        ASSERT_EQ(packed.size(), (7 * static_cast<size_t>(septets) + 7) / 8 * 2);
        int cursor = static_cast<int>(rng() % 70);
        (void)ReadOctet(hex, cursor);
    }
}

TEST(SmsRobustness, RandomListings)
{
    std::mt19937 rng(4242);
    const char* pieces[] = {"+CMGL: ", "+CMGL:", "\r\n", "\r", ",", "1", "0", "3", "9", "\"a,b\"", "OK",
                            "ERROR", " ", kSeeds[1], kSeeds[6], "0791", "x"};
    for (int i = 0; i < Rounds(50000); ++i) {
        AnsiString answer;
        const int n = static_cast<int>(rng() % 40);
        for (int k = 0; k < n; ++k)
            answer += pieces[rng() % std::size(pieces)];
        if (!answer.empty() && rng() % 3 == 0)
            answer.resize(rng() % answer.size());
        for (const SmsListEntry& e : SplitSmsList(answer)) {
            if (!e.complete)
                continue;
            ASSERT_FALSE(e.simIndex.empty());
            ASSERT_EQ(e.simIndex.find_first_not_of("0123456789"), AnsiString::npos);
            ASSERT_GE(e.status, 0);
            ASSERT_LE(e.status, 3);
            STRUCT_TPDU t;
            const PduResult r = DecodePDU(e.pdu, t);
            CheckDecoded(t, r, e.pdu.size());
            if (r == PduResult::Decoded) {
                const SMS_TO_FILE_STRUCT rec = MakeReceivedRecord(t, e.status);
                ASSERT_EQ(rec.number[SMS_TO_FILE_STRUCT::kNumberSize - 1], 0);
                ASSERT_EQ(rec.text[SMS_TO_FILE_STRUCT::kTextSize - 1], 0);
            }
        }
    }
}

}  // namespace
