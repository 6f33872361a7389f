// First show, the modem search and initialisation, port arrivals and the
// device re-enumeration pass.
#include "ui/main/TModemMainFrame.h"

#include <QLabel>
#include <QShowEvent>
#include <QTimer>
#include <cstdio>
#include <string>

#include "communicator/TModemComm.h"
#include "platform/MessagePump.h"
#include "platform/PortMap.h"
#include "platform/Ras.h"
#include "ui/common/ModalResult.h"
#include "ui/common/TConfigFile.h"
#include "ui/common/TLanguage.h"
#include "ui/common/TPNGButton.h"
#include "ui/common/UiStyle.h"
#include "ui/dialogs/TFormExAbout.h"

namespace {
AnsiString Upper(AnsiString s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// n of "COMn"; 0 when the text is no such name.
int ScanComNumber(const AnsiString& text)
{
    int n = 0;
    if (std::sscanf(text.c_str(), "COM%d", &n) != 1 || n < 1)
        return 0;
    return n;
}
}  // namespace

void TModemMainFrame::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    PlaceFocus();
    if (m_bShown)
        return;
    m_bShown = true;
    // The search pumps messages and shows boxes: it runs once the window is up.
    QTimer::singleShot(0, this, &TModemMainFrame::y);
}

void TModemMainFrame::y()
{
    Lock();
    show();
    ShowWaitPanel(m_pLanguage->GetText(108));
    HideOwnedWindows(false);

    m_hPollEvent.Set();
    m_hEnumDoneEvent.Reset();

    EndLeftoverLinks();
    if (m_pIniFile->GetShowSelModScreen() && CountModems() >= 2)
        ShowModemPageUnlessClosing();
    else if (!m_bModemPlugged && m_pIniFile->GetConnectToOtherDev())
        PickFirstAnsweringDevice();
    m_bForceStatusCheck = true;

    StartReenumThread();
    WaitForReenum();
    {
        std::lock_guard<std::mutex> lock(m_reenumMutex);
        if (m_hReenumThread.joinable())
            m_hReenumThread.join();
    }
    LoadConnectionProfile();

    SearchModem();
    if (m_bConnectOnStart && m_bNetworkRegistered && !m_bClosing)
        OnConnectClick();
}

// A link an earlier run left up (the program was killed) keeps its modem in
// data mode, deaf to commands: it is ended before any port is used.
void TModemMainFrame::EndLeftoverLinks()
{
    bool ended = false;
    for (const TComPortEntry& port : EnumerateComPorts())
        for (const int pid : RasEndLeftoverLinks(port.device)) {
            Log("-=Ended a link left by an earlier run: pppd " + std::to_string(pid) + " on COM" +
                std::to_string(port.number) + "=-");
            ended = true;
        }
    if (ended)
        ShowMsgBox(this, m_pLanguage->GetText(465), 0);
}

// Like a box, no page asks anything once closing has begun.
void TModemMainFrame::ShowModemPageUnlessClosing()
{
    if (!m_bClosing)
        m_pDialogs->ShowModemPage();
}

void TModemMainFrame::PickFirstAnsweringDevice()
{
    const int count = m_pModemComm->GetDeviceCount();
    for (int i = 0; i < count; ++i) {
        const AnsiString name = m_pModemComm->GetDeviceName(i);
        if (m_pModemComm->TestDevicePort(name)) {
            m_pModemComm->SetModemName(name);
            m_pIniFile->SetModemDevice(name);
            return;
        }
    }
}

void TModemMainFrame::OnSearchModemMsg(TMessage& message)
{
    // The window is going: no modem to take up, no box to show.
    if (m_bClosing)
        return;
    Log(message.LParam == 0 ? "-=Search Modem from thread=-" : "-=Message Search Modem=-");
    if (message.LParam == 0)
        HideOwnedWindows(false);
    Lock();
    ShowWaitPanel(m_pLanguage->GetText(108));
    if (!m_bModemPlugged && m_pIniFile->GetConnectToOtherDev())
        PickFirstAnsweringDevice();
    SearchModem();
    HideWaitPanel();
    Unlock();
}

