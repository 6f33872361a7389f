#pragma once
// An INI file read and written like the platform's private-profile files:
// section and key names compare without regard to case, the first of two
// equal keys wins, a read always sees the file's current content, and every
// write reaches the file at once (through a temporary file and a rename, so a
// crash never leaves half a file), changing only the line of its key. A file
// that is a symbolic link is written through to its target, which the first
// write makes when it does not exist yet.
// A file saved as UTF-16 with its byte-order mark is read and written as such.
// Objects on the same path share one parsed copy that is re-read whenever the
// file changed on disk.
#include <memory>
#include <vector>
#include "platform/Types.h"

class TIniFile {
public:
    explicit TIniFile(const AnsiString& fileName);
    ~TIniFile();

    const AnsiString& FileName() const { return m_fileName; }

    // The value with surrounding blanks removed, or `def` when the key is absent.
    AnsiString ReadString(const AnsiString& section, const AnsiString& key, const AnsiString& def) const;
    // Decimal or "0x" hexadecimal; `def` when absent or not a number.
    int ReadInteger(const AnsiString& section, const AnsiString& key, int def) const;
    // "0" is false, any other number true; `def` when absent or not a number.
    bool ReadBool(const AnsiString& section, const AnsiString& key, bool def) const;

    // False when the file could not be written, or exists but could not be read;
    // the file then keeps its old content. A value written to a file that
    // cannot be read is still seen by every reader while the program runs.
    bool WriteString(const AnsiString& section, const AnsiString& key, const AnsiString& value);
    bool WriteInteger(const AnsiString& section, const AnsiString& key, int value);
    bool WriteBool(const AnsiString& section, const AnsiString& key, bool value);

    // All section names in file order.
    std::vector<AnsiString> ReadSections() const;
    // The key names of one section in file order.
    std::vector<AnsiString> ReadSection(const AnsiString& section) const;
    bool SectionExists(const AnsiString& section) const;
    bool ValueExists(const AnsiString& section, const AnsiString& key) const;

    bool DeleteKey(const AnsiString& section, const AnsiString& key);
    bool EraseSection(const AnsiString& section);

    // True when the file exists and could be read.
    bool IsReadable() const;
    // True when the file exists but its settings cannot be read: no access, no
    // regular file, or content without a single section (damaged, or in an
    // encoding other than UTF-8 or UTF-16 with its byte-order mark). Every
    // write then leaves the file as it is. Blank lines, comments and a
    // byte-order mark alone are a file with no setting yet, not unreadable.
    bool IsUnreadable() const;
    // True when the file was read but the user made it read-only: every
    // write then leaves it as it is.
    bool IsReadOnly() const;

    struct Shared;

private:
    AnsiString m_fileName;
    std::shared_ptr<Shared> m_shared;
};

// Parses "123", "-5" or "0x1F" (blanks around allowed); false when it is not a number.
bool ParseIniInteger(const AnsiString& text, int& value);
AnsiString TrimBlanks(const AnsiString& text);
