// The worker thread that polls the modem, the poll event that keeps it and the
// user-interface thread off the modem at the same time, the handlers of the
// worker's messages, the connection-state follow-up, the signal display and
// the wait panel.
#include "ui/main/TModemMainFrame.h"

#include <QLabel>
#include <QThread>
#include <system_error>

#include "communicator/TModemComm.h"
#include "platform/MessagePump.h"
#include "platform/Ticks.h"
#include "ui/common/TConfigFile.h"
#include "ui/common/TFormEx.h"
#include "ui/common/TLanguage.h"
#include "ui/common/TPNGButton.h"
#include "ui/common/TSkin.h"
#include "ui/common/TWaitPanel.h"
#include "ui/common/UiStyle.h"
#include "ui/main/MainPictures.h"

// ---- Thread start, suspension, end ----

void TModemMainFrame::StartWorker()
{
    {
        std::lock_guard<std::mutex> lock(m_suspendMutex);
        m_suspendCount = 1;  // created suspended: the first modem search starts it
    }
    try {
        m_hWorkerThread = std::thread(&TModemMainFrame::ModemWatchThreadProc, this);
    } catch (const std::system_error&) {
    }
}

void TModemMainFrame::ModemWatchThreadProc(TModemMainFrame* self)
{
    self->m_workerAlive = true;
    self->WorkerLoop();
    self->m_workerAlive = false;
}

void TModemMainFrame::StopWorker()
{
    m_bWorkerRun = false;
    // Every wait of the worker ends now: reads stop on the closing flag, a
    // suspension and a pending message to this window give up.
    m_bClosing = true;
    {
        std::lock_guard<std::mutex> lock(m_suspendMutex);  // no lost wake-up
    }
    m_suspendCv.notify_all();
    if (!m_hWorkerThread.joinable())
        return;
    const uint32_t start = GetTickCount();
    while (m_workerAlive && !TickExpired(GetTickCount(), start, kWorkerJoinMs))
        Sleep(5);
    if (m_workerAlive)
        Log("Worker thread still busy after 1000 ms; waiting for it to end");
    // It still uses the communicator: it must be gone before that goes.
    m_hWorkerThread.join();
}

int TModemMainFrame::WorkerSuspendCount() const
{
    std::lock_guard<std::mutex> lock(m_suspendMutex);
    return m_suspendCount;
}

bool TModemMainFrame::WorkerCheckpoint()
{
    std::unique_lock<std::mutex> lock(m_suspendMutex);
    m_suspendCv.wait(lock, [this] { return m_suspendCount == 0 || !m_bWorkerRun; });
    return m_bWorkerRun;
}

void TModemMainFrame::ResumeThread()
{
    {
        std::lock_guard<std::mutex> lock(m_suspendMutex);
        if (m_suspendCount > 0)
            --m_suspendCount;
    }
    m_suspendCv.notify_all();
}

void TModemMainFrame::SetWorkerTiming(uint32_t passMs, uint32_t statusMs)
{
    m_passMs = passMs;
    m_statusMs = statusMs;
}

// ---- The poll event ----

void TModemMainFrame::SuspendWorker(EHold what)
{
    UiHold hold = UiHold::Taken;
    if (!m_uiHolds.empty()) {
        // An action started from a pump inside another action (a click, a
        // re-show): the user-interface thread has the modem already, and only
        // the outer action can give it back, after this one returns. Waiting
        // here would never end.
        hold = UiHold::Nested;
    } else if (m_workerCallDepth > 0 && !m_hPollEvent.IsSet()) {
        // We run inside a handler the worker waits for while it holds the
        // modem (a click taken while the handler pumped messages). The worker
        // cannot touch the modem before we return, so the action has it
        // already; waiting for the worker to give it back would never end.
        hold = UiHold::Borrowed;
    } else {
        // Wait and take in one step, so the worker cannot slip in between.
        // Also when closing: the worker's step ends soon then, and until it
        // does it uses the port. A long network check gives way meanwhile.
        const int commands = what == EHold::Modem ? 1 : 0;
        const auto tell = [this] {
            if (m_pModemComm != nullptr)
                m_pModemComm->SetModemWanted(m_modemWaits > 0, m_commandWaits > 0);
        };
        ++m_modemWaits;
        m_commandWaits += commands;
        tell();
        while (!m_hPollEvent.WaitAndReset(10))
            ProcessMessages();
        --m_modemWaits;
        m_commandWaits -= commands;
        tell();
    }
    m_uiHolds.push_back(hold);
    Log("-=Suspend thread=-");
    {
        std::lock_guard<std::mutex> lock(m_suspendMutex);
        ++m_suspendCount;
    }
    // Held by now: a click handled while we wait is an action inside this one.
    // An action that sends no command does not wait for the modem at all.
    if (what == EHold::Modem && hold == UiHold::Taken && m_pModemComm != nullptr && m_pModemComm->OwesSearchEnd())
        WaitForModemSearch();
}

