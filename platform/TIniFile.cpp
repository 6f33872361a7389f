#include "platform/TIniFile.h"
#include "platform/PrivateFile.h"

#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
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

// Only blanks and line ends (and NULs, when asked).
bool IsBlank(std::string_view text, bool nulToo = false)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) > ' ' || (c == '\0' && !nulToo))
            return false;
    return true;
}


// Every value of a parsed file by section and key, with the sections that
// hold no key at all.
using Flat = std::map<std::pair<std::string, std::string>, std::string>;

Flat Flatten(const CSimpleIniA& ini)
{
    Flat all;
    CSimpleIniA::TNamesDepend sections;
    ini.GetAllSections(sections);
    for (const auto& section : sections) {
        all[{section.pItem, std::string()}];
        CSimpleIniA::TNamesDepend keys;
        ini.GetAllKeys(section.pItem, keys);
        for (const auto& key : keys)
            all[{section.pItem, std::string("=") + key.pItem}] = ini.GetValue(section.pItem, key.pItem, "");
    }
    return all;
}
}  // namespace

struct TIniFile::Shared {
    std::mutex mutex;
    CSimpleIniA ini;
    bool readable = false;
    // How the file was written, so that a write keeps it so.
    Encoding encoding = Encoding::Utf8;
    // What the parsed copy was read from; any change means a re-read.
    bool haveStamp = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    AnsiString path;

    Shared() : ini(/*isUtf8*/ true, /*multiKey*/ false, /*multiLine*/ false) { ini.SetSpaces(false); }

    // Re-reads the file when it changed since the last look. Caller holds the mutex.
    void Refresh()
    {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            if (haveStamp || readable) {
                ini.Reset();
                readable = false;
                haveStamp = false;
            }
            return;
        }
        if (haveStamp && st.st_dev == dev && st.st_ino == ino && st.st_size == size &&
            st.st_mtim.tv_sec == mtime.tv_sec && st.st_mtim.tv_nsec == mtime.tv_nsec)
            return;
        ini.Reset();
        encoding = Encoding::Utf8;
        // Only a regular file is parsed: a folder or a device has no settings.
        std::string bytes;
        readable = S_ISREG(st.st_mode) && ReadWholeFile(path, bytes) && Parse(bytes);
        if (!readable)
            ini.Reset();
        haveStamp = true;
        dev = st.st_dev;
        ino = st.st_ino;
        size = st.st_size;
        mtime = st.st_mtim;
    }

    // Parses the file's bytes. A file with content but not one section is
    // none we know (damaged, or text in an encoding we do not read): its
    // settings cannot be read, and so it must not be written either.
    bool Parse(const std::string& bytes)
    {
        std::string text;
        if (bytes.size() >= 2 && (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0)) {
            encoding = bytes[0] == '\xFF' ? Encoding::Utf16Le : Encoding::Utf16Be;
            text = Utf16ToUtf8(std::string_view(bytes).substr(2), encoding == Encoding::Utf16Be);
        } else {
            text = bytes;
        }
        // The parser stops at a NUL byte: text after one would be lost by the
        // next write. A tail of NULs alone (left by a crash) is no loss.
        if (const size_t nul = text.find('\0'); nul != std::string::npos) {
            if (!IsBlank(std::string_view(text).substr(nul), /*nulToo*/ true))
                return false;
            text.resize(nul);
        }
        if (ini.LoadData(text) < 0)
            return false;
        if (IsBlank(text))
            return true;
        const Flat settings = Flatten(ini);
        bool named = false;
        for (const auto& [where, value] : settings)
            named = named || !where.first.empty();
        if (!named)
            return false;
        // A damaged line can make the parser read something that it would not
        // write back the same (a section header without its bracket): such a
        // file is as unreadable as one without a section.
        std::string again;
        CSimpleIniA copy(/*isUtf8*/ true, /*multiKey*/ false, /*multiLine*/ false);
        return ini.Save(again) >= 0 && copy.LoadData(again) >= 0 && Flatten(copy) == settings;
    }

    // A file that exists but could not be read must not be replaced by what
    // little we know of it. Caller holds the mutex, after Refresh.
    bool Writable() const { return readable || !haveStamp; }

    // Writes the parsed copy to the file. Caller holds the mutex.
    bool Save()
    {
        // A file we cannot read keeps what it holds; the change lasts only
        // as long as the program runs (or until the file changes on disk).
        if (!Writable())
            return false;
        if (WriteOut())
            return true;
        // Forget the change: the file, untouched, is the truth.
        ini.Reset();
        readable = false;
        haveStamp = false;
        Refresh();
        return false;
    }

    bool WriteOut()
    {
        std::string text;
        if (ini.Save(text) < 0)
            return false;
        if (encoding != Encoding::Utf8)
            text = Utf8ToUtf16(text, encoding == Encoding::Utf16Be);
        else if (text.compare(0, 2, "\xFF\xFE") == 0 || text.compare(0, 2, "\xFE\xFF") == 0)
            text.insert(0, "\xEF\xBB\xBF");  // else read back as UTF-16
        const AnsiString tmp = path + ".tmp";
        // The new file gets the old one's mode (a new one is private), set
        // before any content is in it. A stale temporary file is removed
        // first, so ours is made anew rather than opened with its mode.
        mode_t mode = 0600;
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0)
            mode = st.st_mode & 0777;
        ::unlink(tmp.c_str());
        int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode & 0600);
        if (fd < 0)
            return false;
        ::fchmod(fd, mode);
        bool ok = WriteAll(fd, text);
        if (::close(fd) != 0)
            ok = false;
        if (!ok || ::rename(tmp.c_str(), path.c_str()) != 0) {
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
    const char* v = m_shared->ini.GetValue(section.c_str(), key.c_str(), nullptr);
    if (v == nullptr)
        return def;
    return TrimBlanks(v);
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
        if (c != '\r' && c != '\n')
            clean.push_back(c);
    if (m_shared->ini.SetValue(section.c_str(), key.c_str(), clean.c_str()) < 0)
        return false;
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
    CSimpleIniA::TNamesDepend names;
    m_shared->ini.GetAllSections(names);
    names.sort(CSimpleIniA::Entry::LoadOrder());
    std::vector<AnsiString> out;
    for (const auto& n : names)
        if (n.pItem != nullptr && n.pItem[0] != '\0')
            out.emplace_back(n.pItem);
    return out;
}

std::vector<AnsiString> TIniFile::ReadSection(const AnsiString& section) const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->Refresh();
    CSimpleIniA::TNamesDepend names;
    m_shared->ini.GetAllKeys(section.c_str(), names);
    names.sort(CSimpleIniA::Entry::LoadOrder());
    std::vector<AnsiString> out;
    for (const auto& n : names)
        out.emplace_back(n.pItem);
    return out;
}

bool TIniFile::SectionExists(const AnsiString& section) const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->Refresh();
    return m_shared->ini.GetSection(section.c_str()) != nullptr;
}

bool TIniFile::ValueExists(const AnsiString& section, const AnsiString& key) const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->Refresh();
    return m_shared->ini.GetValue(section.c_str(), key.c_str(), nullptr) != nullptr;
}

bool TIniFile::DeleteKey(const AnsiString& section, const AnsiString& key)
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->Refresh();
    if (!m_shared->ini.Delete(section.c_str(), key.c_str()))
        return m_shared->Writable();  // nothing to delete
    return m_shared->Save();
}

bool TIniFile::EraseSection(const AnsiString& section)
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->Refresh();
    if (!m_shared->ini.Delete(section.c_str(), nullptr))
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
    return !m_shared->Writable();
}
