// The message lists: deleting on each list, a message becoming read through
// the zoomed message, reply, and the zoom dialog itself.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QStyleHints>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <algorithm>

#include "../UserInput.h"
#include "SmsWindowFixture.h"
#include "tools/modemsim/SmsModule.h"
#include "ui/common/TLockCover.h"
#include "communicator/sms/SmsList.h"
#include "communicator/sms/SmsPdu.h"
#include "ui/common/TSkinButton.h"
#include "ui/sms/TFormExSMSZoom.h"

namespace {
constexpr const char* kDeliverHello = "07912143658709F1040B918100551512F20000111010214365000AE8329BFD4697D9EC37";

long Count(const std::vector<std::string>& lines, const std::string& line)
{
    return std::count(lines.begin(), lines.end(), line);
}
}

class SmsListTest : public SmsWindowTest {
protected:
    // Two messages of each list and a stored unsent one, interleaved in time.
    void SetUp() override
    {
        SmsWindowTest::SetUp();
        WriteSample();
    }
    void WriteSample()
    {
        WriteStore({Record(0, "u1", u"unread one", 45010.0), Record(1, "r1", u"read one", 45009.0),
                    Record(3, "s1", u"sent one", 45008.0), Record(0, "u2", u"unread two", 45007.0),
                    Record(1, "r2", u"read two", 45006.0), Record(3, "s2", u"sent two", 45005.0),
                    Record(2, "d1", u"draft", 45004.0)});
    }
    // Double-clicks the row and answers the zoom dialog with `act`.
    void Zoom(int list, int row, std::function<void(TFormExSMSZoom*)> act)
    {
        List(list)->SelectRows(row, row);
        dlgtest::WhenModal<TFormExSMSZoom>(act);
        emit List(list)->Grid()->cellDoubleClicked(row - 1, 2);
    }
};

TEST_F(SmsListTest, DeleteOnEachList)
{
    const struct {
        int list, status;
        bool toldMain;
    } cases[] = {{1, 0, true}, {2, 1, false}, {3, 3, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list);
        m_window.reset();
        WriteSample();
        m_main.Clear();
        TFormExSMS* w = Open();
        w->show();
        w->ShowPage(c.list);
        List(c.list)->SelectRows(1, 2);
        m_memo.Clear();
        List(c.list)->DeleteButton()->click();
        EXPECT_EQ(Count(m_memo.Lines(), "Saving SMS ToFile"), 1)
            << "one save for the whole selection";
        EXPECT_EQ(CountOnDisk(c.status), 0);
        EXPECT_EQ(StoreOnDisk().size(), 5u) << "only the selected messages go";
        EXPECT_EQ(CountOnDisk(2), 1);
        EXPECT_EQ(List(c.list)->RowCount(), 2);
        EXPECT_TRUE(List(c.list)->Cell(2, 1).isEmpty());
        EXPECT_FALSE(List(c.list)->DeleteCover()->isHidden());
        // The unread list tells the main window that nothing unread is left.
        EXPECT_EQ(m_main.unreadStates.back(), c.toldMain ? 0 : 1);
        EXPECT_EQ(m_main.locks, m_main.unlocks);
        EXPECT_EQ(m_main.suspends, m_main.resumes);
        EXPECT_GE(m_main.suspends, 1) << "the worker keeps off the store meanwhile";
        EXPECT_FALSE(w->WaitPanel()->isVisible());
    }
}

TEST_F(SmsListTest, AFailedDeletionKeepsTheMessagesAndSaysSo)
{
    TFormExSMS* w = Open();
    w->show();
    w->ShowPage(2);
    // The store cannot be saved: its temporary file cannot be made.
    std::filesystem::create_directory(m_program / "Messages.bin.tmp");
    List(2)->SelectRows(1, 2);
    List(2)->DeleteButton()->click();
    EXPECT_EQ(m_main.boxes, std::vector<std::string>({Text(302)}));
    EXPECT_EQ(List(2)->RowCount(), 3);
    EXPECT_EQ(List(2)->Cell(2, 1), "r1");
    EXPECT_EQ(List(2)->Cell(2, 2), "r2");
    EXPECT_EQ(m_comm->GetSmsStore().size(), 7u);
    EXPECT_EQ(CountOnDisk(1), 2);
    EXPECT_EQ(m_main.locks, m_main.unlocks);
    EXPECT_FALSE(w->WaitPanel()->isVisible());

    // Once the store can be saved again, the same selection goes.
    std::filesystem::remove(m_program / "Messages.bin.tmp");
    List(2)->SelectRows(1, 2);
    List(2)->DeleteButton()->click();
    EXPECT_EQ(CountOnDisk(1), 0);
    EXPECT_EQ(m_main.boxes.size(), 1u);
}

