#include "ui/common/UiLog.h"

#include <QtGlobal>
#include <mutex>

namespace {
std::mutex g_mutex;
TUiLogHook g_hook;
}  // namespace

TUiLogHook SetUiLogHook(TUiLogHook hook)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    TUiLogHook old = std::move(g_hook);
    g_hook = std::move(hook);
    return old;
}

void UiLog(const AnsiString& line)
{
    TUiLogHook hook;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        hook = g_hook;
    }
    if (hook)
        hook(line);
    else
        qWarning("%s", line.c_str());
}
