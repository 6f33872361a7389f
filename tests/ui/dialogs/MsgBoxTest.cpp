#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTextLayout>
#include <QtMath>

#include "../WidgetTestSupport.h"
#include "DialogTestSupport.h"
#include "ui/common/ModalResult.h"
#include "ui/common/TExImage.h"
#include "ui/common/TSkinButton.h"
#include "ui/dialogs/RunMsgBox.h"
#include "ui/dialogs/TMsgBoxEx.h"

using namespace dlgtest;
using uitest::Pump;

namespace {
struct Owner : QWidget {
    Owner() : QWidget(nullptr, Qt::FramelessWindowHint) { setGeometry(100, 100, 519, 145); }
};

int LineHeight(const TMsgBoxEx& box)
{
    return QFontMetrics(box.m_pLMsgText->font()).height();
}

// The lines the label shows, as its word wrap lays them out; a line the text
// itself ends keeps its line separator.
QStringList ShownLines(const QLabel* label)
{
    QString text = label->text();
    text.replace('\n', QChar::LineSeparator);
    QTextLayout layout(text, label->font());
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(label->width());
        lines << text.mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
    return lines;
}

int KeyResult(TMsgBoxEx& box, int key)
{
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&box, &e);
    return box.result();
}
}  // namespace

TEST(MsgBox, SplitsAtEveryLineEndAndFindsTheLongestByCharacters)
{
    struct Case {
        const char* text;
        int count;
        int longest;
        QStringList lines;
    } cases[] = {
        {"", 1, 0, {""}},
        {"one line", 1, 0, {"one line"}},
        {"a\r\nbbb\r\ncc", 3, 1, {"a", "bbb", "cc"}},
        {"same\r\nsize", 2, 0, {"same", "size"}},
        {"x\r\nlonger", 2, 1, {"x", "longer"}},
        {"lone\nfeed\rand return", 3, 2, {"lone", "feed", "and return"}},
        {"ends with break\r\n", 2, 0, {"ends with break", ""}},
        {"\u00e4\u00e4\u00e4\r\nabcd", 2, 1, {"\u00e4\u00e4\u00e4", "abcd"}},  // characters, not bytes
    };
    for (const Case& c : cases) {
        QStringList list{"stale"};
        int longest = -1;
        EXPECT_EQ(TMsgBoxEx::SplitLines(c.text, list, longest), c.count) << c.text;
        EXPECT_EQ(longest, c.longest) << c.text;
        EXPECT_EQ(list, c.lines) << c.text;
    }
}

TEST(MsgBox, ShortTextGivesTheNarrowestBox)
{
    Languages lang("msg_short");
    TMsgBoxEx box(nullptr, 0, "Short.", lang.get());
    EXPECT_EQ(box.width(), 383);
    EXPECT_EQ(box.m_pLMsgText->geometry(), QRect(14, 20, 355, LineHeight(box)));
    EXPECT_EQ(box.m_pBOk->geometry(), QRect(383 / 2 - 39, 20 + LineHeight(box) + 14, 78, 20));
    EXPECT_EQ(box.height(), box.m_pBOk->geometry().bottom() + 1 + 14);
    EXPECT_TRUE(box.ExitImage()->isHidden());
    // The skinned border meets at the corners.
    const int w = box.width(), h = box.height();
    EXPECT_EQ(box.imgBottomRight->geometry().bottomRight(), QPoint(w - 1, h - 1));
    EXPECT_EQ(box.imgTopLine->geometry(), QRect(8, 0, w - 16, 17));
    EXPECT_EQ(box.imgLeftLine->geometry(), QRect(0, 17, 2, h - 17 - 2));
    EXPECT_EQ(box.imgRightLine->x(), w - 8);
    // The right edge's frame lies on the box's right side, as the corners' do.
    EXPECT_EQ(box.imgRightLine->geometry().right(), w - 1);
    const QImage right = box.imgRightLine->pixmap().toImage();
    EXPECT_GT(qAlpha(right.pixel(right.width() - 1, 0)), 0);
    EXPECT_EQ(qAlpha(right.pixel(0, 0)), 0);
}

