#pragma once
// The list page of the unread messages.
#include "ui/sms/TSMSListEx.h"

class TSMSUnreadEx : public TSMSListEx {
    Q_OBJECT
public:
    TSMSUnreadEx(QWidget* owner, TLanguage* language, TModemComm* modemComm, const QPixmap& background);
    ~TSMSUnreadEx() override;

    QTableWidget* m_pSGrdUnread = nullptr;

public slots:
    void m_pSGrdUnreadDblClick();

private:
    bool m_bUnsavedMarkTold = false;  // until a read mark is saved again
};
