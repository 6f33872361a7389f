#include "communicator/sms/SmsStoreFile.h"
#include "platform/PrivateFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace sms {

namespace {

constexpr size_t kRecordSize = sizeof(SMS_TO_FILE_STRUCT);
// Records written per system call.
constexpr size_t kBatch = 64;


// Reads up to `size` bytes; the count read, or -1 on an error.
ssize_t ReadFull(int fd, char* data, size_t size)
{
    size_t total = 0;
    while (total < size) {
        const ssize_t n = ::read(fd, data + total, size - total);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        total += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(total);
}

}  // namespace

int LoadSmsFile(const std::string& path, std::vector<SMS_TO_FILE_STRUCT>& store, SmsFileError* error)
{
    store.clear();
    SmsFileError dummy = SmsFileError::None;
    SmsFileError& result = error != nullptr ? *error : dummy;
    result = SmsFileError::None;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result = errno == ENOENT ? SmsFileError::NoFile : SmsFileError::Unreadable;
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        result = SmsFileError::Unreadable;
        return -1;
    }
    const auto size = static_cast<uintmax_t>(info.st_size);
    if (size > kMaxSmsRecords * kRecordSize) {
        ::close(fd);
        result = SmsFileError::TooLarge;
        return -1;
    }
    bool damaged = size % kRecordSize != 0;
    std::vector<SMS_TO_FILE_STRUCT> records;
    records.reserve(static_cast<size_t>(size / kRecordSize));
    std::vector<char> buffer(kRecordSize * kBatch);
    bool failed = false;
    for (;;) {
        const ssize_t n = ReadFull(fd, buffer.data(), buffer.size());
        if (n < 0) {
            failed = true;
            break;
        }
        const size_t whole = static_cast<size_t>(n) / kRecordSize;
        damaged = damaged || static_cast<size_t>(n) % kRecordSize != 0;
        for (size_t i = 0; i < whole && records.size() < kMaxSmsRecords; ++i) {
            SMS_TO_FILE_STRUCT rec;
            std::memcpy(static_cast<void*>(&rec), buffer.data() + i * kRecordSize, kRecordSize);
            if (!IsSoundSmsRecord(rec)) {
                damaged = true;
                if (rec.status < 0 || rec.status > 3)
                    continue;  // no list shows it; the kept original holds it
            }
            NormaliseSmsRecord(rec);
            rec.index = static_cast<int32_t>(records.size());
            records.push_back(rec);
        }
        if (static_cast<size_t>(n) < buffer.size())
            break;  // end of file
    }
    ::close(fd);
    if (failed) {
        result = SmsFileError::Unreadable;
        return -1;
    }
    if (damaged)
        result = SmsFileError::Damaged;
    store = std::move(records);
    return static_cast<int>(store.size());
}

bool SaveSmsFile(const std::string& path, const std::vector<SMS_TO_FILE_STRUCT>& store)
{
    std::string target;
    if (!ReplaceableTarget(path, target))
        return false;
    const std::string temp = target + ".tmp";
    // A temporary file left by an earlier run is narrowed too.
    const int fd = OpenPrivateFile(temp, O_WRONLY | O_CREAT | O_TRUNC);
    if (fd < 0) {
        ::unlink(temp.c_str());
        return false;
    }
    bool ok = true;
    std::vector<SMS_TO_FILE_STRUCT> batch;
    batch.reserve(kBatch);
    for (size_t i = 0; ok && i < store.size(); i += kBatch) {
        batch.clear();
        const size_t end = std::min(store.size(), i + kBatch);
        for (size_t j = i; j < end; ++j) {
            // Built afresh, so no stray byte of memory reaches the file.
            SMS_TO_FILE_STRUCT& rec = batch.emplace_back();
            rec.index = static_cast<int32_t>(j);
            rec.status = store[j].status;
            SetSmsNumber(rec, GetSmsNumber(store[j]));
            SetSmsText(rec, GetSmsText(store[j]));
            rec.fill[0] = GetSenderType(store[j]);
            rec.date = store[j].date;
        }
        ok = WriteAll(fd, reinterpret_cast<const char*>(batch.data()), batch.size() * kRecordSize);
    }
    // The only copy of a message may be in this file: it must be on the disk
    // before it replaces the old one.
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        return CommitPrivateFile(temp, target);
    ::unlink(temp.c_str());
    return false;
}

std::vector<AnsiString> LoadSmsPending(const std::string& path, FileNotice* notice)
{
    std::vector<AnsiString> pdus;
    const FileNotice state = ProbePrivateFile(path);
    if (notice != nullptr)
        *notice = state;
    if (state == FileNotice::Unreadable)
        return pdus;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; pdus.size() < kMaxSmsRecords && std::getline(in, line);)
        if (!line.empty() && line.size() <= 1024 && line.find_first_not_of("0123456789ABCDEF") == std::string::npos)
            pdus.push_back(line);
    return pdus;
}

bool SaveSmsPending(const std::string& path, const std::vector<AnsiString>& pdus)
{
    std::string target;
    if (!ReplaceableTarget(path, target))
        return false;
    // None left: the file goes, but a link keeps its target, emptied (or
    // not made at all).
    if (pdus.empty() && target != path)
        return ::access(target.c_str(), F_OK) != 0 || ReplacePrivateFile(path, "");
    if (pdus.empty())
        return ::unlink(path.c_str()) == 0 || errno == ENOENT;
    std::string text;
    for (const AnsiString& pdu : pdus)
        text += pdu + "\n";
    return ReplacePrivateFile(path, text);
}

void SortSms(std::vector<SMS_TO_FILE_STRUCT>& store)
{
    // Sort small keys, then move each record once: the records are large.
    struct Key {
        double date;
        uint32_t pos;
    };
    std::vector<Key> keys(store.size());
    bool sorted = true;
    for (size_t i = 0; i < store.size(); ++i) {
        const double d = store[i].date;
        keys[i] = {std::isfinite(d) ? d : 0.0, static_cast<uint32_t>(i)};
        if (i > 0 && keys[i].date > keys[i - 1].date)
            sorted = false;
    }
    if (!sorted) {
        std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
            return a.date != b.date ? a.date > b.date : a.pos < b.pos;
        });
        std::vector<SMS_TO_FILE_STRUCT> ordered;
        ordered.reserve(store.size());
        for (const Key& k : keys)
            ordered.push_back(store[k.pos]);
        store = std::move(ordered);
    }
    for (size_t i = 0; i < store.size(); ++i)
        store[i].index = static_cast<int32_t>(i);
}

}  // namespace sms
