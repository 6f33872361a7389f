#pragma once
// The logic behind the main window's ShowMsgBox: every window's way to tell
// or ask the user. Builds a TMsgBoxEx over the owner (none: the main window,
// TFormEx::MainForm), shows it modally and returns its result: 1 (OK), 6 or 7
// by the table of TMsgBoxEx.
//
// While the communicator's abort flag is raised the box is built but not
// shown, and the result is the box's Esc answer (1 for type 0, 7 otherwise):
// an abandoned program answers every question with "no".
//
// A box given `stillNeeded` checks it while it is up and closes with its Esc
// answer once the question no longer holds (the modem it asks for is back).
#include <functional>

#include "platform/Types.h"

class QWidget;
class TLanguage;

int RunMsgBox(QWidget* owner, const AnsiString& text, char type, TLanguage* language, bool abortFlag,
              const std::function<bool()>& stillNeeded = {});
