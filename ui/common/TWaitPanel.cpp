#include "ui/common/TWaitPanel.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QTimer>

#include "ui/common/TSkin.h"
#include "ui/common/UiStyle.h"

namespace {
// Where the text and the stripe sit in a panel of the least width; both grow
// with the panel.
constexpr int kTextLeft = 11;
constexpr int kTextTop = 8;
constexpr int kTextWidth = 184;
constexpr int kStripeLeft = 7;
constexpr int kStripeTop = 33;
constexpr int kStripeWidth = 188;
constexpr int kStripeHeight = 14;

// The stripe picture drawn at the panel's current offset.
class TStripeBox : public QWidget {
public:
    TStripeBox(QWidget* parent, const QPixmap& picture, const int& offset)
        : QWidget(parent), m_picture(picture), m_offset(offset)
    {
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.drawPixmap(m_offset, 0, m_picture);
    }

private:
    const QPixmap& m_picture;
    const int& m_offset;
};
}  // namespace

TWaitPanel::TWaitPanel(QWidget* parent, int left, int top, const QColor& background) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setGeometry(left, top, kMinWidth, kHeight);
    setAutoFillBackground(true);
    SetBackColour(this, background);

    m_pWndText = new QLabel(this);
    m_pWndText->setGeometry(kTextLeft, kTextTop, kTextWidth, 21);
    m_pWndText->setAlignment(Qt::AlignCenter);
    m_pWndText->setFont(TahomaPx(13, true));
    m_pWndText->setTextFormat(Qt::PlainText);
    m_pWndText->setAttribute(Qt::WA_TranslucentBackground, true);
    SetTextColour(m_pWndText, BgrColor(0xFFFFFF));

    // Wide enough for the stripe of a panel of any usual text.
    m_stripe = TSkin::Picture(Skin::kWaitStripe, QSize(511, kStripeHeight), QColor(26, 108, 184));
    m_pPBxWaiting = new TStripeBox(this, m_stripe, m_iOffset);
    m_pPBxWaiting->setGeometry(kStripeLeft, kStripeTop, kStripeWidth, kStripeHeight);
    hide();

    // A 10-ms tick keeps the stripe moving without spinning the processor.
    m_pTimer = new QTimer(this);
    m_pTimer->setInterval(10);
    connect(m_pTimer, &QTimer::timeout, this, &TWaitPanel::Step);
}

void TWaitPanel::ShowText(const AnsiString& text)
{
    const QString caption = ToQ(text);
    const QFontMetrics fm(m_pWndText->font());
    const int panelWidth = qMax(kMinWidth, fm.horizontalAdvance(caption) + 40);
    const int parentWidth = parentWidget() != nullptr ? parentWidget()->width() : panelWidth;
    setGeometry((parentWidth - panelWidth) / 2, y(), panelWidth, kHeight);
    const int growth = panelWidth - kMinWidth;
    m_pWndText->setGeometry(kTextLeft, kTextTop, kTextWidth + growth, fm.height());
    m_pPBxWaiting->setGeometry(kStripeLeft, kStripeTop, kStripeWidth + growth, kStripeHeight);
    m_pWndText->setText(caption);
    m_iOffset = -42;
    raise();
    show();
    m_pTimer->start();
}

void TWaitPanel::HidePanel()
{
    m_pTimer->stop();
    hide();
}

void TWaitPanel::StopStripe()
{
    m_pTimer->stop();
}

void TWaitPanel::Step()
{
    m_iOffset = m_iOffset >= -1 ? -41 : m_iOffset + 1;
    m_pPBxWaiting->update();
    emit Stepped();
}
