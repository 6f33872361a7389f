// The Modem page's operator choice: automatic or by hand from the networks
// of the modem's scan, named from Operators.dat.
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QRadioButton>
#include <QSignalBlocker>
#include <algorithm>

#include "communicator/TModemComm.h"
#include "communicator/TOperatorList.h"
#include "platform/MessagePump.h"
#include "ui/common/ModalResult.h"
#include "ui/common/TConfigFile.h"
#include "ui/common/TSkinButton.h"
#include "ui/common/TUserAction.h"
#include "ui/common/UiStyle.h"
#include "ui/settings/TColourItemDelegate.h"
#include "ui/settings/TExFrameModem.h"
#include "ui/settings/TMainActions.h"

namespace {
// Whether the modem's answer names the network of `rec`: by its code, or by
// its name from a modem that names its operator whatever it is asked.
bool IsNetwork(const COPS_ANSWER& cops, const ST_OPERATORS_LIST& rec)
{
    if (cops.format == 2)
        return cops.oper == rec.numeric;
    return !cops.oper.empty() && (cops.oper == rec.longName || cops.oper == rec.shortName);
}

// A network is listed once per generation; an answer without one fits any.
bool SameGeneration(const COPS_ANSWER& cops, const ST_OPERATORS_LIST& rec)
{
    return cops.accessTechnology < 0 || rec.accessTechnology < 0 ||
           NetworkGeneration(cops.accessTechnology) == NetworkGeneration(rec.accessTechnology);
}

// Whether the modem is registered with the network and generation of `choice`.
bool RegisteredWith(TModemComm& comm, const ST_OPERATORS_LIST& choice)
{
    COPS_ANSWER cops;
    return comm.GetRegistration(cops) && IsNetwork(cops, choice) && SameGeneration(cops, choice);
}
}  // namespace

void TExFrameModem::BuildOperatorGroup()
{
    m_pGBSelOper = new QGroupBox(this);
    m_pGBSelOper->setGeometry(14, 72, 379, 89);
    m_pGBSelOper->setFont(TahomaPx(11));
    m_pRB_Automatic = MakeRadio(m_pGBSelOper, 8, 16, 361, 17);
    m_pRB_Manual = MakeRadio(m_pGBSelOper, 8, 35, 361, 17);
    m_pRB_Automatic->setChecked(true);
    m_pCBOperList = new QComboBox(m_pGBSelOper);
    m_pCBOperList->setGeometry(7, 61, 202, 19);
    m_pCBOperList->setFont(TahomaPx(11));
    m_pCBOperList->setItemDelegate(
        new TColourItemDelegate(m_pCBOperList, [this](int i) { return OperatorItemColour(i); }));
    m_pCBOperList->setEnabled(false);
    m_pBGetList = MakeButton(m_pGBSelOper, 213, 37, 158, 20);
    m_pBGetList->hide();
    m_pBSetOper = MakeButton(m_pGBSelOper, 213, 61, 158, 20);

    // Once per switch: only the radio that became checked reports.
    for (QRadioButton* r : {m_pRB_Automatic, m_pRB_Manual})
        connect(r, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                m_pRB_ManualClick();
        });
    // Checked already, while the modem is not on its own choice: the way back
    // to automatic choice is never shut. A click that checked it was told by
    // `toggled`, and is not sent twice.
    connect(m_pRB_Automatic, &QAbstractButton::pressed, this,
            [this] { m_bAutomaticWasChecked = m_pRB_Automatic->isChecked(); });
    connect(m_pRB_Automatic, &QAbstractButton::clicked, this, [this] {
        if (m_bAutomaticWasChecked && m_pModemComm != nullptr && m_pModemComm->GetSelectionMode() != 0)
            ChooseOperatorMode(false);
    });
    connect(m_pCBOperList, &QComboBox::currentIndexChanged, this, &TExFrameModem::OnOperatorChange);
    connect(m_pBGetList, &QAbstractButton::clicked, this, &TExFrameModem::GetOperList);
    connect(m_pBSetOper, &QAbstractButton::clicked, this, &TExFrameModem::OnSetOperator);
}

QColor TExFrameModem::OperatorItemColour(int index) const
{
    const bool available = index >= 0 && index < static_cast<int>(m_vOperators.size()) && m_vOperators[index].available;
    return BgrColor(available ? 0x000000 : 0xC0C0C0);
}