TEST(MsgBox, ThreeLinesAreThreeLineHeightsWhateverTheirLineEnds)
{
    Languages lang("msg_lines");
    TMsgBoxEx three(nullptr, 1, "first\r\nsecond\r\nthird", lang.get());
    const int lh = LineHeight(three);
    EXPECT_EQ(three.m_pLMsgText->height(), 3 * lh);
    EXPECT_EQ(three.m_pBYes->y(), 20 + 3 * lh + 14);
    EXPECT_EQ(three.m_pBNo->y(), three.m_pBYes->y());
    EXPECT_EQ(three.m_pLMsgText->text(), "first\nsecond\nthird");

    TMsgBoxEx lone(nullptr, 1, "first\nsecond\rthird", lang.get());
    EXPECT_EQ(lone.m_pLMsgText->height(), 3 * lh);
    EXPECT_EQ(lone.m_pLMsgText->text(), "first\nsecond\nthird");
}

TEST(MsgBox, WidthFollowsTheWidestLineInPixels)
{
    Languages lang("msg_width");
    const std::string narrow(60, 'i');
    const std::string wide(60, 'W');
    TMsgBoxEx narrowFirst(nullptr, 0, narrow + "\r\n" + wide, lang.get());
    TMsgBoxEx wideFirst(nullptr, 0, wide + "\r\n" + narrow, lang.get());
    const QFontMetricsF fm(wideFirst.m_pLMsgText->font());
    const int wideWidth = qCeil(fm.horizontalAdvance(QString::fromStdString(wide)));
    ASSERT_GT(wideWidth + 28, 383);
    for (const TMsgBoxEx* box : {&narrowFirst, &wideFirst}) {
        EXPECT_EQ(box->width(), wideWidth + 28);
        EXPECT_EQ(box->m_pLMsgText->width(), box->width() - 28);
        // The OK button stays centred in a wide box.
        EXPECT_EQ(box->m_pBOk->x(), box->width() / 2 - 39);
    }
}

TEST(MsgBox, EveryTextIsBrokenOnceAtTheWidthOfItsBox)
{
    // The language breaks its long texts at about 60 characters, after a
    // blank; a line the box broke again left a word alone ("takes / the /
    // modem up"). Every break the box shows, but those of the text's own, is
    // one where the next word did not fit.
    Languages lang("msg_once");
    for (int i = 0; i < lang.table->GetLanguageCount(); ++i) {
        lang.table->SetActiveLanguage(i);
        for (int id = 100; id < 600; ++id) {
            const AnsiString text = lang.table->GetText(id);
            if (text.starts_with("String_ITEM_"))
                continue;
            TMsgBoxEx box(nullptr, 0, text, lang.get());
            const QFontMetrics fm(box.m_pLMsgText->font());
            const QStringList lines = ShownLines(box.m_pLMsgText);
            for (int k = 0; k + 1 < lines.size(); ++k) {
                const QString next = lines[k + 1].trimmed().section(' ', 0, 0);
                if (!lines[k].endsWith(QChar::LineSeparator) || lines[k].endsWith(QStringLiteral(" \u2028")))
                    EXPECT_GT(fm.horizontalAdvance(lines[k].trimmed() + ' ' + next), box.m_pLMsgText->width())
                        << i << ": text " << id << ": " << lines[k].toStdString() << "/" << next.toStdString();
            }
        }
    }
}

