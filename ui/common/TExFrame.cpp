#include "ui/common/TExFrame.h"

#include "ui/common/TClickGuard.h"
#include "ui/common/TFocusGuard.h"
#include "ui/common/TFormEx.h"
#include "ui/common/UiStyle.h"

TExFrame::TExFrame(QWidget* owner) : QFrame(owner)
{
    TClickGuard::Install();
    TFocusGuard::Install();
    // The resource's defaults: 316 x 236, light grey, "Tahoma" 8.
    resize(316, 236);
    setFrameShape(QFrame::NoFrame);
    setFont(NamedFontPt("Tahoma", 8));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, BgrColor(0xEFEFEF));
    pal.setColor(QPalette::WindowText, BgrColor(0x000000));
    setPalette(pal);
    setAutoFillBackground(true);
}

TExFrame::~TExFrame() = default;

void TExFrame::ShowPage()
{
    show();
    // A page switch takes the user into the page, to the entry they had there.
    if (isVisible())
        TFocusGuard::Enter(this);
}

QWidget* TExFrame::FirstEntry()
{
    return TFocusGuard::FirstEntryIn(this);
}

void TExFrame::HidePage()
{
    hide();
}

void TExFrame::SaveSettings() {}
void TExFrame::LoadSettings() {}
void TExFrame::ApplyLanguage() {}
void TExFrame::SetBackground(const QPixmap& picture)
{
    Q_UNUSED(picture);
}
void TExFrame::MoveTo(int top)
{
    Q_UNUSED(top);
}
void TExFrame::UpdateModemState() {}
void TExFrame::Lock() {}
void TExFrame::Unlock() {}
int TExFrame::UserClosesHost(int result)
{
    return result;
}

TFormEx* TExFrame::HostForm() const
{
    for (QWidget* w = parentWidget(); w != nullptr; w = w->parentWidget())
        if (auto* form = qobject_cast<TFormEx*>(w))
            return form;
    return nullptr;
}
