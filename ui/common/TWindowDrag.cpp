#include "ui/common/TWindowDrag.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace {
// Pixels the pointer travels with the button held before the window moves.
int StartDistance()
{
    return qMax(3, QApplication::startDragDistance() / 2);
}

// Wayland lets no client place its own window: there the compositor moves it.
bool CompositorMoves()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}
}  // namespace

bool TWindowDrag::Press(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    m_armed = true;
    m_dragging = false;
    m_pressGlobal = event->globalPosition().toPoint();
    m_pressOffset = m_pressGlobal - m_pWindow->frameGeometry().topLeft();
    return true;
}

bool TWindowDrag::Move(QMouseEvent* event)
{
    if (!m_armed)
        return false;
    if (!(event->buttons() & Qt::LeftButton)) {
        // The release went elsewhere: nothing follows a free pointer.
        Cancel();
        return false;
    }
    const QPoint global = event->globalPosition().toPoint();
    if (!m_dragging) {
        if ((global - m_pressGlobal).manhattanLength() < StartDistance())
            return true;
        m_dragging = true;
        if (CompositorMoves()) {
            QWindow* handle = m_pWindow->windowHandle();
            if (handle != nullptr && handle->startSystemMove()) {
                Cancel();
                return true;
            }
        }
    }
    m_pWindow->move(KeepOnScreen(m_pWindow, global - m_pressOffset));
    return true;
}

bool TWindowDrag::Release(QMouseEvent* event)
{
    if (!m_armed || event->button() != Qt::LeftButton)
        return false;
    const bool moved = m_dragging;
    Cancel();
    return moved;
}

void TWindowDrag::Cancel()
{
    m_armed = false;
    m_dragging = false;
}

QPoint TWindowDrag::KeepOnScreen(const QWidget* window, QPoint topLeft)
{
    QScreen* screen = window->screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return topLeft;
    return FitInto(screen->availableVirtualGeometry(), topLeft, window->frameGeometry().size());
}

QRect TWindowDrag::ScreenAreaAt(QPoint point)
{
    QScreen* nearest = QGuiApplication::screenAt(point);
    qint64 nearestDistance = -1;
    if (nearest == nullptr) {
        for (QScreen* screen : QGuiApplication::screens()) {
            const QRect g = screen->geometry();
            const qint64 dx = qMax(0, qMax(g.left() - point.x(), point.x() - g.right()));
            const qint64 dy = qMax(0, qMax(g.top() - point.y(), point.y() - g.bottom()));
            if (nearestDistance < 0 || dx * dx + dy * dy < nearestDistance) {
                nearestDistance = dx * dx + dy * dy;
                nearest = screen;
            }
        }
    }
    if (nearest == nullptr)
        nearest = QGuiApplication::primaryScreen();
    return nearest != nullptr ? nearest->availableGeometry() : QRect();
}

QPoint TWindowDrag::FitInto(const QRect& area, QPoint topLeft, QSize size)
{
    if (area.isEmpty())
        return topLeft;
    const int maxX = qMax(area.left(), area.right() + 1 - size.width());
    const int maxY = qMax(area.top(), area.bottom() + 1 - size.height());
    return QPoint(qBound(area.left(), topLeft.x(), maxX), qBound(area.top(), topLeft.y(), maxY));
}
