#pragma once
// One user action, from its click to its end. It holds the window-wide lock
// (the main window's, which covers the docked windows) for its whole scope
// and lets it go on every way out, an exception included. While one action
// runs, a click that reaches another (one queued before the window was
// covered, handled by a pump inside the running action) is dropped: the guard
// refuses it and its handler does nothing. Only a modal window opened since
// the running action began (a box, the helper window) takes clicks then.
//
//     const Target what = ...;  // read before anything handles events
//     TUserAction action(m_pMain, m_pButton);
//     if (!action)
//         return;
#include <QPointer>
#include <functional>

class QWidget;

class TUserAction {
public:
    // `source` is the control clicked; null for a part of an action (a page
    // shown by it), which is never refused.
    TUserAction(QWidget* source, std::function<void()> lock, std::function<void()> unlock);
    // Locks with the window's Lock and Unlock; a null window locks nothing.
    template <class Window>
    TUserAction(Window* window, QWidget* source)
        : TUserAction(
              source,
              [window] {
                  if (window != nullptr)
                      window->Lock();
              },
              [window] {
                  if (window != nullptr)
                      window->Unlock();
              })
    {
    }
    ~TUserAction();
    TUserAction(const TUserAction&) = delete;
    TUserAction& operator=(const TUserAction&) = delete;

    // False: refused, another action runs.
    explicit operator bool() const { return m_started; }

private:
    std::function<void()> m_unlock;
    TUserAction* m_outer = nullptr;
    QPointer<QWidget> m_modal;  // the modal window the action began under
    bool m_started = false;
    static TUserAction* s_innermost;
};
