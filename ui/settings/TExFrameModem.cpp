// The Modem page: construction, the device list and Select, the start-up
// options, start with the session, and the page's state rules. The operator
// choice is in TExFrameModemOperators.cpp.
#include "ui/settings/TExFrameModem.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSignalBlocker>
#include <cstdio>

#include "communicator/TModemComm.h"
#include "communicator/TOperatorList.h"
#include "platform/Autostart.h"
#include "platform/MessagePump.h"
#include "ui/common/ModalResult.h"
#include "ui/common/TConfigFile.h"
#include "ui/common/TFormEx.h"
#include "ui/common/TLockCover.h"
#include "ui/common/TSkin.h"
#include "ui/common/TSkinButton.h"
#include "ui/common/TUserAction.h"
#include "ui/common/UiStyle.h"
#include "ui/settings/TColourItemDelegate.h"
#include "ui/settings/TDropDownCombo.h"
#include "ui/settings/TMainActions.h"

TExFrameModem* ExFrameModem = nullptr;

namespace {
AnsiString Upper(const AnsiString& s)
{
    return FromQ(ToQ(s).toUpper());
}

// The text after a device's name for what its port test found: a port the
// system refuses or another program holds is not just silent.
int PortTestMark(TModemComm::EPortTest found)
{
    switch (found) {
    case TModemComm::EPortTest::Answered: return 184;
    case TModemComm::EPortTest::NoPermission: return 482;
    case TModemComm::EPortTest::InUse: return 483;
    default: return 185;
    }
}
}  // namespace

TExFrameModem::TExFrameModem(QWidget* owner, TLanguage* language, TModemComm* modemComm, const QPixmap& background,
                             bool helperMode, TMainActions* main)
    : TSettingsPage(owner, language, modemComm, main), m_bHelperMode(helperMode)
{
    resize(645, 591);
    BuildControls(helperMode ? QPixmap() : background);
    BuildOperatorGroup();
    if (helperMode) {
        // Alone in the helper window the page says what to do.
        ShiftControls(kChoiceTextHeight);
        m_pLChoose = MakeLabel(14, 2, 379, kChoiceTextHeight - 2);
        m_pLChoose->setWordWrap(true);
    }

    const AnsiString config = m_pMain->ConfigPath();
    m_pOperatorList = m_pMain->OperatorList();
    if (m_pOperatorList == nullptr) {
        const size_t slash = config.find_last_of('/');
        m_pOperatorList = new TOperatorList(slash == AnsiString::npos ? AnsiString(".") : config.substr(0, slash));
        m_bOwnOperatorList = true;
    }
    m_pIniFile = new TConfigFile(config);
    AttachSelect(true);

    connect(m_pCBxShowSelModemScreen, &QCheckBox::toggled, this, &TExFrameModem::m_pCBxShowSelModemScreenClick);
    connect(m_pCBxConnOtherModem, &QCheckBox::toggled, this, &TExFrameModem::OnConnOtherModemCheckBox);
    connect(m_pLBLxAttemptToReconnect, &QCheckBox::toggled, this, &TExFrameModem::m_pLBLxAttemptToReconnectClick);
    connect(m_pLBLxConnOnStart, &QCheckBox::toggled, this, &TExFrameModem::m_pLBLxConnOnStartClick);
    connect(m_pLBLxStartWithWin, &QCheckBox::toggled, this, &TExFrameModem::m_pLBLxStartWithWinClick);

    // A box set here runs its handler as a click does: the value read is written back.
    m_pCBxShowSelModemScreen->setChecked(m_pIniFile->GetShowSelModScreen());
    m_pCBxConnOtherModem->setChecked(m_pIniFile->GetConnectToOtherDev());
    m_pLBLxAttemptToReconnect->setChecked(m_pIniFile->GetAttemptToReconnect());
    // The main window reads Connect_on_startup for itself; the box shows it.
    m_pLBLxConnOnStart->setChecked(m_pIniFile->GetConnectOnStartup() == 1);
}

