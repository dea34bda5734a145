#include "Session.h"

#include "BackupFile.h"
#include "TextFiles.h"
#include "instrument/ModelTable.h"
#include "link/PortList.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace kvir {

namespace {

using Purpose = ev::Purpose;

constexpr int kConnectRecordBar = 26;

}  // namespace

Session::Session(SerialLink& link, SessionHost& host, SessionConfig config)
    : link_(link), host_(host), config_(std::move(config)), instrument_(link) {}

bool Session::connected() const {
    return link_.isOpen();
}

void Session::Progress(Stage stage, int fp, int fm, int rp, int rm) {
    host_.progress(stage, fp, fm, rp, rm);
}

void Session::SetCaption(const QString& caption) {
    if (caption != caption_) {
        caption_ = caption;
        Notify(ev::CaptionChanged{caption});
    }
}

QDateTime Session::Now() const {
    return config_.now ? config_.now() : QDateTime::currentDateTime();
}

void Session::BeginOperation() {
    cancel_.store(false);
    instrument_.setCancel(&cancel_);
}

bool Session::Edit(const NotebookEdit& edit) {
    if (!ApplyEdit(memory_, edit)) {
        return false;
    }
    if (edit.kind == NotebookEdit::Kind::DeleteFolder) {
        freed_.insert(edit.folder);
    }
    edited_ = true;
    return true;
}

void Session::Disconnect() {
    link_.ClosePort();
    port_.clear();
    instrumentModel_ = DeviceModel::None;
}

void Session::ListPorts(const QStringList& candidates, const QString& configured) {
    BeginOperation();
    // Entering the port box ends any connection.
    Disconnect();
    Notify(ev::PortsListed{BuildPortEntries(candidates, configured, [this](const QString& name) {
        return link_.ProbePort(name) == 0;
    })});
}

// ---- Connection and identification ---------------------------------------------------------

bool Session::ConnectAndRead(const LinkInputs& inputs) {
    BeginOperation();
    user_ = inputs.user;
    ident_ = {};
    if (Connect(inputs) != xr::kOk) {
        return false;
    }
    const ExchangeResult identified = Identify(inputs);
    if (identified != xr::kOk && identified != xr::kModelChanged) {
        // The caption names what answered: nothing, or the unsupported instrument.
        if (identified == xr::kUnsupportedModel) {
            SetCaption(ident_.name + QLatin1Char('v') + ident_.version);
        } else if (identified != xr::kCancelled) {
            SetCaption(kModelNone);
        }
        return false;
    }
    // A notebook that a failed write left unwritten is replaced only when the operator agrees;
    // after No nothing changes, the caption included.
    if (unwritten_ && !host_.ask(Question::ReplaceUnwritten)) {
        return false;
    }
    SetCaption(DisplayName(instrumentModel_));
    const NotebookRead read = ReadWhole(Purpose::Load);
    TakeIntoMemory(read.notebook, read.outcome.completed && read.outcome.result != xr::kCancelled
                                      ? Origin::CompleteRead
                                      : Origin::PartialRead);
    return read.outcome.completed && read.outcome.result == xr::kOk;
}

