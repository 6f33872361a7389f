#include "ui/common/TLockCover.h"

#include <QMouseEvent>

TLockCover::TLockCover(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_NoSystemBackground, true);
    setAttribute(Qt::WA_TranslucentBackground, true);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void TLockCover::Cover(QWidget* target)
{
    if (target == nullptr)
        return;
    if (parentWidget() != target->parentWidget())
        setParent(target->parentWidget());
    setGeometry(target->geometry().adjusted(-kMargin, -kMargin, kMargin, kMargin));
    raise();
    show();
}

void TLockCover::Uncover()
{
    hide();
}

void TLockCover::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void TLockCover::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
}

void TLockCover::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}
