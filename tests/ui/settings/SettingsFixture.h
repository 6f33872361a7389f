#pragma once
// A program folder of its own (Language.ini, Operators.dat, Devices.dat,
// Config.ini), a private autostart folder, a simulated modem with SIM and
// network on COM7, a communicator on it, and a main window stand-in that
// answers questions from a list and routes its lock to the settings dialog
// as the real one does.
#include <gtest/gtest.h>

#include <QLabel>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "../UiTestSupport.h"
#include "communicator/TModemComm.h"
#include "platform/PortMap.h"
#include "tools/modemsim/ModemSim.h"
#include "tools/modemsim/SimModule.h"
#include "ui/common/ModalResult.h"
#include "ui/common/ProgramPaths.h"
#include "ui/common/TLanguage.h"
#include "ui/settings/TFormExSettings.h"
#include "ui/settings/TMainActions.h"

namespace settingstest {

namespace fs = std::filesystem;

class FakeMain : public TMainActions {
public:
    bool pinOk = true;
    bool connected = false;
    int locked = 0;  // the real window ignores a second lock
    int suspends = 0, resumes = 0, searches = 0, languageSwitches = 0, networkChecks = 0;
    std::vector<bool> networkAnswers;  // CheckNetwork results in turn; then true
    std::deque<int> answers;           // message box results in turn; then OK / Yes
    std::vector<std::pair<std::string, int>> boxes;
    std::vector<bool> boxOverWait;  // at each box: the dialog's wait panel was up
    std::string configPath;
    TFormExSettings* dialog = nullptr;
    QLabel labels[5];

    void Lock() override
    {
        if (locked++ == 0 && dialog != nullptr)
            dialog->Lock();
    }
    void Unlock() override
    {
        if (locked > 0 && --locked == 0 && dialog != nullptr)
            dialog->Unlock();
    }
    size_t boxesAtPinLost = 0;  // the boxes shown when told of the lost PIN
    bool IsPinOk() override { return pinOk; }
    bool closing = false;
    bool IsClosing() override { return closing; }
    void PinLost() override { pinOk = false, boxesAtPinLost = boxes.size(); }
    bool IsConnected() override { return connected; }
    void SuspendWorker() override
    {
        ++suspends;
        if (onSuspend)
            onSuspend();
    }
    void ResumeWorker() override
    {
        ++resumes;
        if (onResume)
            onResume();
    }
    std::function<void()> onSuspend, onResume;
    // Runs after each network check with its result (the real check falls
    // back to automatic choice when it finds no network).
    std::function<void(bool)> onNetworkCheck;
    int ShowMsgBox(QWidget*, const AnsiString& text, int type) override
    {
        boxes.emplace_back(text, type);
        boxOverWait.push_back(dialog != nullptr && dialog->WaitPanel()->isVisible());
        if (!answers.empty()) {
            const int a = answers.front();
            answers.pop_front();
            return a;
        }
        return type == 1 ? mrYes : mrOk;
    }
    bool CheckNetwork() override
    {
        const size_t i = static_cast<size_t>(networkChecks++);
        const bool registered = i < networkAnswers.size() ? networkAnswers[i] : true;
        if (onNetworkCheck)
            onNetworkCheck(registered);
        return registered;
    }
    bool DisconnectFromInternet() override { return true; }
    void ApplyLanguage() override
    {
        ++languageSwitches;
        if (dialog != nullptr)
            dialog->ApplyLanguage();
    }
    void SearchModem() override { ++searches; }
    TOperatorList* OperatorList() override { return nullptr; }
    bool DebugWindowExists() override { return false; }
    AnsiString ConfigPath() override { return configPath; }
    QLabel* Traffic(TrafficLabel which) override { return &labels[which]; }
    QWidget* Window() override { return nullptr; }
};

inline const char* kOperators =
    "[Operators]\n"
    "Operator00001=(24601)Valjean Mobile\n"
    "Operator00002=(24602)Javert Net\n"
    "Operator00003=(24603)Barred Net\n";

class SettingsTest : public ::testing::Test {
protected:
    static constexpr int kCom = 7;
    static constexpr const char* kModemName = "Sim COM Modem";

    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_root = fs::temp_directory_path() /
                 ("qvx_set_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" + info->name());
        fs::remove_all(m_root);
        m_program = m_root / "program";
        m_devices = m_root / "devices";
        m_xdg = m_root / "xdg";
        fs::create_directories(m_program);
        fs::create_directories(m_devices);
        fs::create_directories(m_xdg);
        fs::copy_file(uitest::BinDir() / "Language.ini", m_program / "Language.ini");
        uitest::WriteFile(m_program / "Operators.dat", kOperators);
        uitest::WriteFile(m_program / "Devices.dat", TModemList::Scramble(std::string(kModemName) + ";USB Modem;"));
        ::setenv(kDeviceDirEnv, m_devices.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", m_xdg.c_str(), 1);
        ::setenv("QVX_PHONEBOOK_DIR", (m_root / "phonebook").c_str(), 1);
        m_oldCwd = fs::current_path();
        fs::current_path(m_program);
        SetSkinFolder(QString::fromStdString((uitest::BinDir() / "skin").string()));
        m_main.configPath = Config().string();
    }