void TModemMainFrame::ResumeWorker()
{
    Log("-=Resume thread=-");
    UiHold hold = UiHold::Taken;
    if (!m_uiHolds.empty()) {
        hold = m_uiHolds.back();
        m_uiHolds.pop_back();
    }
    // Only the hold that took the modem gives it back: a borrowed one stays
    // with the worker, a nested one with the action around it.
    if (hold == UiHold::Taken)
        m_hPollEvent.Set();
    ResumeThread();
}

void TModemMainFrame::WaitForModemSearch()
{
    // The modem did not end its network search when asked: it answers nothing
    // else until the search is over, so the wait says what it waits for.
    const bool shown = WaitPanelVisible();
    const AnsiString before = WaitText();
    ShowWaitPanel(m_pLanguage->GetText(485));
    m_pModemComm->ReadOwedAnswer();
    if (shown)
        ShowWaitPanel(before);
    else
        HideWaitPanel();
}

bool TModemMainFrame::TakeModem()
{
    // A user action waiting for the modem comes first.
    return !m_pModemComm->ModemWanted() && m_hPollEvent.WaitAndReset(100);
}

void TModemMainFrame::GiveModem()
{
    m_hPollEvent.Set();
}

LRESULT TModemMainFrame::SendToSelf(UINT msg, WPARAM w, LPARAM l)
{
    LRESULT result = 0;
    RunForWorker([this, msg, w, l, &result] { result = SendMessage(this, msg, w, l); });
    return result;
}

void TModemMainFrame::RunOnUi(std::function<void()> fn, bool wait)
{
    RunInThreadOf(this, std::move(fn), wait, [this] { return !m_bWorkerRun; });
}

void TModemMainFrame::RunForWorker(std::function<void()> fn)
{
    if (QThread::currentThread() == thread()) {
        fn();
        return;
    }
    RunOnUi(
        [this, fn = std::move(fn)] {
            struct Depth {
                int& d;
                explicit Depth(int& depth) : d(depth) { ++d; }
                ~Depth() { --d; }
            } depth(m_workerCallDepth);
            fn();
        },
        true);
}

// ---- The worker loop ----

void TModemMainFrame::WorkerLoop()
{
    uint32_t lastStatus = GetTickCount();
    int connectionAccu = 0;
    int signal = 0;
    while (IsWorkerRunning()) {
        if (!WorkerCheckpoint())
            break;
        // A command left unanswered for a user action is answered before the
        // modem is asked anything else; until then it is busy, not gone.
        if (m_pModemComm->OwesAnswer() && TakeModem()) {
            const TModemComm::TGiveWay giveWay;
            m_pModemComm->ReadOwedAnswer();
            GiveModem();
        }
        const bool busy = m_pModemComm->OwesAnswer();

        // 1. Presence of the modem.
        if (!busy && TakeModem()) {
            m_lastPoll = GetTickCount();
            // A modem in use answered its search: being listed is enough. Any
            // other listed port must answer, or a silent one would be searched
            // (and told as silent) on every pass.
            const bool plugged = ModemPresent(!m_bModemPlugged);
            // Replugged unseen, a stick may come back on another port: the
            // port in use is dead, so it is a change of the modem.
            const bool moved = plugged && m_bModemPlugged && m_pModemComm->ModemPortMoved();
            GiveModem();
            // A search leaves "plugged" equal to "initialised". A modem that an
            // action found gone and that came back while the action held us
            // answers again without ever having looked unplugged: search too.
            const bool cameBack = plugged && m_bModemPlugged && (!m_bModemInitialized || moved);
            // With no modem in use, devices that came since the last search may
            // hold one: searched once per change, not on every pass.
            const bool newDevices = !plugged && !m_bModemPlugged && m_pModemComm->GetDeviceCount() > 0 &&
                                    m_pModemComm->DeviceSetChanges() != m_searchedDeviceSet;
            if (plugged != m_bModemPlugged || cameBack || newDevices) {
                Log(plugged      ? "-=Modem status: Plugged=-"
                    : newDevices ? "-=Modem devices changed=-"
                                 : "-=Modem status: Unplugged=-");
                if (WorkerCheckpoint() && TakeModem()) {
                    m_bModemPlugged = plugged;
                    SendToSelf(WM_SEARCH_MODEM, 0, 0);
                    GiveModem();
                }
            }
        }

        // 2. The dial-up link, every sixth pass.
        if (connectionAccu < 1000) {
            connectionAccu += 200;
        } else if (WorkerCheckpoint() && TakeModem()) {
            connectionAccu = 0;
            UpdateConnectionState();
            GiveModem();
        }

        // 3. SIM, network, SMS and signal, every status period.
        if (WorkerCheckpoint()) {
            const uint32_t period = m_statusMs;
            const bool forced = m_bForceStatusCheck;
            const uint32_t now = GetTickCount() + (forced ? period : 0);
            if (!busy && m_bModemInitialized && !m_bConnected && TickElapsed(now, lastStatus) >= period) {
                Log("--#-#--##}###[TESTPOINT]###{##--#-#--");
                if (TakeModem()) {
                    const uint32_t stamp = forced ? GetTickCount() : now;
                    // A step that gave way to a user action runs again at the next pass.
                    if (WorkerStatusStep(signal))
                        lastStatus = stamp;
                    GiveModem();
                }
            }
        }

        // 4. The pass's pause, cut short when the window goes.
        const uint32_t pauseStart = GetTickCount();
        while (m_bWorkerRun && !TickExpired(GetTickCount(), pauseStart, m_passMs))
            Sleep(10);

        // 5. The first pass after start-up that finds no user action going ends
        // the start-up wait. An action (connect on start-up) has its own lock and
        // wait panel, also while it still waits for the modem: leave them be.
        if (m_bForceStatusCheck && WorkerCheckpoint()) {
            RunOnUi(
                [this] {
                    if (!m_bForceStatusCheck || m_lockCount > 1)
                        return;
                    m_bForceStatusCheck = false;
                    HideWaitPanel();
                    Unlock();
                },
                false);
        }
    }
}

