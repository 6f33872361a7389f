// What the user waits for in a large store: deleting messages, marking one
// read, storing a sent one, and the one save that each of them costs.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

#include "communicator/TModemComm.h"
#include "communicator/sms/SmsDate.h"
#include "communicator/sms/SmsStoreFile.h"

namespace fs = std::filesystem;

namespace {

// A sorted store of `n` messages, as the program keeps it.
std::vector<SMS_TO_FILE_STRUCT> MakeStore(size_t n)
{
    std::mt19937 random(11);
    std::vector<SMS_TO_FILE_STRUCT> store(n);
    const double newest = sms::MakeDateTime(2026, 6, 1, 12, 0, 0);
    for (size_t i = 0; i < n; ++i) {
        SMS_TO_FILE_STRUCT& rec = store[i];
        rec.status = static_cast<int32_t>(random() % 2);
        sms::SetSmsNumber(rec, "+4917" + std::to_string(random() % 10000000));
        sms::SetSmsText(rec, u"A message of a typical length, written on the way home.");
        rec.date = newest - static_cast<double>(i) / 24.0;
    }
    sms::SortSms(store);
    return store;
}

// A program folder with Messages.bin of `n` messages and a communicator that
// has read it; the process works in that folder while it lives.
class StoreFolder {
public:
    explicit StoreFolder(size_t n)
    {
        m_dir = fs::temp_directory_path() / ("qvx_storebench_" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        m_oldCwd = fs::current_path();
        fs::current_path(m_dir);
        m_master = (m_dir / "master.bin").string();
        sms::SaveSmsFile(m_master, MakeStore(n));
        m_config = std::make_unique<TIniFile>((m_dir / "Config.ini").string());
        m_comm = std::make_unique<TModemComm>(m_config.get(), (m_dir / "ComPort.log").string());
        Reset();
    }
    ~StoreFolder()
    {
        m_comm.reset();
        fs::current_path(m_oldCwd);
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    // Back to the full store, on the disk and in memory.
    void Reset()
    {
        fs::copy_file(m_master, m_dir / sms::kSmsFileName, fs::copy_options::overwrite_existing);
        m_comm->LoadSmsFile();
    }
    TModemComm& Comm() { return *m_comm; }

private:
    fs::path m_dir, m_oldCwd;
    std::string m_master;
    std::unique_ptr<TIniFile> m_config;
    std::unique_ptr<TModemComm> m_comm;
};

// One message deleted from a store of state.range(0) messages.
void DeleteOneMessage(benchmark::State& state)
{
    StoreFolder folder(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        folder.Reset();
        state.ResumeTiming();
        if (!folder.Comm().DeleteSms(static_cast<int32_t>(state.range(0) / 2)))
            state.SkipWithError("the deletion failed");
    }
}
BENCHMARK(DeleteOneMessage)->Arg(10000)->Arg(12000)->Unit(benchmark::kMillisecond);

// 1,000 neighbouring messages selected on a list and deleted from 10,000.
void DeleteSelection(benchmark::State& state)
{
    StoreFolder folder(10000);
    std::vector<int32_t> positions;
    for (int32_t i = 4000; i < 5000; ++i)
        positions.push_back(i);
    for (auto _ : state) {
        state.PauseTiming();
        folder.Reset();
        state.ResumeTiming();
        if (!folder.Comm().DeleteSms(positions))
            state.SkipWithError("the deletion failed");
    }
}
BENCHMARK(DeleteSelection)->Unit(benchmark::kMillisecond);

// One message of 10,000 becomes read.
void StatusChange(benchmark::State& state)
{
    StoreFolder folder(10000);
    int32_t status = 1;
    for (auto _ : state) {
        status = 1 - status;
        if (!folder.Comm().SetSmsStatus(5000, status))
            state.SkipWithError("the status change failed");
    }
}
BENCHMARK(StatusChange)->Unit(benchmark::kMillisecond);

// A sent message added to 10,000.
void AddSentMessage(benchmark::State& state)
{
    StoreFolder folder(10000);
    for (auto _ : state) {
        state.PauseTiming();
        folder.Reset();
        state.ResumeTiming();
        if (!folder.Comm().AddSentSms("+491701234567", u"On my way."))
            state.SkipWithError("the message was not stored");
    }
}
BENCHMARK(AddSentMessage)->Unit(benchmark::kMillisecond);

// The yardstick of all: one save of 10,000 messages.
void SaveOnce(benchmark::State& state)
{
    StoreFolder folder(10000);
    for (auto _ : state)
        if (!folder.Comm().SaveSmsFile())
            state.SkipWithError("the save failed");
}
BENCHMARK(SaveOnce)->Unit(benchmark::kMillisecond);

}  // namespace