AnsiString TModemMainFrame::GetModemDeviceSetting()
{
    return m_pIniFile->GetModemDevice(Cfg::kNoModemDevice);
}

int TModemMainFrame::FindModemIndex(const AnsiString& name)
{
    const int count = m_pModemComm->GetDeviceCount();
    const AnsiString wanted = Upper(name);
    for (int i = 0; i < count; ++i)
        if (Upper(m_pModemComm->GetDeviceName(i)) == wanted)
            return i;
    return -1;
}

int TModemMainFrame::CountModems(AnsiString* refused)
{
    const int count = m_pModemComm->GetDeviceCount();
    int usable = 0;
    for (int i = 0; i < count; ++i) {
        const AnsiString name = m_pModemComm->GetDeviceName(i);
        if (m_pModemComm->TestDevicePort(name))
            ++usable;
        else if (refused != nullptr && refused->empty() && PortRefused())
            *refused = name;
    }
    return usable;
}

bool TModemMainFrame::PortRefused() const
{
    const TModemComm::EPortTest found = m_pModemComm->LastPortTest();
    return found == TModemComm::EPortTest::NoPermission || found == TModemComm::EPortTest::InUse;
}

// Told once, by the search: the worker's polls go on testing the port quietly
// and take the modem up once it opens.
void TModemMainFrame::TellPortRefused()
{
    const bool noPermission = m_pModemComm->LastPortTest() == TModemComm::EPortTest::NoPermission;
    Log(noPermission ? "-=Modem port refused: no permission=-" : "-=Modem port held by another program=-");
    ShowMsgBox(this, m_pLanguage->GetText(noPermission ? 480 : 481), 0);
}

void TModemMainFrame::ForgetModemState()
{
    m_bPinOk = false;
    m_bNetworkRegistered = false;
    m_iSignal = 0;
    m_pModemComm->SetOperatorName("");
}

void TModemMainFrame::EndSearchWithoutModem()
{
    ForgetModemState();
    DisableConnectButton();
    m_bModemPlugged = false;
    UpdateStatusIcons(m_bModemInitialized, m_bPinOk, m_bNetworkRegistered, m_iSignal);
    HideWaitPanel();
    ResumeThread();
}

void TModemMainFrame::DisableConnectButton()
{
    m_pPNGConnect->setEnabled(false);
}

void TModemMainFrame::UpdateStatusIcons(bool initialised, bool pinOk, bool registered, int signal)
{
    ShowCaption();  // the modem may have changed
    SetStatusIcon(m_pIModem, initialised);
    SetStatusIcon(m_pISIMCard, pinOk);
    SetStatusIcon(m_pINetwork, registered);
    if (!registered)
        m_pLNetwork->setText(ToQ(m_pLanguage->GetText(118)));
    ShowSignalQuality(signal);
}

void TModemMainFrame::SetPortFromIndex(int index, bool log)
{
    // A device that is not in the list has no port: port 0, which opens
    // nothing, rather than whichever port an earlier modem had.
    const AnsiString port = index >= 0 ? m_pModemComm->getPort(index) : AnsiString();
    if (log)
        Log("pModemComm->getPort(iModemListID) " + port);
    const int n = ScanComNumber(port);
    if (log)
        Log("sscanf(strFullPortName " + std::to_string(n));
    m_pModemComm->SetPortNumber(n);
}

bool TModemMainFrame::ModemPresent(bool testPort)
{
    // The list first: a stick that came back may sit on another port now.
    m_pModemComm->RefreshModemDevices();
    return m_pModemComm->DetectModemPort(testPort);
}

bool TModemMainFrame::WaitModemInit(int rounds)
{
    for (int i = 0; i < rounds && !m_bClosing; ++i) {
        ProcessMessages();
        m_bModemInitialized = ModemPresent(true);
        ProcessMessages();
        if (m_bModemInitialized) {
            Log("Modem Initialized OK");
            break;
        }
        Log("Modem Initialization in progress");
        ProcessMessages();
        m_pModemComm->Wait(m_pauses.presenceRoundMs);
        ProcessMessages();
    }
    return m_bModemInitialized;
}

