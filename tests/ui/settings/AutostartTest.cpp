// Start with the session: the page's box against the autostart entry, and
// the entry's Exec quoting.
#include <QCheckBox>
#include <QCoreApplication>

#include "SettingsFixture.h"
#include "platform/Autostart.h"
#include "ui/settings/TExFrameModem.h"

using namespace settingstest;

namespace {

class Autostart : public SettingsTest {
protected:
    fs::path Entry() const { return m_xdg / "autostart" / "quorvix.desktop"; }
    TExFrameModem* Page() const { return PageOf<TExFrameModem>(TFormExSettings::kModemPage); }
    static std::string Program() { return QCoreApplication::applicationFilePath().toStdString(); }
    std::string EntryPath()
    {
        TAutostart run;
        EXPECT_TRUE(run.OpenKey());
        return run.ReadString(TAutostart::kValueName);
    }
};

TEST_F(Autostart, BoxWritesAndRemovesTheEntry)
{
    MakeDialog();
    m_dialog->ShowPage(TFormExSettings::kModemPage);
    QCheckBox* box = Page()->m_pLBLxStartWithWin;
    EXPECT_TRUE(box->isEnabled());
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(fs::exists(Entry()));

    box->click();
    ASSERT_TRUE(fs::exists(Entry()));
    EXPECT_EQ(EntryPath(), Program());
    const std::string text = uitest::ReadFile(Entry());
    EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(text.find("Type=Application\n"), std::string::npos);

    // Shown again, the page finds it; unticked, it goes.
    m_dialog->ShowPage(TFormExSettings::kConnectionPage);
    m_dialog->ShowPage(TFormExSettings::kModemPage);
    EXPECT_TRUE(box->isChecked());
    box->click();
    EXPECT_FALSE(fs::exists(Entry()));
    EXPECT_TRUE(m_main.boxes.empty());

    // An entry that cannot be written (a file where its folder should be):
    // the box unticks again and the user is told.
    fs::remove_all(m_xdg / "autostart");
    uitest::WriteFile(m_xdg / "autostart", "");
    box->click();
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{Text(309)});
    EXPECT_TRUE(fs::is_regular_file(m_xdg / "autostart"));
    m_dialog->ShowPage(TFormExSettings::kModemPage);
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(m_main.boxes.size(), 1u);
}

TEST_F(Autostart, AStaleEntryIsRewrittenWithTheProgramsPath)
{
    TAutostart run;
    ASSERT_TRUE(run.OpenKey());
    ASSERT_TRUE(run.WriteString("QVX", "/old place/quorvix"));
    EXPECT_FALSE(run.WriteString("qvx", "/elsewhere"));  // names compare exactly
    EXPECT_EQ(run.GetValueNames(), std::vector<AnsiString>{"QVX"});
    MakeDialog();
    m_dialog->ShowPage(TFormExSettings::kModemPage);
    EXPECT_TRUE(Page()->m_pLBLxStartWithWin->isChecked());
    EXPECT_EQ(EntryPath(), Program());

    // An entry the desktop switched off counts as absent.
    uitest::WriteFile(Entry(), "[Desktop Entry]\nExec=/x\nHidden=true\n");
    m_dialog->ShowPage(TFormExSettings::kModemPage);
    EXPECT_FALSE(Page()->m_pLBLxStartWithWin->isChecked());
}

TEST_F(Autostart, WithoutAConfigurationFolderTheBoxIsDisabled)
{
    const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("HOME");
    MakeDialog();
    m_dialog->ShowPage(TFormExSettings::kModemPage);
    EXPECT_FALSE(Page()->m_pLBLxStartWithWin->isEnabled());
    EXPECT_FALSE(Page()->m_pLBLxStartWithWin->isChecked());
    if (!home.empty())
        ::setenv("HOME", home.c_str(), 1);
    // A relative XDG_CONFIG_HOME is ignored for HOME's folder.
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(TAutostart::Folder(), home.empty() ? "" : home + "/.config/autostart");
}

TEST(AutostartExec, PathsSurviveQuoting)
{
    struct Case {
        const char* path;
        const char* exec;
    } cases[] = {
        {"/opt/quorvix/quorvix", "/opt/quorvix/quorvix"},
        {"/home/a b/quorvix", "\"/home/a b/quorvix\""},
        {"/x/100%/q", "/x/100%%/q"},
        {"/x/$HOME \"q\"/a\\b", "\"/x/\\\\$HOME \\\\\"q\\\\\"/a\\\\\\\\b\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(TAutostart::QuoteExec(c.path), c.exec);
        EXPECT_EQ(TAutostart::UnquoteExec(TAutostart::QuoteExec(c.path)), c.path);
    }
}

TEST(AutostartExec, ALineBreakInThePathIsRefused)
{
    const fs::path dir = uitest::FreshDir("autostart_break");
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    TAutostart run;
    ASSERT_TRUE(run.OpenKey());
    EXPECT_FALSE(run.WriteString("QVX", "/a\nHidden=true"));
    EXPECT_FALSE(fs::exists(dir / "autostart" / "quorvix.desktop"));
    EXPECT_FALSE(run.DeleteValue("QVX"));
}

}  // namespace
