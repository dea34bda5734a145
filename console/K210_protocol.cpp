// The activity protocol on the tab "Протокол работы программы" and the two information
// grids beside it.

#include "K210.h"

#include "ProtocolText.h"
#include "session/OperatorTexts.h"
#include "session/TextFiles.h"

#include <QHeaderView>
#include <QListWidget>
#include <QTableWidget>

namespace kvir {

namespace {

const QStringList kIdentLabels{QStringLiteral("Наименование прибора"), QStringLiteral("Версия ПО"),
                               QStringLiteral("Адрес блокнота")};
const QStringList kFolderHeaders{QStringLiteral("Список папок"),
                                 QStringLiteral("Количество записей")};

void SetCell(QTableWidget* grid, int row, int column, const QString& text) {
    if (QTableWidgetItem* item = grid->item(row, column)) {
        item->setText(text);
    } else {
        grid->setItem(row, column, new QTableWidgetItem(text));
    }
}

}  // namespace

void TGround_form::AddProtEntry(const QString& text) {
    ListProt->addItem(ProtocolEntry(now(), locale(), text));
}

QStringList TGround_form::protocolLines() const {
    QStringList lines;
    lines.reserve(ListProt->count());
    for (int i = 0; i < ListProt->count(); ++i) {
        lines.append(ListProt->item(i)->text());
    }
    return lines;
}

void TGround_form::LoadProtocol() {
    ListProt->clear();
    if (const auto lines = LoadLines(filePath(kProtocolFileName))) {
        ListProt->addItems(*lines);
    }
}

void TGround_form::But_clear_protClick() {
    ListProt->clear();
}

void TGround_form::But_save_protClick() {
    const DialogButton answer = dialogs().Ask(
        QStringLiteral("Протокол будет сохранен\r\nв файле\r\nKVIR-prot.txt\r\nсохранить?"),
        QStringLiteral("Внимание"), DialogButtons::YesNo);
    if (answer != DialogButton::Yes) {
        return;
    }
    const QString path = filePath(kProtocolFileName);
    FileFault fault = FileFault::None;
    if (!SaveLinesAtomically(path, protocolLines(), &fault)) {
        ReportSaveFailure(path, fault);
    }
}

void TGround_form::Tab_protShow() {
    for (int row = 0; row < kIdentLabels.size(); ++row) {
        SetCell(Tabl_identif, row, 0, kIdentLabels.at(row));
    }
    Tabl_prop_wpad->setHorizontalHeaderLabels(kFolderHeaders);
}

void TGround_form::ResetIdentTables() {
    Tabl_identif->setRowCount(3);
    for (int row = 0; row < 3; ++row) {
        SetCell(Tabl_identif, row, 0, kIdentLabels.at(row));
        SetCell(Tabl_identif, row, 1, QString());
    }
    // Header row and one empty row.
    Tabl_prop_wpad->setRowCount(1);
    Tabl_prop_wpad->setHorizontalHeaderLabels(kFolderHeaders);
    SetCell(Tabl_prop_wpad, 0, 0, QString());
    SetCell(Tabl_prop_wpad, 0, 1, QString());
}

void TGround_form::ShowIdentification() {
    const std::array<QString, 3>& values = session_->identification();
    for (int row = 0; row < 3; ++row) {
        SetCell(Tabl_identif, row, 1, values.at(static_cast<size_t>(row)));
    }
}

}  // namespace kvir
