// How fast a typical message decodes, and how fast a large store loads,
// sorts and saves.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>

#include "communicator/sms/GsmAlphabet.h"
#include "communicator/sms/SMS_TO_FILE_STRUCT.h"
#include "communicator/sms/SmsDate.h"
#include "communicator/sms/SmsPdu.h"
#include "communicator/sms/SmsStoreFile.h"

namespace {

// A received 160-character message in the GSM alphabet.
std::string TypicalPdu()
{
    std::string text;
    for (int i = 0; text.size() < 160; ++i)
        text += "Meet me at the station at " + std::to_string(i % 10) + " o'clock, bring the tickets. ";
    text.resize(160);
    return "00" "04" "0B916171957291F8" "00" "00" "11208211050500" "A0" + sms::Encode7Bit(text);
}

void DecodeTypicalPdu(benchmark::State& state)
{
    const std::string pdu = TypicalPdu();
    STRUCT_TPDU tpdu;
    if (sms::DecodePDU(pdu, tpdu) != sms::PduResult::Decoded || tpdu.text.size() != 160)
        state.SkipWithError("the sample message does not decode");
    for (auto _ : state) {
        STRUCT_TPDU out;
        benchmark::DoNotOptimize(sms::DecodePDU(pdu, out));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(DecodeTypicalPdu);

std::vector<SMS_TO_FILE_STRUCT> MakeStore(size_t n)
{
    std::mt19937 random(7);
    std::vector<SMS_TO_FILE_STRUCT> store(n);
    for (size_t i = 0; i < n; ++i) {
        SMS_TO_FILE_STRUCT& rec = store[i];
        rec.index = static_cast<int32_t>(i);
        rec.status = static_cast<int32_t>(random() % 4);
        sms::SetSmsNumber(rec, "+4917" + std::to_string(random() % 10000000));
        sms::SetSmsText(rec, u"A message of a typical length, written on the way home.");
        rec.date = sms::MakeDateTime(2020 + static_cast<int>(random() % 6), 1 + static_cast<int>(random() % 12),
                                     1 + static_cast<int>(random() % 28), 12, 0, 0);
    }
    return store;
}

std::string StorePath()
{
    return (std::filesystem::temp_directory_path() / ("qvx_bench_" + std::to_string(::getpid()) + ".bin")).string();
}

void SaveStore(benchmark::State& state)
{
    const auto store = MakeStore(10000);
    const std::string path = StorePath();
    for (auto _ : state)
        benchmark::DoNotOptimize(sms::SaveSmsFile(path, store));
    std::filesystem::remove(path);
}
BENCHMARK(SaveStore)->Unit(benchmark::kMillisecond);

void LoadStore(benchmark::State& state)
{
    const std::string path = StorePath();
    sms::SaveSmsFile(path, MakeStore(10000));
    for (auto _ : state) {
        std::vector<SMS_TO_FILE_STRUCT> store;
        benchmark::DoNotOptimize(sms::LoadSmsFile(path, store));
    }
    std::filesystem::remove(path);
}
BENCHMARK(LoadStore)->Unit(benchmark::kMillisecond);

void SortStore(benchmark::State& state)
{
    const auto unsorted = MakeStore(10000);
    for (auto _ : state) {
        state.PauseTiming();
        auto store = unsorted;
        state.ResumeTiming();
        sms::SortSms(store);
        benchmark::DoNotOptimize(store.data());
    }
}
BENCHMARK(SortStore)->Unit(benchmark::kMillisecond);

}  // namespace
