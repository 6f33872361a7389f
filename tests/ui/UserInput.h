#pragma once
// Clicks and keys as the user's, through the window system: a click gives
// the focus as a real one does, keys go to whatever holds the focus.
#include <QApplication>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "WidgetTestSupport.h"
#include "ui/common/TClickGuard.h"

namespace uitest {

// A click at a point of the control (its centre by default), well after the
// last one: not the second click of a double click.
inline void ClickAsUser(QWidget* control, QPoint at = QPoint(-1, -1))
{
    TClickGuard::Reset();
    QWidget* window = control->window();
    const QPoint local = at.x() < 0 ? control->rect().center() : at;
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, control->mapTo(window, local));
    QCoreApplication::processEvents();
}

// The window made active, as the window manager does when it is opened or clicked.
inline bool Activate(QWidget* window)
{
    // The offscreen platform keeps a hidden window as its focus window, and
    // then takes the window's activation, shown again, for no change.
    if (QGuiApplication::focusWindow() == window->windowHandle() && !window->isActiveWindow())
        QApplication::setActiveWindow(window);
    window->activateWindow();
    return WaitFor([window] { return window->isActiveWindow(); }, 5000);
}

inline void Type(QWidget* window, const QString& text)
{
    for (QChar c : text)
        QTest::keyClick(window->windowHandle(), c.toLatin1());
}

// Tab until the control has the focus (at most `tabs` times); whether it has.
inline bool TabTo(QWidget* control, int tabs = 40)
{
    for (int i = 0; i < tabs && !control->hasFocus(); ++i)
        QTest::keyClick(control->window()->windowHandle(), Qt::Key_Tab);
    return control->hasFocus();
}

}  // namespace uitest