TEST_F(SmsListTest, ADamagedStoreIsReportedOnceWhenTheWindowShows)
{
    std::ofstream(m_program / sms::kSmsFileName, std::ios::binary | std::ios::app) << "half a record";
    TFormExSMS* w = Open();
    EXPECT_TRUE(m_main.boxes.empty()) << "not while the window is built at start-up";
    EXPECT_EQ(List(2)->RowCount(), 3) << "the readable messages are shown";
    w->show();
    QElapsedTimer clock;
    clock.start();
    while (m_main.boxes.empty() && clock.elapsed() < 10000)
        uitest::Pump(0);
    EXPECT_EQ(m_main.boxes, std::vector<std::string>({Text(301)}));
    w->hide();
    w->show();
    uitest::Pump(0);
    EXPECT_EQ(m_main.boxes.size(), 1u) << "told once";
}

TEST_F(SmsListTest, ADoubleClickOnDeleteDeletesOneMessage)
{
    for (int list : {1, 2}) {
        SCOPED_TRACE(list);
        m_window.reset();
        WriteSample();
        TFormExSMS* w = Open();
        w->show();
        w->ShowPage(list);
        List(list)->SelectRows(1, 1);
        ClickAt(List(list)->DeleteButton(), true);
        EXPECT_EQ(CountOnDisk(list - 1), 1) << "the second click deletes no other message";
        EXPECT_EQ(List(list)->Cell(2, 1), list == 1 ? "u2" : "r2");
        EXPECT_TRUE(List(list)->SelectedRows().empty()) << "no highlight on a message the user did not pick";
    }
}

TEST_F(SmsListTest, TheHighlightStaysOnTheChosenMessages)
{
    // Stored before the messages that arrive, so that these come on top.
    WriteStore({Record(0, "u1", u"unread one", 40010.0), Record(1, "r1", u"read one", 40009.0),
                Record(0, "u2", u"unread two", 40007.0), Record(1, "r2", u"read two", 40006.0)});
    TFormExSMS* w = Open();
    w->show();
    ASSERT_TRUE(m_comm->OpenPort(0));
    std::string pdu = kDeliverHello;
    int arrived = 0;
    const auto arrive = [&] {
        // The worker reads a newer message and tells the window.
        pdu.back() = "89A"[arrived++];
        ASSERT_GE(m_sim.Sms().Store(pdu, 0), 0);
        ASSERT_TRUE(m_comm->ReadAllSms()) << MemoDump();
        SendMessage(w, WM_SMS_STORE_CHANGED, 0, 0);
    };
    List(2)->SelectRows(1, 2);
    List(1)->SelectRows(1, 1);
    arrive();
    EXPECT_EQ(List(1)->SelectedRows(), std::vector<int>({2}));
    EXPECT_EQ(List(1)->Cell(2, 2), "u1");
    EXPECT_EQ(List(2)->SelectedRows(), std::vector<int>({1, 2}));

    // A message arriving inside the action's own lock: the action still does
    // what was clicked.
    m_main.onLock = arrive;
    List(1)->DeleteButton()->click();
    m_main.onLock = arrive;
    Zoom(1, 3, [](TFormExSMSZoom* z) { z->CloseButton()->click(); });
    std::vector<std::string> unread;
    for (const auto& r : StoreOnDisk())
        if (r.status == 0)
            unread.push_back(sms::GetSmsNumber(r));
    EXPECT_EQ(unread, std::vector<std::string>(3, "+18005551212")) << "u1 deleted, u2 read";
    EXPECT_EQ(CountOnDisk(1), 3);
    EXPECT_TRUE(m_main.boxes.empty());
}

TEST_F(SmsListTest, SentListDeletionIsLogged)
{
    Open();
    List(3)->SelectRows(2, 2);
    List(3)->DeleteButton()->click();
    EXPECT_TRUE(Logged("TopRow = 2; BottomRow = 3"));
    EXPECT_TRUE(Logged("After For Loop"));
    ASSERT_EQ(CountOnDisk(3), 1);
    EXPECT_EQ(List(3)->Cell(2, 1), "s1");
}

