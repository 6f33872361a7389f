#include "platform/TIniFile.h"

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
#include <unistd.h>
#include <fcntl.h>

struct TIniFile::Shared {
    std::mutex mutex;
    CSimpleIniA ini;
    bool readable = false;
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
        // Only a regular file is parsed: the parser sizes its buffer from the
        // stream and would ask for an absurd amount for a folder or a device.
        readable = S_ISREG(st.st_mode) && ini.LoadFile(path.c_str()) >= 0;
        haveStamp = true;
        dev = st.st_dev;
        ino = st.st_ino;
        size = st.st_size;
        mtime = st.st_mtim;
    }

    // A file that exists but could not be read must not be replaced by what
    // little we know of it. Caller holds the mutex, after Refresh.
    bool Writable() const { return readable || !haveStamp; }

    // Writes the parsed copy to the file. Caller holds the mutex.
    bool Save()
    {
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
        const AnsiString tmp = path + ".tmp";
        mode_t mode = 0600;
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0)
            mode = st.st_mode & 07777;
        int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
        if (fd < 0)
            return false;
        ::fchmod(fd, mode);
        size_t done = 0;
        bool ok = true;
        while (done < text.size()) {
            ssize_t n = ::write(fd, text.data() + done, text.size() - done);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                ok = false;
                break;
            }
            done += static_cast<size_t>(n);
        }
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
    if (!m_shared->Writable())
        return false;
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
    if (!m_shared->Writable())
        return false;
    if (!m_shared->ini.Delete(section.c_str(), key.c_str()))
        return true;  // nothing to delete
    return m_shared->Save();
}

bool TIniFile::EraseSection(const AnsiString& section)
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->Refresh();
    if (!m_shared->Writable())
        return false;
    if (!m_shared->ini.Delete(section.c_str(), nullptr))
        return true;
    return m_shared->Save();
}

bool TIniFile::IsReadable() const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->Refresh();
    return m_shared->readable;
}
