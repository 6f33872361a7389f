#pragma once
// The PIN and PUK dialog: asks for the SIM PIN (mode 2), or for the PUK and a
// new PIN (mode 3). It only collects text; AskPin runs the whole question
// against the SIM through the caller's IPinActions, and Judge and ReplyText
// say what became of an entry for every caller that asks on its own.
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
    // A line below the edits, the window growing to hold it; "" takes it away.
    void SetWarning(const AnsiString& text);

    // A box of the given type with the dialog's own owner, shown modally.
    void ShowMessage(const AnsiString& text, char type);

    // What became of an entry of `mode`, from the SIM state read after it and
    // whether the port is still open (a modem that went silent has closed it).
    enum class EReply { Accepted, Wrong, NowBlocked, NotReady, NoAnswer };
    static EReply Judge(int mode, int state, bool portOpen);
    // The box that tells the user (empty for Accepted); a wrong entry adds the
    // tries the SIM has left, when the modem told them (-1: not told).
    static AnsiString ReplyText(const TLanguage* language, EReply reply, int mode, int triesLeft = -1);
    // What the question says before the SIM's last tries for the code of
    // `mode` (fewer than three left); "" otherwise, also when not told (-1).
    static AnsiString TriesWarning(const TLanguage* language, int mode, int triesLeft);
    // The box after a cancelled question: what was not entered, and where to
    // enter it later.
    static AnsiString NotEnteredText(const TLanguage* language, int mode);

    // Asks until the SIM accepts what was typed (1), or the user cancels or the
    // port is closed (-1), or the question ends on a reply told to the user (0:
    // the modem gave no answer, or the SIM is not ready). A wrong entry is told
    // and asked again, in the mode the SIM now wants; a cancel is told too.
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
    QLabel* m_pLWarning = nullptr;
    TSkinButton* m_pBOk = nullptr;
    TSkinButton* m_pBCancel = nullptr;

public slots:
    void OnOK();
    void OnCancel();

protected:
    void FormShow() override;
    // True when the dialog may close.
    bool FormCloseQuery();
    // The edit that comes first in the mode: the PUK in mode 3, else the PIN.
    QLineEdit* FirstEdit() const;

private:
    TLanguage* m_pLanguage;
    int m_iMode = 0;
    AnsiString m_sPukMessage;
    AnsiString m_sPinMessage;
};
