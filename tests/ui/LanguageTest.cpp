#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "UiTestSupport.h"
#include "platform/TIniFile.h"
#include "ui/common/TLanguage.h"

namespace fs = std::filesystem;
using uitest::FreshDir;
using uitest::WriteFile;

namespace {
// The ids the windows ask for.
std::set<int> UsedIds()
{
    const std::pair<int, int> ranges[] = {
        {100, 126}, {128, 137}, {139, 167}, {169, 169}, {171, 191}, {193, 194}, {196, 207}, {211, 216},
        {221, 246}, {252, 264}, {267, 268}, {293, 297}, {300, 302}, {307, 310}, {313, 314}, {330, 332}, {350, 353},
        {360, 388}, {400, 402}, {410, 410}, {420, 425}, {430, 431}, {450, 455}, {465, 465},
        {475, 483}, {485, 485}, {490, 490}, {500, 503}, {510, 510}, {515, 515}, {520, 521}, {530, 532}};
    std::set<int> ids;
    for (auto [a, b] : ranges)
        for (int i = a; i <= b; ++i)
            ids.insert(i);
    return ids;
}

std::string Key(int id)
{
    char key[16];
    std::snprintf(key, sizeof key, "ITEM_%04d", id);
    return key;
}

struct Files {
    fs::path language;
    fs::path config;
};

Files Make(const std::string& name, const std::string& languageText, const std::string& configText = "")
{
    const fs::path dir = FreshDir(name);
    Files f{dir / "Language.ini", dir / "Config.ini"};
    WriteFile(f.language, languageText);
    if (!configText.empty())
        WriteFile(f.config, configText);
    return f;
}

const char* const kThree =
    "[English]\nITEM_0102=OK\nITEM_0107=Title one\n"
    "[Deutsch]\nITEM_0102=OK de\nITEM_0107=Titel zwei\n"
    "[Third]\nITEM_0102=OK 3\n";
}  // namespace

TEST(Language, DeliveredFileHoldsEveryIdInBothLanguages)
{
    const std::set<int> ids = UsedIds();
    ASSERT_EQ(ids.size(), 240u);
    TIniFile ini((uitest::BinDir() / "Language.ini").string());
    const auto sections = ini.ReadSections();
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(sections[0], "English");
    EXPECT_EQ(sections[1], "Deutsch");
    for (const auto& section : sections) {
        for (int id : ids) {
            const std::string text = ini.ReadString(section, Key(id), "");
            EXPECT_FALSE(text.empty()) << section << " lacks " << Key(id);
            // The one formatted text carries exactly one place for the operator name.
            const size_t percent = text.find('%');
            if (id == 191)
                EXPECT_TRUE(percent != std::string::npos && text.find("%s") == percent &&
                            text.find('%', percent + 1) == std::string::npos)
                    << section << ": " << text;
            else
                EXPECT_EQ(percent, std::string::npos) << section << " " << Key(id) << ": " << text;
        }
        EXPECT_EQ(ini.ReadSection(section).size(), ids.size()) << section << " holds ids nobody asks for";
    }
}

TEST(Language, MissingTextShowsItsKeyAndIsLoggedOnce)
{
    const Files f = Make("lang_missing", kThree);
    uitest::LogCatcher log;
    TLanguage lang(f.language.string(), f.config.string());
    EXPECT_EQ(lang.GetText(131), "String_ITEM_0131");
    EXPECT_EQ(lang.GetText(131), "String_ITEM_0131");
    EXPECT_EQ(lang.GetText(7), "String_ITEM_0007");
    EXPECT_EQ(log.Count("ITEM_0131"), 1);
    EXPECT_EQ(lang.GetText(107), "Title one");
}

TEST(Language, EscapesBecomeControlCharacters)
{
    const Files f = Make("lang_escapes", "[E]\nITEM_0100=one\\ntwo\\nthree\nITEM_0101=a\\tb\\r\\nc\nITEM_0102=\\\\n\n");
    TLanguage lang(f.language.string(), f.config.string());
    EXPECT_EQ(lang.GetText(100), "one\ntwo\nthree");
    EXPECT_EQ(lang.GetText(101), "a\tb\r\nc");
    EXPECT_EQ(lang.GetText(102), "\\\n");
}

