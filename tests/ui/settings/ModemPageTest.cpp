// The Modem page: device list, Select, start-up options, operator scan and
// choice against the simulated modem, and the parse of scan answers.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTimer>
#include <functional>

#include "../WidgetTestSupport.h"
#include "SettingsFixture.h"
#include "platform/SerialPort.h"
#include "platform/TIniFile.h"
#include "ui/common/TSkinButton.h"
#include "ui/dialogs/TFormExHelper.h"
#include "ui/settings/TExFrameModem.h"

using namespace settingstest;

namespace {

class ModemPage : public SettingsTest {
protected:
    TExFrameModem* Page() const { return PageOf<TExFrameModem>(TFormExSettings::kModemPage); }
    AnsiString Read(const char* section, const char* key) const
    {
        return TIniFile(Config().string()).ReadString(section, key, "<none>");
    }
    std::vector<std::string> Items(QComboBox* combo) const
    {
        std::vector<std::string> out;
        for (int i = 0; i < combo->count(); ++i)
            out.push_back(combo->itemText(i).toStdString());
        return out;
    }
    int DeviceIndex(const std::string& name) const
    {
        for (int i = 0; i < m_comm->GetDeviceCount(); ++i)
            if (m_comm->GetDeviceName(i) == name)
                return i;
        return -1;
    }
};

TEST_F(ModemPage, DeviceListShowsWhichDevicesAnswerAndKeepsTheSavedOne)
{
    StartModem();
    ASSERT_TRUE(RegisterComPort(m_devices.string(), 8, "/dev/null", "USB Modem"));
    uitest::WriteFile(Config(), "[SETTINGS]\nModemDevice=sim com MODEM\n");
    MakeDialog();
    ASSERT_EQ(m_comm->GetDeviceCount(), 2);
    const int sim = DeviceIndex(kModemName);
    const int dead = DeviceIndex("USB Modem");
    Page()->ModemDevicesDropDown();
    QComboBox* combo = Page()->m_pCBModemDevices;
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(sim).toStdString(), std::string(kModemName) + "   " + Text(184));
    EXPECT_EQ(combo->itemText(dead).toStdString(), "USB Modem   " + Text(185));
    EXPECT_EQ(Page()->DeviceItemColour(sim), QColor(Qt::black));
    EXPECT_EQ(Page()->DeviceItemColour(dead), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(combo->currentIndex(), sim);
    m_language->SetActiveLanguage(1);  // the names follow a language switch
    m_dialog->ApplyLanguage();
    EXPECT_EQ(combo->itemText(dead).toStdString(), "USB Modem   " + Text(185));
    m_language->SetActiveLanguage(0);
    EXPECT_EQ(Read("SETTINGS", "ModemDevice"), "sim com MODEM");

    // A saved device that is not listed (unplugged) stays the saved one.
    uitest::WriteFile(Config(), "[SETTINGS]\nModemDevice=Gone\n");
    Page()->UpdateModemState();
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(Read("SETTINGS", "ModemDevice"), "Gone");

    // Select writes the device, sets its port and runs the search.
    Page()->Unlock();
    combo->setCurrentIndex(dead);
    Page()->m_pBSelect->click();
    EXPECT_EQ(Read("SETTINGS", "ModemDevice"), "USB Modem");
    EXPECT_EQ(m_comm->GetPortNumber(), 8);
    EXPECT_EQ(m_main.searches, 1);
    EXPECT_EQ(m_main.suspends, m_main.resumes);
    EXPECT_EQ(m_main.locked, 0);

    // The modem state changes while the list fills: the refill asked for from
    // the fill's own message pump does not run inside it (no entry twice, the
    // saved device still chosen).
    bool nested = false;
    int polls = 0;
    std::function<void()> poll = [&] {
        if (combo->count() == 1 && !nested) {
            nested = true;
            Page()->UpdateModemState();
        } else if (!nested && ++polls < 10000) {
            QTimer::singleShot(0, Page(), poll);
        }
    };
    QTimer::singleShot(0, Page(), poll);
    Page()->ModemDevicesDropDown();
    ASSERT_TRUE(nested);
    EXPECT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->currentIndex(), dead);
    EXPECT_EQ(Page()->DeviceOnline().size(), 2u);

