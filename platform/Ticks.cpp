#include "platform/Ticks.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {
std::atomic<uint32_t> g_offset{0};
}

uint32_t GetTickCount()
{
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(ms) + g_offset.load(std::memory_order_relaxed);
}

uint32_t timeGetTime() { return GetTickCount(); }

void Sleep(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void SetTickOffsetForTesting(uint32_t offset) { g_offset.store(offset); }
