#pragma once
// The program's main window and the owner of everything else: the
// communicator, the language table, Config.ini, the operator list, the dialog
// windows and the worker thread that polls the modem. Its members are spread
// over a few sources by concern:
//   MainFrameWindow.cpp   construction, layout, buttons, docking, status
//                         display, lock, message routing, teardown
//   MainFrameWorker.cpp   the worker thread, the poll event, the worker's
//                         messages, connection state, wait panel, signal
//   MainFrameSearch.cpp   first show, modem search and initialisation,
//                         device arrival and re-enumeration
//   MainFramePin.cpp      PIN and network checks
//   MainFrameConnect.cpp  connecting, disconnecting, close question
// The modem is shared between the worker and the user-interface thread through
// the poll event: whoever takes it owns the port until giving it back. User
// actions take it with SuspendWorker and give it back with ResumeWorker.
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Event.h"
#include "platform/TMemo.h"
#include "platform/Types.h"
#include "ui/common/TWindowDrag.h"
#include "ui/common/WindowMessages.h"

class QLabel;
class QTimer;
class TConfigFile;
class TDeviceWatch;
class TExFrame;
class TExImage;
class TFormEx;
class TFormExAbout;
class TLanguage;
class TLockCover;
class TWaitPanel;
class TModemComm;
class TOperatorList;
class TPNGButton;

// What the main window asks of the dialog windows. The program's own dialogs
// stand behind the default; tests put their own answers in.
class TMainDialogs {
public:
    virtual ~TMainDialogs() = default;
    // The program's message box; type 0 OK, 1 Yes / No, 2 OK / Cancel.
    // Returns the modal result (1 OK, 2 Cancel, 6 Yes, 7 No).
    virtual int ShowMsgBox(QWidget* owner, const AnsiString& text, int type) = 0;
    // The same box, closed by itself (with its Esc answer) as soon as
    // `stillNeeded` says that its answer is no longer needed.
    virtual int ShowMsgBoxWhile(QWidget* owner, const AnsiString& text, int type,
                                const std::function<bool()>& stillNeeded)
    {
        (void)stillNeeded;
        return ShowMsgBox(owner, text, type);
    }
    // The PIN / PUK question in mode 2 (PIN) or 3 (PUK and new PIN), saying
    // `warning` when it is not empty; 1 when the user confirmed, with the
    // entries in pin and puk.
    virtual int QueryPin(int mode, const AnsiString& warning, AnsiString& pin, AnsiString& puk) = 0;
    // The connection-trouble window: 1 Settings, 4 Try again, 7 Troubleshoot,
    // anything else gives up.
    virtual int ShowConnectTrouble(uint32_t error, const AnsiString& message) = 0;
    // The main window's one About window, shown modally.
    virtual void ShowAbout(TFormExAbout* about) = 0;
    // The Modem page and the Connection page alone in the helper window.
    virtual void ShowModemPage() = 0;
    // True when the profile was saved there: any other close is a cancel.
    virtual bool ShowConnectionPage() = 0;
    // The windows the main window keeps: the SMS window and the settings
    // dialog (docked below it) and the debug window showing `memo`. Each may
    // be null. The main window deletes the docked ones.
    virtual TFormEx* CreateSmsWindow() { return nullptr; }
    virtual TFormEx* CreateSettingsWindow() { return nullptr; }
    // The debug window; when it keeps the log lines itself it hands out its
    // memo through `memo` (left null, the main window keeps its own).
    virtual QWidget* CreateDebugWindow(TMemo** memo)
    {
        (void)memo;
        return nullptr;
    }
    // Called at teardown before the communicator goes: windows of the dialogs'
    // own that use it are deleted here.
    virtual void ReleaseWindows() {}
};

class TModemMainFrame : public QWidget, public TMessageWindow {
    Q_OBJECT
public:
    // `dialogs` may be null: the program's own dialogs are used.
    explicit TModemMainFrame(QWidget* owner = nullptr, std::unique_ptr<TMainDialogs> dialogs = nullptr);
    ~TModemMainFrame() override;

