// Phone book entries, the device list and the error texts of the dial-up
// layer. Dialling itself is in RasDial.cpp.
#include "platform/Ras.h"

#include "platform/LastError.h"
#include "platform/ModemRegistry.h"
#include "platform/RasPhonebook.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

template <size_t N>
void CopyText(char (&dest)[N], const AnsiString& text)
{
    const size_t n = std::min(text.size(), N - 1);
    std::memcpy(dest, text.data(), n);
    dest[n] = '\0';
}

// A fixed text field, read only up to its size even without a terminating zero.
template <size_t N>
AnsiString FieldText(const char (&field)[N])
{
    return AnsiString(field, strnlen(field, N));
}

bool ValidEntryName(const char* name)
{
    if (name == nullptr)
        return false;
    const size_t n = strnlen(name, RAS_MaxEntryName + 1);
    if (n == 0 || n > RAS_MaxEntryName || name[0] == '.')
        return false;
    bool onlyBlanks = true;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == 0x7F)
            return false;
        if (c != ' ')
            onlyBlanks = false;
    }
    return !onlyBlanks;
}

}  // namespace

DWORD RasValidateEntryNameA(const char* phonebookPath, const char* entryName)
{
    if (!ValidEntryName(entryName))
        return ERROR_INVALID_NAME;
    auto guard = phonebook::Guard();
    std::vector<TPhonebookEntry> entries;
    if (DWORD rc = phonebook::Load(phonebook::PathFor(phonebookPath), entries))
        return rc;
    return phonebook::Find(entries, entryName) >= 0 ? DWORD{ERROR_ENTRY_ALREADY_EXISTS} : DWORD{0};
}

