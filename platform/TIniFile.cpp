#include "platform/TIniFile.h"
#include "platform/PrivateFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <mutex>
#include <string_view>
#include <unistd.h>
#include <fcntl.h>

namespace {

enum class Encoding { Utf8, Utf16Le, Utf16Be };

bool ReadWholeFile(const AnsiString& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), {});
    return !in.bad();
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 after its byte-order mark to UTF-8; a lone surrogate or an odd last
// byte becomes U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian)
{
    auto unit = [&](size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char32_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    };
    std::string out;
    out.reserve(bytes.size());
    size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        AppendUtf8(out, c >= 0xD800 && c < 0xE000 ? 0xFFFD : c);
    }
    if (i < bytes.size())
        AppendUtf8(out, 0xFFFD);
    return out;
}

// UTF-8 (as the parser gives it back) to UTF-16 with its byte-order mark;
// a byte that starts no valid sequence becomes U+FFFD.
std::string Utf8ToUtf16(std::string_view text, bool bigEndian)
{
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    auto put = [&](char32_t u) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    };
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
        bool ok = extra >= 0 && i + extra < text.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const auto t = static_cast<unsigned char>(text[i + k]);
            ok = (t & 0xC0) == 0x80;
            c = c << 6 | (t & 0x3F);
        }
        if (!ok || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
            c = 0xFFFD;
            i += 1;
        } else {
            i += extra + 1;
        }
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}

// Only blanks and line ends.
bool IsBlank(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) > ' ')
            return false;
    return true;
}

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// A line that holds no setting and no section: blank, a comment, or the
// UTF-8 byte-order mark that starts the first line.
bool HoldsNothing(std::string_view line, bool first)
{
    if (first && line.substr(0, 3) == kUtf8Mark)
        line.remove_prefix(3);
    const size_t at = line.find_first_not_of(" \t\r\v\f");
    return at == std::string_view::npos || line[at] == ';' || line[at] == '#';
}

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string Trim(std::string_view text)
{
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ')
        --e;
    return std::string(text.substr(b, e - b));
}

// No section seen yet (no section name holds a line end).
const std::string kNoSection = "\n";

// One setting as read: the line it is on, its names as written and its value.
struct Setting {
    size_t line, from, to;  // its text in the line
    std::string section, key, value;
};
}  // namespace

// The file is kept as its lines, so a write changes the one line of its key
// and every other line (comments, lines without "=", blank lines) stays as
// the user wrote it. As with the private-profile functions the first of two
// equal keys wins.
struct TIniFile::Shared {
    std::mutex mutex;
    std::vector<std::string> lines;  // without their "\n"
    std::vector<Setting> settings;   // in file order
    std::vector<std::pair<std::string, size_t>> headers;  // section names as written, their lines
    std::vector<std::string> lineEnds;  // the section each line ends in, lower case
    bool readable = false;
    bool readOnly = false;  // the user took the write right away
    // How the file was written, so that a write keeps it so.
    Encoding encoding = Encoding::Utf8;
    bool crlf = false;
    // What the parsed copy was read from; any change means a re-read.
    bool haveStamp = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    AnsiString path;

    void Reset()
    {
        lines.clear();
        settings.clear();
        headers.clear();
    }

