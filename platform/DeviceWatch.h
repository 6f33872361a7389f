#pragma once
// Port-arrival notices: watches the device folder (QVX_DEVICE_DIR) or, without
// one, /dev, and reports each COM port that appears ("COM7"). Lives on a thread
// with an event loop (the user-interface thread); the callback runs there.
#include <functional>
#include <memory>
#include <set>
#include "platform/Types.h"

class QFileSystemWatcher;

class TDeviceWatch {
public:
    using Callback = std::function<void(const AnsiString& portName)>;

    explicit TDeviceWatch(Callback onArrival);
    ~TDeviceWatch();
    TDeviceWatch(const TDeviceWatch&) = delete;
    TDeviceWatch& operator=(const TDeviceWatch&) = delete;

    // Compares the ports now present with those seen before and reports the new
    // ones; called on every change of the watched folder.
    void Rescan();
    const AnsiString& WatchedFolder() const { return m_folder; }

private:
    Callback m_onArrival;
    AnsiString m_folder;
    std::unique_ptr<QFileSystemWatcher> m_watcher;
    std::set<int> m_known;
};
