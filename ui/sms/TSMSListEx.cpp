#include "ui/sms/TSMSListEx.h"

#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTableWidget>
#include <algorithm>

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

// 64-bit FNV-1a, continued from `hash`.
uint64_t Fnv(uint64_t hash, const void* data, size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ bytes[i]) * 0x100000001B3ull;
    return hash;
}
}  // namespace

uint64_t TSMSListEx::Digest(const SMS_TO_FILE_STRUCT& record)
{
    // Each field with its length, so that no shift between fields gives
    // the same digest.
    const size_t numberLength =
        std::find(record.number, record.number + SMS_TO_FILE_STRUCT::kNumberSize, '\0') - record.number;
    const size_t textLength = std::find(record.text, record.text + SMS_TO_FILE_STRUCT::kTextSize, u'\0') - record.text;
    uint64_t hash = 0xCBF29CE484222325ull;
    hash = Fnv(hash, &record.status, sizeof record.status);
    hash = Fnv(hash, &record.date, sizeof record.date);
    hash = Fnv(hash, &numberLength, sizeof numberLength);
    hash = Fnv(hash, record.number, numberLength);
    hash = Fnv(hash, &textLength, sizeof textLength);
    return Fnv(hash, record.text, textLength * sizeof(char16_t));
}

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
    // Shift+click and drag pick a range; Ctrl+click adds or drops one row.
    m_pGrid->setSelectionMode(QAbstractItemView::ExtendedSelection);
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
    // The arrows move within the list; Tab leaves it as it leaves any field.
    m_pGrid->setTabKeyNavigation(false);
    m_pGrid->installEventFilter(this);
    connect(m_pGrid, &QTableWidget::currentCellChanged, this, &TSMSListEx::OnSelCell);
    // The delete button follows the chosen messages.
    connect(m_pGrid, &QTableWidget::itemSelectionChanged, this, &TSMSListEx::OnSelCell);

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

std::vector<int> TSMSListEx::SelectedRows() const
{
    std::vector<int> rows;
    for (const QTableWidgetSelectionRange& r : m_pGrid->selectedRanges())
        for (int row = r.topRow(); row <= r.bottomRow(); ++row)
            rows.push_back(row + 1);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void TSMSListEx::ClearRows()
{
    m_pGrid->clearContents();
}

// ---- Fill ----

void TSMSListEx::SetSMSMessageData()
{
    // The highlight follows the messages the user chose, not their row
    // numbers: a refill moves rows (a new message on top, a deleted one gone).
    const std::vector<ShownKey> chosen = ShownKeys(SelectedRows());
    const std::vector<ShownKey> current = ShownKeys({m_pGrid->currentRow() + 1});
    const QSignalBlocker quiet(m_pGrid);
    ClearRows();
    SetRowCount(2);
    m_shown.clear();
    if (m_pModemComm != nullptr) {
        TSmsStoreAccess access(Main());
        const std::vector<SMS_TO_FILE_STRUCT>& store = m_pModemComm->GetSmsStore();
        const auto shown = [this](const SMS_TO_FILE_STRUCT& rec) { return rec.status == m_kind.status; };
        const auto count = std::count_if(store.begin(), store.end(), shown);
        SetRowCount(static_cast<int>(count) + 1);
        m_shown.reserve(static_cast<size_t>(count));
        int row = 1;
        for (const SMS_TO_FILE_STRUCT& rec : store) {
            if (!shown(rec))
                continue;
            m_shown.push_back({rec.index, Digest(rec)});
            const QString cells[kColumns] = {QString(), QString::number(rec.index), ToQ(sms::GetSmsNumber(rec)),
                                             smsui::FormatDate(rec.date),
                                             QString::fromStdU16String(sms::GetSmsText(rec))};
            for (int c = 1; c < kColumns; ++c)
                m_pGrid->setItem(row - 1, c, new QTableWidgetItem(cells[c]));
            ++row;
        }
    }
    Reselect(chosen, current.empty() ? nullptr : &current.front());
    // Every list keeps its delete button true to its rows: a button left
    // white over an emptied list would offer a deletion of nothing.
    UpdateDeleteButton();
}

void TSMSListEx::Reselect(std::vector<ShownKey> chosen, const ShownKey* current)
{
    m_pGrid->clearSelection();
    int currentRow = -1;
    for (size_t i = 0; i < m_shown.size() && !chosen.empty(); ++i) {
        const uint64_t digest = m_shown[i].digest;
        const auto it =
            std::find_if(chosen.begin(), chosen.end(), [digest](const ShownKey& key) { return key.digest == digest; });
        if (it == chosen.end())
            continue;
        chosen.erase(it);
        const int row = static_cast<int>(i);
        if (currentRow < 0 || (current != nullptr && current->digest == digest))
            currentRow = row;
        m_pGrid->setRangeSelected(QTableWidgetSelectionRange(row, 0, row, kColumns - 1), true);
    }
    // None of them is left (deleted): no highlight, so that no other message
    // stands ready for the next click on Delete.
    const QModelIndex at = currentRow >= 0 ? m_pGrid->model()->index(currentRow, kNumberColumn) : QModelIndex();
    m_pGrid->selectionModel()->setCurrentIndex(at, QItemSelectionModel::NoUpdate);
}

void TSMSListEx::UpdateDeleteButton()
{
    const QRect b = m_pBDelete->geometry();
    BvlSpacer->setGeometry(b.left() - 3, b.top() - 3, b.width() + 6, b.height() + 6);
    const std::vector<int> selected = SelectedRows();
    const bool chosen = std::any_of(selected.begin(), selected.end(), [this](int row) { return IsMessageRow(row); });
    if (m_pGrid->isEnabled() && chosen) {
        m_pBDelete->SetCaptionColour(BgrColor(0xFFFFFF));
        BvlSpacer->hide();
    } else {
        m_pBDelete->SetCaptionColour(BgrColor(0x808080));
        BvlSpacer->raise();
        BvlSpacer->show();
    }
}

bool TSMSListEx::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pGrid && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const int row = m_pGrid->currentRow();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && row >= 0 && IsMessageRow(row + 1) &&
            m_pGrid->selectionModel()->isRowSelected(row, QModelIndex())) {
            emit m_pGrid->cellDoubleClicked(row, kNumberColumn);
            return true;
        }
    }
    return TExFrame::eventFilter(watched, event);
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