    // Re-reads the file when it changed since the last look. Caller holds the mutex.
    void Refresh()
    {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            if (haveStamp || readable) {
                Reset();
                readable = false;
                haveStamp = false;
            }
            readOnly = false;
            return;
        }
        readOnly = S_ISREG(st.st_mode) && ((st.st_mode & S_IWUSR) == 0 || ::access(path.c_str(), W_OK) != 0);
        if (haveStamp && st.st_dev == dev && st.st_ino == ino && st.st_size == size &&
            st.st_mtim.tv_sec == mtime.tv_sec && st.st_mtim.tv_nsec == mtime.tv_nsec)
            return;
        Reset();
        encoding = Encoding::Utf8;
        // Only a regular file is parsed: a folder or a device has no settings.
        std::string bytes;
        readable = S_ISREG(st.st_mode) && ReadWholeFile(path, bytes) && Parse(bytes);
        if (!readable)
            Reset();
        haveStamp = true;
        dev = st.st_dev;
        ino = st.st_ino;
        size = st.st_size;
        mtime = st.st_mtim;
    }

    // Parses the file's bytes. A file with content but not one section is
    // none we know (damaged, or text in an encoding we do not read): its
    // settings cannot be read, and so it must not be written either. Blank
    // lines, comments and a byte-order mark alone are a file with no setting
    // yet.
    bool Parse(const std::string& bytes)
    {
        std::string text;
        if (bytes.size() >= 2 && (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0)) {
            encoding = bytes[0] == '\xFF' ? Encoding::Utf16Le : Encoding::Utf16Be;
            text = Utf16ToUtf8(std::string_view(bytes).substr(2), encoding == Encoding::Utf16Be);
        } else {
            text = bytes;
        }
        for (size_t at = 0;;) {
            const size_t end = text.find('\n', at);
            lines.push_back(text.substr(at, end - at));
            if (end == std::string::npos)
                break;
            at = end + 1;
        }
        crlf = !lines.empty() && !lines[0].empty() && lines[0].back() == '\r';
        Index();
        const bool named =
            std::any_of(headers.begin(), headers.end(), [](const auto& h) { return h.first != kNoSection; });
        for (size_t i = 0; !named && i < lines.size(); ++i)
            if (!HoldsNothing(lines[i], i == 0))
                return false;
        return true;
    }

    // Finds the sections and settings of the lines. A NUL byte (a crash, a
    // damaged disk) ends what can be read of a line; the text after it is
    // read as a line of its own, so one bad byte hides nothing else. A header
    // without its "]" (cut short so) still ends the section before it, or its
    // lines would join that one; its own name cannot be read.
    void Index()
    {
        settings.clear();
        headers.clear();
        lineEnds.assign(lines.size(), kNoSection);
        std::string section = kNoSection;
        for (size_t i = 0; i < lines.size(); ++i) {
            const std::string& line = lines[i];
            size_t at = i == 0 && line.compare(0, 3, kUtf8Mark) == 0 ? 3 : 0;
            while (at <= line.size()) {
                const size_t nul = std::min(line.find('\0', at), line.size());
                size_t from = at, to = nul;
                while (from < to && static_cast<unsigned char>(line[from]) <= ' ')
                    ++from;
                while (to > from && static_cast<unsigned char>(line[to - 1]) <= ' ')
                    --to;
                at = nul + 1;
                const std::string_view part(line.data() + from, to - from);
                if (part.empty() || part[0] == ';' || part[0] == '#')
                    continue;
                const size_t close = part.find(']');
                const size_t eq = part.find('=');
                if (part[0] == '[') {
                    section = close != std::string::npos ? Trim(part.substr(1, close - 1)) : kNoSection;
                    headers.emplace_back(section, i);
                } else if (section != kNoSection && eq != std::string::npos && eq > 0) {
                    settings.push_back({i, from, to, section, Trim(part.substr(0, eq)), Trim(part.substr(eq + 1))});
                }
            }
            lineEnds[i] = Lower(section);
        }
    }

    const Setting* Find(const AnsiString& section, const AnsiString& key) const
    {
        const std::string s = Lower(section), k = Lower(key);
        for (const Setting& e : settings)
            if (Lower(e.key) == k && Lower(e.section) == s)
                return &e;
        return nullptr;
    }

    // The lines from a header of this section up to the next header.
    std::vector<std::pair<size_t, size_t>> Blocks(const AnsiString& section) const
    {
        std::vector<std::pair<size_t, size_t>> blocks;
        const std::string s = Lower(section);
        for (size_t h = 0; h < headers.size(); ++h)
            if (headers[h].first != kNoSection && Lower(headers[h].first) == s)
                blocks.emplace_back(headers[h].second, h + 1 < headers.size() ? headers[h + 1].second : lines.size());
        return blocks;
    }

    void Set(const AnsiString& section, const AnsiString& key, const AnsiString& value)
    {
        const std::string end = crlf ? "\r" : "";
        const std::string lower = Lower(section);
        // After the section's last setting or header whose line ends in it.
        size_t after = lines.size();
        for (const Setting& e : settings)
            if (Lower(e.section) == lower && lineEnds[e.line] == lower)
                after = after == lines.size() ? e.line : std::max(after, e.line);
        for (const auto& [name, line] : headers)
            if (Lower(name) == lower && lineEnds[line] == lower)
                after = after == lines.size() ? line : std::max(after, line);
        if (const Setting* e = Find(section, key)) {
            lines[e->line].replace(e->from, e->to - e->from, e->key + "=" + value);
        } else if (after < lines.size()) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(after + 1), key + "=" + value + end);
        } else {
            if (!lines.empty() && lines.back().empty())
                lines.pop_back();  // the end of the last line
            if (!lines.empty() && !IsBlank(lines.back()) && !(lines.size() == 1 && lines[0] == kUtf8Mark))
                lines.push_back(end);
            lines.push_back("[" + section + "]" + end);
            lines.push_back(key + "=" + value + end);
            lines.push_back("");
        }
        Index();
    }

    // Removes every setting of this key in the section (its line, or its
    // text in a line that holds more), or with no key the whole section;
    // false when there was nothing to remove.
    bool Remove(const AnsiString& section, const AnsiString& key)
    {
        std::vector<bool> drop(lines.size(), false);
        const std::string s = Lower(section), k = Lower(key);
        bool any = false;
        for (auto e = settings.rbegin(); !key.empty() && e != settings.rend(); ++e) {
            if (Lower(e->key) != k || Lower(e->section) != s)
                continue;
            any = true;
            if (lines[e->line].find('\0') == std::string::npos)
                drop[e->line] = true;
            else
                lines[e->line].erase(e->from, e->to - e->from);
        }
        for (const auto& [from, to] : key.empty() ? Blocks(section) : std::vector<std::pair<size_t, size_t>>{})
            for (size_t i = from; i < to; ++i)
                any = drop[i] = true;
        size_t kept = 0;
        for (size_t i = 0; i < lines.size(); ++i)
            if (!drop[i] && kept++ != i)
                lines[kept - 1] = std::move(lines[i]);
        lines.resize(kept);
        Index();
        return any;
    }

    // A file that exists but could not be read must not be replaced by what
    // little we know of it, nor one that the user made read-only. Caller
    // holds the mutex, after Refresh.
    bool Writable() const { return (readable && !readOnly) || !haveStamp; }

    // Writes the parsed copy to the file. Caller holds the mutex.
    bool Save()
    {
        // A file we may not write keeps what it holds; the change lasts only
        // as long as the program runs (or until the file changes on disk).
        if (!Writable())
            return false;
        if (WriteOut())
            return true;
        // Forget the change: the file, untouched, is the truth.
        Reset();
        readable = false;
        haveStamp = false;
        Refresh();
        return false;
    }

    bool WriteOut()
    {
        std::string text;
        for (size_t i = 0; i < lines.size(); ++i)
            text += (i > 0 ? "\n" : "") + lines[i];
        if (encoding != Encoding::Utf8)
            text = Utf8ToUtf16(text, encoding == Encoding::Utf16Be);
        // A link is written through to its target, which stays a link's
        // target and is made there when it does not exist yet.
        const AnsiString target = ResolveLinks(path);
        const AnsiString tmp = target + ".tmp";
        // The new file gets the old one's mode (a new one is private), set
        // before any content is in it. A stale temporary file is removed
        // first, so ours is made anew rather than opened with its mode.
        mode_t mode = 0600;
        struct stat st {};
        if (::stat(target.c_str(), &st) == 0)
            mode = st.st_mode & 0777;
        ::unlink(tmp.c_str());
        int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode & 0600);
        if (fd < 0)
            return false;
        ::fchmod(fd, mode);
        bool ok = WriteAll(fd, text);
        if (::close(fd) != 0)
            ok = false;
        if (!ok || ::rename(tmp.c_str(), target.c_str()) != 0) {
            ::unlink(tmp.c_str());
            return false;
        }
        haveStamp = false;
        Refresh();
        return true;
    }
};

