#include "ui/sms/TFormExSMSZoom.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "ui/common/ModalResult.h"
#include "ui/common/TSkin.h"
#include "ui/common/TSkinButton.h"
#include "ui/common/UiStyle.h"
#include "ui/dialogs/DialogText.h"

namespace {
constexpr const char* kZoomIcon = "zoom_icon";
}  // namespace

TFormExSMSZoom::TFormExSMSZoom(QWidget* owner, TLanguage* language) : TFormEx(owner), m_pLanguage(language)
{
    resize(274, 253);

    Image2 = new QLabel(this);
    Image2->setGeometry(rect());
    Image2->setScaledContents(true);
    Image2->setPixmap(TSkin::Picture(Skin::kZoomBack, QSize(274, 253), BgrColor(0xFAF8FE)));
    Image2->lower();
    MakeDragHandle(Image2);
    Image1 = new QLabel(this);
    Image1->setGeometry(14, 21, 48, 48);
    Image1->setAttribute(Qt::WA_TranslucentBackground, true);
    Image1->setPixmap(TSkin::Picture(kZoomIcon, QSize(48, 48), BgrColor(0xB86C1A)));

    m_pLPhone = MakeLabel(this, QRect(70, 21, 190, 22), TahomaPx(11), Qt::AlignCenter);
    m_pEPhone = new QLineEdit(this);
    m_pEPhone->setGeometry(70, 42, 190, 21);
    m_pEPhone->setFont(TahomaPx(11));
    m_pEPhone->setReadOnly(true);
    SetFieldColour(m_pEPhone, BgrColor(0xFAF8FE));
    m_pLSMS = MakeLabel(this, QRect(14, 63, 246, 22), TahomaPx(11), Qt::AlignCenter);
    m_pMMsgText = new QPlainTextEdit(this);
    m_pMMsgText->setGeometry(14, 84, 246, 134);
    m_pMMsgText->setFont(TahomaPx(11));
    m_pMMsgText->setReadOnly(true);
    SetFieldColour(m_pMMsgText, BgrColor(0xFAF8FE));

    m_pBReplay = new TSkinButton(this);
    m_pBReplay->setGeometry(14, 224, 78, 20);
    m_pBReplay->setFont(TahomaPx(11));
    connect(m_pBReplay, &QAbstractButton::clicked, this, &TFormExSMSZoom::OnReplayClick);
    m_pBClose = new TSkinButton(this);
    m_pBClose->setGeometry(182, 224, 78, 20);
    m_pBClose->setFont(TahomaPx(11));
    connect(m_pBClose, &QAbstractButton::clicked, this, &TFormExSMSZoom::OnCloseClick);
    SetDefaultButton(m_pBClose);
    SetCancelButton(m_pBClose);

    SetTitle(LangText(m_pLanguage, 161));
    m_pLPhone->setText(LangQ(m_pLanguage, 162));
    m_pLSMS->setText(LangQ(m_pLanguage, 163));
    m_pBReplay->setText(LangQ(m_pLanguage, 164));
    m_pBClose->setText(LangQ(m_pLanguage, 166));
    Place();
}

TFormExSMSZoom::~TFormExSMSZoom() = default;

void TFormExSMSZoom::Place()
{
    QWidget* owner = OwnerForm();
    if (owner == nullptr)
        return;
    const QRect o = owner->isWindow() ? owner->frameGeometry() : QRect(owner->mapToGlobal(QPoint(0, 0)), owner->size());
    move(o.left() + o.width() / 2 - width() / 2, o.top() + 20);
}

void TFormExSMSZoom::FormShow()
{
    Place();
}

void TFormExSMSZoom::SetNumber(const AnsiString& number)
{
    m_pEPhone->setText(ToQ(number));
}

void TFormExSMSZoom::SetText(const WideString& text)
{
    m_pMMsgText->setPlainText(QString::fromStdU16String(text));
}

void TFormExSMSZoom::OnCloseClick()
{
    CloseWith(mrOk);
}

void TFormExSMSZoom::OnReplayClick()
{
    CloseWith(mrRetry);
}
