#pragma once
// The record table page Page_sort_name: the table of the notebook in memory by folder or by
// date, its tag column and pop-up menu, and "Выполнить" with the export and print of tagged
// rows. Deleting tagged records is the window's: the page asks for it with the records'
// chosen.

#include "RecordModel.h"

#include <QWidget>

class QMenu;
class QTableView;

namespace kvir {

class OperatorDialogs;

class RecordTablePage final : public QWidget {
    Q_OBJECT

  public:
    RecordTablePage(OperatorDialogs& dialogs, const QLocale& locale, QWidget* parent = nullptr);

    RecordModel& model() { return *model_; }
    // Shows `notebook`; tags stay with their records.
    void showNotebook(const Notebook& notebook);
    // The view (1 by folder, 2 by date), with the data columns whose bit is set in `shown`;
    // every tag is cleared and no row is current.
    void showView(int view, quint8 shown);
    // Makes the row of `slot` current and visible.
    void selectSlot(int slot);
    void setCaption(const QString& caption) { caption_ = caption; }

  signals:
    void protocolEntry(const QString& text);
    // "Выполнить" found records tagged for deletion.
    void deleteRequested(const QList<int>& chosen);
    // A short note for the status line.
    void status(const QString& text);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildMenu();
    void Retag(const std::function<QString(const QString&)>& change);
    void Execute();

    OperatorDialogs& dialogs_;
    RecordModel* model_;
    QTableView* table_;
    QMenu* menu_ = nullptr;
    QString caption_;
};

}  // namespace kvir
