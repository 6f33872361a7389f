#include "ui/main/MainDialogs.h"

#include <QInputDialog>
#include <QMessageBox>

#include "communicator/TModemComm.h"
#include "ui/common/ModalResult.h"
#include "ui/common/TFormEx.h"
#include "ui/common/TLanguage.h"
#include "ui/common/UiStyle.h"
#include "ui/settings/TExFrameGPRS.h"
#include "ui/settings/TExFrameModem.h"
#include "ui/settings/TFormExSettings.h"

namespace {
void Note(TModemMainFrame* main, const char* what)
{
    if (main != nullptr && main->ModemComm() != nullptr)
        main->ModemComm()->AddToMemo(AnsiString("[stub] ") + what + ": stand-in until the dialog window is hooked in");
}

QString Caption(TModemMainFrame* main)
{
    return main != nullptr && main->Language() != nullptr ? ToQ(main->Language()->GetText(107)) : QString();
}

TFormEx* EmptyDockedForm(TModemMainFrame* main, int titleId)
{
    auto* form = new TFormEx(main);
    form->SetTitleStyle(true);
    if (main->Language() != nullptr)
        form->SetTitle(main->Language()->GetText(titleId));
    form->resize(519, 293);
    return form;
}
}  // namespace

std::unique_ptr<TMainDialogs> MakeProgramDialogs(TModemMainFrame* mainFrame)
{
    return std::make_unique<TProgramDialogs>(mainFrame);
}

int TProgramDialogs::ShowMsgBox(QWidget* owner, const AnsiString& text, int type)
{
    Note(m_pMain, "message box");
    QMessageBox box(owner);
    box.setWindowTitle(Caption(m_pMain));
    box.setText(ToQ(text));
    if (type == 1) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? mrYes : mrNo;
    }
    if (type == 2) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        return box.exec() == QMessageBox::Ok ? mrOk : mrCancel;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return mrOk;
}

int TProgramDialogs::QueryPin(int mode, AnsiString& pin, AnsiString& puk)
{
    Note(m_pMain, "PIN dialog");
    bool ok = false;
    if (mode == 3) {
        const QString p = QInputDialog::getText(m_pMain, Caption(m_pMain), "PUK", QLineEdit::Password, {}, &ok);
        if (!ok)
            return mrCancel;
        puk = FromQ(p);
    }
    const QString p = QInputDialog::getText(m_pMain, Caption(m_pMain), "PIN", QLineEdit::Password, {}, &ok);
    if (!ok)
        return mrCancel;
    pin = FromQ(p);
    return mrOk;
}

int TProgramDialogs::ShowConnectTrouble(uint32_t error, const AnsiString& message)
{
    Note(m_pMain, "connection-trouble window");
    QMessageBox box(m_pMain);
    box.setWindowTitle(Caption(m_pMain));
    box.setText(QString::number(error) + ": " + ToQ(message));
    box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
    return box.exec() == QMessageBox::Retry ? mrRetry : mrCancel;
}

void TProgramDialogs::ShowAbout()
{
    Note(m_pMain, "about window");
    QMessageBox::about(m_pMain, Caption(m_pMain),
                       ToQ("Quorvix\nIMEI: " + m_sImei + "\nFirmware: " + m_sFirmware));
}

void TProgramDialogs::ShowModemPage()
{
    m_pMain->ShowInHelper(
        new TExFrameModem(m_pMain, m_pMain->Language(), m_pMain->ModemComm(), QPixmap(), true));
}

void TProgramDialogs::ShowConnectionPage()
{
    m_pMain->ShowInHelper(
        new TExFrameGPRS(m_pMain, m_pMain->Language(), m_pMain->ModemComm(), QPixmap(), true));
}

void TProgramDialogs::SetModemIdentity(const AnsiString& imei, const AnsiString& firmware)
{
    m_sImei = imei;
    m_sFirmware = firmware;
}

TFormEx* TProgramDialogs::CreateSmsWindow()
{
    return EmptyDockedForm(m_pMain, 111);
}

TFormEx* TProgramDialogs::CreateSettingsWindow()
{
    return new TFormExSettings(m_pMain, m_pMain->Language(), m_pMain->ModemComm());
}
