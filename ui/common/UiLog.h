#pragma once
// Where the user interface's own complaints go (bad input files, missing skin
// pictures). Without a hook the lines go to Qt's warning channel; the main
// window may route them into its debug log.
#include <functional>
#include "platform/Types.h"

using TUiLogHook = std::function<void(const AnsiString& line)>;

// Replaces the hook; an empty hook restores the default. Returns the old one.
TUiLogHook SetUiLogHook(TUiLogHook hook);
void UiLog(const AnsiString& line);
