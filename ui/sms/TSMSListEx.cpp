#include "ui/sms/TSMSListEx.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <algorithm>
#include <cstring>

#include "communicator/TModemComm.h"
#include "platform/MessagePump.h"
#include "ui/common/TLockCover.h"
#include "ui/common/TSkin.h"
#include "ui/common/TSkinButton.h"
#include "ui/common/TUserAction.h"
#include "ui/common/UiStyle.h"
#include "ui/dialogs/DialogText.h"
#include "ui/sms/SmsUiText.h"
#include "ui/sms/TFormExSMS.h"

namespace {
constexpr int kColumns = 5;
constexpr int kIndexColumn = 1;
constexpr int kNumberColumn = 2;
constexpr int kDateColumn = 3;
constexpr int kTextColumn = 4;

bool ParseIndex(const QString& cell, int& index)
{
    bool ok = false;
    index = cell.trimmed().toInt(&ok);
    return ok && !cell.trimmed().isEmpty();
}

bool SameContent(const SMS_TO_FILE_STRUCT& a, const SMS_TO_FILE_STRUCT& b)
{
    return a.status == b.status && a.date == b.date && std::strcmp(a.number, b.number) == 0 &&
           sms::GetSmsText(a) == sms::GetSmsText(b);
}
}  // namespace

TSMSListEx::TSMSListEx(QWidget* owner, TLanguage* language, TModemComm* modemComm, const QPixmap& background,
                       const Kind& kind)
    : TExFrame(owner), m_pLanguage(language), m_pModemComm(modemComm), m_kind(kind)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    resize(407, 280);
    SetBackColour(this, BgrColor(0xFAF8FE));

    Image1 = new QLabel(this);
    Image1->setScaledContents(true);
    Image1->setPixmap(background);
    Image1->setGeometry(rect());

    Bevel1 = new QFrame(this);
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(14, 7, 372, 260);

    m_pGrid = new QTableWidget(this);
    m_pGrid->setGeometry(21, 14, 358, 218);
    QFont gridFont = TahomaPx(11, true);
    m_pGrid->setFont(gridFont);
    QPalette gp = m_pGrid->palette();
    gp.setColor(QPalette::Base, BgrColor(0xFAF8FE));
    gp.setColor(QPalette::Text, BgrColor(0x000000));
    m_pGrid->setPalette(gp);
    m_pGrid->setColumnCount(kColumns);
    m_pGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pGrid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_pGrid->setShowGrid(true);
    m_pGrid->setWordWrap(false);
    m_pGrid->verticalHeader()->hide();
    m_pGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_pGrid->verticalHeader()->setDefaultSectionSize(16);
    QHeaderView* header = m_pGrid->horizontalHeader();
    header->setFixedHeight(16);
    header->setMinimumSectionSize(0);
    header->setDefaultSectionSize(10);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setHighlightSections(false);
    header->setSectionsClickable(false);
    header->setFont(gridFont);
    const QColor fixed = BgrColor(0xB86C1A);
    header->setStyleSheet(QStringLiteral("QHeaderView::section { background-color: %1; color: #000000; "
                                         "font-weight: bold; border: 0px; border-right: 1px solid #808080; "
                                         "border-bottom: 1px solid #808080; padding-left: 2px; }")
                              .arg(fixed.name()));
    const int widths[kColumns] = {10, 0, 160, 160, 0};
    for (int c = 0; c < kColumns; ++c) {
        m_pGrid->setColumnWidth(c, widths[c]);
        m_pGrid->setHorizontalHeaderItem(c, new QTableWidgetItem(QString()));
    }
    m_pGrid->setColumnHidden(kIndexColumn, true);
    m_pGrid->setColumnHidden(kTextColumn, true);
    m_pGrid->setRowCount(13);  // 14 rows with the header
    connect(m_pGrid, &QTableWidget::currentCellChanged, this, &TSMSListEx::OnSelCell);

    m_pBDelete = new TSkinButton(this);
    m_pBDelete->setGeometry(294, 238, 85, 20);
    m_pBDelete->setFont(TahomaPx(11));
    connect(m_pBDelete, &QAbstractButton::clicked, this, &TSMSListEx::OnSMSDelete);
    BvlSpacer = new TLockCover(this);

    SetRowCount(2);
    UpdateDeleteButton();
}

