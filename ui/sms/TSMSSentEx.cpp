#include "ui/sms/TSMSSentEx.h"

#include <QTableWidget>

namespace {
constexpr TSMSListEx::Kind kKind = {3, 3, 142, 154, false, true, false};
}

TSMSSentEx::TSMSSentEx(QWidget* owner, TLanguage* language, TModemComm* modemComm, const QPixmap& background)
    : TSMSListEx(owner, language, modemComm, background, kKind)
{
    m_pSGrdSent = m_pGrid;
    connect(m_pGrid, &QTableWidget::cellDoubleClicked, this, &TSMSSentEx::OnDblClickGrid);
}

TSMSSentEx::~TSMSSentEx() = default;

void TSMSSentEx::OnDblClickGrid()
{
    OpenCurrentMessage();
}