bool TModemMainFrame::OpenAppPort(int index)
{
    try {
        SetPortFromIndex(index, false);
        m_pModemComm->OpenPort(0);
        if (m_pModemComm->IsPortOpen()) {
            Log("-=Application Port Opened=-");
            m_pModemComm->SetEcho(true);
            return true;
        }
        return false;
    } catch (...) {
        ShowMsgBox(this, m_pLanguage->GetText(128), 0);
        return false;
    }
}

void TModemMainFrame::SearchModem()
{
    UpdateConnectionState();
    UpdateStatusIcons(false, false, false, 0);
    SendMessage(this, WM_MODEM_STATE_CHANGED, 0, 0);
    // Locked for the search, and unlocked once whichever way it ends, so a
    // caller's own lock (and its wait panel) stays until the caller is done.
    Lock();
    struct Unlocker {
        TModemMainFrame* frame;
        ~Unlocker() { frame->Unlock(); }
    } unlocker {this};

    // Whatever the SIM said before, it is asked again once the modem is taken
    // up; so is the user who cancelled the PIN question.
    m_bPinOk = false;
    m_bPinRefused = false;
    m_bNetworkRegistered = false;
    AnsiString saved = GetModemDeviceSetting();
    m_pModemComm->RefreshModemDevices();
    m_searchedDeviceSet = m_pModemComm->DeviceSetChanges();
    const int count = m_pModemComm->GetDeviceCount();
    if (count == 0) {
        HideWaitPanel();
        // Plugged in while the box is up: the box goes, and the worker takes
        // the modem up as it does any other plug-in.
        ShowMsgBox(this, m_pLanguage->GetText(119), 0, [this] {
            m_pModemComm->RefreshModemDevices();
            return m_pModemComm->GetDeviceCount() == 0;
        });
        DisableConnectButton();
        m_bModemInitialized = false;
        m_bModemPlugged = false;
        ResumeThread();
        return;
    }

    int index = FindModemIndex(saved);
    AnsiString refused;  // when no port answers: one that waiting or choosing cannot mend
    if (index == -1) {
        // A modem the user chose stays chosen while it is unplugged, unless
        // the user allowed another to stand in: the search then waits for it.
        const bool keepChoice = saved != Cfg::kNoModemDevice && !m_pIniFile->GetConnectToOtherDev();
        const int usable = CountModems(&refused);
        if (usable > 1) {
            ShowMsgBox(this, m_pLanguage->GetText(120), 0);
            ShowModemPageUnlessClosing();
        } else if (keepChoice) {
            Log("Waiting for the chosen modem " + saved);
        } else if (usable == 1) {
            for (int i = 0; i < count; ++i) {
                const AnsiString name = m_pModemComm->GetDeviceName(i);
                if (m_pModemComm->TestDevicePort(name))
                    m_pIniFile->SetModemDevice(name);
            }
        } else {
            m_pIniFile->DeleteModemDevice();
        }
        // Go on with what was chosen or taken just now.
        saved = GetModemDeviceSetting();
    }
    // Nothing to choose from: the search goes on with the refused port, not
    // saved, to say why.
    if (saved == Cfg::kNoModemDevice && !refused.empty())
        saved = refused;
    if (saved == Cfg::kNoModemDevice) {
        ShowMsgBox(this, m_pLanguage->GetText(120), 0);
        ShowModemPageUnlessClosing();
        saved = GetModemDeviceSetting();
    }

    index = FindModemIndex(saved);
    m_pModemComm->SetModemName(saved);
    SetPortFromIndex(index, true);
    WaitModemInit(2);
    if (!m_bModemInitialized && PortRefused()) {
        TellPortRefused();
        EndSearchWithoutModem();
        return;
    }

    bool fromAnswer = true;  // step 8: the first presence tests answered
    if (!m_bModemInitialized) {
        fromAnswer = false;
        if (ShowMsgBox(this, m_pLanguage->GetText(122), 2) == mrOk) {
            const AnsiString name = m_pModemComm->GetModemName();
            if (WaitForReenum() == 0) {
                WaitModemInit(10);
                if (!m_pIniFile->GetConnectToOtherDev()) {
                    saved = name;
                } else {
                    for (int i = 0; i < m_pModemComm->GetDeviceCount(); ++i) {
                        const AnsiString candidate = m_pModemComm->GetDeviceName(i);
                        if (m_pModemComm->TestDevicePort(candidate))
                            saved = candidate;
                    }
                }
                index = FindModemIndex(saved);
                m_pModemComm->SetModemName(saved);
                WaitModemInit(5);
            }
            if (!m_bModemInitialized) {
                ForgetModemState();
                ShowMsgBox(this, m_pLanguage->GetText(123), 0);
                ShowModemPageUnlessClosing();
                saved = GetModemDeviceSetting();
                index = FindModemIndex(saved);
                m_pModemComm->SetModemName(saved);
                SetPortFromIndex(index, false);
                WaitModemInit(1);
                UpdateStatusIcons(m_bModemInitialized, m_bPinOk, m_bNetworkRegistered, m_iSignal);
                DisableConnectButton();
                m_bModemPlugged = m_bModemInitialized.load();
                if (!m_bModemInitialized) {
                    if (PortRefused())
                        TellPortRefused();
                    HideWaitPanel();
                    ResumeThread();
                    return;
                }
            }
        } else {
            EndSearchWithoutModem();
            return;
        }
    }

    // Open the port, once more after 2 s; the presence tests may have read
    // the list again meanwhile.
    index = FindModemIndex(m_pModemComm->GetModemName());
    bool open = OpenAppPort(index);
    // Closing cuts the pause short: no second try, nothing to tell.
    if (!open && !m_bClosing) {
        m_pModemComm->Wait(m_pauses.portRetryMs);
        open = OpenAppPort(index);
    }
    if (!open) {
        ShowMsgBox(this, m_pLanguage->GetText(121), 0);
        DisableConnectButton();
        m_bModemPlugged = m_bModemInitialized.load();
        HideWaitPanel();
        if (fromAnswer)
            UpdateStatusIcons(m_bModemInitialized, m_bPinOk, m_bNetworkRegistered, m_iSignal);
        ResumeThread();
        return;
    }

    CheckPinAndNetwork();
    m_bModemPlugged = m_bModemInitialized.load();
    ShowModemIdentity();
    ResumeThread();
}

