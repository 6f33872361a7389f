// The SIM's PIN state with the PIN / PUK question, and the network check.
#include "ui/main/TModemMainFrame.h"

#include <QLabel>

#include "communicator/TModemComm.h"
#include "platform/MessagePump.h"
#include "ui/common/ModalResult.h"
#include "ui/common/TConfigFile.h"
#include "ui/common/TFormEx.h"
#include "ui/common/TLanguage.h"
#include "ui/common/TPNGButton.h"
#include "ui/common/UiStyle.h"
#include "ui/dialogs/TPinQueryExForm.h"

void TModemMainFrame::CheckPinAndNetwork()
{
    int signal = 0;
    ProcessMessages();
    EPinCheck outcome = EPinCheck::NotReady;
    m_bPinOk = CheckPin(&outcome);
    // Only a SIM read as not ready may be busy still: asked once more.
    if (!m_bPinOk && !m_bClosing && outcome == EPinCheck::NotReady) {
        Log("Wait 1 sec and try again");
        m_pModemComm->Wait(1000);
        m_bPinOk = CheckPin(&outcome);
    }
    ProcessMessages();
    UpdateStatusIcons(m_bModemInitialized, m_bPinOk, m_bNetworkRegistered, 0);
    ProcessMessages();
    if (m_bPinOk) {
        ProcessMessages();
        SelectUserOperator();
        if (m_bNetworkRegistered) {
            ProcessMessages();
            ProcessMessages();
            signal = m_pModemComm->GetSignalQuality();
        }
    } else if (outcome != EPinCheck::PutOff) {
        // A cancelled question, or one the modem left unanswered, was told
        // as such: the SIM is called not ready only when it was read so.
        if (outcome == EPinCheck::NotReady)
            ShowMsgBox(this, m_pLanguage->GetText(130), 0);
        if (m_pModemComm->IsPortOpen())
            m_pModemComm->ClosePort();
    }
    m_iSignal = signal;
    UpdateStatusIcons(m_bModemInitialized, m_bPinOk, m_bNetworkRegistered, signal);
    EnableConnectButton();
    m_pPNGSMS->setEnabled(true);
    m_pPNGSettings->setEnabled(true);
    m_bModemPlugged = m_bModemInitialized.load();
}

bool TModemMainFrame::CheckPin(EPinCheck* outcome)
{
    EPinCheck unused = EPinCheck::Unanswered;
    EPinCheck& out = outcome != nullptr ? *outcome : unused;
    out = EPinCheck::Unanswered;
    if (m_bClosing)
        return false;
    AnsiString buf;
    const int state = m_pModemComm->GetPinState(buf);
    ProcessMessages();
    bool result = false;
    int asked = 0;
    switch (state) {
    case PIN_STATE_READY:
        result = true;
        out = EPinCheck::Ready;
        m_bPinRefused = false;
        break;
    case PIN_STATE_SIM_PIN:
    case PIN_STATE_SIM_PUK:
        out = EPinCheck::Told;
        if (m_bPinRefused)
            break;  // the user said no: the next search asks again
        // Never over another box, whose owner it would hide and which may
        // be out of date once answered: the worker asks again after it.
        if (BoxOpen()) {
            out = EPinCheck::PutOff;
            Log("PIN question waits for an open box");
            break;
        }
        DisableConnectButton();
        HideOtherChildWindow(false);
        UpdateStatusIcons(true, false, false, 0);
        ProcessMessages();
        asked = AskPin(state);
        result = asked == 1;
        // Not asked, without the user saying no: no port, or closing.
        out = result ? EPinCheck::Ready : asked == -1 && !m_bPinRefused ? EPinCheck::Unanswered : EPinCheck::Told;
        ProcessMessages();
        break;
    default:
        // A read that timed out closed the port: the SIM said nothing.
        out = m_pModemComm->IsPortOpen() ? EPinCheck::NotReady : EPinCheck::Unanswered;
        break;
    }
    m_bPinOk = result;
    return result;
}