    // With a dial-up link up no port is tested (the test would close and
    // reopen the port the link may use): the names keep their last state.
    m_main.connected = true;
    m_sim.ClearCommands();
    Page()->ModemDevicesDropDown();
    EXPECT_TRUE(m_sim.Commands().empty()) << ::testing::PrintToString(m_sim.Commands());
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(sim).toStdString(), std::string(kModemName) + "   " + Text(184));
    EXPECT_EQ(combo->itemText(dead).toStdString(), "USB Modem   " + Text(185));
    EXPECT_EQ(Page()->DeviceItemColour(sim), QColor(Qt::black));
    // A page that never tested them shows the bare names, none as dead.
    TExFrameModem fresh(nullptr, m_language.get(), m_comm.get(), QPixmap(), true, &m_main);
    fresh.ModemDevicesDropDown();
    EXPECT_TRUE(m_sim.Commands().empty());
    EXPECT_EQ(fresh.m_pCBModemDevices->itemText(sim).toStdString(), kModemName);
    EXPECT_EQ(fresh.m_pCBModemDevices->itemText(dead).toStdString(), "USB Modem");
    EXPECT_EQ(fresh.DeviceItemColour(dead), QColor(Qt::black));
    m_main.connected = false;

    // A port the system refuses and one held by another open are marked so.
    ASSERT_TRUE(RegisterComPort(m_devices.string(), 8, "/sys/kernel/uevent_seqnum", "USB Modem"));
    const HANDLE held = OpenComPort(("COM" + std::to_string(kCom)).c_str());
    Page()->ModemDevicesDropDown();
    EXPECT_EQ(combo->itemText(sim).toStdString(), std::string(kModemName) + "   " + Text(483));
    EXPECT_EQ(combo->itemText(dead).toStdString(), "USB Modem   " + Text(482));
    CloseHandle(held);
}

TEST_F(ModemPage, SelectSavesTheRowChosenAfterTheListChanged)
{
    StartModem();
    ASSERT_TRUE(RegisterComPort(m_devices.string(), 8, "/dev/null", "USB Modem"));
    MakeDialog();
    Page()->ModemDevicesDropDown();
    m_sim.Vanish();  // and the worker reads the list again: one entry left
    ASSERT_TRUE(m_comm->RefreshModemDevices());
    Page()->m_pCBModemDevices->setCurrentIndex(1);
    Page()->SaveSettings();
    EXPECT_EQ(Read("SETTINGS", "ModemDevice"), "USB Modem");
    Page()->Unlock();
    Page()->m_pBSelect->click();
    EXPECT_EQ(m_comm->GetPortNumber(), 8);
}

TEST_F(ModemPage, ShowingTheDialogTestsThePortsOnlyWhileHoldingTheModem)
{
    StartModem();
    MakeDialog();
    const size_t atStart = m_sim.Commands().size();
    size_t atSuspend = 0, atResume = 0;
    m_main.onSuspend = [&] { atSuspend = m_sim.Commands().size(); };
    m_main.onResume = [&] { atResume = m_sim.Commands().size(); };
    m_dialog->show();
    uitest::Pump(50);
    // The port test talked to the modem, and only while the worker was off it.
    EXPECT_EQ(atSuspend, atStart);
    EXPECT_GT(atResume, atSuspend);
    EXPECT_EQ(m_sim.Commands().size(), atResume);
    EXPECT_EQ(m_main.suspends, m_main.resumes);
    EXPECT_EQ(Page()->m_pCBModemDevices->count(), 1);
}