bool TModemMainFrame::WorkerStatusStep(int& signal)
{
    // Without a network the check may take many seconds (a modem may need
    // 16 s for AT+COPS=0): a user action that wants the modem ends it early.
    const TModemComm::TGiveWay giveWay;
    if (!m_bPinOk) {
        m_bNetworkRegistered = false;
        signal = 0;
        // The search closed the port on a SIM that was not ready: reopened to ask it again.
        if (!m_pModemComm->IsPortOpen())
            m_pModemComm->OpenPort(0);
        SendToSelf(WM_CHECK_PIN, 0, 0);
        SendToSelf(WM_CHECK_NETWORK, 0, 0);
        PostMessage(this, WM_SIGNAL_QUALITY, 0, 0);
    }
    if (m_bPinOk && !m_bConnected && m_bWorkerRun) {
        Log("Pin is ok");
        Log("CheckNetwork()");
        CheckNetwork();
        if (m_pModemComm->GivingWay()) {
            Log("Network check left for a user action");
            return false;
        }
        if (m_bNetworkRegistered) {
            Log("///////////////ELSE/////////////////");
            SendToSelf(WM_CHECK_NETWORK, 0, 0);
            if (m_pModemComm->ReadAllSms())
                NotifySmsWindow();
            const int read = m_pModemComm->GetSignalQuality();
            if (m_pModemComm->GivingWay())
                return false;
            signal = read;
            PostMessage(this, WM_SIGNAL_QUALITY, static_cast<WPARAM>(signal), 0);
        } else {
            Log("No network");
            signal = 0;
            SendToSelf(WM_CHECK_NETWORK, 0, 0);
            PostMessage(this, WM_SIGNAL_QUALITY, 0, 0);
            if (!m_pModemComm->IsPortOpen())
                m_pModemComm->OpenPort(0);
        }
    }
    return true;
}

void TModemMainFrame::NotifySmsWindow()
{
    RunForWorker([this] { SendMessage(m_pSmsForm, WM_SMS_STORE_CHANGED, 0, 0); });
}

// ---- Connection state ----

void TModemMainFrame::UpdateConnectionState()
{
    m_bConnected = m_pModemComm->IsRasConnected();
    RunForWorker([this] { SendMessage(m_pSettingsForm, WM_UPDATE_STATISTIC, 0, 0); });
    m_bConnectionChanged = false;
    if (m_bConnected != m_bPrevConnected) {
        m_bConnectionChanged = true;
        m_bPrevConnected = m_bConnected.load();
        const bool shown = m_bPrevConnected;
        RunForWorker([this, shown] {
            ShowConnectedState(shown);
            // A drop clears the traffic row as a hang-up does.
            if (!shown)
                ResetTrafficRow();
        });
        if (!shown) {
            // A drop the user did not ask for is redialled at the next status
            // step, however many connection checks come before it.
            if (!m_bUserDisconnected)
                m_bRedialDue = true;
            // The dial-up released the AT port: take it back.
            m_pModemComm->OpenPort(0);
            SendToSelf(WM_MODEM_STATE_CHANGED, 0, 0);
        }
    }
    const bool shown = m_bPrevConnected;
    RunForWorker([this, shown] { UpdateConnectButton(shown); });
}