    // ---- For the other windows ----
    bool IsPinOk() const { return m_bPinOk; }
    // A page found the SIM asking for its PIN or PUK: the worker's next status
    // check asks the user.
    void PinLost() { m_bPinOk = false; }
    bool IsNetworkRegistered() const { return m_bNetworkRegistered; }
    bool IsConnected() const { return m_bConnected; }
    bool IsClosing() const { return m_bClosing; }
    // The start-up connect still to be made is not made in this run.
    void GiveUpStartupConnect() { m_bConnectOnStart = false; }
    // Messages of a send not started yet: a close asks before it drops them.
    void SetSmsSendsLeft(int left) { m_iSmsSendsLeft = left; }
    void Lock();
    void Unlock();
    bool IsLocked() const;
    void ApplyLanguage();
    // Once closing has begun no box opens (but the close's own): the answer
    // is the box's Esc answer. A box given `stillNeeded` closes by itself
    // when that turns false.
    int ShowMsgBox(QWidget* owner, const AnsiString& text, int type, std::function<bool()> stillNeeded = {});
    // A question or notice of the close itself (over the main window), shown
    // although closing has begun.
    int CloseBox(const AnsiString& text, int type);
    // A close asked for from outside the window (an end signal): the exit
    // image's close, every question of it answered Yes without a box, one
    // already open included.
    void CloseUnasked(const AnsiString& why);
    // A box or other modal window of the program is up.
    bool BoxOpen() const;
    // Holds of the modem by user actions; they nest on the user-interface
    // thread, and the worker gets the modem back when the outermost ends.
    // A hold for what the worker shares besides the modem (the message
    // store, the link state) sends no command: it neither ends the modem's
    // network search nor waits for its end.
    enum class EHold { Modem, NoModem };
    void SuspendWorker(EHold what = EHold::Modem);
    void ResumeWorker();
    bool HoldsWorker() const { return !m_uiHolds.empty(); }
    void ShowWaitPanel(const AnsiString& text);
    void HideWaitPanel();
    bool CheckNetwork();
    bool DisconnectFromInternet();
    int ShowInHelper(TExFrame* page);
    TModemComm* ModemComm() const { return m_pModemComm; }
    TLanguage* Language() const { return m_pLanguage; }
    TConfigFile* Config() const { return m_pIniFile; }
    TOperatorList* OperatorList() const { return m_pOperatorList; }
    TMemo* DebugMemo() const { return m_pLogMemo; }
    // The traffic labels, filled by the Settings page.
    QLabel* DownLabel() const { return m_pLDown; }
    QLabel* DownSpeedLabel() const { return m_pLDownSpeed; }
    QLabel* UpLabel() const { return m_pLUp; }
    QLabel* UpSpeedLabel() const { return m_pLUpSpeed; }
    QLabel* TimeUpLabel() const { return m_pLTimeUp; }
    // The windows kept docked below: [0] SMS window, [1] settings dialog.
    TFormEx* DockedWindow(int i) const { return i == 0 || i == 1 ? m_pDockedWindows[i] : nullptr; }
    void SetDockedWindow(int i, TFormEx* window);
    // The one About window (also shown by the trouble dialog's Troubleshoot).
    TFormExAbout* AboutWindow() const { return m_pAboutForm; }

    void Dispatch(TMessage& message) override;