TEST_F(ModemPage, TheChooserNamesItselfSaysWhatToDoAndShowsTheDevicesReadably)
{
    StartModem();
    ASSERT_TRUE(RegisterComPort(m_devices.string(), 8, "/dev/null", "USB Modem"));
    uitest::WriteFile(Config(), "[SETTINGS]\nModemDevice=Gone\n");
    MakeDialog();
    auto* page = new TExFrameModem(nullptr, m_language.get(), m_comm.get(), QPixmap(), true, &m_main);
    TFormExHelper chooser(nullptr, page);
    chooser.show();
    uitest::Pump(50);
    EXPECT_EQ(chooser.TitlePanelLabel()->text().trimmed().toStdString(), Text(181));
    ASSERT_NE(page->m_pLChoose, nullptr);
    EXPECT_TRUE(page->m_pLChoose->isVisible());
    EXPECT_EQ(page->m_pLChoose->text().toStdString(), Text(425));
    // The devices show without a drop-down; only Select saves one.
    EXPECT_EQ(Items(page->m_pCBModemDevices).size(), 2u);
    EXPECT_FALSE(page->m_pCBModemDevices->currentText().isEmpty());
    EXPECT_EQ(Read("SETTINGS", "ModemDevice"), "Gone");
    for (const std::string& hard : uitest::TextsHardToRead(&chooser))
        ADD_FAILURE() << hard;
}

TEST_F(ModemPage, StartUpOptionsLoadAndWriteAtOnce)
{
    uitest::WriteFile(Config(), "[SETTINGS]\nConnectToOtherDev=0\n[PROFILE0]\nConnect_on_startup=1\n");
    MakeDialog();
    TExFrameModem* page = Page();
    EXPECT_FALSE(page->m_pCBxConnOtherModem->isChecked());
    EXPECT_TRUE(page->m_pLBLxConnOnStart->isChecked());
    EXPECT_TRUE(page->m_pLBLxAttemptToReconnect->isChecked());
    // Defaults read are written back at once.
    EXPECT_EQ(Read("SETTINGS", "AttemptToReconnect"), "1");
    EXPECT_EQ(Read("SETTINGS", "ShowSelModScreen"), "1");

    // The label beside the narrow box toggles it.
    uitest::Press(page->m_pLBLxConnOtherModem, Qt::LeftButton);
    uitest::Release(page->m_pLBLxConnOtherModem, Qt::LeftButton);
    EXPECT_TRUE(page->m_pCBxConnOtherModem->isChecked());
    EXPECT_EQ(Read("SETTINGS", "ConnectToOtherDev"), "1");

    page->m_pLBLxConnOnStart->click();
    EXPECT_EQ(Read("PROFILE0", "Connect_on_startup"), "0");
    page->m_pLBLxAttemptToReconnect->click();
    EXPECT_EQ(Read("SETTINGS", "AttemptToReconnect"), "0");
    // No devices: nothing was chosen and nothing written.
    page->ModemDevicesDropDown();
    EXPECT_EQ(Read("SETTINGS", "ModemDevice"), "<none>");
}

