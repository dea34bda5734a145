// Writing the notebook in memory back into the instrument, and initialising it. Every path
// runs PrepareErase first, which saves what the instrument holds; the sequences of requests
// themselves live in instrument/NotebookSequences.

#include "Session.h"

#include "BackupFile.h"
#include "TextFiles.h"
#include "instrument/ModelTable.h"

namespace kvir {

namespace {

using Kind = SessionEvent::Kind;
using Write = SessionEvent::Write;

// The sequences refuse these before their first request: nothing was erased.
bool RefusedBeforeSending(ExchangeResult r) {
    return r == xr::kTooManyRecords || r == xr::kOutsideNotebook || r == xr::kNotSent ||
           r == xr::kUnsupportedModel;
}

bool Complete(Origin origin) {
    return origin == Origin::CompleteRead || origin == Origin::BackupFile;
}

}  // namespace

void Session::AfterFailedWrite(ExchangeResult result, bool sent) {
    // A refusal before the first request leaves the link usable; anything else closes it.
    if (result != xr::kTooManyRecords && result != xr::kBackupNotSaved) {
        link_.ClosePort();
    }
    // Once something was erased, what the instrument holds is unknown.
    if (sent) {
        ForgetInstrument();
    }
}

ExchangeResult Session::EraseAndWrite(SessionEvent::Write write, const QString& name,
                                      const std::function<ExchangeResult(const ProgressFn&)>& run) {
    ExchangeResult r = PrepareErase(false);
    bool sent = false;
    if (r == xr::kOk) {
        r = run(
            [this](int fp, int fm, int rp, int rm) { Progress(Stage::Writing, fp, fm, rp, rm); });
        sent = !RefusedBeforeSending(r);
        if (sent) {
            ForgetInstrument();
        }
    }
    if (r != xr::kOk) {
        AfterFailedWrite(r, sent);
        unwritten_ = unwritten_ || sent;
    }
    SessionEvent done{Kind::WriteFinished};
    done.write = write;
    done.name = name;
    done.model = memory_.model;
    done.result = r;
    Notify(done);
    return r;
}

bool Session::WriteFolder(int index, const QString& name) {
    const auto refuse = [this](Refusal refusal) {
        SessionEvent event{Kind::Refused};
        event.refusal = refusal;
        Notify(event);
        return false;
    };
    const ModelRow* row = RowOf(memory_.model);
    if (row == nullptr) {
        return refuse(Refusal::NoNotebook);
    }
    if (unwritten_) {
        return refuse(Refusal::WholeWriteFirst);
    }
    // Where a folder write rewrites every record page, memory must hold them all.
    const bool onePage = row->layout->headerSize > 0;
    if (!onePage && !Complete(origin_)) {
        return refuse(Refusal::NoCompleteNotebook);
    }

    std::unique_ptr<Notebook> before;
    const ExchangeResult r = EraseAndWrite(Write::Folder, name, [&](const ProgressFn& progress) {
        before = std::make_unique<Notebook>(*known_);
        return WriteFolderSequence(instrument_, memory_.model, index, name, progress);
    });
    if (r == xr::kOk && onePage) {
        // One page changed: read it back, and the instrument's contents are known again.
        VerifyFolderPage(index, *before);
    }
    return r == xr::kOk;
}

bool Session::WriteNotebook() {
    if (RowOf(memory_.model) == nullptr || !Complete(origin_)) {
        SessionEvent event{Kind::Refused};
        event.refusal = Refusal::NoCompleteNotebook;
        Notify(event);
        return false;
    }
    const ExchangeResult r = EraseAndWrite(Write::Notebook, {}, [&](const ProgressFn& progress) {
        // A loaded backup goes back exactly as it was read: every folder in its own place.
        const auto write =
            origin_ == Origin::BackupFile ? RestoreNotebookSequence : WriteNotebookSequence;
        return write(instrument_, memory_.model, progress);
    });
    if (r != xr::kOk) {
        return false;
    }
    // Read back what was written and compare.
    const NotebookDigest written = DigestOf(memory_.image, memory_.folders, memory_.model);
    ReadNotebook();
    if (link_.isOpen()) {
        const QString difference =
            DescribeDifference(written, DigestOf(memory_.image, memory_.folders, memory_.model));
        if (!difference.isEmpty()) {
            SessionEvent differs{Kind::ReadbackDiffers};
            differs.text = difference;
            Notify(differs);
        }
    }
    return true;
}

void Session::Initialise() {
    if (!link_.isOpen() && Connect() != xr::kOk) {
        return;
    }
    const ExchangeResult identified = IdentifyFor(false);
    if (identified != xr::kOk && identified != xr::kModelChanged) {
        return;
    }
    if (!host_.confirmInitialise()) {
        return;
    }
    const DeviceModel model = instrumentModel_;
    ExchangeResult r = PrepareErase(true);
    const bool prepared = r == xr::kOk;
    if (prepared) {
        r = InitNotebookSequence(instrument_, model, [this](int fp, int fm, int rp, int rm) {
            Progress(Stage::Writing, fp, fm, rp, rm);
        });
        ForgetInstrument();
    }
    if (r != xr::kOk) {
        AfterFailedWrite(r, prepared);
    }
    SessionEvent done{Kind::WriteFinished};
    done.write = Write::Initialise;
    done.model = model;
    done.result = r;
    // A read or backup that failed before the erase has told the operator already.
    done.reported = !prepared;
    Notify(done);
    if (r == xr::kOk) {
        ReadNotebook();
    }
}

// ---- Loading a backup ----------------------------------------------------------------------

BackupFault Session::LoadBackup(const QString& path, FileFault* fileFault) {
    FileFault fault = FileFault::None;
    const std::optional<QByteArray> bytes = LoadBytes(path, &fault);
    if (fileFault != nullptr) {
        *fileFault = fault;
    }
    if (!bytes) {
        return BackupFault::Unreadable;
    }
    Notebook notebook;
    if (const BackupFault f = DecodeBackup(*bytes, notebook); f != BackupFault::None) {
        return f;
    }
    LoadNotebook(notebook);
    return BackupFault::None;
}

void Session::LoadNotebook(const Notebook& notebook) {
    memory_ = notebook;
    origin_ = Origin::BackupFile;
    edited_ = false;
    unwritten_ = false;
    caption_ = DisplayName(notebook.model);
}

}  // namespace kvir
