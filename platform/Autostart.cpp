#include "platform/Autostart.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char kGroup[] = "[Desktop Entry]";

AnsiString Trim(const AnsiString& s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

// The keys of the [Desktop Entry] group of an entry file; false when the
// file cannot be read or has no such group.
bool ReadEntry(const AnsiString& path, AnsiString& exec, bool& hidden)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bool inGroup = false, sawGroup = false, sawExec = false;
    hidden = false;
    std::string line;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inGroup = line == kGroup;
            sawGroup = sawGroup || inGroup;
            continue;
        }
        if (!inGroup)
            continue;
        const size_t eq = line.find('=');
        if (eq == AnsiString::npos)
            continue;
        const AnsiString key = Trim(line.substr(0, eq));
        const AnsiString value = Trim(line.substr(eq + 1));
        if (key == "Exec") {
            exec = value;
            sawExec = true;
        } else if (key == "Hidden") {
            hidden = value == "true";
        }
    }
    return sawGroup && sawExec;
}

}  // namespace

TAutostart::TAutostart() = default;

AnsiString TAutostart::Folder()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is not a valid setting and is ignored.
    if (xdg != nullptr && xdg[0] == '/')
        return AnsiString(xdg) + "/autostart";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return AnsiString(home) + "/.config/autostart";
    return AnsiString();
}

AnsiString TAutostart::EntryPath()
{
    const AnsiString folder = Folder();
    return folder.empty() ? AnsiString() : folder + "/" + kEntryFile;
}

bool TAutostart::KeyExists() const
{
    return !Folder().empty();
}

bool TAutostart::OpenKey()
{
    m_open = KeyExists();
    return m_open;
}

std::vector<AnsiString> TAutostart::GetValueNames() const
{
    std::vector<AnsiString> names;
    if (!m_open)
        return names;
    AnsiString exec;
    bool hidden = false;
    if (ReadEntry(EntryPath(), exec, hidden) && !hidden)
        names.push_back(kValueName);
    return names;
}

AnsiString TAutostart::ReadString(const AnsiString& name) const
{
    if (!m_open || name != kValueName)
        return AnsiString();
    AnsiString exec;
    bool hidden = false;
    if (!ReadEntry(EntryPath(), exec, hidden) || hidden)
        return AnsiString();
    return UnquoteExec(exec);
}

bool TAutostart::WriteString(const AnsiString& name, const AnsiString& data)
{
    if (!m_open || name != kValueName || data.empty())
        return false;
    // A line break would end the Exec line early and smuggle in other keys.
    if (data.find_first_of("\r\n") != AnsiString::npos)
        return false;
    const AnsiString folder = Folder();
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec))
        return false;
    const AnsiString path = EntryPath();
    const AnsiString temp = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out << kGroup << "\n"
            << "Type=Application\n"
            << "Name=Quorvix\n"
            << "Comment=Control program for the USB modem\n"
            << "Exec=" << QuoteExec(data) << "\n"
            << "Terminal=false\n"
            << "X-GNOME-Autostart-enabled=true\n";
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temp, ec);
            return false;
        }
    }
    fs::rename(temp, path, ec);
    if (ec) {
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

bool TAutostart::DeleteValue(const AnsiString& name)
{
    if (!m_open || name != kValueName)
        return false;
    std::error_code ec;
    return fs::remove(EntryPath(), ec);
}

AnsiString TAutostart::QuoteExec(const AnsiString& path)
{
    static const char kReserved[] = " \t\"'\\><~|&;$*?#()`";
    AnsiString arg;
    for (char c : path) {
        if (c == '%')
            arg += "%%";  // field codes start with %
        else
            arg += c;
    }
    if (arg.find_first_of(kReserved) != AnsiString::npos) {
        AnsiString quoted = "\"";
        for (char c : arg) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                quoted += '\\';
            quoted += c;
        }
        arg = quoted + "\"";
    }
    // The value itself is a string of the file format: its backslashes are escaped once more.
    AnsiString out;
    for (char c : arg) {
        if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out;
}

AnsiString TAutostart::UnquoteExec(const AnsiString& exec)
{
    AnsiString s;
    for (size_t i = 0; i < exec.size(); ++i) {
        if (exec[i] == '\\' && i + 1 < exec.size()) {
            const char n = exec[++i];
            s += n == 's' ? ' ' : n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n;
        } else {
            s += exec[i];
        }
    }
    AnsiString arg;
    if (!s.empty() && s[0] == '"') {
        for (size_t i = 1; i < s.size() && s[i] != '"'; ++i) {
            if (s[i] == '\\' && i + 1 < s.size())
                ++i;
            arg += s[i];
        }
    } else {
        arg = s.substr(0, s.find(' '));
    }
    AnsiString out;
    for (size_t i = 0; i < arg.size(); ++i) {
        out += arg[i];
        if (arg[i] == '%' && i + 1 < arg.size() && arg[i + 1] == '%')
            ++i;
    }
    return out;
}