void TModemMainFrame::ShowLinkEndWhileWorkerWaits()
{
    if (!LinkLightOn() || m_pModemComm == nullptr || (m_workerCallDepth == 0 && WorkerSuspendCount() == 0))
        return;
    if (!m_pModemComm->LinkEnded())
        return;
    Log("-=Dial-up link ended while the worker waits=-");
    ShowConnectedState(false);
    UpdateConnectButton(false);
    ResetTrafficRow();
}

// The button, its face, the link light and the link text always tell the same
// link, also while the button is disabled; a link up can always be hung up.
void TModemMainFrame::UpdateConnectButton(bool connected)
{
    if (connected)
        m_pPNGConnect->setEnabled(true);
    m_pPNGConnect->setText(ToQ(m_pLanguage->GetText(connected ? 110 : 109)));
    m_pLConnWeb->setText(ToQ(m_pLanguage->GetText(connected ? 114 : 115)));
}

void TModemMainFrame::ShowConnectedState(bool connected)
{
    const char* face = connected ? MainPic::kDisconnect : MainPic::kConnect;
    m_pPNGConnect->SetImageNormal(TSkin::Picture(face, QSize(50, 50)));
    m_pPNGConnect->SetImageOver(TSkin::Picture(QString(face) + MainPic::kHover, QSize(50, 50)));
    SetStatusIcon(m_pIConnWeb, connected);
    for (QLabel* t : {m_pLDownTitle, m_pLDownSpeedTitle, m_pLUpTitle, m_pLUpSpeedTitle, m_pLTimeUpTitle})
        t->setVisible(connected);
    m_pIAntena->setVisible(!connected);
    m_pLQuality->setVisible(!connected);
}

// ---- Handlers of the worker's messages ----

void TModemMainFrame::OnCheckPinMsg(TMessage&)
{
    CheckPin();
    SetStatusIcon(m_pISIMCard, m_bPinOk);
    // The search read them only for a SIM that was ready then.
    ShowModemIdentity();
}

void TModemMainFrame::OnCheckNetworkMsg(TMessage&)
{
    SetStatusIcon(m_pINetwork, m_bNetworkRegistered);
    if (!m_bNetworkRegistered) {
        m_pModemComm->SetOperatorName("");
        m_pLNetwork->setText(ToQ(m_pLanguage->GetText(118)));
        if (m_pModemComm->IsRasConnected()) {
            // The worker holds the modem while it waits for us: lend it to the hang-up.
            m_hPollEvent.Set();
            HangUpStaleLink();
            m_hPollEvent.Reset();
            ProcessMessages();
        }
    }
    EnableConnectButton();
    m_pPNGSMS->setEnabled(true);
    m_pPNGSettings->setEnabled(true);
    DialIfOwed();
}

void TModemMainFrame::OnSignalQualityMsg(TMessage& message)
{
    ShowSignalQuality(static_cast<int>(message.WParam));
}

void TModemMainFrame::ShowSignalQuality(int csq)
{
    m_pIAntena->clear();
    // 99 is "not known"; anything outside 0..31 has no frame of its own.
    if (csq >= 99 || csq < 0)
        csq = 0;
    if (csq > 31)
        csq = 31;
    m_iSignalShown = csq;
    m_pLQuality->setText(QString::number(csq * 100 / 31) + "%");
    const QPixmap strip = TSkin::Picture(MainPic::kAntenna, QSize(MainPic::kAntennaFrameWidth * 32,
                                                                  MainPic::kAntennaFrameHeight));
    m_pIAntena->setPixmap(strip.copy(csq * MainPic::kAntennaFrameWidth, 0, MainPic::kAntennaFrameWidth,
                                     MainPic::kAntennaFrameHeight));
}

// ---- Wait panel ----

void TModemMainFrame::ShowWaitPanel(const AnsiString& text)
{
    m_bWaitSaysWhy = false;
    m_pPWaitPanel->ShowText(text);
    ProcessMessages();
}

void TModemMainFrame::HideWaitPanel()
{
    m_bWaitSaysWhy = false;
    m_pPWaitPanel->HidePanel();
}

bool TModemMainFrame::WaitPanelVisible() const
{
    return !m_pPWaitPanel->isHidden();
}

AnsiString TModemMainFrame::WaitText() const
{
    return FromQ(m_pPWaitPanel->TextLabel()->text());
}

// ---- Small readers ----

AnsiString TModemMainFrame::OperatorLabel() const
{
    return FromQ(m_pLNetwork->text());
}

AnsiString TModemMainFrame::QualityLabel() const
{
    return FromQ(m_pLQuality->text());
}

bool TModemMainFrame::LinkLightOn() const
{
    return m_pIConnWeb->property("qvxOn").toBool();
}

bool TModemMainFrame::ConnectEnabled() const
{
    return m_pPNGConnect->isEnabled();
}
