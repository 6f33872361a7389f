#pragma once
// The common body of the three message list pages (unread, read, sent): a grid
// filled from the communicator's message store, the zoomed message on a double
// click and the deletion of the selected messages. The grid is a view rebuilt
// by every fill; each row carries its record's index in a hidden column.
//
// Columns: 0 empty, 1 index (hidden), 2 number, 3 date "dd/mm/yy hh:nn",
// 4 text (hidden). Rows are counted as the page's algorithms count them: row 0
// is the header, messages start at row 1, and an empty list still shows one
// empty row.
#include <QPixmap>
#include <string>
#include <vector>
#include "communicator/sms/SMS_TO_FILE_STRUCT.h"
#include "platform/Types.h"
#include "ui/common/TExFrame.h"

class QFrame;
class QLabel;
class QTableWidget;
class TFormExSMS;
class TLanguage;
class TLockCover;
class TModemComm;
class TSkinButton;
class TSmsMainWindow;

class TSMSListEx : public TExFrame {
    Q_OBJECT
public:
    // What differs between the three pages.
    struct Kind {
        int page;            // 1, 2, 3
        int status;          // the records shown: 0 unread, 1 read, 3 sent
        int titleId;         // 140, 141, 142
        int numberHeaderId;  // 155 sender, 154 recipient
        bool markReadAfterZoom;
        bool logDelete;          // delete writes its debug lines
        bool notifyAfterDelete;  // delete ends with WM_SMS_STORE_CHANGED
    };

    TSMSListEx(QWidget* owner, TLanguage* language, TModemComm* modemComm, const QPixmap& background,
               const Kind& kind);
    ~TSMSListEx() override;

    void SetSMSMessageData();
    void UpdateDeleteButton();

    void ShowPage() override;
    void ApplyLanguage() override;
    void Lock() override;
    void Unlock() override;

    // Rows including the header; the cell of a column in a row (row >= 1).
    int RowCount() const;
    QString Cell(int column, int row) const;
    // The grid's current row (>= 1).
    int CurrentRow() const;
    // The selected rows (>= 1), top to bottom.
    std::vector<int> SelectedRows() const;
    // Selects rows top .. bottom (>= 1) and makes top the current row.
    void SelectRows(int top, int bottom);
    QTableWidget* Grid() const { return m_pGrid; }
    TSkinButton* DeleteButton() const { return m_pBDelete; }
    TLockCover* DeleteCover() const { return BvlSpacer; }
    const Kind& PageKind() const { return m_kind; }

public slots:
    void OnSelCell();
    void OnSMSDelete();

protected:
    // Enter on a message row opens it as a double click does.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The double click of the grid: the zoomed message; on the unread list the
    // message then becomes read. False when that mark could not be saved.
    bool OpenCurrentMessage();
    TFormExSMS* Host() const;
    TSmsMainWindow* Main() const;
    void Log(const AnsiString& line);
    void SetRowCount(int rows);
    void ClearRows();

    QLabel* Image1 = nullptr;
    QFrame* Bevel1 = nullptr;
    QTableWidget* m_pGrid = nullptr;
    TSkinButton* m_pBDelete = nullptr;
    TLockCover* BvlSpacer = nullptr;

    TLanguage* m_pLanguage = nullptr;
    TModemComm* m_pModemComm = nullptr;

private:
    // What a row needs to find its message again: the index the message had
    // at the fill and a digest of what it is (status, date, number, text).
    // The store holds the message itself; the list keeps no second copy.
    struct ShownKey {
        int32_t index;
        uint64_t digest;
    };
    static uint64_t Digest(const SMS_TO_FILE_STRUCT& record);

    // A row that shows a message (not the one empty row of an empty list).
    bool IsMessageRow(int row) const;
    // The messages the rows show, as they were when the user chose them;
    // rows that show none are left out.
    std::vector<ShownKey> ShownKeys(const std::vector<int>& rows) const;
    // Where a message now stands in the store: at its old index when it is
    // still there, else the first other record of the same content; -1 when
    // it is gone. Positions in `taken` are passed over (twins).
    int FindRecord(const ShownKey& key, const std::vector<int32_t>& taken = {}) const;
    // After a refill: the highlight on the rows of these messages, or on none.
    void Reselect(std::vector<ShownKey> chosen, const ShownKey* current);

    // The message each message row showed at the last fill (row r at r - 1).
    std::vector<ShownKey> m_shown;
    Kind m_kind;
};
