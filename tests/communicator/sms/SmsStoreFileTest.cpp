#include "communicator/sms/SmsStoreFile.h"
#include "platform/PrivateFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace sms;
namespace fs = std::filesystem;

namespace {

class SmsStoreFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() / ("qvx_store_" + std::to_string(::getpid()) + "_" + info->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_path = (m_dir / kSmsFileName).string();
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    static SMS_TO_FILE_STRUCT Record(double date, const AnsiString& number, const WideString& text, int status = 1)
    {
        SMS_TO_FILE_STRUCT rec;
        rec.status = status;
        rec.date = date;
        SetSmsNumber(rec, number);
        SetSmsText(rec, text);
        return rec;
    }
    static std::string Bytes(const SMS_TO_FILE_STRUCT& rec)
    {
        return std::string(reinterpret_cast<const char*>(&rec), sizeof rec);
    }
    std::string ReadFile() const
    {
        std::ifstream in(m_path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    void WriteFile(const std::string& data) const
    {
        std::ofstream(m_path, std::ios::binary) << data;
    }

    fs::path m_dir;
    std::string m_path;
};

template <typename T>
T At(const std::string& bytes, size_t offset)
{
    T v;
    std::memcpy(&v, bytes.data() + offset, sizeof v);
    return v;
}

TEST_F(SmsStoreFile, RecordLayoutOnDisk)
{
    std::vector<SMS_TO_FILE_STRUCT> store = {Record(40000.5, "+4917", u"H\u00E9\u20AC", 3)};
    store[0].index = 42;
    ASSERT_TRUE(SaveSmsFile(m_path, store));
    const std::string file = ReadFile();
    ASSERT_EQ(file.size(), 3320u);
    EXPECT_EQ(At<int32_t>(file, 0), 0);  // index is the position
    EXPECT_EQ(At<int32_t>(file, 4), 3);
    EXPECT_EQ(file.substr(8, 6), std::string("+4917\0", 6));
    EXPECT_EQ(file.substr(108, 8), std::string("H\0\xE9\0\xAC\x20\0\0", 8));  // UTF-16LE
    EXPECT_EQ(At<double>(file, 3312), 40000.5);
    // The user's messages are for the user's eyes only.
    EXPECT_EQ(fs::status(m_path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    // Every byte after the terminators is zero, the fill included.
    EXPECT_EQ(file.find_first_not_of('\0', 14), 108u);
    EXPECT_GE(file.find_first_not_of('\0', 114), 3312u);
}

TEST_F(SmsStoreFile, LoadRenumbersAndIgnoresAShortTail)
{
    SMS_TO_FILE_STRUCT a = Record(1.0, "1", u"a"), b = Record(2.0, "2", u"b");
    a.index = 7;
    b.index = 9;
    WriteFile(Bytes(a) + Bytes(b) + std::string(100, 'x'));
    std::vector<SMS_TO_FILE_STRUCT> store(5);
    SmsFileError error;
    ASSERT_EQ(LoadSmsFile(m_path, store, &error), 2);
    EXPECT_EQ(error, SmsFileError::Damaged) << "a partial record is damage, not nothing";
    EXPECT_EQ(store[0].index, 0);
    EXPECT_EQ(store[1].index, 1);
    EXPECT_EQ(GetSmsNumber(store[0]), "1");  // file order kept
    EXPECT_EQ(GetSmsText(store[1]), u"b");

    WriteFile(Bytes(a) + Bytes(b));
    ASSERT_EQ(LoadSmsFile(m_path, store, &error), 2);
    EXPECT_EQ(error, SmsFileError::None);
    WriteFile("");
    EXPECT_EQ(LoadSmsFile(m_path, store, &error), 0);
    EXPECT_EQ(error, SmsFileError::None);
}

TEST_F(SmsStoreFile, AFileTooLargeIsRefusedUnread)
{
    std::vector<SMS_TO_FILE_STRUCT> store(1);
    SmsFileError error;
    // Sparse files: one record over the bound, and 64 GiB.
    for (const off_t size : {off_t(kMaxSmsRecords + 1) * off_t(sizeof(SMS_TO_FILE_STRUCT)), off_t(64) << 30}) {
        WriteFile("");
        ASSERT_EQ(::truncate(m_path.c_str(), size), 0);
        EXPECT_EQ(LoadSmsFile(m_path, store, &error), -1) << size;
        EXPECT_EQ(error, SmsFileError::TooLarge);
        EXPECT_TRUE(store.empty());
    }
}

TEST_F(SmsStoreFile, MissingAndUnreadableFiles)
{
    std::vector<SMS_TO_FILE_STRUCT> store(1);
    SmsFileError error;
    EXPECT_EQ(LoadSmsFile(m_path, store, &error), -1);
    EXPECT_EQ(error, SmsFileError::NoFile);
    EXPECT_TRUE(store.empty());
    fs::create_directory(m_path);
    EXPECT_EQ(LoadSmsFile(m_path, store, &error), -1);
    EXPECT_EQ(error, SmsFileError::Unreadable);
}

TEST_F(SmsStoreFile, APendingListThatCannotBeReadOrWrittenIsLeftAlone)
{
    const std::string pending = (m_dir / kSmsPendingFileName).string(), real = pending + ".real";
    FileNotice notice;
    fs::create_directory(pending);
    EXPECT_TRUE(LoadSmsPending(pending, &notice).empty());
    EXPECT_EQ(notice, FileNotice::Unreadable);
    EXPECT_FALSE(SaveSmsPending(pending, {}));
    EXPECT_FALSE(SaveSmsPending(pending, {"0A"}));
    EXPECT_TRUE(fs::is_directory(pending));
    // A link is written through, and emptied rather than removed.
    fs::remove(pending);
    fs::create_symlink(real, pending);
    ASSERT_TRUE(SaveSmsPending(pending, {"0A"}));
    EXPECT_EQ(LoadSmsPending(real), std::vector<AnsiString>{"0A"});
    ASSERT_TRUE(SaveSmsPending(pending, {}));
    EXPECT_TRUE(fs::is_symlink(pending));
    EXPECT_EQ(fs::file_size(real), 0u);
    ASSERT_TRUE(SaveSmsPending(pending, {"0B"}));
    ASSERT_EQ(::chmod(real.c_str(), 0444), 0);
    EXPECT_EQ(LoadSmsPending(pending, &notice), std::vector<AnsiString>{"0B"});
    EXPECT_EQ(notice, FileNotice::ReadOnly);
    EXPECT_FALSE(SaveSmsPending(pending, {}));
    EXPECT_EQ(LoadSmsPending(real), std::vector<AnsiString>{"0B"});
}

TEST_F(SmsStoreFile, DamagedRecordsAreMadeSafe)
{
    SMS_TO_FILE_STRUCT rec;
    std::memset(static_cast<void*>(&rec), 'x', sizeof rec);  // no terminator anywhere
    rec.status = 1;
    rec.date = std::nan("");
    SMS_TO_FILE_STRUCT shortText = Record(5.0, "12", u"ab");
    shortText.number[50] = 'z';  // garbage after the terminator
    shortText.text[900] = u'z';
    shortText.fill[1] = 7;
    SMS_TO_FILE_STRUCT badStatus = Record(6.0, "13", u"cd", 7);
    WriteFile(Bytes(rec) + Bytes(shortText) + Bytes(badStatus));
    std::vector<SMS_TO_FILE_STRUCT> store;
    SmsFileError error;
    // A status outside the four is no message; the others are mended.
    ASSERT_EQ(LoadSmsFile(m_path, store, &error), 2);
    EXPECT_EQ(error, SmsFileError::Damaged);
    EXPECT_EQ(GetSmsNumber(store[0]).size(), 99u);
    EXPECT_EQ(GetSmsText(store[0]).size(), 1600u);
    EXPECT_EQ(store[0].date, 0.0);
    EXPECT_EQ(store[1].number[50], 0);
    EXPECT_EQ(store[1].text[900], 0);
    EXPECT_EQ(store[1].fill[1], 0);
    SortSms(store);
    EXPECT_EQ(store[0].date, 5.0);

    // Garbage after a terminator alone is harmless: not damage.
    WriteFile(Bytes(shortText));
    ASSERT_EQ(LoadSmsFile(m_path, store, &error), 1);
    EXPECT_EQ(error, SmsFileError::None);
}

TEST_F(SmsStoreFile, ADamagedFileIsKeptBesideWithoutOverwritingAnEarlierOne)
{
    WriteFile("first damage");
    std::string kept;
    ASSERT_TRUE(KeepDamagedFile(m_path, &kept));
    EXPECT_EQ(kept, m_path + ".damaged");
    WriteFile("second damage");
    ASSERT_TRUE(KeepDamagedFile(m_path, &kept));
    EXPECT_EQ(kept, m_path + ".damaged.2");
    std::ifstream first(m_path + ".damaged"), second(m_path + ".damaged.2");
    std::string a, b;
    std::getline(first, a);
    std::getline(second, b);
    EXPECT_EQ(a, "first damage");
    EXPECT_EQ(b, "second damage");
    // Saving replaces the file, never the kept copy.
    ASSERT_TRUE(SaveSmsFile(m_path, {Record(1.0, "1", u"a")}));
    std::ifstream again(m_path + ".damaged.2");
    std::getline(again, b);
    EXPECT_EQ(b, "second damage");
}

TEST_F(SmsStoreFile, LongestNumberAndTextSurviveSaveAndLoad)
{
    const AnsiString number(99, '7');
    WideString text;
    for (int i = 0; i < 1600; ++i)
        text += static_cast<char16_t>(0x400 + i % 200);
    std::vector<SMS_TO_FILE_STRUCT> store = {Record(44000.25, number, text, 0), Record(1.0, "", u"", 2)};
    ASSERT_TRUE(SaveSmsFile(m_path, store));
    std::vector<SMS_TO_FILE_STRUCT> loaded;
    ASSERT_EQ(LoadSmsFile(m_path, loaded), 2);
    EXPECT_EQ(GetSmsNumber(loaded[0]), number);
    EXPECT_EQ(GetSmsText(loaded[0]), text);
    EXPECT_EQ(loaded[0].status, 0);
    EXPECT_EQ(loaded[0].date, 44000.25);
    EXPECT_EQ(GetSmsText(loaded[1]), u"");
    EXPECT_EQ(loaded[1].status, 2);
    EXPECT_FALSE(fs::exists(m_path + ".tmp"));

    ASSERT_TRUE(SaveSmsFile(m_path, {}));
    EXPECT_EQ(fs::file_size(m_path), 0u);
}

TEST_F(SmsStoreFile, OverlongFieldsAreCutToFit)
{
    SMS_TO_FILE_STRUCT rec;
    SetSmsNumber(rec, AnsiString(150, '1'));
    EXPECT_EQ(GetSmsNumber(rec), AnsiString(99, '1'));
    // A cut never splits a UTF-8 sequence or a surrogate pair.
    SetSmsNumber(rec, AnsiString(98, 'a') + "\xC3\xA9");
    EXPECT_EQ(GetSmsNumber(rec), AnsiString(98, 'a'));
    SetSmsText(rec, WideString(1599, u'a') + u"\U0001F600");
    EXPECT_EQ(GetSmsText(rec), WideString(1599, u'a'));
    SetSmsText(rec, WideString(2000, u'b'));
    EXPECT_EQ(GetSmsText(rec), WideString(1600, u'b'));
    EXPECT_EQ(rec.text[1600], 0);
}

TEST_F(SmsStoreFile, AFailedSaveLeavesTheOldFileWhole)
{
    std::vector<SMS_TO_FILE_STRUCT> old = {Record(1.0, "1", u"old")};
    ASSERT_TRUE(SaveSmsFile(m_path, old));
    const std::string before = ReadFile();
    std::vector<SMS_TO_FILE_STRUCT> store(3, Record(2.0, "2", u"new"));

    // The temporary file cannot be created.
    fs::create_directory(m_path + ".tmp");
    EXPECT_FALSE(SaveSmsFile(m_path, store));
    EXPECT_EQ(ReadFile(), before);
    fs::remove(m_path + ".tmp");

    // The disk fills up in the middle of the write.
    struct sigaction ignore{}, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 5000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved_ok = SaveSmsFile(m_path, store);
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &previous, nullptr);
    EXPECT_FALSE(saved_ok);
    EXPECT_EQ(ReadFile(), before);
    EXPECT_FALSE(fs::exists(m_path + ".tmp"));

    // The folder is gone.
    EXPECT_FALSE(SaveSmsFile((m_dir / "none" / kSmsFileName).string(), store));
}

TEST_F(SmsStoreFile, SortIsNewestFirstAndStable)
{
    std::vector<SMS_TO_FILE_STRUCT> store = {Record(1.0, "a", u""), Record(3.0, "b", u""), Record(2.0, "c", u""),
                                             Record(3.0, "d", u""), Record(std::nan(""), "e", u"")};
    SortSms(store);
    AnsiString order;
    for (size_t i = 0; i < store.size(); ++i) {
        order += GetSmsNumber(store[i]);
        EXPECT_EQ(store[i].index, static_cast<int>(i));
    }
    EXPECT_EQ(order, "bdcae");

    // A large store ends in the order a bubble sort would give.
    std::mt19937 rng(7);
    std::vector<SMS_TO_FILE_STRUCT> big(2000);
    for (size_t i = 0; i < big.size(); ++i) {
        big[i].date = static_cast<double>(rng() % 50);
        big[i].status = static_cast<int>(i);
    }
    std::vector<std::pair<double, int>> expected;
    for (const auto& r : big)
        expected.emplace_back(r.date, r.status);
    std::stable_sort(expected.begin(), expected.end(), [](auto& a, auto& b) { return a.first > b.first; });
    SortSms(big);
    for (size_t i = 0; i < big.size(); ++i)
        ASSERT_EQ(big[i].status, expected[i].second) << i;
}

}  // namespace
