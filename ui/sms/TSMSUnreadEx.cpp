#include "ui/sms/TSMSUnreadEx.h"

#include <QTableWidget>

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
    OpenCurrentMessage();
}
