#pragma once
// The Security page: whether the SIM asks for its PIN at power-on, and the
// switch of that request, which needs the current PIN (asked with the PIN
// dialog). Usable only with the SIM unlocked and no dial-up link up.
#include "ui/settings/TSettingsPage.h"

class QFrame;
class QLabel;
class QRadioButton;
class TLockCover;
class TSkinButton;

class TExFrmSecurity : public TSettingsPage {
    Q_OBJECT
public:
    TExFrmSecurity(QWidget* owner, TLanguage* language, TModemComm* modemComm, const QPixmap& background,
                   TMainActions* main = nullptr);
    ~TExFrmSecurity() override;

    void ShowPage() override;
    void SaveSettings() override;
    void LoadSettings() override;
    void ApplyLanguage() override;
    void UpdateModemState() override;
    void Lock() override;
    void Unlock() override;

    QLabel* Image1 = nullptr;
    QFrame* Bevel2 = nullptr;
    QLabel* m_pLSecurity = nullptr;
    QRadioButton* m_pRBDisabled = nullptr;
    QRadioButton* m_pRBEnable = nullptr;
    TSkinButton* m_pBUpdate = nullptr;
    TLockCover* BvlSpacer = nullptr;

public slots:
    void OnUpdate();

private:
    bool Enabled();
    // The SIM's lock state into the communicator's flag; a read that fails
    // keeps `known` instead of turning it into "off".
    void ReadSimLock(uint8_t known);
};

extern TExFrmSecurity* ExFrmSecurity;
