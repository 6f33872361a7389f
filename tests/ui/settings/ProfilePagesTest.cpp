// The Connection page's profile in Config.ini and the Application page's
// language choice and traffic statistics.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "SettingsFixture.h"
#include "platform/TIniFile.h"
#include "ui/common/TSkinButton.h"
#include "ui/settings/TExFrameGPRS.h"
#include "ui/settings/TExFrameSettings.h"
#include "ui/dialogs/TFormExHelper.h"

using namespace settingstest;

namespace {

class ProfilePages : public SettingsTest {
protected:
    AnsiString Read(const char* section, const char* key) const
    {
        return TIniFile(Config().string()).ReadString(section, key, "<none>");
    }
    TExFrameGPRS* Gprs() const { return PageOf<TExFrameGPRS>(TFormExSettings::kConnectionPage); }
    TExFrameSettings* App() const { return PageOf<TExFrameSettings>(TFormExSettings::kApplicationPage); }
};

TEST_F(ProfilePages, ConnectionPageWritesTheDefaultNumberBackAtOnce)
{
    MakeDialog();
    m_dialog->ShowPage(TFormExSettings::kConnectionPage);
    EXPECT_EQ(Gprs()->m_pEPhoneNumber->text().toStdString(), "*99#");
    EXPECT_EQ(Read("PROFILE0", "Connection_Phone"), "*99#");
    EXPECT_TRUE(Gprs()->m_pRB_None->isChecked());
    EXPECT_TRUE(m_main.boxes.empty());
}

TEST_F(ProfilePages, ConnectionProfileLoadsAndSavesUnchanged)
{
    uitest::WriteFile(Config(),
                      "[PROFILE0]\nConnection_Phone=*99***1#\nConnection_User_Name=web\n"
                      "Connection_User_Password= p w \nConnection_APN=internet.example\n"
                      "[CONNECTION]\nAuthentication=2\nTechnology=1\n");
    MakeDialog();
    m_dialog->ShowPage(TFormExSettings::kConnectionPage);
    TExFrameGPRS* page = Gprs();
    EXPECT_EQ(page->m_pEUserName->text().toStdString(), "web");
    // Blanks round a value are not part of it in Config.ini.
    EXPECT_EQ(page->m_pEPassword->text().toStdString(), "p w");
    EXPECT_EQ(page->m_pEPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(page->m_pEModemAPN->text().toStdString(), "internet.example");
    EXPECT_TRUE(page->m_pRB_Chap->isChecked());
    EXPECT_TRUE(page->m_pRB_hsxpao->isChecked());
    EXPECT_EQ(page->m_pEModemAPN->maxLength(), 50);

    // Typed, not saved: a look at another page, or a connect reading the
    // profile, keeps it; only the button writes it.
    page->m_pEPassword->selectAll();
    page->m_pEPassword->insert("n3w s;cret=#1");
    page->m_pRB_Pap->click();
    m_dialog->ShowPage(TFormExSettings::kModemPage);
    m_dialog->ShowPage(TFormExSettings::kConnectionPage);
    page->LoadSettings();
    EXPECT_EQ(page->m_pEPassword->text().toStdString(), "n3w s;cret=#1");
    EXPECT_TRUE(page->m_pRB_Pap->isChecked());
    EXPECT_EQ(Read("PROFILE0", "Connection_User_Password"), "p w");
    page->m_pBUpdate->click();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{Text(216)});
    EXPECT_EQ(Read("PROFILE0", "Connection_Phone"), "*99***1#");
    EXPECT_EQ(Read("PROFILE0", "Connection_User_Password"), "n3w s;cret=#1");
    // The file holding the password is the user's alone.
    EXPECT_EQ(fs::status(Config()).permissions() & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
    EXPECT_EQ(Read("PROFILE0", "Connection_User_Name"), "web");
    EXPECT_EQ(Read("PROFILE0", "Connection_APN"), "internet.example");
    EXPECT_EQ(Read("CONNECTION", "Authentication"), "1");
    EXPECT_EQ(Read("CONNECTION", "Technology"), "1");
    EXPECT_EQ(m_main.locked, 0);
}

TEST_F(ProfilePages, UnsavedTypingIsSettledOnCloseAndASaveElsewhereReplacesIt)
{
    MakeDialog();
    TExFrameGPRS* page = Gprs();
    const auto typeApnAndClose = [&](const char* apn, int answer) {
        m_dialog->show();
        m_dialog->ShowPage(TFormExSettings::kConnectionPage);
        page->m_pEModemAPN->insert(apn);
        m_main.answers = {answer};
        m_dialog->hide();
    };
    typeApnAndClose("dropped", mrNo);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{Text(515)});
    EXPECT_TRUE(page->m_pEModemAPN->text().isEmpty());
    typeApnAndClose("kept", mrYes);
    EXPECT_EQ(Read("PROFILE0", "Connection_APN"), "kept");
    // A save in the helper window is what this page shows from then on.
    m_dialog->show();
    page->m_pEModemAPN->insert("stale");
    auto* helperPage = new TExFrameGPRS(nullptr, m_language.get(), m_comm.get(), QPixmap(), true, &m_main);
    TFormExHelper helper(nullptr, helperPage);
    helperPage->LoadSettings();
    helperPage->m_pEModemAPN->setText("fixed");
    helperPage->m_pBUpdate->click();
    EXPECT_EQ(page->m_pEModemAPN->text().toStdString(), "fixed");
    m_dialog->hide();
    EXPECT_EQ(BoxTexts().size(), 3u);
}

TEST_F(ProfilePages, ConnectionPageRefusesAnEmptyNumber)
{
    uitest::WriteFile(Config(), "[PROFILE0]\nConnection_Phone=*99#\n[CONNECTION]\nAuthentication=7\n");
    MakeDialog();
    m_dialog->show();
    m_dialog->ShowPage(TFormExSettings::kConnectionPage);
    // An unknown value leaves the radios as they were.
    EXPECT_TRUE(Gprs()->m_pRB_None->isChecked());
    Gprs()->m_pEPhoneNumber->clear();
    Gprs()->m_pEUserName->setText("someone");
    Gprs()->m_pBUpdate->click();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{Text(203)});
    EXPECT_EQ(Read("PROFILE0", "Connection_Phone"), "*99#");
    EXPECT_EQ(Read("PROFILE0", "Connection_User_Name"), "<none>");
    m_main.answers = {mrYes};  // kept to be mended when saved on closing fails
    m_dialog->hide();
    EXPECT_EQ(Gprs()->m_pEUserName->text().toStdString(), "someone");
    EXPECT_EQ(m_main.locked, 0);
}

