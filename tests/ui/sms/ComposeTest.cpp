// The compose page: counting as the encoder counts, refused keys, the
// encoding switch, the 7-bit hint, validation and sending to several
// recipients through the simulated modem, and a reply to a service number.
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTest>
#include <functional>

#include "SmsWindowFixture.h"
#include "tools/modemsim/SmsModule.h"
#include "ui/common/TConfigFile.h"
#include "ui/common/TLockCover.h"
#include "ui/common/TSkinButton.h"
#include "communicator/sms/SmsList.h"
#include "communicator/sms/SmsPdu.h"
#include "ui/sms/TFormExSMSZoom.h"

namespace {
void Type(QWidget* w, char16_t c)
{
    QKeyEvent e(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(c)));
    QCoreApplication::sendEvent(w, &e);
}

// A change that comes as a whole (a paste), caret at its end.
void Put(QPlainTextEdit* memo, const QString& text)
{
    memo->setPlainText(text);
    memo->moveCursor(QTextCursor::End);
}

QString Repeat(char16_t c, int n)
{
    return QString(n, QChar(c));
}
}  // namespace

TEST_F(SmsWindowTest, CounterAndLimit)
{
    struct Case {
        const char* name;
        bool ucs2;
        QString text;  // set as one change
        char16_t next; // then typed
        int counterAfterText;
        bool nextAccepted;
    };
    const Case cases[] = {
        {"160 letters", false, Repeat(u'a', 160), u'b', 0, false},
        {"80 braces", false, Repeat(u'{', 80), u'a', 0, false},
        {"159 letters and a bracket", false, Repeat(u'a', 159), u'[', 1, false},
        {"158 letters and a bracket", false, Repeat(u'a', 158), u'[', 2, true},
        // The currency sign and the Greek capitals are characters of the
        // alphabet; the euro sign is an extension and takes two.
        {"currency sign takes one", false, Repeat(u'a', 159), u'\u00A4', 1, true},
        {"Greek capital takes one", false, Repeat(u'a', 159), u'\u03A9', 1, true},
        {"euro sign over the limit", false, Repeat(u'a', 159), u'\u20AC', 1, false},
        {"accented letter takes one", false, Repeat(u'a', 159), u'\u00E9', 1, true},
        {"70 units in UCS-2", true, Repeat(u'\u0416', 70), u'a', 0, false},
        {"69 units in UCS-2", true, Repeat(u'a', 69), u'{', 1, true},
    };
    Open();
    QPlainTextEdit* memo = Compose()->TextMemo();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        memo->clear();
        Compose()->ExtLangBox()->setChecked(c.ucs2);
        Put(memo, c.text);
        EXPECT_EQ(Compose()->Counter()->text().toInt(), c.counterAfterText);
        Type(memo, c.next);
        const QString expected = c.nextAccepted ? c.text + QChar(c.next) : c.text;
        EXPECT_EQ(memo->toPlainText(), expected);
        EXPECT_GE(Compose()->Counter()->text().toInt(), 0);
        // A refused key says why, until the next change.
        const QLabel* hint = Compose()->HintWindow();
        EXPECT_EQ(hint != nullptr && hint->text().toStdString() == Text(503), !c.nextAccepted);
        QTest::keyClick(memo, Qt::Key_Backspace);
        EXPECT_EQ(Compose()->HintWindow(), nullptr);
    }
}

TEST_F(SmsWindowTest, PasteOverTheLimitTakesWhatFits)
{
    Open();
    QPlainTextEdit* memo = Compose()->TextMemo();
    Type(memo, u'a');
    Type(memo, u'b');
    // A paste that passes the limit goes in as far as it fits, and says so.
    memo->insertPlainText(Repeat(u'x', 161));
    EXPECT_EQ(memo->toPlainText(), "ab" + Repeat(u'x', 158));
    EXPECT_EQ(Compose()->Counter()->text(), "0");
    ASSERT_NE(Compose()->HintWindow(), nullptr);
    EXPECT_EQ(Compose()->HintWindow()->text().toStdString(), Text(478));
}

