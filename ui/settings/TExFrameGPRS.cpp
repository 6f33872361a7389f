#include "ui/settings/TExFrameGPRS.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>
#include <vector>

#include "communicator/TModemComm.h"
#include "platform/MessagePump.h"
#include "ui/common/ModalResult.h"
#include "ui/common/TConfigFile.h"
#include "ui/common/TFormEx.h"
#include "ui/common/TLockCover.h"
#include "ui/common/TSkin.h"
#include "ui/common/TSkinButton.h"
#include "ui/common/TUserAction.h"
#include "ui/common/UiStyle.h"
#include "ui/settings/TMainActions.h"

TExFrameGPRS* ExFrameGPRS = nullptr;

namespace {
QLineEdit* MakeEdit(QWidget* parent, int y)
{
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(166, y, 219, 21);
    edit->setFont(TahomaPx(11));
    return edit;
}

// Every Connection page there is: a profile saved on one is shown on all.
std::vector<TExFrameGPRS*>& ConnectionPages()
{
    static std::vector<TExFrameGPRS*> pages;
    return pages;
}
}  // namespace

TExFrameGPRS::TExFrameGPRS(QWidget* owner, TLanguage* language, TModemComm* modemComm, const QPixmap& background,
                           bool helperMode, TMainActions* main)
    : TSettingsPage(owner, language, modemComm, main), m_bHelperMode(helperMode)
{
    resize(522, 382);
    // Outside helper mode the dialog's picture; in the helper window the page's own.
    Image1 = MakeBackground(helperMode || background.isNull()
                                ? TSkin::Picture(Skin::kPageBack, QSize(407, 280), BgrColor(0xFAF8FE))
                                : background);
    Bevel4 = MakeBevel(14, 7, 379, 114);
    m_pLPhoneNumber = MakeLabel(21, 14, 140, 22);
    m_pLUserName = MakeLabel(21, 40, 140, 22);
    m_pLPassword = MakeLabel(21, 66, 140, 22);
    m_pLModemAPN = MakeLabel(21, 92, 140, 22);
    m_pEPhoneNumber = MakeEdit(this, 14);
    m_pEUserName = MakeEdit(this, 40);
    m_pEPassword = MakeEdit(this, 66);
    m_pEPassword->setEchoMode(QLineEdit::Password);
    m_pEModemAPN = MakeEdit(this, 92);
    m_pEModemAPN->setMaxLength(kApnMaxLength);
    setTabOrder(m_pEPhoneNumber, m_pEUserName);
    setTabOrder(m_pEUserName, m_pEPassword);
    setTabOrder(m_pEPassword, m_pEModemAPN);

    m_pGBAuth = new QGroupBox(this);
    m_pGBAuth->setGeometry(14, 123, 379, 70);
    m_pGBAuth->setFont(TahomaPx(11));
    m_pRB_None = MakeRadio(m_pGBAuth, 8, 16, 361, 17);
    m_pRB_Pap = MakeRadio(m_pGBAuth, 8, 32, 361, 17);
    m_pRB_Chap = MakeRadio(m_pGBAuth, 8, 48, 361, 17);
    m_pRB_None->setChecked(true);
    setTabOrder(m_pEModemAPN, m_pRB_None);
    for (QRadioButton* r : {m_pRB_None, m_pRB_Pap, m_pRB_Chap})
        connect(r, &QAbstractButton::clicked, this, [this] { m_bAuthChosen = true; });

    m_pBUpdate = MakeButton(this, 173, 198, 219, 20);
    BvlSpacer = new TLockCover(this);
    BvlSpacer->setGeometry(42, 94, 64, 22);

    // Carried only: the user never sees or changes the technology.
    m_pGBTechnology = new QGroupBox(this);
    m_pGBTechnology->setGeometry(14, 312, 379, 56);
    m_pRB_gprso = MakeRadio(m_pGBTechnology, 8, 12, 170, 17);
    m_pRB_hsxpao = MakeRadio(m_pGBTechnology, 8, 30, 170, 17);
    m_pRB_gprsp = MakeRadio(m_pGBTechnology, 192, 12, 170, 17);
    m_pRB_hsxpap = MakeRadio(m_pGBTechnology, 192, 30, 170, 17);
    m_pRB_hsxpap->setChecked(true);
    m_pGBTechnology->hide();
    m_pGBTechnology->setEnabled(false);

    if (helperMode)
        connect(m_pBUpdate, &QAbstractButton::clicked, this, &TExFrameGPRS::OnUpdateHelperClick);
    else
        connect(m_pBUpdate, &QAbstractButton::clicked, this, &TExFrameGPRS::OnUpdateClick);
    ConnectionPages().push_back(this);
}

TExFrameGPRS::~TExFrameGPRS()
{
    auto& pages = ConnectionPages();
    pages.erase(std::remove(pages.begin(), pages.end(), this), pages.end());
    if (ExFrameGPRS == this)
        ExFrameGPRS = nullptr;
}

