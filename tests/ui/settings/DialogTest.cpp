// The settings dialog: page switching, the page buttons' covers by PIN state,
// the wait panel and the routing of the main window's messages.
#include <QFontMetrics>
#include <QRadioButton>
#include <thread>

#include "SettingsFixture.h"
#include "platform/MessagePump.h"
#include "ui/common/TLockCover.h"
#include "ui/common/TSkinButton.h"
#include "ui/common/UiStyle.h"
#include "ui/settings/TExFrameSettings.h"
#include "ui/settings/TExFrmSecurity.h"
#include "ui/settings/TExFrameGPRS.h"
#include "ui/settings/TExFrameModem.h"
#include "ui/dialogs/TFormExHelper.h"

using namespace settingstest;

namespace {

// What takes a click at the middle of the button: the button or its cover.
QWidget* ClickTarget(TFormExSettings& d, int index)
{
    TSkinButton* b = d.PageButton(index);
    return d.childAt(b->geometry().center());
}

class Dialog : public SettingsTest {};

TEST_F(Dialog, PageButtonsShowTheirPageUnderTheSharedTitle)
{
    MakeDialog();
    m_dialog->show();
    const int titles[] = {181, 201, 221, 232, 239};
    for (int i : {4, 2, 0, 3, 1}) {
        SCOPED_TRACE(i);
        m_dialog->PageButton(i)->click();
        EXPECT_EQ(m_dialog->CurrentPage(), i);
        for (int p = 0; p < TFormExSettings::kPageCount; ++p)
            EXPECT_EQ(m_dialog->PageAt(p)->isVisible(), p == i);
        EXPECT_EQ(m_dialog->TitlePanelLabel()->text().toStdString(), "  " + Text(175) + " - " + Text(titles[i]));
        // The click ran between the dialog's own lock and unlock.
        EXPECT_EQ(m_main.locked, 0);
        EXPECT_EQ(ClickTarget(*m_dialog, i), m_dialog->PageButton(i));
    }
    // The page survives hiding and showing.
    m_dialog->hide();
    m_dialog->show();
    EXPECT_EQ(m_dialog->CurrentPage(), 1);
}

TEST_F(Dialog, WithoutPinSecurityAndSmsStayCoveredAfterEveryUnlock)
{
    MakeDialog();
    m_main.pinOk = false;
    m_dialog->show();
    for (int round = 0; round < 2; ++round) {
        m_dialog->Lock();
        for (int i = 0; i < TFormExSettings::kPageCount; ++i)
            EXPECT_EQ(ClickTarget(*m_dialog, i), m_dialog->PageBevel(i)) << "locked, button " << i;
        m_dialog->Unlock();
        for (int i = 0; i < TFormExSettings::kPageCount; ++i) {
            const bool covered = i == TFormExSettings::kSecurityPage || i == TFormExSettings::kSmsPage;
            EXPECT_EQ(ClickTarget(*m_dialog, i) == m_dialog->PageBevel(i), covered) << "button " << i;
            EXPECT_EQ(m_dialog->PageButton(i)->CaptionColour(), covered ? QColor(0x80, 0x80, 0x80) : QColor(Qt::white));
        }
    }
    // Shown again while on a covered page, the dialog opens on the modem page.
    m_dialog->ShowPage(TFormExSettings::kSecurityPage);
    m_dialog->hide();
    m_dialog->show();
    EXPECT_EQ(m_dialog->CurrentPage(), TFormExSettings::kModemPage);
}

TEST_F(Dialog, WaitPanelIsAtLeast205WideAndCentred)
{
    MakeDialog();
    const QFontMetrics fm(m_dialog->WaitText()->font());
    QString longText = "Searching";
    while (fm.horizontalAdvance(longText) < 300)
        longText += " and searching";
    for (const QString& text : {QString("Wait"), longText}) {
        SCOPED_TRACE(text.toStdString());
        m_dialog->ShowWaitPanel(FromQ(text));
        const int expected = std::max(205, fm.horizontalAdvance(text) + 40);
        EXPECT_EQ(m_dialog->WaitPanel()->width(), expected);
        EXPECT_EQ(m_dialog->WaitPanel()->x(), (m_dialog->width() - expected) / 2);
        EXPECT_EQ(m_dialog->WaitPanel()->y(), 84);
        EXPECT_TRUE(m_dialog->WaitPanel()->isVisibleTo(m_dialog.get()));
    }
    // The stripe runs from -41 to -1 and starts over.
    ASSERT_TRUE(uitest::PumpUntil([&] { return m_dialog->WaitOffset() != -42; }));
    const int offset = m_dialog->WaitOffset();
    EXPECT_GE(offset, -41);
    EXPECT_LE(offset, -1);
    m_dialog->HideWaitPanel();
    EXPECT_FALSE(m_dialog->WaitPanel()->isVisibleTo(m_dialog.get()));
}

TEST_F(Dialog, ModemStateMessageReachesEveryPage)
{
    MakeDialog();
    auto* security = PageOf<TExFrmSecurity>(TFormExSettings::kSecurityPage);
    m_main.pinOk = false;
    SendMessage(m_dialog.get(), WM_MODEM_STATE_CHANGED, 0, 0);
    EXPECT_FALSE(security->m_pRBEnable->isEnabled());
    EXPECT_TRUE(security->BvlSpacer->isVisibleTo(security));
    m_main.pinOk = true;
    SendMessage(m_dialog.get(), WM_MODEM_STATE_CHANGED, 0, 0);
    EXPECT_TRUE(security->m_pRBEnable->isEnabled());
    EXPECT_FALSE(security->BvlSpacer->isVisibleTo(security));
}

TEST_F(Dialog, StatisticsMessageFromAnotherThreadFillsTheMainWindowsRow)
{
    MakeDialog();
    m_comm->GetStatistic()->SetDownloaded(1536);
    m_comm->GetStatistic()->SetUploaded(1023);
    std::thread worker([this] { SendMessage(m_dialog.get(), WM_UPDATE_STATISTIC, 0, 0); });
    while (m_main.labels[TMainActions::kUp].text().isEmpty())
        uitest::Pump(5);
    worker.join();
    EXPECT_EQ(m_main.labels[TMainActions::kDown].text().toStdString(), "1.50 KB");
    EXPECT_EQ(m_main.labels[TMainActions::kUp].text().toStdString(), "1023.00 B");
    // Not connected: speed and time keep what they showed.
    EXPECT_TRUE(m_main.labels[TMainActions::kDownSpeed].text().isEmpty());
}

}  // namespace

