#include "ui/common/TClickGuard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>

namespace {
QPointer<TClickGuard> g_guard;
}

void TClickGuard::Install()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (g_guard == nullptr && app != nullptr) {
        g_guard = new TClickGuard(app);
        app->installEventFilter(g_guard);
    }
}

void TClickGuard::Reset()
{
    if (g_guard != nullptr) {
        g_guard->m_lastPress.invalidate();
        g_guard->m_opened.clear();
    }
}

TClickGuard::TClickGuard(QObject* parent) : QObject(parent) {}

bool TClickGuard::WithinInterval() const
{
    const int blind = qMin(QGuiApplication::styleHints()->mouseDoubleClickInterval(), kMaxBlindMs);
    return m_lastPress.isValid() && m_lastPress.elapsed() < blind;
}

bool TClickGuard::OpenedByLastPress(const QWidget* widget) const
{
    for (; widget != nullptr; widget = widget->parentWidget())
        for (const QPointer<QWidget>& w : m_opened)
            if (w == widget)
                return true;
    return false;
}

bool TClickGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (!watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::Show:
        // A window restored by the window system was there before; a popup
        // (a combo's list) is meant to take the next click.
        if (!event->spontaneous() && WithinInterval() && widget->window()->windowType() != Qt::Popup)
            m_opened.emplace_back(widget);
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (WithinInterval() && OpenedByLastPress(widget))
            return true;
        m_lastPress.start();
        m_opened.clear();
        break;
    default:
        break;
    }
    return false;
}
