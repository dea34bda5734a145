// Record tags of the record table, and "Выполнить": export of the rows tagged "s" to a file,
// printing of the rows tagged "p" and deletion of the records tagged "d".

#include "K210.h"

#include "ExportFile.h"
#include "NotebookView.h"
#include "PrintReport.h"
#include "TaggedRows.h"
#include "session/Session.h"

#include <QFileInfo>
#include <QPrinter>
#include <QTableWidget>

namespace kvir {

namespace {

const QString kTagDelete = QStringLiteral("d");
const QString kTagSave = QStringLiteral("s");
const QString kTagPrint = QStringLiteral("p");

constexpr int kSlotColumn = 1;
constexpr int kFirstDataColumn = 2;
constexpr int kLastDataColumn = 9;

QString Cell(const QTableWidget* table, int row, int column) {
    const QTableWidgetItem* item = table->item(row, column);
    return item != nullptr ? item->text() : QString();
}

QString Tag(const QTableWidget* table, int row) {
    return Cell(table, row, 0);
}

void SetTag(QTableWidget* table, int row, const QString& tag) {
    if (QTableWidgetItem* item = table->item(row, 0)) {
        item->setText(tag);
        return;
    }
    if (tag.isEmpty()) {
        return;
    }
    auto* item = new QTableWidgetItem(tag);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    table->setItem(row, 0, item);
}

// The rows from the first to the last selected one; nothing when no data row is current
// (after a view change).
struct Block {
    int top = 0;
    int bottom = 0;
};
std::optional<Block> SelectedBlock(const QTableWidget* table) {
    const int current = table->currentRow();
    if (current < 0 || current >= table->rowCount()) {
        return std::nullopt;
    }
    const QList<QTableWidgetSelectionRange> ranges = table->selectedRanges();
    if (ranges.isEmpty()) {
        return Block{current, current};
    }
    Block block{ranges.first().topRow(), ranges.first().bottomRow()};
    for (const QTableWidgetSelectionRange& range : ranges) {
        block.top = std::min(block.top, range.topRow());
        block.bottom = std::max(block.bottom, range.bottomRow());
    }
    block.bottom = std::min(block.bottom, table->rowCount() - 1);
    return block;
}

// Applies `change` (old tag -> new tag) to every row of the selected block.
template <typename Change>
void RetagSelection(QTableWidget* table, Change change) {
    const std::optional<Block> block = SelectedBlock(table);
    if (!block) {
        return;
    }
    for (int row = block->top; row <= block->bottom; ++row) {
        const QString old = Tag(table, row);
        const QString now = change(old);
        if (now != old) {
            SetTag(table, row, now);
        }
    }
}

void TagUntagged(QTableWidget* table, const QString& tag) {
    RetagSelection(table, [&tag](const QString& old) { return old.isEmpty() ? tag : old; });
}

QStringList HeaderCells(const QTableWidget* table) {
    QStringList cells;
    for (int c = kFirstDataColumn; c <= kLastDataColumn; ++c) {
        const QTableWidgetItem* item = table->horizontalHeaderItem(c);
        cells << (item != nullptr ? item->text() : QString());
    }
    return cells;
}

// The rows tagged `tag`, with the texts of `columns`.
QList<QStringList> TaggedRows(const QTableWidget* table, const QString& tag,
                              const QList<int>& columns) {
    QList<QStringList> rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (Tag(table, row) == tag) {
            QStringList cells;
            for (const int c : columns) {
                cells << Cell(table, row, c);
            }
            rows << cells;
        }
    }
    return rows;
}

// The rows tagged "s" to a ".csv" or ".txt" file, every data column.
void ExportTaggedRows(TGround_form& form) {
    const QTableWidget* table = form.Tabl_sort_name_dat;
    QList<int> columns;
    for (int c = kFirstDataColumn; c <= kLastDataColumn; ++c) {
        columns << c;
    }
    if (const std::optional<QString> line =
            ExportRows(form.dialogs(), HeaderCells(table), TaggedRows(table, kTagSave, columns))) {
        form.AddProtEntry(*line);
    }
}

// The header line and the rows tagged "p", visible columns only, as one print job.
void PrintTaggedRows(TGround_form& form) {
    const QTableWidget* table = form.Tabl_sort_name_dat;
    QList<int> visible;
    for (int c = kFirstDataColumn; c <= kLastDataColumn; ++c) {
        if (!table->isColumnHidden(c) && table->columnWidth(c) > 0) {
            visible << c;
        }
    }
    const QStringList allHeaders = HeaderCells(table);
    QStringList headers;
    for (const int c : visible) {
        headers << allHeaders.at(c - kFirstDataColumn);
    }
    if (PrintRows(form.dialogs(), headers, TaggedRows(table, kTagPrint, visible))) {
        form.AddProtEntry(QStringLiteral("Печать отчета для прибора ") + form.caption());
    }
}

// The slot a row shows, when the row still shows that slot's record: a row without a slot
// index (the empty row of an empty notebook), a free slot, or a slot whose record changed
// since the table was filled (the folder editor packs the notebook without refilling the
// table) gives nothing, so that no other record is ever deleted.
std::optional<int> RecordOfRow(TGround_form& form, int row) {
    const QTableWidget* table = form.Tabl_sort_name_dat;
    bool ok = false;
    const int slot = Cell(table, row, kSlotColumn).toInt(&ok);
    const Notebook& memory = form.session().notebook();
    if (!ok || slot < 0 || slot >= kNotebookSlots ||
        memory.image.folderNo[static_cast<std::size_t>(slot)] == 0 ||
        memory.model == DeviceModel::None) {
        return std::nullopt;
    }
    const QStringList cells =
        RecordCells(memory.image, slot, memory.model, memory.folders, QString(), form.locale());
    // Date-time, mode and values; the folder's name and the user may have been changed.
    for (int c = 3; c <= 8; ++c) {
        if (Cell(table, row, c) != cells.value(c - 1)) {
            return std::nullopt;
        }
    }
    return slot;
}

// Frees the records tagged "d", shows the table without them and offers to write the
// notebook back. A tagged row that no longer shows its slot's record deletes nothing, and the
// operator is told how many such rows there were.
void DeleteTaggedRows(TGround_form& form) {
    QTableWidget* table = form.Tabl_sort_name_dat;
    QList<int> chosen;
    int stale = 0;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (Tag(table, row) != kTagDelete) {
            continue;
        }
        SetTag(table, row, QString());
        if (const std::optional<int> slot = RecordOfRow(form, row)) {
            chosen << *slot;
        } else if (!Cell(table, row, kSlotColumn).isEmpty()) {
            ++stale;
        }
    }
    if (stale > 0) {
        form.dialogs().Inform(
            QStringLiteral("Не удалено записей: %1\r\nстроки таблицы не соответствуют блокноту "
                           "в памяти\r\nотметьте записи заново")
                .arg(stale),
            QStringLiteral("ВНИМАНИЕ!"));
    }
    if (chosen.isEmpty()) {
        return;
    }
    NotebookImage& image = form.session().edit().image;
    for (const int slot : chosen) {
        ClearRecordSlot(image, slot);
    }
    form.AddProtEntry(QStringLiteral("Удаление ") + QString::number(chosen.size()) +
                      QStringLiteral(" записей для прибора ") + form.caption());
    form.FillRecordTable(form.activeView());
    if (form.dialogs().Ask(QStringLiteral("Сохранить изменения в блокноте прибора?"),
                           QStringLiteral("Предупреждение")) == DialogButton::Yes) {
        form.WriteNotebook();
    }
}