TEST(MsgBox, TypesOfferTheirButtonsCaptionsAndResults)
{
    Languages lang("msg_types");
    struct Case {
        char type;
        bool ok;
        const char* left;   // OK, or the left of two
        const char* right;  // the right of two
        int enter, esc;
    } cases[] = {
        {0, true, "&OK", nullptr, mrOk, mrOk},
        {1, false, "&Yes", "&No", mrYes, mrNo},
        {2, false, "&OK", "&Cancel", mrYes, mrNo},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.type));
        TMsgBoxEx box(nullptr, c.type, "Question?", lang.get());
        EXPECT_EQ(!box.m_pBOk->isHidden(), c.ok);
        EXPECT_EQ(!box.m_pBYes->isHidden(), !c.ok);
        EXPECT_EQ(!box.m_pBNo->isHidden(), !c.ok);
        if (c.ok) {
            EXPECT_EQ(box.m_pBOk->text(), c.left);
        } else {
            EXPECT_EQ(box.m_pBYes->text(), c.left);
            EXPECT_EQ(box.m_pBNo->text(), c.right);
            EXPECT_EQ(box.m_pBYes->x(), 383 / 2 - 78 - 3);
            EXPECT_EQ(box.m_pBNo->x(), 383 / 2 + 3);
        }
        EXPECT_EQ(KeyResult(box, Qt::Key_Return), c.enter);
        EXPECT_EQ(KeyResult(box, Qt::Key_Enter), c.enter);
        EXPECT_EQ(KeyResult(box, Qt::Key_Escape), c.esc);
        box.setResult(0);
        EXPECT_EQ(KeyResult(box, Qt::Key_A), 0) << "other keys do nothing";
        box.show();
        box.close();
        EXPECT_EQ(box.result(), c.esc) << "a close by the window system answers as Esc";
    }
}

TEST(MsgBox, RunShowsModallyOverItsOwnerAndReturnsTheClickedButton)
{
    Languages lang("msg_run");
    Owner owner;
    owner.show();
    QRect shownAt;
    WhenModal<TMsgBoxEx>([&](TMsgBoxEx* box) {
        shownAt = box->geometry();
        box->m_pBNo->click();
    });
    EXPECT_EQ(RunMsgBox(&owner, "Go on?", 2, lang.get(), false), mrNo);
    // Centred over the owner, halves toward zero.
    EXPECT_EQ(shownAt.topLeft(), QPoint(100 + (519 - 383) / 2, qMax(0, 100 + (145 - shownAt.height()) / 2)));

    // No owner: the main window stands in.
    TFormEx::SetMainForm(&owner);
    WhenModal<TMsgBoxEx>([&](TMsgBoxEx* box) {
        EXPECT_EQ(box->OwnerForm(), &owner);
        box->m_pBYes->click();
    });
    EXPECT_EQ(RunMsgBox(nullptr, "Go on?", 1, lang.get(), false), mrYes);
    TFormEx::SetMainForm(nullptr);

    // After a send to eight recipients, one mistyped: the list of numbers
    // wraps, and the box with its button lies whole on the screen.
    std::string sentTo = "+491712345670";
    for (char i = '1'; i < '7'; ++i)
        sentTo += std::string("; +49171234567") + i;
    WhenModal<TMsgBoxEx>([&](TMsgBoxEx* box) {
        shownAt = box->frameGeometry();
        EXPECT_EQ(uitest::TextsThatDoNotFit(box), std::vector<std::string>());
        EXPECT_TRUE(box->rect().contains(box->m_pBOk->geometry()));
        box->m_pBOk->click();
    });
    const TLanguage& t = *lang.get();
    RunMsgBox(&owner, t.GetText(350) + "\n" + t.GetText(351) + " " + sentTo + "\n" + t.GetText(313) + " 0171x", 0,
              lang.get(), false);
    EXPECT_TRUE(owner.screen()->availableGeometry().contains(shownAt)) << shownAt.width();
}

TEST(MsgBox, RaisedAbortFlagShowsNothingAndAnswersNo)
{
    Languages lang("msg_abort");
    bool shown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (QApplication::activeModalWidget() != nullptr) {
            shown = true;
            QApplication::activeModalWidget()->close();
        }
    });
    watch.start(1);
    EXPECT_EQ(RunMsgBox(nullptr, "Told?", 0, lang.get(), true), mrOk);
    EXPECT_EQ(RunMsgBox(nullptr, "Asked?", 1, lang.get(), true), mrNo);
    EXPECT_EQ(RunMsgBox(nullptr, "Asked?", 2, lang.get(), true), mrNo);
    Pump(20);
    EXPECT_FALSE(shown);
}
