#include "communicator/TConStatistic.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class Statistic : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/qvx-stat-XXXXXX";
        m_dir = ::mkdtemp(tmpl);
        m_file = (m_dir / "Statistic.dat").string();
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    void Write(const std::string& text) { std::ofstream(m_file, std::ios::binary) << text; }
    std::string Read() const
    {
        std::ifstream in(m_file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static TDateTime Date(int y, int m, int d)
    {
        TDateTime t = 0;
        EXPECT_TRUE(TConStatistic::EncodeDate(y, m, d, t));
        return t;
    }

    fs::path m_dir;
    std::string m_file;
};

TEST_F(Statistic, SavesTheExactRecord)
{
    TConStatistic s(m_file);
    s.SetStartDate(Date(2026, 12, 6) + 0.75);  // only the date is stored
    s.SetDownloaded(1048576);
    s.SetUploaded(524288);
    EXPECT_EQ(Read(), "2026.12.06 1048576.00 524288.00");
    EXPECT_EQ(Read().size(), 31u);
    s.SetDownloaded(0);  // each setter writes at once
    EXPECT_EQ(Read(), "2026.12.06 0.00 524288.00");
    s.SetUploaded(1.005);
    EXPECT_EQ(Read(), "2026.12.06 0.00 1.00");
    // Nothing of the temporary files is left behind.
    int files = 0;
    for (const auto& e : fs::directory_iterator(m_dir))
        files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1);
    // The user's traffic is the user's alone.
    EXPECT_EQ(fs::status(m_file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(Statistic, LoadsWhatWasSaved)
{
    Write("2026.12.06 1048576.00 524288.00");
    TConStatistic s(m_file);
    ASSERT_TRUE(s.Load());
    EXPECT_EQ(s.GetStartDate(), Date(2026, 12, 6));  // midnight
    double down = 0, up = 0;
    s.GetDownloaded(down);
    s.GetUploaded(up);
    EXPECT_EQ(down, 1048576.0);
    EXPECT_EQ(up, 524288.0);
    AnsiString text;
    s.GetStartDateText(text);
    EXPECT_EQ(text, "2026.12.06");
}

TEST_F(Statistic, UnreadableContentLeavesTheFreshCount)
{
    for (const char* bad : {"2026.12.06 5.00", "", "2026.13.06 5 6", "2026.02.30 5 6", "2026.00.10 5 6",
                            "2026.12 5 6", "2026.12.06.1 5 6", "a.b.c 5 6", "02026.12.060 5 6", "2026.12.06x 5 6",
                            "2026.12.06 -5 6", "2026.12.06 5 nan", "2026.12.06 inf 6", "2026.12.06 5abc 6",
                            "0.01.01 5 6", "2026.-1.06 5 6"}) {
        Write(bad);
        TConStatistic s(m_file);
        const TDateTime before = s.GetStartDate();
        EXPECT_TRUE(s.Load()) << bad;  // the file opened
        EXPECT_EQ(s.GetStartDate(), before) << bad;
        double down = -1, up = -1;
        s.GetDownloaded(down);
        s.GetUploaded(up);
        EXPECT_EQ(down, 0.0) << bad;
        EXPECT_EQ(up, 0.0) << bad;
        EXPECT_NEAR(before, TConStatistic::Now(), 1.0 / 24);
    }
}

TEST_F(Statistic, ADamagedFileIsKeptBesideAndToldOnce)
{
    Write("2026.13.06 5 6");
    {
        TConStatistic s(m_file);
        ASSERT_TRUE(s.Load());
        EXPECT_EQ(s.TakeNotice(), FileNotice::Damaged);
        EXPECT_EQ(s.TakeNotice(), FileNotice::None);
    }
    std::ifstream kept(m_file + ".damaged");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "2026.13.06 5 6");
    EXPECT_NE(Read(), "2026.13.06 5 6");
}

TEST_F(Statistic, TotalsThatCannotBeReadAreLeftAloneAndToldOnce)
{
    // Left by a run with sudo: root's, for root alone; this run is the user's.
    Write("2026.01.02 5.00 6.00");
    ASSERT_EQ(::chmod(m_file.c_str(), 0), 0);
    ASSERT_EQ(::chmod(m_dir.c_str(), 0777), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        TConStatistic s(m_file);
        const bool read = s.Load();
        s.SetDownloaded(7);  // as a new count does
        ::_exit(!read && s.TakeNotice() == FileNotice::Unreadable && s.TakeNotice() == FileNotice::None ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code == 3)
        GTEST_SKIP() << "no other user to run as";
    EXPECT_EQ(code, 0) << "not told once";
    ASSERT_EQ(::chmod(m_file.c_str(), 0600), 0);
    EXPECT_EQ(Read(), "2026.01.02 5.00 6.00");
    // A folder in its place, the same.
    fs::remove(m_file);
    fs::create_directory(m_file);
    TConStatistic s(m_file);
    EXPECT_FALSE(s.Load());
    s.SetDownloaded(7);
    EXPECT_TRUE(fs::is_directory(m_file));
    EXPECT_EQ(s.TakeNotice(), FileNotice::Unreadable);
}

TEST_F(Statistic, AReadOnlyFileIsLeftAloneAndALinkedOneWrittenThrough)
{
    const std::string target = (m_dir / "Real.dat").string();
    std::ofstream(target) << "2026.01.02 5.00 6.00";
    fs::create_symlink(target, m_file);
    {
        TConStatistic s(m_file);
        ASSERT_TRUE(s.Load());
        s.SetDownloaded(7);
    }
    EXPECT_TRUE(fs::is_symlink(m_file));
    EXPECT_EQ(Read(), "2026.01.02 7.00 6.00");
    ASSERT_EQ(::chmod(m_file.c_str(), 0444), 0);
    TConStatistic s(m_file);
    ASSERT_TRUE(s.Load());
    s.SetDownloaded(8);
    EXPECT_EQ(Read(), "2026.01.02 7.00 6.00");
    EXPECT_EQ(fs::status(m_file).permissions(), fs::perms(0444));
    EXPECT_EQ(s.TakeNotice(), FileNotice::ReadOnly);
}

TEST_F(Statistic, ExtraBlanksAndTrailingTextAreTolerated)
{
    Write("  2024.2.29\n12.5\t7   more");
    TConStatistic s(m_file);
    ASSERT_TRUE(s.Load());
    EXPECT_EQ(s.GetStartDate(), Date(2024, 2, 29));
    double down = 0;
    s.GetDownloaded(down);
    EXPECT_EQ(down, 12.5);
}

TEST_F(Statistic, MissingFileAndUnwritableFolder)
{
    TConStatistic s(m_file);
    EXPECT_FALSE(s.Load());
    {
        TConStatistic nowhere((m_dir / "no-such-folder" / "Statistic.dat").string());
        nowhere.SetDownloaded(5);  // silently not written
        nowhere.Save();
    }
    EXPECT_FALSE(fs::exists(m_dir / "no-such-folder"));
}

TEST_F(Statistic, TheDestructorSaves)
{
    {
        TConStatistic s(m_file);
        s.Parse("2025.01.31 10 20");
        EXPECT_FALSE(fs::exists(m_file));
    }
    EXPECT_EQ(Read(), "2025.01.31 10.00 20.00");
}

TEST_F(Statistic, FileNumbersIgnoreTheUserLocale)
{
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr && std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") == nullptr)
        GTEST_SKIP() << "no locale with a decimal comma installed";
    TConStatistic s(m_file);
    s.SetStartDate(Date(2026, 1, 2));
    s.SetDownloaded(1.5);
    EXPECT_EQ(Read(), "2026.01.02 1.50 0.00");
    Write("2026.01.02 2.25 3.75");
    ASSERT_TRUE(s.Load());
    double down = 0;
    s.GetDownloaded(down);
    EXPECT_EQ(down, 2.25);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST_F(Statistic, TotalsAsTextUseTheGeneralFormat)
{
    TConStatistic s(m_file);
    s.Parse("2026.01.02 1536.5 1048576");
    AnsiString down, up;
    s.GetDownloadedText(down);
    s.GetUploadedText(up);
    const std::string point = QLocale::system().decimalPoint().toStdString();
    EXPECT_EQ(down, "1536" + point + "5");
    EXPECT_EQ(up, "1048576");
    s.Parse("2026.01.02 0.1 123456789012345678");
    s.GetDownloadedText(down);
    s.GetUploadedText(up);
    EXPECT_EQ(down, "0" + point + "1");
    EXPECT_EQ(up, "1" + point + "23456789012346e+17");
}

TEST_F(Statistic, NonsenseValuesAreNotStored)
{
    TConStatistic s(m_file);
    s.SetStartDate(Date(2026, 3, 4));
    s.SetDownloaded(std::nan(""));
    s.SetUploaded(-100);
    EXPECT_EQ(Read(), "2026.03.04 0.00 0.00");
    s.SetStartDate(1e12);  // no calendar date: the count starts now
    TConStatistic back(m_file);
    back.SetDownloaded(1);
    ASSERT_TRUE(back.Load());
    EXPECT_NEAR(back.GetStartDate(), std::floor(TConStatistic::Now()), 1.0);
}

}  // namespace
