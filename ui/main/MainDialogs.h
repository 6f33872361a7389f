#pragma once
// The dialogs the main window uses in the program: the skinned message box,
// the PIN / PUK dialog, the about, connection-trouble and helper windows, the
// debug window and the settings dialog. The SMS window is an empty docked form
// until it is hooked in here.
#include <memory>
#include "ui/main/TModemMainFrame.h"

class TPinQueryExForm;

class TProgramDialogs : public TMainDialogs {
public:
    explicit TProgramDialogs(TModemMainFrame* mainFrame) : m_pMain(mainFrame) {}
    ~TProgramDialogs() override;

    int ShowMsgBox(QWidget* owner, const AnsiString& text, int type) override;
    int ShowMsgBoxWhile(QWidget* owner, const AnsiString& text, int type,
                        const std::function<bool()>& stillNeeded) override;
    int QueryPin(int mode, const AnsiString& warning, AnsiString& pin, AnsiString& puk) override;
    int ShowConnectTrouble(uint32_t error, const AnsiString& message) override;
    void ShowAbout(TFormExAbout* about) override;
    void ShowModemPage() override;
    bool ShowConnectionPage() override;
    TFormEx* CreateSmsWindow() override;
    TFormEx* CreateSettingsWindow() override;
    QWidget* CreateDebugWindow(TMemo** memo) override;
    void ReleaseWindows() override;

protected:
    TPinQueryExForm* PinForm();

    TModemMainFrame* m_pMain;
    TPinQueryExForm* m_pPinQueryForm = nullptr;
};

std::unique_ptr<TMainDialogs> MakeProgramDialogs(TModemMainFrame* mainFrame);
