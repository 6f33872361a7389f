#include "ui/sms/TFormExSMS.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>

#include "communicator/TModemComm.h"
#include "platform/MessagePump.h"
#include "ui/common/ModalResult.h"
#include "ui/common/TExFrame.h"
#include "ui/common/TSkin.h"
#include "ui/common/TSkinButton.h"
#include "ui/common/UiStyle.h"
#include "ui/dialogs/DialogText.h"
#include "ui/sms/TFormExSMSZoom.h"
#include "ui/sms/TSMSCreateEx.h"
#include "ui/sms/TSMSReadEx.h"
#include "ui/sms/TSMSSentEx.h"
#include "ui/sms/TSMSUnreadEx.h"

namespace {
constexpr int kPageButtonTops[4] = {22, 50, 77, 105};
constexpr int kPageCaptions[4] = {139, 140, 141, 142};
}  // namespace

TFormExSMS::TFormExSMS(QWidget* owner, TLanguage* language, TModemComm* modemComm,
                       std::unique_ptr<TSmsMainWindow> main)
    : TFormEx(owner), m_pLanguage(language), m_pModemComm(modemComm), m_pMain(std::move(main))
{
    if (!m_pMain)
        m_pMain = TSmsMainWindow::Of(owner);
    SetTitleStyle(true);
    HideExitButtons();
    // Docked below the main window: it cannot be dragged by its title.
    m_pLTitle->removeEventFilter(this);
    m_pLpnlTitle->removeEventFilter(this);
    resize(502, 293);

    Image2 = new QLabel(this);
    Image2->setScaledContents(true);
    Image2->setPixmap(TSkin::Picture(Skin::kSettingsLeft, QSize(kStripWidth, 293), BgrColor(Skin::kWindowColour)));
    Image2->setGeometry(0, 0, kStripWidth, height());

    TSkinButton** buttons[4] = {&m_pPNGCreate, &m_pPNGUnread, &m_pPNGRead, &m_pPNGSent};
    for (int i = 0; i < 4; ++i) {
        auto* b = new TSkinButton(this);
        b->setGeometry(10, kPageButtonTops[i], 92, 20);
        b->setFont(TahomaPx(11));
        connect(b, &QAbstractButton::clicked, this, [this, b, i] { RunLocked(b, [this, i] { ShowPage(i); }); });
        *buttons[i] = b;
        m_pPageButtons[i] = b;
    }

    Image3 = TSkin::Picture(Skin::kPageBack, QSize(407, 280), BgrColor(0xFAF8FE));

    m_pPWaitPanel = new TWaitPanel(this, 195, 140, BgrColor(0x181A1F));

    CreatePages();
    {
        // Loaded, shown and reported in one hold of the store.
        TSmsStoreAccess access(m_pMain.get());
        if (m_pModemComm != nullptr && m_pModemComm->LoadSmsFile() > 0)
            m_pModemComm->SortSms();
        RefreshList(1);
        RefreshList(2);
        RefreshList(3);
        SendUnreadState();
    }
    ApplyLanguage();
}

TFormExSMS::~TFormExSMS()
{
    // The pages go before the main-window link they use.
    for (TExFrame*& page : m_pPages) {
        delete page;
        page = nullptr;
    }
}

void TFormExSMS::CreatePages()
{
    m_pPages[0] = new TSMSCreateEx(this, m_pLanguage, m_pModemComm, Image3);
    m_pPages[1] = new TSMSUnreadEx(this, m_pLanguage, m_pModemComm, Image3);
    m_pPages[2] = new TSMSReadEx(this, m_pLanguage, m_pModemComm, Image3);
    m_pPages[3] = new TSMSSentEx(this, m_pLanguage, m_pModemComm, Image3);
    PlacePages();
    for (int i = 1; i < 4; ++i)
        m_pPages[i]->hide();
    m_pPages[0]->TExFrame::ShowPage();
    m_pPages[0]->lower();
    m_iCurrentPage = 0;
}

void TFormExSMS::PlacePages()
{
    for (TExFrame* page : m_pPages)
        if (page != nullptr)
            page->setGeometry(kStripWidth, kTitleHeight, qMax(0, width() - kStripWidth),
                              qMax(0, height() - kTitleHeight));
}

void TFormExSMS::resizeEvent(QResizeEvent* event)
{
    TFormEx::resizeEvent(event);
    if (Image2 != nullptr)
        Image2->setGeometry(0, 0, kStripWidth, height());
    PlacePages();
}

TFormExSMS* TFormExSMS::HostOf(const TExFrame* page)
{
    return page != nullptr ? qobject_cast<TFormExSMS*>(page->HostForm()) : nullptr;
}

TSmsMainWindow* TFormExSMS::MainWindowOf(const TExFrame* page)
{
    TFormExSMS* host = HostOf(page);
    return host != nullptr ? host->MainWindow() : nullptr;
}

TLockCover* TFormExSMS::PageBevel(int i) const
{
    return i >= 0 && i < 4 ? m_pPageButtons[i]->Cover() : nullptr;
}

TSMSCreateEx* TFormExSMS::ComposePage() const
{
    return static_cast<TSMSCreateEx*>(m_pPages[0]);
}

