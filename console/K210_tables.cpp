// The record table Tabl_sort_name_dat in both views and the folder summary Tabl_prop_wpad.
// The texts and orders come from NotebookView; here they are copied into the grids.

#include "K210.h"

#include "ArchiveTexts.h"
#include "NotebookView.h"

#include <QHeaderView>

#include <QLineEdit>
#include <QTableWidget>

namespace kvir {

namespace {

// Sets a cell's text, reusing its item: the table is refilled after every page read.
void SetCell(QTableWidget* table, int row, int column, const QString& text) {
    if (QTableWidgetItem* item = table->item(row, column)) {
        if (item->text() != text) {
            item->setText(text);
        }
        return;
    }
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    table->setItem(row, column, item);
}

}  // namespace

QString TGround_form::CurrentUser() const {
    return Edit_reg_fam->text() + QLatin1Char(' ') + Edit_reg_name->text() + QLatin1Char(' ') +
           Edit_reg_fas->text();
}

void TGround_form::FillRecordTable(int view) {
    const Notebook& memory = session_->notebook();
    BuildDateOrder(session_->displayImage());
    BuildFolderOrder(session_->displayImage(), memory.folders);
    const auto& order = view == 2 ? memory.image.orderByDate : memory.image.orderByFolder;
    const int n = RecordCount(memory.image);

    QTableWidget* table = Tabl_sort_name_dat;
    table->setUpdatesEnabled(false);
    if (n == 0) {
        // One empty data row.
        table->setRowCount(1);
        for (int c = 1; c < table->columnCount(); ++c) {
            SetCell(table, 0, c, QString());
        }
    } else {
        table->setRowCount(n);
        const DeviceModel model = memory.model;
        if (model != DeviceModel::None) {
            const QString user = CurrentUser();
            for (int r = 0; r < n; ++r) {
                const int slot = order[static_cast<size_t>(r)];
                const QStringList cells =
                    RecordCells(memory.image, slot, model, memory.folders, user, locale());
                // Column 0 is the row's tag and stays with its position.
                for (int c = 1; c <= cells.size(); ++c) {
                    SetCell(table, r, c, cells.at(c - 1));
                }
            }
        }
    }
    // The records the archive had never seen before this read are marked "новая" beside their
    // row, as long as no edit has moved the slots since.
    const bool marked = !newSlots_.isEmpty() && newSlotsEdit_ == session_->editCount();
    table->verticalHeader()->setVisible(marked);
    if (marked) {
        for (int r = 0; r < n; ++r) {
            const bool isNew = newSlots_.contains(order[static_cast<size_t>(r)]);
            table->setVerticalHeaderItem(r,
                                         new QTableWidgetItem(isNew ? kNewRecordMark : QString()));
        }
    }
    table->setUpdatesEnabled(true);
    FillFolderSummary();
}

void TGround_form::FillFolderSummary() {
    const Notebook& memory = session_->notebook();
    if (memory.folders.isEmpty()) {
        return;
    }
    const QList<FolderCount> rows = FolderSummary(memory.image, memory.folders);
    QTableWidget* table = Tabl_prop_wpad;
    table->setRowCount(static_cast<int>(rows.size()) + 1);
    for (int r = 0; r < rows.size(); ++r) {
        SetCell(table, r, 0, rows.at(r).name);
        SetCell(table, r, 1, QString::number(rows.at(r).records));
    }
    // The summary ends with one empty row.
    SetCell(table, static_cast<int>(rows.size()), 0, QString());
    SetCell(table, static_cast<int>(rows.size()), 1, QString());
}

}  // namespace kvir
