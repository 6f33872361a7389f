#include "ui/settings/TExFrmSecurity.h"

#include <QLabel>
#include <QRadioButton>

#include "communicator/SimAnswers.h"
#include "communicator/TModemComm.h"
#include "platform/MessagePump.h"
#include "ui/common/ModalResult.h"
#include "ui/common/TLockCover.h"
#include "ui/common/TSkin.h"
#include "ui/common/TSkinButton.h"
#include "ui/common/TUserAction.h"
#include "ui/common/UiStyle.h"
#include "ui/dialogs/TPinQueryExForm.h"
#include "ui/settings/TMainActions.h"

TExFrmSecurity* ExFrmSecurity = nullptr;

TExFrmSecurity::TExFrmSecurity(QWidget* owner, TLanguage* language, TModemComm* modemComm, const QPixmap& background,
                               TMainActions* main)
    : TSettingsPage(owner, language, modemComm, main)
{
    resize(413, 296);
    Image1 = MakeBackground(background);
    Bevel2 = MakeBevel(14, 7, 379, 99);
    m_pLSecurity = MakeLabel(21, 14, 211, 22);
    m_pRBDisabled = MakeRadio(this, 21, 35, 246, 17);
    m_pRBEnable = MakeRadio(this, 21, 56, 246, 17);
    m_pBUpdate = MakeButton(this, 152, 77, 235, 20);
    BvlSpacer = new TLockCover(this);
    connect(m_pBUpdate, &QAbstractButton::clicked, this, &TExFrmSecurity::OnUpdate);
}

TExFrmSecurity::~TExFrmSecurity()
{
    if (ExFrmSecurity == this)
        ExFrmSecurity = nullptr;
}

bool TExFrmSecurity::Enabled()
{
    return IsReady();
}

void TExFrmSecurity::ShowPage()
{
    const TUserAction lock(m_pMain, nullptr);
    SetHostTitle(221);
    TExFrame::ShowPage();
    if (m_pMain->IsPinOk() && !m_pMain->IsConnected() && m_pModemComm != nullptr) {
        ShowHostWait(Text(222));
        m_pMain->SuspendWorker();
        ReadSimLock(m_pModemComm->GetSimLockFlag());
        LoadSettings();
        m_pMain->ResumeWorker();
        HideHostWait();
    }
}

void TExFrmSecurity::LoadSettings()
{
    const bool on = m_pModemComm != nullptr && m_pModemComm->GetSimLockFlag() != 0;
    m_pRBEnable->setChecked(on);
    m_pRBDisabled->setChecked(!on);
}

void TExFrmSecurity::SaveSettings()
{
    if (m_pModemComm != nullptr)
        m_pModemComm->SetSimLockFlag(m_pRBEnable->isChecked() ? 1 : 0);
}

void TExFrmSecurity::ApplyLanguage()
{
    SetHostTitle(221);
    m_pLSecurity->setText(QText(223));
    m_pRBDisabled->setText(QText(224));
    m_pRBEnable->setText(QText(225));
    m_pBUpdate->setText(QText(226));
}

void TExFrmSecurity::UpdateModemState()
{
    if (Enabled())
        Unlock();
    else
        Lock();
}

void TExFrmSecurity::Lock()
{
    m_pRBDisabled->setEnabled(false);
    m_pRBEnable->setEnabled(false);
    m_pBUpdate->SetCaptionColour(BgrColor(Skin::kLockedCaptionColour));
    BvlSpacer->Cover(m_pBUpdate);
    ProcessMessages();
}

void TExFrmSecurity::Unlock()
{
    if (!Enabled())
        return;
    m_pRBDisabled->setEnabled(true);
    m_pRBEnable->setEnabled(true);
    m_pBUpdate->SetCaptionColour(BgrColor(Skin::kCaptionColour));
    BvlSpacer->Uncover();
}

void TExFrmSecurity::ReadSimLock(uint8_t known)
{
    if (!m_pModemComm->GetSimLock())
        m_pModemComm->SetSimLockFlag(known);
}

void TExFrmSecurity::OnUpdate()
{
    if (m_pModemComm == nullptr)
        return;
    // The state asked for, read before anything handles events.
    const uint8_t wanted = m_pRBEnable->isChecked() ? 1 : 0;
    const TUserAction action(m_pMain, m_pBUpdate);
    if (!action)
        return;
    const uint8_t known = m_pModemComm->GetSimLockFlag();
    // The SIM already holds the state chosen: nothing to ask, no PIN to give.
    if (wanted == known) {
        m_pMain->ShowMsgBox(BoxOwner(), Text(431), 0);
        return;
    }
    m_pModemComm->SetSimLockFlag(wanted);
    m_pMain->SuspendWorker();
    ProcessMessages();

    bool pinLost = false;
    AnsiString pin;
    bool confirmed = m_pMain->ShowMsgBox(BoxOwner(), Text(231), 1) != mrNo;
    if (confirmed) {
        TPinQueryExForm pinForm(BoxOwner(), m_pLanguage);
        pinForm.SetMode(2);
        ProcessMessages();
        confirmed = pinForm.exec() == mrOk;
        pin = pinForm.GetPin();
    }
    // Not behind the questions: the modem is talked to only now.
    ShowHostWait(Text(222));
    ProcessMessages();

    AnsiString result;
    if (confirmed) {
        int mode = m_pModemComm->GetSimLockFlag();
        int cmeError = -1;
        const bool ok = m_pModemComm->SetSimLock(pin, mode, &cmeError);
        // The modem's own read-back turns a failed read into "off": what
        // the modem answered decides instead.
        m_pModemComm->SetSimLockFlag(ok ? static_cast<uint8_t>(mode) : known);
        if (ok) {
            result = Text(mode == 0 ? 229 : 227);
        } else {
            result = Text(mode == 0 ? 230 : 228);
            // A wrong PIN uses up one of the SIM's tries: after the last
            // one it wants its PUK, which the main window must ask for now.
            // Each wrong one is told as wrong, with what the third does.
            const int pinState = m_pModemComm->GetPinState();
            pinLost = pinState != PIN_STATE_READY;
            if (pinState == PIN_STATE_SIM_PUK)
                result += "\n" + Text(422) + "\n" + Text(310);
            else if (cmeError == kCmeIncorrectPassword)
                result += "\n" + TPinQueryExForm::ReplyText(m_pLanguage, TPinQueryExForm::EReply::Wrong,
                                                             PIN_STATE_SIM_PIN,
                                                             m_pModemComm->GetPinRetries(PIN_STATE_SIM_PIN));
        }
    } else {
        ReadSimLock(known);
    }
    ProcessMessages();
    LoadSettings();
    m_pMain->ResumeWorker();
    HideHostWait();
    if (!result.empty())
        m_pMain->ShowMsgBox(BoxOwner(), result, 0);
    // Told only now: the main window then asks for the PIN or PUK, and no
    // box of this page stays open under its question.
    if (pinLost)
        m_pMain->PinLost();
    // Without a usable PIN the page takes no input.
    UpdateModemState();
}
