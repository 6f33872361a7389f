// The connect button: dialling with the stored profile, hanging up, the
// question when closing with a link up, and pages shown in the helper window.
#include "ui/main/TModemMainFrame.h"

#include <QLabel>
#include <utility>

#include "communicator/TModemComm.h"
#include "platform/LastError.h"
#include "platform/MessagePump.h"
#include "platform/Ras.h"
#include "ui/common/ModalResult.h"
#include "ui/common/TConfigFile.h"
#include "ui/common/TExFrame.h"
#include "ui/common/TFormEx.h"
#include "ui/common/TLanguage.h"
#include "ui/common/TPNGButton.h"
#include "ui/common/TUserAction.h"
#include "ui/common/TWaitPanel.h"
#include "ui/common/UiStyle.h"
#include "ui/dialogs/TFormExHelper.h"
#include "ui/settings/TExFrameGPRS.h"
#include "ui/settings/TFormExSettings.h"

namespace {
// The text of a dial-up error in the user's language; a code without a text of
// its own says that the connection could not be made.
AnsiString DialErrorText(const TLanguage& language, uint32_t error)
{
    static const std::pair<uint32_t, int> kTexts[] = {
        {ERROR_ACCESS_DENIED, 361}, {ERROR_NOT_SUPPORTED, 362}, {ERROR_INVALID_PARAMETER, 363},
        {ERROR_DEVICE_DOES_NOT_EXIST, 364}, {ERROR_PORT_DISCONNECTED, 365}, {ERROR_CANNOT_OPEN_PHONEBOOK, 366},
        {ERROR_CANNOT_FIND_PHONEBOOK_ENTRY, 367}, {ERROR_CANNOT_WRITE_PHONEBOOK, 368}, {ERROR_DISCONNECTION, 369},
        {ERROR_REMOTE_DISCONNECTION, 370}, {ERROR_PORT_NOT_AVAILABLE, 371}, {ERROR_UNKNOWN, 372},
        {ERROR_FROM_DEVICE, 373}, {ERROR_DEVICENAME_NOT_FOUND, 374}, {ERROR_LINE_BUSY, 375},
        {ERROR_NO_ANSWER, 376}, {ERROR_NO_CARRIER, 377}, {ERROR_NO_DIALTONE, 378},
        {ERROR_AUTHENTICATION_FAILURE, 379}, {ERROR_PORT_OR_DEVICE, 380}, {ERROR_RASMAN_CANNOT_INITIALIZE, 381},
        {ERROR_IP_CONFIGURATION, 382}, {ERROR_PPP_TIMEOUT, 383}, {ERROR_PPP_LCP_TERMINATED, 384}};
    for (const auto& [code, id] : kTexts)
        if (code == error)
            return language.GetText(id);
    return language.GetText(243);
}
}  // namespace