TExFrameModem::~TExFrameModem()
{
    if (ExFrameModem == this)
        ExFrameModem = nullptr;
    delete m_pIniFile;
    if (m_bOwnOperatorList)
        delete m_pOperatorList;
}

void TExFrameModem::BuildControls(const QPixmap& background)
{
    // Never the helper window's own picture: its title strip would come
    // again under the window's, dark behind the first texts.
    Image1 = MakeBackground(background.isNull()
                                ? TSkin::Picture(Skin::kPageBack, QSize(407, 280), BgrColor(0xFAF8FE))
                                : background);
    Image1->installEventFilter(this);

    m_pGBSelectModemFromList = new QGroupBox(this);
    m_pGBSelectModemFromList->setGeometry(14, 2, 379, 68);
    m_pGBSelectModemFromList->setFont(TahomaPx(11));
    auto* devices = new TDropDownCombo(this);
    devices->OnDropDown = [this] {
        // A user's drop-down on the dialog's page takes the modem for the port
        // tests; the helper window's caller holds it already.
        if (m_bHelperMode) {
            ModemDevicesDropDown();
        } else {
            m_pMain->SuspendWorker();
            ModemDevicesDropDown();
            m_pMain->ResumeWorker();
        }
    };
    m_pCBModemDevices = devices;
    m_pCBModemDevices->setGeometry(21, 19, 364, 19);
    m_pCBModemDevices->setFont(TahomaPx(11));
    m_pCBModemDevices->setItemDelegate(
        new TColourItemDelegate(m_pCBModemDevices, [this](int i) { return DeviceItemColour(i); }));
    m_pBSelect = MakeButton(m_pGBSelectModemFromList, 195, 39, 176, 20);

    Bevel2 = MakeBevel(14, 165, 379, 62);
    m_pLBLxAttemptToReconnect = MakeCheckBox(21, 172, 364, 21);
    m_pCBxConnOtherModem = MakeCheckBox(21, 190, 12, 35);
    m_pLBLxConnOtherModem = MakeLabel(38, 190, 347, 35);
    m_pLBLxConnOtherModem->setWordWrap(true);
    m_pLBLxConnOtherModem->installEventFilter(this);

    Bevel1 = MakeBevel(14, 230, 379, 42);
    m_pLBLxConnOnStart = MakeCheckBox(21, 232, 364, 21);
    m_pLBLxStartWithWin = MakeCheckBox(21, 248, 364, 21);
    m_pCBxShowSelModemScreen = MakeCheckBox(221, 316, 316, 21);
    m_pCBxShowSelModemScreen->hide();
    m_pCBModemDevices->raise();
}

AnsiString TExFrameModem::ProgramPath()
{
    return QCoreApplication::instance() != nullptr ? FromQ(QCoreApplication::applicationFilePath()) : AnsiString();
}

QColor TExFrameModem::DeviceItemColour(int index) const
{
    const bool online = index >= 0 && index < static_cast<int>(m_vDeviceOnline.size()) && m_vDeviceOnline[index];
    return BgrColor(online ? 0x000000 : 0xC0C0C0);
}

void TExFrameModem::AttachSelect(bool attach)
{
    QObject::disconnect(m_selectConnection);
    if (!attach)
        return;
    if (m_bHelperMode)
        m_selectConnection =
            connect(m_pBSelect, &QAbstractButton::clicked, this, &TExFrameModem::OnSelectModemClickHelp);
    else
        m_selectConnection = connect(m_pBSelect, &QAbstractButton::clicked, this, &TExFrameModem::OnSelectModemClick);
}

bool TExFrameModem::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pLBLxConnOtherModem && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && m_pLBLxConnOtherModem->isEnabled()) {
        OnConnectOtherModemLabel();
        return true;
    }
    return TSettingsPage::eventFilter(watched, event);
}

// ---- Device list ----

void TExFrameModem::ShiftControls(int dy)
{
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w != Image1 && w != m_pLChoose)
            w->move(w->x(), w->y() + dy);
}

void TExFrameModem::ModemDevicesDropDown()
{
    FillDevices();
}

