#include "ui/dialogs/TPinQueryExForm.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>

#include "ui/common/ModalResult.h"
#include "ui/common/TSkin.h"
#include "ui/common/TSkinButton.h"
#include "ui/common/UiStyle.h"
#include "ui/dialogs/DialogText.h"
#include "ui/dialogs/IPinActions.h"
#include "ui/dialogs/TMsgBoxEx.h"

namespace {
constexpr unsigned kGrey = 0x808080;
constexpr unsigned kWhite = 0xFFFFFF;

QLineEdit* MakeSecretEdit(QWidget* parent, const QRect& place)
{
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(place);
    edit->setMaxLength(TPinQueryExForm::kMaxLength);
    edit->setEchoMode(QLineEdit::Password);
    edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    edit->setFont(NamedFontPt("Tahoma", 8));
    return edit;
}

// "Tries left: N." on a line of its own; nothing when the count is unknown.
AnsiString TriesLeftLine(const TLanguage* language, int triesLeft)
{
    if (triesLeft < 0)
        return AnsiString();
    return "\n" + LangText(language, 510) + " " + std::to_string(triesLeft) + ".";
}

void SetEditState(QLineEdit* edit, bool enabled)
{
    SetFieldColour(edit, BgrColor(enabled ? kWhite : kGrey));
    edit->setEnabled(enabled);
}
}  // namespace

TPinQueryExForm::TPinQueryExForm(QWidget* owner, TLanguage* language) : TFormEx(owner), m_pLanguage(language)
{
    SetCentreOnOwner(true);
    resize(302, 106);
    SetTitle(AnsiString());

    Image1 = new QLabel(this);
    Image1->setGeometry(14, 21, 39, 39);
    Image1->setScaledContents(true);
    Image1->setPixmap(TSkin::Picture("pin_icon", QSize(39, 39), BgrColor(0xEFEFEF)));
    m_pEPin = MakeSecretEdit(this, QRect(168, 21, 120, 22));
    m_pEPuk = MakeSecretEdit(this, QRect(168, 49, 120, 21));
    setTabOrder(m_pEPin, m_pEPuk);
    Image2 = new QLabel(this);
    Image2->setGeometry(rect());
    Image2->setScaledContents(true);
    Image2->setPixmap(TSkin::Picture(Skin::kPinBack, QSize(302, 106), BgrColor(0xEFEFEF)));
    Image2->lower();
    MakeDragHandle(Image2);
    m_pLPin = MakeLabel(this, QRect(56, 21, 106, 22), font());
    m_pLPuk = MakeLabel(this, QRect(56, 49, 106, 22), font());
    m_pLWarning = MakeLabel(this, QRect(14, 77, 274, 0), font(), Qt::AlignLeft | Qt::AlignTop);
    m_pLWarning->setWordWrap(true);
    m_pLWarning->hide();
    m_pBOk = new TSkinButton(this);
    m_pBOk->setGeometry(126, 77, 78, 20);
    m_pBCancel = new TSkinButton(this);
    m_pBCancel->setGeometry(210, 77, 78, 20);
    connect(m_pBOk, &QAbstractButton::clicked, this, &TPinQueryExForm::OnOK);
    connect(m_pBCancel, &QAbstractButton::clicked, this, &TPinQueryExForm::OnCancel);
    // The edits leave Enter and Escape to the window.
    SetDefaultButton(m_pBOk);
    SetCancelButton(m_pBCancel);

    SetMode(2);
}

TPinQueryExForm::~TPinQueryExForm() = default;

void TPinQueryExForm::ApplyLanguage()
{
    // In mode 3 the PIN edit takes the new PIN.
    m_pLPin->setText(LangQ(m_pLanguage, m_iMode == 3 ? 424 : 133));
    m_pLPuk->setText(LangQ(m_pLanguage, 134));
    m_pBOk->setText(LangQ(m_pLanguage, 102));
    m_pBCancel->setText(LangQ(m_pLanguage, 105));
    m_sPinMessage = LangText(m_pLanguage, 135);
    m_sPukMessage = LangText(m_pLanguage, 136);
}

void TPinQueryExForm::SetMode(int mode)
{
    m_iMode = mode;
    // The PUK comes first, as the SIM takes it: the PUK, then the new PIN.
    const bool puk = mode == 3;
    m_pEPuk->move(168, puk ? 21 : 49);
    m_pLPuk->move(56, puk ? 21 : 49);
    m_pEPin->move(168, puk ? 49 : 21);
    m_pLPin->move(56, puk ? 49 : 21);
    if (puk)
        setTabOrder(m_pEPuk, m_pEPin);
    else
        setTabOrder(m_pEPin, m_pEPuk);
    ApplyLanguage();
    if (mode == 2 || mode == 3) {
        // A dialog reused after a mode without input takes input again.
        SetEditState(m_pEPin, true);
        m_pBOk->setEnabled(true);
        SetEditState(m_pEPuk, mode == 3);
    } else {
        SetEditState(m_pEPin, false);
        SetEditState(m_pEPuk, false);
        m_pBOk->setEnabled(false);
    }
}

AnsiString TPinQueryExForm::GetPin() const
{
    return FromQ(m_pEPin->text());
}

AnsiString TPinQueryExForm::GetPuk() const
{
    return FromQ(m_pEPuk->text());
}