    // ---- State for tests and the debug window ----
    bool IsModemInitialized() const { return m_bModemInitialized; }
    bool IsModemPlugged() const { return m_bModemPlugged; }
    bool IsWorkerRunning() const { return m_bWorkerRun; }
    bool IsWorkerAlive() const { return m_workerAlive; }
    int WorkerSuspendCount() const;
    // When the worker last had the modem for its presence poll (GetTickCount).
    uint32_t LastWorkerPoll() const { return m_lastPoll; }
    TManualResetEvent& PollEvent() { return m_hPollEvent; }
    bool WaitPanelVisible() const;
    AnsiString WaitText() const;
    AnsiString OperatorLabel() const;
    AnsiString QualityLabel() const;
    AnsiString LinkLabel() const;
    bool LinkLightOn() const;
    bool ConnectEnabled() const;
    int SignalShown() const { return m_iSignalShown; }
    // Shortens the worker's pass (200 ms) and status period (10 s) for tests.
    void SetWorkerTiming(uint32_t passMs, uint32_t statusMs);
    // The pauses of the search and the connect button; tests shorten them.
    struct TActionPauses {
        uint32_t presenceRoundMs = 1000;  // between two presence tests of the modem
        uint32_t portRetryMs = 2000;      // before opening the port a second time
        uint32_t networkRetryMs = 1000;   // between two registration queries
        uint32_t redialMs = 1000;         // between the two attempts of a dial
        uint32_t dialAgainMs = 2000;      // after Settings or Try again of the trouble dialog
    };
    void SetActionPauses(const TActionPauses& pauses) { m_pauses = pauses; }
    // How long teardown waits for the worker before logging that it is late.
    static constexpr uint32_t kWorkerJoinMs = 1000;
    // How long an agreed close keeps the window for an action still running.
    static constexpr uint32_t kCloseWaitMs = 15000;

public slots:
    void OnExitClick();
    void OnMinimize();
    void OnSMSClick();
    void OnSettingsClick();
    void OnAboutClick();
    // `source`: the button clicked; null when the program dials or hangs up by
    // itself (connect on start, a redial), which is never refused.
    void OnConnectClick(QWidget* source = nullptr);
    void OnSMSFlashTimer();

public:
    // ---- Start-up, search, PIN and network (public for the pages) ----
    void y();
    void SearchModem();
    bool WaitModemInit(int rounds);
    bool ModemPresent(bool testPort);
    bool OpenAppPort(int index);
    AnsiString GetModemDeviceSetting();
    int FindModemIndex(const AnsiString& name);
    // `refused` gets the first device whose port the system refused or
    // another program held, when it is empty.
    int CountModems(AnsiString* refused = nullptr);
    void DisableConnectButton();
    // Usable with a network, and always while a link is up (to hang it up).
    void EnableConnectButton();
    // byUser false: the program hides them by itself, which asks nothing
    // (typing not saved in Settings stays there).
    void HideOwnedWindows(bool byUser = true);
    void UpdateStatusIcons(bool initialised, bool pinOk, bool registered, int signal);
    void CheckPinAndNetwork();
    // What a PIN check came to: the SIM ready (or it took the PIN), the SIM
    // read as not ready, the modem silent, the question put off while another
    // box is open, or the question ended on something it told the user.
    enum class EPinCheck { Ready, NotReady, Unanswered, PutOff, Told };
    bool CheckPin(EPinCheck* outcome = nullptr);
    // 1 the SIM took what the user typed; -1 cancelled (told) or no port;
    // 0 ended on a reply told to the user (no answer, SIM not ready).
    int AskPin(int mode);
    void SelectUserOperator();
    // False with error 0: no number to dial, nothing was dialled.
    bool ConnectToInternet(uint32_t* error);
    void UpdateConnectionState();
    void UpdateConnectButton(bool connected);
    void ShowConnectedState(bool connected);
    void ShowSignalQuality(int csq);
    void NotifySmsWindow();
    uint32_t WaitForReenum();
    // A port arrived (device watch): log it and start a re-enumeration pass.
    void OnPortArrival(const AnsiString& portName);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // ---- Window (MainFrameWindow.cpp) ----
    void BuildControls();
    // Unless the button the user put the focus on can keep it: onto the
    // first big button that can take it.
    void PlaceFocus();
    void CreateOwnedWindows();
    void ReadConfig();
    void PlaceChildWindow(TFormEx* child);
    void HideOtherChildWindow(bool byUser = true);
    void ShowChildWindow(TFormEx* child);
    void SetStatusIcon(QLabel* image, bool on);
    // The program's name, marked when the modem is the demo's simulated one.
    void ShowCaption();
    void OnWmMove();
    void OnModemStateChangedMsg(TMessage& message);
    void OnSmsUnreadStateMsg(TMessage& message);
    void FormDestroy();
    bool OnCloseQuery();
    void CloseOpenModals();
    void SaveDebugLog();
    void Log(const AnsiString& line);
    QLabel* MakeLabel(int x, int y, int w, int h, int px, bool bold, bool routeMouse = true);
    QLabel* MakeIcon(int x, int y, bool routeMouse = true);
    TPNGButton* MakeBigButton(int x, const char* picture);

