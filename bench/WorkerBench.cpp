// From a click to its result while the modem searches for a network (it
// would take 16 s over AT+COPS=0, and ends the search on a character as an
// abortable command does), against the same click with a network: Settings
// shown with its Modem page filled, and a message sent and confirmed. A
// stored message deleted needs no modem: it is timed while a modem that goes
// on searching whatever it is sent searches. The "x_network" counter of a
// searching run is its mean over that of the run with a network, measured in
// the same process.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyleHints>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>

#include "communicator/TModemList.h"
#include "communicator/sms/SmsStoreFile.h"
#include "platform/PortMap.h"
#include "tools/modemsim/ModemSim.h"
#include "tools/modemsim/SmsModule.h"
#include "ui/common/ModalResult.h"
#include "ui/common/ProgramPaths.h"
#include "ui/common/TSkinButton.h"
#include "ui/main/TModemMainFrame.h"
#include "ui/settings/TExFrameModem.h"
#include "ui/settings/TFormExSettings.h"
#include "ui/sms/TFormExSMS.h"
#include "ui/sms/TSMSCreateEx.h"
#include "ui/sms/TSMSListEx.h"
#include "tests/ui/WidgetTestSupport.h"

namespace {

using uitest::WaitFor;

constexpr const char* kModemName = "Quorvix Bench Modem";

void EnsureApp()
{
    static int argc = 1;
    static char name[] = "bench_worker";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

// Every box answered OK, no PIN, no dial; the docked windows are the program's.
class QuietDialogs : public TMainDialogs {
public:
    TFormEx* CreateSmsWindow() override
    {
        return new TFormExSMS(ModemMainFrame, ModemMainFrame->Language(), ModemMainFrame->ModemComm());
    }
    TFormEx* CreateSettingsWindow() override
    {
        return new TFormExSettings(ModemMainFrame, ModemMainFrame->Language(), ModemMainFrame->ModemComm());
    }
    int ShowMsgBox(QWidget*, const AnsiString&, int) override { return mrOk; }
    int QueryPin(int, const AnsiString&, AnsiString&, AnsiString&) override { return mrCancel; }
    int ShowConnectTrouble(uint32_t, const AnsiString&) override { return mrCancel; }
    void ShowAbout(TFormExAbout*) override {}
    void ShowModemPage() override {}
    bool ShowConnectionPage() override { return false; }
};

// A program folder of its own, a registered modem on COM7 and the main window up.
class Rig {
public:
    Rig()
    {
        EnsureApp();
        m_root = std::filesystem::temp_directory_path() / ("qvx_bench_worker_" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_root);
        std::filesystem::create_directories(m_root / "program");
        std::filesystem::create_directories(m_root / "devices");
        std::filesystem::copy_file(std::filesystem::path(QVX_BIN_DIR) / "Language.ini",
                                   m_root / "program" / "Language.ini");
        std::ofstream(m_root / "program" / "Devices.dat", std::ios::binary)
            << TModemList::Scramble(std::string(kModemName) + ";");
        std::ofstream(m_root / "program" / "Config.ini", std::ios::binary) << "[SETTINGS]\r\n";
        // Stored messages to delete, one for each timed delete.
        std::vector<SMS_TO_FILE_STRUCT> stored(10);
        for (SMS_TO_FILE_STRUCT& message : stored)
            message.status = 1;
        sms::SaveSmsFile((m_root / "program" / sms::kSmsFileName).string(), stored);
        ::setenv(kDeviceDirEnv, (m_root / "devices").c_str(), 1);
        SetProgramFolder((m_root / "program").string());
        SetSkinFolder(QString::fromStdString((std::filesystem::path(QVX_BIN_DIR) / "skin").string()));
        m_sim.SetAnswer("+CPIN?", "\r\n+CPIN: READY\r\n\r\nOK\r\n");
        m_sim.SetAnswer("+COPS=3,0", "\r\nOK\r\n");
        m_sim.SetAnswer("+COPS?", "\r\n+COPS: 0,0,\"Bench Net\"\r\n\r\nOK\r\n");
        m_sim.SetAnswer("+CSQ", "\r\n+CSQ: 17,99\r\n\r\nOK\r\n");
        if (!m_sim.Start() || !m_sim.Register((m_root / "devices").string(), 7, kModemName))
            return;
        frame = std::make_unique<TModemMainFrame>(nullptr, std::make_unique<QuietDialogs>());
        frame->SetWorkerTiming(200, 500);
        frame->show();
        m_up = WaitFor([this] { return frame->WorkerSuspendCount() == 0 && !frame->IsLocked(); }, 15000);
    }
    ~Rig()
    {
        frame.reset();
        m_sim.Stop();
        SetProgramFolder("");
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }
    bool Up() const { return m_up; }
    modemsim::ModemSim& Sim() { return m_sim; }

    std::unique_ptr<TModemMainFrame> frame;

private:
    std::filesystem::path m_root;
    modemsim::ModemSim m_sim;
    bool m_up = false;
};

enum class Network { Found, Searching, SearchingOn };

// The modem has no network and, told to search, runs AT+COPS=0 until a
// character from the program ends it (or, SearchingOn, to its end).
void StartSearching(modemsim::ModemSim& sim, Network network)
{
    sim.SetAnswer("+COPS?", "\r\n+COPS: 2\r\n\r\nOK\r\n");
    sim.SetDelay("+COPS=0", 16000);
    sim.SetAbortable("+COPS=0", network == Network::SearchingOn ? "" : "\r\nABORTED\r\n");
}

// Until the worker is idle, or (searching) until it waits for the search.
bool WaitForTheClickMoment(Rig& rig, Network network)
{
    return WaitFor(
        [&] {
            if (network == Network::Found)
                return rig.frame->PollEvent().IsSet() && !rig.frame->IsLocked();
            const auto heard = rig.Sim().Commands();
            return !rig.frame->PollEvent().IsSet() && !heard.empty() && heard.back() == "AT+COPS=0" &&
                   rig.Sim().Answering();
        },
        40000);
}

// What one click does, timed up to its result.
using Click = std::function<bool(Rig&)>;

bool OpenSettings(Rig& rig)
{
    auto* settings = static_cast<TFormExSettings*>(rig.frame->DockedWindow(1));
    auto* modemPage = static_cast<TExFrameModem*>(settings->PageAt(TFormExSettings::kModemPage));
    modemPage->m_pCBModemDevices->clear();
    rig.frame->OnSettingsClick();
    const bool shown = WaitFor(
        [&] { return settings->isVisible() && modemPage->m_pCBModemDevices->count() > 0 && !rig.frame->IsLocked(); },
        60000);
    return shown;
}

bool SendAMessage(Rig& rig)
{
    TSMSCreateEx* compose = static_cast<TFormExSMS*>(rig.frame->DockedWindow(0))->ComposePage();
    const size_t before = rig.Sim().Sms().SentPdus().size();
    compose->NumberEdit()->setText("+4915112345678");
    compose->TextMemo()->setPlainText("bench");
    compose->OnSendSMSPDU();
    return rig.Sim().Sms().SentPdus().size() == before + 1;
}

bool DeleteAMessage(Rig& rig)
{
    TSMSListEx* list = static_cast<TFormExSMS*>(rig.frame->DockedWindow(0))->ListPage(2);
    const size_t before = rig.frame->ModemComm()->GetSmsStore().size();
    list->SelectRows(1, 1);
    list->DeleteButton()->click();
    return rig.frame->ModemComm()->GetSmsStore().size() + 1 == before;
}

void HideSettings(Rig& rig)
{
    rig.frame->DockedWindow(1)->hide();
}

std::map<std::string, double>& MeansWithANetwork()
{
    static std::map<std::string, double> means;
    return means;
}

void ClickToResult(benchmark::State& state, const std::string& name, const Click& click, Network network)
{
    Rig rig;
    if (!rig.Up()) {
        state.SkipWithError("the main window did not come up");
        return;
    }
    if (network != Network::Found)
        StartSearching(rig.Sim(), network);
    double total = 0;
    for (auto _ : state) {
        if (!WaitForTheClickMoment(rig, network)) {
            state.SkipWithError("the worker never reached the moment of the click");
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        const bool done = click(rig);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
        HideSettings(rig);
        if (!done) {
            state.SkipWithError("the click had no result");
            return;
        }
    }
    const double mean = total / static_cast<double>(state.iterations());
    if (network == Network::Found)
        MeansWithANetwork()[name] = mean;
    else if (MeansWithANetwork().count(name) != 0)
        state.counters["x_network"] = mean / MeansWithANetwork()[name];
}

// Those with a network run first: the searching runs are read against them.
BENCHMARK_CAPTURE(ClickToResult, SettingsWithANetwork, "settings", OpenSettings, Network::Found)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ClickToResult, SendWithANetwork, "send", SendAMessage, Network::Found)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ClickToResult, DeleteWithANetwork, "delete", DeleteAMessage, Network::Found)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ClickToResult, SettingsWhileTheModemSearches, "settings", OpenSettings, Network::Searching)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ClickToResult, SendWhileTheModemSearches, "send", SendAMessage, Network::Searching)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(ClickToResult, DeleteWhileTheModemSearchesOn, "delete", DeleteAMessage, Network::SearchingOn)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace
