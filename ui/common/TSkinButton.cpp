#include "ui/common/TSkinButton.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>

#include "ui/common/TLockCover.h"
#include "ui/common/TSkin.h"
#include "ui/common/UiStyle.h"

TSkinButton::TSkinButton(QWidget* owner) : QAbstractButton(owner), m_captionColour(BgrColor(Skin::kCaptionColour))
{
    setFont(NamedFontPt("Tahoma", 8));
    setFocusPolicy(Qt::TabFocus);
    resize(78, 20);
    SetPictures("btn");
}

TSkinButton::TSkinButton(const QString& caption, QWidget* owner) : TSkinButton(owner)
{
    setText(caption);
}

TSkinButton::~TSkinButton() = default;

void TSkinButton::SetPictures(const QString& prefix)
{
    const QString suffix[StateCount] = {QString(), Skin::kHoverSuffix, Skin::kDownSuffix};
    // Without pictures the button is a plain dark slab: still readable.
    const QColor fill[StateCount] = {QColor(60, 70, 84), QColor(40, 108, 172), QColor(28, 82, 136)};
    for (int s = 0; s < StateCount; ++s) {
        m_left[s] = TSkin::Picture(prefix + "_left" + suffix[s], QSize(kCapWidth, 20), fill[s]);
        m_center[s] = TSkin::Picture(prefix + "_center" + suffix[s], QSize(kCapWidth, 20), fill[s]);
        m_right[s] = TSkin::Picture(prefix + "_right" + suffix[s], QSize(kCapWidth, 20), fill[s]);
    }
    update();
}

void TSkinButton::SetCaptionColour(const QColor& colour)
{
    m_captionColour = colour;
    update();
}

void TSkinButton::Lock()
{
    m_locked = true;
    setFocusPolicy(Qt::NoFocus);
    SetCaptionColour(BgrColor(Skin::kLockedCaptionColour));
    // A button without a parent has nothing to be covered in; it only greys.
    if (m_cover == nullptr && parentWidget() != nullptr)
        m_cover = new TLockCover(parentWidget());
    if (m_cover != nullptr)
        m_cover->Cover(this);
}

void TSkinButton::Unlock()
{
    m_locked = false;
    setFocusPolicy(Qt::TabFocus);
    SetCaptionColour(BgrColor(Skin::kCaptionColour));
    if (m_cover != nullptr)
        m_cover->Uncover();
}

void TSkinButton::KeepCoverInPlace()
{
    if (m_locked && m_cover != nullptr)
        m_cover->Cover(this);
}

void TSkinButton::moveEvent(QMoveEvent* event)
{
    QAbstractButton::moveEvent(event);
    KeepCoverInPlace();
}

void TSkinButton::resizeEvent(QResizeEvent* event)
{
    QAbstractButton::resizeEvent(event);
    KeepCoverInPlace();
}

QSize TSkinButton::sizeHint() const
{
    const QFontMetrics fm(font());
    return QSize(qMax(78, fm.horizontalAdvance(text()) + 2 * kCapWidth + 8), 20);
}

void TSkinButton::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    const State s = isDown() ? Down : (m_hover && isEnabled() && !m_locked ? Hover : Normal);
    QPainter p(this);
    const int w = width();
    const int h = height();
    const int cap = qMin(kCapWidth, w / 2);
    p.drawPixmap(QRect(0, 0, cap, h), m_left[s]);
    if (w - 2 * cap > 0)
        p.drawPixmap(QRect(cap, 0, w - 2 * cap, h), m_center[s]);
    p.drawPixmap(QRect(w - cap, 0, cap, h), m_right[s]);
    p.setFont(font());
    p.setPen(isEnabled() ? m_captionColour : BgrColor(Skin::kLockedCaptionColour));
    const QRect textRect = isDown() ? rect().translated(1, 1) : rect();
    p.drawText(textRect, Qt::AlignCenter | Qt::TextShowMnemonic, text());
    if (hasFocus())
        DrawFocusFrame(p, rect().adjusted(3, 3, -4, -4), m_captionColour);
}

void TSkinButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    m_hover = true;
    update();
}

void TSkinButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    m_hover = false;
    update();
}

void TSkinButton::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (m_locked && (enter || key == Qt::Key_Space)) {
        event->accept();
        return;
    }
    if (!PressOnEnter(this, event))
        QAbstractButton::keyPressEvent(event);
}
