#pragma once
// The user-interface texts by number. Language.ini holds one section per
// language with keys "ITEM_%04d"; Config.ini [SETTINGS] ActiveLanguage is the
// index of the section in use. Nothing is cached: every request reads both
// files, so a changed text or a changed ActiveLanguage is seen at once.
// GetText may run on the worker thread as well as on the GUI thread.
#include <memory>
#include <mutex>
#include <set>
#include <vector>
#include "platform/TIniFile.h"

class TLanguage {
public:
    TLanguage(const AnsiString& languageIniPath, const AnsiString& configIniPath);
    virtual ~TLanguage();

    TLanguage(const TLanguage&) = delete;
    TLanguage& operator=(const TLanguage&) = delete;

    // The text of an id in the active language; "String_ITEM_nnnn" when the
    // language lacks it.
    AnsiString GetText(int id) const;
    // The section names in file order, read once at construction.
    const std::vector<AnsiString>& GetLanguages() const { return *m_pSections; }
    int GetLanguageCount() const { return m_iLanguageCount; }
    // The stored index, reset to 0 (and written back) when it names no section.
    int GetActiveLanguage() const;
    void SetActiveLanguage(int index) const;

    // Replaces every occurrence of pattern in text.
    static void ReplaceAll(const AnsiString& pattern, const AnsiString& replacement, AnsiString* text);
    // Breaks a text longer than 60 characters into lines of at most about 60.
    static void WrapText(AnsiString* text);

    static constexpr int kLineWidth = 60;

private:
    std::unique_ptr<std::vector<AnsiString>> m_pSections;
    int m_iLanguageCount = 0;
    std::unique_ptr<TIniFile> m_pLanguageIni;
    std::unique_ptr<TIniFile> m_pConfigIni;

    // Which faults were logged already, so a missing text does not flood the log.
    mutable std::mutex m_logMutex;
    mutable std::set<std::pair<AnsiString, int>> m_loggedMissing;
    mutable bool m_loggedNoSection = false;
};
