#pragma once
// The port's trace-log thread: takes event records off the port's queue and
// writes them to the trace file until the port stops it.
#include <atomic>
#include <cstdint>

class TMessageQueue;

struct TPortLogParams {
    TMessageQueue* queue = nullptr;
    char path[260] = {};
    const std::atomic<uint32_t>* running = nullptr;
};

// Runs until *running becomes 0, then writes out what is still queued and
// returns 1. When the queue is empty it waits up to 100 ms for a record, and
// notices a stop within about 10 ms. Returns 0 for missing parameters.
uint32_t PortLogThreadProc(TPortLogParams* params);
