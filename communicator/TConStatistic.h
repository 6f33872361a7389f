#pragma once
// The traffic totals since a start date, kept in Statistic.dat: one line
// "yyyy.mm.dd <downloaded> <uploaded>" with two decimals, without a line end.
// Numbers are written and read in the C locale whatever the user's locale is;
// the file is replaced through a temporary file and a rename.
#include "platform/PrivateFile.h"
#include "platform/Types.h"

class TConStatistic {
public:
    explicit TConStatistic(AnsiString fileName = "Statistic.dat");
    ~TConStatistic();

    TConStatistic(const TConStatistic&) = delete;
    TConStatistic& operator=(const TConStatistic&) = delete;

    // False when the file is missing or cannot be read; one that exists but
    // cannot be read keeps the user's totals and is never replaced. Content
    // that does not parse (too few fields, a date that is no date, a number
    // that is no count) leaves the values as they are, and the file is damaged.
    bool Load();
    // Writes the file (through a link, to its target); one that cannot be
    // written, is read-only or could not be read is silently left alone. A
    // damaged file is first kept as Statistic.dat.damaged, or not replaced.
    void Save();
    // Once after a load found the file damaged, unreadable or read-only (the
    // user is to be told); None otherwise.
    FileNotice TakeNotice();
    // Parses a file's text; false (nothing changed) when it does not parse.
    bool Parse(const AnsiString& text);
    // The file's text for the current values.
    AnsiString Text() const;

    // Each setter saves at once. A total that is negative or not finite is 0.
    void SetStartDate(TDateTime date);
    void SetDownloaded(double bytes);
    void SetUploaded(double bytes);

    void GetStartDateText(AnsiString& out) const;  // "yyyy.mm.dd"
    // The total in the general number format with the user's decimal separator.
    void GetDownloadedText(AnsiString& out) const;
    void GetUploadedText(AnsiString& out) const;
    void GetDownloaded(double& out) const { out = downloaded; }
    void GetUploaded(double& out) const { out = uploaded; }
    TDateTime GetStartDate() const { return start; }
    const AnsiString& FileName() const { return m_fileName; }

    // Local time now, as days since 1899-12-30.
    static TDateTime Now();
    // Midnight of a calendar date; false when the date does not exist.
    static bool EncodeDate(int year, int month, int day, TDateTime& out);
    static void DecodeDate(TDateTime date, int& year, int& month, int& day);

private:
    AnsiString m_fileName;
    TDateTime start;
    double downloaded = 0;
    double uploaded = 0;
    bool m_bDamaged = false;  // the file as read is to be kept before a save
    bool m_bNotRead = false;  // it exists but could not be read: never replaced
    FileNotice m_eNotice = FileNotice::None;
};
