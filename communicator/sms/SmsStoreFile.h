#pragma once
// Messages.bin: the records of the SMS store back to back, 3320 bytes each,
// no header and no count.
#include <string>
#include <vector>
#include "communicator/sms/SMS_TO_FILE_STRUCT.h"

namespace sms {

constexpr char kSmsFileName[] = "Messages.bin";

enum class SmsFileError {
    None,
    NoFile,      // the file does not exist
    Unreadable,  // it exists but could not be opened or read
};

// Replaces `store` by the file's records, each with `index` set to its
// position; a shorter tail is ignored and every record is made safe
// (NormaliseSmsRecord). Returns the number of records, or -1 when the file
// cannot be read, with `store` left empty.
int LoadSmsFile(const std::string& path, std::vector<SMS_TO_FILE_STRUCT>& store,
                SmsFileError* error = nullptr);

// Writes the store to a temporary file beside `path`, checking every write,
// flushes it to the disk and renames it over `path`. On any failure the
// temporary file is removed, `path` is left as it was and false returned.
bool SaveSmsFile(const std::string& path, const std::vector<SMS_TO_FILE_STRUCT>& store);

// Newest first by date, equal dates in their order; `index` renumbered.
void SortSms(std::vector<SMS_TO_FILE_STRUCT>& store);

}  // namespace sms
