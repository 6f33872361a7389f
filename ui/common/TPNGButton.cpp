#include "ui/common/TPNGButton.h"

#include <QEnterEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

#include "ui/common/UiStyle.h"

TPNGButton::TPNGButton(QWidget* owner)
    : QAbstractButton(owner), m_captionColour(BgrColor(0xFFFFFF)), m_disabledCaptionColour(BgrColor(0x808080))
{
    setFont(TahomaPx(9, true));
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::ArrowCursor);
}

void TPNGButton::SetImageNormal(const QPixmap& picture)
{
    m_normal = picture;
    updateGeometry();
    update();
}

void TPNGButton::SetImageOver(const QPixmap& picture)
{
    m_over = picture;
    update();
}

void TPNGButton::SetImageDown(const QPixmap& picture)
{
    m_down = picture;
    update();
}

void TPNGButton::SetLayout(Layout layout)
{
    m_layout = layout;
    updateGeometry();
    update();
}

void TPNGButton::SetCaptionColour(const QColor& colour)
{
    m_captionColour = colour;
    update();
}

void TPNGButton::SetDisabledCaptionColour(const QColor& colour)
{
    m_disabledCaptionColour = colour;
    update();
}

QPixmap TPNGButton::CurrentImage() const
{
    if (!isEnabled())
        return QIcon(m_normal).pixmap(m_normal.size(), QIcon::Disabled);
    if (isDown() && !m_down.isNull())
        return m_down;
    if ((m_hover || isDown()) && !m_over.isNull())
        return m_over;
    return m_normal;
}

QSize TPNGButton::sizeHint() const
{
    const QFontMetrics fm(font());
    const QSize caption = fm.size(Qt::TextShowMnemonic, text().isEmpty() ? QStringLiteral(" ") : text());
    const QSize img = m_normal.size();
    if (m_layout == Layout::ImageAbove)
        return QSize(qMax(img.width(), caption.width()) + 4, img.height() + caption.height() + 6);
    return QSize(img.width() + caption.width() + 12, qMax(img.height(), caption.height()) + 4);
}

void TPNGButton::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter p(this);
    const QPixmap img = CurrentImage();
    const QRect r = rect();
    const int flags = Qt::TextShowMnemonic;
    p.setFont(font());
    p.setPen(isEnabled() ? m_captionColour : m_disabledCaptionColour);
    const QFontMetrics fm(font());
    switch (m_layout) {
    case Layout::ImageAbove: {
        const int total = img.height() + 2 + fm.height();
        const int top = qMax(0, (r.height() - total) / 2);
        if (!img.isNull())
            p.drawPixmap((r.width() - img.width()) / 2, top, img);
        p.drawText(QRect(0, top + img.height() + 2, r.width(), fm.height()), flags | Qt::AlignHCenter | Qt::AlignTop,
                   text());
        break;
    }
    case Layout::ImageLeft:
    case Layout::ImageRight: {
        const bool left = m_layout == Layout::ImageLeft;
        const int imgX = left ? 2 : r.width() - img.width() - 2;
        if (!img.isNull())
            p.drawPixmap(imgX, (r.height() - img.height()) / 2, img);
        const QRect textRect = left ? r.adjusted(img.width() + 6, 0, 0, 0) : r.adjusted(0, 0, -img.width() - 6, 0);
        p.drawText(textRect, flags | Qt::AlignCenter, text());
        break;
    }
    }
    if (hasFocus())
        DrawFocusFrame(p, r.adjusted(0, 0, -1, -1), isEnabled() ? m_captionColour : m_disabledCaptionColour);
}

void TPNGButton::keyPressEvent(QKeyEvent* event)
{
    if (!PressOnEnter(this, event))
        QAbstractButton::keyPressEvent(event);
}

void TPNGButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    m_hover = true;
    update();
}

void TPNGButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    m_hover = false;
    update();
}

// Many users double-click buttons: the second press of a double click is no
// second click. The main window's buttons toggle (SMS, Settings, Connect and
// Disconnect), so a second click would undo the first.
void TPNGButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}
