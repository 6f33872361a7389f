#pragma once
// What the settings pages ask of the main window: its lock, its PIN and
// connection state, taking the modem from the worker and giving it back, its
// message box, network check, hang-up, language switch, modem search, operator
// names and traffic labels. The program's main window stands behind
// MainFrameActions(); tests hand the pages their own.
#include "platform/Types.h"

class QLabel;
class QWidget;
class TOperatorList;

class TMainActions {
public:
    virtual ~TMainActions() = default;

    virtual void Lock() = 0;
    virtual void Unlock() = 0;
    virtual bool IsPinOk() = 0;
    // The SIM asks for its PIN or PUK again (wrong PINs used up its tries):
    // the PIN is no longer ok, and the worker's next check asks the user.
    virtual void PinLost() = 0;
    // The main window's own idea of the link (its m_bConnected).
    virtual bool IsConnected() = 0;
    virtual void SuspendWorker() = 0;
    virtual void ResumeWorker() = 0;
    // A user action holds the modem (its show of a window must not start another).
    virtual bool IsActionRunning() { return false; }
    // The user asked to close: a wait of a page ends at once.
    virtual bool IsClosing() { return false; }
    // Type 0 OK, 1 Yes / No, 2 OK / Cancel; returns 1, 2, 6 or 7.
    virtual int ShowMsgBox(QWidget* owner, const AnsiString& text, int type) = 0;
    virtual bool CheckNetwork() = 0;
    virtual bool DisconnectFromInternet() = 0;
    // The user unticked "Connect on start-up": this run's start-up connect,
    // if still to be made, is given up.
    virtual void GiveUpStartupConnect() {}
    // Every caption of every window again, in the active language.
    virtual void ApplyLanguage() = 0;
    // The modem search run synchronously for a newly chosen modem.
    virtual void SearchModem() = 0;
    virtual TOperatorList* OperatorList() = 0;
    virtual bool DebugWindowExists() = 0;
    // The program folder's Config.ini.
    virtual AnsiString ConfigPath() = 0;
    // The main window's traffic row (null when it has none).
    enum TrafficLabel { kDown, kUp, kDownSpeed, kUpSpeed, kTimeUp };
    virtual QLabel* Traffic(TrafficLabel which) = 0;
    // The window a modal question is placed over.
    virtual QWidget* Window() = 0;
};

// The program's main window (ModemMainFrame); while there is none, locks do
// nothing, the PIN is not ok and nothing is connected.
TMainActions* MainFrameActions();
