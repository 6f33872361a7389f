#include "ui/dialogs/TMsgBoxEx.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QRegularExpression>
#include <QtMath>

#include "ui/common/ModalResult.h"
#include "ui/common/TSkin.h"
#include "ui/common/TSkinButton.h"
#include "ui/common/UiStyle.h"
#include "ui/dialogs/DialogText.h"

namespace {
QLabel* MakeSkinImage(QWidget* parent, const char* name, QSize fallback)
{
    auto* img = new QLabel(parent);
    img->setScaledContents(true);
    const QPixmap picture = TSkin::Picture(name, fallback, BgrColor(Skin::kWindowColour));
    img->setPixmap(picture);
    img->resize(picture.size());
    return img;
}
}  // namespace

int TMsgBoxEx::SplitLines(const AnsiString& text, QStringList& list, int& longest)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    list = ToQ(text).split(lineEnd);
    longest = 0;
    for (int i = 1; i < list.size(); ++i)
        if (list.at(i).length() > list.at(longest).length())
            longest = i;
    return int(list.size());
}

QString TMsgBoxEx::ShownText(const AnsiString& text)
{
    static const QRegularExpression languageBreak(QStringLiteral(" \r\n"));
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    return ToQ(text).replace(languageBreak, QStringLiteral(" ")).replace(lineEnd, QStringLiteral("\n"));
}

TMsgBoxEx::TMsgBoxEx(QWidget* owner, char type, const AnsiString& text, TLanguage* language)
    : TFormEx(owner), m_type(type)
{
    SetCentreOnOwner(true);
    SetBackColour(this, BgrColor(0xEFEFEF));
    SetTitle(AnsiString());
    HideExitButtons();

    m_pLMsgText = new QLabel(this);
    m_pLMsgText->setFont(NamedFontPt("Arial", 9, true));
    SetTextColour(m_pLMsgText, BgrColor(0x000000));
    m_pLMsgText->setAlignment(Qt::AlignCenter);
    m_pLMsgText->setTextFormat(Qt::PlainText);
    m_pLMsgText->setAttribute(Qt::WA_TranslucentBackground, true);

    imgBottomLeft = MakeSkinImage(this, "msg_bottom_left", QSize(8, 2));
    imgBottomLine = MakeSkinImage(this, "msg_bottom", QSize(8, 2));
    imgBottomRight = MakeSkinImage(this, "msg_bottom_right", QSize(8, 2));
    imgLeftLine = MakeSkinImage(this, "msg_left", QSize(2, 8));
    imgRightLine = MakeSkinImage(this, "msg_right", QSize(2, 8));
    imgTopLeft = MakeSkinImage(this, "msg_top_left", QSize(8, 17));
    imgTopRight = MakeSkinImage(this, "msg_top_right", QSize(8, 17));
    imgTopLine = MakeSkinImage(this, "msg_top", QSize(8, 17));
    // The top of the border is the box's title: it drags the box.
    for (QLabel* top : {imgTopLeft, imgTopRight, imgTopLine})
        MakeDragHandle(top, false);

    m_pBOk = new TSkinButton(this);
    m_pBNo = new TSkinButton(this);
    m_pBYes = new TSkinButton(this);
    for (TSkinButton* b : {m_pBOk, m_pBNo, m_pBYes})
        b->resize(kButtonWidth, kButtonHeight);
    connect(m_pBOk, &QAbstractButton::clicked, this, &TMsgBoxEx::m_pBOkClick);
    connect(m_pBYes, &QAbstractButton::clicked, this, &TMsgBoxEx::m_pBYesClick);
    connect(m_pBNo, &QAbstractButton::clicked, this, &TMsgBoxEx::m_pBNoClick);
    // Tab goes left to right; the answer Enter gives has the focus.
    setTabOrder(m_pBYes, m_pBNo);
    SetDefaultButton(type == 0 ? m_pBOk : m_pBYes);

    QStringList lines;
    int longest = 0;
    SplitLines(text, lines, longest);
    const QFontMetrics fm(m_pLMsgText->font());
    // As wide as the widest line in pixels (the line with the most characters
    // may be narrower), no wider than the screen: a longer line wraps at its
    // blanks. Measured in fractions, rounded up: a label a fraction narrower
    // than its line would break it.
    const QFontMetricsF exact(m_pLMsgText->font());
    int widest = 0;
    for (const QString& line : lines)
        widest = qMax(widest, qCeil(exact.horizontalAdvance(line)));
    const int maxWidth = qMax(kMinWidth, OwnerScreenArea().width() - 2 * kMargin);
    const int w = qBound(kMinWidth, widest + 2 * kMargin, maxWidth);
    m_pLMsgText->setWordWrap(true);
    const QString shown = ShownText(text);
    m_pLMsgText->setText(shown);
    const int labelHeight =
        qMax(fm.height() * int(shown.count(QLatin1Char('\n')) + 1), m_pLMsgText->heightForWidth(w - 2 * kMargin));
    m_pLMsgText->setGeometry(kMargin, kLabelTop, w - 2 * kMargin, labelHeight);
    resize(w, height());

    ArrangeButtons(type);
    m_pBOk->setText(QStringLiteral("&") + LangQ(language, 102));
    m_pBYes->setText(QStringLiteral("&") + LangQ(language, 103));
    m_pBNo->setText(QStringLiteral("&") + LangQ(language, 104));
    if (type == 0) {
        resize(w, m_pBOk->y() + m_pBOk->height() + kMargin);
    } else {
        resize(w, m_pBYes->y() + m_pBYes->height() + kMargin);
        if (type == 2) {
            m_pBYes->setText(QStringLiteral("&") + LangQ(language, 102));
            m_pBNo->setText(QStringLiteral("&") + LangQ(language, 105));
        }
    }
    ArrangeSkin();
}

