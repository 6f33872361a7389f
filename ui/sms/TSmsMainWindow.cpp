#include "ui/sms/TSmsMainWindow.h"

#include "ui/main/TModemMainFrame.h"

void TSmsMainWindow::SuspendWorker()
{
    if (m_iHeld++ == 0)
        DoSuspendWorker();
}

void TSmsMainWindow::SuspendWorkerForStore()
{
    if (m_iHeld++ == 0)
        DoSuspendWorkerForStore();
}

void TSmsMainWindow::ResumeWorker()
{
    if (m_iHeld == 0)
        return;
    if (--m_iHeld == 0)
        DoResumeWorker();
}

namespace {
class TMainFrameLink : public TSmsMainWindow {
public:
    explicit TMainFrameLink(TModemMainFrame* main) : m_pMain(main) {}

    void Lock() override
    {
        if (m_pMain)
            m_pMain->Lock();
    }
    void Unlock() override
    {
        if (m_pMain)
            m_pMain->Unlock();
    }
    int ShowMsgBox(QWidget* owner, const AnsiString& text, int type) override
    {
        return m_pMain ? m_pMain->ShowMsgBox(owner, text, type) : 1;
    }
    bool IsNetworkRegistered() const override { return m_pMain && m_pMain->IsNetworkRegistered(); }
    bool IsConnected() const override { return m_pMain && m_pMain->IsConnected(); }
    QObject* MessageWindow() const override { return m_pMain.data(); }
    bool IsClosing() const override { return m_pMain && m_pMain->IsClosing(); }
    void SetSendsLeft(int left) override
    {
        if (m_pMain)
            m_pMain->SetSmsSendsLeft(left);
    }
    bool IsActionRunning() const override { return m_pMain && m_pMain->HoldsWorker(); }

protected:
    void DoSuspendWorker() override
    {
        if (m_pMain)
            m_pMain->SuspendWorker();
    }
    void DoSuspendWorkerForStore() override
    {
        if (m_pMain)
            m_pMain->SuspendWorker(TModemMainFrame::EHold::NoModem);
    }
    void DoResumeWorker() override
    {
        if (m_pMain)
            m_pMain->ResumeWorker();
    }

private:
    QPointer<TModemMainFrame> m_pMain;
};
}  // namespace

std::unique_ptr<TSmsMainWindow> TSmsMainWindow::Of(QWidget* owner)
{
    auto* frame = qobject_cast<TModemMainFrame*>(owner);
    return std::make_unique<TMainFrameLink>(frame != nullptr ? frame : ModemMainFrame);
}
