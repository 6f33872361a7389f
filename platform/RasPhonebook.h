#pragma once
// The dial-up phone book file: entries with their properties and dial
// parameters. Written whole through a private temporary file and a rename, so
// the file always has mode 0600 and is never half written. Internal to the
// dial-up layer (Ras.cpp, RasDial.cpp).
#include <cstdint>
#include <mutex>
#include <vector>
#include "platform/Types.h"

struct TPhonebookEntry {
    AnsiString name;
    AnsiString phoneNumber;
    AnsiString deviceType;
    AnsiString deviceName;
    uint32_t options = 0;
    uint32_t netProtocols = 0;
    uint32_t framingProtocol = 0;
    uint32_t type = 0;
    uint32_t encryptionType = 0;
    AnsiString userName;
    AnsiString password;
    AnsiString domain;
    bool passwordSaved = false;
};

namespace phonebook {

// The file that a phone book argument names (null or "" = the default one).
AnsiString PathFor(const char* phonebook);

// 0, or the dial-up error code. A missing file is an empty phone book.
uint32_t Load(const AnsiString& path, std::vector<TPhonebookEntry>& entries);
uint32_t Save(const AnsiString& path, const std::vector<TPhonebookEntry>& entries);

// Index of the entry of exactly this name, or -1.
int Find(const std::vector<TPhonebookEntry>& entries, const AnsiString& name);

// The phone book's lock: one reader or writer at a time in this process.
std::unique_lock<std::recursive_mutex> Guard();

// Percent-escaping of the file's texts (control characters, '%', '[', ']', '=').
AnsiString Escape(const AnsiString& text);
AnsiString Unescape(const AnsiString& text);

}  // namespace phonebook
