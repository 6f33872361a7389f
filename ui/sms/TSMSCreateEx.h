#pragma once
// The compose page: recipient numbers (separated by ";"), the choice between
// the GSM 7-bit alphabet and UCS-2, and the message text, counted as the
// encoder counts it; a key that would pass the limit of one message has no
// effect but a hint that says why. Send goes to every recipient in turn and keeps a sent copy of each
// message that went out. Usable only while the modem is registered to a
// network and no dial-up link is up.
#include <QPixmap>
#include <memory>
#include "platform/Types.h"
#include "ui/common/TExFrame.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class TConfigFile;
class TFormExSMS;
class TLanguage;
class TLockCover;
class TModemComm;
class TSkinButton;
class TSmsMainWindow;

class TSMSCreateEx : public TExFrame {
    Q_OBJECT
public:
    TSMSCreateEx(QWidget* owner, TLanguage* language, TModemComm* modemComm, const QPixmap& background);
    ~TSMSCreateEx() override;

    void SetNumber(const AnsiString& number);
    void SetText(const WideString& text);
    // The page made ready for a reply to `number`; a draft not sent yet is
    // replaced only when the user agrees. False: the draft stays.
    bool Reply(const AnsiString& number);

    void ShowPage() override;
    // The recipients, or the text once they are filled.
    QWidget* FirstEntry() override;
    void ApplyLanguage() override;
    void UpdateModemState() override;
    void Lock() override;
    void Unlock() override;

    bool ValidateSend(const AnsiString& numbers, const WideString& text);
    // A 7-bit text with characters the alphabet cannot carry: asks whether to
    // send it in Unicode (text and ucs2 then change), with "?", or not at all.
    bool ConfirmAlphabet(WideString& text, bool& ucs2);
    void RemoveHint();

    // For tests.
    QLineEdit* NumberEdit() const { return m_pEPhoneNum; }
    QCheckBox* ExtLangBox() const { return m_pCBxExLang; }
    QLabel* Counter() const { return m_pLCounter; }
    QPlainTextEdit* TextMemo() const { return m_pMText; }
    TSkinButton* SendButton() const { return m_pBSend; }
    TSkinButton* ClearButton() const { return m_pBClear; }
    TLockCover* ButtonCover() const { return BvlSpacer; }
    QLabel* HintWindow() const { return m_pHintWindow; }
    QLabel* LinkNote() const { return m_pLLinkNote; }
    int MaxChars() const { return m_iMaxChars; }
    int CharCount() const { return m_iCharCount; }

public slots:
    void OnMessageChange();
    void OnMessageKeyDown();
    void OnMessageKeyPress(char16_t key);
    void OnSendSMSPDU();
    void OnMessageClear();
    void OnChangeExtLang();
    void OnNumbersCheck();
    void OnClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    TFormExSMS* Host() const;
    TSmsMainWindow* Main() const;
    WideString MemoText() const;
    void SetMemoText(const WideString& text, int caret);
    void ShowCounter();
    // The hint over the caret, with text 264 (not in the 7-bit alphabet) or another.
    void ShowHint(int textId = 264);
    // Whether the hint tells of a change that passed the limit.
    bool ShowsLimitHint() const;
    static constexpr int kPasteCutHint = 478;
    static constexpr int kMessageFullHint = 503;
    // The text after a change that passed the limit: what the change put in
    // goes in as far as it fits; the caret stands behind it.
    WideString FitChange(const WideString& text, bool ucs2, int& caret);

    QLabel* Image1 = nullptr;
    QFrame* Bevel1 = nullptr;
    QLabel* m_pLPhoneNumber = nullptr;
    QLineEdit* m_pEPhoneNum = nullptr;
    QCheckBox* m_pCBxExLang = nullptr;
    QLabel* m_pLInsertText = nullptr;
    QLabel* m_pLCounter = nullptr;
    QLabel* m_pLLinkNote = nullptr;
    QPlainTextEdit* m_pMText = nullptr;
    TSkinButton* m_pBSend = nullptr;
    TSkinButton* m_pBClear = nullptr;
    TLockCover* BvlSpacer = nullptr;

    std::unique_ptr<TConfigFile> m_pIniFile;
    TLanguage* m_pLanguage = nullptr;
    TModemComm* m_pModemComm = nullptr;
    int m_iMaxChars = 160;
    int m_iCharCount = 0;
    WideString m_wsLastText;
    int m_iLastCharCount = 0;
    QLabel* m_pHintWindow = nullptr;
    int m_iHintText = 0;  // the text number the hint shows
    bool m_bSettingText = false;
    int m_iShortenQuestion = 158;
};
