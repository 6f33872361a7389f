// The SMS window: start with and without a store, the unread report, list
// refills on WM_SMS_STORE_CHANGED (also from another thread), lock, titles,
// the wait panel.
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableWidget>

#include "SmsWindowFixture.h"
#include "tools/modemsim/SmsModule.h"
#include "ui/common/TLockCover.h"
#include "ui/common/TSkinButton.h"
#include "ui/sms/TFormExSMSZoom.h"

namespace {
// A received message of 2011-01-01 from +18005551212, "hellohello".
constexpr const char* kDeliverHello = "07912143658709F1040B918100551512F20000111010214365000AE8329BFD4697D9EC37";
}  // namespace

TEST_F(SmsWindowTest, StartWithoutStoreShowsEmptyListsAndCompose)
{
    TFormExSMS* w = Open();
    ASSERT_EQ(m_main.unreadStates, std::vector<LPARAM>({0}));
    for (int list = 1; list <= 3; ++list) {
        EXPECT_EQ(List(list)->RowCount(), 2) << list;
        EXPECT_TRUE(List(list)->Cell(2, 1).isEmpty());
        EXPECT_FALSE(List(list)->DeleteCover()->isHidden()) << "an empty list offers no deletion";
    }
    w->show();
    EXPECT_EQ(w->CurrentPage(), 0);
    EXPECT_TRUE(Compose()->isVisible());
    EXPECT_EQ(w->TitlePanelLabel()->text().toStdString(), "  " + Text(137) + " - " + Text(143));
    // A status change or deletion would write Messages.bin; opening never does.
    EXPECT_FALSE(std::filesystem::exists(m_program / sms::kSmsFileName));
}

TEST_F(SmsWindowTest, UnreadStoreIsReportedAndOpensTheUnreadList)
{
    WriteStore({Record(1, "200", u"old", 1000.0), Record(0, "100", u"new", 2000.0),
                Record(2, "300", u"draft", 1500.0)});
    TFormExSMS* w = Open();
    ASSERT_EQ(m_main.unreadStates, std::vector<LPARAM>({1}));
    // Newest first; each row carries its record's index.
    EXPECT_EQ(List(1)->Cell(2, 1), "100");
    EXPECT_EQ(List(1)->Cell(1, 1), "0");
    EXPECT_EQ(List(1)->Cell(4, 1), "new");
    EXPECT_EQ(List(2)->Cell(2, 1), "200");
    EXPECT_EQ(List(2)->Cell(1, 1), "2");
    // A stored unsent message shows on no list but stays in the store.
    for (int list = 1; list <= 3; ++list)
        for (int row = 1; row < List(list)->RowCount(); ++row)
            EXPECT_NE(List(list)->Cell(2, row), "300");
    EXPECT_EQ(m_comm->GetSmsStore().size(), 3u);
    w->show();
    EXPECT_EQ(w->CurrentPage(), 1);
    EXPECT_TRUE(List(1)->isVisible());
    EXPECT_FALSE(Compose()->isVisible());
}

TEST_F(SmsWindowTest, DateColumnFormat)
{
    // 2011-03-29 14:05 is day 40631 plus the time of day.
    WriteStore({Record(1, "1", u"a", 40631.0 + (14 * 60 + 5) / 1440.0), Record(1, "2", u"b", 0.0)});
    Open();
    EXPECT_EQ(List(2)->Cell(3, 1), "29/03/11 14:05");
    EXPECT_EQ(List(2)->Cell(3, 2), "30/12/99 00:00");
}

TEST_F(SmsWindowTest, StoreChangedFromTheWorkerRefillsEveryList)
{
    TFormExSMS* w = Open();
    ASSERT_TRUE(m_comm->OpenPort(0));
    ASSERT_GE(m_sim.Sms().Store(kDeliverHello, 0), 0);
    std::atomic<bool> done {false}, read {false};
    // As the worker does it: read the SIM, then tell the window and wait.
    std::thread worker([&] {
        read = m_comm->ReadAllSms();
        if (read)
            SendMessage(w, WM_SMS_STORE_CHANGED, 0, 0);
        done = true;
    });
    while (!done)
        uitest::Pump(5);
    worker.join();
    ASSERT_TRUE(read) << MemoDump();
    EXPECT_EQ(List(1)->Cell(2, 1), "+18005551212");
    EXPECT_EQ(List(1)->Cell(4, 1), "hellohello");
    EXPECT_EQ(m_main.unreadStates, std::vector<LPARAM>({0, 1}));
    EXPECT_TRUE(m_sim.Sms().Messages().empty());
    // The handler read the store while the sender held the modem.
    EXPECT_EQ(m_main.suspends, m_main.resumes);
}

