// How long a click waits for the worker before its action has the modem
// (SuspendWorker alone): while the worker's network check waits for a modem
// that takes 16 s to answer AT+COPS=0, and, for comparison, with a modem that
// answers at once. Read the first figure against the second of the same run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QStyleHints>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>
#include <unistd.h>

#include "communicator/TModemList.h"
#include "platform/PortMap.h"
#include "tools/modemsim/ModemSim.h"
#include "ui/common/ModalResult.h"
#include "ui/common/ProgramPaths.h"
#include "ui/main/TModemMainFrame.h"
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

// Every box answered OK, no PIN, no dial.
class QuietDialogs : public TMainDialogs {
public:
    int ShowMsgBox(QWidget*, const AnsiString&, int) override { return mrOk; }
    int QueryPin(int, AnsiString&, AnsiString&) override { return mrCancel; }
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

void SuspendWorker(benchmark::State& state, bool searching)
{
    Rig rig;
    if (!rig.Up()) {
        state.SkipWithError("the main window did not come up");
        return;
    }
    if (searching) {
        rig.Sim().SetAnswer("+COPS?", "\r\n+COPS: 0\r\n\r\nOK\r\n");
        rig.Sim().SetDelay("+COPS=0", 16000);
    }
    for (auto _ : state) {
        // Not timed: until the worker holds the modem, waiting for it when it searches.
        WaitFor([&] { return !rig.frame->PollEvent().IsSet() && (!searching || rig.Sim().Answering()); }, 40000);
        const auto start = std::chrono::steady_clock::now();
        rig.frame->SuspendWorker();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        rig.frame->ResumeWorker();
    }
}
BENCHMARK_CAPTURE(SuspendWorker, ModemSearching, true)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SuspendWorker, ModemAnswering, false)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace
