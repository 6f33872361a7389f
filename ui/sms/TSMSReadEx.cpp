#include "ui/sms/TSMSReadEx.h"

#include <QTableWidget>

namespace {
constexpr TSMSListEx::Kind kKind = {2, 1, 141, 155, false, false, false};
}

TSMSReadEx::TSMSReadEx(QWidget* owner, TLanguage* language, TModemComm* modemComm, const QPixmap& background)
    : TSMSListEx(owner, language, modemComm, background, kKind)
{
    m_pSGrdRead = m_pGrid;
    connect(m_pGrid, &QTableWidget::cellDoubleClicked, this, &TSMSReadEx::OnDblClickGrid);
}

TSMSReadEx::~TSMSReadEx() = default;

void TSMSReadEx::OnDblClickGrid()
{
    OpenCurrentMessage();
}
