#include "ui/dialogs/TFormExAbout.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>

#include "ui/common/ModalResult.h"
#include "ui/common/ProgramPaths.h"
#include "ui/common/TConfigFile.h"
#include "ui/common/TSkin.h"
#include "ui/common/TSkinButton.h"
#include "ui/common/UiStyle.h"
#include "ui/dialogs/DialogText.h"

#ifndef QVX_VERSION
#define QVX_VERSION ""
#endif

namespace {
// The texts hang from their top line.
constexpr Qt::Alignment kTopLeft = Qt::AlignLeft | Qt::AlignTop;

QFont LinkFont()
{
    QFont f = NamedFontPt("Tahoma", 7, true);
    f.setUnderline(true);
    return f;
}
}  // namespace

TFormExAbout::TFormExAbout(QWidget* owner, TLanguage* language, const AnsiString& configPath)
    : TFormEx(owner), m_pLanguage(language), m_configPath(configPath.empty() ? ConfigIniPath() : configPath)
{
    SetCentreOnOwner(true);
    resize(347, 244);
    SetBackColour(this, BgrColor(0x000000));

    Image3 = new QLabel(this);
    Image3->setGeometry(14, 21, 323, 50);
    Image3->setScaledContents(true);
    Image3->setPixmap(TSkin::Picture("about_top", QSize(323, 50), BgrColor(0xEFEFEF)));
    Image1 = new QLabel(this);
    Image1->setGeometry(rect());
    Image1->setScaledContents(true);
    Image1->setPixmap(TSkin::Picture(Skin::kAboutBack, QSize(347, 244), BgrColor(0xEFEFEF)));
    Image1->lower();
    MakeDragHandle(Image1);

    m_pBClose = new TSkinButton(this);
    m_pBClose->setGeometry(259, 215, 78, 20);
    connect(m_pBClose, &QAbstractButton::clicked, this, &TFormExAbout::OnClose);
    SetDefaultButton(m_pBClose);

    m_pLWeb = MakeLabel(this, QRect(14, 150, 155, 15), LinkFont(), kTopLeft);
    m_pLEmail = MakeLabel(this, QRect(210, 150, 127, 15), LinkFont(), kTopLeft);
    for (QLabel* link : {m_pLWeb, m_pLEmail}) {
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
    }
    m_pLVersion = MakeLabel(this, QRect(14, 217, 155, 15), NamedFontPt("Tahoma", 7), kTopLeft);
    m_pSTAddress = MakeLabel(this, QRect(14, 77, 323, 52), NamedFontPt("MS Sans Serif", 8, true), kTopLeft);
    m_pSTAddress->setWordWrap(true);
    m_pLSupport = MakeLabel(this, QRect(14, 134, 155, 15), NamedFontPt("Tahoma", 7, true), kTopLeft);
    m_pLIMEI = MakeLabel(this, QRect(14, 174, 323, 15), NamedFontPt("Tahoma", 7, true), kTopLeft);
    m_pLFirmware = MakeLabel(this, QRect(14, 190, 323, 27), NamedFontPt("Tahoma", 7, true), kTopLeft);
    m_pLFirmware->setWordWrap(true);

    SetTexts();
}

TFormExAbout::~TFormExAbout() = default;

AnsiString TFormExAbout::GetFileVersion() const
{
    return AnsiString(QVX_VERSION);
}

void TFormExAbout::SetTexts()
{
    SetTitle(LangText(m_pLanguage, 167));
    m_pLWeb->setText(LangQ(m_pLanguage, 169));
    m_pLEmail->setText(LangQ(m_pLanguage, 171));
    m_pSTAddress->setText(LangQ(m_pLanguage, 174));
    m_pLVersion->setText(ToQ(LangText(m_pLanguage, 173) + " " + GetFileVersion()));
    m_pBClose->setText(LangQ(m_pLanguage, 172));
    m_pLSupport->setText(LangQ(m_pLanguage, 386));
    const auto labelled = [this](int id, const AnsiString& value) {
        return ToQ(LangText(m_pLanguage, id) + (value.empty() ? "" : " " + value));
    };
    m_pLIMEI->setText(labelled(387, m_imei));
    m_pLFirmware->setText(labelled(388, m_firmware));
}

void TFormExAbout::ApplyLanguage()
{
    SetTexts();
}

void TFormExAbout::SetIMEI(const AnsiString& imei)
{
    m_imei = imei;
    SetTexts();
}

void TFormExAbout::SetFirmware(const AnsiString& firmware)
{
    m_firmware = firmware;
    SetTexts();
}

void TFormExAbout::FormShow()
{
    // The stored place is taken, then the placement at show centres the window
    // over its owner all the same.
    {
        TConfigFile config(m_configPath);
        move(config.GetAboutLeft(), config.GetAboutTop());
    }
    SetTexts();
}

void TFormExAbout::FormHide()
{
    TConfigFile config(m_configPath);
    config.SetAboutPosition(x(), y());
}

void TFormExAbout::OnClose()
{
    CloseWith(mrCancel);
}

void TFormExAbout::OnWebClick()
{
    // The text comes from Language.ini: only a web page is opened, never a
    // program, a file or another scheme's handler.
    const QString address = m_pLWeb->text().trimmed();
    if (address.isEmpty() || address.startsWith('/') || address.startsWith('.') || address.startsWith('~'))
        return;
    const QUrl url = QUrl::fromUserInput(address);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) || url.host().isEmpty())
        return;
    OpenUrl(url);
}

void TFormExAbout::OnMailClick()
{
    // The whole text is the address: encoded, nothing in it can add a body,
    // a copy or an attachment to the mail.
    const QString address = m_pLEmail->text().trimmed();
    const qsizetype at = address.indexOf('@');
    if (at <= 0 || at == address.size() - 1)
        return;
    const QByteArray encoded = QUrl::toPercentEncoding(address, "@");
    OpenUrl(QUrl::fromEncoded("mailto:" + encoded + "?subject=Quorvix", QUrl::StrictMode));
}

void TFormExAbout::OpenUrl(const QUrl& url)
{
    QDesktopServices::openUrl(url);
}

bool TFormExAbout::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_pLWeb || watched == m_pLEmail) && event->type() == QEvent::MouseButtonPress) {
        // Taken here, so the release comes back to the link.
        return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    }
    if ((watched == m_pLWeb || watched == m_pLEmail) && event->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton && static_cast<QWidget*>(watched)->rect().contains(me->position().toPoint())) {
            if (watched == m_pLWeb)
                OnWebClick();
            else
                OnMailClick();
            return true;
        }
    }
    return TFormEx::eventFilter(watched, event);
}
