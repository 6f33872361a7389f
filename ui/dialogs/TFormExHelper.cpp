#include "ui/dialogs/TFormExHelper.h"

#include <QLabel>

#include "ui/common/ModalResult.h"
#include "ui/common/TExFrame.h"
#include "ui/common/TSkin.h"
#include "ui/common/UiStyle.h"

TFormExHelper::TFormExHelper(QWidget* owner, TExFrame* page, std::function<void()> setAbortFlag)
    : TFormEx(owner), m_pFrame(page), m_setAbortFlag(std::move(setAbortFlag))
{
    SetCentreOnOwner(true);
    resize(407, 289);

    ImageBackTop = new QLabel(this);
    ImageBackTop->setScaledContents(true);
    ImageBackTop->setPixmap(TSkin::Picture(Skin::kHelperBack, QSize(407, 289), BgrColor(0xEFEFEF)));
    ImageBackTop->setGeometry(rect());
    ImageBackTop->lower();
    MakeDragHandle(ImageBackTop);

    if (m_pFrame != nullptr) {
        m_pFrame->setParent(this);
        PlacePage();
        m_pFrame->ApplyLanguage();
    }
    SetTitleStyle(true);
    SetTitle(AnsiString());
}

TFormExHelper::~TFormExHelper() = default;

void TFormExHelper::PlacePage()
{
    if (m_pFrame == nullptr)
        return;
    // Below the title strip, over the rest of the window.
    m_pFrame->setGeometry(0, kTitleHeight, width(), height() - kTitleHeight);
    if (TitlePanel() != nullptr)
        TitlePanel()->raise();
}

void TFormExHelper::resizeEvent(QResizeEvent* event)
{
    TFormEx::resizeEvent(event);
    if (ImageBackTop != nullptr)
        ImageBackTop->setGeometry(rect());
    PlacePage();
}

void TFormExHelper::FormShow()
{
    if (m_pFrame != nullptr)
        m_pFrame->ShowPage();
}

void TFormExHelper::btnExitClick()
{
    // The page may keep the window open, or end it as its own save does.
    const int result = m_pFrame != nullptr ? m_pFrame->UserClosesHost(mrCancel) : mrCancel;
    if (result == mrNone)
        return;
    if (result != mrCancel) {
        CloseWith(result);
        return;
    }
    if (m_setAbortFlag)
        m_setAbortFlag();
    TFormEx::btnExitClick();
}
