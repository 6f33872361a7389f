#include "ui/settings/TMainActions.h"

#include <QLabel>

#include "ui/common/ProgramPaths.h"
#include "ui/main/TModemMainFrame.h"
#include "ui/common/WindowMessages.h"

namespace {

class TMainFrameActions : public TMainActions {
public:
    void Lock() override
    {
        if (ModemMainFrame != nullptr)
            ModemMainFrame->Lock();
    }
    void Unlock() override
    {
        if (ModemMainFrame != nullptr)
            ModemMainFrame->Unlock();
    }
    bool IsPinOk() override { return ModemMainFrame != nullptr && ModemMainFrame->IsPinOk(); }
    void PinLost() override
    {
        if (ModemMainFrame != nullptr)
            ModemMainFrame->PinLost();
    }
    bool IsConnected() override { return ModemMainFrame != nullptr && ModemMainFrame->IsConnected(); }
    void SuspendWorker() override
    {
        if (ModemMainFrame != nullptr)
            ModemMainFrame->SuspendWorker();
    }
    void ResumeWorker() override
    {
        if (ModemMainFrame != nullptr)
            ModemMainFrame->ResumeWorker();
    }
    bool IsActionRunning() override { return ModemMainFrame != nullptr && ModemMainFrame->HoldsWorker(); }
    bool IsClosing() override { return ModemMainFrame != nullptr && ModemMainFrame->IsClosing(); }
    int ShowMsgBox(QWidget* owner, const AnsiString& text, int type) override
    {
        return ModemMainFrame != nullptr ? ModemMainFrame->ShowMsgBox(owner, text, type) : 2;
    }
    bool CheckNetwork() override { return ModemMainFrame != nullptr && ModemMainFrame->CheckNetwork(); }
    bool DisconnectFromInternet() override
    {
        return ModemMainFrame != nullptr && ModemMainFrame->DisconnectFromInternet();
    }
    void GiveUpStartupConnect() override
    {
        if (ModemMainFrame != nullptr)
            ModemMainFrame->GiveUpStartupConnect();
    }
    void ApplyLanguage() override
    {
        if (ModemMainFrame != nullptr)
            ModemMainFrame->ApplyLanguage();
    }
    void SearchModem() override { SendMessage(ModemMainFrame, WM_SEARCH_MODEM, 0, 1); }
    TOperatorList* OperatorList() override
    {
        return ModemMainFrame != nullptr ? ModemMainFrame->OperatorList() : nullptr;
    }
    bool DebugWindowExists() override { return ModemMainFrame != nullptr && ModemMainFrame->DebugMemo() != nullptr; }
    AnsiString ConfigPath() override { return ConfigIniPath(); }
    QLabel* Traffic(TrafficLabel which) override
    {
        if (ModemMainFrame == nullptr)
            return nullptr;
        switch (which) {
        case kDown:
            return ModemMainFrame->DownLabel();
        case kUp:
            return ModemMainFrame->UpLabel();
        case kDownSpeed:
            return ModemMainFrame->DownSpeedLabel();
        case kUpSpeed:
            return ModemMainFrame->UpSpeedLabel();
        case kTimeUp:
            return ModemMainFrame->TimeUpLabel();
        }
        return nullptr;
    }
    QWidget* Window() override { return ModemMainFrame; }
};

}  // namespace

TMainActions* MainFrameActions()
{
    static TMainFrameActions actions;
    return &actions;
}
