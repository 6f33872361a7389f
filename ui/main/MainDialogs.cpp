#include "ui/main/MainDialogs.h"

#include "communicator/TModemComm.h"
#include "ui/common/ModalResult.h"
#include "ui/common/TFormEx.h"
#include "ui/common/TLanguage.h"
#include "ui/common/UiStyle.h"
#include "ui/dialogs/RunMsgBox.h"
#include "ui/dialogs/TDebugFrame.h"
#include "ui/dialogs/TFormExAbout.h"
#include "ui/dialogs/TFormExConnectTrouble.h"
#include "ui/dialogs/TPinQueryExForm.h"
#include "ui/settings/TExFrameGPRS.h"
#include "ui/settings/TExFrameModem.h"
#include "ui/settings/TFormExSettings.h"
#include "ui/sms/TFormExSMS.h"

std::unique_ptr<TMainDialogs> MakeProgramDialogs(TModemMainFrame* mainFrame)
{
    return std::make_unique<TProgramDialogs>(mainFrame);
}

TProgramDialogs::~TProgramDialogs()
{
    ReleaseWindows();
}

void TProgramDialogs::ReleaseWindows()
{
    delete m_pPinQueryForm;
    m_pPinQueryForm = nullptr;
}

TPinQueryExForm* TProgramDialogs::PinForm()
{
    if (m_pPinQueryForm == nullptr)
        m_pPinQueryForm = new TPinQueryExForm(m_pMain, m_pMain->Language());
    return m_pPinQueryForm;
}

int TProgramDialogs::ShowMsgBox(QWidget* owner, const AnsiString& text, int type)
{
    TModemComm* comm = m_pMain->ModemComm();
    return RunMsgBox(owner, text, static_cast<char>(type), m_pMain->Language(),
                     comm != nullptr && comm->GetAbortFlag() != 0);
}

int TProgramDialogs::ShowMsgBoxWhile(QWidget* owner, const AnsiString& text, int type,
                                     const std::function<bool()>& stillNeeded)
{
    TModemComm* comm = m_pMain->ModemComm();
    return RunMsgBox(owner, text, static_cast<char>(type), m_pMain->Language(),
                     comm != nullptr && comm->GetAbortFlag() != 0, stillNeeded);
}

int TProgramDialogs::QueryPin(int mode, const AnsiString& warning, AnsiString& pin, AnsiString& puk)
{
    TPinQueryExForm* form = PinForm();
    form->SetMode(mode);
    form->SetWarning(warning);
    if (form->exec() != mrOk)
        return mrCancel;
    pin = form->GetPin();
    puk = form->GetPuk();
    return mrOk;
}

int TProgramDialogs::ShowConnectTrouble(uint32_t error, const AnsiString& message)
{
    TFormExConnectTrouble trouble(m_pMain, static_cast<int>(error), message, m_pMain->Language());
    return trouble.exec();
}

void TProgramDialogs::ShowAbout(TFormExAbout* about)
{
    about->exec();
}

void TProgramDialogs::ShowModemPage()
{
    m_pMain->ShowInHelper(
        new TExFrameModem(m_pMain, m_pMain->Language(), m_pMain->ModemComm(), QPixmap(), true));
}

bool TProgramDialogs::ShowConnectionPage()
{
    return m_pMain->ShowInHelper(new TExFrameGPRS(m_pMain, m_pMain->Language(), m_pMain->ModemComm(), QPixmap(),
                                                  true)) == mrOk;
}

TFormEx* TProgramDialogs::CreateSmsWindow()
{
    return new TFormExSMS(m_pMain, m_pMain->Language(), m_pMain->ModemComm());
}

TFormEx* TProgramDialogs::CreateSettingsWindow()
{
    return new TFormExSettings(m_pMain, m_pMain->Language(), m_pMain->ModemComm());
}

QWidget* TProgramDialogs::CreateDebugWindow(TMemo** memo)
{
    auto* frame = new TDebugFrame(nullptr);
    *memo = &frame->Lines();
    return frame;
}
