#include "ui/main/SecondStart.h"

#include "ui/common/TLanguage.h"

std::pair<AnsiString, AnsiString> SecondStartTexts(const AnsiString& folder)
{
    const TLanguage language(folder + "/Language.ini", folder + "/Config.ini");
    return {language.GetText(101), language.GetText(100)};
}