void TExFrameModem::FillDevices()
{
    if (m_bFilling)
        return;
    m_bFilling = true;
    const AnsiString saved = m_pIniFile->GetModemDevice("");
    ProcessMessages();
    const int count = m_pModemComm != nullptr ? m_pModemComm->GetDeviceCount() : 0;
    // A port test closes and reopens the port, which a dial-up link may be using.
    const bool linkUp = count > 0 && (m_pMain->IsConnected() || m_pModemComm->IsRasConnected());
    m_vDeviceOnline.assign(static_cast<size_t>(qMax(0, count)), false);
    ProcessMessages();
    m_pCBModemDevices->clear();
    int chosen = -1;
    for (int i = 0; i < count; ++i) {
        ProcessMessages();
        const AnsiString name = m_pModemComm->GetDeviceName(i);
        if (!linkUp) {
            m_pModemComm->TestDevicePort(name);
            m_lastPortTest[name] = m_pModemComm->LastPortTest();
        }
        // A device never tested is not known to be dead: its bare name in black.
        const auto last = m_lastPortTest.find(name);
        m_vDeviceOnline[static_cast<size_t>(i)] =
            last == m_lastPortTest.end() || last->second == TModemComm::EPortTest::Answered;
        m_pCBModemDevices->addItem(DeviceLabel(name), ToQ(name));
        if (Upper(name) == Upper(saved)) {
            chosen = i;
            m_pCBModemDevices->setCurrentIndex(i);
        }
    }
    ProcessMessages();
    // A saved device not listed (unplugged) stays saved: only Select and the
    // search change it.
    if (count > 0 && chosen < 0)
        m_pCBModemDevices->setCurrentIndex(0);
    m_bFilling = false;
}

QString TExFrameModem::DeviceLabel(const AnsiString& name) const
{
    const auto last = m_lastPortTest.find(name);
    return ToQ(last == m_lastPortTest.end() ? name : name + "   " + Text(PortTestMark(last->second)));
}

AnsiString TExFrameModem::SelectedDevice() const
{
    return FromQ(m_pCBModemDevices->currentData().toString());
}

void TExFrameModem::SaveSettings()
{
    if (m_pCBModemDevices->currentIndex() < 0 || m_pModemComm == nullptr)
        return;
    m_pIniFile->SetModemDevice(SelectedDevice());
}

void TExFrameModem::SelectPortFromName(const AnsiString& portName)
{
    int n = 0;
    // A text that names no COM port leaves the port number as it is.
    if (m_pModemComm != nullptr && std::sscanf(portName.c_str(), "COM%d", &n) == 1 && n > 0)
        m_pModemComm->SetPortNumber(n);
}

void TExFrameModem::SetSelectButtonLook(bool enabled)
{
    if (enabled)
        m_pBSelect->Unlock();
    else
        m_pBSelect->Lock();
}

void TExFrameModem::OnSelectModemClick()
{
    // The device chosen, read before anything handles events (a refill of the
    // list meanwhile moves the rows).
    const AnsiString name = SelectedDevice();
    const TUserAction action(m_pMain, m_pBSelect);
    if (!action || name.empty() || m_pModemComm == nullptr)
        return;
    m_pMain->SuspendWorker();
    if (m_pModemComm->IsRasConnected()) {
        if (m_pMain->ShowMsgBox(BoxOwner(), Text(200), 1) == mrNo) {
            ModemDevicesDropDown();
            m_pMain->ResumeWorker();
            return;
        }
        m_pMain->DisconnectFromInternet();
    }
    m_pIniFile->SetModemDevice(name);
    SelectPortFromName(m_pModemComm->FindDevicePort(name));
    // The search runs here, while this page still holds the modem.
    m_pMain->SearchModem();
    UpdateModemState();
    m_pMain->ResumeWorker();
}

void TExFrameModem::OnSelectModemClickHelp()
{
    if (m_pCBModemDevices->count() > 0 && m_pModemComm != nullptr) {
        SaveSettings();
        SelectPortFromName(m_pModemComm->FindDevicePort(SelectedDevice()));
    }
    // The helper window is modal: closing it ends its run with Cancel.
    if (TFormEx* host = HostForm())
        host->CloseWith(mrCancel);
}