TMsgBoxEx::~TMsgBoxEx() = default;

void TMsgBoxEx::PlaceButton(TSkinButton* button, int left, int top)
{
    // The skinned button draws its own caps, so the group is the button alone.
    button->move(left, top);
    button->show();
}

void TMsgBoxEx::ArrangeButtons(char type)
{
    const int top = m_pLMsgText->y() + m_pLMsgText->height() + kMargin;
    m_pBOk->hide();
    m_pBYes->hide();
    m_pBNo->hide();
    if (type == 0) {
        PlaceButton(m_pBOk, width() / 2 - m_pBOk->width() / 2, top);
    } else {
        PlaceButton(m_pBYes, width() / 2 - m_pBYes->width() - 3, top);
        PlaceButton(m_pBNo, width() / 2 + 3, top);
    }
}

void TMsgBoxEx::ArrangeSkin()
{
    const int w = width();
    const int h = height();
    imgTopLeft->move(0, 0);
    imgBottomLeft->move(0, h - imgBottomLeft->height());
    imgTopRight->move(w - imgTopRight->width(), 0);
    imgBottomRight->move(imgTopRight->x(), imgBottomLeft->y());

    imgLeftLine->setGeometry(0, imgTopLeft->height(), imgLeftLine->width(),
                             h - imgTopLeft->height() - imgBottomLeft->height());
    imgRightLine->setGeometry(imgTopRight->x(), imgLeftLine->y(), imgRightLine->width(), imgLeftLine->height());

    imgTopLine->setGeometry(imgTopLeft->width(), 0, w - imgTopLeft->width() - imgTopRight->width(),
                            imgTopLine->height());
    imgBottomLine->setGeometry(imgTopLine->x(), h - imgBottomLine->height(), imgTopLine->width(),
                               imgBottomLine->height());
}

void TMsgBoxEx::resizeEvent(QResizeEvent* event)
{
    TFormEx::resizeEvent(event);
    if (imgTopLine == nullptr)
        return;
    // The label keeps its margins on both sides.
    m_pLMsgText->resize(width() - 2 * kMargin, m_pLMsgText->height());
    ArrangeSkin();
}

int TMsgBoxEx::EnterResult() const
{
    return m_type == 0 ? mrOk : mrYes;
}

int TMsgBoxEx::EscapeResult() const
{
    return m_type == 0 ? mrOk : mrNo;
}

void TMsgBoxEx::m_pBOkClick()
{
    CloseWith(mrOk);
}

void TMsgBoxEx::m_pBYesClick()
{
    CloseWith(mrYes);
}

void TMsgBoxEx::m_pBNoClick()
{
    CloseWith(mrNo);
}

void TMsgBoxEx::OnFormKeyDown(int key)
{
    const bool okShown = !m_pBOk->isHidden();
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        CloseWith(okShown ? mrOk : mrYes);
    else if (key == Qt::Key_Escape)
        CloseWith(okShown ? mrOk : mrNo);
}

void TMsgBoxEx::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        OnFormKeyDown(key);
        event->accept();
        return;
    }
    TFormEx::keyPressEvent(event);
}

void TMsgBoxEx::reject()
{
    // Closed by the window system: the answer the Esc key gives, never a
    // result the callers do not expect.
    CloseWith(EscapeResult());
}