TEST_F(SmsListTest, CtrlClickPicksOnlyTheRowClicked)
{
    WriteStore({Record(3, "s1", u"one", 45010.0), Record(3, "s2", u"two", 45009.0), Record(3, "s3", u"three", 45008.0)});
    TFormExSMS* w = Open();
    w->show();
    w->ShowPage(3);
    QTableWidget* grid = List(3)->Grid();
    const auto click = [grid](int row, Qt::KeyboardModifiers keys) {
        const QPoint at = grid->visualRect(grid->model()->index(row - 1, 2)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, keys, at);
    };
    click(1, Qt::NoModifier);
    click(2, Qt::ShiftModifier);
    EXPECT_EQ(List(3)->SelectedRows(), std::vector<int>({1, 2}));
    click(2, Qt::ControlModifier);
    click(3, Qt::ControlModifier);
    EXPECT_EQ(List(3)->SelectedRows(), std::vector<int>({1, 3}));
    List(3)->DeleteButton()->click();
    ASSERT_EQ(CountOnDisk(3), 1);
    EXPECT_EQ(List(3)->Cell(2, 1), "s2");
}

TEST_F(SmsListTest, DeleteWithNothingSelectedAsks)
{
    Open();
    List(2)->Grid()->clearSelection();
    List(2)->DeleteButton()->click();
    EXPECT_EQ(m_main.boxes, std::vector<std::string>({Text(160)}));
    EXPECT_EQ(CountOnDisk(1), 2);
    EXPECT_EQ(m_main.locks, m_main.unlocks);
}

TEST_F(SmsListTest, StaleRowNeverDeletesAnotherMessage)
{
    Open();
    // A sent copy renumbers the store; the read list is not refilled yet,
    // so its rows carry old indexes.
    m_comm->AddSentSms("999", u"newest");
    List(2)->SelectRows(1, 2);
    List(2)->DeleteButton()->click();
    EXPECT_EQ(CountOnDisk(0), 2) << "no unread message may go";
    EXPECT_EQ(CountOnDisk(3), 3);
    EXPECT_EQ(CountOnDisk(2), 1);
}

TEST_F(SmsListTest, OpeningAnUnreadMessageMakesItRead)
{
    TFormExSMS* w = Open();
    w->show();
    std::string shownNumber, shownText;
    Zoom(1, 2, [&](TFormExSMSZoom* z) {
        shownNumber = z->NumberEdit()->text().toStdString();
        shownText = z->TextMemo()->toPlainText().toStdString();
        EXPECT_TRUE(z->NumberEdit()->isReadOnly());
        EXPECT_TRUE(z->TextMemo()->isReadOnly());
        z->btnExitClick();
    });
    EXPECT_EQ(shownNumber, "u2");
    EXPECT_EQ(shownText, "unread two");
    EXPECT_EQ(List(1)->RowCount(), 2);
    EXPECT_EQ(List(1)->Cell(2, 1), "u1");
    EXPECT_EQ(List(2)->RowCount(), 4);
    EXPECT_EQ(CountOnDisk(0), 1);
    EXPECT_EQ(m_main.unreadStates.back(), 1);

    Zoom(1, 1, [](TFormExSMSZoom* z) { z->CloseButton()->click(); });
    EXPECT_EQ(CountOnDisk(0), 0);
    EXPECT_EQ(m_main.unreadStates.back(), 0);
    EXPECT_EQ(m_main.locks, m_main.unlocks);
    EXPECT_FALSE(List(1)->Grid()->selectionModel()->hasSelection()) << "the empty row is no message";
}

TEST_F(SmsListTest, AReadMarkThatCannotBeSavedIsToldOnceAndSavedLater)
{
    Open()->show();
    std::filesystem::create_directory(m_program / "Messages.bin.tmp");
    for (int i = 0; i < 2; ++i)
        Zoom(1, 1, [](TFormExSMSZoom* z) { z->CloseButton()->click(); });
    EXPECT_EQ(m_main.boxes, std::vector<std::string>({Text(353)}));
    EXPECT_EQ(CountOnDisk(0), 2);
    std::filesystem::remove(m_program / "Messages.bin.tmp");
    ASSERT_TRUE(m_comm->SaveSmsFile());
    EXPECT_EQ(CountOnDisk(0), 0);
}

