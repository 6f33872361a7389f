#include <gtest/gtest.h>

#include <QLabel>
#include <QRegularExpression>

#include "../WidgetTestSupport.h"
#include "DialogTestSupport.h"
#include "ui/common/ModalResult.h"
#include "ui/common/TConfigFile.h"
#include "ui/common/TExImage.h"
#include "ui/common/TSkinButton.h"
#include "ui/dialogs/TFormExAbout.h"
#include "ui/common/ProgramPaths.h"
#include "ui/main/TModemMainFrame.h"

using namespace dlgtest;
using uitest::Pump;

namespace {
struct Owner : QWidget {
    Owner() : QWidget(nullptr, Qt::FramelessWindowHint) { setGeometry(100, 100, 519, 145); }
};

// Keeps the targets instead of starting a browser or a mail program.
struct About : TFormExAbout {
    using TFormExAbout::TFormExAbout;
    std::vector<std::string> opened;
    AnsiString version = "unset";
    AnsiString GetFileVersion() const override
    {
        return version == "unset" ? TFormExAbout::GetFileVersion() : version;
    }
    void OpenUrl(const QUrl& url) override { opened.push_back(url.toString(QUrl::FullyEncoded).toStdString()); }
};

void ClickLabel(QLabel* label)
{
    uitest::Press(label, Qt::LeftButton);
    uitest::Release(label, Qt::LeftButton);
}
}  // namespace

TEST(About, ShowsTheTextsTheBuildVersionAndOpensTheLinks)
{
    Languages lang("about_texts");
    Owner owner;
    About about(&owner, lang.get(), lang.config.string());
    EXPECT_EQ(about.TitleLabel()->text(), "  About Quorvix");
    EXPECT_EQ(about.m_pLIMEI->text(), "IMEI:");
    // The version the build stamped: three dotted numbers.
    EXPECT_TRUE(QRegularExpression("^Version \\d+\\.\\d+\\.\\d+$").match(about.m_pLVersion->text()).hasMatch())
        << about.m_pLVersion->text().toStdString();

    ClickLabel(about.m_pLWeb);
    ClickLabel(about.m_pLEmail);
    uitest::Press(about.m_pLWeb, Qt::RightButton);
    uitest::Release(about.m_pLWeb, Qt::RightButton);
    EXPECT_EQ(about.opened, (std::vector<std::string>{"https://www.quorvix.example",
                                                  "mailto:support@quorvix.example?subject=Quorvix"}));
}

TEST(About, EachShowingRereadsTheTextsAndTheVersion)
{
    Languages lang("about_language");
    Owner owner;
    About about(&owner, lang.get(), lang.config.string());
    about.version = "";
    lang.table->SetActiveLanguage(1);
    WhenModal<TFormExAbout>([](TFormExAbout* a) { a->m_pBClose->click(); });
    EXPECT_EQ(about.exec(), mrCancel);
    EXPECT_EQ(about.TitleLabel()->text(), QString::fromUtf8("  \u00dcber Quorvix"));
    EXPECT_EQ(about.m_pBClose->text(), QString::fromUtf8("Schlie\u00dfen"));
    EXPECT_EQ(about.m_pLVersion->text(), "Version ") << "no version: the text and one blank";
}

TEST(About, ShownCentredOverTheOwnerAndItsPlaceKeptOnClose)
{
    Languages lang("about_place");
    Owner owner;
    owner.show();
    About about(&owner, lang.get(), lang.config.string());
    QPoint shownAt;
    WhenModal<TFormExAbout>([&](TFormExAbout* a) {
        shownAt = a->pos();
        a->move(shownAt + QPoint(7, 9));  // the user drags it
        uitest::Press(a->ExitImage(), Qt::LeftButton);
        uitest::Release(a->ExitImage(), Qt::LeftButton);
    });
    EXPECT_EQ(about.exec(), mrCancel);
    EXPECT_EQ(shownAt, QPoint(100 + (519 - 347) / 2, 100 + (145 - 244) / 2));
    TConfigFile config(lang.config.string());
    EXPECT_EQ(config.GetAboutLeft(), shownAt.x() + 7);
    EXPECT_EQ(config.GetAboutTop(), shownAt.y() + 9);

    // The stored place does not move it away from its owner.
    WhenModal<TFormExAbout>([&](TFormExAbout* a) {
        shownAt = a->pos();
        a->m_pBClose->click();
    });
    about.exec();
    EXPECT_EQ(shownAt, QPoint(100 + (519 - 347) / 2, 100 + (145 - 244) / 2));
}

TEST(About, OpensOnlyWebAddressesAndMailToAnEncodedAddress)
{
    Languages lang("about_links");
    Owner owner;
    About about(&owner, lang.get(), lang.config.string());
    const struct {
        const char* web;
        const char* opened;  // "" when nothing may be opened
    } webCases[] = {
        {"http://www.quorvix.example/help", "http://www.quorvix.example/help"},
        {"www.quorvix.example", "http://www.quorvix.example"},
        {"/usr/bin/xterm", ""},
        {"file:///etc/passwd", ""},
        {"javascript:alert(1)", ""},
        {"smb://host/share", ""},
        {"", ""},
    };
    for (const auto& c : webCases) {
        about.opened.clear();
        about.m_pLWeb->setText(c.web);
        ClickLabel(about.m_pLWeb);
        EXPECT_EQ(about.opened, c.opened[0] ? std::vector<std::string>{c.opened} : std::vector<std::string>{}) << c.web;
    }
    const struct {
        const char* mail;
        const char* opened;
    } mailCases[] = {
        {"help@quorvix.example", "mailto:help@quorvix.example?subject=Quorvix"},
        // What follows the address stays part of it: no body, copy or attachment sneaks in.
        {"a@b.example?attach=/etc/passwd&cc=x@y.example",
         "mailto:a@b.example%3Fattach%3D%2Fetc%2Fpasswd%26cc%3Dx@y.example?subject=Quorvix"},
        {"no address", ""},
        {"", ""},
    };
    for (const auto& c : mailCases) {
        about.opened.clear();
        about.m_pLEmail->setText(c.mail);
        ClickLabel(about.m_pLEmail);
        EXPECT_EQ(about.opened, c.opened[0] ? std::vector<std::string>{c.opened} : std::vector<std::string>{}) << c.mail;
    }
}

TEST(About, TheMainWindowHasOneAboutAndHidesItWithItsOtherWindows)
{
    const auto folder = uitest::FreshDir("about_main");
    std::filesystem::copy_file(uitest::BinDir() / "Language.ini", folder / "Language.ini");
    SetProgramFolder(folder.string());
    {
        TModemMainFrame main;
        QWidget* shown = nullptr;
        bool hidden = false;
        // The device list changes while About is open: the search hides it first.
        WhenModal<TFormExAbout>([&](TFormExAbout* a) {
            shown = a;
            main.HideOwnedWindows();
            hidden = !a->isVisible();
            if (!hidden)
                a->m_pBClose->click();
        });
        main.OnAboutClick();
        ASSERT_NE(shown, nullptr);
        EXPECT_TRUE(hidden);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_FALSE(main.IsLocked());
        // The Troubleshoot answer and the About button show the same window.
        QWidget* again = nullptr;
        WhenModal<TFormExAbout>([&](TFormExAbout* a) {
            again = a;
            a->m_pBClose->click();
        });
        main.OnAboutClick();
        EXPECT_EQ(again, shown);
    }
    SetProgramFolder("");
}
