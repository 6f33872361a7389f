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

using namespace dlgtest;
using uitest::Pump;

namespace {
struct Owner : QWidget {
    Owner() : QWidget(nullptr, Qt::FramelessWindowHint) { setGeometry(100, 100, 519, 145); }
};

// Keeps the targets instead of starting a browser or a mail program.
struct About : TFormExAbout {
    using TFormExAbout::TFormExAbout;
    std::vector<QString> opened;
    AnsiString version = "unset";
    AnsiString GetFileVersion() const override
    {
        return version == "unset" ? TFormExAbout::GetFileVersion() : version;
    }
    void OpenUrl(const QUrl& url) override { opened.push_back(url.toString()); }
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
    EXPECT_EQ(about.opened, (std::vector<QString>{"https://www.quorvix.example",
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
