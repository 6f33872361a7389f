#include "ui/dialogs/RunMsgBox.h"

#include <QPointer>

#include "ui/dialogs/TMsgBoxEx.h"

int RunMsgBox(QWidget* owner, const AnsiString& text, char type, TLanguage* language, bool abortFlag)
{
    if (owner == nullptr)
        owner = TFormEx::MainForm();
    // On the heap and watched: a box whose owner goes away while it is shown
    // is deleted with the owner, and must not be deleted twice.
    QPointer<TMsgBoxEx> box = new TMsgBoxEx(owner, type, text, language);
    int result = box->EscapeResult();
    if (!abortFlag) {
        const int shown = box->exec();
        if (box != nullptr)
            result = shown;
    }
    delete box.data();
    return result;
}