void TExFrameModem::SetOperButtonLook(bool enabled)
{
    if (m_pCBOperList->currentIndex() < 0)
        enabled = false;
    if (enabled)
        m_pBSetOper->Unlock();
    else
        m_pBSetOper->Lock();
}

void TExFrameModem::SetGetListButtonLook(bool enabled)
{
    if (enabled)
        m_pBGetList->Unlock();
    else
        m_pBGetList->Lock();
    SetBaseColour(m_pCBOperList, enabled ? 0xFFFFFF : 0x808080);
}

void TExFrameModem::SetOperatorChoiceLook(bool enabled)
{
    SetComboLocked(m_pCBOperList, !enabled);
    SetOperButtonLook(enabled);
    SetGetListButtonLook(enabled);
}

void TExFrameModem::m_pRB_ManualClick()
{
    const bool manual = m_pRB_Manual->isChecked();
    if (!ChooseOperatorMode(manual)) {
        // Dropped while another action holds the modem: the radio goes back
        // to the mode the modem keeps, and the list stays as it was.
        const QSignalBlocker automaticQuiet(m_pRB_Automatic), manualQuiet(m_pRB_Manual);
        (manual ? m_pRB_Automatic : m_pRB_Manual)->setChecked(true);
        return;
    }
    SetOperatorChoiceLook(manual && IsReady());
}

bool TExFrameModem::ChooseOperatorMode(bool manual)
{
    // An action like the others: one started from the pump inside it would
    // wait for the modem it holds.
    const TUserAction action(m_pMain, manual ? m_pRB_Manual : m_pRB_Automatic);
    if (!action)
        return false;
    if (!IsReady() || m_pModemComm == nullptr)
        return true;
    if (manual) {
        // The list is fetched at once.
        ScanOperators();
        return true;
    }
    m_pGBSelOper->setEnabled(false);
    m_pMain->SuspendWorker();
    m_pModemComm->SelectOperatorAuto();
    m_pMain->ResumeWorker();
    m_pGBSelOper->setEnabled(true);
    return true;
}

void TExFrameModem::ShowSelectionMode()
{
    COPS_ANSWER cops;
    m_pModemComm->GetRegistration(cops);
    if (cops.mode != 0 && cops.mode != 1)
        return;  // not told: the page stays as it was
    const bool manual = cops.mode == 1;
    {
        const QSignalBlocker automaticQuiet(m_pRB_Automatic), manualQuiet(m_pRB_Manual);
        (manual ? m_pRB_Manual : m_pRB_Automatic)->setChecked(true);
    }
    if (!manual)
        return;
    // A network chosen by hand and out of reach is named by the code kept
    // when it was chosen.
    if (cops.oper.empty())
        cops = COPS_ANSWER {1, 2, m_pIniFile->GetUserOperator()};
    const bool listed = std::any_of(m_vOperators.begin(), m_vOperators.end(),
                                    [&cops](const ST_OPERATORS_LIST& rec) { return IsNetwork(cops, rec); });
    // Without a scan that lists it, the list holds that network alone.
    if (!listed && cops.format == 2 && !cops.oper.empty()) {
        const AnsiString name = m_pOperatorList != nullptr ? m_pOperatorList->GetOperatorName(cops.oper) : cops.oper;
        m_vOperators = {ST_OPERATORS_LIST {true, cops.accessTechnology, name, "", cops.oper}};
        FillOperatorCombo();
    }
    SelectCurrentOperator(cops);
}

void TExFrameModem::GetOperList()
{
    // Started by Get list, of the operator group.
    const TUserAction action(m_pMain, m_pGBSelOper);
    if (action)
        ScanOperators();
}

void TExFrameModem::ScanOperators()
{
    m_pGBSelOper->setEnabled(false);
    ShowHostWait(Text(190));
    m_pMain->SuspendWorker();
    AnsiString answer;
    bool ok = false;
    const bool asked = m_pMain->IsPinOk() && m_pModemComm != nullptr;
    if (asked)
        ok = m_pModemComm->GetOperatorList(answer);
    // The network in use, to be found in the list.
    COPS_ANSWER current;
    if (ok)
        m_pModemComm->GetRegistration(current);
    // A modem pulled out during the scan: the search that follows hides this
    // panel and tells why, over the main window.
    const bool gone = asked && !ok && !m_pModemComm->DetectModemPort();
    HideHostWait();
    // Told while the worker is still held, so no search can hide the panel
    // under the box.
    if (!ok && !gone)
        m_pMain->ShowMsgBox(BoxOwner(), Text(196), 0);
    m_pMain->ResumeWorker();
    if (ok) {
        m_pModemComm->AddToMemo("Operator list");
        m_pModemComm->AddToMemo(answer);
        ParseOperatorList(answer);
        FillOperatorCombo();
        SelectCurrentOperator(current);
        SetOperButtonLook(true);
    }
    m_pGBSelOper->setEnabled(true);
}

