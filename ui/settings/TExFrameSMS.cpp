#include "ui/settings/TExFrameSMS.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "communicator/TModemComm.h"
#include "platform/MessagePump.h"
#include "ui/common/ModalResult.h"
#include "ui/common/TLockCover.h"
#include "ui/common/TSkin.h"
#include "ui/common/TSkinButton.h"
#include "ui/common/TUserAction.h"
#include "ui/common/UiStyle.h"
#include "ui/settings/TMainActions.h"

TExFrameSMS* ExFrameSMS = nullptr;

TExFrameSMS::TExFrameSMS(QWidget* owner, TLanguage* language, TModemComm* modemComm, const QPixmap& background,
                         TMainActions* main)
    : TSettingsPage(owner, language, modemComm, main)
{
    resize(398, 188);
    Image1 = MakeBackground(background);
    Bevel2 = MakeBevel(14, 7, 379, 98);
    // As wide as the field below it: the caption is longer in some languages.
    m_pLCenterNumber = MakeLabel(21, 14, 213, 22);
    m_pECenterNumber = new QLineEdit(this);
    m_pECenterNumber->setGeometry(20, 38, 213, 21);
    m_pECenterNumber->setFont(TahomaPx(11));
    m_pECenterNumber->installEventFilter(this);
    // Pasted or dropped text passes no key filter: it is held to the same
    // characters (and refused whole otherwise).
    m_pECenterNumber->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9+]*")), m_pECenterNumber));
    m_pBUpdate = MakeButton(this, 160, 74, 225, 20);
    BvlSpacer = new TLockCover(this);
    connect(m_pBUpdate, &QAbstractButton::clicked, this, &TExFrameSMS::OnUpdate);
}

TExFrameSMS::~TExFrameSMS()
{
    if (ExFrameSMS == this)
        ExFrameSMS = nullptr;
}

bool TExFrameSMS::Enabled()
{
    return IsReady();
}

void TExFrameSMS::NumberKeyPress(QChar& key)
{
    if (key.isDigit() && key.unicode() < 128)
        return;
    if (key == QLatin1Char('+') || key.unicode() == 8)
        return;
    key = QChar(0);
}

bool TExFrameSMS::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pECenterNumber && event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        // Editing keys (backspace, arrows, delete) carry no printable text.
        if (!ke->text().isEmpty() && ke->text().at(0).isPrint()) {
            for (QChar ch : ke->text()) {
                QChar key = ch;
                NumberKeyPress(key);
                if (key.isNull())
                    return true;
            }
        }
    }
    return TSettingsPage::eventFilter(watched, event);
}

void TExFrameSMS::ShowPage()
{
    const TUserAction lock(m_pMain, nullptr);
    ProcessMessages();
    SetHostTitle(232);
    ProcessMessages();
    TExFrame::ShowPage();
    ProcessMessages();
    if (m_pMain->IsPinOk() && !m_pMain->IsConnected() && m_pModemComm != nullptr) {
        ShowHostWait(Text(233));
        ProcessMessages();
        m_pMain->SuspendWorker();
        m_pModemComm->ReadSmsCentre();
        m_pMain->ResumeWorker();
        ProcessMessages();
        HideHostWait();
        LoadSettings();
        ProcessMessages();
    }
    UpdateModemState();
}

void TExFrameSMS::LoadSettings()
{
    if (m_pModemComm != nullptr)
        m_pECenterNumber->setText(ToQ(m_pModemComm->GetSmsCentre()));
}

void TExFrameSMS::SaveSettings()
{
    if (m_pModemComm != nullptr)
        m_pModemComm->SetSmsCentre(FromQ(m_pECenterNumber->text()));
}

void TExFrameSMS::ApplyLanguage()
{
    SetHostTitle(232);
    m_pLCenterNumber->setText(QText(234));
    m_pBUpdate->setText(QText(235));
}

void TExFrameSMS::UpdateModemState()
{
    if (Enabled())
        Unlock();
    else
        Lock();
}

void TExFrameSMS::Lock()
{
    m_pECenterNumber->setEnabled(false);
    SetBaseColour(m_pECenterNumber, 0x808080);
    m_pBUpdate->SetCaptionColour(BgrColor(Skin::kLockedCaptionColour));
    BvlSpacer->Cover(m_pBUpdate);
    ProcessMessages();
}

void TExFrameSMS::Unlock()
{
    if (!Enabled())
        return;
    m_pECenterNumber->setEnabled(true);
    SetBaseColour(m_pECenterNumber, 0xFFFFFF);
    m_pBUpdate->SetCaptionColour(BgrColor(Skin::kCaptionColour));
    BvlSpacer->Uncover();
}

void TExFrameSMS::OnUpdate()
{
    if (m_pModemComm == nullptr)
        return;
    // The number as typed, read before anything handles events.
    const QString number = m_pECenterNumber->text();
    const TUserAction action(m_pMain, m_pBUpdate);
    if (!action)
        return;
    // Writing an empty centre clears the SIM's, and then no message can be
    // sent: a number without digits is refused before anything is sent.
    if (!number.contains(QRegularExpression(QStringLiteral("[0-9]")))) {
        m_pMain->ShowMsgBox(BoxOwner(), Text(308), 0);
        m_pECenterNumber->setFocus();
        return;
    }
    bool failed = true;
    m_pMain->SuspendWorker();
    if (m_pMain->ShowMsgBox(BoxOwner(), Text(238), 1) == mrNo) {
        LoadSettings();
        m_pMain->ResumeWorker();
        return;
    }
    // Not behind the question: the modem is talked to only now.
    ShowHostWait(Text(233));
    m_pModemComm->SetSmsCentre(FromQ(number));
    if (m_pModemComm->WriteSmsCentre())
        failed = false;
    // A write left unanswered closes the port: open it again, so the worker
    // and the next try find it usable, and learn the SIM's number anew.
    if (!m_pModemComm->IsPortOpen() && m_pModemComm->OpenPort(0))
        m_pModemComm->ReadSmsCentre();
    LoadSettings();
    // The user is told of the refusal and may correct the number typed.
    if (failed)
        m_pECenterNumber->setText(number);
    m_pMain->ResumeWorker();
    HideHostWait();
    m_pMain->ShowMsgBox(BoxOwner(), Text(failed ? 237 : 236), 0);
}
