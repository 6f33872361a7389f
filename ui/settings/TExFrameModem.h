#pragma once
// The Modem page: the registered modem devices, each shown as answering or
// not, with Select to make one the current modem; the operator choice
// (automatic, or by hand from the networks the modem sees); and the start-up
// options (reconnect after a drop, fall back to another modem, connect at
// start-up, start with the session, offer the modem selection). In helper
// mode it stands alone in the helper window, where Select only notes the
// choice and closes the window.
#include <map>
#include <vector>
#include "communicator/SimAnswers.h"
#include "communicator/TModemComm.h"
#include "ui/settings/TSettingsPage.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QRadioButton;
class TConfigFile;
class TOperatorList;
class TSkinButton;

class TExFrameModem : public TSettingsPage {
    Q_OBJECT
public:
    TExFrameModem(QWidget* owner, TLanguage* language, TModemComm* modemComm, const QPixmap& background,
                  bool helperMode, TMainActions* main = nullptr);
    ~TExFrameModem() override;

    void ShowPage() override;
    void SaveSettings() override;
    void ApplyLanguage() override;
    void UpdateModemState() override;
    void Lock() override;
    void Unlock() override;

    void SetSelectButtonLook(bool enabled);
    void SelectPortFromName(const AnsiString& portName);
    void LayoutForHelper();
    void SetOperButtonLook(bool enabled);
    void SetGetListButtonLook(bool enabled);
    // The operator list with its two buttons, open or locked together.
    void SetOperatorChoiceLook(bool enabled);

    // ---- Operator choice ----
    // The networks of a scan answer, read by the communicator's parser.
    void ParseOperatorList(const AnsiString& answer);
    void FillOperatorCombo();
    // The network and generation the modem is registered with (`current`,
    // its +COPS? answer by code); the first entry when none is listed.
    void SelectCurrentOperator(const COPS_ANSWER& current);
    const std::vector<ST_OPERATORS_LIST>& Operators() const { return m_vOperators; }
    const std::vector<bool>& DeviceOnline() const { return m_vDeviceOnline; }
    bool HelperMode() const { return m_bHelperMode; }

    // The pause before each registration check after a manual choice.
    static constexpr uint32_t kRegisterCheckMs = 1500;
    // The room the chooser's instruction takes above the device list.
    static constexpr int kChoiceTextHeight = 30;

    // The colour an item of either list is drawn in: black when answering or
    // available, silver otherwise.
    QColor DeviceItemColour(int index) const;
    QColor OperatorItemColour(int index) const;

    QLabel* Image1 = nullptr;
    // Helper mode: what to do, above the device list.
    QLabel* m_pLChoose = nullptr;
    QComboBox* m_pCBModemDevices = nullptr;
    QFrame* Bevel1 = nullptr;
    QCheckBox* m_pCBxShowSelModemScreen = nullptr;
    QCheckBox* m_pLBLxStartWithWin = nullptr;
    QCheckBox* m_pLBLxConnOnStart = nullptr;
    QGroupBox* m_pGBSelectModemFromList = nullptr;
    TSkinButton* m_pBSelect = nullptr;
    QGroupBox* m_pGBSelOper = nullptr;
    QRadioButton* m_pRB_Automatic = nullptr;
    QRadioButton* m_pRB_Manual = nullptr;
    bool m_bAutomaticWasChecked = false;  // as the press on it found it
    QComboBox* m_pCBOperList = nullptr;
    TSkinButton* m_pBGetList = nullptr;
    TSkinButton* m_pBSetOper = nullptr;
    QFrame* Bevel2 = nullptr;
    QLabel* m_pLBLxConnOtherModem = nullptr;
    QCheckBox* m_pCBxConnOtherModem = nullptr;
    QCheckBox* m_pLBLxAttemptToReconnect = nullptr;

public slots:
    void ModemDevicesDropDown();
    void OnSelectModemClick();
    void OnSelectModemClickHelp();
    void m_pCBxShowSelModemScreenClick();
    void OnConnOtherModemCheckBox();
    void OnConnectOtherModemLabel();
    void m_pLBLxAttemptToReconnectClick();
    void m_pLBLxConnOnStartClick();
    void m_pLBLxStartWithWinClick();
    void m_pRB_ManualClick();
    void GetOperList();
    void OnOperatorChange();
    void OnSetOperator();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls(const QPixmap& background);
    void BuildOperatorGroup();
    // Moves every control but the background and the instruction down by dy.
    void ShiftControls(int dy);
    // The device list filled with each device's port test.
    void FillDevices();
    // The mode switch's work as one action; false when it was refused.
    bool ChooseOperatorMode(bool manual);
    // The radios and the list as the modem chooses its network now (read
    // while the caller holds the modem).
    void ShowSelectionMode();
    // The scan and its list, inside an action already running.
    void ScanOperators();
    // Select's handler by mode; attached and detached around every run.
    void AttachSelect(bool attach);
    // The start-with-the-session state, brought up to date with the program's path.
    void ReadStartWithSession();
    static AnsiString ProgramPath();
    // A device's entry: its name with its last port test, in the page's language.
    QString DeviceLabel(const AnsiString& name) const;
    // The chosen entry's device name: by name, since the worker may have
    // read the list again after the fill.
    AnsiString SelectedDevice() const;

    TConfigFile* m_pIniFile = nullptr;
    TOperatorList* m_pOperatorList = nullptr;
    // Without a main window the page reads the operator names itself.
    bool m_bOwnOperatorList = false;
    std::vector<ST_OPERATORS_LIST> m_vOperators;
    std::vector<bool> m_vDeviceOnline;
    // What each device name's last port test found: shown while a link is
    // up, when no port may be tested.
    std::map<AnsiString, TModemComm::EPortTest> m_lastPortTest;
    // A fill is running: one started from its message pump would add its
    // items in between.
    bool m_bFilling = false;
    bool m_bHelperMode;
    // An operator action is running: a second one started from its message
    // pump would wait for the modem it holds itself.
    QMetaObject::Connection m_selectConnection;
};

extern TExFrameModem* ExFrameModem;
