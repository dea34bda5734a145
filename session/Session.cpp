#include "Session.h"

#include "BackupFile.h"
#include "TextFiles.h"
#include "instrument/ModelTable.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace kvir {

// The instrument operations' view of the session: the host's device number and clock, the
// session's identification table, and the notebook a read fills (memory, or a scratch copy
// when the instrument is read for a backup or a check).
class Session::Context final : public InstrumentContext {
  public:
    explicit Context(Session& session) : session_(session), target(&session.memory_) {}

    QString deviceNumberText() const override { return session_.host_.deviceNumberText(); }
    QString identValue(int row) const override {
        return session_.ident_.at(static_cast<size_t>(row));
    }
    void setIdentValue(int row, const QString& text) override {
        session_.ident_.at(static_cast<size_t>(row)) = text;
    }
    NotebookImage& notebook() override { return target->image; }
    QStringList& folderList() override { return target->folders; }
    QDate today() const override { return session_.host_.now().date(); }
    void warn(InstrumentWarning warning) override {
        SessionEvent event{SessionEvent::Kind::Warning};
        event.warning = warning;
        session_.Notify(event);
    }

    Session& session_;
    Notebook* target;
};

namespace {

using Kind = SessionEvent::Kind;
using Purpose = SessionEvent::Purpose;

constexpr int kConnectRecordBar = 26;

bool HoldsSomething(const Notebook& notebook) {
    if (RecordCount(notebook.image) > 0) {
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

// The records of folder `index` a folder page keeps: its first records in slot order.
QList<StoredRecord> PageRecords(const NotebookImage& image, int index, int capacity) {
    QList<StoredRecord> records;
    for (int s = 0; s < kNotebookSlots && records.size() < capacity; ++s) {
        if (image.folderNo[static_cast<size_t>(s)] == index + 1) {
            records << RecordFromSlot(image, s);
        }
    }
    return records;
}

}  // namespace

Session::Session(SerialLink& link, SessionHost& host)
    : link_(link),
      host_(host),
      context_(std::make_unique<Context>(*this)),
      instrument_(link, *context_) {}

Session::~Session() = default;

Notebook& Session::edit() {
    edited_ = true;
    ++editCount_;
    return memory_;
}

const Notebook* Session::instrumentContents() const {
    return known_ && link_.isOpen() ? known_.get() : nullptr;
}

void Session::Notify(SessionEvent event) {
    host_.notify(event);
}

void Session::Progress(Stage stage, int fp, int fm, int rp, int rm) {
    host_.progress(stage, fp, fm, rp, rm);
}

void Session::ForgetInstrument() {
    known_.reset();
    knownSaved_ = false;
}

void Session::Disconnect() {
    link_.ClosePort();
    ForgetInstrument();
    instrumentModel_ = DeviceModel::None;
}

// ---- Connection and identification ---------------------------------------------------------

void Session::ConnectAndRead() {
    ident_ = {};
    if (Connect() != xr::kOk) {
        return;
    }
    const ExchangeResult identified = IdentifyFor(true);
    if (identified != xr::kOk && identified != xr::kModelChanged) {
        return;
    }
    // A notebook that a failed write left unwritten is replaced only when the operator agrees.
    if (unwritten_ && !host_.confirmReplaceUnwritten()) {
        return;
    }
    ReadNotebook();
}

ExchangeResult Session::Connect() {
    // Whatever instrument answers now, nothing is known of what it holds.
    Disconnect();
    const PortChoice choice = host_.portChoice();
    SessionEvent done{Kind::Connected};
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
        SessionEvent failed{Kind::PortNotOpened};
        failed.port = port;
        failed.fault = link_.lastFault();
        Notify(failed);
    }
    // Automatic detection: the other listed ports, in list order, until one answers. The
    // port just tried is passed over.
    if (opened && r != xr::kOk && choice.automatic && n > 0) {
        link_.ClosePort();
        bool found = false;
        for (int i = 0; i < n && !found; ++i) {
            const QString& candidate = choice.listed.at(i);
            if (i == choice.namedIndex && candidate == choice.named) {
                continue;
            }
            SessionEvent selected{Kind::PortSelected};
            selected.index = i;
            selected.port = candidate;
            Notify(selected);
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
            SessionEvent back{Kind::PortSelected};
            back.index = choice.namedIndex;
            back.port = choice.named;
            Notify(back);
        }
    }
    if (r != xr::kOk) {
        link_.ClosePort();
    }
    done.result = r;
    done.port = port;
    Notify(done);
    return r;
}

ExchangeResult Session::Identify() {
    return IdentifyFor(true);
}

ExchangeResult Session::IdentifyFor(bool connectionSequence) {
    if (!link_.isOpen()) {
        if (const ExchangeResult r = Connect(); r != xr::kOk) {
            return r;
        }
    }
    const std::array<QString, 3> before = ident_;
    Progress(Stage::Identifying, 1, 1, 0, kConnectRecordBar);
    const ExchangeResult r = instrument_.ReadIdentification();
    Progress(Stage::Identifying, 1, 1, 0, kConnectRecordBar);
    if (r != xr::kOk) {
        Disconnect();
        if (connectionSequence) {
            caption_ = kModelNone;
        }
        SessionEvent failed{Kind::IdentifyFailed};
        failed.result = r;
        Notify(failed);
        return r;
    }
    // Another instrument may sit on the line now; if the identification shows it, whatever
    // was known of the contents no longer holds.
    if (ident_ != before) {
        ForgetInstrument();
    }
    Notify(SessionEvent{Kind::Identified});
    const QString previous = caption_;
    instrumentModel_ = ModelFromIdentification(ident_[kIdentName], ident_[kIdentVersion]);
    if (instrumentModel_ == DeviceModel::None) {
        SessionEvent unsupported{Kind::Unsupported};
        unsupported.name = ident_[kIdentName];
        unsupported.version = ident_[kIdentVersion];
        if (connectionSequence) {
            caption_ = unsupported.name + QLatin1Char('v') + unsupported.version;
        }
        Notify(unsupported);
        return xr::kUnsupportedModel;
    }
    const QString shown = DisplayName(instrumentModel_);
    if (connectionSequence) {
        caption_ = shown;
    }
    return shown == previous ? xr::kOk : xr::kModelChanged;
}

// ---- Reading -------------------------------------------------------------------------------

ReadOutcome Session::ReadNotebook() {
    memory_ = Notebook{};
    memory_.model = instrumentModel_;
    origin_ = Origin::PartialRead;
    edited_ = false;
    unwritten_ = false;
    caption_ = DisplayName(instrumentModel_);
    SessionEvent started{Kind::ReadStarted};
    started.model = instrumentModel_;
    Notify(started);
    const ReadOutcome outcome = ReadInto(memory_, Purpose::Load);
    if (outcome.completed) {
        origin_ = Origin::CompleteRead;
    }
    return outcome;
}

ReadOutcome Session::ReadInto(Notebook& target, SessionEvent::Purpose purpose) {
    target = Notebook{};
    target.model = instrumentModel_;
    target.version = ident_[kIdentVersion];
    target.base = ParseNotebookBase(ident_[kIdentBase]).value_or(0);
    context_->target = &target;

    // The progress window and the table are brought up to date while the reply to the next
    // request travels, which costs the read no time.
    struct Bars {
        int fp, fm, rp, rm;
    } last{};
    bool deferring = false;
    const auto progress = [&](int fp, int fm, int rp, int rm) {
        last = {fp, fm, rp, rm};
        if (!deferring) {
            Progress(Stage::Reading, fp, fm, rp, rm);
        }
    };
    const auto afterPage = [&] {
        deferring = true;
        const Bars bars = last;
        link_.runWhileWaiting([this, bars, purpose] {
            Progress(Stage::Reading, bars.fp, bars.fm, bars.rp, bars.rm);
            if (purpose == Purpose::Load) {
                Notify(SessionEvent{Kind::PageRead});
            }
        });
    };
    const ReadOutcome outcome =
        ReadWholeNotebook(instrument_, instrumentModel_, progress, afterPage);
    link_.RunIdleWork();
    context_->target = &memory_;

    if (outcome.completed && outcome.result == xr::kOk) {
        known_ = std::make_unique<Notebook>(target);
        knownSaved_ = false;
    } else if (outcome.result != xr::kOk) {
        Disconnect();
    }
    SessionEvent done{Kind::ReadFinished};
    done.purpose = purpose;
    done.model = target.model;
    done.completed = outcome.completed;
    done.result = outcome.result;
    done.notebook = &target;
    Notify(done);
    return outcome;
}

bool Session::VerifyFolderPage(int index, const Notebook& before) {
    Notebook page;
    page.model = memory_.model;
    context_->target = &page;
    const ExchangeResult r = instrument_.ReadFolderPage(index);
    context_->target = &memory_;
    if (r != xr::kOk) {
        Disconnect();
        SessionEvent failed{Kind::ReadFinished};
        failed.purpose = SessionEvent::Purpose::Verify;
        failed.model = page.model;
        failed.result = r;
        Notify(failed);
        return false;
    }
    // What the page should hold: the folder's name and its first records in memory.
    const int capacity = LayoutOf(memory_.model)->recordsPerPage;
    const QString written = index < memory_.folders.size() ? memory_.folders.at(index) : QString();
    const QString read = page.folders.value(0);
    const bool nameKept = index == 0 || read == written;
    if (!nameKept ||
        PageRecords(memory_.image, index, capacity) != PageRecords(page.image, index, capacity)) {
        SessionEvent differs{Kind::ReadbackDiffers};
        differs.text =
            nameKept ? QStringLiteral("Папка «%1»: записи прочитаны с искажениями").arg(written)
                     : QStringLiteral("Папка %1: записана «%2», прочитана «%3»")
                           .arg(index + 1)
                           .arg(written, read);
        Notify(differs);
        return false;
    }
    // The instrument holds what it held before, with this folder's page replaced.
    auto contents = std::make_unique<Notebook>(before);
    while (contents->folders.size() <= index) {
        contents->folders << kFreeFolder;
    }
    contents->folders[index] = read;
    NotebookImage& image = contents->image;
    for (int s = 0; s < kNotebookSlots; ++s) {
        if (image.folderNo[static_cast<size_t>(s)] == index + 1) {
            ClearRecordSlot(image, s);
        }
    }
    CompactNotebookImage(image);
    int free = FirstFreeSlot(image);
    for (int s = 0; s < kNotebookSlots && free < kNotebookSlots; ++s) {
        if (page.image.folderNo[static_cast<size_t>(s)] != 0) {
            CopyRecordSlot(page.image, s, image, free++);
        }
    }
    known_ = std::move(contents);
    knownSaved_ = false;
    return true;
}

// ---- Before anything is erased ---------------------------------------------------------------

ExchangeResult Session::PrepareErase(bool initialise) {
    if (!initialise) {
        if (!link_.isOpen()) {
            if (const ExchangeResult r = Connect(); r != xr::kOk) {
                return r;
            }
        }
        const ExchangeResult r = IdentifyFor(false);
        if (r != xr::kOk && r != xr::kModelChanged) {
            return r;
        }
        if (instrumentModel_ != memory_.model) {
            // Another model's notebook is never written into this instrument.
            Notify(SessionEvent{Kind::ModelChanged});
            return xr::kModelChanged;
        }
    }
    if (!known_) {
        // What the instrument holds is not known: read it before anything is erased.
        Notebook contents;
        const ReadOutcome read = ReadInto(contents, Purpose::Backup);
        if (read.result != xr::kOk) {
            return read.result;
        }
    }
    return SaveBackupOfInstrument() ? xr::kOk : xr::kBackupNotSaved;
}

bool Session::SaveBackupOfInstrument() {
    if (knownSaved_) {
        return true;  // this very content is in a backup already
    }
    const Notebook& contents = *known_;
    if (!HoldsSomething(contents)) {
        knownSaved_ = true;
        Notify(SessionEvent{Kind::NothingToBackUp});
        return true;
    }
    const QDateTime when = host_.now();
    const QDir dir(host_.workDir());
    // A later backup never replaces an earlier one: it may lack records the earlier holds.
    QString stem = BackupStem(when);
    for (int sequence = 2; QFileInfo::exists(dir.filePath(stem + kBackupSuffix)); ++sequence) {
        stem = BackupStem(when) + QLatin1Char('-') + QString::number(sequence);
    }
    BackupRecord backup{stem + kBackupSuffix, stem + QStringLiteral(".csv"),
                        RecordCount(contents.image)};
    FileFault fault = FileFault::None;
    QString failedFile;
    if (!SaveBytesAtomically(dir.filePath(backup.file), EncodeBackup(contents, when), &fault)) {
        failedFile = backup.file;
    } else if (!SaveLinesAtomically(dir.filePath(backup.csvFile), host_.backupTable(contents),
                                    &fault)) {
        failedFile = backup.csvFile;
    }
    if (!failedFile.isEmpty()) {
        SessionEvent failed{Kind::BackupFailed};
        failed.file = failedFile;
        failed.fileFault = fault;
        Notify(failed);
        return false;
    }
    knownSaved_ = true;
    backups_ << backup.file;
    SessionEvent saved{Kind::BackupSaved};
    saved.backup = backup;
    saved.notebook = &contents;
    Notify(saved);
    return true;
}

}  // namespace kvir