DWORD RasSetEntryPropertiesA(const char* phonebookPath, const char* entryName, const RASENTRYA* entry,
                             DWORD entrySize, const void* /*deviceInfo*/, DWORD /*deviceInfoSize*/)
{
    if (!ValidEntryName(entryName))
        return ERROR_INVALID_NAME;
    if (entry == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (entry->dwSize != sizeof(RASENTRYA) || entrySize < sizeof(RASENTRYA))
        return ERROR_INVALID_SIZE;
    auto guard = phonebook::Guard();
    const AnsiString path = phonebook::PathFor(phonebookPath);
    std::vector<TPhonebookEntry> entries;
    if (DWORD rc = phonebook::Load(path, entries))
        return rc;
    int i = phonebook::Find(entries, entryName);
    if (i < 0) {
        entries.push_back({});
        i = static_cast<int>(entries.size()) - 1;
        entries[static_cast<size_t>(i)].name = entryName;
    }
    TPhonebookEntry& e = entries[static_cast<size_t>(i)];
    e.phoneNumber = FieldText(entry->szLocalPhoneNumber);
    e.deviceType = FieldText(entry->szDeviceType);
    e.deviceName = FieldText(entry->szDeviceName);
    e.options = entry->dwfOptions;
    e.netProtocols = entry->dwfNetProtocols;
    e.framingProtocol = entry->dwFramingProtocol;
    e.type = entry->dwType;
    e.encryptionType = entry->dwEncryptionType;
    return phonebook::Save(path, entries);
}

DWORD RasSetEntryDialParamsA(const char* phonebookPath, const RASDIALPARAMSA* params, BOOL fRemovePassword)
{
    if (params == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (params->dwSize != sizeof(RASDIALPARAMSA))
        return ERROR_INVALID_SIZE;
    auto guard = phonebook::Guard();
    const AnsiString path = phonebook::PathFor(phonebookPath);
    std::vector<TPhonebookEntry> entries;
    if (DWORD rc = phonebook::Load(path, entries))
        return rc;
    const int i = phonebook::Find(entries, FieldText(params->szEntryName));
    if (i < 0)
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    TPhonebookEntry& e = entries[static_cast<size_t>(i)];
    e.userName = FieldText(params->szUserName);
    e.domain = FieldText(params->szDomain);
    if (fRemovePassword) {
        e.password.clear();
        e.passwordSaved = false;
    } else {
        e.password = FieldText(params->szPassword);
        e.passwordSaved = true;
    }
    return phonebook::Save(path, entries);
}

DWORD RasGetEntryDialParamsA(const char* phonebookPath, RASDIALPARAMSA* params, BOOL* pfPassword)
{
    if (params == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (params->dwSize != sizeof(RASDIALPARAMSA))
        return ERROR_INVALID_SIZE;
    auto guard = phonebook::Guard();
    std::vector<TPhonebookEntry> entries;
    if (DWORD rc = phonebook::Load(phonebook::PathFor(phonebookPath), entries))
        return rc;
    const int i = phonebook::Find(entries, FieldText(params->szEntryName));
    if (i < 0)
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    const TPhonebookEntry& e = entries[static_cast<size_t>(i)];
    CopyText(params->szUserName, e.userName);
    CopyText(params->szPassword, e.passwordSaved ? e.password : AnsiString());
    CopyText(params->szDomain, e.domain);
    if (pfPassword != nullptr)
        *pfPassword = e.passwordSaved ? 1 : 0;
    return 0;
}

DWORD RasDeleteEntryA(const char* phonebookPath, const char* entryName)
{
    if (entryName == nullptr || *entryName == '\0')
        return ERROR_INVALID_NAME;
    auto guard = phonebook::Guard();
    const AnsiString path = phonebook::PathFor(phonebookPath);
    std::vector<TPhonebookEntry> entries;
    if (DWORD rc = phonebook::Load(path, entries))
        return rc;
    const int i = phonebook::Find(entries, entryName);
    if (i < 0)
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    entries.erase(entries.begin() + i);
    return phonebook::Save(path, entries);
}

DWORD RasEnumEntriesA(const char* /*reserved*/, const char* phonebookPath, RASENTRYNAMEA* out,
                      DWORD* bytes, DWORD* count)
{
    if (bytes == nullptr || count == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (out != nullptr && out->dwSize != sizeof(RASENTRYNAMEA))
        return ERROR_INVALID_SIZE;
    std::vector<TPhonebookEntry> entries;
    {
        auto guard = phonebook::Guard();
        if (DWORD rc = phonebook::Load(phonebook::PathFor(phonebookPath), entries))
            return rc;
    }
    const DWORD needed = static_cast<DWORD>(entries.size() * sizeof(RASENTRYNAMEA));
    if (out == nullptr || *bytes < needed) {
        *bytes = needed;
        *count = static_cast<DWORD>(entries.size());
        return ERROR_BUFFER_TOO_SMALL;
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        out[i] = RASENTRYNAMEA{};
        CopyText(out[i].szEntryName, entries[i].name);
    }
    *bytes = needed;
    *count = static_cast<DWORD>(entries.size());
    return 0;
}

DWORD RasEnumDevicesA(RASDEVINFOA* out, DWORD* bytes, DWORD* count)
{
    if (bytes == nullptr || count == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (out != nullptr && out->dwSize != sizeof(RASDEVINFOA))
        return ERROR_INVALID_SIZE;
    std::vector<AnsiString> names;
    for (const TModemKey& k : EnumerateModemKeys())
        if (!k.friendlyName.empty())
            names.push_back(k.friendlyName);
    const DWORD needed = static_cast<DWORD>(names.size() * sizeof(RASDEVINFOA));
    if (out == nullptr || *bytes < needed) {
        *bytes = needed;
        *count = static_cast<DWORD>(names.size());
        return ERROR_BUFFER_TOO_SMALL;
    }
    for (size_t i = 0; i < names.size(); ++i) {
        out[i] = RASDEVINFOA{};
        CopyText(out[i].szDeviceType, RASDT_Modem);
        CopyText(out[i].szDeviceName, names[i]);
    }
    *bytes = needed;
    *count = static_cast<DWORD>(names.size());
    return 0;
}
