#include "ui/dialogs/RunMsgBox.h"

#include <QPointer>
#include <QTimer>

#include "ui/dialogs/TMsgBoxEx.h"

namespace {
constexpr int kStillNeededCheckMs = 250;
}  // namespace

int RunMsgBox(QWidget* owner, const AnsiString& text, char type, TLanguage* language, bool abortFlag,
              const std::function<bool()>& stillNeeded)
{
    if (owner == nullptr)
        owner = TFormEx::MainForm();
    // On the heap and watched: a box whose owner goes away while it is shown
    // is deleted with the owner, and must not be deleted twice.
    QPointer<TMsgBoxEx> box = new TMsgBoxEx(owner, type, text, language);
    int result = box->EscapeResult();
    if (stillNeeded) {
        auto* check = new QTimer(box);
        check->setInterval(kStillNeededCheckMs);
        QObject::connect(check, &QTimer::timeout, box, [box = box.data(), stillNeeded] {
            if (!stillNeeded())
                box->CloseWith(box->EscapeResult());
        });
        check->start();
    }
    if (!abortFlag) {
        const int shown = box->exec();
        if (box != nullptr)
            result = shown;
    }
    delete box.data();
    return result;
}