TEST_F(SmsWindowTest, SwitchToUcs2AsksBeforeCutting)
{
    Open();
    QPlainTextEdit* memo = Compose()->TextMemo();
    QCheckBox* box = Compose()->ExtLangBox();
    ASSERT_FALSE(box->isChecked());
    const QString text = Repeat(u'a', 100);
    memo->setPlainText(text);

    m_main.answers = {7};
    box->setChecked(true);
    EXPECT_EQ(m_main.boxes.back(), Text(158));
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(memo->toPlainText(), text);
    EXPECT_EQ(Compose()->Counter()->text(), "60");
    EXPECT_FALSE(TConfigFile((m_program / "Config.ini").string()).GetUseExtLangSMS());

    m_main.answers = {6};
    QString counterWhileAsking;
    m_main.onBox = [&] { counterWhileAsking = Compose()->Counter()->text(); };
    box->setChecked(true);
    m_main.onBox = nullptr;
    // While the question is open the counter shows the new room, never a
    // negative count.
    EXPECT_EQ(counterWhileAsking, "70");
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(memo->toPlainText(), Repeat(u'a', 70));
    EXPECT_EQ(Compose()->Counter()->text(), "0");
    EXPECT_TRUE(TConfigFile((m_program / "Config.ini").string()).GetUseExtLangSMS());
    // Back to 7-bit: braces take two septets each, so 81 of them do not fit.
    const QSignalBlocker uncounted(memo);
    memo->setPlainText(Repeat(u'{', 81));
    m_main.boxes.clear();
    box->setChecked(false);
    EXPECT_EQ(m_main.boxes, std::vector<std::string>({Text(158)}));
    EXPECT_EQ(memo->toPlainText(), Repeat(u'{', 80));
}

TEST_F(SmsWindowTest, HintForCharactersBeyondSevenBit)
{
    TFormExSMS* w = Open();
    w->show();
    QPlainTextEdit* memo = Compose()->TextMemo();
    // Accented letters, the euro sign and the Greek capitals are characters
    // of the 7-bit alphabet: no hint; nor for keys that type no character.
    for (char16_t c : {u'a', u'\u00E9', u'\u00FC', u'\u20AC', u'\u03A9', u'\u00A4', u'\b', u'\r'}) {
        Type(memo, c);
        EXPECT_EQ(Compose()->HintWindow(), nullptr) << int(c);
    }
    // Cyrillic, CJK, an emoji and the backtick cannot go as 7-bit.
    for (const char16_t* key : {u"\u0416", u"\u4E2D", u"\U0001F600", u"`"}) {
        const QString c = QString::fromUtf16(key);
        memo->clear();
        QKeyEvent e(QEvent::KeyPress, 0, Qt::NoModifier, c);
        QCoreApplication::sendEvent(memo, &e);
        QLabel* hint = Compose()->HintWindow();
        ASSERT_NE(hint, nullptr) << c.toStdString();
        EXPECT_TRUE(hint->isVisible());
        EXPECT_EQ(hint->text().toStdString(), Text(264));
        EXPECT_EQ(memo->toPlainText(), c) << "the key is let through";
        Type(memo, u'b');
        EXPECT_EQ(Compose()->HintWindow(), nullptr);
    }

    Compose()->ExtLangBox()->setChecked(true);
    Type(memo, u'\u0416');
    EXPECT_EQ(Compose()->HintWindow(), nullptr);
    Compose()->ExtLangBox()->setChecked(false);
    EXPECT_NE(Compose()->HintWindow(), nullptr) << "switched off over a character 7-bit cannot carry";
}

TEST_F(SmsWindowTest, HintGoesWithTheWindowAndWithASend)
{
    TFormExSMS* w = Open();
    w->show();
    QPlainTextEdit* memo = Compose()->TextMemo();
    // Hiding the SMS window or switching pages takes the hint away.
    for (auto leave : {std::function<void()>([w] { w->hide(); }),
                       std::function<void()>([w] { w->PageButton(3)->click(); })}) {
        w->show();
        w->PageButton(0)->click();
        Type(memo, u'\u0416');
        ASSERT_NE(Compose()->HintWindow(), nullptr);
        leave();
        EXPECT_EQ(Compose()->HintWindow(), nullptr);
    }
    // A send takes it away before any box is shown.
    w->PageButton(0)->click();
    ASSERT_TRUE(m_comm->OpenPort(0));
    Compose()->NumberEdit()->setText("111");
    Type(memo, u'\u0416');
    ASSERT_NE(Compose()->HintWindow(), nullptr);
    Compose()->SendButton()->click();
    EXPECT_EQ(Compose()->HintWindow(), nullptr);
}