TSMSListEx* TFormExSMS::ListPage(int list) const
{
    return list >= 1 && list <= 3 ? static_cast<TSMSListEx*>(m_pPages[list]) : nullptr;
}

void TFormExSMS::SendUnreadState()
{
    bool unread = false;
    if (m_pModemComm != nullptr) {
        TSmsStoreAccess access(m_pMain.get());
        unread = m_pModemComm->HasUnread();
    }
    SendMessage(m_pMain->MessageWindow(), WM_SMS_UNREAD_STATE, 0, unread ? 1 : 0);
}

// ---- Pages ----

void TFormExSMS::RefreshList(int list)
{
    if (TSMSListEx* page = ListPage(list))
        page->SetSMSMessageData();
}

void TFormExSMS::ShowPage(int index)
{
    if (index < 0 || index > 3)
        index = 0;
    // Not isVisible: while the window itself is hidden no page is visible,
    // yet each keeps its own shown or hidden state.
    for (TExFrame* page : m_pPages)
        if (!page->isHidden())
            page->HidePage();
    m_pPages[index]->lower();
    m_pPages[index]->ShowPage();
    m_iCurrentPage = index;
}

void TFormExSMS::FormShow()
{
    OnShow();
}

bool TFormExSMS::ActionRunning() const
{
    return TFormEx::ActionRunning() || (m_pMain != nullptr && m_pMain->IsActionRunning());
}

void TFormExSMS::OnShow()
{
    // Told once, after the window is up rather than inside its show.
    QTimer::singleShot(0, this, [this] {
        AnsiString file;
        FileNotice notice = FileNotice::None;
        while (m_pModemComm != nullptr && (notice = m_pModemComm->TakeFileNotice(file)) != FileNotice::None)
            m_pMain->ShowMsgBox(this, LangText(m_pLanguage, FileNoticeText(file, notice)), 0);
    });
    {
        TSmsStoreAccess access(m_pMain.get());
        if (m_pModemComm != nullptr && m_pModemComm->HasUnread())
            m_iCurrentPage = 1;
        ShowPage(m_iCurrentPage);
    }
    for (TExFrame* page : m_pPages)
        page->UpdateModemState();
    // The page is what the user came for, not the page buttons.
    FocusInto(m_pPages[m_iCurrentPage]);
}

void TFormExSMS::SetTitle(const AnsiString& text)
{
    TFormEx::SetTitle(LangText(m_pLanguage, 137) + " - " + text);
}

void TFormExSMS::ApplyLanguage()
{
    for (int i = 0; i < 4; ++i)
        m_pPageButtons[i]->setText(LangQ(m_pLanguage, kPageCaptions[i]));
    for (TExFrame* page : m_pPages)
        page->ApplyLanguage();
    m_pPages[m_iCurrentPage]->ApplyLanguage();
}

void TFormExSMS::Lock()
{
    ProcessMessages();
    for (int i = 0; i < 4; ++i) {
        m_pPageButtons[i]->Lock();
        m_pPages[i]->Lock();
    }
}

void TFormExSMS::Unlock()
{
    for (int i = 0; i < 4; ++i) {
        m_pPageButtons[i]->Unlock();
        m_pPages[i]->Unlock();
    }
}

// ---- Wait panel ----

void TFormExSMS::ShowWaitPanel(const AnsiString& text)
{
    m_pPWaitPanel->ShowText(text);
}

void TFormExSMS::HideWaitPanel()
{
    m_pPWaitPanel->HidePanel();
}

// ---- Messages ----

void TFormExSMS::Dispatch(TMessage& message)
{
    switch (message.Msg) {
    case WM_SMS_STORE_CHANGED:
        OnSmsStoreChanged(message);
        break;
    case WM_MODEM_STATE_CHANGED:
        OnModemStateChanged(message);
        break;
    default:
        break;
    }
}

void TFormExSMS::OnSmsStoreChanged(TMessage&)
{
    // The sender holds the modem: the worker waiting for this handler, or a
    // list page in the middle of its change.
    m_pMain->BorrowModem();
    SendUnreadState();
    RefreshList(1);
    RefreshList(2);
    RefreshList(3);
    m_pMain->ReturnModem();
}

void TFormExSMS::OnModemStateChanged(TMessage&)
{
    for (TExFrame* page : m_pPages)
        page->UpdateModemState();
}

// ---- Zoom ----

void TFormExSMS::OpenZoom(const AnsiString& number, const WideString& text, bool fromName)
{
    int result = mrNone;
    {
        TFormExSMSZoom zoom(this, m_pLanguage);
        zoom.SetNumber(number);
        zoom.SetText(text);
        result = zoom.exec();
    }
    if (result == mrRetry && fromName) {
        // A name takes no answers: said at once, before the draft is touched.
        m_pMain->ShowMsgBox(this, LangText(m_pLanguage, 530) + " " + number, 0);
        return;
    }
    if (result == mrRetry) {
        // Shown also when the user keeps a draft instead: it is what they chose.
        ComposePage()->Reply(number);
        ShowPage(0);
        // The answer is typed next, not in the hidden list.
        ComposePage()->TextMemo()->setFocus(Qt::OtherFocusReason);
    }
}
