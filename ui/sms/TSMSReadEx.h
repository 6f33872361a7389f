#pragma once
// The list page of the read messages.
#include "ui/sms/TSMSListEx.h"

class TSMSReadEx : public TSMSListEx {
    Q_OBJECT
public:
    TSMSReadEx(QWidget* owner, TLanguage* language, TModemComm* modemComm, const QPixmap& background);
    ~TSMSReadEx() override;

    QTableWidget* m_pSGrdRead = nullptr;

public slots:
    void OnDblClickGrid();
};
