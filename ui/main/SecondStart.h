#pragma once
// What a start tells the user when another instance already runs: text 100
// under caption text 101, in the language Config.ini of the program folder
// names, as the main window reads it.
#include <utility>
#include "platform/Types.h"

// {caption, text} from Language.ini and Config.ini in `folder`.
std::pair<AnsiString, AnsiString> SecondStartTexts(const AnsiString& folder);
