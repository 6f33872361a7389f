#pragma once
// The list page of the sent messages.
#include "ui/sms/TSMSListEx.h"

class TSMSSentEx : public TSMSListEx {
    Q_OBJECT
public:
    TSMSSentEx(QWidget* owner, TLanguage* language, TModemComm* modemComm, const QPixmap& background);
    ~TSMSSentEx() override;

    QTableWidget* m_pSGrdSent = nullptr;

public slots:
    void OnDblClickGrid();
};