namespace {
std::mutex g_registryMutex;
std::map<AnsiString, std::weak_ptr<TIniFile::Shared>> g_registry;

AnsiString CanonicalPath(const AnsiString& fileName)
{
    std::error_code ec;
    auto p = std::filesystem::absolute(fileName, ec);
    if (ec)
        return fileName;
    return p.lexically_normal().string();
}
}  // namespace

AnsiString TrimBlanks(const AnsiString& text)
{
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ')
        --e;
    return text.substr(b, e - b);
}

bool ParseIniInteger(const AnsiString& text, int& value)
{
    AnsiString t = TrimBlanks(text);
    if (t.empty())
        return false;
    bool negative = false;
    size_t i = 0;
    if (t[0] == '-' || t[0] == '+') {
        negative = t[0] == '-';
        i = 1;
    }
    int base = 10;
    if (t.size() > i + 1 && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= t.size())
        return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(t.c_str() + i, &end, base);
    if (errno != 0 || end == nullptr || *end != '\0' || end == t.c_str() + i)
        return false;
    if (negative)
        v = -v;
    // Hexadecimal values may name all 32 bits (colours, flags).
    if (base == 16 && v > INT_MAX && v <= static_cast<long long>(UINT32_MAX))
        v = static_cast<int32_t>(static_cast<uint32_t>(v));
    if (v < INT_MIN || v > INT_MAX)
        return false;
    value = static_cast<int>(v);
    return true;
}