void TExFrameGPRS::ShowPage()
{
    // A part of the action that shows the page: never refused.
    const TUserAction lock(m_pMain, nullptr);
    const bool up = m_pModemComm != nullptr && m_pModemComm->IsRasConnected();
    if (m_pMain->DebugWindowExists() && m_pModemComm != nullptr)
        m_pModemComm->AddToMemo(AnsiString("-=GPRS UPDATE CON = ") + (up ? "1" : "0") + " =-");
    TExFrame::ShowPage();
    ProcessMessages();
    SetHostTitle(201);
    // The helper window is made for taller pages: it ends below the button.
    if (TFormEx* host = HostForm(); m_bHelperMode && host != nullptr)
        host->resize(host->width(), TFormEx::kTitleHeight + m_pBUpdate->geometry().bottom() + 15);
    ProcessMessages();
    LoadSettings();
    ProcessMessages();
    if (!m_bHelperMode)
        HideHostWait();
}

void TExFrameGPRS::LoadSettings()
{
    // What the user typed and has not saved yet stays: the page is loaded on
    // every look at it and on every connect.
    const auto load = [](QLineEdit* edit, const AnsiString& value) {
        if (!edit->isModified())
            edit->setText(ToQ(value));
    };
    TConfigFile ini(m_pMain->ConfigPath());
    load(m_pEUserName, ini.GetConnectionUserName());
    load(m_pEPassword, ini.GetConnectionUserPassword());
    AnsiString phone = ini.GetConnectionPhone();
    if (phone.empty()) {
        phone = kDefaultPhone;
        ini.SetConnectionPhone(phone);
    }
    load(m_pEPhoneNumber, phone);
    load(m_pEModemAPN, ini.GetConnectionAPN());
    switch (m_bAuthChosen ? -1 : ini.GetAuthentication()) {
    case 0:
        m_pRB_None->setChecked(true);
        break;
    case 1:
        m_pRB_Pap->setChecked(true);
        break;
    case 2:
        m_pRB_Chap->setChecked(true);
        break;
    default:
        break;
    }
    QRadioButton* tech[] = {m_pRB_gprso, m_pRB_hsxpao, m_pRB_gprsp, m_pRB_hsxpap};
    const int t = ini.GetTechnology();
    if (t >= 0 && t <= 3)
        tech[t]->setChecked(true);
}

std::array<QLineEdit*, 4> TExFrameGPRS::Edits() const
{
    return {m_pEPhoneNumber, m_pEUserName, m_pEPassword, m_pEModemAPN};
}

int TExFrameGPRS::AuthChoice() const
{
    return m_pRB_None->isChecked() ? 0 : m_pRB_Pap->isChecked() ? 1 : m_pRB_Chap->isChecked() ? 2 : 0;
}

TExFrameGPRS::Entries TExFrameGPRS::TypedEntries() const
{
    const int tech = m_pRB_gprso->isChecked() ? 0 : m_pRB_hsxpao->isChecked() ? 1 : m_pRB_gprsp->isChecked() ? 2 : 3;
    return {m_pEPhoneNumber->text(), m_pEUserName->text(), m_pEPassword->text(), m_pEModemAPN->text(), AuthChoice(),
            tech};
}

bool TExFrameGPRS::WriteProfile(const Entries& typed)
{
    if (typed.phone.isEmpty())
        return false;
    TConfigFile ini(m_pMain->ConfigPath());
    bool written = ini.SetConnectionUserName(FromQ(typed.user));
    written &= ini.SetConnectionUserPassword(FromQ(typed.password));
    written &= ini.SetConnectionPhone(FromQ(typed.phone));
    written &= ini.SetConnectionAPN(FromQ(typed.apn));
    written &= ini.SetAuthentication(typed.auth);
    written &= ini.SetTechnology(typed.tech);
    if (!written)
        return false;
    for (QLineEdit* e : Edits())
        e->setModified(false);
    m_bAuthChosen = false;
    // What another window still shows typed is not what is in force now.
    for (TExFrameGPRS* other : ConnectionPages())
        if (other != this)
            other->DropUnsaved();
    return true;
}

void TExFrameGPRS::SaveSettings()
{
    // The profile as typed, read before anything handles events.
    const Entries typed = TypedEntries();
    m_bSaved = false;
    {
        const TUserAction action(m_pMain, m_pBUpdate);
        if (!action)
            return;
        if (!m_bHelperMode)
            ShowHostWait(Text(202));
        // A file that cannot be written (a read-only program folder) is
        // told as such: the connect action would dial with the old profile.
        m_bSaved = WriteProfile(typed);
        if (!m_bHelperMode)
            HideHostWait();
        m_pMain->ShowMsgBox(BoxOwner(), Text(typed.phone.isEmpty() ? 203 : m_bSaved ? 216 : 297), 0);
    }
    // Once the page is unlocked: a locked edit takes no focus.
    if (typed.phone.isEmpty())
        m_pEPhoneNumber->setFocus();
}

