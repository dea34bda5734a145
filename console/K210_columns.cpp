// The column choice of the record table: captions and states of the sixteen column check
// boxes for the model, and the table's columns for the active view.

#include "K210.h"

#include "NotebookView.h"

#include "instrument/DeviceModel.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QTableWidget>

namespace kvir {

namespace {

constexpr int kTagColumnWidth = 24;
constexpr int kPixelsPerCharacter = 8;

void SetColumnWidth(QTableWidget* table, int column, int width) {
    table->setColumnHidden(column, width == 0);
    if (width > 0) {
        table->setColumnWidth(column, width);
    }
}

}  // namespace

void TGround_form::SetColumnSet(DeviceModel model) {
    const QStringList headers = ModelHeaders(model);
    if (headers.isEmpty()) {
        return;
    }
    const auto apply = [&headers](const std::array<QCheckBox*, 8>& boxes, int mask) {
        for (int k = 0; k < 8; ++k) {
            const QString& header = headers.at(k);
            QCheckBox* box = boxes[static_cast<std::size_t>(k)];
            box->setEnabled(true);
            box->setText(header);
            box->setChecked((mask & (1 << k)) != 0);
        }
    };
    apply(CheckBox, SettingNumber(QStringLiteral("ShowColPapka"), 255));
    apply(CheckBoxd, SettingNumber(QStringLiteral("ShowColDate"), 255));
}

void TGround_form::LayoutColumns() {
    QTableWidget* table = Tabl_sort_name_dat;
    table->setColumnCount(10);
    SetColumnWidth(table, 0, kTagColumnWidth);
    SetColumnWidth(table, 1, 0);
    const std::array<QCheckBox*, 8>& boxes = activeView() == 2 ? CheckBoxd : CheckBox;
    for (int k = 0; k < 8; ++k) {
        const QCheckBox* box = boxes[static_cast<std::size_t>(k)];
        const int column = k + 2;
        table->setHorizontalHeaderItem(column, new QTableWidgetItem(box->text()));
        const bool shown = box->isChecked() && box->isEnabled();
        SetColumnWidth(table, column,
                       shown ? kPixelsPerCharacter * static_cast<int>(box->text().size()) : 0);
    }
}

void TGround_form::ResetTags() {
    QTableWidget* table = Tabl_sort_name_dat;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (QTableWidgetItem* tag = table->item(row, 0)) {
            tag->setText(QString());
        }
    }
    // No data row is current after a view change.
    table->clearSelection();
    table->setCurrentItem(nullptr);
}

}  // namespace kvir
