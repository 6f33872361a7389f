#pragma once
// Text lookup for the dialogs: a dialog built without a language table shows
// empty captions rather than failing.
#include <QString>
#include "platform/PrivateFile.h"
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

// The text that tells the user why a file of theirs is left as it is, or kept
// aside as damaged (TModemComm::TakeFileNotice).
inline int FileNoticeText(const AnsiString& file, FileNotice notice)
{
    // Damaged, unreadable, read-only, too large: in the order of FileNotice.
    static const int kStore[] = {301, 450, 451, 332}, kPending[] = {454, 454, 455, 454},
                     kTraffic[] = {330, 452, 453, 452};
    const int* texts = file == "Messages.bin" ? kStore : file == "Messages.pending" ? kPending : kTraffic;
    return notice == FileNotice::None ? 0 : texts[static_cast<int>(notice) - static_cast<int>(FileNotice::Damaged)];
}
