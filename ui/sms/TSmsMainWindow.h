#pragma once
// What the SMS window and its pages ask of the main window: the window-wide
// lock, the message box, the modem (worker suspension), the network and link
// state, and the window that is told whether unread messages exist.
//
// The worker thread appends to the communicator's message store while it holds
// the modem, so every read or change of the store on this side is made while
// this side holds the modem too. SuspendWorker / ResumeWorker nest here: an
// inner pair (a list refilled during a send) neither waits for the modem it
// already holds nor gives it back early. A handler that runs while its sender
// holds the modem (the worker waiting in SendMessage) borrows it instead.
#include <QPointer>
#include <memory>
#include "platform/Types.h"

class QObject;
class QWidget;

class TSmsMainWindow {
public:
    virtual ~TSmsMainWindow() = default;

    virtual void Lock() = 0;
    virtual void Unlock() = 0;
    // Type 0 OK, 1 Yes / No; returns 1, 6 or 7.
    virtual int ShowMsgBox(QWidget* owner, const AnsiString& text, int type) = 0;
    virtual bool IsNetworkRegistered() const = 0;
    // The dial-up link as the worker last read it.
    virtual bool IsConnected() const = 0;
    // Receives WM_SMS_UNREAD_STATE; may be null.
    virtual QObject* MessageWindow() const = 0;
    // The user asked to close: no further message is started.
    virtual bool IsClosing() const { return false; }
    // Messages of a send not started yet (0 when none): a close asks first.
    virtual void SetSendsLeft(int) {}
    // A user action holds the modem (its show of a window must not start another).
    virtual bool IsActionRunning() const { return m_iHeld > 0; }

    // Counted: only the outermost pair takes and gives back the modem.
    void SuspendWorker();
    // The same for the message store alone: no command goes to the modem.
    void SuspendWorkerForStore();
    void ResumeWorker();
    // The sender of the message being handled holds the modem.
    void BorrowModem() { ++m_iBorrowed; }
    void ReturnModem()
    {
        if (m_iBorrowed > 0)
            --m_iBorrowed;
    }
    bool HoldsModem() const { return m_iHeld > 0 || m_iBorrowed > 0; }

    // The program's main window: `owner` when it is that window, else the
    // program's one; while there is none, the link does nothing.
    static std::unique_ptr<TSmsMainWindow> Of(QWidget* owner);

protected:
    virtual void DoSuspendWorker() = 0;
    virtual void DoSuspendWorkerForStore() { DoSuspendWorker(); }
    virtual void DoResumeWorker() = 0;

private:
    int m_iHeld = 0;
    int m_iBorrowed = 0;
};

// Holds the modem, and so the message store, for one scope (nothing when the
// modem is already held or borrowed).
class TSmsStoreAccess {
public:
    explicit TSmsStoreAccess(TSmsMainWindow* main) : m_pMain(main)
    {
        if (m_pMain != nullptr && !m_pMain->HoldsModem())
            m_pMain->SuspendWorkerForStore();
        else
            m_pMain = nullptr;
    }
    ~TSmsStoreAccess()
    {
        if (m_pMain != nullptr)
            m_pMain->ResumeWorker();
    }
    TSmsStoreAccess(const TSmsStoreAccess&) = delete;
    TSmsStoreAccess& operator=(const TSmsStoreAccess&) = delete;

private:
    TSmsMainWindow* m_pMain;
};
