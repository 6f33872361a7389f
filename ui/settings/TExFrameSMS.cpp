#include "ui/settings/TExFrameSMS.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QValidator>
#include <algorithm>

#include "communicator/TModemComm.h"
#include "communicator/sms/SmsNumber.h"
#include "platform/MessagePump.h"
#include "ui/common/ModalResult.h"
#include "ui/common/TLockCover.h"
#include "ui/common/TSkin.h"
#include "ui/common/TSkinButton.h"
#include "ui/common/TUserAction.h"
#include "ui/common/UiStyle.h"
#include "ui/settings/TMainActions.h"

TExFrameSMS* ExFrameSMS = nullptr;

namespace {
// What reaches the number edit as a whole (a paste, a drop): the blanks,
// dashes, dots and slashes people put between digit groups go, as they do
// when typed; anything else but digits, "+" and brackets refuses it whole.
// Once its brackets are closed the number goes through the recipients'
// normaliser, which drops a trunk "(0)" after the country code.
class TCentreNumberValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override
    {
        QString kept;
        int keptPos = 0;
        for (int i = 0; i < input.size(); ++i) {
            const QChar c = input.at(i);
            if (c.isSpace() || c == u'-' || c == u'.' || c == u'/')
                continue;
            if (!(c >= u'0' && c <= u'9') && c != u'+' && c != u'(' && c != u')')
                return Invalid;
            kept += c;
            keptPos += i < pos ? 1 : 0;
        }
        if (kept.contains(u'(') && kept.count(u'(') == kept.count(u')')) {
            const QString clean = ToQ(sms::CleanSmsNumber(FromQ(kept)));
            if (!clean.isEmpty()) {
                // The digits after the cursor stay after it.
                const QString tail = kept.mid(keptPos);
                const qsizetype after = tail.size() - tail.count(u'(') - tail.count(u')');
                keptPos = static_cast<int>(std::clamp<qsizetype>(clean.size() - after, 0, clean.size()));
                kept = clean;
            }
        }
        input = kept;
        pos = keptPos;
        return Acceptable;
    }
};
}  // namespace

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
    // Pasted or dropped text passes no key filter: see TCentreNumberValidator.
    m_pECenterNumber->setValidator(new TCentreNumberValidator(m_pECenterNumber));
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
    // Brackets too: a trunk prefix "(0)" is recognised only with them.
    if (key == QLatin1Char('+') || key == QLatin1Char('(') || key == QLatin1Char(')') || key.unicode() == 8)
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
    const QString typed = m_pECenterNumber->text();
    const TUserAction action(m_pMain, m_pBUpdate);
    if (!action)
        return;
    // Written as the recipients' numbers are sent: without separators and
    // without a trunk "(0)". Writing an empty centre clears the SIM's, and
    // then no message can be sent: no number is refused before anything is sent.
    const AnsiString number = sms::CleanSmsNumber(FromQ(typed));
    if (number.empty()) {
        m_pMain->ShowMsgBox(BoxOwner(), Text(308), 0);
        m_pECenterNumber->setFocus();
        return;
    }
    m_pECenterNumber->setText(ToQ(number));
    if (number == sms::CleanSmsNumber(m_pModemComm->GetSmsCentre())) {
        m_pMain->ShowMsgBox(BoxOwner(), Text(430), 0);
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
    m_pModemComm->SetSmsCentre(number);
    if (m_pModemComm->WriteSmsCentre())
        failed = false;
    // A write left unanswered closes the port: open it again, so the worker
    // and the next try find it usable, and learn the SIM's number anew.
    if (!m_pModemComm->IsPortOpen() && m_pModemComm->OpenPort(0))
        m_pModemComm->ReadSmsCentre();
    LoadSettings();
    // The user is told of the refusal and may correct the number typed.
    if (failed)
        m_pECenterNumber->setText(ToQ(number));
    m_pMain->ResumeWorker();
    HideHostWait();
    m_pMain->ShowMsgBox(BoxOwner(), Text(failed ? 237 : 236), 0);
}
