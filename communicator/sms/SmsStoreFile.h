#pragma once
// Messages.bin: the records of the SMS store back to back, 3320 bytes each,
// no header and no count.
#include <string>
#include <vector>
#include "communicator/sms/SMS_TO_FILE_STRUCT.h"
#include "platform/PrivateFile.h"

namespace sms {

constexpr char kSmsFileName[] = "Messages.bin";
// No store holds more (332 MB); a larger file is not a store.
constexpr size_t kMaxSmsRecords = 100000;

enum class SmsFileError {
    None,
    NoFile,      // the file does not exist
    Unreadable,  // it exists but could not be opened or read
    TooLarge,    // more than kMaxSmsRecords records: not read
    // Read, but it held a partial record or impossible values: the partial
    // record and records of a status outside 0-3 were left out, fields
    // without their terminator and dates that are no number were mended.
    Damaged,
};

// Replaces `store` by the file's records, each with `index` set to its
// position, every record made safe (NormaliseSmsRecord). Returns the number
// of records (also when Damaged), or -1 when the file cannot be read or is
// too large, with `store` left empty.
int LoadSmsFile(const std::string& path, std::vector<SMS_TO_FILE_STRUCT>& store,
                SmsFileError* error = nullptr);

// Writes the store to a temporary file beside `path` (mode 0600), checking
// every write, flushes it to the disk and renames it over `path` (over a
// link's target). On any failure, or when the file there cannot be read or
// is read-only, the temporary file is removed, `path` is left as it was and
// false returned.
bool SaveSmsFile(const std::string& path, const std::vector<SMS_TO_FILE_STRUCT>& store);

// Messages.pending, beside Messages.bin: the PDUs of messages taken from the
// SIM whose deletion there is not confirmed yet, one hexadecimal line each.
constexpr char kSmsPendingFileName[] = "Messages.pending";

// The PDUs of the file; none when it is missing or unreadable. Lines that are
// not hexadecimal are left out. `notice` tells a file that exists but cannot
// be read, or is read-only (ProbePrivateFile).
std::vector<AnsiString> LoadSmsPending(const std::string& path, FileNotice* notice = nullptr);
// Replaces the file (a link's target) through a temporary one (mode 0600); no
// PDUs remove it, or empty a link's target. False, the file left as it is,
// when it cannot be read or is read-only.
bool SaveSmsPending(const std::string& path, const std::vector<AnsiString>& pdus);

// Newest first by date, equal dates in their order; `index` renumbered.
void SortSms(std::vector<SMS_TO_FILE_STRUCT>& store);

}  // namespace sms
