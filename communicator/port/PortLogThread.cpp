#include "communicator/port/PortLogThread.h"

#include <cstring>
#include <string>

#include "communicator/port/TMessageQueue.h"
#include "communicator/port/TPortLog.h"
#include "platform/Ticks.h"

namespace {
constexpr uint32_t kIdleWaitMs = 100;
constexpr uint32_t kStopCheckMs = 10;

bool Running(const TPortLogParams& p) { return p.running->load(std::memory_order_acquire) != 0; }
}  // namespace

uint32_t PortLogThreadProc(TPortLogParams* params)
{
    if (params == nullptr || params->running == nullptr)
        return 0;
    TMessageQueue* queue = params->queue;

    TPortLog log;
    log.SetQueue(queue);
    // The path need not be terminated within its buffer.
    log.SetFileName(std::string(params->path, strnlen(params->path, sizeof params->path)).c_str());

    while (Running(*params)) {
        if (log.Fetch()) {
            log.Dispatch();
            continue;
        }
        // Idle: a new record wakes the wait at once; the stop flag is looked
        // at in short steps, since whoever stops us does not signal the queue.
        for (uint32_t waited = 0; waited < kIdleWaitMs && Running(*params); waited += kStopCheckMs) {
            if (queue == nullptr)
                Sleep(kStopCheckMs);
            else if (queue->WaitForMessages(kStopCheckMs))
                break;
        }
    }

    // Records posted before the stop still reach the file (a port closed just
    // before shutdown keeps its close block). Only what is queued now is
    // taken, so a port that goes on posting cannot hold the thread here.
    int32_t left = 0;
    if (queue != nullptr && queue->HasMessages(&left)) {
        while (left-- > 0 && log.Fetch())
            log.Dispatch();
    }
    return 1;
}
