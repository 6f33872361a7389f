#include "ui/common/TFocusGuard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QRadioButton>
#include <QWidget>

#include "ui/common/TExFrame.h"
#include "ui/common/TExImage.h"
#include "ui/common/TFormEx.h"
#include "ui/common/TLockCover.h"
#include "ui/common/TSkinButton.h"

namespace {
QPointer<TFocusGuard> g_guard;

bool IsCovered(const QWidget* widget)
{
    for (const QWidget* w = widget; w != nullptr && !w->isWindow(); w = w->parentWidget()) {
        const QPoint centre = w->geometry().center();
        for (const QObject* sibling : w->parentWidget()->children()) {
            const auto* cover = qobject_cast<const TLockCover*>(sibling);
            if (cover != nullptr && cover != w && !cover->isHidden() && cover->geometry().contains(centre))
                return true;
        }
    }
    return false;
}

bool PressKey(const QEvent* event)
{
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Select;
}

bool NavigationKey(const QEvent* event)
{
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Escape || key == Qt::Key_Shift ||
           key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta;
}

// Only our skinned windows follow these rules; the main window, all buttons,
// places its own focus.
TFormEx* SkinnedWindow(QWidget* widget)
{
    return widget != nullptr ? qobject_cast<TFormEx*>(widget->window()) : nullptr;
}
}  // namespace

void TFocusGuard::Install()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (g_guard == nullptr && app != nullptr) {
        g_guard = new TFocusGuard(app);
        app->installEventFilter(g_guard);
    }
}

TFocusGuard::TFocusGuard(QObject* parent) : QObject(parent) {}

bool TFocusGuard::Usable(const QWidget* widget)
{
    if (widget == nullptr || !widget->isVisible() || !widget->isEnabled())
        return false;
    if (const auto* skinned = qobject_cast<const TSkinButton*>(widget); skinned != nullptr && skinned->IsLocked())
        return false;
    return !IsCovered(widget);
}

bool TFocusGuard::TakesFocus(const QWidget* widget)
{
    return widget != nullptr && (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus &&
           widget->focusProxy() == nullptr && Usable(widget);
}

bool TFocusGuard::IsAction(const QWidget* widget)
{
    if (qobject_cast<const TExImage*>(widget) != nullptr)
        return true;
    return qobject_cast<const QAbstractButton*>(widget) != nullptr && qobject_cast<const QCheckBox*>(widget) == nullptr &&
           qobject_cast<const QRadioButton*>(widget) == nullptr;
}

QWidget* TFocusGuard::AreaOf(QWidget* widget)
{
    for (QWidget* w = widget->parentWidget(); w != nullptr && !w->isWindow(); w = w->parentWidget())
        if (qobject_cast<TExFrame*>(w) != nullptr)
            return w;
    return widget->window();
}

QWidget* TFocusGuard::CurrentArea(QWidget* window)
{
    for (TExFrame* page : window->findChildren<TExFrame*>())
        if (page->isVisible() && AreaOf(page) == window)
            return page;
    return window;
}

QWidget* TFocusGuard::FirstEntryIn(QWidget* area)
{
    for (QWidget* w = area->nextInFocusChain(); w != area && w != area->window(); w = w->nextInFocusChain())
        if (area->isAncestorOf(w) && !IsAction(w) && TakesFocus(w))
            return w;
    // The chain may start inside the area: walk it once more from the window.
    QWidget* window = area->window();
    for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain())
        if (area->isAncestorOf(w) && !IsAction(w) && TakesFocus(w))
            return w;
    return nullptr;
}

QWidget* TFocusGuard::EntryOf(QWidget* area)
{
    if (g_guard != nullptr) {
        const auto it = g_guard->m_lastEntry.find(area);
        if (it != g_guard->m_lastEntry.end() && it->second != nullptr && area->isAncestorOf(it->second) &&
            TakesFocus(it->second))
            return it->second;
    }
    if (auto* page = qobject_cast<TExFrame*>(area))
        return page->FirstEntry();
    return FirstEntryIn(area);
}

bool TFocusGuard::PlaceIn(QWidget* area)
{
    QWidget* to = EntryOf(area);
    if (to == nullptr)
        return false;
    // Any other entry only stands in for the user's: until that one can take
    // the focus again, or the user types in the stand-in.
    if (g_guard != nullptr) {
        const auto it = g_guard->m_lastEntry.find(area);
        g_guard->m_standIn = it != g_guard->m_lastEntry.end() && it->second == to ? nullptr : to;
    }
    to->setFocus(Qt::OtherFocusReason);
    return true;
}

