// The communicator's SMS store: every change reaches Messages.bin at once, a
// failed save loses nothing, and a file that was not read is never replaced.
#include "communicator/sms/SmsDate.h"
#include "SmsFixture.h"

#include <algorithm>
#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

namespace {

long Count(const std::vector<std::string>& lines, const std::string& line)
{
    return std::count(lines.begin(), lines.end(), line);
}

class SmsStore : public SmsFixture {
protected:
    std::filesystem::path File() const { return m_program / sms::kSmsFileName; }
    FileNotice Notice()
    {
        AnsiString file;
        return m_comm->TakeFileNotice(file);
    }
};

TEST_F(SmsStore, SentMessageIsSavedAtOnce)
{
    EXPECT_EQ(m_comm->LoadSmsFile(), -1);
    EXPECT_TRUE(Logged("-=Read SMS From File : No file=-"));
    const double before = sms::NowDateTime();
    EXPECT_TRUE(m_comm->AddSentSms("+4917012345", u"Hi \u20AC"));
    const auto& store = m_comm->GetSmsStore();
    ASSERT_EQ(store.size(), 1u);
    EXPECT_EQ(store[0].status, 3);
    EXPECT_EQ(store[0].index, 0);
    EXPECT_EQ(std::floor(store[0].date), std::floor(before));
    EXPECT_GE(store[0].date, before);

    const auto disk = StoreOnDisk();
    ASSERT_EQ(disk.size(), 1u);
    EXPECT_EQ(sms::GetSmsNumber(disk[0]), "+4917012345");
    EXPECT_EQ(sms::GetSmsText(disk[0]), u"Hi \u20AC");
}

TEST_F(SmsStore, StatusChangeIsSaved)
{
    m_comm->LoadSmsFile();
    m_comm->AddSentSms("1", u"a");
    EXPECT_TRUE(m_comm->SetSmsStatus(0, 1));
    EXPECT_EQ(StoreOnDisk()[0].status, 1);
    EXPECT_FALSE(m_comm->SetSmsStatus(5, 0));  // no such record: nothing happens
    EXPECT_EQ(m_comm->GetSmsStore()[0].status, 1);
    EXPECT_FALSE(m_comm->HasUnread());
    EXPECT_TRUE(m_comm->SetSmsStatus(0, 0));
    EXPECT_TRUE(m_comm->HasUnread());
    EXPECT_EQ(m_comm->GetSelSMSVectorPos(0), 0);
    EXPECT_EQ(m_comm->GetSelSMSVectorPos(1), -1);
}

TEST_F(SmsStore, DeleteTheOnlyMessage)
{
    m_comm->LoadSmsFile();
    m_comm->AddSentSms("1", u"a");
    m_memo.Clear();
    EXPECT_TRUE(m_comm->DeleteSms(0));
    EXPECT_TRUE(m_comm->GetSmsStore().empty());
    EXPECT_EQ(std::filesystem::file_size(File()), 0u);
    // The saved store is the store: nothing is read back or sorted again.
    const std::vector<AnsiString> expected = {"Delete Message. Pos = 0", "Saving SMS ToFile", "Saved SMS ToFile"};
    EXPECT_EQ(m_memo.Lines(), expected);
}

TEST_F(SmsStore, DeletingASelectionCostsOneSave)
{
    std::vector<SMS_TO_FILE_STRUCT> records(6);
    for (int i = 0; i < 6; ++i) {
        sms::SetSmsNumber(records[i], std::to_string(i));
        records[i].date = 10.0 - i;
    }
    ASSERT_TRUE(sms::SaveSmsFile(File().string(), records));
    ASSERT_EQ(m_comm->LoadSmsFile(), 6);
    m_memo.Clear();
    EXPECT_TRUE(m_comm->DeleteSms(std::vector<int32_t> {4, 1, 2}));
    EXPECT_EQ(Count(m_memo.Lines(), "Saving SMS ToFile"), 1);
    // The order stays, the positions are the indexes again.
    AnsiString numbers;
    for (size_t i = 0; i < m_comm->GetSmsStore().size(); ++i) {
        numbers += sms::GetSmsNumber(m_comm->GetSmsStore()[i]);
        EXPECT_EQ(m_comm->GetSmsStore()[i].index, static_cast<int>(i));
        EXPECT_EQ(m_comm->GetSelSMSVectorPos(static_cast<int>(i)), static_cast<int>(i));
    }
    EXPECT_EQ(numbers, "035");
    EXPECT_EQ(StoreOnDisk().size(), 3u);
    // A position outside the store refuses the whole selection.
    EXPECT_FALSE(m_comm->DeleteSms(std::vector<int32_t> {0, 3}));
    EXPECT_EQ(m_comm->GetSmsStore().size(), 3u);
}

TEST_F(SmsStore, DeleteOutsideTheStoreDoesNothing)
{
    m_comm->LoadSmsFile();
    m_comm->AddSentSms("1", u"a");
    const auto size = std::filesystem::file_size(File());
    for (int pos : {-1, 1, 1000}) {
        EXPECT_FALSE(m_comm->DeleteSms(pos));
        EXPECT_EQ(m_comm->GetSmsStore().size(), 1u);
    }
    EXPECT_EQ(std::filesystem::file_size(File()), size);
}

TEST_F(SmsStore, FailedSaveOnDeleteKeepsEveryMessage)
{
    m_comm->LoadSmsFile();
    m_comm->AddSentSms("1", u"a");
    m_comm->AddSentSms("2", u"b");
    m_comm->AddSentSms("3", u"c");
    // The temporary file cannot be made: the save fails.
    std::filesystem::create_directory(File().string() + ".tmp");
    EXPECT_FALSE(m_comm->DeleteSms(1));
    const auto& store = m_comm->GetSmsStore();
    ASSERT_EQ(store.size(), 3u);
    EXPECT_EQ(StoreOnDisk().size(), 3u);
    for (size_t i = 0; i < store.size(); ++i)
        EXPECT_EQ(store[i].index, static_cast<int>(i));
    // Nothing was reloaded over the store: a message added in memory only stays.
    EXPECT_FALSE(m_comm->AddSentSms("4", u"d"));
    EXPECT_FALSE(m_comm->DeleteSms(0));
    EXPECT_EQ(m_comm->GetSmsStore().size(), 4u);

    // A selection comes back whole, in its places.
    const auto numbers = [&store] {
        AnsiString all;
        for (const auto& rec : store)
            all += sms::GetSmsNumber(rec);
        return all;
    };
    const AnsiString before = numbers();
    EXPECT_FALSE(m_comm->DeleteSms(std::vector<int32_t> {0, 2, 3}));
    EXPECT_EQ(numbers(), before);
    for (size_t i = 0; i < store.size(); ++i)
        EXPECT_EQ(store[i].index, static_cast<int>(i));

    std::filesystem::remove(File().string() + ".tmp");
    EXPECT_TRUE(m_comm->DeleteSms(0));
    EXPECT_EQ(StoreOnDisk().size(), 3u);
}

TEST_F(SmsStore, AFileThatWasNotReadIsNeverReplaced)
{
    // Another run's messages, not loaded by this one.
    {
        auto other = NewComm();
        other->LoadSmsFile();
        other->AddSentSms("1", u"old");
    }
    EXPECT_FALSE(m_comm->AddSentSms("2", u"new"));
    ASSERT_EQ(StoreOnDisk().size(), 1u);
    EXPECT_EQ(sms::GetSmsText(StoreOnDisk()[0]), u"old");

    // Once read, changes are saved as usual.
    EXPECT_EQ(m_comm->LoadSmsFile(), 1);
    EXPECT_TRUE(m_comm->AddSentSms("2", u"new"));
    EXPECT_EQ(StoreOnDisk().size(), 2u);
}

TEST_F(SmsStore, AnUnreadableFileIsKeptAndToldOnce)
{
    std::filesystem::create_directory(File());
    std::ofstream(File() / "inside") << "x";
    std::filesystem::create_directory(m_program / sms::kSmsPendingFileName);
    EXPECT_EQ(m_comm->LoadSmsFile(), -1);
    AnsiString file;
    EXPECT_EQ(m_comm->TakeFileNotice(file), FileNotice::Unreadable);
    EXPECT_EQ(file, "Messages.bin");
    EXPECT_EQ(m_comm->TakeFileNotice(file), FileNotice::Unreadable);
    EXPECT_EQ(file, "Messages.pending");
    EXPECT_EQ(Notice(), FileNotice::None);
    EXPECT_FALSE(m_comm->AddSentSms("2", u"new"));
    EXPECT_FALSE(m_comm->SaveSmsFile());
    EXPECT_TRUE(std::filesystem::exists(File() / "inside"));
}

TEST_F(SmsStore, AReadOnlyFileIsLeftAloneAndALinkedOneWrittenThrough)
{
    const std::filesystem::path real = m_program / "Real.bin";
    ASSERT_TRUE(sms::SaveSmsFile(real.string(), std::vector<SMS_TO_FILE_STRUCT>(1)));
    std::filesystem::create_symlink(real.filename(), File());
    EXPECT_EQ(m_comm->LoadSmsFile(), 1);
    EXPECT_TRUE(m_comm->AddSentSms("2", u"new"));
    EXPECT_TRUE(std::filesystem::is_symlink(File()));
    EXPECT_EQ(StoreOnDisk().size(), 2u);

    ASSERT_EQ(::chmod(real.c_str(), 0444), 0);
    EXPECT_EQ(m_comm->LoadSmsFile(), 2);
    EXPECT_EQ(Notice(), FileNotice::ReadOnly);
    EXPECT_FALSE(m_comm->AddSentSms("3", u"more"));
    EXPECT_EQ(StoreOnDisk().size(), 2u);
    EXPECT_EQ(std::filesystem::status(real).permissions(), std::filesystem::perms(0444));
}

TEST_F(SmsStore, ADamagedFileIsKeptBeforeItIsRewrittenAndTheUserToldOnce)
{
    std::vector<SMS_TO_FILE_STRUCT> records(2);
    sms::SetSmsNumber(records[0], "1");
    sms::SetSmsNumber(records[1], "2");
    records[0].date = 2.0;
    records[1].date = 1.0;
    ASSERT_TRUE(sms::SaveSmsFile(File().string(), records));
    std::ofstream(File(), std::ios::binary | std::ios::app) << "half a record";
    const std::string damaged = ReadFile(File());
    // A copy kept from an earlier damage stays as it is.
    std::ofstream(File().string() + ".damaged") << "earlier";

    EXPECT_EQ(m_comm->LoadSmsFile(), 2);
    EXPECT_TRUE(Logged("-=Read SMS From File : damaged, the readable messages are kept=-"));
    EXPECT_EQ(Notice(), FileNotice::Damaged);
    EXPECT_EQ(Notice(), FileNotice::None);
    EXPECT_FALSE(std::filesystem::exists(File().string() + ".damaged.2")) << "nothing rewritten yet";

    EXPECT_TRUE(m_comm->AddSentSms("3", u"new"));
    EXPECT_EQ(ReadFile(File().string() + ".damaged.2"), damaged);
    EXPECT_EQ(ReadFile(File().string() + ".damaged"), "earlier");
    EXPECT_EQ(StoreOnDisk().size(), 3u);
    // Kept once: later saves leave no more copies.
    EXPECT_TRUE(m_comm->SetSmsStatus(0, 1));
    EXPECT_FALSE(std::filesystem::exists(File().string() + ".damaged.3"));
    EXPECT_EQ(Notice(), FileNotice::None);
}

TEST_F(SmsStore, AHugeFileIsRefusedAndKept)
{
    std::ofstream(File()).close();
    ASSERT_EQ(::truncate(File().c_str(), off_t(64) << 30), 0);
    EXPECT_EQ(m_comm->LoadSmsFile(), -1);
    EXPECT_TRUE(Logged("-=Read SMS From File : Error, more than 100000 messages, the file is kept as it is=-"));
    EXPECT_TRUE(m_comm->GetSmsStore().empty());
    EXPECT_FALSE(m_comm->AddSentSms("1", u"a"));
    EXPECT_EQ(std::filesystem::file_size(File()), std::uintmax_t(64) << 30);
    EXPECT_EQ(Notice(), FileNotice::TooLarge);  // the user is told once
}

TEST_F(SmsStore, LoadSortsNothingAndRenumbers)
{
    std::vector<SMS_TO_FILE_STRUCT> records(3);
    const double dates[] = {1.0, 3.0, 2.0};
    for (int i = 0; i < 3; ++i) {
        records[i].date = dates[i];
        records[i].index = 7 + i;
    }
    ASSERT_TRUE(sms::SaveSmsFile(File().string(), records));
    EXPECT_EQ(m_comm->LoadSmsFile(), 3);
    EXPECT_EQ(m_comm->GetSmsStore()[0].date, 1.0);
    m_comm->SortSms();
    const auto& store = m_comm->GetSmsStore();
    EXPECT_EQ(store[0].date, 3.0);
    EXPECT_EQ(store[1].date, 2.0);
    EXPECT_EQ(store[2].date, 1.0);
    EXPECT_EQ(store[2].index, 2);
}

}  // namespace