TEST_F(SmsWindowTest, HintPlacement)
{
    // The hint stands next to the line being typed, on the caret's side,
    // wholly on the screen and never over the text: above the line where
    // there is room, below it when the memo is at the top of the screen.
    TFormExSMS* w = Open();
    w->show();
    QPlainTextEdit* memo = Compose()->TextMemo();
    const QRect screen = memo->screen()->availableGeometry();
    const auto place = [&](const char* where) {
        SCOPED_TRACE(where);
        memo->clear();
        for (char16_t c : u"abc def")
            if (c != 0)
                Type(memo, c);
        const QRect r = memo->cursorRect();
        const QRect caret(memo->viewport()->mapToGlobal(r.topLeft()), r.size());
        Type(memo, u'\u0416');
        const QLabel* hint = Compose()->HintWindow();
        EXPECT_NE(hint, nullptr);
        if (hint == nullptr)
            return QRect();
        const QRect g = hint->geometry();
        EXPECT_TRUE(screen.contains(g)) << g.x() << "," << g.y();
        EXPECT_FALSE(g.intersects(QRect(memo->mapToGlobal(QPoint(0, 0)).x(), caret.top(), memo->width(),
                                        caret.height())))
            << "over the line being typed";
        EXPECT_LE(g.left(), caret.left());
        EXPECT_GT(g.right(), caret.left());
        // Close to the line: within a line's height of it.
        EXPECT_LE(std::min(std::abs(caret.top() - g.bottom()), std::abs(g.top() - caret.bottom())),
                  caret.height());
        return g.translated(0, -caret.top());
    };
    const QRect above = place("room above");
    EXPECT_LT(above.bottom(), 0);

    // The memo's first line at the very top of the screen.
    w->move(w->x(), w->y() - (memo->mapToGlobal(QPoint(0, 0)).y() - screen.top()));
    const QRect below = place("no room above");
    EXPECT_GT(below.top(), 0);
}

TEST_F(SmsWindowTest, ValidationRefusesWithoutSending)
{
    Open();
    ASSERT_TRUE(m_comm->OpenPort(0));
    // No wait panel stands behind a question, and the worker is not held.
    bool heldWhileAsking = false;
    m_main.onBox = [&] { heldWhileAsking |= m_window->WaitPanel()->isVisible() || m_main.suspends > m_main.resumes; };
    Compose()->SendButton()->click();
    EXPECT_EQ(m_main.boxes, std::vector<std::string>({Text(153)}));
    Compose()->NumberEdit()->setText("+491701234567");
    m_main.answers = {7};
    Compose()->SendButton()->click();
    EXPECT_EQ(m_main.boxes.back(), Text(152));
    EXPECT_EQ(m_main.boxes.size(), 2u);
    // A "+" alone, or with blanks and separators, is no recipient yet.
    for (const char* none : {"+", " + ", "+;+"}) {
        Compose()->NumberEdit()->setText(none);
        Compose()->SendButton()->click();
        EXPECT_EQ(m_main.boxes.back(), Text(153)) << none;
    }
    EXPECT_EQ(m_main.boxes.size(), 5u);
    EXPECT_TRUE(m_sim.Sms().SentPdus().empty());
    EXPECT_FALSE(heldWhileAsking);
    EXPECT_EQ(m_main.locks, 5);
    EXPECT_EQ(m_main.unlocks, 5);
    EXPECT_EQ(m_main.suspends, m_main.resumes);
    EXPECT_FALSE(m_window->WaitPanel()->isVisible());
}

