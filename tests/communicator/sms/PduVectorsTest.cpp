// The public PDU vectors of other SMS software, each field mapped to this
// program's rules before it is compared: numbers without '+', the time stamp
// as local digits and quarter hours. Text of the GSM alphabet compares as it
// stands, every character of the alphabet included.
#include "communicator/sms/GsmAlphabet.h"
#include "communicator/sms/SmsDate.h"
#include "communicator/sms/SmsList.h"
#include "communicator/sms/SmsPdu.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

using namespace sms;

namespace {

QJsonArray LoadVectors()
{
    QFile file(QVX_SOURCE_DIR "/tests/communicator/sms/data/pdu-vectors.json");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).array();
}

AnsiString Str(const QJsonValue& v)
{
    return v.isString() ? v.toString().toStdString() : AnsiString();
}

WideString Wide(const QString& s)
{
    return WideString(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size()));
}

AnsiString Upper(AnsiString s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Minutes of a relative validity period octet.
int ValidityMinutes(int vp)
{
    if (vp <= 143)
        return (vp + 1) * 5;
    if (vp <= 167)
        return 720 + (vp - 143) * 30;
    if (vp <= 196)
        return (vp - 166) * 1440;
    return (vp - 192) * 10080;
}

int MinutesOf(const QString& text)
{
    const QStringList parts = text.split(' ');
    const int n = parts.value(0).toInt();
    const QString unit = parts.value(1);
    if (unit.startsWith("min"))
        return n;
    if (unit.startsWith("day"))
        return n * 1440;
    if (unit.startsWith("week"))
        return n * 10080;
    return -1;
}

struct Stamp {
    AnsiString date, time;
    int quarters = 0;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
};

bool ParseStamp(const QString& iso, Stamp& st)
{
    static const QRegularExpression re(
        R"(^(\d\d)(\d\d)-(\d\d)-(\d\d)T(\d\d):(\d\d):(\d\d)(Z|([+-])(\d\d)(?::?(\d\d))?)$)");
    const auto m = re.match(iso);
    if (!m.hasMatch())
        return false;
    st.date = (m.captured(2) + m.captured(3) + m.captured(4)).toStdString();
    st.time = (m.captured(5) + m.captured(6) + m.captured(7)).toStdString();
    st.y = (m.captured(1) + m.captured(2)).toInt();
    st.mo = m.captured(3).toInt();
    st.d = m.captured(4).toInt();
    st.h = m.captured(5).toInt();
    st.mi = m.captured(6).toInt();
    st.s = m.captured(7).toInt();
    if (m.captured(8) != "Z") {
        st.quarters = m.captured(10).toInt() * 4 + m.captured(11).toInt() / 15;
        if (m.captured(9) == "-")
            st.quarters = -st.quarters;
    }
    return true;
}

TEST(PduVectors, EveryVectorDecodesByOurRules)
{
    const QJsonArray vectors = LoadVectors();
    ASSERT_EQ(vectors.size(), 38);
    int decoded = 0, reencoded = 0;
    for (int i = 0; i < vectors.size(); ++i) {
        const QJsonObject v = vectors[i].toObject();
        const QJsonObject ind = v["independent_decode"].toObject();
        const QString type = v["type"].toString();
        AnsiString pdu = Str(v["pdu_hex"]);
        SCOPED_TRACE("vector " + std::to_string(i) + ": " + pdu);
        if (!v["has_smsc"].toBool())
            pdu = "00" + pdu;

        STRUCT_TPDU t;
        const PduResult result = DecodePDU(pdu, t);
        if (type == "SMS-STATUS-REPORT") {
            EXPECT_EQ(result, PduResult::Unsupported);
            continue;
        }
        if (v["notes"].toString().contains("malformed on purpose")) {
            // Its TP-UDL runs past the data: it stays where it is.
            EXPECT_EQ(result, PduResult::Malformed);
            continue;
        }
        ASSERT_EQ(result, PduResult::Decoded);
        ++decoded;
        EXPECT_EQ(GetMTI(t.firstOctet), type == "SMS-DELIVER" ? kMtiDeliver : kMtiSubmit);

        AnsiString smsc = Str(ind["smsc"]);
        if (!smsc.empty() && smsc[0] == '+')
            smsc.erase(0, 1);
        EXPECT_EQ(t.smscNumber, smsc);

        AnsiString number = Str(ind["number"]);
        const bool international = !number.empty() && number[0] == '+';
        EXPECT_EQ(t.addressTon == 1, international);
        if (international)
            number.erase(0, 1);
        EXPECT_EQ(t.address, number);

        EXPECT_EQ(t.pid, ind["pid"].toInt());
        EXPECT_EQ(t.dcs, ind["dcs"].toInt());
        EXPECT_EQ(t.udl, ind["udl"].toInt());
        if (ind.contains("mr")) {
            EXPECT_EQ(t.messageRef, ind["mr"].toInt());
        }
        const QString vp = ind["vp"].toString();
        if (!vp.isEmpty() && !vp.startsWith("abs")) {
            EXPECT_EQ(ValidityMinutes(t.validityPeriod), MinutesOf(vp)) << vp.toStdString();
        }

        const SMS_TO_FILE_STRUCT rec = MakeReceivedRecord(t, 0);
        if (type == "SMS-DELIVER") {
            Stamp st;
            ASSERT_TRUE(ParseStamp(ind["timestamp"].toString(), st));
            EXPECT_EQ(t.sctsDate, st.date);
            EXPECT_EQ(t.sctsTime, st.time);
            EXPECT_EQ(t.timeZone, st.quarters);
            EXPECT_DOUBLE_EQ(rec.date, MakeDateTime(st.y, st.mo, st.d, st.h, st.mi, st.s));
        } else {
            EXPECT_EQ(rec.date, 0.0);
        }

        WideString text;
        const SmsAlphabet alphabet = AlphabetOfDcs(t.dcs);
        if (ind.contains("data") && type == "SMS-DELIVER") {
            // 8-bit data received is no text.
        } else if (ind.contains("data")) {
            // 8-bit data of a message to send is ISO 8859-1 text.
            std::string bytes;
            ASSERT_TRUE(HexToBytes(Str(ind["data"]), bytes));
            text = Sms8ToWide(bytes);
        } else {
            text = Wide(ind["text"].toString());
        }
        EXPECT_EQ(t.text, text);
        EXPECT_EQ(GetSmsText(rec), text);

        const QJsonArray udh = ind["udh"].toArray();
        EXPECT_EQ(HasUDH(t.firstOctet), !udh.isEmpty());
        ASSERT_EQ(t.udh.count, udh.size());
        for (int e = 0; e < udh.size(); ++e) {
            const QJsonObject elem = udh[e].toObject();
            EXPECT_EQ(t.udh.elem[e].iei, elem["iei"].toInt());
            EXPECT_EQ(t.udh.elem[e].data, Upper(Str(elem["data"])));
            EXPECT_EQ(t.udh.elem[e].length, static_cast<int>(Str(elem["data"]).size() / 2));
        }

        // A SUBMIT encodes back to the same TPDU, unless its validity period
        // is a seven-octet one (not held).
        if (type == "SMS-SUBMIT") {
            const AnsiString again = EncodePDU(t);
            if (((t.firstOctet >> 3) & 3) % 2 == 1) {
                EXPECT_EQ(again, "");
                continue;
            }
            ASSERT_NE(again, "");
            AnsiString tpdu = Upper(pdu.substr(2 * (static_cast<size_t>(t.smscLength) + 1)));
            // One vector fills an odd number with '1' rather than 'F'.
            if (t.addressLength % 2)
                tpdu[8 + 2 * ((t.addressLength + 1) / 2) - 2] = 'F';
            EXPECT_EQ(again.substr(2), tpdu);
            ++reencoded;
        } else if (!HasUDH(t.firstOctet) && alphabet != SmsAlphabet::Eight) {
            // A received text sent on as a SUBMIT comes back unchanged.
            STRUCT_TPDU out;
            InitTPDU(out);
            out.address = "123";
            out.dcs = alphabet == SmsAlphabet::Ucs2 ? 8 : 0;
            out.text = t.text;
            const AnsiString sent = EncodePDU(out);
            ASSERT_NE(sent, "");
            STRUCT_TPDU back;
            ASSERT_EQ(DecodePDU(sent, back), PduResult::Decoded);
            EXPECT_EQ(back.text, t.text);
            EXPECT_EQ(back.udl, t.udl);
        }
    }
    EXPECT_EQ(decoded, 31);
    EXPECT_EQ(reencoded, 11);
}

}  // namespace
