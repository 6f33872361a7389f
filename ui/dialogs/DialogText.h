#pragma once
// Text lookup for the dialogs: a dialog built without a language table shows
// empty captions rather than failing.
#include <QString>
#include "platform/Types.h"
#include "ui/common/TLanguage.h"
#include "ui/common/UiStyle.h"

inline AnsiString LangText(const TLanguage* language, int id)
{
    return language != nullptr ? language->GetText(id) : AnsiString();
}

inline QString LangQ(const TLanguage* language, int id)
{
    return ToQ(LangText(language, id));
}