bool TExFrameGPRS::HasUnsavedChanges() const
{
    TConfigFile ini(m_pMain->ConfigPath());
    const auto changed = [](const QLineEdit* edit, const AnsiString& saved) {
        return edit->isModified() && edit->text() != ToQ(saved);
    };
    return changed(m_pEPhoneNumber, ini.GetConnectionPhone()) || changed(m_pEUserName, ini.GetConnectionUserName()) ||
           changed(m_pEPassword, ini.GetConnectionUserPassword()) || changed(m_pEModemAPN, ini.GetConnectionAPN()) ||
           (m_bAuthChosen && AuthChoice() != ini.GetAuthentication());
}

TExFrameGPRS::Settled TExFrameGPRS::SettleUnsaved(QWidget* owner)
{
    if (!HasUnsavedChanges())
        return Settled::Nothing;
    const Entries typed = TypedEntries();
    if (m_pMain->ShowMsgBox(owner, Text(515), 1) != mrYes) {
        DropUnsaved();
        return Settled::Dropped;
    }
    if (!WriteProfile(typed)) {
        // Not saved, yet not given up either: kept to be mended.
        m_pMain->ShowMsgBox(owner, Text(typed.phone.isEmpty() ? 203 : 297), 0);
        return Settled::Kept;
    }
    DropUnsaved();
    return Settled::Saved;
}

int TExFrameGPRS::UserClosesHost(int result)
{
    switch (SettleUnsaved(BoxOwner())) {
    case Settled::Saved:
        return mrOk;
    case Settled::Kept:
        if (m_pEPhoneNumber->text().isEmpty())
            m_pEPhoneNumber->setFocus();
        return mrNone;
    default:
        return result;
    }
}

void TExFrameGPRS::keyPressEvent(QKeyEvent* event)
{
    // The edits leave Enter to the page. Locked, no edit takes keys, and the
    // save refuses to run inside another action.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || !BvlSpacer->isHidden()) {
        TSettingsPage::keyPressEvent(event);
        return;
    }
    event->accept();
    m_pBUpdate->click();
}

void TExFrameGPRS::DropUnsaved()
{
    for (QLineEdit* e : Edits())
        e->setModified(false);
    m_bAuthChosen = false;
    LoadSettings();
}

void TExFrameGPRS::OnUpdateClick()
{
    SaveSettings();
}

void TExFrameGPRS::OnUpdateHelperClick()
{
    SaveSettings();
    if (m_bSaved) {
        // Saved: the helper window's run ends with OK; any other close is a cancel.
        if (TFormEx* host = HostForm())
            host->CloseWith(mrOk);
    }
}

void TExFrameGPRS::ApplyLanguage()
{
    SetHostTitle(201);
    m_pLPhoneNumber->setText(QText(212));
    m_pLUserName->setText(QText(213));
    m_pLPassword->setText(QText(214));
    m_pLModemAPN->setText(QText(211));
    m_pGBAuth->setTitle(QText(261));
    m_pRB_None->setText(QText(293));
    m_pRB_Pap->setText(QText(262));
    m_pRB_Chap->setText(QText(263));
    m_pBUpdate->setText(QText(215));
    m_pRB_gprso->setText(QText(204));
    m_pRB_hsxpao->setText(QText(205));
    m_pRB_gprsp->setText(QText(206));
    m_pRB_hsxpap->setText(QText(207));
}

void TExFrameGPRS::UpdateModemState()
{
    if (m_pModemComm != nullptr && m_pModemComm->IsRasConnected())
        Lock();
    else
        Unlock();
}

void TExFrameGPRS::Lock()
{
    for (QLineEdit* e : Edits()) {
        e->setEnabled(false);
        SetBaseColour(e, 0x808080);
    }
    m_pBUpdate->SetCaptionColour(BgrColor(Skin::kLockedCaptionColour));
    m_pGBAuth->setEnabled(false);
    for (QRadioButton* r : {m_pRB_None, m_pRB_Pap, m_pRB_Chap, m_pRB_gprso, m_pRB_hsxpao, m_pRB_gprsp, m_pRB_hsxpap})
        r->setEnabled(false);
    BvlSpacer->Cover(m_pBUpdate);
    ProcessMessages();
}

void TExFrameGPRS::Unlock()
{
    if (m_pModemComm != nullptr && m_pModemComm->IsRasConnected())
        return;
    for (QLineEdit* e : Edits()) {
        e->setEnabled(true);
        SetBaseColour(e, 0xFFFFFF);
    }
    m_pBUpdate->SetCaptionColour(BgrColor(Skin::kCaptionColour));
    m_pGBAuth->setEnabled(true);
    for (QRadioButton* r : {m_pRB_None, m_pRB_Pap, m_pRB_Chap, m_pRB_gprso, m_pRB_hsxpao, m_pRB_gprsp, m_pRB_hsxpap})
        r->setEnabled(true);
    BvlSpacer->Uncover();
}
