#pragma once
// Millisecond ticks of the monotonic clock, wrapping like a 32-bit counter.
#include <cstdint>

uint32_t GetTickCount();
uint32_t timeGetTime();

// Milliseconds from `since` to `now`, correct across a wrap of the counter.
inline uint32_t TickElapsed(uint32_t now, uint32_t since) { return now - since; }

// True once `timeoutMs` have passed since `since`.
inline bool TickExpired(uint32_t now, uint32_t since, uint32_t timeoutMs)
{
    return TickElapsed(now, since) >= timeoutMs;
}

void Sleep(uint32_t ms);

// Timer resolution requests have no effect here: the monotonic clock is exact.
inline void timeBeginPeriod(unsigned) {}
inline void timeEndPeriod(unsigned) {}

// Tests move the tick count to check behaviour across a wrap.
void SetTickOffsetForTesting(uint32_t offset);
