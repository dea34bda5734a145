#include "WindowSession.h"

#include "OperatorDialogs.h"
#include "WindowTexts.h"
#include "session/OperatorTexts.h"

namespace kvir {

namespace {

// std::visit over a set of lambdas.
template <class... F>
struct Overload : F... {
    using F::operator()...;
};
template <class... F>
Overload(F...) -> Overload<F...>;

}  // namespace

WindowSession::WindowSession(SerialLink& link, SessionConfig config, OperatorDialogs& dialogs,
                             QObject* parent)
    : QObject(parent), dialogs_(dialogs), runner_(link, std::move(config)) {
    connect(&runner_, &SessionRunner::sessionEvent, this, &WindowSession::OnEvent);
    connect(&runner_, &SessionRunner::question, this, &WindowSession::OnQuestion);
    connect(&runner_, &SessionRunner::progress, this, &WindowSession::progress);
    connect(&runner_, &SessionRunner::finished, this, [this] {
        announceBackups_ = false;
        emit operationFinished();
    });
}

bool WindowSession::Start(SessionRunner::Operation operation, bool needsInputs) {
    if (runner_.busy()) {
        return false;
    }
    if (needsInputs) {
        const std::optional<LinkInputs> inputs = inputs_ ? inputs_() : std::optional<LinkInputs>();
        if (!inputs) {
            return false;
        }
        current_ = *inputs;
    }
    lastBackup_.clear();
    portFault_ = PortFault::None;
    if (!runner_.start(std::move(operation))) {
        return false;
    }
    emit operationStarted();
    return true;
}

bool WindowSession::connectAndRead() {
    if (runner_.busy()) {
        return false;
    }
    emit identification({});
    return Start([this](Session& s) { s.ConnectAndRead(current_); }, true);
}

bool WindowSession::writeFolder(int index, const QString& name) {
    return Start([this, index, name](Session& s) { s.WriteFolder(current_, index, name); }, true);
}

bool WindowSession::writeNotebook(WholeWrite what) {
    return Start([this, what](Session& s) { s.WriteNotebook(current_, what); }, true);
}

bool WindowSession::initialise() {
    if (runner_.busy()) {
        return false;
    }
    const bool started = Start([this](Session& s) { s.Initialise(current_); }, true);
    // Before the instrument is erased, the operator is told where its records went.
    announceBackups_ = started;
    return started;
}

bool WindowSession::loadBackup(const QString& path) {
    return Start([path](Session& s) { s.LoadBackup(path); }, false);
}

bool WindowSession::loadSnapshot(const Notebook& notebook, const QString& label, bool complete) {
    return Start(
        [notebook, label, complete](Session& s) { s.LoadSnapshot(notebook, label, complete); },
        false);
}

bool WindowSession::listPorts(const QStringList& candidates, const QString& configured) {
    return Start([candidates, configured](Session& s) { s.ListPorts(candidates, configured); },
                 false);
}

bool WindowSession::edit(const NotebookEdit& edit) {
    return !runner_.busy() && runner_.session().Edit(edit);
}

void WindowSession::Report(ExchangeResult result) {
    if (result != xr::kOk && result != xr::kCancelled) {
        dialogs_.Inform(ExchangeResultText(result), ExchangeResultCaption());
    }
}

void WindowSession::OnQuestion(Question question) {
    runner_.answer(
        dialogs_.Confirm(text::QuestionText(question), text::kWarning, DialogButtons::YesNoCancel));
}

void WindowSession::OnEvent(const SessionEvent& event) {
    std::visit(
        Overload{
            [this](const ev::PortNotOpened& e) {
                emit protocolEntry(text::PortNotOpenedEntry(e.port, e.fault));
                portFault_ = e.fault;
            },
            [this](const ev::PortSelected& e) { emit portSelected(e.index, e.port); },
            [this](const ev::Connected& e) {
                if (e.result == xr::kNoPortNamed) {
                    dialogs_.Inform(text::kNoPortNamed, text::kWarning);
                    return;
                }
                if (e.result == xr::kOk) {
                    emit protocolEntry(text::ConnectedEntry(e.caption, e.port));
                    return;
                }
                if (e.result == xr::kPortFailed) {
                    // The fixed message, and the system's reason on its own line.
                    dialogs_.Inform(text::PortFailedText(e.result, portFault_),
                                    ExchangeResultCaption());
                } else {
                    Report(e.result);
                }
                emit status(ExchangeResultText(e.result));
            },
            [this](const ev::IdentifyFailed& e) { Report(e.result); },
            [this](const ev::Identified& e) { emit identification(e.identification); },
            [this](const ev::Unsupported& e) {
                dialogs_.Inform(UnsupportedText(e.name, e.version), text::kWarning);
            },
            [this](const ev::CaptionChanged& e) { emit captionChanged(e.caption); },
            [this](const ev::ModelChanged&) {
                dialogs_.Inform(text::kModelChanged, text::kWarning);
            },
            [this](const ev::ReadStarted& e) {
                Notebook empty;
                empty.model = e.model;
                emit notebookLoading(empty);
            },
            [this](const ev::PageRead& e) { emit notebookLoading(e.notebook); },
            [this](const ev::ReadFinished& e) {
                if (const QString line = text::ReadEntry(e); !line.isEmpty()) {
                    emit protocolEntry(line);
                }
                if (const QString line = text::ReadFailedEntry(e); !line.isEmpty()) {
                    emit protocolEntry(line);
                }
                if (e.purpose == ev::Purpose::Load || e.result != xr::kOk) {
                    Report(e.result);
                }
                if (e.purpose == ev::Purpose::Load) {
                    emit notebookLoading(e.notebook);
                    emit status(text::ReadStatus(e));
                }
                // What was read is real: it goes into the archive, a partial read as partial.
                if (e.purpose == ev::Purpose::Load ||
                    (e.purpose == ev::Purpose::Backup && e.result != xr::kOk)) {
                    emit readForArchive(
                        e.notebook, e.completed && e.result == xr::kOk && !e.losses.any(), false);
                }
            },
            [this](const ev::InstrumentChanged& e) {
                emit protocolEntry(text::InstrumentChangedEntry(e.added, e.gone));
                dialogs_.Inform(text::InstrumentChangedText(e.added, e.gone, lastBackup_),
                                text::kWarning, DialogIcon::Information);
            },
            [this](const ev::BackupSaved& e) {
                lastBackup_ = e.backup.file;
                emit protocolEntry(text::BackupEntry(e.backup.file));
                emit status(text::BackupEntry(e.backup.file));
                emit readForArchive(e.notebook, !LossesOf(e.notebook).any(), true);
                if (announceBackups_) {
                    dialogs_.Inform(text::BackupSavedText(e.backup.file), text::kWarning,
                                    DialogIcon::Information);
                }
            },
            [this](const ev::BackupFailed& e) {
                emit protocolEntry(text::BackupFailedEntry(e.file));
                dialogs_.Inform(text::BackupFailedText(e.file, e.fault), text::kError,
                                DialogIcon::Error);
            },
            [this](const ev::Overwriting& e) {
                dialogs_.Inform(text::OverwritingText(e.unseen, e.backupFile), text::kWarning);
            },
            [this](const ev::WriteStarted&) { emit writeStarted(); },
            [this](const ev::WriteFinished& e) {
                const QString line = text::WriteEntry(e);
                emit protocolEntry(line);
                emit status(line);
                if (!e.reported && e.result != xr::kBackupNotSaved) {
                    Report(e.result);
                }
            },
            [this](const ev::ReadbackDiffers& e) {
                emit protocolEntry(text::ReadbackDiffersEntry(e.text));
                dialogs_.Inform(text::ReadbackDiffersText(e.text), text::kWarning);
            },
            [this](const ev::Refused& e) {
                const QString message = RefusalText(e.refusal, e.backupFile, e.losses, e.detail);
                emit status(message.section(QStringLiteral("\r\n"), 0, 0));
                dialogs_.Inform(message, text::kWarning);
            },
            [this](const ev::Warning& e) {
                dialogs_.Inform(InstrumentWarningText(e.warning), text::kWarning);
            },
            [this](const ev::Loaded& e) {
                emit loaded(text::LoadedLabel(e));
                const QString line = text::LoadedEntry(e);
                emit protocolEntry(line);
                emit status(line);
            },
            [this](const ev::LoadFailed& e) {
                dialogs_.Inform(
                    BackupFaultText(e.fault, e.fileFault) + QStringLiteral("\r\n") + e.file,
                    text::kError, DialogIcon::Error);
            },
            [this](const ev::PortsListed& e) { emit portsListed(e.entries); },
        },
        event);
}

}  // namespace kvir
