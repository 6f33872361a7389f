#pragma once
// One stored message shown large: its number and whole text, both read-only,
// with Reply (modal result 4) and Close (1); the title's exit image gives 2.
// It opens horizontally centred on its owner, 20 pixels below the owner's top.
#include "ui/common/TFormEx.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class TLanguage;
class TSkinButton;

class TFormExSMSZoom : public TFormEx {
    Q_OBJECT
public:
    TFormExSMSZoom(QWidget* owner, TLanguage* language);
    ~TFormExSMSZoom() override;

    void SetNumber(const AnsiString& number);
    void SetText(const WideString& text);

    QLineEdit* NumberEdit() const { return m_pEPhone; }
    QPlainTextEdit* TextMemo() const { return m_pMMsgText; }
    TSkinButton* ReplyButton() const { return m_pBReplay; }
    TSkinButton* CloseButton() const { return m_pBClose; }

public slots:
    void OnCloseClick();
    void OnReplayClick();

protected:
    void FormShow() override;

private:
    void Place();

    QLabel* Image2 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* m_pLPhone = nullptr;
    QLineEdit* m_pEPhone = nullptr;
    QLabel* m_pLSMS = nullptr;
    QPlainTextEdit* m_pMMsgText = nullptr;
    TSkinButton* m_pBReplay = nullptr;
    TSkinButton* m_pBClose = nullptr;
    TLanguage* m_pLanguage = nullptr;
};