int TModemMainFrame::AskPin(int mode)
{
    // The SIM may have lost tries before this run (an earlier one, a phone):
    // the first question warns too, not only one after a wrong entry.
    int triesLeft = m_pModemComm->GetPinRetries(mode);
    // Asks until the SIM accepts, the user cancels, or a reply ends it.
    for (;;) {
        if (!m_pModemComm->IsPortOpen() || m_bClosing)
            return -1;
        AnsiString pin;
        AnsiString puk;
        const AnsiString warning = TPinQueryExForm::TriesWarning(m_pLanguage, mode, triesLeft);
        if (m_pDialogs->QueryPin(mode, warning, pin, puk) != mrOk) {
            m_bPinRefused = true;
            if (!m_bClosing)
                ShowMsgBox(this, TPinQueryExForm::NotEnteredText(m_pLanguage, mode), 0);
            return -1;
        }
        ProcessMessages();
        const int r = m_pModemComm->EnterPin(mode, pin, puk);
        ProcessMessages();
        if (m_bClosing)
            return -1;
        // A modem that went silent has closed its port: nothing was judged.
        const auto reply = TPinQueryExForm::Judge(mode, r, m_pModemComm->IsPortOpen());
        if (reply == TPinQueryExForm::EReply::Accepted)
            return 1;
        const bool wrong = reply == TPinQueryExForm::EReply::Wrong;
        triesLeft = wrong ? m_pModemComm->GetPinRetries(mode) : -1;
        ShowMsgBox(this, TPinQueryExForm::ReplyText(m_pLanguage, reply, mode, triesLeft), 0);
        if (reply == TPinQueryExForm::EReply::NotReady || reply == TPinQueryExForm::EReply::NoAnswer)
            return 0;
        // A SIM that now wants its PUK has tries of another count.
        if (r != mode)
            triesLeft = m_pModemComm->GetPinRetries(r);
        mode = r;
    }
}

bool TModemMainFrame::CheckNetwork()
{
    ProcessMessages();
    int tries = 0;
    AnsiString name;
    auto query = [this, &name] {
        name.clear();
        bool ok = m_pModemComm->GetOperator(name);
        // A modem in limited service names no operator one can use.
        if (name.find("Limit") != AnsiString::npos)
            ok = false;
        return ok;
    };
    bool ok = query();
    // A check on the worker that gave way to a user action concludes nothing.
    const auto goOn = [this] { return !m_bClosing && !m_pModemComm->GivingWay(); };
    // A network the user chose by hand is kept: the modem takes it up again
    // when it is back, and only the user puts the modem on automatic choice.
    const bool byHand = !ok && m_pModemComm->GetSelectionMode() == 1;
    // A modem on automatic choice searches by itself: told again, it may hold
    // every command, a user's too, for as long as its search takes.
    const bool searching = !ok && m_pModemComm->GetSelectionMode() == 0;
    // A SIM that wants its PIN or PUK (powered up again by a replug nobody
    // saw) has no network: back to the PIN question instead.
    bool pinLost = false;
    if (!ok && goOn()) {
        AnsiString buf;
        const int state = m_pModemComm->GetPinState(buf);
        pinLost = state == PIN_STATE_SIM_PIN || state == PIN_STATE_SIM_PUK;
        if (pinLost)
            m_bPinOk = false;
        else if (byHand)
            Log("No network: the network chosen by hand is kept");
        else if (searching)
            Log("No network: the modem searches by itself");
        else
            m_pModemComm->SelectOperatorAuto();
    }
    while (tries < 5 && !ok && !pinLost && !byHand && goOn()) {
        m_pModemComm->Wait(m_pauses.networkRetryMs);
        ok = query();
        if (!ok)
            ++tries;
    }
    if (m_pModemComm->GivingWay())
        return m_bNetworkRegistered;
    ProcessMessages();
    m_bNetworkRegistered = ok;
    const AnsiString label = ok ? m_pModemComm->GetOperatorNameValue() : m_pLanguage->GetText(118);
    RunOnUi([this, label] { m_pLNetwork->setText(ToQ(label)); }, false);
    return ok;
}

void TModemMainFrame::SelectUserOperator()
{
    if (m_bClosing)
        return;
    CheckNetwork();
    if (m_bClosing)
        return;
    m_pLNetwork->setText(ToQ(m_bNetworkRegistered ? m_pModemComm->GetOperatorNameValue() : m_pLanguage->GetText(118)));
    ProcessMessages();
}