TEST_F(ModemPage, ManualChoiceScansAndSetsAnOperator)
{
    StartModem();
    m_card->SetNetworks({{"Valjean Long", "VJ", "24601", 2, false},
                         {"Javert Long", "JV", "24602", 0, false},
                         {"Barred Long", "BR", "24603", 2, true},
                         {"Javert Long", "JV", "24602", 2, false}});
    m_card->SetCurrentNetwork("24602");  // on its 2G network
    MakeDialog();
    m_comm->SetOperatorName("Javert Long");
    m_dialog->show();
    TExFrameModem* page = Page();
    page->m_pRB_Manual->setChecked(true);
    EXPECT_EQ(Sent("AT+COPS=?"), 1u);
    EXPECT_EQ(Items(page->m_pCBOperList), (std::vector<std::string>{"Valjean Mobile (3G)", "Javert Net (2G)",
                                                                    "Barred Net (3G)", "Javert Net (3G)"}));
    EXPECT_EQ(page->OperatorItemColour(1), QColor(Qt::black));
    EXPECT_EQ(page->OperatorItemColour(2), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(page->m_pCBOperList->currentIndex(), 1);  // the network and generation in use
    EXPECT_TRUE(page->m_pCBOperList->isEnabled());
    EXPECT_FALSE(page->m_pBSetOper->IsLocked());
    EXPECT_EQ(m_main.locked, 0);

    // A forbidden network is refused before anything is sent.
    page->m_pCBOperList->setCurrentIndex(2);
    page->m_pBSetOper->click();
    EXPECT_EQ(BoxTexts().back(), Text(193));
    EXPECT_EQ(Sent("AT+COPS=1"), 0u);

    // The modem refuses the choice: no registration check, nothing stored.
    page->m_pCBOperList->setCurrentIndex(1);
    m_sim.SetAnswer("+COPS=1,2,\"24602\",0", "\r\n+CME ERROR: 30\r\n");
    page->m_pBSetOper->click();
    EXPECT_EQ(Sent("AT+COPS=1,2,\"24602\""), 1u);
    EXPECT_EQ(m_main.networkChecks, 0);
    EXPECT_EQ(BoxTexts().back(), Text(193));
    EXPECT_EQ(Read("SETTINGS", "UserOperator"), "<none>");
    m_sim.RemoveAnswer("+COPS=1,2,\"24602\",0");

    // Accepted, but the first check finds no network and falls back to
    // automatic choice: registered afterwards, yet with the home network,
    // so the user is told the choice did not take.
    m_main.networkAnswers = {false, true};
    m_main.onNetworkCheck = [this](bool registered) {
        if (!registered)
            m_comm->SelectOperatorAuto();
    };
    page->m_pBSetOper->click();
    EXPECT_EQ(Sent("AT+COPS=1,2,\"24602\""), 2u);
    EXPECT_EQ(m_main.networkChecks, 2);
    EXPECT_EQ(m_card->CurrentNetwork(), "24601");
    EXPECT_EQ(BoxTexts().back(), Text(307));
    m_main.onNetworkCheck = nullptr;

    // Registered with the chosen network and generation: success.
    m_main.networkAnswers.clear();
    m_main.networkChecks = 0;
    page->m_pCBOperList->setCurrentIndex(3);
    page->m_pBSetOper->click();
    EXPECT_EQ(Sent("AT+COPS=1,2,\"24602\",2"), 1u);
    EXPECT_EQ(m_main.networkChecks, 1);
    EXPECT_EQ(m_card->CurrentNetwork(), "24602");
    EXPECT_EQ(BoxTexts().back(), Text(194));
    EXPECT_EQ(Read("SETTINGS", "UserOperator"), "24602");

    // Closing begins while the modem takes the choice: no wait, no check.
    m_main.networkChecks = 0;
    m_main.onSuspend = [&] { m_main.closing = true; };
    page->m_pBSetOper->click();
    EXPECT_EQ(m_main.networkChecks, 0);
    m_main.closing = false;

    // A switch of mode while another operator action holds the modem is
    // dropped and leaves no trace: the radio and the list show what the modem does.
    const size_t autoBefore = Sent("AT+COPS=0");
    int holds = 0;
    m_main.onSuspend = [&] {
        if (holds++ == 0)
            (page->m_pRB_Manual->isChecked() ? page->m_pRB_Automatic : page->m_pRB_Manual)->setChecked(true);
    };
    page->m_pBSetOper->click();
    EXPECT_EQ(Sent("AT+COPS=0"), autoBefore);
    EXPECT_TRUE(page->m_pRB_Manual->isChecked());
    EXPECT_TRUE(page->m_pCBOperList->isEnabled());

    // Back to automatic: the modem chooses, the list is kept but unusable.
    holds = 0;
    page->m_pRB_Automatic->setChecked(true);
    m_main.onSuspend = nullptr;
    EXPECT_EQ(Sent("AT+COPS=0"), autoBefore + 1);
    EXPECT_EQ(Sent("AT+COPS=?"), 1u);
    EXPECT_TRUE(page->m_pRB_Automatic->isChecked());
    EXPECT_FALSE(page->m_pCBOperList->isEnabled());
    EXPECT_EQ(page->m_pCBOperList->count(), 4);
    EXPECT_EQ(m_main.suspends, m_main.resumes);
}

TEST_F(ModemPage, OpensWithTheModemsChoiceAndAutomaticIsAlwaysReachable)
{
    StartModem();
    MakeDialog();
    // Chosen by hand on an earlier run, and now out of reach.
    ASSERT_TRUE(m_comm->SelectOperatorManual("24602"));
    m_card->SetCoverage(false);
    m_dialog->show();
    TExFrameModem* page = Page();
    EXPECT_TRUE(page->m_pRB_Manual->isChecked());
    EXPECT_EQ(page->m_pCBOperList->currentText().toStdString(), "Javert Net");
    EXPECT_EQ(Sent("AT+COPS=?"), 0u);
    m_comm->GetOperator();
    m_sim.SetAnswer("+COPS=0", "\r\n+CME ERROR: 30\r\n");  // refused out of reach: asked once a click
    page->m_pRB_Automatic->click();
    EXPECT_EQ(Sent("AT+COPS=0"), 1u);
    m_sim.RemoveAnswer("+COPS=0");
    // Shown as automatic while the modem went back to its choice by hand.
    m_card->SetCoverage(true);
    ASSERT_TRUE(m_comm->SelectOperatorManual("24602"));
    m_comm->GetOperator();
    page->m_pRB_Automatic->click();
    EXPECT_EQ(Sent("AT+COPS=0"), 2u);
    m_sim.SetAnswer("+COPS?", "\r\n+COPS: 2\r\n\r\nOK\r\n");  // and while off every network
    m_comm->GetOperator();
    page->m_pRB_Automatic->click();
    EXPECT_EQ(Sent("AT+COPS=0"), 3u);
}

TEST_F(ModemPage, ScanWithoutPinAsksNothingAndKeepsTheList)
{
    StartModem();
    MakeDialog();
    m_main.pinOk = false;
    Page()->GetOperList();
    EXPECT_EQ(Sent("AT+COPS=?"), 0u);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{Text(196)});
    EXPECT_EQ(Page()->m_pCBOperList->count(), 0);
}

