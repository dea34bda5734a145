// Writing the notebook in memory back into the instrument, and initialising it. Every path
// identifies the instrument and reads what it is about to erase after the operator's last
// answer, saves a lossless copy of it, writes, and reads the result back. The sequences of
// requests themselves live in instrument/NotebookSequences.

#include "Session.h"

#include "OperatorTexts.h"
#include "instrument/ModelTable.h"

namespace kvir {

namespace {

using Purpose = ev::Purpose;
using Write = ev::Write;

// The sequences refuse these before their first request: nothing was erased.
bool RefusedBeforeSending(ExchangeResult r) {
    return r == xr::kTooManyRecords || r == xr::kOutsideNotebook || r == xr::kNotSent ||
           r == xr::kUnsupportedModel || r == xr::kCancelled;
}

bool Complete(Origin origin) {
    return origin == Origin::CompleteRead || origin == Origin::BackupFile ||
           origin == Origin::Snapshot;
}

Refusal RefusalOf(WholeWriteFault fault) {
    switch (fault) {
        case WholeWriteFault::TooManyFolders:
            return Refusal::TooManyFolders;
        case WholeWriteFault::NoFreeEntry:
            return Refusal::NoFreeEntry;
        case WholeWriteFault::TooManyRecords:
        case WholeWriteFault::None:
            break;
    }
    return Refusal::TooManyRecords;
}

}  // namespace

ProgressFn Session::WriteProgress() {
    return [this](int fp, int fm, int rp, int rm) { Progress(Stage::Writing, fp, fm, rp, rm); };
}

void Session::Refuse(Refusal refusal, const QString& backupFile, NotebookLosses losses,
                     const QString& detail) {
    Notify(ev::Refused{refusal, backupFile, losses, detail});
}

bool Session::Merge(const Notebook& read, const Notebook& memory, const Notebook& fresh,
                    Notebook& target) {
    QList<int> conflicts;
    target = MergeEdits(read, memory, fresh, &conflicts, freed_);
    if (conflicts.isEmpty()) {
        return true;
    }
    const int i = conflicts.first();
    Refuse(Refusal::FolderChanged, {}, {},
           FolderChangedText(i, read.folders.value(i, kFreeFolder),
                             fresh.folders.value(i, kFreeFolder)));
    return false;
}

void Session::FinishWrite(Write write, const QString& name, DeviceModel model,
                          ExchangeResult result, bool erased, bool reported) {
    // A failure on the line closes it; a refusal or a stop before the first request does not.
    if (result != xr::kOk && !RefusedBeforeSending(result) && result != xr::kBackupNotSaved) {
        Disconnect();
    }
    if (result == xr::kOk || erased) {
        // From here to the next operation the operator may stop again.
        instrument_.setCancel(&cancel_);
    }
    Notify(ev::WriteFinished{write, name, model, result, reported, erased});
}

ExchangeResult Session::PrepareInstrument(const LinkInputs& inputs, bool anyModel) {
    user_ = inputs.user;
    if (!link_.isOpen()) {
        if (const ExchangeResult r = Connect(inputs); r != xr::kOk) {
            return r;
        }
    }
    // The instrument on the line now may not be the one that was read: identify it again.
    if (rules.identifyAfterAnswer || instrumentModel_ == DeviceModel::None) {
        const ExchangeResult r = Identify(inputs);
        if (r != xr::kOk && r != xr::kModelChanged) {
            return r;
        }
    }
    if (anyModel) {
        return instrumentModel_ != DeviceModel::None ? xr::kOk : xr::kUnsupportedModel;
    }
    if (instrumentModel_ != memory_.model) {
        // Another model's notebook is never written into this instrument.
        Notify(ev::ModelChanged{});
        return xr::kModelChanged;
    }
    return xr::kOk;
}

// ---- One folder ------------------------------------------------------------------------------

bool Session::WriteFolder(const LinkInputs& inputs, int index, const QString& name) {
    BeginOperation();
    const DeviceModel model = memory_.model;
    const ModelRow* row = RowOf(model);
    if (row == nullptr || index < 0 || index >= memory_.folders.size()) {
        Refuse(Refusal::NoNotebook);
        return false;
    }
    if (unwritten_) {
        Refuse(Refusal::WholeWriteFirst);
        return false;
    }
    ExchangeResult r = PrepareInstrument(inputs, false);
    if (r != xr::kOk) {
        FinishWrite(Write::Folder, name, model, r, false, false);
        return false;
    }
    // A folder-page layout erases one page only: that page is what must be read. A directory
    // layout rewrites every record page: the whole notebook is.
    const bool onePage = row->layout->foldersOnPages();
    Notebook fresh;
    Notebook contents;  // what the backup keeps
    if (onePage) {
        fresh.model = model;
        fresh.version = ident_.version;
        fresh.base = ident_.base;
        for (int i = 0; i < index; ++i) {
            fresh.folders << kFreeFolder;
        }
        if (rules.freshReadBeforeErase) {
            Progress(Stage::Reading, 0, 1, 0, 1);
            r = instrument_.ReadFolderPage(*row->layout, index, fresh, Now().date());
            Progress(Stage::Reading, 1, 1, 1, 1);
            if (r != xr::kOk && r != xr::kCancelled) {
                Disconnect();
            }
            if (r != xr::kOk) {
                Notify(ev::ReadFinished{Purpose::Backup, model, false, r, fresh, {}});
                FinishWrite(Write::Folder, name, model, r, false, true);
                return false;
            }
        } else {
            fresh = FolderOnly(read_, index);
        }
        contents = read_;
        ReplaceFolder(contents, index, fresh);
        contents.version = fresh.version;
        // Records this page hides (after an end marker, on a page without a name) would be
        // erased with it, and no backup could put them back.
        if (rules.refuseLossy && LossesOf(fresh).any()) {
            QString file;
            if (SaveBackup(contents, fresh, &file)) {
                Refuse(Refusal::LossyInstrument, file, LossesOf(fresh));
            }
            return false;
        }
    } else {
        if (rules.freshReadBeforeErase) {
            const NotebookRead read = ReadWhole(Purpose::Backup);
            if (read.outcome.result != xr::kOk || !read.outcome.completed) {
                FinishWrite(Write::Folder, name, model, read.outcome.result, false, true);
                return false;
            }
            fresh = read.notebook;
        } else {
            fresh = read_;
        }
        if (rules.refuseLossy && LossesOf(fresh).any()) {
            QString file;
            if (SaveBackup(fresh, fresh, &file)) {
                Refuse(Refusal::LossyInstrument, file, LossesOf(fresh));
            }
            return false;
        }
        contents = fresh;
    }
    const Notebook base = onePage ? FolderOnly(read_, index) : read_;
    const Notebook mine = onePage ? FolderOnly(memory_, index) : memory_;
    Notebook target;
    if (!Merge(base, mine, fresh, target)) {
        return false;
    }
    if (!onePage && RecordCount(target.image) > RecordCapacity(model, ident_.base)) {
        Refuse(Refusal::TooManyRecords);
        return false;
    }
    const int added = RecordsMissing(fresh, base);
    const int gone = RecordsMissing(base, fresh);
    QString file;
    if (!SaveBackup(contents, fresh, &file)) {
        FinishWrite(Write::Folder, name, model, xr::kBackupNotSaved, false, true);
        return false;
    }
    if (added > 0 || gone > 0) {
        Notify(ev::InstrumentChanged{added, gone});
    }

    // From here on the write runs to its end.
    Notify(ev::WriteStarted{});
    instrument_.setCancel(nullptr);
    const QString header = index < target.folders.size() ? target.folders.at(index) : name;
    r = WriteFolderSequence(instrument_, target, index, header, WriteProgress());
    const bool erased = !RefusedBeforeSending(r);
    bool reported = false;
    Notebook written;
    if (r == xr::kOk) {
        // Read back what was written.
        if (onePage) {
            written.model = model;
            written.version = ident_.version;
            written.base = ident_.base;
            for (int i = 0; i < index; ++i) {
                written.folders << kFreeFolder;
            }
            r = instrument_.ReadFolderPage(*row->layout, index, written, Now().date());
            if (r != xr::kOk) {
                Disconnect();
                Notify(ev::ReadFinished{Purpose::Verify, model, false, r, written, {}});
                reported = true;
            }
        } else {
            const NotebookRead read = ReadWhole(Purpose::Verify);
            r = read.outcome.result;
            written = read.notebook;
            reported = r != xr::kOk;
        }
    }
    if (r == xr::kOk) {
        const Notebook expected = onePage ? FolderOnly(target, index) : target;
        const NotebookDifference difference =
            DescribeDifference(DigestOf(expected), DigestOf(written));
        if (difference.any()) {
            Notify(ev::ReadbackDiffers{NotebookDifferenceText(difference)});
            r = xr::kCommandFailed;
            reported = true;
        }
    }
    if (r == xr::kOk) {
        if (onePage) {
            ReplaceFolder(memory_, index, written);
            ReplaceFolder(read_, index, written);
            freed_.remove(index);
            edited_ = !SameContents(memory_, read_);
        } else {
            TakeIntoMemory(written, Origin::CompleteRead);
        }
    } else if (erased) {
        // Memory keeps what was written; the instrument's contents are unknown.
        if (onePage) {
            ReplaceFolder(memory_, index, FolderOnly(target, index));
        } else {
            memory_ = target;
        }
        unwritten_ = true;
    }
    FinishWrite(Write::Folder, name, model, r, erased, reported);
    return r == xr::kOk;
}

// ---- The whole notebook ---------------------------------------------------------------------

bool Session::WriteNotebook(const LinkInputs& inputs, WholeWrite what) {
    BeginOperation();
    const DeviceModel model = memory_.model;
    if (RowOf(model) == nullptr || (what == WholeWrite::Memory && !Complete(origin_))) {
        Refuse(Refusal::NoCompleteNotebook);
        return false;
    }
    if (what == WholeWrite::Edits && unwritten_) {
        Refuse(Refusal::WholeWriteFirst);
        return false;
    }
    if (what == WholeWrite::Memory && rules.refuseLossy && LossesOf(memory_).any()) {
        // Memory lacks records the instrument held: they are in a backup, never erased.
        QString file;
        if (SaveBackup(memory_, memory_, &file)) {
            Refuse(Refusal::LossyNotebook, file, LossesOf(memory_));
        }
        return false;
    }
    ExchangeResult r = PrepareInstrument(inputs, false);
    if (r != xr::kOk) {
        FinishWrite(Write::Notebook, {}, model, r, false, false);
        return false;
    }
    Notebook fresh;
    if (rules.freshReadBeforeErase) {
        const NotebookRead read = ReadWhole(Purpose::Backup);
        if (read.outcome.result != xr::kOk || !read.outcome.completed) {
            FinishWrite(Write::Notebook, {}, model, read.outcome.result, false, true);
            return false;
        }
        fresh = read.notebook;
    } else {
        fresh = read_;
    }
    if (rules.refuseLossy && LossesOf(fresh).any()) {
        QString file;
        if (SaveBackup(fresh, fresh, &file)) {
            Refuse(Refusal::LossyInstrument, file, LossesOf(fresh));
        }
        return false;
    }
    Notebook target = memory_;
    if (what == WholeWrite::Edits && !Merge(read_, memory_, fresh, target)) {
        return false;
    }
    // A loaded backup or snapshot goes back exactly as it was read: every folder in its place.
    const bool restore = what == WholeWrite::Memory &&
                         (origin_ == Origin::BackupFile || origin_ == Origin::Snapshot);
    if (const WholeWriteFault fault =
            PrepareWholeWrite(target, ident_.base, restore, rules.keepUnnamedFolders);
        fault != WholeWriteFault::None) {
        Refuse(RefusalOf(fault));
        return false;
    }
    QString file;
    if (!SaveBackup(fresh, fresh, &file)) {
        FinishWrite(Write::Notebook, {}, model, xr::kBackupNotSaved, false, true);
        return false;
    }
    if (what == WholeWrite::Memory) {
        if (const int unseen = RecordsMissing(fresh, target, false); unseen > 0) {
            Notify(ev::Overwriting{unseen, file});
        }
    } else if (const int added = RecordsMissing(fresh, read_), gone = RecordsMissing(read_, fresh);
               added > 0 || gone > 0) {
        Notify(ev::InstrumentChanged{added, gone});
    }

    // Memory takes the notebook as it will be written just before the first request.
    memory_ = target;
    if (what == WholeWrite::Edits) {
        origin_ = Origin::CompleteRead;
    }
    Notify(ev::WriteStarted{});
    instrument_.setCancel(nullptr);
    r = restore ? RestoreNotebookSequence(instrument_, target, WriteProgress())
                : WriteNotebookSequence(instrument_, target, WriteProgress());
    const bool erased = !RefusedBeforeSending(r);
    bool reported = false;
    if (r == xr::kOk) {
        // Read back what was written; it becomes memory when it is what was written.
        const NotebookRead read = ReadWhole(Purpose::Load);
        r = read.outcome.result;
        reported = r != xr::kOk;
        if (r == xr::kOk) {
            const NotebookDifference difference =
                DescribeDifference(DigestOf(target), DigestOf(read.notebook));
            if (!difference.any()) {
                TakeIntoMemory(read.notebook, Origin::CompleteRead);
            } else {
                Notify(ev::ReadbackDiffers{NotebookDifferenceText(difference)});
                r = xr::kCommandFailed;
                reported = true;
            }
        }
    }
    if (r != xr::kOk && erased) {
        memory_ = target;
        unwritten_ = true;
        SetCaption(DisplayName(model));
    }
    FinishWrite(Write::Notebook, {}, model, r, erased, reported);
    return r == xr::kOk;
}

// ---- Initialising ----------------------------------------------------------------------------

bool Session::Initialise(const LinkInputs& inputs) {
    BeginOperation();
    user_ = inputs.user;
    if (!link_.isOpen() && Connect(inputs) != xr::kOk) {
        return false;
    }
    const ExchangeResult identified = Identify(inputs);
    if (identified != xr::kOk && identified != xr::kModelChanged) {
        return false;
    }
    if (unwritten_ && !host_.ask(Question::ReplaceUnwritten)) {
        return false;
    }
    if (!host_.ask(Question::Initialise)) {
        return false;
    }
    // After the last answer: whichever instrument is on the line now is the one erased, in its
    // own layout, and what it holds is saved first.
    ExchangeResult r = xr::kOk;
    if (rules.identifyAfterAnswer) {
        r = Identify(inputs);
        if (r == xr::kModelChanged) {
            r = xr::kOk;
        }
    } else if (!link_.isOpen()) {
        r = Connect(inputs);
    }
    const DeviceModel model = instrumentModel_;
    if (r != xr::kOk || model == DeviceModel::None) {
        FinishWrite(Write::Initialise, {}, model, r == xr::kOk ? xr::kUnsupportedModel : r, false,
                    true);
        return false;
    }
    const NotebookRead read = ReadWhole(Purpose::Backup);
    if (read.outcome.result != xr::kOk || !read.outcome.completed) {
        FinishWrite(Write::Initialise, {}, model, read.outcome.result, false, true);
        return false;
    }
    // Records memory cannot hold could not be put back from the backup: nothing is erased.
    if (rules.refuseLossy && LossesOf(read.notebook).any()) {
        QString file;
        if (SaveBackup(read.notebook, read.notebook, &file)) {
            Refuse(Refusal::LossyInstrument, file, LossesOf(read.notebook));
        }
        return false;
    }
    if (!SaveBackup(read.notebook, read.notebook)) {
        FinishWrite(Write::Initialise, {}, model, xr::kBackupNotSaved, false, true);
        return false;
    }
    Notify(ev::WriteStarted{});
    instrument_.setCancel(nullptr);
    r = InitNotebookSequence(instrument_, model, WriteProgress());
    const bool erased = !RefusedBeforeSending(r);
    FinishWrite(Write::Initialise, {}, model, r, erased, false);
    if (r != xr::kOk) {
        return false;
    }
    const NotebookRead empty = ReadWhole(Purpose::Load);
    TakeIntoMemory(empty.notebook,
                   empty.outcome.completed ? Origin::CompleteRead : Origin::PartialRead);
    return true;
}

}  // namespace kvir
