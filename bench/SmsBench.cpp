// How fast a typical message decodes and encodes in either alphabet, and how
// fast a large store loads, sorts and saves. The 7-bit figures are read
// against their UCS2 counterparts of the same run.
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

// A full message of each alphabet: 160 septets against 70 UCS2 units.
WideString Full7BitText()
{
    WideString text;
    for (int i = 0; text.size() < 160; ++i)
        text += u"Meet me at the station at " + WideString(1, char16_t(u'0' + i % 10)) +
                u" o'clock, bring the tickets. ";
    text.resize(160);
    return text;
}

WideString FullUcs2Text()
{
    WideString text;
    while (text.size() < 70)
        text += u"\u0412\u0441\u0442\u0440\u0435\u0447\u0430\u0435\u043C\u0441\u044F \u043D\u0430 \u0432\u043E\u043A\u0437\u0430\u043B\u0435. ";
    text.resize(70);
    return text;
}

STRUCT_TPDU SubmitOf(const WideString& text, int dcs)
{
    STRUCT_TPDU tpdu;
    sms::InitTPDU(tpdu);
    tpdu.address = "491715550100";
    tpdu.dcs = dcs;
    tpdu.text = text;
    return tpdu;
}

// The received form of a message: an SMS-DELIVER with the same user data.
std::string DeliverOf(const WideString& text, int dcs)
{
    const std::string submit = sms::EncodePDU(SubmitOf(text, dcs));
    // 00 11 00 0C 91 <6 octets> 00 <dcs> FF <udl> ...: the user data length onward.
    const std::string userData = submit.substr(2 * (5 + 6 + 3));
    return "00" "04" "0C91947151550010" "00" + sms::IntToHex2(dcs) + "11208211050500" + userData;
}

void Decode(benchmark::State& state, const WideString& text, int dcs)
{
    const std::string pdu = DeliverOf(text, dcs);
    STRUCT_TPDU check;
    if (sms::DecodePDU(pdu, check) != sms::PduResult::Decoded || check.text != text)
        state.SkipWithError("the sample message does not decode to its text");
    for (auto _ : state) {
        STRUCT_TPDU out;
        benchmark::DoNotOptimize(sms::DecodePDU(pdu, out));
    }
    state.SetItemsProcessed(state.iterations());
}

void Encode(benchmark::State& state, const WideString& text, int dcs)
{
    const STRUCT_TPDU tpdu = SubmitOf(text, dcs);
    if (sms::EncodePDU(tpdu).empty())
        state.SkipWithError("the sample message does not encode");
    for (auto _ : state)
        benchmark::DoNotOptimize(sms::EncodePDU(tpdu));
    state.SetItemsProcessed(state.iterations());
}

void Decode7BitMessage(benchmark::State& state) { Decode(state, Full7BitText(), 0x00); }
void DecodeUcs2Message(benchmark::State& state) { Decode(state, FullUcs2Text(), 0x08); }
void Encode7BitMessage(benchmark::State& state) { Encode(state, Full7BitText(), 0x00); }
void EncodeUcs2Message(benchmark::State& state) { Encode(state, FullUcs2Text(), 0x08); }
BENCHMARK(Decode7BitMessage);
BENCHMARK(DecodeUcs2Message);
BENCHMARK(Encode7BitMessage);
BENCHMARK(EncodeUcs2Message);

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
