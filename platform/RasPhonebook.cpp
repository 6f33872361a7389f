#include "platform/RasPhonebook.h"

#include "platform/Ras.h"
#include "platform/PrivateFile.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::recursive_mutex g_mutex;

AnsiString Env(const char* name)
{
    const char* v = std::getenv(name);
    return v != nullptr ? AnsiString(v) : AnsiString();
}


uint32_t ParseNumber(const AnsiString& text)
{
    char* end = nullptr;
    unsigned long v = std::strtoul(text.c_str(), &end, 10);
    return (end != text.c_str() && *end == '\0') ? static_cast<uint32_t>(v) : 0;
}

}  // namespace

AnsiString RasDefaultPhonebookPath()
{
    AnsiString folder = Env("QVX_PHONEBOOK_DIR");
    if (folder.empty()) {
        AnsiString config = Env("XDG_CONFIG_HOME");
        if (config.empty())
            config = Env("HOME").empty() ? AnsiString("/tmp") : Env("HOME") + "/.config";
        folder = config + "/quorvix";
    }
    return folder + "/phonebook";
}

namespace phonebook {

AnsiString PathFor(const char* phonebook)
{
    if (phonebook != nullptr && *phonebook != '\0')
        return phonebook;
    return RasDefaultPhonebookPath();
}

std::unique_lock<std::recursive_mutex> Guard() { return std::unique_lock<std::recursive_mutex>(g_mutex); }

AnsiString Escape(const AnsiString& text)
{
    static const char hex[] = "0123456789ABCDEF";
    AnsiString out;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F || c == '%' || c == '[' || c == ']' || c == '=') {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

AnsiString Unescape(const AnsiString& text)
{
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    AnsiString out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && digit(text[i + 1]) >= 0 && digit(text[i + 2]) >= 0) {
            out += static_cast<char>(digit(text[i + 1]) * 16 + digit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

int Find(const std::vector<TPhonebookEntry>& entries, const AnsiString& name)
{
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].name == name)
            return static_cast<int>(i);
    return -1;
}

uint32_t Load(const AnsiString& path, std::vector<TPhonebookEntry>& entries)
{
    entries.clear();
    std::error_code ec;
    if (!fs::exists(path, ec))
        return 0;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return ERROR_CANNOT_OPEN_PHONEBOOK;
    AnsiString line;
    TPhonebookEntry* current = nullptr;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            entries.push_back({});
            current = &entries.back();
            current->name = Unescape(line.substr(1, line.size() - 2));
            continue;
        }
        const size_t eq = line.find('=');
        if (current == nullptr || eq == AnsiString::npos)
            continue;  // not ours: skipped rather than fatal
        const AnsiString key = line.substr(0, eq);
        const AnsiString value = Unescape(line.substr(eq + 1));
        if (key == "PhoneNumber") current->phoneNumber = value;
        else if (key == "DeviceType") current->deviceType = value;
        else if (key == "DeviceName") current->deviceName = value;
        else if (key == "Options") current->options = ParseNumber(value);
        else if (key == "NetProtocols") current->netProtocols = ParseNumber(value);
        else if (key == "FramingProtocol") current->framingProtocol = ParseNumber(value);
        else if (key == "Type") current->type = ParseNumber(value);
        else if (key == "EncryptionType") current->encryptionType = ParseNumber(value);
        else if (key == "UserName") current->userName = value;
        else if (key == "Password") current->password = value;
        else if (key == "Domain") current->domain = value;
        else if (key == "PasswordSaved") current->passwordSaved = value == "1";
    }
    return 0;
}

uint32_t Save(const AnsiString& path, const std::vector<TPhonebookEntry>& entries)
{
    std::ostringstream out;
    out << "# Quorvix dial-up phone book\n";
    for (const TPhonebookEntry& e : entries) {
        out << "\n[" << Escape(e.name) << "]\n"
            << "PhoneNumber=" << Escape(e.phoneNumber) << "\n"
            << "DeviceType=" << Escape(e.deviceType) << "\n"
            << "DeviceName=" << Escape(e.deviceName) << "\n"
            << "Options=" << e.options << "\n"
            << "NetProtocols=" << e.netProtocols << "\n"
            << "FramingProtocol=" << e.framingProtocol << "\n"
            << "Type=" << e.type << "\n"
            << "EncryptionType=" << e.encryptionType << "\n"
            << "UserName=" << Escape(e.userName) << "\n"
            << "Password=" << Escape(e.password) << "\n"
            << "Domain=" << Escape(e.domain) << "\n"
            << "PasswordSaved=" << (e.passwordSaved ? 1 : 0) << "\n";
    }
    const AnsiString text = out.str();

    const fs::path target(path);
    std::error_code ec;
    if (target.has_parent_path() && !fs::exists(target.parent_path(), ec)) {
        fs::create_directories(target.parent_path(), ec);
        if (ec)
            return ERROR_CANNOT_WRITE_PHONEBOOK;
        ::chmod(target.parent_path().c_str(), 0700);
    }
    if (!ReplacePrivateFile(path, text))
        return ERROR_CANNOT_WRITE_PHONEBOOK;
    return 0;
}

}  // namespace phonebook
