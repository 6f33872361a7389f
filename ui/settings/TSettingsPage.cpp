#include "ui/settings/TSettingsPage.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QRadioButton>

#include "communicator/TModemComm.h"
#include "ui/common/TFormEx.h"
#include "ui/common/TLanguage.h"
#include "ui/common/TSkinButton.h"
#include "ui/common/UiStyle.h"
#include "ui/settings/TFormExSettings.h"
#include "ui/settings/TMainActions.h"

TSettingsPage::TSettingsPage(QWidget* owner, TLanguage* language, TModemComm* modemComm, TMainActions* main)
    : TExFrame(owner), m_pLanguage(language), m_pModemComm(modemComm),
      m_pMain(main != nullptr ? main : MainFrameActions())
{
    setFont(TahomaPx(11));
    SetBackColour(this, BgrColor(0xFAF8FE));
}

TSettingsPage::~TSettingsPage() = default;

AnsiString TSettingsPage::Text(int id) const
{
    return m_pLanguage != nullptr ? m_pLanguage->GetText(id) : AnsiString();
}

QString TSettingsPage::QText(int id) const
{
    return ToQ(Text(id));
}

void TSettingsPage::SetHostTitle(int textId)
{
    if (TFormEx* host = HostForm())
        host->SetTitle(Text(textId));
}

TFormExSettings* TSettingsPage::SettingsHost() const
{
    return qobject_cast<TFormExSettings*>(HostForm());
}

void TSettingsPage::ShowHostWait(const AnsiString& text)
{
    if (TFormExSettings* host = SettingsHost())
        host->ShowWaitPanel(text);
}

void TSettingsPage::HideHostWait()
{
    if (TFormExSettings* host = SettingsHost())
        host->HideWaitPanel();
}

QWidget* TSettingsPage::BoxOwner()
{
    if (TFormEx* host = HostForm())
        return host;
    return window();
}

bool TSettingsPage::IsReady()
{
    return m_pMain->IsPinOk() && !(m_pModemComm != nullptr && m_pModemComm->IsRasConnected());
}

QLabel* TSettingsPage::MakeBackground(const QPixmap& picture)
{
    auto* image = new QLabel(this);
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image->setPixmap(picture);
    image->setGeometry(0, 0, qMax(width(), picture.width()), qMax(height(), picture.height()));
    image->lower();
    return image;
}

QFrame* TSettingsPage::MakeBevel(int x, int y, int w, int h)
{
    auto* bevel = new QFrame(this);
    bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bevel->setGeometry(x, y, w, h);
    return bevel;
}

QLabel* TSettingsPage::MakeLabel(int x, int y, int w, int h)
{
    return ::MakeLabel(this, QRect(x, y, w, h), TahomaPx(11));
}

QCheckBox* TSettingsPage::MakeCheckBox(int x, int y, int w, int h)
{
    auto* box = new QCheckBox(this);
    box->setGeometry(x, y, w, h);
    box->setFont(TahomaPx(11));
    SetTextColour(box, BgrColor(0x000000));
    return box;
}

QRadioButton* TSettingsPage::MakeRadio(QWidget* parent, int x, int y, int w, int h)
{
    auto* radio = new QRadioButton(parent);
    radio->setGeometry(x, y, w, h);
    radio->setFont(TahomaPx(11));
    SetTextColour(radio, BgrColor(0x000000));
    return radio;
}

TSkinButton* TSettingsPage::MakeButton(QWidget* parent, int x, int y, int w, int h)
{
    auto* button = new TSkinButton(parent);
    button->setGeometry(x, y, w, h);
    button->setFont(TahomaPx(11));
    return button;
}

void TSettingsPage::SetBaseColour(QWidget* w, unsigned bgr)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Base, BgrColor(bgr));
    pal.setColor(QPalette::Button, BgrColor(bgr));
    w->setPalette(pal);
}