TIniFile::TIniFile(const AnsiString& fileName) : m_fileName(fileName)
{
    const AnsiString key = CanonicalPath(fileName);
    std::lock_guard<std::mutex> lock(g_registryMutex);
    auto& slot = g_registry[key];
    m_shared = slot.lock();
    if (!m_shared) {
        m_shared = std::make_shared<Shared>();
        m_shared->path = key;
        slot = m_shared;
    }
}

TIniFile::~TIniFile() = default;

AnsiString TIniFile::ReadString(const AnsiString& section, const AnsiString& key, const AnsiString& def) const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->Refresh();
    const Setting* e = m_shared->Find(section, key);
    return e != nullptr ? e->value : def;
}

int TIniFile::ReadInteger(const AnsiString& section, const AnsiString& key, int def) const
{
    const AnsiString text = ReadString(section, key, AnsiString());
    int value = def;
    if (!ParseIniInteger(text, value))
        return def;
    return value;
}

bool TIniFile::ReadBool(const AnsiString& section, const AnsiString& key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TIniFile::WriteString(const AnsiString& section, const AnsiString& key, const AnsiString& value)
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->Refresh();
    // Values are single lines: a line end would start a new key.
    AnsiString clean;
    clean.reserve(value.size());
    for (char c : value)
        if (c != '\r' && c != '\n' && c != '\0')
            clean.push_back(c);
    const AnsiString name = Trim(key), where = Trim(section);
    if (name.empty() || name.find_first_of("=\r\n;#[") == 0 || name.find_first_of("=\r\n\0") != AnsiString::npos ||
        where.find_first_of("]\r\n\0") != AnsiString::npos)
        return false;
    m_shared->Set(where, name, clean);
    return m_shared->Save();
}

bool TIniFile::WriteInteger(const AnsiString& section, const AnsiString& key, int value)
{
    return WriteString(section, key, std::to_string(value));
}

bool TIniFile::WriteBool(const AnsiString& section, const AnsiString& key, bool value)
{
    return WriteString(section, key, value ? "1" : "0");
}

std::vector<AnsiString> TIniFile::ReadSections() const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->Refresh();
    std::vector<AnsiString> out;
    std::set<std::string> seen;
    for (const auto& [name, line] : m_shared->headers)
        if (!name.empty() && name != kNoSection && seen.insert(Lower(name)).second)
            out.push_back(name);
    return out;
}

std::vector<AnsiString> TIniFile::ReadSection(const AnsiString& section) const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->Refresh();
    std::vector<AnsiString> out;
    std::set<std::string> seen;
    const std::string s = Lower(section);
    for (const Setting& e : m_shared->settings)
        if (Lower(e.section) == s && seen.insert(Lower(e.key)).second)
            out.push_back(e.key);
    return out;
}

bool TIniFile::SectionExists(const AnsiString& section) const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->Refresh();
    return !m_shared->Blocks(section).empty();
}

bool TIniFile::ValueExists(const AnsiString& section, const AnsiString& key) const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->Refresh();
    return m_shared->Find(section, key) != nullptr;
}

bool TIniFile::DeleteKey(const AnsiString& section, const AnsiString& key)
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->Refresh();
    if (key.empty() || !m_shared->Remove(section, key))
        return m_shared->Writable();  // nothing to delete
    return m_shared->Save();
}

bool TIniFile::EraseSection(const AnsiString& section)
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->Refresh();
    if (!m_shared->Remove(section, AnsiString()))
        return m_shared->Writable();
    return m_shared->Save();
}

bool TIniFile::IsReadable() const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->Refresh();
    return m_shared->readable;
}

bool TIniFile::IsUnreadable() const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->Refresh();
    return m_shared->haveStamp && !m_shared->readable;
}

bool TIniFile::IsReadOnly() const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->Refresh();
    return m_shared->readable && m_shared->readOnly;
}
