#pragma once
// The SMS centre page: the SIM's SMS service centre number, read from the
// modem when the page is shown and written back on request. Usable only with
// the SIM unlocked and no dial-up link up.
#include "ui/settings/TSettingsPage.h"

class QFrame;
class QLabel;
class QLineEdit;
class TLockCover;
class TSkinButton;

class TExFrameSMS : public TSettingsPage {
    Q_OBJECT
public:
    TExFrameSMS(QWidget* owner, TLanguage* language, TModemComm* modemComm, const QPixmap& background,
                TMainActions* main = nullptr);
    ~TExFrameSMS() override;

    void ShowPage() override;
    void SaveSettings() override;
    void LoadSettings() override;
    void ApplyLanguage() override;
    void UpdateModemState() override;
    void Lock() override;
    void Unlock() override;

    // The key filter of the number: digits, "+", brackets and backspace go
    // through; any other character becomes 0 and is dropped.
    static void NumberKeyPress(QChar& key);

    QLabel* Image1 = nullptr;
    QFrame* Bevel2 = nullptr;
    QLabel* m_pLCenterNumber = nullptr;
    QLineEdit* m_pECenterNumber = nullptr;
    TSkinButton* m_pBUpdate = nullptr;
    TLockCover* BvlSpacer = nullptr;

public slots:
    void OnUpdate();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Enabled();
};

extern TExFrameSMS* ExFrameSMS;