TEST_F(ModemPage, ParsesScanAnswers)
{
    MakeDialog();
    struct Rec {
        bool available;
        int act;
        std::string longName, shortName, numeric;
        bool operator==(const Rec&) const = default;
    };
    struct Case {
        const char* answer;
        std::vector<Rec> records;
    } cases[] = {
        {"(2,\"Long A\",\"A\",\"24601\",2),(1,\"Long B\",\"B\",\"24602\",0),(3,\"Long C\",\"C\",\"24603\",2),,"
         "(0-4),(0-2)",
         {{true, 2, "Long A", "A", "24601"}, {true, 0, "Long B", "B", "24602"}, {false, 2, "Long C", "C", "24603"}}},
        // Lists of supported modes are no networks, whatever digits they hold.
        {"(2,\"L\",\"S\",\"24601\"),,(0,1,3,4),(0,1,2)", {{true, -1, "L", "S", "24601"}}},
        {"(2,\"L\",\"S\",\"310260\",7),,(0,1,2,3,4),(0,1,2)", {{true, 7, "L", "S", "310260"}}},
        // A comma inside the quotes belongs to the name.
        {"(2,\"Valjean Mobile USA, In\",\"Valjean\",\"310260\",7),(1,\"B\",\"B\",\"310410\",x)",
         {{true, 7, "Valjean Mobile USA, In", "Valjean", "310260"}, {true, -1, "B", "B", "310410"}}},
        // A stray bracket is skipped, and the networks after it stay.
        {"(2,\"A\",\"A\",\"310410\"),2),(1,\"B\",\"B\",\"310260\",2),,(0,1,2,3,4),(0,1,2)",
         {{true, -1, "A", "A", "310410"}, {true, 2, "B", "B", "310260"}}},
        {")(1,\"A\",\"A\",\"1\")", {}},
        {"(1,\"A\",\"A\",\"24601\",0),(1,\"B\"", {{true, 0, "A", "A", "24601"}}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        Page()->ParseOperatorList(c.answer);
        std::vector<Rec> got;
        for (const ST_OPERATORS_LIST& r : Page()->Operators())
            got.push_back({r.available, r.accessTechnology, r.longName, r.shortName, r.numeric});
        EXPECT_EQ(got, c.records);
    }
    // An unknown code shows as itself, with its suffix; 4G has one too.
    Page()->ParseOperatorList("(1,\"X\",\"X\",\"99999\",7)");
    Page()->FillOperatorCombo();
    EXPECT_EQ(Page()->m_pCBOperList->itemText(0).toStdString(), "99999 (4G)");
}

}  // namespace