TSMSListEx::~TSMSListEx() = default;

TFormExSMS* TSMSListEx::Host() const
{
    return TFormExSMS::HostOf(this);
}

TSmsMainWindow* TSMSListEx::Main() const
{
    return TFormExSMS::MainWindowOf(this);
}

void TSMSListEx::Log(const AnsiString& line)
{
    if (m_pModemComm != nullptr)
        m_pModemComm->AddToMemo(line);
}

// ---- The grid as rows counted with the header ----

int TSMSListEx::RowCount() const
{
    return m_pGrid->rowCount() + 1;
}

void TSMSListEx::SetRowCount(int rows)
{
    m_pGrid->setRowCount(qMax(1, rows - 1));
}

QString TSMSListEx::Cell(int column, int row) const
{
    if (row < 1)
        return m_pGrid->horizontalHeaderItem(column) != nullptr ? m_pGrid->horizontalHeaderItem(column)->text()
                                                                 : QString();
    const QTableWidgetItem* item = m_pGrid->item(row - 1, column);
    return item != nullptr ? item->text() : QString();
}

int TSMSListEx::CurrentRow() const
{
    return m_pGrid->currentRow() < 0 ? 1 : m_pGrid->currentRow() + 1;
}

void TSMSListEx::SelectRows(int top, int bottom)
{
    m_pGrid->clearSelection();
    m_pGrid->setCurrentCell(top - 1, kNumberColumn, QItemSelectionModel::NoUpdate);
    m_pGrid->setRangeSelected(QTableWidgetSelectionRange(top - 1, 0, bottom - 1, kColumns - 1), true);
}

void TSMSListEx::SelectionBounds(int& top, int& bottom) const
{
    top = bottom = -1;
    const QList<QTableWidgetSelectionRange> ranges = m_pGrid->selectedRanges();
    for (const QTableWidgetSelectionRange& r : ranges) {
        if (top < 0 || r.topRow() + 1 < top)
            top = r.topRow() + 1;
        bottom = qMax(bottom, r.bottomRow() + 1);
    }
}

void TSMSListEx::ClearRows()
{
    m_pGrid->clearContents();
}

// ---- Fill ----

void TSMSListEx::SetSMSMessageData()
{
    const int keepRow = m_pGrid->currentRow();
    const QSignalBlocker quiet(m_pGrid);
    ClearRows();
    SetRowCount(2);
    if (m_pModemComm != nullptr) {
        TSmsStoreAccess access(Main());
        const std::vector<SMS_TO_FILE_STRUCT>& store = m_pModemComm->GetSmsStore();
        const auto shown = std::count_if(store.begin(), store.end(),
                                         [this](const SMS_TO_FILE_STRUCT& rec) { return rec.status == m_kind.status; });
        SetRowCount(static_cast<int>(shown) + 1);
        int row = 1;
        for (const SMS_TO_FILE_STRUCT& rec : store) {
            if (rec.status != m_kind.status)
                continue;
            const QString cells[kColumns] = {QString(), QString::number(rec.index), ToQ(sms::GetSmsNumber(rec)),
                                             smsui::FormatDate(rec.date),
                                             QString::fromStdU16String(sms::GetSmsText(rec))};
            for (int c = 1; c < kColumns; ++c)
                m_pGrid->setItem(row - 1, c, new QTableWidgetItem(cells[c]));
            ++row;
        }
    }
    // The one empty row of an empty list is no message to select.
    const int current = IsMessageRow(1) ? qBound(0, keepRow, m_pGrid->rowCount() - 1) : -1;
    m_pGrid->setCurrentCell(current, kNumberColumn);
    // Every list keeps its delete button true to its rows: a button left
    // white over an emptied list would offer a deletion of nothing.
    UpdateDeleteButton();
}