ExchangeResult Session::Connect(const LinkInputs& inputs) {
    // Whatever instrument answers now is identified anew.
    Disconnect();
    instrument_.setAddress(inputs.device);
    const PortChoice& choice = inputs.port;
    ev::Connected done{xr::kOk, {}, caption_};
    if (choice.named.isEmpty()) {
        done.result = xr::kNoPortNamed;
        Notify(done);
        return done.result;
    }
    const int n = static_cast<int>(choice.listed.size());
    Progress(Stage::Connecting, 0, n, 0, kConnectRecordBar);
    QString port = choice.named;
    ExchangeResult r = link_.OpenPort(port);
    const bool opened = r == xr::kOk;
    if (opened) {
        Progress(Stage::Connecting, 1, n, 0, kConnectRecordBar);
        r = instrument_.PingInstrument();
    } else {
        Notify(ev::PortNotOpened{port, link_.lastFault()});
    }
    // Automatic detection: the other listed ports, in list order, until one answers. The
    // port just tried is passed over.
    if (opened && r != xr::kOk && r != xr::kCancelled && choice.automatic && n > 0) {
        link_.ClosePort();
        bool found = false;
        for (int i = 0; i < n && !found && !cancel_.load(); ++i) {
            const QString& candidate = choice.listed.at(i);
            if (i == choice.namedIndex && candidate == choice.named) {
                continue;
            }
            Notify(ev::PortSelected{i, candidate});
            r = link_.OpenPort(candidate);
            if (r != xr::kOk) {
                continue;
            }
            r = instrument_.PingInstrument();
            Progress(Stage::Connecting, i, n, 0, kConnectRecordBar);
            if (r == xr::kOk) {
                port = candidate;
                found = true;
            } else {
                link_.ClosePort();
            }
        }
        if (!found) {
            // No port answered: the port box shows the operator's port again, so that saving
            // the settings does not silently change it.
            Notify(ev::PortSelected{choice.namedIndex, choice.named});
        }
    }
    if (r != xr::kOk) {
        link_.ClosePort();
    } else {
        port_ = port;
    }
    done.result = r;
    done.port = port;
    Notify(done);
    return r;
}

ExchangeResult Session::Identify(const LinkInputs& inputs) {
    if (!link_.isOpen()) {
        if (const ExchangeResult r = Connect(inputs); r != xr::kOk) {
            return r;
        }
    }
    Progress(Stage::Identifying, 1, 1, 0, kConnectRecordBar);
    const ExchangeResult r = instrument_.ReadIdentification();
    Progress(Stage::Identifying, 1, 1, 0, kConnectRecordBar);
    if (r != xr::kOk) {
        Disconnect();
        Notify(ev::IdentifyFailed{r});
        return r;
    }
    ident_ = instrument_.identification();
    Notify(ev::Identified{ident_});
    instrumentModel_ = ModelFromIdentification(ident_.name, ident_.version);
    if (instrumentModel_ == DeviceModel::None) {
        Notify(ev::Unsupported{ident_.name, ident_.version});
        return xr::kUnsupportedModel;
    }
    return DisplayName(instrumentModel_) == caption_ ? xr::kOk : xr::kModelChanged;
}

// ---- Reading -------------------------------------------------------------------------------

NotebookRead Session::ReadWhole(Purpose purpose) {
    if (purpose == Purpose::Load) {
        Notify(ev::ReadStarted{instrumentModel_});
    }
    ReadHooks hooks;
    hooks.progress = [this](int fp, int fm, int rp, int rm) {
        Progress(Stage::Reading, fp, fm, rp, rm);
    };
    if (purpose == Purpose::Load) {
        // The table grows while the notebook loads.
        hooks.pageRead = [this](const Notebook& sofar) { Notify(ev::PageRead{sofar}); };
    }
    hooks.warn = [this](InstrumentWarning warning) { Notify(ev::Warning{warning}); };
    NotebookRead read = ReadWholeNotebook(instrument_, instrumentModel_, Now().date(), hooks);
    const ExchangeResult r = read.outcome.result;
    if (r != xr::kOk && r != xr::kCancelled) {
        Disconnect();
    }
    Notify(ev::ReadFinished{purpose, read.notebook.model, read.outcome.completed, r, read.notebook,
                            LossesOf(read.notebook)});
    return read;
}

bool Session::MayReplaceMemory() {
    if (unwritten_) {
        return host_.ask(Question::ReplaceUnwritten);
    }
    if (edited_) {
        return host_.ask(Question::DiscardEdits);
    }
    return true;
}

void Session::TakeIntoMemory(const Notebook& notebook, Origin origin) {
    memory_ = notebook;
    read_ = notebook;
    freed_.clear();
    origin_ = origin;
    edited_ = false;
    unwritten_ = false;
    SetCaption(DisplayName(notebook.model));
}

// ---- Loading a backup or a snapshot ----------------------------------------------------------