TEST_F(SmsWindowTest, LockCoversPageButtonsAndUnlockFreesThem)
{
    TFormExSMS* w = Open();
    w->show();
    w->Lock();
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(w->PageBevel(i)->isVisible());
        EXPECT_TRUE(w->PageBevel(i)->geometry().contains(w->PageButton(i)->geometry()));
        EXPECT_EQ(w->PageButton(i)->CaptionColour(), BgrColor(0x808080));
    }
    EXPECT_FALSE(Compose()->TextMemo()->isEnabled());
    w->Unlock();
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(w->PageBevel(i)->isVisible());
        EXPECT_EQ(w->PageButton(i)->CaptionColour(), BgrColor(0xFFFFFF));
    }
    EXPECT_TRUE(Compose()->TextMemo()->isEnabled());
}

TEST_F(SmsWindowTest, PageButtonsSwitchPagesAndTitles)
{
    TFormExSMS* w = Open();
    w->show();
    w->PageButton(2)->click();
    EXPECT_EQ(w->CurrentPage(), 2);
    EXPECT_TRUE(List(2)->isVisible());
    EXPECT_FALSE(Compose()->isVisible());
    EXPECT_EQ(w->TitlePanelLabel()->text().toStdString(), "  " + Text(137) + " - " + Text(141));
    EXPECT_EQ(List(3)->Cell(2, 0).toStdString(), Text(154));
    EXPECT_EQ(List(2)->Cell(2, 0).toStdString(), Text(155));
    // Hidden and shown again: the page it showed last.
    w->hide();
    w->show();
    EXPECT_EQ(w->CurrentPage(), 2);
}

TEST_F(SmsWindowTest, WaitPanelWidthFollowsItsText)
{
    TFormExSMS* w = Open();
    w->show();
    const QFontMetrics fm(w->WaitText()->font());
    w->ShowWaitPanel("x");
    EXPECT_EQ(w->WaitPanel()->width(), 205);
    EXPECT_EQ(w->WaitPanel()->x(), (w->width() - 205) / 2);
    const std::string longText(60, 'W');
    w->ShowWaitPanel(longText);
    const int expected = fm.horizontalAdvance(QString::fromStdString(longText)) + 40;
    ASSERT_GT(expected, 205);
    EXPECT_EQ(w->WaitPanel()->width(), expected);
    EXPECT_EQ(w->WaitPanel()->x(), (w->width() - expected) / 2);
    ASSERT_TRUE(uitest::PumpUntil([&] { return w->WaitOffset() != -42; }));
    EXPECT_GE(w->WaitOffset(), -41);
    EXPECT_LE(w->WaitOffset(), -1);
    w->HideWaitPanel();
    EXPECT_FALSE(w->WaitPanel()->isVisible());
}

TEST_F(SmsWindowTest, EveryTextFitsItsPlaceInEveryLanguage)
{
    TFormExSMS* w = Open();
    w->show();
    for (int lang = 0; lang < m_lang->GetLanguageCount(); ++lang) {
        SCOPED_TRACE(m_lang->GetLanguages()[static_cast<size_t>(lang)]);
        m_lang->SetActiveLanguage(lang);
        w->ApplyLanguage();
        EXPECT_NE(Text(145).find(" ,"), std::string::npos) << "the recipients label names \",\" as well as \";\"";
        for (int i = 0; i < 4; ++i) {
            w->PageButton(i)->click();
            for (const std::string& miss : uitest::TextsThatDoNotFit(w))
                ADD_FAILURE() << miss;
            for (const std::string& rich : uitest::LabelsNotPlain(w))
                ADD_FAILURE() << rich;
        }
        // The zoom as the window opens it, with a message that looks like
        // markup: shown as typed, in captions that fit.
        bool opened = false;
        dlgtest::WhenModal<TFormExSMSZoom>([&](TFormExSMSZoom* z) {
            opened = true;
            EXPECT_EQ(z->NumberEdit()->text().toStdString(), "<b>x</b>");
            EXPECT_EQ(z->TextMemo()->toPlainText().toStdString(), "<b>x</b>&amp;");
            for (const std::string& miss : uitest::TextsThatDoNotFit(z))
                ADD_FAILURE() << miss;
            for (const std::string& rich : uitest::LabelsNotPlain(z))
                ADD_FAILURE() << rich;
            z->CloseButton()->click();
        });
        w->OpenZoom("<b>x</b>", u"<b>x</b>&amp;");
        EXPECT_TRUE(opened);
    }
}