void TSMSListEx::UpdateDeleteButton()
{
    const QRect b = m_pBDelete->geometry();
    BvlSpacer->setGeometry(b.left() - 3, b.top() - 3, b.width() + 6, b.height() + 6);
    if (m_pGrid->isEnabled() && IsMessageRow(CurrentRow())) {
        m_pBDelete->SetCaptionColour(BgrColor(0xFFFFFF));
        BvlSpacer->hide();
    } else {
        m_pBDelete->SetCaptionColour(BgrColor(0x808080));
        BvlSpacer->raise();
        BvlSpacer->show();
    }
}

void TSMSListEx::OnSelCell()
{
    UpdateDeleteButton();
}

// ---- Page operations ----

void TSMSListEx::ShowPage()
{
    if (TFormExSMS* host = Host())
        host->SetTitle(LangText(m_pLanguage, m_kind.titleId));
    SetSMSMessageData();
    TExFrame::ShowPage();
}

void TSMSListEx::ApplyLanguage()
{
    if (TFormExSMS* host = Host())
        host->SetTitle(LangText(m_pLanguage, m_kind.titleId));
    m_pGrid->horizontalHeaderItem(kNumberColumn)->setText(LangQ(m_pLanguage, m_kind.numberHeaderId));
    m_pGrid->horizontalHeaderItem(kDateColumn)->setText(LangQ(m_pLanguage, 156));
    m_pBDelete->setText(LangQ(m_pLanguage, 157));
}

void TSMSListEx::Lock()
{
    m_pGrid->setEnabled(false);
    UpdateDeleteButton();
}

void TSMSListEx::Unlock()
{
    m_pGrid->setEnabled(true);
    UpdateDeleteButton();
}

bool TSMSListEx::IsMessageRow(int row) const
{
    // Every message row carries its index; a message may have no number.
    return !Cell(kIndexColumn, row).isEmpty();
}

std::vector<TSMSListEx::ShownRow> TSMSListEx::ShownRows(int top, int bottom) const
{
    std::vector<ShownRow> rows;
    for (int row = qMax(top, 1); row <= bottom; ++row) {
        ShownRow shown {-1, Cell(kNumberColumn, row), Cell(kTextColumn, row).toStdU16String()};
        if (!ParseIndex(Cell(kIndexColumn, row), shown.index))
            break;
        rows.push_back(std::move(shown));
    }
    return rows;
}

bool TSMSListEx::RowShows(const ShownRow& row, const SMS_TO_FILE_STRUCT& record) const
{
    return record.status == m_kind.status && row.number == ToQ(sms::GetSmsNumber(record)) &&
           row.text == sms::GetSmsText(record);
}

// ---- Zoom ----

int TSMSListEx::FindRecord(int oldIndex, const SMS_TO_FILE_STRUCT& record) const
{
    const std::vector<SMS_TO_FILE_STRUCT>& store = m_pModemComm->GetSmsStore();
    const int pos = m_pModemComm->GetSelSMSVectorPos(oldIndex);
    if (pos >= 0 && SameContent(store[static_cast<size_t>(pos)], record))
        return pos;
    for (size_t i = 0; i < store.size(); ++i)
        if (SameContent(store[i], record))
            return static_cast<int>(i);
    return -1;
}

