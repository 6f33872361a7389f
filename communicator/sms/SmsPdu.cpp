#include "communicator/sms/SmsPdu.h"

#include "communicator/sms/GsmAlphabet.h"

namespace sms {

namespace {

// The digits of an address field: semi-octets A to E stand for '*', '#',
// 'a', 'b' and 'c'; F is the filler.
constexpr char kSemiOctetDigits[] = "0123456789*#abcF";

// Reads octets from a byte string and never past its end.
class OctetReader {
public:
    explicit OctetReader(std::string_view bytes) : m_bytes(bytes) {}
    bool Octet(int& value)
    {
        if (m_pos >= m_bytes.size())
            return false;
        value = static_cast<unsigned char>(m_bytes[m_pos++]);
        return true;
    }
    bool Octets(size_t n, std::string_view& out)
    {
        if (n > m_bytes.size() - m_pos)
            return false;
        out = m_bytes.substr(m_pos, n);
        m_pos += n;
        return true;
    }
    std::string_view Rest() const { return m_bytes.substr(m_pos); }

private:
    std::string_view m_bytes;
    size_t m_pos = 0;
};

// Swapped-digit field to its digits, upper case: "21F3" gives "123F".
AnsiString SemiOctets(std::string_view octets)
{
    AnsiString hex = BytesToHex(octets);
    return SwapSemiOctets(hex);
}

// An address field's digits, each pair swapped: "1A00FB" gives "*100#F".
AnsiString AddressDigits(std::string_view octets)
{
    AnsiString digits;
    digits.reserve(octets.size() * 2);
    for (const char octet : octets) {
        const unsigned char v = static_cast<unsigned char>(octet);
        digits += kSemiOctetDigits[v & 0x0F];
        digits += kSemiOctetDigits[v >> 4];
    }
    return digits;
}

AnsiString DropFiller(AnsiString digits)
{
    if (!digits.empty() && digits.back() == 'F')
        digits.pop_back();
    return digits;
}

// An address field: ceil(length / 2) octets after the type octet.
bool ReadAddress(OctetReader& r, STRUCT_TPDU& t)
{
    int length = 0, toa = 0;
    if (!r.Octet(length) || !r.Octet(toa))
        return false;
    t.addressLength = length;
    t.addressTon = (toa >> 4) & 7;
    t.addressNpi = toa & 0x0F;
    std::string_view field;
    if (!r.Octets((static_cast<size_t>(length) + 1) / 2, field))
        return false;
    if (length == 0)
        return true;
    if (t.addressTon == 5) {
        // The septets the semi-octet count covers; a count that was rounded up
        // to whole octets brings one zero septet of fill, which goes. The name
        // is read as message text is, so the Greek capitals survive.
        std::string codes = UnpackSeptets(field, static_cast<size_t>(length) * 4 / 7);
        if (codes.size() % 8 == 0 && !codes.empty() && codes.back() == 0)
            codes.pop_back();
        t.address = WideToAnsi(UnpackText(field, codes.size()));
    } else {
        // Exactly `length` digits: the filler of an odd count goes.
        t.address = AddressDigits(field).substr(0, static_cast<size_t>(length));
    }
    return true;
}

// The header at the front of user data of `octets` octets. False when the
// header or one of its elements runs past what is there.
bool ReadHeader(std::string_view ud, size_t octets, TPDUHeader& h)
{
    if (octets < 1 || ud.empty())
        return false;
    const size_t udhl = static_cast<unsigned char>(ud[0]);
    if (udhl + 1 > octets || udhl + 1 > ud.size())
        return false;
    h.udhl = static_cast<int32_t>(udhl);
    h.count = 0;
    if (udhl <= 2)
        return true;
    size_t pos = 1;
    const size_t end = udhl + 1;
    while (end - pos >= 2) {
        const int iei = static_cast<unsigned char>(ud[pos]);
        const size_t len = static_cast<unsigned char>(ud[pos + 1]);
        pos += 2;
        if (len > end - pos)
            return false;
        // Elements past the tenth are checked but not kept.
        if (h.count < TPDUHeader::kMaxElems) {
            THeaderElem& e = h.elem[h.count++];
            e.iei = iei;
            e.length = static_cast<int32_t>(len);
            e.data = BytesToHex(ud.substr(pos, len));
        }
        pos += len;
    }
    return true;
}

// Relative period, or none; the seven-octet forms are read and not kept.
bool ReadValidity(OctetReader& r, STRUCT_TPDU& t)
{
    switch ((t.firstOctet >> 3) & 3) {
    case 0:
        return true;
    case 2:
        return r.Octet(t.validityPeriod);
    default: {
        std::string_view skipped;
        return r.Octets(7, skipped);
    }
    }
}

// The service centre's time stamp: swapped date and time digits, then the
// time zone in quarter hours.
bool ReadTimeStamp(OctetReader& r, STRUCT_TPDU& t)
{
    std::string_view scts;
    if (!r.Octets(7, scts))
        return false;
    const AnsiString digits = SemiOctets(scts.substr(0, 6));
    t.sctsDate = digits.substr(0, 6);
    t.sctsTime = digits.substr(6, 6);
    const int tz = static_cast<unsigned char>(scts[6]);
    t.timeZone = 10 * (tz & 7) + (tz >> 4);
    if (tz & 8)
        t.timeZone = -t.timeZone;
    return true;
}

// A status report has no user data worth showing; what identifies it is the
// recipient and the time stamp. Its discharge time and status are checked
// for length only.
PduResult ReadStatusReport(OctetReader& r, STRUCT_TPDU& t)
{
    std::string_view rest;
    if (!r.Octet(t.messageRef) || !ReadAddress(r, t) || !ReadTimeStamp(r, t) || !r.Octets(8, rest))
        return PduResult::Malformed;
    return PduResult::Unsupported;
}

PduResult ReadUserData(std::string_view ud, STRUCT_TPDU& t)
{
    const bool udhi = HasUDH(t.firstOctet);
    const SmsAlphabet alphabet = AlphabetOfDcs(t.dcs);
    const size_t udl = static_cast<size_t>(t.udl);
    if (alphabet == SmsAlphabet::Gsm7) {
        if (ud.size() < (udl * 7 + 7) / 8)
            return PduResult::Malformed;
        size_t skip = 0;
        if (udhi) {
            if (!ReadHeader(ud, udl * 7 / 8, t.udh))
                return PduResult::Malformed;
            // The header and the fill bits up to the next septet boundary.
            skip = ((static_cast<size_t>(t.udh.udhl) + 1) * 8 + 6) / 7;
            if (skip > udl)
                return PduResult::Malformed;
        }
        t.text = UnpackText(ud, udl, skip);
        return PduResult::Decoded;
    }
    if (alphabet == SmsAlphabet::Reserved) {
        // Whether TP-UDL counts septets or octets is unknown: the shorter
        // reading must fit.
        return ud.size() < (udl * 7 + 7) / 8 ? PduResult::Malformed : PduResult::Unsupported;
    }
    if (ud.size() < udl)
        return PduResult::Malformed;
    std::string_view body = ud.substr(0, udl);
    if (udhi) {
        if (!ReadHeader(ud, udl, t.udh))
            return PduResult::Malformed;
        body.remove_prefix(static_cast<size_t>(t.udh.udhl) + 1);
    }
    switch (alphabet) {
    case SmsAlphabet::Eight:
        // Binary data (ring tones, settings, ports): only a message that is
        // still to be sent holds text that someone typed.
        if (GetMTI(t.firstOctet) == kMtiSubmit)
            t.text = Sms8ToWide(body);
        return PduResult::Decoded;
    case SmsAlphabet::Ucs2:
        t.text.clear();
        for (size_t i = 0; i + 1 < body.size(); i += 2)
            t.text += static_cast<char16_t>(static_cast<unsigned char>(body[i]) << 8 |
                                            static_cast<unsigned char>(body[i + 1]));
        return PduResult::Decoded;
    default:
        return PduResult::Unsupported;
    }
}

}  // namespace

SmsAlphabet AlphabetOfDcs(int dcs)
{
    dcs &= 0xFF;
    switch (dcs >> 4) {
    case 0x0: case 0x1: case 0x2: case 0x3:  // general data coding
    case 0x4: case 0x5: case 0x6: case 0x7:  // the same, marked for deletion
        if (dcs & 0x20)
            return SmsAlphabet::Compressed;
        switch ((dcs >> 2) & 3) {
        case 1: return SmsAlphabet::Eight;
        case 2: return SmsAlphabet::Ucs2;
        default: return SmsAlphabet::Gsm7;  // reserved means the default alphabet
        }
    case 0xE:  // message waiting, stored, UCS2
        return SmsAlphabet::Ucs2;
    case 0xF:  // message class
        return (dcs & 0x04) ? SmsAlphabet::Eight : SmsAlphabet::Gsm7;
    case 0x8: case 0x9: case 0xA: case 0xB:
        return SmsAlphabet::Reserved;
    default:  // message waiting in GSM 7-bit
        return SmsAlphabet::Gsm7;
    }
}

int GetMTI(int firstOctet)
{
    return firstOctet & 3;
}

bool HasUDH(int firstOctet)
{
    return (firstOctet & 0x40) != 0;
}

void InitTPDU(STRUCT_TPDU& tpdu)
{
    tpdu.smscLength = 0;
    tpdu.firstOctet = 0x11;
    tpdu.messageRef = 0;
    tpdu.addressLength = 11;
    tpdu.addressTon = 1;
    tpdu.addressNpi = 1;
    tpdu.pid = 0;
    tpdu.dcs = 0;
    tpdu.validityPeriod = 0xFF;
}

PduResult DecodePDU(std::string_view pdu, STRUCT_TPDU& out)
{
    out = STRUCT_TPDU();
    std::string bytes;
    if (pdu.empty() || !HexToBytes(pdu, bytes))
        return PduResult::Malformed;
    OctetReader r(bytes);
    STRUCT_TPDU& t = out;

    if (!r.Octet(t.smscLength))
        return PduResult::Malformed;
    if (t.smscLength > 0) {
        int toa = 0;
        if (!r.Octet(toa))
            return PduResult::Malformed;
        t.smscTon = (toa >> 4) & 7;
        t.smscNpi = toa & 0x0F;
        std::string_view field;
        if (!r.Octets(static_cast<size_t>(t.smscLength) - 1, field))
            return PduResult::Malformed;
        if (!field.empty())
            t.smscNumber = t.smscTon == 5 ? Decode7Bit(BytesToHex(field)) : DropFiller(AddressDigits(field));
    }

    if (!r.Octet(t.firstOctet))
        return PduResult::Malformed;
    const int mti = GetMTI(t.firstOctet);
    if (mti == kMtiDeliver) {
        if (!ReadAddress(r, t) || !r.Octet(t.pid) || !r.Octet(t.dcs))
            return PduResult::Malformed;
        if (!ReadTimeStamp(r, t))
            return PduResult::Malformed;
    } else if (mti == kMtiSubmit) {
        if (!r.Octet(t.messageRef) || !ReadAddress(r, t) || !r.Octet(t.pid) || !r.Octet(t.dcs) ||
            !ReadValidity(r, t))
            return PduResult::Malformed;
    } else if (mti == kMtiStatusReport) {
        return ReadStatusReport(r, t);
    } else {
        return PduResult::Unsupported;
    }
    if (!r.Octet(t.udl))
        return PduResult::Malformed;
    return ReadUserData(r.Rest(), t);
}

AnsiString EncodePDU(STRUCT_TPDU tpdu)
{
    AnsiString digits;
    for (char c : tpdu.address) {
        if (c >= '0' && c <= '9')
            digits += c;
        else if (c == '*')
            digits += 'A';
        else if (c == '#')
            digits += 'B';
        else
            return {};
    }
    if (digits.size() > 20)
        return {};

    AnsiString out = "00";
    out += IntToHex2(tpdu.firstOctet & 0xFF);
    out += IntToHex2(tpdu.messageRef & 0xFF);
    out += IntToHex2(static_cast<int>(digits.size()));
    const int ton = (tpdu.addressTon < 0 || tpdu.addressTon > 7) ? 0 : tpdu.addressTon;
    out += IntToHex2(0x80 | ton << 4 | (tpdu.addressNpi & 0x0F));
    if (digits.size() % 2)
        digits += 'F';
    out += SwapSemiOctets(digits);
    out += IntToHex2(tpdu.pid & 0xFF);
    out += IntToHex2(tpdu.dcs & 0xFF);
    switch ((tpdu.firstOctet >> 3) & 3) {
    case 0:
        break;
    case 2:
        out += IntToHex2(tpdu.validityPeriod & 0xFF);
        break;
    default:
        return {};  // the seven-octet forms are not held
    }

    const SmsAlphabet alphabet = AlphabetOfDcs(tpdu.dcs);
    if (alphabet == SmsAlphabet::Compressed || alphabet == SmsAlphabet::Reserved)
        return {};
    int udl = 0;
    AnsiString data;
    if (HasUDH(tpdu.firstOctet)) {
        // The text already is the whole user data as hex.
        if (tpdu.text.size() > 2u * kMaxUserDataOctets)
            return {};
        AnsiString hex;
        for (char16_t u : tpdu.text) {
            if (u > 0x7F)
                return {};
            hex += static_cast<char>(u);
        }
        std::string bytes;
        if (!HexToBytes(hex, bytes))
            return {};
        data = BytesToHex(bytes);
        udl = alphabet == SmsAlphabet::Gsm7 ? static_cast<int>(hex.size() * 4 / 7)
                                            : static_cast<int>(bytes.size());
    } else if (alphabet == SmsAlphabet::Gsm7) {
        udl = PackText(tpdu.text, data);
        if (udl > kMaxSeptets)
            return {};
    } else if (alphabet == SmsAlphabet::Ucs2) {
        if (tpdu.text.size() * 2 > static_cast<size_t>(kMaxUserDataOctets))
            return {};
        udl = static_cast<int>(tpdu.text.size() * 2);
        data = EncodeUCS2(tpdu.text);
    } else {
        const AnsiString bytes = WideToSms8(tpdu.text);
        if (bytes.size() > static_cast<size_t>(kMaxUserDataOctets))
            return {};
        udl = static_cast<int>(bytes.size());
        data = BytesToHex(bytes);
    }
    out += IntToHex2(udl);
    out += data;
    return out;
}

TPDUHeader ParseUDH(AnsiString& userDataHex)
{
    TPDUHeader h;
    std::string bytes;
    if (userDataHex.size() < 2 || !HexToBytes(userDataHex, bytes)) {
        userDataHex.clear();
        return h;
    }
    if (!ReadHeader(bytes, bytes.size(), h)) {
        h.udhl = static_cast<unsigned char>(bytes[0]);
        h.count = 0;
        for (THeaderElem& e : h.elem)
            e = THeaderElem();
        userDataHex.clear();
        return h;
    }
    userDataHex.erase(0, 2 * (static_cast<size_t>(h.udhl) + 1));
    return h;
}

int TpduLength(std::string_view pdu)
{
    int cursor = 1;
    const int smsc = ReadOctet(pdu, cursor);
    if (smsc < 0)
        return -1;
    const long long rest = static_cast<long long>(pdu.size()) - 2 - 2LL * smsc;
    return rest < 0 ? -1 : static_cast<int>(rest / 2);
}

}  // namespace sms
