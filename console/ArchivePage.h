#pragma once
// The "Архив" page: every archived record in the record table's columns and formats, with a
// filter (model, folder, date range, mode, operator) and the count of what it finds; tags and
// "Выполнить" (export, print) as on the record table; the list of snapshots, any complete one
// of which can be opened into memory; and where the archive lives (the local file or a
// PostgreSQL server, whose password is asked for here and never written).
//
// The main window adds the page with its tool-bar button (ToolIcon::Archive) and menu item,
// connects openSnapshot to the session (memory takes the notebook; "Обновить блокнот" restores
// it into an instrument of its model by the session's write rules) and protocolEntry to the
// protocol. The page refreshes itself whenever the console's archive changes.

#include "ArchiveModel.h"
#include "ConsoleArchive.h"
#include "OperatorDialogs.h"

#include <QLocale>
#include <QWidget>

class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QTableWidget;

namespace kvir {

class PictureButton;

class ArchivePage : public QWidget {
    Q_OBJECT

  public:
    ArchivePage(ConsoleArchive& archive, OperatorDialogs& dialogs, const QLocale& locale,
                QWidget* parent = nullptr);

    // Queries the archive again: the filter's lists, the records, the snapshots.
    void refresh();
    // Shows the records of `model` (for example the instrument just read).
    void showModel(DeviceModel model);
    // Shows one archived record (a point clicked on the chart) among the records of its model,
    // folder and day, its row selected; a record the archive does not have is reported.
    void showRecord(qint64 recordId);
    // Runs the filter as the fields give it.
    void applyFilter();
    // The filter the fields give.
    ArchiveFilter fieldsFilter() const;

    ArchiveModel* records() const { return model_; }
    const QList<SnapshotInfo>& snapshots() const { return snapshots_; }

    // Tags the selected rows that have none with "s" or "p", or clears the tags of the
    // selection; "Выполнить" exports and prints the tagged rows.
    void tagSelection(const QString& tag);
    void execute();
    // Opens the snapshot of the list's current row into memory (openSnapshot).
    void openCurrentSnapshot();
    // Uses the server of the connection fields (every field of the connection file, the
    // password only in memory), or the local file again. A schema that is not a name of
    // letters, digits and "_" is refused with a message before anything is sent.
    void connectServer();
    void useLocalFile();

    // Filter.
    QComboBox* Combo_model = nullptr;
    QComboBox* Combo_folder = nullptr;
    QCheckBox* Check_period = nullptr;
    QDateEdit* Date_from = nullptr;
    QDateEdit* Date_to = nullptr;
    QComboBox* Combo_mode = nullptr;
    QComboBox* Combo_operator = nullptr;
    QPushButton* But_find = nullptr;
    QLabel* Label_count = nullptr;
    // Records, tags and "Выполнить".
    QTableView* Table_records = nullptr;
    QMenu* Menu_records = nullptr;
    QAction* a_select_all = nullptr;
    QAction* a_clear = nullptr;
    QAction* a_save = nullptr;
    QAction* a_print = nullptr;
    PictureButton* But_file = nullptr;
    PictureButton* But_print = nullptr;
    QPushButton* But_execute = nullptr;
    // Snapshots.
    QTableWidget* Table_snapshots = nullptr;
    QPushButton* But_open_snapshot = nullptr;
    // Where the archive lives.
    QLabel* Label_state = nullptr;
    QLineEdit* Edit_host = nullptr;
    QLineEdit* Edit_port = nullptr;
    QLineEdit* Edit_database = nullptr;
    QLineEdit* Edit_user = nullptr;
    QLineEdit* Edit_schema = nullptr;
    QLineEdit* Edit_password = nullptr;
    QPushButton* But_server = nullptr;
    QPushButton* But_local = nullptr;

  signals:
    // A complete snapshot, loaded exactly as it was stored, to become the notebook in memory.
    void openSnapshot(const kvir::Notebook& notebook, const kvir::SnapshotInfo& info);
    // A line for the activity protocol.
    void protocolEntry(const QString& text);

  private:
    QWidget* buildFilter();
    QWidget* buildRecords();
    QWidget* buildSnapshots();
    QWidget* buildLocation();
    void fillModelLists();
    void fillSnapshots();
    void showState();
    void layoutColumns();

    ConsoleArchive& archive_;
    OperatorDialogs& dialogs_;
    QLocale locale_;
    ArchiveModel* model_ = nullptr;
    QList<SnapshotInfo> snapshots_;
    bool modelChosen_ = false;  // by the operator, or from the newest snapshot
};

}  // namespace kvir