void TExFrameModem::ParseOperatorList(const AnsiString& answer)
{
    m_vOperators = ::ParseOperatorList(answer);
}

void TExFrameModem::FillOperatorCombo()
{
    if (m_pOperatorList != nullptr)
        m_pOperatorList->Load();
    m_pCBOperList->clear();
    for (const ST_OPERATORS_LIST& rec : m_vOperators) {
        AnsiString text = m_pOperatorList != nullptr ? m_pOperatorList->GetOperatorName(rec.numeric) : rec.numeric;
        const AnsiString generation = NetworkGeneration(rec.accessTechnology);
        if (!generation.empty())
            text += " (" + generation + ")";
        m_pCBOperList->addItem(ToQ(text));
    }
}

void TExFrameModem::SelectCurrentOperator(const COPS_ANSWER& current)
{
    // Without the modem's answer, by the name of the last network check.
    COPS_ANSWER inUse = current;
    if (inUse.oper.empty() && m_pModemComm != nullptr)
        inUse = COPS_ANSWER {0, 0, m_pModemComm->GetOperatorNameValue()};
    int selection = -1;
    for (size_t i = 0; i < m_vOperators.size(); ++i) {
        if (!IsNetwork(inUse, m_vOperators[i]))
            continue;
        if (selection < 0)
            selection = static_cast<int>(i);
        // The generation in use, where the answer tells it.
        if (inUse.accessTechnology >= 0 && SameGeneration(inUse, m_vOperators[i])) {
            selection = static_cast<int>(i);
            break;
        }
    }
    if (selection < 0 && !m_vOperators.empty())
        selection = 0;
    m_pCBOperList->setCurrentIndex(selection);
}

void TExFrameModem::OnOperatorChange()
{
    SetOperButtonLook(m_pCBOperList->currentIndex() >= 0);
}

void TExFrameModem::OnSetOperator()
{
    if (m_pModemComm == nullptr)
        return;
    // The network chosen, read before anything handles events.
    const int sel = m_pCBOperList->currentIndex();
    const bool listed = sel >= 0 && sel < static_cast<int>(m_vOperators.size());
    const ST_OPERATORS_LIST choice = listed ? m_vOperators[sel] : ST_OPERATORS_LIST {};
    const bool named = !m_pCBOperList->currentText().isEmpty();
    const TUserAction action(m_pMain, m_pBSetOper);
    if (!action || !listed)
        return;
    if (!choice.available) {
        m_pMain->ShowMsgBox(BoxOwner(), Text(193), 0);
        return;
    }
    if (!named) {
        m_pMain->ShowMsgBox(BoxOwner(), Text(197), 0);
        return;
    }
    // The wait text is a format with one %s: filled without printf, so a
    // name holding "%" cannot reach a format.
    AnsiString wait = Text(191);
    const size_t at = wait.find("%s");
    if (at != AnsiString::npos)
        wait.replace(at, 2, choice.longName);
    ShowHostWait(wait);
    m_pMain->SuspendWorker();
    const bool ok = m_pModemComm->SelectOperatorManual(choice.numeric, choice.accessTechnology);
    bool registered = false;
    // A close cuts the wait for the network short: the process must not run
    // on unseen, holding the modem and the single-instance lock.
    const auto waitForNetwork = [this] {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < kRegisterCheckMs && !m_pMain->IsClosing())
            m_pModemComm->Wait(100);
        return !m_pMain->IsClosing();
    };
    if (ok) {
        if (waitForNetwork())
            registered = m_pMain->CheckNetwork();
        if (!registered && waitForNetwork())
            registered = m_pMain->CheckNetwork();
        // Registered is not the same as registered with the choice: the modem
        // may have stayed on the network it had.
        registered = registered && RegisteredWith(*m_pModemComm, choice);
    }
    HideHostWait();
    m_pMain->ResumeWorker();
    // Refused: the network could not be used. Accepted but not in use: the
    // choice did not take.
    m_pMain->ShowMsgBox(BoxOwner(), Text(!ok ? 193 : registered ? 194 : 307), 0);
}
