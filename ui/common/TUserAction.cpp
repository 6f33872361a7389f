#include "ui/common/TUserAction.h"

#include <QApplication>
#include <QWidget>

TUserAction* TUserAction::s_innermost = nullptr;

TUserAction::TUserAction(QWidget* source, std::function<void()> lock, std::function<void()> unlock)
    : m_unlock(std::move(unlock)), m_modal(QApplication::activeModalWidget())
{
    if (source != nullptr && s_innermost != nullptr) {
        // Only the modal window opened inside the running action reaches the user.
        QWidget* modal = m_modal;
        if (modal == nullptr || modal == s_innermost->m_modal || source->window() != modal)
            return;
    }
    // Marked running before the lock, whose pump may hand out queued clicks.
    m_outer = s_innermost;
    s_innermost = this;
    m_started = true;
    try {
        lock();
    } catch (...) {
        s_innermost = m_outer;
        m_unlock();
        throw;
    }
}

TUserAction::~TUserAction()
{
    if (!m_started)
        return;
    s_innermost = m_outer;
    m_unlock();
}