void TModemMainFrame::OnConnectClick(QWidget* source)
{
    // What the click means is what the button said when clicked: the waits
    // below let the worker's messages through.
    const bool hangUp = m_bConnected;
    const TUserAction action(this, source);
    if (!action)
        return;
    m_bConnectOnStart = false;
    // A close meanwhile asks before it ends the dial.
    struct DialEnds {
        std::atomic<bool>& b;
        const bool before;
        ~DialEnds() { b = before; }
    } dialEnds {m_bDialling, m_bDialling.exchange(!hangUp)};
    // Only the user's click asks about typing not saved in Settings.
    HideOtherChildWindow(source != nullptr);
    ShowWaitPanel(m_pLanguage->GetText(hangUp ? 126 : 125));
    SuspendWorker();
    Log("-=Start Connecting to Internet=-");
    m_pModemComm->ClearAbortFlag();
    ProcessMessages();
    m_pModemComm->Wait(100);
    ProcessMessages();

    if (!hangUp) {
        m_bRedialDue = false;  // this dial answers a drop, too
        ProcessMessages();
        WaitModemInit(1);
        m_pModemComm->Wait(200);
        ProcessMessages();
        bool again = true;
        uint32_t error = 0;
        while (again && !m_bClosing) {
            LoadConnectionProfile();
            const AnsiString apn = m_pIniFile->GetConnectionAPN();
            const int auth = m_pIniFile->GetAuthentication();
            m_pModemComm->SetApn(apn, auth);
            if (m_pModemComm->IsPortOpen())
                m_pModemComm->ClosePort();
            m_pModemComm->ResetTrafficSamples();
            error = 0;
            m_bConnected = ConnectToInternet(&error);
            // Without a number nothing was dialled: there is no dial-up error to explain.
            if (m_bConnected || m_bClosing || error == 0)
                break;
            m_pModemComm->Wait(m_pauses.redialMs);
            m_bConnected = ConnectToInternet(&error);
            if (m_bConnected || m_bClosing || error == 0)
                break;
            switch (m_pDialogs->ShowConnectTrouble(error, DialErrorText(*m_pLanguage, error))) {
            case mrOk:  // Settings: dialled again only with a profile saved there
                again = m_pDialogs->ShowConnectionPage();
                if (again)
                    m_pModemComm->Wait(m_pauses.dialAgainMs);
                break;
            case mrRetry:
                again = true;
                m_pModemComm->Wait(m_pauses.dialAgainMs);
                break;
            case mrNo:  // Troubleshoot: the About window, as a part of this action
                again = false;
                m_pDialogs->ShowAbout(m_pAboutForm);
                break;
            default:
                again = false;
                break;
            }
        }
        if (!m_bConnected)
            m_pModemComm->OpenPort(0);
        else
            m_bPrevConnected = true;  // shown below: a drop from here on is a change the worker sees
        m_bUserDisconnected = false;
    } else {
        ProcessMessages();
        DisconnectFromInternet();
        ProcessMessages();
        m_bConnected = false;
        m_pModemComm->OpenPort(0);
        // The modem is given back by ResumeWorker below (unless the worker
        // lent it and still holds it).
    }

    ShowConnectedState(m_bConnected);
    UpdateConnectButton(m_bConnected);
    HideWaitPanel();
    ResumeWorker();
}

bool TModemMainFrame::ConnectToInternet(uint32_t* error)
{
    AnsiString user = m_pIniFile->GetConnectionUserName();
    AnsiString password = m_pIniFile->GetConnectionUserPassword();
    AnsiString phone = m_pIniFile->GetConnectionPhone();
    if (phone.empty()) {
        ShowMsgBox(this, m_pLanguage->GetText(124), 0);
        if (!m_bClosing)
            m_pDialogs->ShowConnectionPage();
        user = m_pIniFile->GetConnectionUserName();
        password = m_pIniFile->GetConnectionUserPassword();
        phone = m_pIniFile->GetConnectionPhone();
        if (phone.empty()) {
            *error = 0;
            return false;
        }
    }
    return m_pModemComm->Connect(user, password, phone, *error, m_bClosing);
}

void TModemMainFrame::LoadConnectionProfile()
{
    // The Connection page puts the default number into an empty profile. Before
    // the settings dialog has built its page, one of our own does it.
    if (ExFrameGPRS != nullptr) {
        ExFrameGPRS->LoadSettings();
        return;
    }
    TExFrameGPRS page(this, m_pLanguage, m_pModemComm, QPixmap(), true);
    page.LoadSettings();
}

bool TModemMainFrame::DisconnectFromInternet()
{
    // Every caller hangs up because the user asked to (the connect button, the
    // close question, choosing another modem): such a link is never redialled.
    m_bUserDisconnected = true;
    HangUp();
    return true;
}

void TModemMainFrame::EnableConnectButton()
{
    m_pPNGConnect->setEnabled(m_bNetworkRegistered || m_bConnected);
}

void TModemMainFrame::DialIfOwed()
{
    if (m_bConnected || !(RedialOwed() || StartupDialOwed()))
        return;
    // The worker holds the modem while it waits for us: lend it to the dial.
    m_hPollEvent.Set();
    OnConnectClick();
    m_hPollEvent.Reset();
    ProcessMessages();
}

bool TModemMainFrame::RedialOwed()
{
    if (!m_bConnectionChanged && !m_bRedialDue)
        return false;
    // Redialled once, or not at all: a drop is not kept for later.
    if (m_bUserDisconnected || !m_pIniFile->GetAttemptToReconnect()) {
        m_bRedialDue = false;
        return false;
    }
    // Kept for a later check inside a user action, which may be waiting for
    // the modem with a click already decided, while the SIM waits for its
    // PIN and while there is no network: no dial gets through then.
    m_bRedialDue = IsLocked() || !m_bPinOk || !m_bNetworkRegistered;
    return !m_bRedialDue;
}