TEST_F(SmsListTest, MessageArrivingWhileZoomedDoesNotMisdirectTheReadMark)
{
    TFormExSMS* w = Open();
    w->show();
    ASSERT_TRUE(m_comm->OpenPort(0));
    ASSERT_GE(m_sim.Sms().Store(kDeliverHello, 0), 0);
    Zoom(1, 2, [&](TFormExSMSZoom* z) {
        // The worker reads a newer message meanwhile and tells the window.
        ASSERT_TRUE(m_comm->ReadAllSms()) << MemoDump();
        SendMessage(w, WM_SMS_STORE_CHANGED, 0, 0);
        z->CloseButton()->click();
    });
    std::vector<std::string> unread;
    for (const auto& r : m_comm->GetSmsStore())
        if (r.status == 0)
            unread.push_back(sms::GetSmsNumber(r));
    // "u2" was read; the new message from the SIM (2011) is still unread.
    EXPECT_EQ(unread, std::vector<std::string>({"u1", "+18005551212"}));
    EXPECT_EQ(List(1)->RowCount(), 3);
}

TEST_F(SmsListTest, ReadAndSentMessagesOpenWithoutChange)
{
    Open();
    const auto before = StoreOnDisk();
    Zoom(2, 1, [](TFormExSMSZoom* z) { z->CloseButton()->click(); });
    Zoom(3, 1, [](TFormExSMSZoom* z) { z->CloseButton()->click(); });
    const auto after = StoreOnDisk();
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i)
        EXPECT_EQ(after[i].status, before[i].status);
}

TEST_F(SmsListTest, ReplyOpensComposeWithTheNumber)
{
    // Messages from phone numbers: a name takes no reply.
    WriteStore({Record(1, "+491711", u"read one", 45009.0), Record(3, "s1", u"sent one", 45008.0),
                Record(1, "+491712", u"read two", 45006.0)});
    TFormExSMS* w = Open();
    w->show();
    w->ShowPage(2);
    Compose()->TextMemo()->setPlainText("draft text");
    // A draft is replaced only when the user agrees; No keeps it, and shows it.
    m_main.answers = {7};
    Zoom(2, 2, [](TFormExSMSZoom* z) { z->ReplyButton()->click(); });
    EXPECT_EQ(Compose()->TextMemo()->toPlainText(), "draft text");
    EXPECT_EQ(w->CurrentPage(), 0);
    w->ShowPage(2);
    m_main.boxes.clear();
    // A double click on Reply: its second click lands on Send, which came
    // into view under the pointer and takes no click within the interval.
    QStyleHints* hints = QGuiApplication::styleHints();
    Zoom(2, 2, [hints](TFormExSMSZoom* z) {
        hints->setMouseDoubleClickInterval(0);
        ClickAt(z->ReplyButton());
        hints->setMouseDoubleClickInterval(600000);
    });
    ClickAt(Compose()->SendButton());
    EXPECT_EQ(m_main.boxes, std::vector<std::string>({Text(475)}));
    EXPECT_EQ(w->focusWidget(), Compose()->TextMemo()) << "the answer is typed next";
    EXPECT_EQ(w->CurrentPage(), 0);
    EXPECT_TRUE(Compose()->isVisible());
    EXPECT_EQ(Compose()->NumberEdit()->text(), "+491712");
    EXPECT_TRUE(Compose()->TextMemo()->toPlainText().isEmpty());
    hints->setMouseDoubleClickInterval(0);
    m_main.answers = {7};
    ClickAt(Compose()->SendButton());
    EXPECT_EQ(m_main.boxes, std::vector<std::string>({Text(475), Text(152)})) << "once the interval has passed";

    w->ShowPage(3);
    Zoom(3, 1, [](TFormExSMSZoom* z) { z->CloseButton()->click(); });
    EXPECT_EQ(w->CurrentPage(), 3);
}

TEST_F(SmsListTest, AMessageFromANameIsNoReplyTarget)
{
    // A sender named "40404" (alphanumeric, as the SIM gave it): only its type
    // tells it from a number. "DHL" comes from a store that kept no type.
    STRUCT_TPDU t;
    ASSERT_EQ(sms::DecodePDU("0004" "09D034180D4603" "0000" "11208211050500" "06" "F0B07C5C6603", t),
              sms::PduResult::Decoded);
    WriteStore({sms::MakeReceivedRecord(t, 1), Record(1, "DHL", u"parcel", 1.0)});
    TFormExSMS* w = Open();
    w->show();
    Compose()->NumberEdit()->setText("+49171");
    Compose()->TextMemo()->setPlainText("draft text");
    w->ShowPage(2);
    for (int row : {1, 2}) {
        Zoom(2, row, [](TFormExSMSZoom* z) { z->ReplyButton()->click(); });
        EXPECT_EQ(w->CurrentPage(), 2);
    }
    EXPECT_EQ(m_main.boxes, std::vector<std::string>({Text(530) + " 40404", Text(530) + " DHL"}));
    EXPECT_EQ(Compose()->NumberEdit()->text(), "+49171");
    EXPECT_EQ(Compose()->TextMemo()->toPlainText(), "draft text");
}

