#include "ui/common/TExImage.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ui/common/UiStyle.h"

TExImage::TExImage(QWidget* owner) : QWidget(owner)
{
    setAttribute(Qt::WA_Hover, false);
}

TExImage::~TExImage() = default;

QSize TExImage::sizeHint() const
{
    return m_pictureNormal.isNull() ? QSize(11, 11) : m_pictureNormal.size();
}

void TExImage::SetCentre(bool value)
{
    m_centre = value;
    update();
}

void TExImage::SetPicture(const QPixmap& picture)
{
    // A copy: the frame is drawn into the shown picture, never into a stored one.
    m_shown = picture.copy();
    DrawCaption();
    update();
}

void TExImage::DrawCaption() {}

void TExImage::DrawFocus()
{
    DrawCaption();
    if (m_drawBorders)
        DrawFrame(Frame::Raised);
}

void TExImage::DrawDown()
{
    DrawCaption();
    if (m_drawBorders)
        DrawFrame(Frame::Sunken);
}

void TExImage::DrawFrame(Frame frame)
{
    if (m_shown.isNull())
        return;
    const QSize size = m_pictureNormal.isNull() ? m_shown.size() : m_pictureNormal.size();
    const int w = size.width();
    const int h = size.height();
    const QColor light = BgrColor(0xFFFFFF);
    const QColor grey = BgrColor(0xA4A0A0);
    const QColor first = frame == Frame::Raised ? light : grey;   // left and top
    const QColor second = frame == Frame::Raised ? grey : light;  // bottom and right
    QPainter p(&m_shown);
    p.setRenderHint(QPainter::Antialiasing, false);
    // Each line runs from its first point to just before its second.
    auto line = [&p](const QColor& c, int x1, int y1, int x2, int y2) {
        if (x1 == x2 && y2 > y1)
            y2 -= 1;
        else if (y1 == y2 && x2 > x1)
            x2 -= 1;
        else
            return;
        p.setPen(c);
        p.drawLine(x1, y1, x2, y2);
    };
    line(first, 1, 1, 1, h - 2);
    line(first, 2, 1, w - 2, 1);
    line(second, 1, h - 2, w - 1, h - 2);
    line(second, w - 2, 1, w - 2, h - 2);
    p.end();
    update();
}

void TExImage::SetDownPicture(const QPixmap& picture)
{
    m_pictureDown = picture.copy();
}

void TExImage::SetDisablePicture(const QPixmap& picture)
{
    m_pictureDisable = picture.copy();
}

void TExImage::SetLeavePicture(const QPixmap& picture)
{
    m_pictureNormal = picture.copy();
    if (m_pictureDown.isNull())
        m_pictureDown = m_pictureNormal.copy();
    if (m_pictureDisable.isNull())
        m_pictureDisable = m_pictureNormal.copy();
    if (isEnabled())
        SetPicture(picture);
    updateGeometry();
}

void TExImage::SetDownState(bool value)
{
    m_downState = m_allowDown ? value : false;
    if (m_downState) {
        SetPicture(m_pictureDown);
        DrawDown();
    } else {
        SetPicture(m_pictureNormal);
    }
    repaint();
}

void TExImage::mousePressEvent(QMouseEvent* event)
{
    const QPoint pt = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        if (isEnabled()) {
            SetPicture(m_pictureDown);
            m_downState = m_allowDown ? !m_downState : false;
            DrawDown();
        } else {
            SetPicture(m_pictureDisable);
        }
    }
    emit OnMouseDown(event->button(), event->modifiers(), pt.x(), pt.y());
}

void TExImage::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click changes nothing; the event still fires.
    const QPoint pt = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    emit OnMouseDown(event->button(), event->modifiers(), pt.x(), pt.y());
}

void TExImage::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pt = event->position().toPoint();
    bool click = false;
    if (event->button() == Qt::LeftButton) {
        // Both edges count as inside.
        const bool inside = pt.x() >= 0 && pt.x() <= width() && pt.y() >= 0 && pt.y() <= height();
        if (isEnabled()) {
            if (inside) {
                if (!m_allowDown)
                    SetPicture(m_pictureNormal);
                DrawFocus();
            }
        } else {
            SetPicture(m_pictureDisable);
        }
        click = m_pressed && inside && isEnabled();
        m_pressed = false;
    }
    emit OnMouseUp(event->button(), event->modifiers(), pt.x(), pt.y());
    if (click)
        emit OnClick();
}

void TExImage::CMMouseEnter()
{
    if (!isEnabled() || m_downState)
        return;
    DrawFocus();
    emit OnMouseEnter();
}

void TExImage::CMMouseLeave()
{
    if (!isEnabled())
        return;
    if (!m_downState) {
        SetPicture(m_pictureNormal);
    } else {
        SetPicture(m_pictureDown);
        DrawDown();
    }
    emit OnMouseLeave();
}

void TExImage::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    CMMouseEnter();
}

void TExImage::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    CMMouseLeave();
}

void TExImage::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            SetPicture(m_pictureDisable);
        } else if (m_downState) {
            SetPicture(m_pictureDown);
            DrawDown();
        } else {
            SetPicture(m_pictureNormal);
        }
    }
    QWidget::changeEvent(event);
}

void TExImage::resizeEvent(QResizeEvent* event)
{
    Q_UNUSED(event);
    DrawCaption();
}

QPoint TExImage::PictureOrigin() const
{
    if (!m_centre)
        return QPoint(0, 0);
    return QPoint((width() - m_shown.width()) / 2, (height() - m_shown.height()) / 2);
}

void TExImage::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    if (m_shown.isNull())
        return;
    QPainter p(this);
    p.drawPixmap(PictureOrigin(), m_shown);
    if (hasFocus())
        DrawFocusFrame(p, rect().adjusted(0, 0, -1, -1), BgrColor(0xFFFFFF));
}

void TExImage::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (isEnabled() && !event->isAutoRepeat())
        emit OnClick();
}