bool Session::LoadBackup(const QString& path) {
    BeginOperation();
    const QString name = QFileInfo(path).fileName();
    FileFault fault = FileFault::None;
    const std::optional<QByteArray> bytes = LoadBytes(path, &fault);
    if (!bytes) {
        Notify(ev::LoadFailed{name, BackupFault::Unreadable, fault});
        return false;
    }
    Notebook notebook;
    if (const BackupFault f = DecodeBackup(*bytes, notebook); f != BackupFault::None) {
        Notify(ev::LoadFailed{name, f, FileFault::None});
        return false;
    }
    if (!MayReplaceMemory()) {
        return false;
    }
    TakeIntoMemory(notebook, Origin::BackupFile);
    Notify(ev::Loaded{Origin::BackupFile, name, RecordCountOf(notebook)});
    return true;
}

bool Session::LoadSnapshot(const Notebook& notebook, const QString& label, bool complete) {
    BeginOperation();
    if (!MayReplaceMemory()) {
        return false;
    }
    TakeIntoMemory(notebook, complete ? Origin::Snapshot : Origin::PartialRead);
    Notify(ev::Loaded{Origin::Snapshot, label, RecordCountOf(notebook)});
    return true;
}

// ---- Backups ---------------------------------------------------------------------------------

namespace {

bool HoldsSomething(const Notebook& notebook) {
    if (RecordCount(notebook.image) > 0 || LossesOf(notebook).any()) {
        return true;
    }
    // The common folder is always there; any other named entry is worth keeping.
    for (int k = 1; k < notebook.folders.size(); ++k) {
        if (notebook.folders.at(k) != kFreeFolder) {
            return true;
        }
    }
    return false;
}

// What identifies the bytes a backup holds: each page read, or (for a notebook that was not
// read page by page) its whole contents.
QList<QByteArray> CoverageKeys(const Notebook& notebook) {
    QList<QByteArray> keys;
    for (auto page = notebook.pages.cbegin(); page != notebook.pages.cend(); ++page) {
        keys << QCryptographicHash::hash(QByteArray::number(page.key()) + ':' + page.value(),
                                         QCryptographicHash::Sha256);
    }
    if (keys.isEmpty()) {
        keys << QCryptographicHash::hash(EncodeBackup(notebook, QDateTime()),
                                         QCryptographicHash::Sha256);
    }
    return keys;
}

}  // namespace

QString Session::BackupHolding(const Notebook& contents) const {
    QString file;
    for (const QByteArray& key : CoverageKeys(contents)) {
        const auto saved = savedPages_.constFind(key);
        if (saved == savedPages_.cend()) {
            return {};
        }
        file = saved.value();
    }
    return file;
}

bool Session::SaveBackup(const Notebook& contents, const Notebook& erased, QString* file) {
    if (!HoldsSomething(erased)) {
        return true;
    }
    if (const QString holding = BackupHolding(erased); !holding.isEmpty()) {
        if (file != nullptr) {
            *file = holding;
        }
        return true;
    }
    const QDateTime when = Now();
    const QDir dir(config_.workDir);
    // A later backup never replaces an earlier one: it may lack records the earlier holds.
    QString stem = BackupStem(when);
    for (int sequence = 2; QFileInfo::exists(dir.filePath(stem + kBackupSuffix)); ++sequence) {
        stem = BackupStem(when) + QLatin1Char('-') + QString::number(sequence);
    }
    const BackupRecord backup{stem + kBackupSuffix, stem + QStringLiteral(".csv"),
                              RecordCountOf(contents)};
    FileFault fault = FileFault::None;
    QString failedFile;
    if (!SaveBytesAtomically(dir.filePath(backup.file), EncodeBackup(contents, when), &fault)) {
        failedFile = backup.file;
    } else if (config_.backupTable &&
               !SaveLinesAtomically(dir.filePath(backup.csvFile),
                                    config_.backupTable(contents, user_), &fault)) {
        failedFile = backup.csvFile;
    }
    if (!failedFile.isEmpty()) {
        Notify(ev::BackupFailed{failedFile, fault});
        return false;
    }
    for (const QByteArray& key : CoverageKeys(contents) + CoverageKeys(erased)) {
        savedPages_.insert(key, backup.file);
    }
    backups_ << backup.file;
    if (file != nullptr) {
        *file = backup.file;
    }
    Notify(ev::BackupSaved{backup, contents});
    return true;
}

}  // namespace kvir
