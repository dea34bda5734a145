#pragma once
// The folder editor page Page_edit_name: the folder list, the name field and the folder edits,
// "Очистить блокнот" and "Обновить блокнот". Every edit changes memory first, is entered in
// the protocol and is then offered for writing to the instrument.

#include "session/NotebookEdits.h"

#include <QFrame>
#include <QLocale>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kvir {

class OperatorDialogs;
class WindowSession;

class FolderEditorPage final : public QFrame {
    Q_OBJECT

  public:
    FolderEditorPage(WindowSession& session, OperatorDialogs& dialogs, const QLocale& locale,
                     QWidget* parent = nullptr);

    // The folder list of `notebook`; the selection stays where it was when it still exists.
    void showFolders(const Notebook& notebook);
    // Selects the first folder, when there is one.
    void selectFirst();
    // Empties the name field and sets the five edit buttons for the selected entry.
    void refresh();
    // The page is brought up: as a click on the list, it refreshes and, with no notebook in
    // memory, offers to read one.
    void enter() { ListClicked(); }
    // Whether the edits may run (no exchange under way).
    void setIdle(bool idle);

  signals:
    void protocolEntry(const QString& text);
    // The list was clicked with no notebook in memory, and the operator wants it read.
    void readRequested();
    // Memory was edited: the views show it.
    void edited();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ListClicked();
    void NameLeft();
    bool TakeNewName(QString& name);
    // Applies `edit`, enters `line` and asks whether to write; true on Yes.
    bool EditAndAsk(const NotebookEdit& edit, const QString& line);
    void Create();
    void Rename();
    void Delete();
    void ClearFolder();
    void ClearAll();
    void Update(bool edits);
    const Notebook& Memory() const;

    WindowSession& session_;
    OperatorDialogs& dialogs_;
    QLocale locale_;
    QListWidget* list_;
    QLineEdit* name_;
    QLabel* left_;
    QPushButton* create_;
    QPushButton* rename_;
    QPushButton* delete_;
    QPushButton* clear_;
    QPushButton* clearAll_;
    QPushButton* initialise_;
    QPushButton* update_;
    bool idle_ = true;
};

}  // namespace kvir
