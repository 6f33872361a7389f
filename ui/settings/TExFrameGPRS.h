#pragma once
// The Connection page: the dial-up profile (number, user name, password,
// access point name, authentication) kept in Config.ini. It does not dial.
// In helper mode it stands alone in the helper window, which a successful
// save closes. Locked while a dial-up link is up.
#include <array>
#include "ui/settings/TSettingsPage.h"

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class TLockCover;
class TSkinButton;

class TExFrameGPRS : public TSettingsPage {
    Q_OBJECT
public:
    TExFrameGPRS(QWidget* owner, TLanguage* language, TModemComm* modemComm, const QPixmap& background,
                 bool helperMode, TMainActions* main = nullptr);
    ~TExFrameGPRS() override;

    void ShowPage() override;
    void SaveSettings() override;
    void LoadSettings() override;
    void ApplyLanguage() override;
    void UpdateModemState() override;
    void Lock() override;
    void Unlock() override;

    // Typed and not saved: unsaved typing lives until the user closes its
    // window. Settling asks whether to save it (over `owner`): saved on Yes,
    // dropped on No, and the page then shows the saved profile; a save that
    // fails keeps the typing.
    enum class Settled { Nothing, Saved, Dropped, Kept };
    bool HasUnsavedChanges() const;
    Settled SettleUnsaved(QWidget* owner);
    void DropUnsaved();
    // Closed by the user: typing not saved is settled first. Saved, the
    // window ends as a save ends it (OK); a failed save keeps it open.
    int UserClosesHost(int result) override;

    bool HelperMode() const { return m_bHelperMode; }
    // Whether the last SaveSettings wrote the profile.
    bool LastSaveWritten() const { return m_bSaved; }

    static constexpr int kApnMaxLength = 50;
    static constexpr const char* kDefaultPhone = "*99#";

    QLabel* Image1 = nullptr;
    QFrame* Bevel4 = nullptr;
    QLabel* m_pLPhoneNumber = nullptr;
    QLabel* m_pLUserName = nullptr;
    QLabel* m_pLPassword = nullptr;
    QLabel* m_pLModemAPN = nullptr;
    QLineEdit* m_pEPhoneNumber = nullptr;
    QLineEdit* m_pEUserName = nullptr;
    QLineEdit* m_pEPassword = nullptr;
    QLineEdit* m_pEModemAPN = nullptr;
    QGroupBox* m_pGBAuth = nullptr;
    QRadioButton* m_pRB_None = nullptr;
    QRadioButton* m_pRB_Pap = nullptr;
    QRadioButton* m_pRB_Chap = nullptr;
    TSkinButton* m_pBUpdate = nullptr;
    TLockCover* BvlSpacer = nullptr;
    QGroupBox* m_pGBTechnology = nullptr;
    QRadioButton* m_pRB_gprso = nullptr;
    QRadioButton* m_pRB_hsxpao = nullptr;
    QRadioButton* m_pRB_gprsp = nullptr;
    QRadioButton* m_pRB_hsxpap = nullptr;

public slots:
    void OnUpdateClick();
    void OnUpdateHelperClick();

protected:
    // Enter saves, as a click on the button does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Entries {
        QString phone, user, password, apn;
        int auth, tech;
    };
    Entries TypedEntries() const;
    int AuthChoice() const;
    std::array<QLineEdit*, 4> Edits() const;
    // The entries into Config.ini (none without a number); true when written.
    // Every other Connection page then shows them.
    bool WriteProfile(const Entries& typed);

    bool m_bHelperMode;
    bool m_bSaved = false;
    // An authentication clicked and not saved yet.
    bool m_bAuthChosen = false;
};

extern TExFrameGPRS* ExFrameGPRS;