bool TModemMainFrame::StartupDialOwed() const
{
    // A network found after the start-up search gave up (a PIN typed late, a
    // slow network) still gets the connect the user asked for.
    return m_bConnectOnStart && m_bNetworkRegistered && !m_bClosing && !IsLocked() &&
           m_pIniFile->GetConnectOnStartup() == 1;
}

void TModemMainFrame::HangUpStaleLink()
{
    // The network is gone while the dial-up layer still holds a link the window
    // never took in: end it, so that a redial starts from a free modem.
    SuspendWorker();
    Log("-=Hang up a link without network=-");
    HangUp();
    m_bConnected = false;
    m_bPrevConnected = false;
    m_bConnectionChanged = true;  // a lost link: the reconnect rule decides
    m_pModemComm->OpenPort(0);
    ShowConnectedState(false);
    UpdateConnectButton(false);
    ResumeWorker();
}

void TModemMainFrame::HangUp()
{
    ProcessMessages();
    m_pModemComm->Disconnect();
    ResetTrafficRow();
    ProcessMessages();
}

void TModemMainFrame::ResetTrafficRow()
{
    m_pLDownSpeed->setText("0 kbps");
    m_pLUpSpeed->setText("0 kbps");
    m_pLTimeUp->setText("00:00:00");
}

void TModemMainFrame::SayWhyLocked(const QPoint& at)
{
    // The action that holds the window may show its wait text elsewhere (a
    // network search, on the settings window): a click on Connect repeats it
    // here, until the action is over, instead of doing nothing unexplained.
    if (!m_pPNGConnect->geometry().contains(at) || WaitPanelVisible())
        return;
    for (TFormEx* w : m_pDockedWindows) {
        const QList<TWaitPanel*> panels = w != nullptr ? w->findChildren<TWaitPanel*>() : QList<TWaitPanel*>();
        for (TWaitPanel* panel : panels) {
            if (!panel->isHidden()) {
                m_pPWaitPanel->ShowText(FromQ(panel->TextLabel()->text()));
                m_bWaitSaysWhy = true;
                return;
            }
        }
    }
}

bool TModemMainFrame::OnCloseQuery()
{
    ProcessMessages();
    // Typing not saved in Settings is asked about while a box can still be
    // shown; the hide that follows the close finds it settled.
    if (auto* settings = qobject_cast<TFormExSettings*>(m_pSettingsForm); settings != nullptr && !m_bCloseUnasked) {
        m_bCloseAsks = true;
        settings->SettleUnsaved();
        m_bCloseAsks = false;
    }
    // The worker reads and clears the link state too: hold it for the
    // question and the hang-up.
    SuspendWorker();
    bool close = true;
    // A dial under way asks too: its link would come up after the window went;
    // and a send with recipients still to come, who would not get the message.
    const bool linkUp = m_pModemComm->IsRasConnected();
    const int question = linkUp ? 129 : m_bDialling ? 410 : m_iSmsSendsLeft > 0 ? 476 : 0;
    if (question != 0) {
        ProcessMessages();
        close = CloseBox(m_pLanguage->GetText(question), 1) != mrNo;
        ProcessMessages();
        if (close) {
            // The dial ends by itself on the closing flag, and hangs up.
            if (linkUp)
                DisconnectFromInternet();
        } else {
            // Staying open: the modem must answer again, so the close request is withdrawn.
            m_bClosing = false;
            HideWaitPanel();
        }
        ProcessMessages();
    }
    ResumeWorker();
    return close;
}

AnsiString TModemMainFrame::LinkLabel() const
{
    return FromQ(m_pLConnWeb->text());
}

int TModemMainFrame::ShowInHelper(TExFrame* page)
{
    if (page == nullptr)
        return mrCancel;
    // The helper window's exit abandons what the page was doing with the modem.
    TFormExHelper helper(this, page, [this] {
        if (m_pModemComm != nullptr)
            m_pModemComm->SetAbortFlag();
    });
    page->show();
    const int result = helper.exec();
    // The page goes with the helper window (its child); the next action talks to the modem again.
    if (m_pModemComm != nullptr)
        m_pModemComm->ClearAbortFlag();
    return result;
}