void TModemMainFrame::ShowModemIdentity()
{
    if (!m_bModemInitialized || !m_bPinOk)
        return;
    m_pAboutForm->SetIMEI(m_pModemComm->GetIMEI());
    m_pAboutForm->SetFirmware(m_pModemComm->GetFirmware());
}

// ---- Device re-enumeration ----

void TModemMainFrame::StartReenumThread()
{
    std::lock_guard<std::mutex> lock(m_reenumMutex);
    if (m_hReenumThread.joinable())
        m_hReenumThread.join();
    try {
        m_hReenumThread = std::thread([this] { ReenumThreadProc(); });
    } catch (const std::system_error&) {
        m_hEnumDoneEvent.Set();
    }
}

void TModemMainFrame::ReenumThreadProc()
{
    // The kernel enumerates new devices by itself: nothing to re-enumerate, so
    // the pass only says it is done.
    m_hEnumDoneEvent.Set();
    Log("IsWindows2000OrOlder() = FALSE,\r\nReenumerateDevNodes() not called");
}

uint32_t TModemMainFrame::WaitForReenum()
{
    // No pass ever re-enumerates here, so nobody needs to wait for one.
    return 0;
}

void TModemMainFrame::OnPortArrival(const AnsiString& portName)
{
    m_hEnumDoneEvent.Reset();
    Log("Window  received WM_DEVICECHANGE(DBT_DEVICEARRIVAL) message\r\n\tPort \"" + portName + "\" connected");
    StartReenumThread();
}