void TFocusGuard::Replace(QWidget* window, QWidget* from)
{
    QWidget* area = CurrentArea(window);
    if (EntryOf(area) != from && PlaceIn(area))
        return;
    if (from != nullptr && window->focusWidget() == from)
        from->clearFocus();
}

void TFocusGuard::Restore(QWidget* window)
{
    QWidget* area = CurrentArea(window);
    QWidget* focus = window->focusWidget();
    if (focus != nullptr && !IsAction(focus) && TakesFocus(focus) && (AreaOf(focus) == area || AreaOf(focus) == window))
        return;
    PlaceIn(area);
}

void TFocusGuard::Enter(QWidget* area)
{
    QWidget* focus = area->window()->focusWidget();
    if (focus != nullptr && area->isAncestorOf(focus) && !IsAction(focus) && TakesFocus(focus))
        return;
    PlaceIn(area);
}

bool TFocusGuard::Step(QWidget* window, bool next)
{
    QWidget* from = window->focusWidget() != nullptr ? window->focusWidget() : window;
    QWidget* w = from;
    do {
        w = next ? w->nextInFocusChain() : w->previousInFocusChain();
        if (w != window && w->window() == window && TakesFocus(w)) {
            w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    } while (w != from);
    return false;
}

void TFocusGuard::Remember(QWidget* widget)
{
    QWidget* area = AreaOf(widget);
    if (m_lastEntry.find(area) == m_lastEntry.end())
        connect(area, &QObject::destroyed, this, [this, area] { m_lastEntry.erase(area); });
    m_lastEntry[area] = widget;
}

void TFocusGuard::CoverShown(QWidget* cover)
{
    QWidget* window = cover->window();
    QWidget* focus = window->focusWidget();
    if (focus != nullptr && !Usable(focus))
        Replace(window, focus);
}

bool TFocusGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (!watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        // Whatever holds the focus, a covered, locked or hidden button is not pressed.
        if (PressKey(event) && IsAction(widget) && !Usable(widget)) {
            if (auto* button = qobject_cast<QAbstractButton*>(widget))
                button->setDown(false);
            return true;
        }
        // Typing in an entry makes it the one the user has; passing over
        // it with Tab does not.
        if (event->type() == QEvent::KeyPress && !IsAction(widget) && !NavigationKey(event) &&
            (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && SkinnedWindow(widget) != nullptr) {
            if (widget == m_standIn)
                m_standIn = nullptr;
            Remember(widget);
        }
        break;
    case QEvent::Shortcut:
        return IsAction(widget) && !Usable(widget);
    case QEvent::FocusIn: {
        TFormEx* window = SkinnedWindow(widget);
        if (window == nullptr)
            break;
        const bool activation = static_cast<QFocusEvent*>(event)->reason() == Qt::ActiveWindowFocusReason;
        if (m_placed.find(window) == m_placed.end())
            connect(window, &QObject::destroyed, this, [this, window] { m_placed.erase(window); });
        QPointer<QWidget>& placed = m_placed[window];
        if (activation && IsAction(widget) && placed != widget) {
            // The window system's pick on activation, not the user's.
            Replace(window, widget);
            break;
        }
        placed = widget;
        if (widget == m_standIn)
            break;
        m_standIn = nullptr;
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason && !activation && !IsAction(widget) &&
            (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus)
            Remember(widget);
        break;
    }
    case QEvent::EnabledChange: {
        // The entry the user had takes the focus back as soon as it can,
        // unless the focus has found a place meanwhile.
        TFormEx* window = SkinnedWindow(widget);
        if (window == nullptr || !widget->isEnabled())
            break;
        const auto it = m_lastEntry.find(AreaOf(widget));
        QWidget* focus = window->focusWidget();
        if (it != m_lastEntry.end() && it->second == widget && (focus == nullptr || focus == m_standIn || !Usable(focus)) &&
            AreaOf(widget) == CurrentArea(window) && TakesFocus(widget))
            widget->setFocus(Qt::OtherFocusReason);
        break;
    }
    case QEvent::Show:
        if (qobject_cast<TLockCover*>(widget) != nullptr && SkinnedWindow(widget) != nullptr)
            CoverShown(widget);
        break;
    case QEvent::Hide:
        if (qobject_cast<TLockCover*>(widget) != nullptr && widget->isHidden() && SkinnedWindow(widget) != nullptr &&
            widget->window()->isVisible())
            Restore(widget->window());
        break;
    default:
        break;
    }
    return false;
}
