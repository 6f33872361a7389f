#pragma once
// The session's start-up list, seen as the `Run` registry key: each value of
// the key is an autostart entry of the desktop session (a .desktop file in
// $XDG_CONFIG_HOME/autostart, else ~/.config/autostart) whose Exec line is the
// value's data. Only the program's own value, `QVX`, has an entry file
// ("quorvix.desktop"); value names compare exactly, so other names are absent.
// An entry switched off by the desktop (Hidden=true) counts as absent.
#include <vector>
#include "platform/Types.h"

class TAutostart {
public:
    static constexpr const char* kValueName = "QVX";
    static constexpr const char* kEntryFile = "quorvix.desktop";

    TAutostart();

    // The folder of the entries; "" when neither XDG_CONFIG_HOME nor HOME names one.
    static AnsiString Folder();
    static AnsiString EntryPath();

    // The key exists when the session has a configuration folder to keep
    // entries in (the autostart folder itself is made on the first write).
    bool KeyExists() const;
    // Opens an existing key; false when it does not exist.
    bool OpenKey();
    void CloseKey() { m_open = false; }
    bool IsOpen() const { return m_open; }

    // The value names of the key: `QVX` while its entry is there.
    std::vector<AnsiString> GetValueNames() const;
    // The data of a value (the program path of the entry); "" when absent.
    AnsiString ReadString(const AnsiString& name) const;
    // Writes the entry of `QVX` starting `data`; false for any other name, a
    // key that is not open, or a file that cannot be written.
    bool WriteString(const AnsiString& name, const AnsiString& data);
    // Removes the entry of `QVX`; false when there was none.
    bool DeleteValue(const AnsiString& name);

    // The Exec line's program path quoted as the desktop entry format wants,
    // and back; exposed for tests.
    static AnsiString QuoteExec(const AnsiString& path);
    static AnsiString UnquoteExec(const AnsiString& exec);

private:
    bool m_open = false;
};