void TPinQueryExForm::SetWarning(const AnsiString& text)
{
    // Without the table's breaks for boxes: the label breaks at its own width.
    m_pLWarning->setText(TMsgBoxEx::ShownText(text));
    m_pLWarning->setVisible(!text.empty());
    const int height = text.empty() ? 0 : m_pLWarning->heightForWidth(m_pLWarning->width());
    m_pLWarning->resize(m_pLWarning->width(), height);
    const int extra = text.empty() ? 0 : height + 6;
    m_pBOk->move(126, 77 + extra);
    m_pBCancel->move(210, 77 + extra);
    resize(302, 106 + extra);
    Image2->setGeometry(rect());
}

void TPinQueryExForm::FormShow()
{
    // Nothing typed at an earlier showing is offered again.
    ApplyLanguage();
    m_pEPin->clear();
    m_pEPuk->clear();
    if (FirstEdit()->isEnabled())
        FirstEdit()->setFocus();
}

QLineEdit* TPinQueryExForm::FirstEdit() const
{
    return m_iMode == 3 ? m_pEPuk : m_pEPin;
}

void TPinQueryExForm::OnOK()
{
    CloseWith(mrOk);
}

void TPinQueryExForm::OnCancel()
{
    CloseWith(mrCancel);
}

bool TPinQueryExForm::FormCloseQuery()
{
    if (m_iMode == 2 && m_pEPin->text().isEmpty()) {
        ShowMessage(m_sPinMessage, 0);
        m_pEPin->clear();
        m_pEPin->setFocus();
        return false;
    }
    if (m_iMode == 3 && (m_pEPin->text().isEmpty() || m_pEPuk->text().isEmpty())) {
        ShowMessage(m_sPukMessage, 0);
        m_pEPin->clear();
        m_pEPuk->clear();
        FirstEdit()->setFocus();
        return false;
    }
    return true;
}

void TPinQueryExForm::done(int result)
{
    if (result == mrOk && !FormCloseQuery())
        return;
    TFormEx::done(result);
}

void TPinQueryExForm::ShowMessage(const AnsiString& text, char type)
{
    // Watched: the box goes with its owner should the owner close meanwhile.
    QPointer<TMsgBoxEx> box = new TMsgBoxEx(OwnerForm(), type, text, m_pLanguage);
    box->exec();
    delete box.data();
}

TPinQueryExForm::EReply TPinQueryExForm::Judge(int mode, int state, bool portOpen)
{
    if (state == 1)
        return EReply::Accepted;
    // Unanswered: the SIM judged nothing, whatever the state says.
    if (!portOpen)
        return EReply::NoAnswer;
    if (state == 3 && mode == 2)
        return EReply::NowBlocked;
    if (state == 2 || state == 3)
        return EReply::Wrong;
    return EReply::NotReady;
}

AnsiString TPinQueryExForm::ReplyText(const TLanguage* language, EReply reply, int mode, int triesLeft)
{
    switch (reply) {
    case EReply::Accepted:
        return AnsiString();
    case EReply::Wrong:
        // Said before the PIN that blocks the SIM is typed.
        return LangText(language, mode == 3 ? 132 : 500) + TriesLeftLine(language, triesLeft);
    case EReply::NowBlocked:
        return LangText(language, 422) + "\n" + LangText(language, 310);
    case EReply::NotReady:
        return LangText(language, 130);
    case EReply::NoAnswer:
        return LangText(language, 420);
    }
    return AnsiString();
}

AnsiString TPinQueryExForm::TriesWarning(const TLanguage* language, int mode, int triesLeft)
{
    if (triesLeft < 0 || triesLeft >= 3 || (mode != 2 && mode != 3))
        return AnsiString();
    return LangText(language, mode == 3 ? 521 : 520) + TriesLeftLine(language, triesLeft);
}

AnsiString TPinQueryExForm::NotEnteredText(const TLanguage* language, int mode)
{
    return LangText(language, mode == 3 ? 423 : 421);
}

int TPinQueryExForm::AskPin(IPinActions& actions, int mode)
{
    int triesLeft = actions.IsPortOpen() ? actions.PinRetries(mode) : -1;
    for (;;) {
        if (!actions.IsPortOpen())
            return -1;
        SetMode(mode);
        SetWarning(TriesWarning(m_pLanguage, mode, triesLeft));
        if (exec() != mrOk) {
            actions.ShowMsgBox(NotEnteredText(m_pLanguage, mode), 0);
            return -1;
        }
        const AnsiString pin = GetPin();
        const AnsiString puk = GetPuk();
        actions.ProcessMessages();
        const int state = actions.EnterPin(mode, pin, puk);
        actions.ProcessMessages();
        const EReply reply = Judge(mode, state, actions.IsPortOpen());
        if (reply == EReply::Accepted)
            return 1;
        triesLeft = reply == EReply::Wrong ? actions.PinRetries(mode) : -1;
        actions.ShowMsgBox(ReplyText(m_pLanguage, reply, mode, triesLeft), 0);
        if (reply == EReply::NotReady || reply == EReply::NoAnswer)
            return 0;
        // After too many wrong PINs the SIM wants the PUK: ask for it next.
        if (state != mode)
            triesLeft = actions.PinRetries(state);
        mode = state;
    }
}
