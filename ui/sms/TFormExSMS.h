#pragma once
// The SMS window: docked below the main window, shown and hidden by its SMS
// button. A strip of four page buttons on the left chooses the page: compose,
// unread, read and sent messages. At construction it loads the message store
// from Messages.bin and tells the main window whether unread messages exist;
// it serves its pages with a wait panel, list refreshes, page switching and
// the zoomed message, and answers WM_SMS_STORE_CHANGED and
// WM_MODEM_STATE_CHANGED.
#include <QPixmap>
#include <memory>

#include "ui/common/TFormEx.h"
#include "ui/common/TWaitPanel.h"
#include "ui/common/WindowMessages.h"
#include "ui/sms/TSmsMainWindow.h"

class QLabel;
class TExFrame;
class TLanguage;
class TLockCover;
class TModemComm;
class TSkinButton;
class TSMSCreateEx;
class TSMSListEx;

class TFormExSMS : public TFormEx, public TMessageWindow {
    Q_OBJECT
public:
    // `main` stands for the main window; null: the program's main window
    // (the owner, when it is one).
    TFormExSMS(QWidget* owner, TLanguage* language, TModemComm* modemComm,
               std::unique_ptr<TSmsMainWindow> main = nullptr);
    ~TFormExSMS() override;

    // 1 unread, 2 read, 3 sent list; other values do nothing.
    void RefreshList(int list);
    // `fromName`: the sender is a name, which a reply cannot reach.
    void OpenZoom(const AnsiString& number, const WideString& text, bool fromName = false);
    void ShowPage(int index);
    void ShowWaitPanel(const AnsiString& text);
    void HideWaitPanel();

    void SetTitle(const AnsiString& text) override;
    void Lock() override;
    void Unlock() override;
    void ApplyLanguage() override;
    void Dispatch(TMessage& message) override;

    void OnSmsStoreChanged(TMessage& message);
    void OnModemStateChanged(TMessage& message);

    TSmsMainWindow* MainWindow() const { return m_pMain.get(); }
    // The SMS window hosting `page` and its main window; null when none.
    static TFormExSMS* HostOf(const TExFrame* page);
    static TSmsMainWindow* MainWindowOf(const TExFrame* page);
    TModemComm* ModemComm() const { return m_pModemComm; }
    TLanguage* Language() const { return m_pLanguage; }

    // For the pages and tests.
    TExFrame* Page(int i) const { return i >= 0 && i < 4 ? m_pPages[i] : nullptr; }
    TSMSCreateEx* ComposePage() const;
    TSMSListEx* ListPage(int list) const;
    TSkinButton* PageButton(int i) const { return i >= 0 && i < 4 ? m_pPageButtons[i] : nullptr; }
    // The cover of a locked page button (none before its first lock).
    TLockCover* PageBevel(int i) const;
    int CurrentPage() const { return m_iCurrentPage; }
    TWaitPanel* WaitPanel() const { return m_pPWaitPanel; }
    QLabel* WaitText() const { return m_pPWaitPanel->TextLabel(); }
    int WaitOffset() const { return m_pPWaitPanel->Offset(); }

    static constexpr int kStripWidth = 112;

protected:
    void FormShow() override;
    bool ActionRunning() const override;
    void OnShow();
    void resizeEvent(QResizeEvent* event) override;

    QLabel* Image2 = nullptr;
    TSkinButton* m_pPNGCreate = nullptr;
    TSkinButton* m_pPNGUnread = nullptr;
    TSkinButton* m_pPNGRead = nullptr;
    TSkinButton* m_pPNGSent = nullptr;
    QPixmap Image3;
    TWaitPanel* m_pPWaitPanel = nullptr;

private:
    void CreatePages();
    void PlacePages();
    void SendUnreadState();

    TExFrame* m_pPages[4] = {nullptr, nullptr, nullptr, nullptr};
    TSkinButton* m_pPageButtons[4] = {nullptr, nullptr, nullptr, nullptr};
    TLanguage* m_pLanguage = nullptr;
    TModemComm* m_pModemComm = nullptr;
    int m_iCurrentPage = 0;
    std::unique_ptr<TSmsMainWindow> m_pMain;
};
