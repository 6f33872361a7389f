#pragma once
// The files of the program folder: the folder of the running program, where
// Config.ini, Language.ini and the skin folder lie.
#include <QString>
#include "platform/Types.h"

// The program's folder without a trailing separator ("." before the
// application object exists). QVX_PROGRAM_DIR names another one, holding
// the program's files or links to them: the demo's, whose messages, settings
// and logs must not mix with those of a real modem.
AnsiString ProgramFolder();
// Names another program folder (empty: back to the running program's).
void SetProgramFolder(const AnsiString& folder);
AnsiString ConfigIniPath();    // <program folder>/Config.ini
AnsiString LanguageIniPath();  // <program folder>/Language.ini
// <program folder>/skin, unless a test has named another folder.
QString SkinFolder();
// Names the skin folder (empty: back to the program folder's).
void SetSkinFolder(const QString& folder);
