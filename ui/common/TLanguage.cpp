#include "ui/common/TLanguage.h"

#include <cstdio>

#include "ui/common/UiLog.h"

namespace {
const char* const kSettings = "SETTINGS";
const char* const kActiveLanguage = "ActiveLanguage";

// Length in characters: UTF-8 continuation bytes do not count.
size_t CharLength(const AnsiString& s)
{
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}
}  // namespace

TLanguage::TLanguage(const AnsiString& languageIniPath, const AnsiString& configIniPath)
{
    m_pConfigIni = std::make_unique<TIniFile>(configIniPath);
    m_pLanguageIni = std::make_unique<TIniFile>(languageIniPath);
    m_pSections = std::make_unique<std::vector<AnsiString>>(m_pLanguageIni->ReadSections());
    m_iLanguageCount = static_cast<int>(m_pSections->size());
    if (m_iLanguageCount == 0) {
        UiLog("Language file \"" + languageIniPath + "\" holds no language; texts show their keys");
        m_loggedNoSection = true;
    }
}

TLanguage::~TLanguage()
{
    m_pLanguageIni.reset();
    m_pSections.reset();
    m_pConfigIni.reset();
}

AnsiString TLanguage::GetText(int id) const
{
    char key[32];
    std::snprintf(key, sizeof key, "ITEM_%04d", id);
    const AnsiString def = AnsiString("String_") + key;
    if (m_iLanguageCount == 0)
        return def;
    const AnsiString& section = (*m_pSections)[static_cast<size_t>(GetActiveLanguage())];
    AnsiString text = m_pLanguageIni->ReadString(section, key, def);
    if (text == def && !m_pLanguageIni->ValueExists(section, key)) {
        std::lock_guard<std::mutex> lock(m_logMutex);
        if (m_loggedMissing.insert({section, id}).second)
            UiLog("Language \"" + section + "\" has no text " + key);
    }
    ReplaceAll("\\t", "\t", &text);
    ReplaceAll("\\r", "\r", &text);
    ReplaceAll("\\n", "\n", &text);
    WrapText(&text);
    return text;
}

int TLanguage::GetActiveLanguage() const
{
    int index = m_pConfigIni->ReadInteger(kSettings, kActiveLanguage, 0);
    if (m_iLanguageCount == 0)
        return 0;  // nothing to choose from; nothing worth writing
    if (index < 0) {
        UiLog("ActiveLanguage " + std::to_string(index) + " is negative; the first language is used");
        index = 0;
        SetActiveLanguage(0);
    } else if (index > m_iLanguageCount - 1) {
        index = 0;
        SetActiveLanguage(0);
    }
    return index;
}

void TLanguage::SetActiveLanguage(int index) const
{
    m_pConfigIni->WriteInteger(kSettings, kActiveLanguage, index);
}

void TLanguage::ReplaceAll(const AnsiString& pattern, const AnsiString& replacement, AnsiString* text)
{
    if (text == nullptr || pattern.empty())
        return;
    // Searching from the start each time would never end when the replacement
    // holds the pattern; then the search goes on after the inserted text.
    const bool restart = replacement.find(pattern) == AnsiString::npos;
    size_t pos = text->find(pattern);
    while (pos != AnsiString::npos) {
        text->replace(pos, pattern.size(), replacement);
        pos = text->find(pattern, restart ? 0 : pos + replacement.size());
    }
}

void TLanguage::WrapText(AnsiString* text)
{
    if (text == nullptr || CharLength(*text) <= kLineWidth)
        return;
    AnsiString result;
    AnsiString rest = *text;
    long room = kLineWidth;
    size_t blank;
    while ((blank = rest.find(' ')) != AnsiString::npos) {
        const AnsiString word = rest.substr(0, blank + 1);
        rest.erase(0, blank + 1);
        const long len = static_cast<long>(CharLength(word));
        if (len > room) {
            result += "\r\n";
            result += word;
            room = kLineWidth - len;
        } else {
            result += word;
            room -= len;
        }
    }
    result += rest;
    *text = result;
}
