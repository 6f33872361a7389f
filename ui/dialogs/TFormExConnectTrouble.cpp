#include "ui/dialogs/TFormExConnectTrouble.h"

#include <QLabel>

#include "ui/common/ModalResult.h"
#include "ui/common/TSkin.h"
#include "ui/common/TSkinButton.h"
#include "ui/common/UiStyle.h"
#include "ui/dialogs/DialogText.h"

namespace {
// Blanks and control characters off both ends.
AnsiString Trim(const AnsiString& s)
{
    size_t first = 0;
    size_t last = s.size();
    while (first < last && static_cast<unsigned char>(s[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(s[last - 1]) <= ' ')
        --last;
    return s.substr(first, last - first);
}

TSkinButton* MakeButton(QWidget* parent, int left)
{
    auto* b = new TSkinButton(parent);
    b->setGeometry(left, 56, 99, 20);
    return b;
}
}  // namespace

AnsiString TFormExConnectTrouble::ComposeMessage(int errorCode, const AnsiString& errorText,
                                                 const TLanguage* language)
{
    if (errorText.empty())
        return LangText(language, 243);
    AnsiString message = errorText;
    const size_t hint = message.find("For further");
    if (hint != AnsiString::npos)
        message = Trim(message.substr(0, hint));
    return message + " " + LangText(language, 360) + " " + std::to_string(errorCode);
}

TFormExConnectTrouble::TFormExConnectTrouble(QWidget* owner, int errorCode, const AnsiString& errorText,
                                             TLanguage* language)
    : TFormEx(owner)
{
    SetCentreOnOwner(true);
    resize(442, 92);

    Image1 = new QLabel(this);
    Image1->setScaledContents(true);
    Image1->setPixmap(TSkin::Picture(Skin::kTroubleBack, QSize(442, 92), BgrColor(0xEFEFEF)));
    Image1->setGeometry(rect());
    Image1->lower();
    MakeDragHandle(Image1);

    m_pBSettings = MakeButton(this, 14);
    m_pBTryAgain = MakeButton(this, 119);
    m_pBTroubleShoot = MakeButton(this, 224);
    m_pBCancel = MakeButton(this, 329);
    connect(m_pBSettings, &QAbstractButton::clicked, this, &TFormExConnectTrouble::m_pBSettingsClick);
    connect(m_pBTryAgain, &QAbstractButton::clicked, this, &TFormExConnectTrouble::m_pBTryAgainClick);
    connect(m_pBTroubleShoot, &QAbstractButton::clicked, this, &TFormExConnectTrouble::m_pBTroubleShootClick);
    connect(m_pBCancel, &QAbstractButton::clicked, this, &TFormExConnectTrouble::m_pBCancelClick);
    // Dialling again is what the user most often wants after a failed dial.
    SetDefaultButton(m_pBTryAgain);
    SetCancelButton(m_pBCancel);

    m_pLText = new QLabel(this);
    m_pLText->setGeometry(16, 20, 409, 32);
    m_pLText->setFont(NamedFontPt("Tahoma", 8));
    SetTextColour(m_pLText, BgrColor(0x000000));
    m_pLText->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_pLText->setWordWrap(true);
    m_pLText->setTextFormat(Qt::PlainText);
    m_pLText->setAttribute(Qt::WA_TranslucentBackground, true);

    SetTitle(LangText(language, 242));
    m_pLText->setText(ToQ(ComposeMessage(errorCode, errorText, language)));
    m_pBSettings->setText(LangQ(language, 244));
    m_pBTryAgain->setText(LangQ(language, 246));
    m_pBTroubleShoot->setText(LangQ(language, 245));
    m_pBCancel->setText(LangQ(language, 105));
}

TFormExConnectTrouble::~TFormExConnectTrouble() = default;

void TFormExConnectTrouble::resizeEvent(QResizeEvent* event)
{
    TFormEx::resizeEvent(event);
    if (Image1 != nullptr)
        Image1->setGeometry(rect());
    // The text keeps its margins on both sides.
    if (m_pLText != nullptr)
        m_pLText->resize(width() - 16 - 17, m_pLText->height());
}

void TFormExConnectTrouble::m_pBSettingsClick()
{
    CloseWith(mrOk);
}

void TFormExConnectTrouble::m_pBTryAgainClick()
{
    CloseWith(mrRetry);
}

void TFormExConnectTrouble::m_pBTroubleShootClick()
{
    CloseWith(mrNo);
}

void TFormExConnectTrouble::m_pBCancelClick()
{
    CloseWith(mrCancel);
}