TEST(Language, WrapText)
{
    const std::string word = "abcdefghij";
    std::string sixTrailing, sixSeparated;
    for (int i = 0; i < 6; ++i) {
        sixTrailing += word + " ";
        sixSeparated += word + (i < 5 ? " " : "");
    }
    const std::string fiftyFive = sixTrailing.substr(0, 55);
    struct Case {
        const char* what;
        std::string in;
        std::string out;
    };
    const std::string sixty(60, 'x');
    const std::string longWord(61, 'y');
    std::string umlauts;
    for (int i = 0; i < 59; ++i)
        umlauts += "\xC3\xA4";
    const Case cases[] = {
        {"exactly 60 characters stay", sixty, sixty},
        {"short text stays", "short text", "short text"},
        {"six words with blanks break before the sixth", sixTrailing, fiftyFive + "\r\n" + word + " "},
        {"the word after the last blank is never checked", sixSeparated, sixSeparated},
        {"70 characters without a blank stay", std::string(70, 'z'), std::string(70, 'z')},
        {"a first word over 60 begins with a line break", longWord + " end", "\r\n" + longWord + " end"},
        // 49 + 11 = 60: a word that fills the room exactly stays on the line.
        {"a word filling the room stays", std::string(48, 'a') + " " + "bbbbbbbbbb " + "cc dd",
         std::string(48, 'a') + " bbbbbbbbbb \r\ncc dd"},
        // The line feed is an ordinary character: room runs on across it.
        {"line feeds count as characters", "aaaa\nbbbb " + std::string(54, 'c') + " dd",
         "aaaa\nbbbb \r\n" + std::string(54, 'c') + " dd"},
        // Characters, not bytes: 59 umlauts and a blank fit on one line.
        {"umlauts count once", umlauts + " x", umlauts + " x"},
    };
    for (const Case& c : cases) {
        std::string text = c.in;
        TLanguage::WrapText(&text);
        EXPECT_EQ(text, c.out) << c.what;
    }
}

TEST(Language, ReplaceAll)
{
    std::string text = "a\\nb\\n\\n";
    TLanguage::ReplaceAll("\\n", "\n", &text);
    EXPECT_EQ(text, "a\nb\n\n");
    // A replacement that holds the pattern must not loop for ever.
    std::string grow = "xx";
    TLanguage::ReplaceAll("x", "xx", &grow);
    EXPECT_EQ(grow, "xxxx");
    std::string none = "abc";
    TLanguage::ReplaceAll("", "z", &none);
    EXPECT_EQ(none, "abc");
}

TEST(Language, IndexPastTheLastSectionFallsBackToTheFirstAndIsWrittenBack)
{
    for (const char* stored : {"5", "99"}) {
        const Files f = Make("lang_index", kThree, std::string("[SETTINGS]\nActiveLanguage=") + stored + "\n");
        TLanguage lang(f.language.string(), f.config.string());
        EXPECT_EQ(lang.GetLanguageCount(), 3);
        EXPECT_EQ(lang.GetText(107), "Title one");
        EXPECT_EQ(TIniFile(f.config.string()).ReadString("SETTINGS", "ActiveLanguage", ""), "0") << stored;
    }
}

TEST(Language, NegativeIndexUsesTheFirstLanguageWithALogLine)
{
    const Files f = Make("lang_negative", kThree, "[SETTINGS]\nActiveLanguage=-2\n");
    uitest::LogCatcher log;
    TLanguage lang(f.language.string(), f.config.string());
    EXPECT_EQ(lang.GetActiveLanguage(), 0);
    EXPECT_EQ(lang.GetText(107), "Title one");
    EXPECT_EQ(log.Count("negative"), 1);
    EXPECT_EQ(TIniFile(f.config.string()).ReadInteger("SETTINGS", "ActiveLanguage", 9), 0);
}

TEST(Language, ChangesAreSeenAtOnce)
{
    const Files f = Make("lang_switch", kThree);
    TLanguage lang(f.language.string(), f.config.string());
    ASSERT_EQ(lang.GetLanguages(), (std::vector<std::string>{"English", "Deutsch", "Third"}));
    EXPECT_EQ(lang.GetText(102), "OK");
    lang.SetActiveLanguage(1);
    EXPECT_EQ(lang.GetText(102), "OK de");
    EXPECT_EQ(TIniFile(f.config.string()).ReadInteger("SETTINGS", "ActiveLanguage", 0), 1);
    // Another object on the configuration changes the language too.
    TIniFile(f.config.string()).WriteInteger("SETTINGS", "ActiveLanguage", 2);
    EXPECT_EQ(lang.GetText(102), "OK 3");
    // A changed text is seen; a section added later is not.
    WriteFile(f.language, std::string(kThree) + "ITEM_0107=Neu\n[Fourth]\nITEM_0102=4\n");
    EXPECT_EQ(lang.GetText(107), "Neu");
    EXPECT_EQ(lang.GetLanguageCount(), 3);
}

TEST(Language, FileWithoutSectionsShowsKeysAndLogs)
{
    for (const char* content : {"", "ITEM_0100=outside any section\n", "garbage without structure"}) {
        const Files f = Make("lang_empty", content, "[SETTINGS]\nActiveLanguage=3\n");
        uitest::LogCatcher log;
        TLanguage lang(f.language.string(), f.config.string());
        EXPECT_EQ(lang.GetLanguageCount(), 0);
        EXPECT_EQ(lang.GetActiveLanguage(), 0);
        EXPECT_EQ(lang.GetText(100), "String_ITEM_0100");
        EXPECT_EQ(log.Count("holds no language"), 1) << content;
    }
}

TEST(Language, VanishedSectionGivesTheKey)
{
    const Files f = Make("lang_vanish", kThree, "[SETTINGS]\nActiveLanguage=2\n");
    TLanguage lang(f.language.string(), f.config.string());
    WriteFile(f.language, "[English]\nITEM_0102=OK\n");
    EXPECT_EQ(lang.GetText(102), "String_ITEM_0102");
}
