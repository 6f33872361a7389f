#include "ui/common/WindowMessages.h"

#include <QPointer>
#include <QThread>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace {
// What the sender and the queued call share. The call's functor owns a Done
// guard; whether the call ran or Qt dropped it with its dying receiver, the
// guard's end releases the sender.
struct CallState {
    std::mutex mutex;
    std::condition_variable cv;
    bool finished = false;
    bool ran = false;
    bool abandoned = false;
};

struct DoneGuard {
    explicit DoneGuard(std::shared_ptr<CallState> s) : state(std::move(s)) {}
    DoneGuard(const DoneGuard&) = delete;
    DoneGuard& operator=(const DoneGuard&) = delete;
    std::shared_ptr<CallState> state;
    ~DoneGuard()
    {
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            state->finished = true;
        }
        state->cv.notify_all();
    }
};
}  // namespace

bool RunInThreadOf(QObject* context, std::function<void()> fn, bool wait, const TCancelCheck& cancel)
{
    if (context == nullptr || !fn)
        return false;
    if (QThread::currentThread() == context->thread()) {
        fn();
        return true;
    }
    auto state = std::make_shared<CallState>();
    auto guard = std::make_shared<DoneGuard>(state);
    const bool queued = QMetaObject::invokeMethod(
        context,
        [state, guard, fn = std::move(fn)]() {
            {
                std::lock_guard<std::mutex> lock(state->mutex);
                if (state->abandoned)
                    return;  // the sender gave up: a late handler would act on stale state
                state->ran = true;
            }
            fn();
        },
        Qt::QueuedConnection);
    guard.reset();
    if (!queued || !wait)
        return queued;
    std::unique_lock<std::mutex> lock(state->mutex);
    while (!state->finished) {
        state->cv.wait_for(lock, std::chrono::milliseconds(10));
        if (state->finished)
            break;
        if (cancel) {
            lock.unlock();
            const bool stop = cancel();
            lock.lock();
            if (stop && !state->ran) {
                state->abandoned = true;
                return false;
            }
        }
    }
    return state->ran;
}

LRESULT SendMessage(QObject* window, UINT msg, WPARAM wParam, LPARAM lParam, const TCancelCheck& cancel)
{
    auto* target = dynamic_cast<TMessageWindow*>(window);
    if (target == nullptr)
        return 0;
    auto message = std::make_shared<TMessage>(TMessage {msg, wParam, lParam, 0});
    QPointer<QObject> alive(window);
    RunInThreadOf(
        window,
        [alive, target, message] {
            if (alive)
                target->Dispatch(*message);
        },
        true, cancel);
    return message->Result;
}

bool PostMessage(QObject* window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* target = dynamic_cast<TMessageWindow*>(window);
    if (target == nullptr)
        return false;
    QPointer<QObject> alive(window);
    return QMetaObject::invokeMethod(
        window,
        [alive, target, msg, wParam, lParam] {
            if (!alive)
                return;
            TMessage m {msg, wParam, lParam, 0};
            target->Dispatch(m);
        },
        Qt::QueuedConnection);
}