    // ---- Worker (MainFrameWorker.cpp) ----
    static void ModemWatchThreadProc(TModemMainFrame* self);
    void WorkerLoop();
    bool TakeModem();
    void GiveModem();
    // Reads the answer of a network search the modem would not end early.
    void WaitForModemSearch();
    // Blocks the worker while a user action holds it; false once it must end.
    bool WorkerCheckpoint();
    LRESULT SendToSelf(UINT msg, WPARAM w, LPARAM l);
    void RunOnUi(std::function<void()> fn, bool wait);
    // Runs `fn` on the user-interface thread for the worker, which holds the
    // modem and waits meanwhile.
    void RunForWorker(std::function<void()> fn);
    void StartWorker();
    void StopWorker();
    void ResumeThread();
    void OnSearchModemMsg(TMessage& message);
    void OnCheckPinMsg(TMessage& message);
    void OnCheckNetworkMsg(TMessage& message);
    void OnSignalQualityMsg(TMessage& message);
    // False when it gave way to a user action before it was done.
    bool WorkerStatusStep(int& signal);
    // A link that ended while the worker waits (for a box, for an action) is
    // shown ended at once; the worker's next connection check does the rest.
    void ShowLinkEndWhileWorkerWaits();

    // ---- Connect (MainFrameConnect.cpp) ----
    void LoadConnectionProfile();
    void HangUp();
    void ResetTrafficRow();
    // A click on the locked window at `at`: Connect says what it waits for.
    void SayWhyLocked(const QPoint& at);
    void HangUpStaleLink();
    // After the worker's network check: dials a drop's redial or the start-up
    // connect once they are due.
    void DialIfOwed();
    bool RedialOwed();
    bool StartupDialOwed() const;

    // ---- Search (MainFrameSearch.cpp) ----
    void EndLeftoverLinks();
    void PickFirstAnsweringDevice();
    void ShowModemPageUnlessClosing();
    void SetPortFromIndex(int index, bool log);
    void ShowModemIdentity();
    // The last port test met a port that waiting cannot help: refused, or held.
    bool PortRefused() const;
    void TellPortRefused();
    void ForgetModemState();
    // The search's end when no modem is taken up.
    void EndSearchWithoutModem();
    void StartReenumThread();
    void ReenumThreadProc();

    // ---- Dialogs ----
    std::unique_ptr<TMainDialogs> m_pDialogs;

    // ---- Controls ----
    QLabel* Image2 = nullptr;
    QLabel* m_pLCaption = nullptr;
    TExImage* m_pSysMin = nullptr;
    TExImage* m_pSysClose = nullptr;
    TPNGButton* m_pPNGConnect = nullptr;
    TPNGButton* m_pPNGSMS = nullptr;
    TPNGButton* m_pPNGSettings = nullptr;
    TPNGButton* m_pPNGAbout = nullptr;
    QLabel* m_pIAntena = nullptr;
    QLabel* m_pLQuality = nullptr;
    QLabel* m_pIConnWeb = nullptr;
    QLabel* m_pLConnWeb = nullptr;
    QLabel* m_pIModem = nullptr;
    QLabel* m_pLModem = nullptr;
    QLabel* m_pISIMCard = nullptr;
    QLabel* m_pLSIMCard = nullptr;
    QLabel* m_pINetwork = nullptr;
    QLabel* m_pLNetwork = nullptr;
    QLabel* ImgDown = nullptr;
    QLabel* ImgDownSpd = nullptr;
    QLabel* ImgUp = nullptr;
    QLabel* ImgUpSpd = nullptr;
    QLabel* ImgUpTime = nullptr;
    QLabel* m_pLDown = nullptr;
    QLabel* m_pLDownSpeed = nullptr;
    QLabel* m_pLUp = nullptr;
    QLabel* m_pLUpSpeed = nullptr;
    QLabel* m_pLTimeUp = nullptr;
    QLabel* m_pLDownTitle = nullptr;
    QLabel* m_pLDownSpeedTitle = nullptr;
    QLabel* m_pLUpTitle = nullptr;
    QLabel* m_pLUpSpeedTitle = nullptr;
    QLabel* m_pLTimeUpTitle = nullptr;
    TWaitPanel* m_pPWaitPanel = nullptr;
    TLockCover* BvlSpacer = nullptr;
    QTimer* FlashSMSTimer = nullptr;

