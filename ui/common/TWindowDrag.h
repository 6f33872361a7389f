#pragma once
// Moves a borderless window with the mouse. A press only arms the drag; the
// window moves once the left button is held and the pointer has travelled a
// few pixels, so a click never starts a move, and a move never follows a
// pointer whose button is up. The window is kept on its screen.
#include <QPoint>
#include <QRect>

class QMouseEvent;
class QWidget;

class TWindowDrag {
public:
    explicit TWindowDrag(QWidget* window) : m_pWindow(window) {}

    // Each returns true when it used the event.
    bool Press(QMouseEvent* event);
    bool Move(QMouseEvent* event);
    bool Release(QMouseEvent* event);
    // Forgets a press or drag (the window was hidden, another grab began).
    void Cancel();

    bool IsArmed() const { return m_armed; }
    bool IsDragging() const { return m_dragging; }

    // Where the window may go for a wished top-left: whole on its screen.
    static QPoint KeepOnScreen(const QWidget* window, QPoint topLeft);
    // The available area of the screen that holds the point, else of the
    // screen nearest to it, else of the primary one (empty without screens).
    static QRect ScreenAreaAt(QPoint point);
    // The top-left nearest to the wished one that puts a window of that size
    // whole into the area; a window larger than it keeps its top-left on it.
    static QPoint FitInto(const QRect& area, QPoint topLeft, QSize size);

private:
    QWidget* m_pWindow;
    bool m_armed = false;
    bool m_dragging = false;
    QPoint m_pressGlobal;
    QPoint m_pressOffset;
};
