#include "SampleDialog.h"

#include "ui/common/ModalResult.h"
#include "ui/common/TSkin.h"
#include "ui/common/UiStyle.h"

TSamplePage::TSamplePage(QWidget* owner, TLanguage* language) : TExFrame(owner), m_pLanguage(language)
{
    m_pIBackground = new QLabel(this);
    m_pIBackground->setScaledContents(true);
    m_pLLanguage = new QLabel(this);
    m_pLLanguage->setGeometry(21, 14, 200, 21);
    m_pLLanguage->setFont(TahomaPx(11));
    m_pCBLanguage = new QComboBox(this);
    m_pCBLanguage->setGeometry(27, 38, 214, 21);
    m_pCBLanguage->setFont(TahomaPx(11));
    m_pBChange = new TSkinButton(this);
    m_pBChange->setGeometry(251, 39, 134, 20);
    m_pBChange->setFont(TahomaPx(11));
    QObject::connect(m_pBChange, &QAbstractButton::clicked, m_pBChange, [this] { ChangeLang(); });
    for (const AnsiString& name : m_pLanguage->GetLanguages())
        m_pCBLanguage->addItem(ToQ(name));
    m_pCBLanguage->setCurrentIndex(m_pLanguage->GetActiveLanguage());
    SetBackground(TSkin::Picture(Skin::kPageBack, QSize(407, 280), BgrColor(0xFAF8FE)));
}

void TSamplePage::SetBackground(const QPixmap& picture)
{
    m_pIBackground->setPixmap(picture);
    m_pIBackground->lower();
}

void TSamplePage::ShowPage()
{
    if (TFormEx* host = HostForm())
        host->SetTitle(m_pLanguage->GetText(239));
    TExFrame::ShowPage();
}

void TSamplePage::ApplyLanguage()
{
    if (TFormEx* host = HostForm())
        host->SetTitle(m_pLanguage->GetText(239));
    m_pLLanguage->setText(ToQ(m_pLanguage->GetText(240)));
    m_pBChange->setText(ToQ(m_pLanguage->GetText(241)));
}

void TSamplePage::ChangeLang()
{
    if (m_pCBLanguage->currentIndex() < 0)
        return;
    m_pLanguage->SetActiveLanguage(m_pCBLanguage->currentIndex());
    if (TFormEx* host = HostForm())
        host->ApplyLanguage();
}

TSampleDialog::TSampleDialog(QWidget* owner, TLanguage* language) : TFormEx(owner), m_pLanguage(language)
{
    SetTitleStyle(true);
    resize(width(), 200);
    m_pPage = new TSamplePage(this, language);
    m_pBOk = new TSkinButton(this);
    m_pBCancel = new TSkinButton(this);
    QObject::connect(m_pBOk, &QAbstractButton::clicked, this, [this] { CloseWith(mrOk); });
    QObject::connect(m_pBCancel, &QAbstractButton::clicked, this, [this] { CloseWith(mrCancel); });
    Arrange();
    ApplyLanguage();
    m_pPage->ShowPage();
}

void TSampleDialog::resizeEvent(QResizeEvent* event)
{
    TFormEx::resizeEvent(event);
    Arrange();
}

void TSampleDialog::Arrange()
{
    if (m_pPage == nullptr)
        return;
    m_pPage->setGeometry(0, kTitleHeight, width(), height() - kTitleHeight);
    m_pPage->m_pIBackground->setGeometry(m_pPage->rect());
    m_pBCancel->setGeometry(width() - 14 - 78, height() - 14 - 20, 78, 20);
    m_pBOk->setGeometry(width() - 14 - 78 - 6 - 78, height() - 14 - 20, 78, 20);
    m_pBOk->raise();
    m_pBCancel->raise();
}

void TSampleDialog::SetTitle(const AnsiString& text)
{
    TFormEx::SetTitle(m_pLanguage->GetText(175) + " - " + text);
}

void TSampleDialog::ApplyLanguage()
{
    m_pBOk->setText(QStringLiteral("&") + ToQ(m_pLanguage->GetText(102)));
    m_pBCancel->setText(QStringLiteral("&") + ToQ(m_pLanguage->GetText(105)));
    m_pPage->ApplyLanguage();
}

void TSampleDialog::Lock()
{
    m_pBOk->Lock();
    m_pBCancel->Lock();
    m_pPage->Lock();
}

void TSampleDialog::Unlock()
{
    m_pBOk->Unlock();
    m_pBCancel->Unlock();
    m_pPage->Unlock();
}
