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

DWORD RasGetErrorStringA(UINT code, char* buffer, DWORD size)
{
    if (buffer == nullptr || size == 0)
        return ERROR_INVALID_PARAMETER;
    buffer[0] = '\0';
    const char* text = nullptr;
    switch (code) {
    case ERROR_ACCESS_DENIED:
        text = "pppd may not make this connection for this user. It must run as root, or be "
               "set-user-ID root with the user in the dip group and /etc/ppp/peers/quorvix holding "
               "\"noauth\".";
        break;
    case ERROR_INVALID_HANDLE: text = "The dial-up connection does not exist."; break;
    case ERROR_NOT_SUPPORTED:
        text = "This computer's kernel has no PPP support, so no dial-up connection can be made.";
        break;
    case ERROR_INVALID_PARAMETER:
        text = "A setting of the dial-up connection is not valid (for example, a phone number "
               "with characters that cannot be dialled).";
        break;
    case ERROR_INVALID_NAME: text = "The name of the dial-up connection is not valid."; break;
    case ERROR_ENTRY_ALREADY_EXISTS: text = "A dial-up connection of this name exists already."; break;
    case ERROR_BUFFER_TOO_SMALL: text = "The buffer given for the answer is too small."; break;
    case ERROR_DEVICE_DOES_NOT_EXIST:
        text = "The modem of this connection was not found. Check that it is plugged in.";
        break;
    case ERROR_PORT_DISCONNECTED: text = "The modem's port was closed before the connection was made."; break;
    case ERROR_CANNOT_OPEN_PHONEBOOK: text = "The dial-up phone book could not be read."; break;
    case ERROR_CANNOT_FIND_PHONEBOOK_ENTRY: text = "The dial-up connection was not found in the phone book."; break;
    case ERROR_CANNOT_WRITE_PHONEBOOK: text = "The dial-up phone book could not be written."; break;
    case ERROR_DISCONNECTION: text = "The connection was closed."; break;
    case ERROR_REMOTE_DISCONNECTION: text = "The connection was closed by the network or the modem hung up."; break;
    case ERROR_USER_DISCONNECTION: text = "The connection was closed on request."; break;
    case ERROR_INVALID_SIZE: text = "A record given to the dial-up functions has the wrong size."; break;
    case ERROR_PORT_NOT_AVAILABLE:
        text = "The modem's port is in use by another program or could not be opened.";
        break;
    case ERROR_UNKNOWN: text = "The dial-up program pppd stopped with an error."; break;
    case ERROR_FROM_DEVICE: text = "The modem reported an error while dialling."; break;
    case ERROR_DEVICENAME_NOT_FOUND: text = "The modem of this connection is not known."; break;
    case ERROR_NO_CONNECTION: text = "The connection's traffic counters could not be read."; break;
    case ERROR_LINE_BUSY: text = "The number dialled is busy."; break;
    case ERROR_NO_ANSWER: text = "The modem or the network did not answer the call."; break;
    case ERROR_NO_CARRIER: text = "The modem found no carrier: the network refused the data call."; break;
    case ERROR_NO_DIALTONE: text = "The modem found no dial tone: it is not registered with a network."; break;
    case ERROR_AUTHENTICATION_FAILURE:
        text = "The network refused the user name or password of the connection.";
        break;
    case ERROR_PORT_OR_DEVICE: text = "The modem could not be used for dialling."; break;
    case ERROR_RASMAN_CANNOT_INITIALIZE:
        text = "The dial-up program pppd could not be started. Check that the ppp package is installed.";
        break;
    case ERROR_IP_CONFIGURATION:
        text = "The network gave no remote address; a default address is used.";
        break;
    case ERROR_PPP_TIMEOUT: text = "The network stopped answering during the connection."; break;
    case ERROR_PPP_LCP_TERMINATED: text = "The PPP negotiation with the network failed."; break;
    default: return ERROR_INVALID_PARAMETER;
    }
    const size_t n = std::strlen(text);
    if (n + 1 > size) {
        std::memcpy(buffer, text, size - 1);
        buffer[size - 1] = '\0';
        return ERROR_BUFFER_TOO_SMALL;
    }
    std::memcpy(buffer, text, n + 1);
    return 0;
}