TEST_F(SmsWindowTest, SendToTwoRecipients)
{
    Open();
    ASSERT_TRUE(m_comm->OpenPort(0));
    Compose()->NumberEdit()->setText("111;+222");
    Compose()->TextMemo()->setPlainText(QString::fromUtf16(u"hi {there}\u0416"));
    m_main.answers = {7, 6};  // not in Unicode; with "?"
    Compose()->SendButton()->click();
    EXPECT_EQ(m_sim.Sms().SentPdus().size(), 2u);
    EXPECT_EQ(m_main.boxes, std::vector<std::string>({Text(401), Text(402), Text(150) + " (2/2)"}));
    EXPECT_TRUE(Compose()->TextMemo()->toPlainText().isEmpty());
    EXPECT_EQ(Compose()->NumberEdit()->text(), "");
    // Both copies are in the store, on the disk and on the sent list.
    EXPECT_EQ(CountOnDisk(3), 2);
    EXPECT_EQ(List(3)->RowCount(), 3);
    EXPECT_EQ(List(3)->Cell(4, 1), "hi {there}?") << "the copy is the text that went";
    EXPECT_EQ(m_main.suspends, m_main.resumes);
    EXPECT_EQ(m_main.unlocks, m_main.locks);
    // Typed into the field as the send left it, a short code goes as typed.
    EXPECT_EQ(Compose()->NumberEdit()->placeholderText().toStdString(), Text(501));
    QTest::keyClicks(Compose()->NumberEdit(), "22333");
    Compose()->SendButton()->click();
    EXPECT_EQ(m_sim.Sms().SentPdus().back().substr(6, 10), "05812233F3");
}

TEST_F(SmsWindowTest, RecipientsReadAsPeopleWriteThem)
{
    Open();
    ASSERT_TRUE(m_comm->OpenPort(0));
    Compose()->NumberEdit()->setText("111");
    Compose()->SendButton()->click();
    // Commas as in an address field, a name, and the dashes a web page puts in.
    QTest::keyClicks(Compose()->NumberEdit(), "0171 1111111, Oma, 0160");
    for (char16_t dash : std::u16string_view(u"\u2011\u2012\u2013\u2212"))
        Type(Compose()->NumberEdit(), dash);
    QTest::keyClicks(Compose()->NumberEdit(), "2222222");
    Compose()->SendButton()->click();
    EXPECT_EQ(m_main.boxes.back(), Text(350) + "\n" + Text(351) + " 01711111111; 01602222222\n" + Text(502) + " Oma");
    EXPECT_EQ(Compose()->NumberEdit()->text(), "Oma");
}

TEST_F(SmsWindowTest, SevenBitAsksBeforeSendingWhatItCannotCarry)
{
    Open();
    ASSERT_TRUE(m_comm->OpenPort(0));
    const QString text = QString::fromUtf16(u"\u0416\u0443\u043A \u20AC ok");
    const struct {
        std::deque<int> answers;
        std::vector<std::string> boxes;
        size_t sent;
        bool unicode;
    } cases[] = {{{7, 7}, {Text(401), Text(402)}, 0, false},
                 {{7, 6}, {Text(401), Text(402), Text(150)}, 1, false},
                 {{6}, {Text(401), Text(150)}, 2, true}};
    for (const auto& c : cases) {
        m_main.boxes.clear();
        m_main.answers = c.answers;
        Compose()->NumberEdit()->setText("111");
        Compose()->TextMemo()->setPlainText(text);
        Compose()->SendButton()->click();
        EXPECT_EQ(m_main.boxes, c.boxes);
        EXPECT_EQ(m_sim.Sms().SentPdus().size(), c.sent);
        EXPECT_EQ(Compose()->ExtLangBox()->isChecked(), c.unicode);
    }
    EXPECT_EQ(List(3)->Cell(4, 1), text) << "sent in Unicode";
    EXPECT_EQ(List(3)->Cell(4, 2), QString::fromUtf16(u"??? \u20AC ok"));
    // Too long for Unicode: the question says that the shortened text goes.
    Compose()->ExtLangBox()->setChecked(false);
    m_main.boxes.clear();
    Compose()->NumberEdit()->setText("111");
    Compose()->TextMemo()->setPlainText(text + Repeat(u'a', 70));
    Compose()->SendButton()->click();
    EXPECT_EQ(m_main.boxes, std::vector<std::string>({Text(401), Text(479), Text(150)}));
}