// ---- Start-up options ----

void TExFrameModem::m_pLBLxAttemptToReconnectClick()
{
    m_pIniFile->SetAttemptToReconnect(m_pLBLxAttemptToReconnect->isChecked());
}

void TExFrameModem::OnConnOtherModemCheckBox()
{
    m_pIniFile->SetConnectToOtherDev(m_pCBxConnOtherModem->isChecked());
}

void TExFrameModem::OnConnectOtherModemLabel()
{
    m_pCBxConnOtherModem->setChecked(!m_pCBxConnOtherModem->isChecked());
}

void TExFrameModem::m_pCBxShowSelModemScreenClick()
{
    m_pIniFile->SetShowSelModScreen(m_pCBxShowSelModemScreen->isChecked());
}

void TExFrameModem::m_pLBLxConnOnStartClick()
{
    m_pIniFile->SetConnectOnStartup(m_pLBLxConnOnStart->isChecked());
    // Ticked again later, the box is for the next start.
    if (!m_pLBLxConnOnStart->isChecked())
        m_pMain->GiveUpStartupConnect();
}

void TExFrameModem::m_pLBLxStartWithWinClick()
{
    TAutostart run;
    if (!run.KeyExists() || !run.OpenKey())
        return;
    const bool wanted = m_pLBLxStartWithWin->isChecked();
    bool done = true;
    if (wanted) {
        int found = 0;
        for (const AnsiString& name : run.GetValueNames())
            found += name == TAutostart::kValueName;
        if (found == 0)
            done = run.WriteString(TAutostart::kValueName, ProgramPath());
    } else {
        for (const AnsiString& name : run.GetValueNames())
            if (name == TAutostart::kValueName)
                done = run.DeleteValue(name) && done;
    }
    run.CloseKey();
    if (done)
        return;
    // The box shows what the next login will do, and the user learns why.
    {
        const QSignalBlocker quiet(m_pLBLxStartWithWin);
        m_pLBLxStartWithWin->setChecked(!wanted);
    }
    m_pMain->ShowMsgBox(BoxOwner(), Text(309), 0);
}

void TExFrameModem::ReadStartWithSession()
{
    bool found = false;
    TAutostart run;
    if (run.KeyExists() && run.OpenKey()) {
        const AnsiString path = ProgramPath();
        for (const AnsiString& name : run.GetValueNames()) {
            if (name != TAutostart::kValueName)
                continue;
            // The program was moved since the entry was made.
            if (run.ReadString(name) != path)
                run.WriteString(name, path);
            found = true;
        }
        run.CloseKey();
        m_pLBLxStartWithWin->setEnabled(true);
    } else {
        m_pLBLxStartWithWin->setEnabled(false);
    }
    m_pLBLxStartWithWin->setChecked(found);
}

// ---- Page operations ----

void TExFrameModem::ShowPage()
{
    // A part of the action that shows the page: never refused.
    const TUserAction lock(m_pMain, nullptr);
    ProcessMessages();
    SetHostTitle(181);
    ProcessMessages();
    TExFrame::ShowPage();
    ProcessMessages();
    if (m_bHelperMode) {
        if (TFormEx* host = HostForm()) {
            // The background drags the helper window, which ends below the
            // page's lowest control.
            host->MakeDragHandle(Image1);
            int bottom = 0;
            for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (w != Image1 && !w->isHidden())
                    bottom = qMax(bottom, w->geometry().bottom());
            host->resize(host->width(), TFormEx::kTitleHeight + bottom + 8);
            // The picture covers the page however tall the window became.
            Image1->setScaledContents(true);
            Image1->setGeometry(rect());
        }
        // The devices to choose from, shown without a drop-down; the caller
        // holds the modem for the port tests. Only Select saves a choice.
        FillDevices();
    } else {
        ShowHostWait(Text(182));
    }
    ProcessMessages();
    ReadStartWithSession();
    ProcessMessages();
    if (!m_bHelperMode) {
        HideHostWait();
    } else {
        SetBaseColour(m_pCBOperList, 0x808080);
        m_pCBOperList->setEnabled(false);
        SetOperButtonLook(false);
        ProcessMessages();
        SetGetListButtonLook(false);
        m_pRB_Automatic->setEnabled(false);
        m_pRB_Manual->setEnabled(false);
    }
    ProcessMessages();
}

