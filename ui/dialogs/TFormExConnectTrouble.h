#pragma once
// Tells that a dial-up attempt failed, with the platform's error text and
// code, and offers four ways on: Settings (1), Try again (4), Troubleshoot (7)
// and Cancel (2, also the exit image).
#include "ui/common/TFormEx.h"

class QLabel;
class TLanguage;
class TSkinButton;

class TFormExConnectTrouble : public TFormEx {
    Q_OBJECT
public:
    TFormExConnectTrouble(QWidget* owner, int errorCode, const AnsiString& errorText, TLanguage* language);
    ~TFormExConnectTrouble() override;

    // Text 243 for an empty error text; otherwise the text (cut before a
    // "For further" hint and trimmed), a blank, text 360, a blank and the code.
    static AnsiString ComposeMessage(int errorCode, const AnsiString& errorText, const TLanguage* language);

    QLabel* Image1 = nullptr;
    TSkinButton* m_pBSettings = nullptr;
    TSkinButton* m_pBTryAgain = nullptr;
    TSkinButton* m_pBTroubleShoot = nullptr;
    TSkinButton* m_pBCancel = nullptr;
    QLabel* m_pLText = nullptr;

public slots:
    void m_pBSettingsClick();
    void m_pBTryAgainClick();
    void m_pBTroubleShootClick();
    void m_pBCancelClick();

protected:
    void resizeEvent(QResizeEvent* event) override;
};
