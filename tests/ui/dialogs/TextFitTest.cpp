// Every caption of the small dialogs fits its place in every language of the
// delivered language file, and every label shows its text as plain text.
#include <gtest/gtest.h>

#include "DialogTestSupport.h"
#include "ui/dialogs/TFormExAbout.h"
#include "ui/dialogs/TFormExConnectTrouble.h"
#include "ui/dialogs/TPinQueryExForm.h"

namespace {

void ExpectAllFit(const QWidget& w, const char* what)
{
    for (const std::string& miss : uitest::TextsThatDoNotFit(&w))
        ADD_FAILURE() << what << ": " << miss;
    for (const std::string& rich : uitest::LabelsNotPlain(&w))
        ADD_FAILURE() << what << ": " << rich;
}

TEST(TextFit, DialogCaptionsFitInEveryLanguage)
{
    dlgtest::Languages lang("text_fit");
    for (int i = 0; i < lang.table->GetLanguageCount(); ++i) {
        SCOPED_TRACE(lang.table->GetLanguages()[static_cast<size_t>(i)]);
        lang.table->SetActiveLanguage(i);
        TFormExAbout about(nullptr, lang.get(), lang.config.string());
        about.ApplyLanguage();
        ExpectAllFit(about, "about");
        for (int mode : {2, 3}) {
            TPinQueryExForm pin(nullptr, lang.get());
            pin.SetMode(mode);
            pin.ApplyLanguage();
            pin.SetWarning(TPinQueryExForm::TriesWarning(lang.get(), mode, 1));
            ExpectAllFit(pin, mode == 2 ? "PIN" : "PUK");
        }
        TFormExConnectTrouble trouble(nullptr, 678, "The remote computer did not respond.", lang.get());
        trouble.ApplyLanguage();
        ExpectAllFit(trouble, "connection trouble");
    }
}

}  // namespace