TEST_F(SmsWindowTest, SendFailuresKeepTextAndStoreOnlyWhatWent)
{
    Open();
    ASSERT_TRUE(m_comm->OpenPort(0));
    // A national number behind the field's "+", pasted with a no-break space;
    // the trailing ";" names no one. The copy shows the number that went.
    Compose()->NumberEdit()->setText(QString::fromUtf16(u"+\u00A00171 2345678;"));
    Compose()->TextMemo()->setPlainText("once");
    Compose()->SendButton()->click();
    EXPECT_EQ(m_main.boxes.back(), Text(150));
    EXPECT_EQ(List(3)->Cell(2, 1), "01712345678");
    EXPECT_EQ(CountOnDisk(3), 1);

    // Of four, one is no number; the box names the recipients that got it,
    // as they went, and the piece that is no phone number.
    Compose()->TextMemo()->setPlainText("once");
    Compose()->NumberEdit()->setText(" 333;;++49 (0)171 2345678; 12a");
    Compose()->SendButton()->click();
    EXPECT_EQ(m_main.boxes.back(), Text(350) + "\n" + Text(351) + " 333; +491712345678\n" + Text(502) + " 12a");
    EXPECT_EQ(Compose()->TextMemo()->toPlainText(), "once");
    // Only the recipients that did not get it are left to send to again.
    EXPECT_EQ(Compose()->NumberEdit()->text(), "12a");
    EXPECT_EQ(CountOnDisk(3), 3);

    // The modem refuses the message: nothing more is stored.
    m_sim.Sms().SetSendError(500);
    Compose()->NumberEdit()->setText("222");
    Compose()->SendButton()->click();
    EXPECT_EQ(m_main.boxes.back(), Text(151) + "\n" + Text(313) + " 222");
    EXPECT_EQ(Compose()->NumberEdit()->text(), "222");
    EXPECT_EQ(CountOnDisk(3), 3);
    EXPECT_EQ(m_comm->GetSmsStore().size(), 3u);
    EXPECT_EQ(List(3)->RowCount(), 4);

    // A copy that cannot be written is told and kept for the next save.
    m_sim.Sms().SetSendError(0);
    std::filesystem::create_directory(m_program / "Messages.bin.tmp");
    Compose()->SendButton()->click();
    EXPECT_EQ(m_main.boxes.back(), Text(150) + "\n" + Text(352));
    EXPECT_EQ(List(3)->RowCount(), 5);
    std::filesystem::remove(m_program / "Messages.bin.tmp");
    ASSERT_TRUE(m_comm->SaveSmsFile());
    EXPECT_EQ(CountOnDisk(3), 4);
}

TEST_F(SmsWindowTest, ASendCutShortAfterTheModemTookItMayHaveGone)
{
    Open();
    ASSERT_TRUE(m_comm->OpenPort(0));
    // The network confirms slowly; the modem is unplugged 3 s after Send.
    m_sim.Sms().SetSendDelay(600000);
    m_sim.SetUnplugOn("+CMGS=19", 3000);
    Compose()->NumberEdit()->setText("+16175927198");
    Compose()->TextMemo()->setPlainText("hello");
    Compose()->SendButton()->click();
    EXPECT_EQ(m_main.boxes, std::vector<std::string>({Text(531) + "\n" + Text(532) + " +16175927198"}));
    // The message stays on the page; no copy is stored.
    EXPECT_EQ(Compose()->TextMemo()->toPlainText(), "hello");
    EXPECT_EQ(Compose()->NumberEdit()->text(), "+16175927198");
    EXPECT_EQ(CountOnDisk(3), 0);
}

TEST_F(SmsWindowTest, ClosingDuringASendKeepsTheCopyOfWhatWent)
{
    Open();
    ASSERT_TRUE(m_comm->OpenPort(0));
    // Closing begins as soon as the first message is handed to the modem.
    m_memo.SetOnAdded([this] {
        const std::vector<std::string> lines = m_memo.Lines();
        if (!lines.empty() && lines.back().back() == '\x1A')
            m_closing = true;
    });
    Compose()->NumberEdit()->setText("111;222;333");
    Compose()->TextMemo()->setPlainText("bye");
    Compose()->SendButton()->click();
    m_memo.SetOnAdded(nullptr);
    EXPECT_EQ(m_sim.Sms().SentPdus().size(), 1u) << "no message after closing began";
    EXPECT_EQ(CountOnDisk(3), 1) << "the copy of the message that went";
    EXPECT_TRUE(m_main.boxes.empty()) << "no box once closing has begun";
}

