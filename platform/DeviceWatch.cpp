#include "platform/DeviceWatch.h"

#include <QFileSystemWatcher>
#include <QString>
#include <cstdlib>

#include "platform/PortMap.h"

TDeviceWatch::TDeviceWatch(Callback onArrival) : m_onArrival(std::move(onArrival))
{
    const char* dir = std::getenv(kDeviceDirEnv);
    m_folder = dir != nullptr && *dir != '\0' ? dir : "/dev";
    for (const TComPortEntry& e : EnumerateComPorts())
        m_known.insert(e.number);
    m_watcher = std::make_unique<QFileSystemWatcher>();
    m_watcher->addPath(QString::fromStdString(m_folder));
    QObject::connect(m_watcher.get(), &QFileSystemWatcher::directoryChanged, m_watcher.get(),
                     [this](const QString&) { Rescan(); });
}

TDeviceWatch::~TDeviceWatch() = default;

void TDeviceWatch::Rescan()
{
    std::set<int> now;
    for (const TComPortEntry& e : EnumerateComPorts())
        now.insert(e.number);
    std::set<int> arrived;
    for (int n : now)
        if (m_known.count(n) == 0)
            arrived.insert(n);
    // A port that went away and comes back is an arrival again.
    m_known = now;
    for (int n : arrived)
        if (m_onArrival)
            m_onArrival("COM" + std::to_string(n));
}