TEST_F(ProfilePages, ConnectionProfileThatCannotBeWrittenIsNotReportedSaved)
{
    MakeDialog();
    // A folder that is not there: every write of the profile fails.
    m_main.configPath = (m_root / "gone" / "Config.ini").string();
    m_dialog->ShowPage(TFormExSettings::kConnectionPage);
    Gprs()->m_pBUpdate->click();
    EXPECT_EQ(BoxTexts().back(), Text(297));
    EXPECT_FALSE(Gprs()->LastSaveWritten());
    EXPECT_EQ(m_main.locked, 0);

    // In the helper window: it stays open, so the user is not sent on to
    // dial with a profile that is not there; once written it closes.
    auto* page = new TExFrameGPRS(nullptr, m_language.get(), m_comm.get(), QPixmap(), true, &m_main);
    TFormExHelper helper(nullptr, page);
    helper.show();
    page->ShowPage();
    // It names itself and fills the window, no blank below its button.
    EXPECT_EQ(helper.TitlePanelLabel()->text().trimmed().toStdString(), Text(201));
    EXPECT_LE(helper.height() - TFormEx::kTitleHeight - page->m_pBUpdate->geometry().bottom(), 20);
    page->m_pBUpdate->click();
    EXPECT_EQ(BoxTexts().back(), Text(297));
    EXPECT_TRUE(helper.isVisible());
    m_main.configPath = Config().string();
    page->m_pBUpdate->click();
    EXPECT_EQ(BoxTexts().back(), Text(216));
    EXPECT_FALSE(helper.isVisible());
    EXPECT_EQ(Read("PROFILE0", "Connection_Phone"), "*99#");
}

TEST_F(ProfilePages, StatisticsShowTheTotalsAndResetToToday)
{
    MakeDialog();
    m_comm->GetStatistic()->SetDownloaded(1536);
    m_comm->GetStatistic()->SetUploaded(1023);
    m_dialog->ShowPage(TFormExSettings::kApplicationPage);
    EXPECT_EQ(App()->m_pLDown->text().toStdString(), "1.50 KB");
    EXPECT_EQ(App()->m_pLUp->text().toStdString(), "1023.00 B");

    // Anything but Yes changes nothing.
    m_main.answers = {mrNo};
    App()->m_pBReset->click();
    EXPECT_EQ(App()->m_pLDown->text().toStdString(), "1.50 KB");

    App()->m_pBReset->click();
    AnsiString today;
    TConStatistic probe("unused.dat");
    probe.SetStartDate(TConStatistic::Now());
    probe.GetStartDateText(today);
    EXPECT_EQ(App()->m_pLDate->text().toStdString(), today);
    EXPECT_EQ(App()->m_pLDown->text().toStdString(), "0.00 B");
    EXPECT_EQ(App()->m_pLUp->text().toStdString(), "0.00 B");
    EXPECT_EQ(m_main.labels[TMainActions::kDown].text().toStdString(), "0.00 B");
    EXPECT_EQ(uitest::ReadFile(m_program / "Statistic.dat"), today + " 0.00 0.00");

    // Connected, but the link's counters cannot be read: every figure keeps its value.
    m_main.connected = true;
    for (QLabel* l : {&m_main.labels[0], &m_main.labels[4], App()->m_pLDownSpeed, App()->m_pLTimeUp})
        l->setText("kept");
    App()->UpdateStatistic();
    for (QLabel* l : {&m_main.labels[0], &m_main.labels[4], App()->m_pLDownSpeed, App()->m_pLTimeUp})
        EXPECT_EQ(l->text().toStdString(), "kept");
}

TEST_F(ProfilePages, LanguageChangesOnlyWithTheButton)
{
    MakeDialog();
    m_dialog->ShowPage(TFormExSettings::kApplicationPage);
    QComboBox* combo = App()->m_pCBLanguage;
    ASSERT_GE(combo->count(), 2);
    EXPECT_EQ(combo->currentIndex(), 0);
    const std::string english = Text(178);
    combo->setCurrentIndex(1);
    EXPECT_EQ(m_main.languageSwitches, 0);
    EXPECT_EQ(m_language->GetActiveLanguage(), 0);
    App()->m_pBOk->click();
    EXPECT_EQ(m_main.languageSwitches, 1);
    EXPECT_EQ(TIniFile(Config().string()).ReadInteger("SETTINGS", "ActiveLanguage", -1), 1);
    EXPECT_EQ(m_dialog->m_pPNGSecurity->text().toStdString(), Text(178));
    EXPECT_NE(Text(178), english);
}

}  // namespace
