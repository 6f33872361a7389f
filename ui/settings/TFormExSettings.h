#pragma once
// The settings dialog: a column of five page buttons on the left and, beside
// it, one of the five pages (modem, connection, security, SMS centre,
// application). It gives the pages its wait panel and its title, switches
// between them, locks its buttons while work runs, and passes the main
// window's statistics and modem-state messages on to them. It has no exit
// image and is not dragged: it lives docked under the main window.
#include "ui/common/TFormEx.h"
#include "ui/common/TWaitPanel.h"
#include "ui/common/WindowMessages.h"

class QLabel;
class TExFrame;
class TLanguage;
class TLockCover;
class TMainActions;
class TModemComm;
class TSkinButton;

class TFormExSettings : public TFormEx, public TMessageWindow {
    Q_OBJECT
public:
    // `main` null: the program's main window.
    TFormExSettings(QWidget* owner, TLanguage* language, TModemComm* modemComm, TMainActions* main = nullptr);
    ~TFormExSettings() override;

    static constexpr int kPageCount = 5;
    enum Page { kModemPage, kConnectionPage, kSecurityPage, kSmsPage, kApplicationPage };

    void ApplyLanguage() override;
    // Text 175, " - ", then the text.
    void SetTitle(const AnsiString& text) override;
    void Lock() override;
    void Unlock() override;

    void ShowPage(int index);
    void ShowWaitPanel(const AnsiString& text);
    void HideWaitPanel();

    void Dispatch(TMessage& message) override;
    // Asks whether to save the Connection page's typing, if any: when the
    // user closes the window (and when the user closes the program).
    void SettleUnsaved();
    // Hidden by the program itself (a search, the PIN question, a dial the
    // user did not ask for): nothing is asked, and the typing stays on the
    // Connection page as it was, for when the user opens the window again.
    void HideKeepingTyping();

    int CurrentPage() const { return m_iCurrentPage; }
    TExFrame* PageAt(int index) const { return index >= 0 && index < kPageCount ? m_pPages[index] : nullptr; }
    TSkinButton* PageButton(int index) const
    {
        return index >= 0 && index < kPageCount ? m_pPageButtons[index] : nullptr;
    }
    // The cover of a locked page button (none before its first lock).
    TLockCover* PageBevel(int index) const;
    TWaitPanel* WaitPanel() const { return m_pPWaitPanel; }
    QLabel* WaitText() const { return m_pPWaitPanel->TextLabel(); }
    int WaitOffset() const { return m_pPWaitPanel->Offset(); }

    QLabel* LeftImage = nullptr;
    TSkinButton* m_pPNGMain = nullptr;
    TSkinButton* m_pPNGGPRS = nullptr;
    TSkinButton* m_pPNGSecurity = nullptr;
    TSkinButton* m_pPNGSMS = nullptr;
    TSkinButton* m_pPNGSettings = nullptr;
    QLabel* Image2 = nullptr;

protected:
    void FormShow() override;
    void hideEvent(QHideEvent* event) override;
    bool ActionRunning() const override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreatePages();
    void PlacePages();
    void OnUpdateStatistic(TMessage& message);
    void OnModemStateChanged(TMessage& message);
    void SetButtonCovered(int index, bool covered);

    TWaitPanel* m_pPWaitPanel = nullptr;

    TLanguage* m_pLanguage;
    TSkinButton* m_pPageButtons[kPageCount] = {};
    TExFrame* m_pPages[kPageCount] = {};
    TModemComm* m_pModemComm;
    TMainActions* m_pMain;
    int m_iCurrentPage = 0;
    bool m_bKeepTyping = false;
};
