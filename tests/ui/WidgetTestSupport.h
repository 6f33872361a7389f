#pragma once
// Synthetic mouse input for widget tests, and a wait that pumps events.
#include <QCoreApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QWidget>
#include <chrono>
#include <functional>
#include <thread>

namespace uitest {

// Pumps events until `done` holds or `ms` pass.
inline bool WaitFor(const std::function<bool()>& done, int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (done())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

inline bool Mouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, QPoint local,
                  Qt::MouseButtons held = Qt::NoButton)
{
    QMouseEvent e(type, QPointF(local), QPointF(w->mapToGlobal(local)), button, held, Qt::NoModifier);
    return QCoreApplication::sendEvent(w, &e);
}

inline void Press(QWidget* w, Qt::MouseButton b, QPoint p = QPoint(5, 5))
{
    Mouse(w, QEvent::MouseButtonPress, b, p, b);
}

inline void Release(QWidget* w, Qt::MouseButton b, QPoint p = QPoint(5, 5))
{
    Mouse(w, QEvent::MouseButtonRelease, b, p, Qt::NoButton);
}

inline void MoveHeld(QWidget* w, Qt::MouseButton held, QPoint p)
{
    Mouse(w, QEvent::MouseMove, Qt::NoButton, p, held);
}

inline void Enter(QWidget* w)
{
    QEnterEvent e(QPointF(1, 1), QPointF(1, 1), QPointF(w->mapToGlobal(QPoint(1, 1))));
    QCoreApplication::sendEvent(w, &e);
}

inline void Leave(QWidget* w)
{
    QEvent e(QEvent::Leave);
    QCoreApplication::sendEvent(w, &e);
}

inline QPixmap Solid(QColor c, int w = 11, int h = 11)
{
    QPixmap p(w, h);
    p.fill(c);
    return p;
}

inline QColor PixelAt(const QPixmap& p, int x, int y)
{
    return p.toImage().pixelColor(x, y);
}

// A left click (or press, release, double-click press, release) as the window
// system delivers it: to the widget under the middle of `over`.
inline void ClickAt(QWidget* over, bool twice = false)
{
    QWidget* window = over->window();
    const QPoint at = over->mapTo(window, over->rect().center());
    const QEvent::Type types[] = {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                                  QEvent::MouseButtonRelease};
    for (int i = 0; i < (twice ? 4 : 2); ++i) {
        QWidget* target = window->childAt(at) != nullptr ? window->childAt(at) : window;
        const QPoint local = target->mapFrom(window, at);
        const bool up = types[i] == QEvent::MouseButtonRelease;
        QMouseEvent e(types[i], local, target->mapToGlobal(local), Qt::LeftButton, up ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(target, &e);
    }
}

}  // namespace uitest
