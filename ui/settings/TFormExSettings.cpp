#include "ui/settings/TFormExSettings.h"

#include <QHideEvent>
#include <QLabel>

#include "communicator/TModemComm.h"
#include "platform/MessagePump.h"
#include "ui/common/TExImage.h"
#include "ui/common/TLanguage.h"
#include "ui/common/TSkin.h"
#include "ui/common/TSkinButton.h"
#include "ui/common/UiStyle.h"
#include "ui/settings/TExFrameGPRS.h"
#include "ui/settings/TExFrameModem.h"
#include "ui/settings/TExFrameSMS.h"
#include "ui/settings/TExFrameSettings.h"
#include "ui/settings/TExFrmSecurity.h"
#include "ui/settings/TMainActions.h"

namespace {
constexpr int kLeftWidth = 112;
constexpr int kWaitTop = 84;
}  // namespace

TFormExSettings::TFormExSettings(QWidget* owner, TLanguage* language, TModemComm* modemComm, TMainActions* main)
    : TFormEx(owner), m_pLanguage(language), m_pModemComm(modemComm),
      m_pMain(main != nullptr ? main : MainFrameActions())
{
    resize(502, 293);
    SetTitleStyle(true);
    HideExitButtons();
    // Docked under the main window: its title drags nothing.
    TitleLabel()->removeEventFilter(this);
    TitlePanelLabel()->removeEventFilter(this);

    LeftImage = new QLabel(this);
    LeftImage->setScaledContents(true);
    LeftImage->setPixmap(TSkin::Picture(Skin::kSettingsLeft, QSize(kLeftWidth, 293), BgrColor(Skin::kWindowColour)));

    TSkinButton** buttons[kPageCount] = {&m_pPNGMain, &m_pPNGGPRS, &m_pPNGSecurity, &m_pPNGSMS, &m_pPNGSettings};
    const int tops[kPageCount] = {21, 49, 77, 105, 133};
    for (int i = 0; i < kPageCount; ++i) {
        auto* b = new TSkinButton(this);
        b->setGeometry(10, tops[i], 92, i == 0 ? 21 : 20);
        b->setFont(TahomaPx(11));
        connect(b, &QAbstractButton::clicked, this, [this, b, i] { RunLocked(b, [this, i] { ShowPage(i); }); });
        *buttons[i] = b;
        m_pPageButtons[i] = b;
    }

    Image2 = new QLabel(this);
    Image2->setPixmap(TSkin::Picture(Skin::kPageBack, QSize(407, 280), BgrColor(0xFAF8FE)));
    Image2->resize(407, 280);
    Image2->hide();

    m_pPWaitPanel = new TWaitPanel(this, 328, kWaitTop, BgrColor(0x181A1F));

    CreatePages();
    PlacePages();
}

TFormExSettings::~TFormExSettings()
{
    // The pages' globals must not outlive them.
    if (ExFrameModem == m_pPages[kModemPage])
        ExFrameModem = nullptr;
    if (ExFrameGPRS == m_pPages[kConnectionPage])
        ExFrameGPRS = nullptr;
    if (ExFrmSecurity == m_pPages[kSecurityPage])
        ExFrmSecurity = nullptr;
    if (ExFrameSMS == m_pPages[kSmsPage])
        ExFrameSMS = nullptr;
    if (ExFrameSettings == m_pPages[kApplicationPage])
        ExFrameSettings = nullptr;
}

void TFormExSettings::CreatePages()
{
    const QPixmap back = Image2->pixmap();
    ExFrameModem = new TExFrameModem(this, m_pLanguage, m_pModemComm, back, false, m_pMain);
    ExFrameGPRS = new TExFrameGPRS(this, m_pLanguage, m_pModemComm, back, false, m_pMain);
    ExFrmSecurity = new TExFrmSecurity(this, m_pLanguage, m_pModemComm, back, m_pMain);
    ExFrameSMS = new TExFrameSMS(this, m_pLanguage, m_pModemComm, back, m_pMain);
    ExFrameSettings = new TExFrameSettings(this, m_pLanguage, back, m_pMain, m_pModemComm);
    m_pPages[kModemPage] = ExFrameModem;
    m_pPages[kConnectionPage] = ExFrameGPRS;
    m_pPages[kSecurityPage] = ExFrmSecurity;
    m_pPages[kSmsPage] = ExFrameSMS;
    m_pPages[kApplicationPage] = ExFrameSettings;
    for (TExFrame* page : m_pPages)
        page->hide();
    m_iCurrentPage = 0;
}

void TFormExSettings::PlacePages()
{
    // The pages fill what the button column and the title strip leave.
    const QRect area(kLeftWidth, kTitleHeight, qMax(0, width() - kLeftWidth), qMax(0, height() - kTitleHeight));
    for (TExFrame* page : m_pPages)
        if (page != nullptr)
            page->setGeometry(area);
    LeftImage->setGeometry(0, kTitleHeight, kLeftWidth, qMax(0, height() - kTitleHeight));
    LeftImage->lower();
}