TEST_F(Dialog, EveryTextFitsItsPlaceInEveryLanguage)
{
    MakeDialog();
    m_dialog->show();
    for (int lang = 0; lang < m_language->GetLanguageCount(); ++lang) {
        SCOPED_TRACE(m_language->GetLanguages()[static_cast<size_t>(lang)]);
        m_language->SetActiveLanguage(lang);
        m_dialog->ApplyLanguage();
        for (int i = 0; i < TFormExSettings::kPageCount; ++i) {
            m_dialog->PageButton(i)->click();
            for (const std::string& miss : uitest::TextsThatDoNotFit(m_dialog.get()))
                ADD_FAILURE() << miss;
            for (const std::string& rich : uitest::LabelsNotPlain(m_dialog.get()))
                ADD_FAILURE() << rich;
            for (const std::string& hard : uitest::TextsHardToRead(m_dialog.get()))
                ADD_FAILURE() << hard;
        }
        // The two pages the helper window shows, laid out for it.
        auto* modem = new TExFrameModem(nullptr, m_language.get(), m_comm.get(), QPixmap(), true, &m_main);
        modem->LayoutForHelper();
        TFormExHelper modemHelper(nullptr, modem);
        TFormExHelper gprsHelper(
            nullptr, new TExFrameGPRS(nullptr, m_language.get(), m_comm.get(), QPixmap(), true, &m_main));
        TFormExHelper chooser(nullptr, new TExFrameModem(nullptr, m_language.get(), m_comm.get(), QPixmap(), true, &m_main));
        for (const TFormExHelper* h : {&modemHelper, &gprsHelper, &chooser})
            for (const std::string& miss : uitest::TextsThatDoNotFit(h))
                ADD_FAILURE() << "helper: " << miss;
        for (TFormExHelper* h : {&modemHelper, &gprsHelper, &chooser}) {
            for (const std::string& rich : uitest::LabelsNotPlain(h))
                ADD_FAILURE() << "helper: " << rich;
            h->show();
            for (const std::string& hard : uitest::TextsHardToRead(h))
                ADD_FAILURE() << "helper: " << hard;
        }
    }
}
