#include "communicator/TConStatistic.h"
#include "platform/PrivateFile.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

const QDate kEpoch(1899, 12, 30);

double Sane(double v) { return (std::isfinite(v) && v >= 0.0) ? v : 0.0; }

// A whole token as a number of bytes, in the C locale.
bool ParseCount(const AnsiString& token, double& out)
{
    double v = 0;
    auto res = std::from_chars(token.data(), token.data() + token.size(), v);
    if (res.ec != std::errc() || res.ptr != token.data() + token.size() || !std::isfinite(v) || v < 0.0)
        return false;
    out = v;
    return true;
}

bool ParseInt(const AnsiString& token, int& out)
{
    if (token.empty() || token.size() > 5)
        return false;
    auto res = std::from_chars(token.data(), token.data() + token.size(), out);
    return res.ec == std::errc() && res.ptr == token.data() + token.size();
}

AnsiString GeneralNumber(double v)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    AnsiString text = res.ec == std::errc() ? AnsiString(buf, res.ptr) : AnsiString("0");
    const AnsiString point = QLocale::system().decimalPoint().toStdString();
    if (const size_t dot = text.find('.'); dot != AnsiString::npos && point != ".")
        text.replace(dot, 1, point);
    return text;
}

}  // namespace

TDateTime TConStatistic::Now()
{
    const QDateTime now = QDateTime::currentDateTime();
    return static_cast<double>(kEpoch.daysTo(now.date())) + now.time().msecsSinceStartOfDay() / 86400000.0;
}

bool TConStatistic::EncodeDate(int year, int month, int day, TDateTime& out)
{
    if (year < 1 || year > 9999)
        return false;
    const QDate d(year, month, day);
    if (!d.isValid())
        return false;
    out = static_cast<double>(kEpoch.daysTo(d));
    return true;
}

void TConStatistic::DecodeDate(TDateTime date, int& year, int& month, int& day)
{
    const QDate d = kEpoch.addDays(static_cast<qint64>(std::floor(date)));
    year = d.year();
    month = d.month();
    day = d.day();
}

TConStatistic::TConStatistic(AnsiString fileName) : m_fileName(std::move(fileName)), start(Now()) {}

TConStatistic::~TConStatistic() { Save(); }

bool TConStatistic::Load()
{
    // The user's totals are not replaced without a copy and a word: a file
    // that cannot be read (left to root by a run with sudo, say) is not
    // replaced at all.
    const FileNotice state = ProbePrivateFile(m_fileName);
    std::ifstream in;
    if (state != FileNotice::Unreadable)
        in.open(m_fileName, std::ios::binary);
    if (!in.is_open()) {
        std::error_code ec;
        m_bNotRead = state == FileNotice::Unreadable || std::filesystem::exists(m_fileName, ec) || ec;
        if (m_bNotRead)
            m_eNotice = FileNotice::Unreadable;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!Parse(text.str()) && text.str().find_first_not_of(" \t\r\n") != AnsiString::npos)
        m_bDamaged = true;
    m_eNotice = state == FileNotice::ReadOnly ? state : m_bDamaged ? FileNotice::Damaged : FileNotice::None;
    return true;
}

FileNotice TConStatistic::TakeNotice()
{
    return std::exchange(m_eNotice, FileNotice::None);
}

bool TConStatistic::Parse(const AnsiString& text)
{
    std::istringstream in(text);
    AnsiString dateToken, downToken, upToken;
    if (!(in >> dateToken >> downToken >> upToken))
        return false;
    if (dateToken.size() > 10)
        return false;
    std::vector<AnsiString> parts;
    std::istringstream date(dateToken);
    for (AnsiString p; std::getline(date, p, '.');)
        parts.push_back(p);
    int y = 0, m = 0, d = 0;
    double down = 0, up = 0;
    TDateTime when = 0;
    if (parts.size() != 3 || !ParseInt(parts[0], y) || !ParseInt(parts[1], m) || !ParseInt(parts[2], d)
        || !EncodeDate(y, m, d, when) || !ParseCount(downToken, down) || !ParseCount(upToken, up))
        return false;
    start = when;
    downloaded = down;
    uploaded = up;
    return true;
}

AnsiString TConStatistic::Text() const
{
    AnsiString date;
    GetStartDateText(date);
    char down[400], up[400];
    auto d = std::to_chars(down, down + sizeof down, downloaded, std::chars_format::fixed, 2);
    auto u = std::to_chars(up, up + sizeof up, uploaded, std::chars_format::fixed, 2);
    return date + " " + AnsiString(down, d.ptr) + " " + AnsiString(up, u.ptr);
}

void TConStatistic::Save()
{
    std::error_code ec;
    const bool there = std::filesystem::exists(m_fileName, ec) || ec;
    if (m_bNotRead && there)
        return;
    m_bNotRead = false;  // gone meanwhile: a new file holds no one's totals
    // Read-only or unreadable by now: left as it is, with no copy made.
    if (ProbePrivateFile(m_fileName) != FileNotice::None)
        return;
    if (m_bDamaged && there && !KeepDamagedFile(m_fileName))
        return;
    m_bDamaged = false;
    // The user's traffic is nobody else's business.
    ReplacePrivateFile(m_fileName, Text());
}

void TConStatistic::SetStartDate(TDateTime date)
{
    // A date no calendar shows could never be read back: start now instead.
    int y = 0, m, d;
    if (std::isfinite(date) && std::fabs(date) < 4.0e6)
        DecodeDate(date, y, m, d);
    start = (y >= 1 && y <= 9999) ? date : Now();
    Save();
}

void TConStatistic::SetDownloaded(double bytes)
{
    downloaded = Sane(bytes);
    Save();
}

void TConStatistic::SetUploaded(double bytes)
{
    uploaded = Sane(bytes);
    Save();
}

void TConStatistic::GetStartDateText(AnsiString& out) const
{
    int y, m, d;
    DecodeDate(start, y, m, d);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d.%02d.%02d", y, m, d);
    out = buf;
}

void TConStatistic::GetDownloadedText(AnsiString& out) const { out = GeneralNumber(downloaded); }

void TConStatistic::GetUploadedText(AnsiString& out) const { out = GeneralNumber(uploaded); }
