#pragma once
// The activity protocol: its lines as a model with its file "KVIR-prot.txt", and the tab
// Tab_prot that shows it beside the identification grid and the folder summary.

#include "instrument/Notebook.h"
#include "instrument/Util_modbas.h"
#include "session/TextFiles.h"

#include <QDateTime>
#include <QLocale>
#include <QStringListModel>
#include <QWidget>

#include <functional>

class QListView;
class QTableWidget;

namespace kvir {

class OperatorDialogs;

// The protocol's lines: every entry is the local date-time, two blanks and the text.
class ProtocolLog final : public QStringListModel {
    Q_OBJECT

  public:
    ProtocolLog(QString path, QLocale locale, std::function<QDateTime()> now,
                QObject* parent = nullptr);
    void add(const QString& text);
    // The lines of the file, when there is one.
    void load();
    // Writes the file; false with the reason when it could not be written.
    bool save(FileFault* fault) const;
    const QString& path() const { return path_; }

  private:
    QString path_;
    QLocale locale_;
    std::function<QDateTime()> now_;
};

class ProtocolPage final : public QWidget {
    Q_OBJECT

  public:
    ProtocolPage(ProtocolLog& log, OperatorDialogs& dialogs, QWidget* parent = nullptr);

    // Empties both grids (a connection starts).
    void resetIdentification();
    void showIdentification(const Identification& identification);
    // The folder summary of `notebook` (nothing changes for a notebook without folders).
    void showFolders(const Notebook& notebook);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void SetLabels();

    ProtocolLog& log_;
    OperatorDialogs& dialogs_;
    QListView* list_;
    QTableWidget* ident_;
    QTableWidget* folders_;
};

}  // namespace kvir
