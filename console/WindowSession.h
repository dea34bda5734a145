#pragma once
// The console session as the window sees it: it starts the session's operations on their
// worker thread with the operator's inputs as values, and turns what the session reports into
// the messages, questions and protocol lines the operator has always seen, and into signals
// for the pages. It touches no widget of its own; the pages listen.

#include "session/SessionRunner.h"

#include <QObject>

#include <functional>
#include <optional>

namespace kvir {

class OperatorDialogs;

class WindowSession final : public QObject {
    Q_OBJECT

  public:
    // What a connection needs from the operator's controls, read when an operation starts;
    // nothing when they are refused (the provider has told the operator why).
    using InputsProvider = std::function<std::optional<LinkInputs>()>;

    WindowSession(SerialLink& link, SessionConfig config, OperatorDialogs& dialogs,
                  QObject* parent = nullptr);
    void setInputs(InputsProvider inputs) { inputs_ = std::move(inputs); }

    bool busy() const { return runner_.busy(); }
    bool writing() const { return runner_.writing(); }
    // The session's state, between operations.
    const Session& state() const { return runner_.session(); }

    // Operations; each returns false (and starts nothing) while another runs.
    bool connectAndRead();
    bool writeFolder(int index, const QString& name);
    bool writeNotebook(WholeWrite what);
    bool initialise();
    bool loadBackup(const QString& path);
    bool loadSnapshot(const Notebook& notebook, const QString& label, bool complete);
    bool listPorts(const QStringList& candidates, const QString& configured);
    // Stops a read before its next request; a write runs to its end.
    void cancel() { runner_.cancel(); }
    // The caption the session starts with (the last model of the settings).
    void setCaption(const QString& caption) { runner_.session().setCaption(caption); }
    // Edits memory between operations; false when it does not fit.
    bool edit(const NotebookEdit& edit);
    // Blocks until no operation runs (the end of the program).
    void waitIdle() { runner_.waitIdle(); }

  signals:
    void protocolEntry(const QString& text);
    // A line for the status bar.
    void status(const QString& text);
    void operationStarted();
    void operationFinished();
    // The notebook being read, page by page.
    void notebookLoading(const Notebook& notebook);
    // The identification table: new values, or empty when a connection starts.
    void identification(const Identification& identification);
    void captionChanged(const QString& caption);
    void portSelected(int index, const QString& port);
    void portsListed(const QStringList& entries);
    void progress(Stage stage, int foldersPos, int foldersMax, int recordsPos, int recordsMax);
    // The first request that erases was sent: the operation cannot be stopped any more.
    void writeStarted();
    // A backup file or an archived snapshot is in memory now: its name or description.
    void loaded(const QString& label);
    // A notebook read, or saved before erasing, for the archive.
    void readForArchive(const Notebook& notebook, bool complete, bool backup);

  private:
    bool Start(SessionRunner::Operation operation, bool needsInputs);
    void OnEvent(const SessionEvent& event);
    void OnQuestion(Question question);
    void Report(ExchangeResult result);

    OperatorDialogs& dialogs_;
    SessionRunner runner_;
    InputsProvider inputs_;
    LinkInputs current_;
    PortFault portFault_ = PortFault::None;  // why the last port did not open
    QString lastBackup_;                     // the backup saved by the running operation
    bool announceBackups_ = false;  // "Очистить блокнот": a backup is also told
};

}  // namespace kvir