bool TSMSListEx::OpenCurrentMessage()
{
    TSmsMainWindow* main = Main();
    TFormExSMS* host = Host();
    // The row as the user clicked it, read before anything handles events.
    const int row = CurrentRow();
    const std::vector<ShownRow> rows = ShownRows(row, row);
    const TUserAction action(main, m_pGrid);
    if (!action || rows.empty() || host == nullptr || m_pModemComm == nullptr)
        return true;
    const ShownRow& shown = rows.front();
    // The record as it is now: the store may be renumbered while the dialog
    // is open (new messages arrive), so it is found again by its content.
    SMS_TO_FILE_STRUCT record {};
    bool known = false;
    {
        TSmsStoreAccess access(main);
        const int pos = m_pModemComm->GetSelSMSVectorPos(shown.index);
        if (pos >= 0) {
            record = m_pModemComm->GetSmsStore()[static_cast<size_t>(pos)];
            known = RowShows(shown, record);
        }
    }
    host->OpenZoom(FromQ(shown.number), shown.text);
    bool saved = true;
    if (m_kind.markReadAfterZoom) {
        TSmsStoreAccess access(main);
        const int pos = known ? FindRecord(shown.index, record) : -1;
        if (pos >= 0)
            saved = m_pModemComm->SetSmsStatus(m_pModemComm->GetSmsStore()[static_cast<size_t>(pos)].index, 1);
        SendMessage(host, WM_SMS_STORE_CHANGED, 0, 0);
    }
    return saved;
}

// ---- Delete ----

void TSMSListEx::OnSMSDelete()
{
    TSmsMainWindow* main = Main();
    TFormExSMS* host = Host();
    // The selection as the user made it, read before anything handles events
    // (a refill meanwhile moves the rows).
    int top = -1, bottom = -1;
    SelectionBounds(top, bottom);
    const std::vector<ShownRow> rows = ShownRows(top, bottom);
    const TUserAction action(main, m_pBDelete);
    // An empty row is no message: nothing to delete (every list).
    if (!action || (top >= 1 && rows.empty()))
        return;
    if (host != nullptr)
        host->ShowWaitPanel(LangText(m_pLanguage, 159));
    if (m_kind.logDelete)
        Log("TopRow = " + std::to_string(top) + "; BottomRow = " + std::to_string(bottom + 1));
    if (top < 0) {
        if (host != nullptr)
            host->HideWaitPanel();
        if (main != nullptr)
            main->ShowMsgBox(host, LangText(m_pLanguage, 160), 0);
        return;
    }
    bool deleted = true;
    {
        // The worker stays off the store while its records are removed and
        // the file rewritten, so no message it reads meanwhile is lost.
        TSmsStoreAccess access(main);
        const std::vector<SMS_TO_FILE_STRUCT>& store = m_pModemComm->GetSmsStore();
        std::vector<int32_t> positions;
        for (const ShownRow& row : rows) {
            if (m_kind.logDelete)
                Log("m_pSGrdSent->Cells[1][iTopRow] = " + std::to_string(row.index));
            const int pos = m_pModemComm->GetSelSMSVectorPos(row.index);
            if (m_kind.logDelete)
                Log("pModemComm->GetSelSMSVectorPos(iPos) = " + std::to_string(pos));
            // Only the message the row showed is deleted; one no longer in
            // the store ends the selection there.
            if (pos < 0 || !RowShows(row, store[static_cast<size_t>(pos)])) {
                Log("Delete SMS: the row no longer matches the message store");
                break;
            }
            positions.push_back(pos);
        }
        if (!positions.empty()) {
            if (m_kind.logDelete)
                Log("Before Delete SMS");
            deleted = m_pModemComm->DeleteSms(positions);
            if (m_kind.logDelete)
                Log("After Delete SMS");
            if (!deleted)
                Log("Delete SMS failed: the messages are kept");
        }
        if (m_kind.notifyAfterDelete && host != nullptr) {
            // The window refills every list, this one included.
            SendMessage(host, WM_SMS_STORE_CHANGED, 0, 0);
        } else {
            if (m_kind.logDelete)
                Log("Before SetSMSMessageData()");
            SetSMSMessageData();
            if (m_kind.logDelete)
                Log("After SetSMSMessageData()");
        }
        if (m_kind.logDelete)
            Log("After For Loop");
    }
    if (host != nullptr)
        host->HideWaitPanel();
    if (!deleted && main != nullptr)
        main->ShowMsgBox(host, LangText(m_pLanguage, 302), 0);
}