// Clears every tag when it goes out of scope, also when an action is abandoned.
class ClearTagsAtEnd {
  public:
    explicit ClearTagsAtEnd(QTableWidget* table) : table_(table) {}
    ~ClearTagsAtEnd() {
        for (int row = 0; row < table_->rowCount(); ++row) {
            if (!Tag(table_, row).isEmpty()) {
                SetTag(table_, row, QString());
            }
        }
    }
    ClearTagsAtEnd(const ClearTagsAtEnd&) = delete;
    ClearTagsAtEnd& operator=(const ClearTagsAtEnd&) = delete;

  private:
    QTableWidget* table_;
};

}  // namespace

void TGround_form::p_menu_set_allClick() {
    QTableWidget* table = Tabl_sort_name_dat;
    if (table->rowCount() == 0) {
        return;
    }
    table->setCurrentCell(0, 0, QItemSelectionModel::NoUpdate);
    table->selectAll();
}

void TGround_form::p_menu_clrClick() {
    RetagSelection(Tabl_sort_name_dat, [](const QString&) { return QString(); });
}

void TGround_form::p_menu_saveClick() {
    TagUntagged(Tabl_sort_name_dat, kTagSave);
}

void TGround_form::p_menu_printClick() {
    TagUntagged(Tabl_sort_name_dat, kTagPrint);
}

void TGround_form::p_menu_set_delClick() {
    TagUntagged(Tabl_sort_name_dat, kTagDelete);
}

void TGround_form::p_menu_clr_delClick() {
    RetagSelection(Tabl_sort_name_dat,
                   [](const QString& old) { return old == kTagDelete ? QString() : old; });
}

void TGround_form::Tabl_sort_name_datKeyDown(int key) {
    if (key != Qt::Key_Delete) {
        return;  // the grid's own handling
    }
    RetagSelection(Tabl_sort_name_dat,
                   [](const QString& old) { return old.isEmpty() ? kTagDelete : QString(); });
}

void TGround_form::But_exe_zapClick() {
    QTableWidget* table = Tabl_sort_name_dat;
    bool save = false;
    bool print = false;
    bool remove = false;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QString tag = Tag(table, row);
        save = save || tag == kTagSave;
        print = print || tag == kTagPrint;
        remove = remove || tag == kTagDelete;
    }
    const ClearTagsAtEnd clear(table);
    if (save) {
        ExportTaggedRows(*this);
    }
    if (print) {
        PrintTaggedRows(*this);
    }
    if (remove) {
        DeleteTaggedRows(*this);
    }
}

}  // namespace kvir