    // ---- Fields ----
    TFormEx* m_pDockedWindows[2] = {nullptr, nullptr};
    TFormExAbout* m_pAboutForm = nullptr;
    TFormEx* m_pSettingsForm = nullptr;
    TFormEx* m_pSmsForm = nullptr;
    TLanguage* m_pLanguage = nullptr;
    std::thread m_hReenumThread;
    TManualResetEvent m_hEnumDoneEvent {false};
    TConfigFile* m_pIniFile = nullptr;
    std::atomic<bool> m_bConnected {false};
    std::atomic<bool> m_bPrevConnected {false};
    std::atomic<bool> m_bUserDisconnected {false};
    std::atomic<bool> m_bConnectionChanged {false};
    std::atomic<bool> m_bRedialDue {false};  // a drop not yet redialled (the next status step does)
    std::atomic<bool> m_bModemInitialized {false};
    std::atomic<bool> m_bPinOk {false};
    // The user cancelled the PIN question: not asked again until a search.
    std::atomic<bool> m_bPinRefused {false};
    std::atomic<bool> m_bNetworkRegistered {false};
    std::atomic<int> m_iSignal {0};
    std::atomic<bool> m_bForceStatusCheck {false};
    std::atomic<bool> m_bClosing {false};
    std::atomic<bool> m_bDialling {false};  // the connect button's dial runs
    int m_iSmsSendsLeft = 0;
    bool m_bInClose = false;   // a close is being decided
    bool m_bCloseAgreed = false;  // asked and agreed; waits for the running action
    uint32_t m_closeAgreedTick = 0;
    bool m_bCloseAsks = false;  // a box of the close itself is being shown
    bool m_bCloseUnasked = false;  // nobody is asked: the close came from outside
    TOperatorList* m_pOperatorList = nullptr;
    TManualResetEvent m_hPollEvent {true};
    std::thread m_hWorkerThread;
    std::atomic<bool> m_bWorkerRun {true};
    std::atomic<bool> m_workerAlive {false};
    std::atomic<uint32_t> m_lastPoll {0};
    std::atomic<bool> m_bModemPlugged {false};
    // The communicator's count of device changes the last search started from.
    std::atomic<int> m_searchedDeviceSet {0};
    TModemComm* m_pModemComm = nullptr;
    std::unique_ptr<TMemo> m_pDebugMemo;  // the log lines when no debug window keeps them
    TMemo* m_pLogMemo = nullptr;
    QWidget* m_pDebugFrame = nullptr;
    std::unique_ptr<TDeviceWatch> m_pDeviceWatch;

    // The worker's suspend count: it runs while the count is zero.
    mutable std::mutex m_suspendMutex;
    std::condition_variable m_suspendCv;
    int m_suspendCount = 1;
    // User-interface thread only: how deep it runs in calls the worker waits
    // for, and one entry per SuspendWorker not yet resumed, innermost last.
    enum class UiHold {
        Taken,     // took the poll event; gives it back
        Borrowed,  // lent by the worker, which waits for us and keeps the event
        Nested,    // inside another hold, which keeps the event
    };
    int m_workerCallDepth = 0;
    int m_modemWaits = 0;  // SuspendWorker calls waiting for the worker to give the modem back
    int m_commandWaits = 0;  // those of them that will send the modem commands
    bool m_bWaitSaysWhy = false;  // the wait panel repeats a docked window's wait text
    std::vector<UiHold> m_uiHolds;

    std::atomic<uint32_t> m_passMs {200};
    std::atomic<uint32_t> m_statusMs {10000};
    TActionPauses m_pauses;
    std::atomic<int> m_iSignalShown {0};
    // Connect on start-up is still to be made: on the first registration,
    // unless the user connects, hangs up or unticks its box first.
    bool m_bConnectOnStart = false;
    bool m_bShown = false;
    // The button the user (or the program) last put the focus on.
    QPointer<QWidget> m_pUserFocus;
    bool m_bPlacingFocus = false;
    bool m_bDestroyed = false;
    int m_lockCount = 0;
    int m_boxesOpen = 0;
    TWindowDrag m_drag {this};
    std::mutex m_reenumMutex;
};

// The one main window (null before it is built and after it is gone).
extern TModemMainFrame* ModemMainFrame;