void TExFrameModem::ApplyLanguage()
{
    SetHostTitle(181);
    if (m_pLChoose != nullptr)
        m_pLChoose->setText(QText(425));
    m_pGBSelectModemFromList->setTitle(QText(183));
    m_pBSelect->setText(QText(186));
    m_pBGetList->setText(QText(188));
    m_pGBSelOper->setTitle(QText(187));
    m_pBSetOper->setText(QText(189));
    m_pCBxShowSelModemScreen->setText(QText(198));
    m_pCBxConnOtherModem->setText(QText(199));
    m_pLBLxConnOtherModem->setText(QText(199));
    m_pRB_Automatic->setText(QText(267));
    m_pRB_Manual->setText(QText(268));
    m_pLBLxConnOnStart->setText(QText(294));
    m_pLBLxStartWithWin->setText(QText(295));
    m_pLBLxAttemptToReconnect->setText(QText(296));
    for (int i = 0; i < m_pCBModemDevices->count(); ++i)
        m_pCBModemDevices->setItemText(i, DeviceLabel(FromQ(m_pCBModemDevices->itemData(i).toString())));
}

void TExFrameModem::Lock()
{
    SetComboLocked(m_pCBModemDevices, true);
    SetSelectButtonLook(false);
    m_pGBSelOper->setEnabled(false);
    m_pRB_Automatic->setEnabled(false);
    m_pRB_Manual->setEnabled(false);
    if (m_pRB_Manual->isChecked())
        SetOperatorChoiceLook(false);
}

void TExFrameModem::Unlock()
{
    if (m_pCBModemDevices->count() > 0) {
        SetComboLocked(m_pCBModemDevices, false);
        SetSelectButtonLook(true);
    }
    const bool ready = IsReady();
    ProcessMessages();
    if (!m_pMain->IsConnected() && ready) {
        m_pGBSelOper->setEnabled(true);
        m_pRB_Automatic->setEnabled(true);
        m_pRB_Manual->setEnabled(true);
    }
    if (m_pRB_Manual->isChecked() && ready)
        SetOperatorChoiceLook(true);
}

void TExFrameModem::UpdateModemState()
{
    ProcessMessages();
    ModemDevicesDropDown();
    ProcessMessages();
    const bool ready = IsReady();
    // Called with the modem held: by the dialog's show and on a state change
    // while it is open.
    if (ready && !m_bHelperMode && m_pModemComm != nullptr && window()->isVisible())
        ShowSelectionMode();
    if (m_pRB_Manual->isChecked()) {
        SetOperatorChoiceLook(ready);
    } else {
        SetGetListButtonLook(false);
        SetOperButtonLook(false);
    }
}

void TExFrameModem::LayoutForHelper()
{
    // Only the operator choice: no device to choose, no room for saying so.
    if (m_pLChoose != nullptr && !m_pLChoose->isHidden()) {
        m_pLChoose->hide();
        ShiftControls(-kChoiceTextHeight);
    }
    m_pGBSelectModemFromList->hide();
    m_pGBSelOper->move(m_pGBSelOper->x(), m_pGBSelectModemFromList->y());
    m_pCBModemDevices->hide();
    m_pCBOperList->move(m_pCBOperList->x(), m_pCBModemDevices->y());
    m_pBSelect->hide();
    m_pBGetList->move(m_pBGetList->x(), m_pBSelect->y());
    m_pBSetOper->move(m_pBSetOper->x(), m_pBSelect->y());
    Bevel1->hide();
    m_pCBxShowSelModemScreen->hide();
    m_pCBxConnOtherModem->hide();
    m_pLBLxConnOtherModem->hide();
    if (m_pRB_Manual->isChecked())
        SetOperatorChoiceLook(true);
}