TEST_F(SmsWindowTest, ComposeFollowsRegistrationAndLink)
{
    m_main.registered = false;
    TFormExSMS* w = Open();
    w->show();
    EXPECT_FALSE(Compose()->TextMemo()->isEnabled());
    EXPECT_FALSE(Compose()->NumberEdit()->isEnabled());
    EXPECT_TRUE(Compose()->ButtonCover()->isVisible());
    EXPECT_EQ(Compose()->SendButton()->CaptionColour(), BgrColor(0x808080));

    m_main.registered = true;
    m_main.connected = true;
    TMessage m {WM_MODEM_STATE_CHANGED, 0, 0, 0};
    w->Dispatch(m);
    EXPECT_FALSE(Compose()->TextMemo()->isEnabled());
    EXPECT_TRUE(Compose()->ButtonCover()->isVisible());
    EXPECT_TRUE(Compose()->LinkNote()->isVisible()) << "the page says why it is grey";
    EXPECT_EQ(Compose()->LinkNote()->text().toStdString(), Text(477));

    m_main.connected = false;
    w->Dispatch(m);
    EXPECT_FALSE(Compose()->LinkNote()->isVisible());
    EXPECT_TRUE(Compose()->TextMemo()->isEnabled());
    EXPECT_TRUE(Compose()->ExtLangBox()->isEnabled());
    EXPECT_FALSE(Compose()->ButtonCover()->isVisible());
    EXPECT_EQ(Compose()->SendButton()->CaptionColour(), BgrColor(0xFFFFFF));
    EXPECT_EQ(Compose()->childAt(Compose()->SendButton()->geometry().center()), Compose()->SendButton());

    // From the unlocked state, an unlock that finds the link up (or the
    // network gone) locks the whole page: a click on Send reaches the cover.
    for (auto change : {std::function<void()>([this] { m_main.connected = true; }),
                        std::function<void()>([this] { m_main.registered = false; })}) {
        m_main.connected = false;
        m_main.registered = true;
        Compose()->Unlock();
        ASSERT_TRUE(Compose()->TextMemo()->isEnabled());
        change();
        Compose()->Unlock();
        EXPECT_FALSE(Compose()->TextMemo()->isEnabled());
        EXPECT_FALSE(Compose()->NumberEdit()->isEnabled());
        EXPECT_TRUE(Compose()->ButtonCover()->isVisible());
        EXPECT_EQ(Compose()->childAt(Compose()->SendButton()->geometry().center()), Compose()->ButtonCover());
        EXPECT_EQ(Compose()->SendButton()->CaptionColour(), BgrColor(0x808080));
    }
}

TEST_F(SmsWindowTest, ReplyToAServiceNumber)
{
    // A read message from "*100#", as the SIM gave it.
    STRUCT_TPDU t;
    ASSERT_EQ(sms::DecodePDU("0004" "05811A00FB" "0000" "11208211050500" "02" "C834", t), sms::PduResult::Decoded);
    WriteStore({sms::MakeReceivedRecord(t, 1)});
    TFormExSMS* w = Open();
    w->show();
    ASSERT_TRUE(m_comm->OpenPort(0));
    w->ShowPage(2);
    List(2)->SelectRows(1, 1);
    dlgtest::WhenModal<TFormExSMSZoom>([](TFormExSMSZoom* z) { z->ReplyButton()->click(); });
    emit List(2)->Grid()->cellDoubleClicked(0, 2);
    ASSERT_EQ(Compose()->NumberEdit()->text(), "*100#");

    Compose()->TextMemo()->setPlainText("balance");
    Compose()->SendButton()->click();
    EXPECT_EQ(m_main.boxes, std::vector<std::string>({Text(150)}));
    ASSERT_EQ(m_sim.Sms().SentPdus().size(), 1u);
    EXPECT_EQ(m_sim.Sms().SentPdus()[0].substr(6, 10), "05811A00FB");
}