    void TearDown() override
    {
        m_dialog.reset();
        m_comm.reset();
        m_language.reset();
        m_ini.reset();
        if (m_card)
            m_sim.Stop();
        fs::current_path(m_oldCwd);
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }

    fs::path Config() const { return m_program / "Config.ini"; }

    // The simulated modem with its SIM and network, registered as COM7.
    void StartModem()
    {
        m_card = std::make_shared<modemsim::SimModule>();
        m_card->SetScanDelay(50);
        m_card->SetRegisterDelay(0);
        m_card->SetNetworks({{"Valjean Long", "VJ", "24601", 2, false},
                             {"Javert Long", "JV", "24602", 0, false},
                             {"Barred Long", "BR", "24603", 2, true}});
        m_sim.AddModule(m_card);
        ASSERT_TRUE(m_sim.Start());
        ASSERT_TRUE(m_sim.Register(m_devices.string(), kCom, kModemName));
    }

    // The communicator (opened on the modem when it runs) and the dialog.
    void MakeDialog()
    {
        m_ini = std::make_unique<TIniFile>(Config().string());
        m_comm = std::make_unique<TModemComm>(m_ini.get(), (m_program / "ComPort.log").string());
        m_comm->SetDebugMemo(&m_memo);
        m_comm->SetPortNumber(kCom);
        if (m_card) {
            ASSERT_TRUE(m_comm->OpenPort(0));
        }
        m_language = std::make_unique<TLanguage>((m_program / "Language.ini").string(), Config().string());
        m_dialog = std::make_unique<TFormExSettings>(nullptr, m_language.get(), m_comm.get(), &m_main);
        m_main.dialog = m_dialog.get();
        m_dialog->ApplyLanguage();
    }

    template <class Page>
    Page* PageOf(int index) const
    {
        return static_cast<Page*>(m_dialog->PageAt(index));
    }

    std::string Text(int id) const { return m_language->GetText(id); }
    std::string ConfigText() const { return uitest::ReadFile(Config()); }

    size_t Sent(const std::string& prefix) const
    {
        size_t n = 0;
        for (const auto& c : m_sim.Commands())
            n += c.compare(0, prefix.size(), prefix) == 0;
        return n;
    }

    std::vector<std::string> BoxTexts() const
    {
        std::vector<std::string> out;
        for (const auto& b : m_main.boxes)
            out.push_back(b.first);
        return out;
    }

    fs::path m_root, m_program, m_devices, m_xdg, m_oldCwd;
    modemsim::ModemSim m_sim;
    std::shared_ptr<modemsim::SimModule> m_card;
    TMemo m_memo;
    FakeMain m_main;
    std::unique_ptr<TIniFile> m_ini;
    std::unique_ptr<TModemComm> m_comm;
    std::unique_ptr<TLanguage> m_language;
    std::unique_ptr<TFormExSettings> m_dialog;
};

}  // namespace settingstest
