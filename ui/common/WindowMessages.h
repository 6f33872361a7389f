#pragma once
// The program's own window messages and how they travel between threads.
// A window that takes them derives from TMessageWindow as well as from its Qt
// class. SendMessage on the window's own thread calls its Dispatch at once;
// from another thread it is queued onto the window's thread and the sender
// waits for the handler. PostMessage only queues.
#include <QObject>
#include <cstdint>
#include <functional>

using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

inline constexpr UINT WM_APP = 0x8000;
inline constexpr UINT WM_UPDATE_STATISTIC = WM_APP + 411;
inline constexpr UINT WM_SEARCH_MODEM = WM_APP + 500;
inline constexpr UINT WM_CHECK_PIN = WM_APP + 501;
inline constexpr UINT WM_CHECK_NETWORK = WM_APP + 502;
inline constexpr UINT WM_SIGNAL_QUALITY = WM_APP + 503;
inline constexpr UINT WM_SMS_STORE_CHANGED = WM_APP + 504;
inline constexpr UINT WM_SMS_UNREAD_STATE = WM_APP + 505;
inline constexpr UINT WM_MODEM_STATE_CHANGED = WM_APP + 666;

struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

class TMessageWindow {
public:
    virtual ~TMessageWindow() = default;
    virtual void Dispatch(TMessage& message) = 0;
};

// True when the caller should stop waiting for the window's thread.
using TCancelCheck = std::function<bool()>;

// Runs `fn` on the thread of `context`: at once when already there; otherwise
// queued, and with `wait` the caller blocks until it ran, the context object
// went away, or `cancel` turned true (checked every 10 ms). True when it ran.
bool RunInThreadOf(QObject* context, std::function<void()> fn, bool wait, const TCancelCheck& cancel = {});

// A null window, or one that is no TMessageWindow, takes nothing (result 0).
LRESULT SendMessage(QObject* window, UINT msg, WPARAM wParam, LPARAM lParam, const TCancelCheck& cancel = {});
bool PostMessage(QObject* window, UINT msg, WPARAM wParam, LPARAM lParam);