TEST_F(SmsListTest, OnlyRowsOfMessagesOpenOrDelete)
{
    // Messages on the other lists, none unread: the unread list shows only
    // its empty row. One read message (a report) has neither number nor text.
    WriteStore({Record(1, "r1", u"read one", 45009.0), Record(3, "s1", u"sent one", 45008.0),
                Record(1, "", u"", 45007.0)});
    TFormExSMS* w = Open();
    w->show();
    w->ShowPage(1);
    ASSERT_EQ(List(1)->RowCount(), 2);
    bool opened = false;
    QTimer guard;
    guard.setInterval(5);
    QObject::connect(&guard, &QTimer::timeout, [&opened] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened = true;
            modal->close();
        }
    });
    guard.start();
    emit List(1)->Grid()->cellDoubleClicked(0, 2);
    List(1)->SelectRows(1, 1);
    List(1)->DeleteButton()->click();
    guard.stop();
    EXPECT_FALSE(opened) << "no message to zoom";
    EXPECT_TRUE(m_main.boxes.empty());
    EXPECT_EQ(m_main.locks, m_main.unlocks);
    // The store and the other lists keep their messages.
    EXPECT_EQ(StoreOnDisk().size(), 3u);
    EXPECT_EQ(m_comm->GetSmsStore().size(), 3u);
    EXPECT_EQ(List(2)->Cell(2, 1), "r1");
    EXPECT_EQ(List(3)->Cell(2, 1), "s1");
    EXPECT_EQ(StoreOnDisk()[0].status, 1);

    // A message without a number is still a message: it can be deleted.
    w->ShowPage(2);
    List(2)->SelectRows(2, 2);
    EXPECT_TRUE(List(2)->DeleteCover()->isHidden());
    List(2)->DeleteButton()->click();
    EXPECT_EQ(StoreOnDisk().size(), 2u);
    EXPECT_EQ(List(2)->RowCount(), 2);
}

TEST(SmsZoomTest, PlacementAndResults)
{
    QWidget owner(nullptr, Qt::Window | Qt::FramelessWindowHint);
    owner.setGeometry(100, 300, 502, 293);
    TFormExSMSZoom zoom(&owner, nullptr);
    zoom.SetNumber("12345");
    const std::u16string text(160, u'x');
    zoom.SetText(text);
    EXPECT_EQ(zoom.width(), 274);
    EXPECT_EQ(zoom.pos(), QPoint(214, 320));
    EXPECT_EQ(zoom.TextMemo()->toPlainText().size(), 160);
    dlgtest::WhenModal<TFormExSMSZoom>([](TFormExSMSZoom* z) { z->ReplyButton()->click(); });
    EXPECT_EQ(zoom.exec(), 4);
    EXPECT_EQ(zoom.pos(), QPoint(214, 320));
    dlgtest::WhenModal<TFormExSMSZoom>([](TFormExSMSZoom* z) { z->CloseButton()->click(); });
    EXPECT_EQ(zoom.exec(), 1);
    dlgtest::WhenModal<TFormExSMSZoom>([](TFormExSMSZoom* z) { z->btnExitClick(); });
    EXPECT_EQ(zoom.exec(), 2);
}

