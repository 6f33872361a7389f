#pragma once
// The PIN and PUK dialog: asks for the SIM PIN (mode 2), or for the PUK and a
// new PIN (mode 3). It only collects text; AskPin runs the whole question
// against the SIM through the caller's IPinActions.
#include "ui/common/TFormEx.h"

class IPinActions;
class QLabel;
class QLineEdit;
class TLanguage;
class TSkinButton;

class TPinQueryExForm : public TFormEx {
    Q_OBJECT
public:
    TPinQueryExForm(QWidget* owner, TLanguage* language);
    ~TPinQueryExForm() override;

    void SetMode(int mode);
    int GetMode() const { return m_iMode; }
    AnsiString GetPin() const;
    AnsiString GetPuk() const;

    // A box of the given type with the dialog's own owner, shown modally.
    void ShowMessage(const AnsiString& text, char type);

    // Asks until the SIM accepts what was typed (1), or the user cancels or the
    // port is closed (-1). A wrong entry is told (text 131 for the PIN, 132 for
    // the PUK) and asked again, in the mode the SIM now wants.
    int AskPin(IPinActions& actions, int mode);

    // Captions and messages from the language table (also at every showing).
    void ApplyLanguage() override;

    // Runs FormCloseQuery before a close with result 1.
    void done(int result) override;

    static constexpr int kMaxLength = 8;

    QLabel* Image1 = nullptr;
    QLineEdit* m_pEPin = nullptr;
    QLineEdit* m_pEPuk = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* m_pLPin = nullptr;
    QLabel* m_pLPuk = nullptr;
    TSkinButton* m_pBOk = nullptr;
    TSkinButton* m_pBCancel = nullptr;

public slots:
    void OnOK();
    void OnCancel();

protected:
    void FormShow() override;
    // Enter confirms, as in the program's other dialogs.
    void keyPressEvent(QKeyEvent* event) override;
    // True when the dialog may close.
    bool FormCloseQuery();

private:
    TLanguage* m_pLanguage;
    int m_iMode = 0;
    AnsiString m_sPukMessage;
    AnsiString m_sPinMessage;
};
