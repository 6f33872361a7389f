#pragma once
// The dialogs the main window uses by default. Until the program's own dialog
// windows are hooked in here, plain Qt boxes stand in for them (marked in the
// debug log); the docked windows are empty skinned forms.
#include <memory>
#include "ui/main/TModemMainFrame.h"

class TProgramDialogs : public TMainDialogs {
public:
    explicit TProgramDialogs(TModemMainFrame* mainFrame) : m_pMain(mainFrame) {}

    int ShowMsgBox(QWidget* owner, const AnsiString& text, int type) override;
    int QueryPin(int mode, AnsiString& pin, AnsiString& puk) override;
    int ShowConnectTrouble(uint32_t error, const AnsiString& message) override;
    void ShowAbout() override;
    void ShowModemPage() override;
    void ShowConnectionPage() override;
    void SetModemIdentity(const AnsiString& imei, const AnsiString& firmware) override;
    TFormEx* CreateSmsWindow() override;
    TFormEx* CreateSettingsWindow() override;

protected:
    TModemMainFrame* m_pMain;
    AnsiString m_sImei;
    AnsiString m_sFirmware;
};

std::unique_ptr<TMainDialogs> MakeProgramDialogs(TModemMainFrame* mainFrame);