// Keys typed on after a page switch or a reopened window go into the field the
// user was in; none sends or deletes a message, and a grey button takes none.
TEST_F(SmsListTest, TypingOnNeverSendsOrDeletes)
{
    using uitest::ClickAsUser;
    // None unread: a reopened window opens on the page it had.
    WriteStore({Record(1, "r1", u"read one", 45009.0), Record(1, "r2", u"read two", 45006.0),
                Record(3, "s1", u"sent one", 45008.0)});
    TFormExSMS* w = Open();
    const auto reopen = [&] {
        w->show();
        ASSERT_TRUE(uitest::Activate(w));
    };
    reopen();
    const auto store = m_comm->GetSmsStore().size();
    const auto typeOn = [&](const char* text) {
        SCOPED_TRACE(text);
        uitest::Type(w, text);
        EXPECT_TRUE(m_sim.Sms().SentPdus().empty()) << "sent";
        EXPECT_EQ(m_comm->GetSmsStore().size(), store) << "deleted";
        EXPECT_TRUE(m_main.boxes.empty()) << m_main.boxes.front();
    };
    // A message clicked in a list, then New: the recipients take the digits.
    ClickAsUser(w->PageButton(2));
    ClickAsUser(List(2)->Grid()->viewport(), List(2)->Grid()->visualItemRect(List(2)->Grid()->item(0, 2)).center());
    ClickAsUser(w->PageButton(0));
    typeOn("0171 5550100");
    EXPECT_EQ(Compose()->NumberEdit()->text(), "0171 5550100");

    // A draft, another page, New again (or the window closed and reopened).
    ClickAsUser(Compose()->TextMemo());
    uitest::Type(w, "Third draft");
    const std::function<void()> leaveAndReturn[] = {
        [&] { ClickAsUser(w->PageButton(2)), ClickAsUser(w->PageButton(0)); },
        [&] { w->hide(), reopen(); },
        [&] { QTest::keyClick(w->windowHandle(), Qt::Key_Escape), reopen(); },
    };
    for (const auto& away : leaveAndReturn) {
        away();
        typeOn(" and more");
    }
    EXPECT_EQ(Compose()->TextMemo()->toPlainText(), "Third draft and more and more and more");

    // Reopened while a row is still highlighted: the list has the focus.
    ClickAsUser(w->PageButton(2));
    ClickAsUser(List(2)->Grid()->viewport(), List(2)->Grid()->visualItemRect(List(2)->Grid()->item(0, 2)).center());
    w->hide();
    reopen();
    EXPECT_TRUE(List(2)->Grid()->hasFocus());
    QTest::keyClick(w->windowHandle(), Qt::Key_Space);
    EXPECT_EQ(m_comm->GetSmsStore().size(), store) << "deleted";

    // Grey buttons: Tab passes them by, and a key on one presses nothing.
    m_main.registered = false;
    ClickAsUser(w->PageButton(0));
    ClickAsUser(w->PageButton(3));
    List(3)->Grid()->clearSelection();
    EXPECT_FALSE(uitest::TabTo(List(3)->DeleteButton())) << "Tab reached the grey Delete";
    ClickAsUser(w->PageButton(0));
    EXPECT_FALSE(uitest::TabTo(Compose()->SendButton())) << "Tab reached the grey Send";
    Compose()->SendButton()->setFocus();
    for (int key : {Qt::Key_Space, Qt::Key_Return})
        QTest::keyClick(Compose()->SendButton(), Qt::Key(key));
    EXPECT_TRUE(m_sim.Sms().SentPdus().empty()) << "the grey Send sent";
}

// Enter on a chosen row opens it as a double click does; Tab leaves the list.
TEST_F(SmsListTest, TheKeyboardOpensAMessageAndLeavesTheList)
{
    TFormExSMS* w = Open();
    w->show();
    ASSERT_TRUE(uitest::Activate(w));
    w->ShowPage(2);
    QTableWidget* grid = List(2)->Grid();
    uitest::ClickAsUser(grid->viewport(), grid->visualItemRect(grid->item(0, 2)).center());
    ASSERT_TRUE(grid->hasFocus());
    QTest::keyClick(w->windowHandle(), Qt::Key_Down);
    EXPECT_EQ(List(2)->CurrentRow(), 2) << "the arrows move within the list";
    for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
        QString shown;
        dlgtest::WhenModal<TFormExSMSZoom>([&shown](TFormExSMSZoom* z) {
            shown = z->TextMemo()->toPlainText();
            z->CloseButton()->click();
        });
        QTest::keyClick(w->windowHandle(), Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        EXPECT_EQ(shown, "read two");
        ASSERT_TRUE(uitest::Activate(w));
    }
    QTest::keyClick(w->windowHandle(), Qt::Key_Tab);
    EXPECT_FALSE(grid->hasFocus()) << "Tab leaves the list";
    QTest::keyClick(w->windowHandle(), Qt::Key_Backtab);
    EXPECT_TRUE(grid->hasFocus()) << "Shift+Tab comes back";
}
