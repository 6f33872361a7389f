// libFuzzer target: any bytes as Messages.bin and as Messages.pending. The
// loaders must never crash, and what they load must survive a save and a
// second load unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FuzzInput.h"
#include "communicator/sms/SmsStoreFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string pending = fuzz::PutInput(sms::kSmsPendingFileName, data, size);
    const std::vector<AnsiString> pdus = sms::LoadSmsPending(pending);
    if (!sms::SaveSmsPending(pending, pdus) || sms::LoadSmsPending(pending) != pdus)
        std::abort();
    const std::string path = fuzz::PutInput("Messages.bin", data, size);
    std::vector<SMS_TO_FILE_STRUCT> store;
    if (sms::LoadSmsFile(path, store) < 0)
        return 0;
    sms::SortSms(store);
    const std::string copy = (fuzz::Folder() / "Saved.bin").string();
    if (!sms::SaveSmsFile(copy, store))
        std::abort();
    std::vector<SMS_TO_FILE_STRUCT> again;
    if (sms::LoadSmsFile(copy, again) != static_cast<int>(store.size()))
        std::abort();
    sms::SortSms(again);
    for (size_t i = 0; i < store.size(); ++i)
        if (std::memcmp(&store[i], &again[i], sizeof(SMS_TO_FILE_STRUCT)) != 0)
            std::abort();
    return 0;
}
