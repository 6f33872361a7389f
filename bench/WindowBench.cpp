// What a large store costs at start: the SMS window built over 10,000 stored
// messages (the store loaded and sorted, the three lists filled), timed, and
// the memory the process holds with it open. The window stands on a stand-in
// main window on the offscreen platform, with the skin beside the program.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QByteArray>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

#include "communicator/TModemComm.h"
#include "communicator/sms/SmsDate.h"
#include "communicator/sms/SmsStoreFile.h"
#include "ui/common/TLanguage.h"
#include "ui/sms/TFormExSMS.h"
#include "ui/sms/TSmsMainWindow.h"

namespace fs = std::filesystem;

namespace {

// The resident memory of the process in MB.
double ResidentMb()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

QApplication& App()
{
    static int argc = 1;
    static char name[] = "bench_window";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

// Stored messages as they come: unread, read and sent mixed, one a day.
std::vector<SMS_TO_FILE_STRUCT> MakeStore(size_t n)
{
    std::mt19937 random(5);
    std::vector<SMS_TO_FILE_STRUCT> store(n);
    const double newest = sms::MakeDateTime(2026, 6, 1, 12, 0, 0);
    const int32_t statuses[] = {0, 1, 1, 3};
    for (size_t i = 0; i < n; ++i) {
        SMS_TO_FILE_STRUCT& rec = store[i];
        rec.status = statuses[random() % 4];
        sms::SetSmsNumber(rec, "+4917" + std::to_string(random() % 10000000));
        sms::SetSmsText(rec, u"A message of a typical length, written on the way home.");
        rec.date = newest - static_cast<double>(i);
    }
    return store;
}

class NoMain : public TSmsMainWindow {
public:
    void Lock() override {}
    void Unlock() override {}
    int ShowMsgBox(QWidget*, const AnsiString&, int) override { return 1; }
    bool IsNetworkRegistered() const override { return true; }
    bool IsConnected() const override { return false; }
    QObject* MessageWindow() const override { return nullptr; }

protected:
    void DoSuspendWorker() override {}
    void DoResumeWorker() override {}
};

// The SMS window opened over 10,000 messages. rss_MB: the process with the
// window open; window_MB: what the store and the window added to it.
void StartSmsWindow(benchmark::State& state)
{
    QApplication& app = App();
    const fs::path dir = fs::temp_directory_path() / ("qvx_windowbench_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path oldCwd = fs::current_path();
    fs::current_path(dir);
    if (!sms::SaveSmsFile((dir / sms::kSmsFileName).string(), MakeStore(10000)))
        state.SkipWithError("the store could not be written");
    {
        TIniFile config((dir / "Config.ini").string());
        TModemComm comm(&config, (dir / "ComPort.log").string());
        TLanguage language((QCoreApplication::applicationDirPath() + "/Language.ini").toStdString(),
                           (dir / "Config.ini").string());
        const double before = ResidentMb();
        double open = 0.0;
        for (auto _ : state) {
            TFormExSMS window(nullptr, &language, &comm, std::make_unique<NoMain>());
            app.processEvents();
            if (open == 0.0)
                open = ResidentMb();
            benchmark::DoNotOptimize(&window);
        }
        state.counters["rss_MB"] = open;
        state.counters["window_MB"] = open - before;
    }
    fs::current_path(oldCwd);
    std::error_code ec;
    fs::remove_all(dir, ec);
}
BENCHMARK(StartSmsWindow)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
