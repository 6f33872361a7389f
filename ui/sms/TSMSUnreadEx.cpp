#include "ui/sms/TSMSUnreadEx.h"

#include <QTableWidget>

#include "ui/dialogs/DialogText.h"
#include "ui/sms/TFormExSMS.h"

namespace {
constexpr TSMSListEx::Kind kKind = {1, 0, 140, 155, true, false, true};
}

TSMSUnreadEx::TSMSUnreadEx(QWidget* owner, TLanguage* language, TModemComm* modemComm, const QPixmap& background)
    : TSMSListEx(owner, language, modemComm, background, kKind)
{
    m_pSGrdUnread = m_pGrid;
    connect(m_pGrid, &QTableWidget::cellDoubleClicked, this, &TSMSUnreadEx::m_pSGrdUnreadDblClick);
}

TSMSUnreadEx::~TSMSUnreadEx() = default;

void TSMSUnreadEx::m_pSGrdUnreadDblClick()
{
    const bool saved = OpenCurrentMessage();
    // The mark stays in the store for the next save that works; told once,
    // not at every message opened while the file cannot be written.
    if (!saved && !m_bUnsavedMarkTold && Main() != nullptr)
        Main()->ShowMsgBox(Host(), LangText(m_pLanguage, 353), 0);
    m_bUnsavedMarkTold = !saved;
}