void TFormExSettings::resizeEvent(QResizeEvent* event)
{
    TFormEx::resizeEvent(event);
    if (LeftImage != nullptr)
        PlacePages();
}

void TFormExSettings::SetTitle(const AnsiString& text)
{
    TFormEx::SetTitle(m_pLanguage->GetText(175) + " - " + text);
}

void TFormExSettings::ApplyLanguage()
{
    SetTitle(m_pLanguage->GetText(175));
    for (int i = 0; i < kPageCount; ++i)
        m_pPageButtons[i]->setText(ToQ(m_pLanguage->GetText(176 + i)));
    for (TExFrame* page : m_pPages)
        page->ApplyLanguage();
}

void TFormExSettings::FormShow()
{
    SetTitle(m_pLanguage->GetText(175));
    // The Security and SMS buttons are covered while the PIN is not ok: a page
    // shown then opens on the modem page rather than behind a covered button.
    int page = m_iCurrentPage;
    const bool pinOk = m_pMain->IsPinOk();
    const bool linkUp = m_pModemComm != nullptr && m_pModemComm->IsRasConnected();
    if (!pinOk && (linkUp || page == kSecurityPage || page == kSmsPage))
        page = kModemPage;
    ShowPage(page);
    // The modem page tests every device's port, which closes and reopens the
    // communicator's port: the worker must be off the modem meanwhile. (On
    // WM_MODEM_STATE_CHANGED the sender holds it already.)
    m_pMain->SuspendWorker();
    for (TExFrame* p : m_pPages)
        p->UpdateModemState();
    m_pMain->ResumeWorker();
    // The page is what the user came for, not the page buttons.
    FocusInto(m_pPages[m_iCurrentPage]);
}

void TFormExSettings::hideEvent(QHideEvent* event)
{
    TFormEx::hideEvent(event);
    // Typing on the Connection page lives until the user closes the window;
    // a hide by the window system (a minimised main window) closes nothing.
    if (!event->spontaneous() && !m_bKeepTyping)
        SettleUnsaved();
}

void TFormExSettings::HideKeepingTyping()
{
    m_bKeepTyping = true;
    hide();
    m_bKeepTyping = false;
}

void TFormExSettings::SettleUnsaved()
{
    static_cast<TExFrameGPRS*>(m_pPages[kConnectionPage])->SettleUnsaved(m_pMain->Window());
}

bool TFormExSettings::ActionRunning() const
{
    return TFormEx::ActionRunning() || (m_pMain != nullptr && m_pMain->IsActionRunning());
}

void TFormExSettings::ShowPage(int index)
{
    if (index < 0 || index >= kPageCount)
        index = 0;
    for (TExFrame* page : m_pPages)
        if (page->isVisible())
            page->HidePage();
    TExFrame* page = m_pPages[index];
    page->lower();
    LeftImage->lower();
    page->ShowPage();
    m_iCurrentPage = index;
}

TLockCover* TFormExSettings::PageBevel(int index) const
{
    return index >= 0 && index < kPageCount ? m_pPageButtons[index]->Cover() : nullptr;
}

void TFormExSettings::SetButtonCovered(int index, bool covered)
{
    if (covered)
        m_pPageButtons[index]->Lock();
    else
        m_pPageButtons[index]->Unlock();
}

void TFormExSettings::Lock()
{
    for (int i = 0; i < kPageCount; ++i) {
        SetButtonCovered(i, true);
        m_pPages[i]->Lock();
    }
}

void TFormExSettings::Unlock()
{
    const bool pinOk = m_pMain->IsPinOk();
    SetButtonCovered(kModemPage, false);
    SetButtonCovered(kConnectionPage, false);
    SetButtonCovered(kSecurityPage, !pinOk);
    SetButtonCovered(kSmsPage, !pinOk);
    SetButtonCovered(kApplicationPage, false);
    for (TExFrame* page : m_pPages)
        page->Unlock();
}

void TFormExSettings::ShowWaitPanel(const AnsiString& text)
{
    m_pPWaitPanel->ShowText(text);
}

void TFormExSettings::HideWaitPanel()
{
    m_pPWaitPanel->HidePanel();
}

void TFormExSettings::OnModemStateChanged(TMessage&)
{
    for (TExFrame* page : m_pPages)
        page->UpdateModemState();
}

void TFormExSettings::OnUpdateStatistic(TMessage&)
{
    ProcessMessages();
    SendMessage(m_pPages[kApplicationPage], WM_UPDATE_STATISTIC, 0, 0);
    ProcessMessages();
}

void TFormExSettings::Dispatch(TMessage& message)
{
    switch (message.Msg) {
    case WM_UPDATE_STATISTIC:
        OnUpdateStatistic(message);
        break;
    case WM_MODEM_STATE_CHANGED:
        OnModemStateChanged(message);
        break;
    default:
        break;
    }
}
