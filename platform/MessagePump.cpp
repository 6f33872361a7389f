#include "platform/MessagePump.h"

#include <QCoreApplication>
#include <QThread>

void ProcessMessages()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() != app->thread())
        return;
    QCoreApplication::processEvents();
}