std::vector<TSMSListEx::ShownKey> TSMSListEx::ShownKeys(const std::vector<int>& rows) const
{
    std::vector<ShownKey> keys;
    for (int row : rows)
        if (row >= 1 && static_cast<size_t>(row) <= m_shown.size() && IsMessageRow(row))
            keys.push_back(m_shown[static_cast<size_t>(row - 1)]);
    return keys;
}

// ---- Zoom ----

int TSMSListEx::FindRecord(const ShownKey& key, const std::vector<int32_t>& taken) const
{
    const std::vector<SMS_TO_FILE_STRUCT>& store = m_pModemComm->GetSmsStore();
    const auto free = [&](int pos) {
        return pos >= 0 && std::find(taken.begin(), taken.end(), pos) == taken.end() &&
               Digest(store[static_cast<size_t>(pos)]) == key.digest;
    };
    const int pos = m_pModemComm->GetSelSMSVectorPos(key.index);
    if (free(pos))
        return pos;
    for (size_t i = 0; i < store.size(); ++i)
        if (free(static_cast<int>(i)))
            return static_cast<int>(i);
    return -1;
}

bool TSMSListEx::OpenCurrentMessage()
{
    TSmsMainWindow* main = Main();
    TFormExSMS* host = Host();
    // The message as the user clicked it, read before anything handles
    // events; it is found again by what it is, since the store may be
    // renumbered meanwhile (a message arriving while the action locks).
    const std::vector<ShownKey> rows = ShownKeys({m_pGrid->currentRow() + 1});
    const TUserAction action(main, m_pGrid);
    if (!action || rows.empty() || host == nullptr || m_pModemComm == nullptr)
        return true;
    const ShownKey& shown = rows.front();
    AnsiString number;
    WideString text;
    bool fromName = false;
    {
        TSmsStoreAccess access(main);
        const int pos = FindRecord(shown);
        if (pos < 0)
            return true;
        const SMS_TO_FILE_STRUCT& rec = m_pModemComm->GetSmsStore()[static_cast<size_t>(pos)];
        number = sms::GetSmsNumber(rec);
        text = sms::GetSmsText(rec);
        fromName = sms::IsFromName(rec);
    }
    host->OpenZoom(number, text, fromName);
    bool saved = true;
    if (m_kind.markReadAfterZoom) {
        TSmsStoreAccess access(main);
        const int pos = FindRecord(shown);
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
    // The messages as the user chose them, read before anything handles
    // events (a refill meanwhile moves the rows).
    const std::vector<int> selected = SelectedRows();
    const std::vector<ShownKey> chosen = ShownKeys(selected);
    const TUserAction action(main, m_pBDelete);
    // An empty row is no message: nothing to delete (every list).
    if (!action || (!selected.empty() && chosen.empty()))
        return;
    const int top = selected.empty() ? -1 : selected.front();
    const int bottom = selected.empty() ? -1 : selected.back();
    if (m_kind.logDelete)
        Log("TopRow = " + std::to_string(top) + "; BottomRow = " + std::to_string(bottom + 1));
    if (top < 0) {
        if (main != nullptr)
            main->ShowMsgBox(host, LangText(m_pLanguage, 160), 0);
        return;
    }
    if (host != nullptr)
        host->ShowWaitPanel(LangText(m_pLanguage, 159));
    bool deleted = true;
    bool missing = false;
    {
        // The worker stays off the store while its records are removed and
        // the file rewritten, so no message it reads meanwhile is lost.
        TSmsStoreAccess access(main);
        std::vector<int32_t> positions;
        for (const ShownKey& record : chosen) {
            if (m_kind.logDelete)
                Log("m_pSGrdSent->Cells[1][iTopRow] = " + std::to_string(record.index));
            // Found by what it is: the store may have been renumbered since
            // the click; only the chosen messages go.
            const int pos = FindRecord(record, positions);
            if (m_kind.logDelete)
                Log("pModemComm->GetSelSMSVectorPos(iPos) = " + std::to_string(pos));
            if (pos < 0) {
                Log("Delete SMS: a chosen message is no longer in the message store");
                missing = true;
                continue;
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
    if (main != nullptr && (!deleted || missing))
        main->ShowMsgBox(host, LangText(m_pLanguage, deleted ? 400 : 302), 0);
}
