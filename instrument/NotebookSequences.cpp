#include "NotebookSequences.h"

#include "LayoutSequences.h"
#include "MemoryLayout.h"

#include <QMap>
#include <QSet>

#include <functional>

#include <algorithm>
#include <memory>
#include <optional>

namespace kvir {

namespace {

// Fixed figures the progress window shows during these sequences.
constexpr int kFolderBar210 = 24;
constexpr int kFolderBarInit510 = 21;

void Report(const ProgressFn& progress, int foldersPos, int foldersMax, int recordsPos,
            int recordsMax) {
    if (progress) {
        progress(foldersPos, foldersMax, recordsPos, recordsMax);
    }
}

// Used slots of the image. They are packed from slot 0, so slots 0 to count − 1 are the
// records to write.
int UsedSlots(const NotebookImage& image) {
    return static_cast<int>(std::count_if(image.folderNo.begin(), image.folderNo.end(),
                                          [](quint8 f) { return f != 0; }));
}

int NamedFolders(const QStringList& folders) {
    return static_cast<int>(std::count_if(folders.begin(), folders.end(),
                                          [](const QString& f) { return f != kFreeFolder; }));
}

}  // namespace

// ---- Reading -------------------------------------------------------------------------------

namespace {

// Reports a page read, and the overflow warning once per read.
struct PageReporter {
    const ReadHooks& hooks;
    const Notebook& notebook;
    bool overflowTold = false;

    void page(int fp, int fm, int rp, int rm, int dropped) {
        Report(hooks.progress, fp, fm, rp, rm);
        if (dropped > 0 && !overflowTold && hooks.warn) {
            overflowTold = true;
            hooks.warn(InstrumentWarning::TooManyRecords);
        }
        if (hooks.pageRead) {
            hooks.pageRead(notebook);
        }
    }
};

}  // namespace

ReadOutcome ReadFolderPages(Instrument& instrument, const NotebookLayout& layout, Notebook& into,
                            const QDate& today, const ReadHooks& hooks) {
    const int pages = LayoutPages(layout, instrument.identification().base);
    const int perPage = layout.recordsPerPage;
    PageReporter reporter{hooks, into};
    Report(hooks.progress, 0, pages, 0, perPage);
    for (int j = 0; j < pages; ++j) {
        int dropped = 0;
        if (const ExchangeResult r = instrument.ReadFolderPage(layout, j, into, today, &dropped);
            r != xr::kOk) {
            return {r, false};
        }
        // The record bar stands at half while folder pages are read.
        reporter.page(j + 1, pages, perPage / 2, perPage, dropped);
    }
    return {xr::kOk, true};
}

ReadOutcome ReadRecordPages(Instrument& instrument, const NotebookLayout& layout, Notebook& into,
                            const QDate& today, const ReadHooks& hooks) {
    const int pages = LayoutPages(layout, instrument.identification().base);
    PageReporter reporter{hooks, into};
    Report(hooks.progress, 0, 1, 0, pages);
    ExchangeResult r = instrument.SetExchangeMode(1);
    bool commonMissing = false;
    if (r == xr::kOk) {
        r = instrument.ReadDirectory(layout, into, &commonMissing);
    }
    if (r != xr::kOk) {
        return {r, false};
    }
    if (commonMissing && hooks.warn) {
        hooks.warn(InstrumentWarning::NoCommonFolder);
    }
    Report(hooks.progress, 1, 1, 0, pages);
    for (int i = 0; i < pages; ++i) {
        int dropped = 0;
        if (r = instrument.ReadRecordPage(layout, i, into, today, &dropped); r != xr::kOk) {
            return {r, false};
        }
        reporter.page(1, 1, i + 1, pages, dropped);
    }
    // Reading is complete even when the closing switch fails.
    return {instrument.SetExchangeMode(2), true};
}

// ---- Writing: folder-page layout -------------------------------------------------------------

namespace {

// Writes the records of folder number `folderNo` (as many as a page takes, in slot order) onto
// page `page`.
ExchangeResult WritePageRecords(Instrument& instrument, const NotebookLayout& layout,
                                const NotebookImage& image, int folderNo, int page,
                                const std::function<void(int place)>& progress) {
    int place = 0;
    for (int s = 0; s < kNotebookSlots && place < layout.recordsPerPage; ++s) {
        if (image.folderNo[s] == folderNo) {
            if (progress) {
                progress(place);
            }
            if (const ExchangeResult r =
                    instrument.WriteFolderRecord(layout, page, place++, RecordFromSlot(image, s));
                r != xr::kOk) {
                return r;
            }
        }
    }
    return xr::kOk;
}

}  // namespace

ExchangeResult WriteFolderPage(Instrument& instrument, const NotebookLayout& layout,
                               const Notebook& notebook, int index, const QString& name,
                               const ProgressFn& progress) {
    const int pages = LayoutPages(layout, instrument.identification().base);
    const int perPage = layout.recordsPerPage;
    // A page beyond the notebook would erase the instrument's own memory above it.
    if (index < 0 || index >= pages) {
        return xr::kOutsideNotebook;
    }
    Report(progress, 0, 1, 0, perPage);
    // Erasing page 0 also restores the common folder's header; its name is never written.
    ExchangeResult r = instrument.EraseFolderPage(layout, index);
    if (r == xr::kOk) {
        r = instrument.WriteFolderHeader(layout, index, name);
    }
    if (r != xr::kOk) {
        return r;
    }
    return WritePageRecords(instrument, layout, notebook.image, index + 1, index,
                            [&](int place) { Report(progress, 1, 1, place, perPage); });
}

ExchangeResult RestoreFolderPages(Instrument& instrument, const NotebookLayout& layout,
                                  const Notebook& notebook, const ProgressFn& progress) {
    const int pages = LayoutPages(layout, instrument.identification().base);
    const int perPage = layout.recordsPerPage;
    const QStringList& folders = notebook.folders;
    if (folders.size() > pages) {
        return xr::kOutsideNotebook;
    }
    // Every folder on its own page, the free ones erased: nothing moves.
    for (int j = 0; j < pages; ++j) {
        Report(progress, j, pages, 0, perPage);
        ExchangeResult r = instrument.EraseFolderPage(layout, j);
        if (r != xr::kOk) {
            return r;
        }
        if (j >= folders.size() || folders[j] == kFreeFolder) {
            continue;
        }
        if (r = instrument.WriteFolderHeader(layout, j, folders[j]); r != xr::kOk) {
            return r;
        }
        r = WritePageRecords(instrument, layout, notebook.image, j + 1, j,
                             [&](int place) { Report(progress, j, pages, place, perPage); });
        if (r != xr::kOk) {
            return r;
        }
    }
    return xr::kOk;
}

ExchangeResult WriteFolderPages(Instrument& instrument, const NotebookLayout& layout,
                                const Notebook& notebook, const ProgressFn& progress) {
    const int pages = LayoutPages(layout, instrument.identification().base);
    const int perPage = layout.recordsPerPage;
    const QStringList& folders = notebook.folders;
    const int count = static_cast<int>(folders.size());
    if (count > pages) {
        return xr::kOutsideNotebook;
    }
    // Named folders go to consecutive pages; w − 1 ≤ j, so every page is erased before it
    // is filled. The folder numbers of the notebook stay as they are.
    int w = 0;
    for (int j = 0; j < count; ++j) {
        Report(progress, j, count, 0, perPage);
        ExchangeResult r = instrument.EraseFolderPage(layout, j);
        if (r != xr::kOk) {
            return r;
        }
        if (folders[j] == kFreeFolder) {
            continue;
        }
        if (r = instrument.WriteFolderHeader(layout, w++, folders[j]); r != xr::kOk) {
            return r;
        }
        r = WritePageRecords(instrument, layout, notebook.image, j + 1, w - 1,
                             [&](int place) { Report(progress, j, count, place, perPage); });
        if (r != xr::kOk) {
            return r;
        }
    }
    return xr::kOk;
}

ExchangeResult InitFolderPages(Instrument& instrument, const NotebookLayout& layout,
                               const ProgressFn& progress) {
    const int pages = LayoutPages(layout, instrument.identification().base);
    for (int j = 0; j < pages; ++j) {
        Report(progress, j, kFolderBarInit510, 0, layout.recordsPerPage);
        if (const ExchangeResult r = instrument.EraseFolderPage(layout, j); r != xr::kOk) {
            return r;
        }
    }
    return xr::kOk;
}

// ---- Writing: directory layout ---------------------------------------------------------------

namespace {

// Erases every record page below the directory, reporting (foldersBar, foldersBar, k, records
// per page).
ExchangeResult EraseRecordPages(Instrument& instrument, const NotebookLayout& layout,
                                int foldersBar, const ProgressFn& progress) {
    int k = 0;
    for (int a = instrument.identification().base; a < layout.end; a += layout.pageSize, ++k) {
        if (const ExchangeResult r = instrument.ErasePage(a); r != xr::kOk) {
            return r;
        }
        Report(progress, foldersBar, foldersBar, k, layout.recordsPerPage);
    }
    return xr::kOk;
}

// Writes slots 0 to n − 1 in ascending order (each page is erased by its first record).
ExchangeResult WriteRecords(Instrument& instrument, const NotebookLayout& layout,
                            const NotebookImage& image, int foldersBar, int recordsOffset,
                            const ProgressFn& progress) {
    const int n = UsedSlots(image);
    for (int r = 0; r < n; ++r) {
        if (const ExchangeResult x =
                instrument.WritePagedRecord(layout, r, RecordFromSlot(image, r));
            x != xr::kOk) {
            return x;
        }
        Report(progress, foldersBar, foldersBar, r + recordsOffset, n);
    }
    return xr::kOk;
}

bool FitsRecordPages(const Instrument& instrument, const NotebookLayout& layout,
                     const NotebookImage& image) {
    return UsedSlots(image) <= RecordCapacity(layout, instrument.identification().base);
}

}  // namespace

ExchangeResult WriteDirectoryFolder(Instrument& instrument, const NotebookLayout& layout,
                                    const Notebook& notebook, int index, const QString& name,
                                    const ProgressFn& progress) {
    // Every entry keeps its position: the whole directory and every record is written,
    // whatever the folder.
    Q_UNUSED(index);
    Q_UNUSED(name);
    const QStringList& folders = notebook.folders;
    // Records beyond the last page would reach into the directory: refuse before sending.
    if (!FitsRecordPages(instrument, layout, notebook.image)) {
        return kNotebookTooLarge;
    }
    if (folders.size() > layout.directoryEntries) {
        return xr::kOutsideNotebook;
    }
    ExchangeResult r = instrument.SetExchangeMode(1);
    if (r != xr::kOk) {
        return r;
    }
    Report(progress, 0, kFolderBar210, 12, layout.recordsPerPage);
    if (r = instrument.ResetDirectory(layout); r != xr::kOk) {
        return r;
    }
    // Every folder keeps its position; free entries stay erased.
    for (int e = 1; e < folders.size(); ++e) {
        if (folders[e] != kFreeFolder) {
            if (r = instrument.WriteDirectoryEntry(layout, e, folders[e]); r != xr::kOk) {
                return r;
            }
        }
        Report(progress, e, kFolderBar210, 0, layout.recordsPerPage);
    }
    if (r = EraseRecordPages(instrument, layout, kFolderBar210, progress); r != xr::kOk) {
        return r;
    }
    // Here the record bar shows the records written before this one (r, not r + 1).
    if (r = WriteRecords(instrument, layout, notebook.image, kFolderBar210, 0, progress);
        r != xr::kOk) {
        return r;
    }
    return instrument.SetExchangeMode(2);
}

ExchangeResult WriteDirectoryNotebook(Instrument& instrument, const NotebookLayout& layout,
                                      const Notebook& notebook, const ProgressFn& progress) {
    // The notebook is packed already: the named entries come first, and every record names
    // one of them. Anything else would write "<свободно>" as a name, or leave records under
    // a free entry: it is refused before any request.
    const QStringList& folders = notebook.folders;
    if (!FitsRecordPages(instrument, layout, notebook.image)) {
        return kNotebookTooLarge;
    }
    const int used = NamedFolders(folders);
    const bool packed =
        std::all_of(folders.begin(), folders.begin() + std::min<qsizetype>(used, folders.size()),
                    [](const QString& f) { return f != kFreeFolder; }) &&
        std::all_of(notebook.image.folderNo.begin(), notebook.image.folderNo.end(),
                    [used](quint8 f) { return f <= used; });
    if (used > layout.directoryEntries || !packed) {
        return xr::kOutsideNotebook;
    }
    const int n = UsedSlots(notebook.image);
    ExchangeResult r = instrument.SetExchangeMode(1);
    if (r != xr::kOk) {
        return r;
    }
    for (int d = 0; d < used; ++d) {
        Report(progress, d, used, 0, n);
        if (d == 0) {
            if (r = instrument.ResetDirectory(layout); r != xr::kOk) {
                return r;
            }
        }
        if (r = instrument.WriteDirectoryEntry(layout, d, folders[d]); r != xr::kOk) {
            return r;
        }
        Report(progress, d, used, 0, n);
    }
    if (r = EraseRecordPages(instrument, layout, used, progress); r != xr::kOk) {
        return r;
    }
    if (r = WriteRecords(instrument, layout, notebook.image, used, 1, progress); r != xr::kOk) {
        return r;
    }
    return instrument.SetExchangeMode(2);
}

ExchangeResult InitDirectory(Instrument& instrument, const NotebookLayout& layout,
                             const ProgressFn& progress) {
    Report(progress, 0, kFolderBar210, 0, layout.recordsPerPage);
    ExchangeResult r = instrument.SetExchangeMode(1);
    if (r == xr::kOk) {
        r = instrument.ResetDirectory(layout);
    }
    if (r != xr::kOk) {
        return r;
    }
    Report(progress, kFolderBar210, kFolderBar210, 0, layout.recordsPerPage);
    if (r = EraseRecordPages(instrument, layout, kFolderBar210, progress); r != xr::kOk) {
        return r;
    }
    return instrument.SetExchangeMode(2);
}

// ---- Preparing a whole write -------------------------------------------------------------------

namespace {

// Gives every record whose folder number names no folder a folder of its own, "ПАПКА N".
// Numbers within the capacity name their own entry; a number beyond it takes a free entry
// that no record names, so that nothing is filed together that was apart. False when there
// is no such entry.
bool AdoptUnnamedRecords(QStringList& folders, NotebookImage& image, int capacity) {
    const auto unnamed = [&folders](int f) {
        return f > 0 && (f > folders.size() || folders[f - 1] == kFreeFolder);
    };
    QSet<int> beyond;
    for (int s = 0; s < kNotebookSlots; ++s) {
        const int f = image.folderNo[s];
        if (!unnamed(f)) {
            continue;
        }
        if (f > capacity) {
            beyond.insert(f);
            continue;
        }
        while (folders.size() < f) {
            folders << kFreeFolder;
        }
        folders[f - 1] = QStringLiteral("ПАПКА %1").arg(f);
    }
    if (beyond.isEmpty()) {
        return true;
    }
    QSet<int> named;  // entries some record names
    for (int s = 0; s < kNotebookSlots; ++s) {
        named.insert(image.folderNo[s]);
    }
    QList<int> numbers = beyond.values();
    std::sort(numbers.begin(), numbers.end());
    QMap<int, int> moved;  // folder number beyond the capacity -> the entry that takes it
    int entry = 0;
    for (const int f : numbers) {
        while (entry < capacity && ((entry < folders.size() && folders[entry] != kFreeFolder) ||
                                    named.contains(entry + 1))) {
            ++entry;
        }
        if (entry >= capacity) {
            return false;
        }
        while (folders.size() <= entry) {
            folders << kFreeFolder;
        }
        folders[entry] = QStringLiteral("ПАПКА %1").arg(f);
        moved.insert(f, entry + 1);
        ++entry;
    }
    for (int s = 0; s < kNotebookSlots; ++s) {
        if (moved.contains(image.folderNo[s])) {
            image.folderNo[s] = static_cast<quint8>(moved.value(image.folderNo[s]));
        }
    }
    return true;
}

// Named entries moved down to the first free positions with their records renumbered.
// Entries move downward only, so a record renumbered once is never caught by a later move.
void PackEntries(QStringList& folders, NotebookImage& image) {
    int d = 0;
    for (int i = 0; i < folders.size(); ++i) {
        if (folders[i] == kFreeFolder) {
            continue;
        }
        if (i != d) {
            folders[d] = folders[i];
            folders[i] = kFreeFolder;
            for (int s = 0; s < kNotebookSlots; ++s) {
                if (image.folderNo[s] == i + 1) {
                    image.folderNo[s] = static_cast<quint8>(d + 1);
                }
            }
        }
        ++d;
    }
}

}  // namespace

WholeWriteFault PrepareWholeWrite(Notebook& notebook, int base, bool keepPlaces,
                                  bool adoptUnnamed) {
    const NotebookLayout* layout = LayoutOf(notebook.model);
    if (layout == nullptr) {
        return WholeWriteFault::None;
    }
    const int capacity = FolderCapacity(*layout, base);
    // A restore puts every record back in its own folder: a number beyond the directory
    // cannot be.
    if (keepPlaces && std::any_of(notebook.image.folderNo.begin(), notebook.image.folderNo.end(),
                                  [capacity](quint8 f) { return f > capacity; })) {
        return WholeWriteFault::TooManyFolders;
    }
    QStringList folders = notebook.folders;
    auto image = std::make_unique<NotebookImage>(notebook.image);
    CompactNotebookImage(*image);
    if (adoptUnnamed && !AdoptUnnamedRecords(folders, *image, capacity)) {
        return WholeWriteFault::NoFreeEntry;
    }
    // Free entries past the capacity are not folders; named ones are.
    while (folders.size() > capacity && folders.last() == kFreeFolder) {
        folders.removeLast();
    }
    const int lastNamed = static_cast<int>(folders.size()) - 1;
    const int named = NamedFolders(folders);
    if ((keepPlaces ? lastNamed + 1 : named) > capacity) {
        return WholeWriteFault::TooManyFolders;
    }
    if (layout->foldersOnPages()) {
        // A folder page takes so many records; a folder with more cannot be written exactly.
        QMap<int, int> perFolder;
        for (int s = 0; s < kNotebookSlots; ++s) {
            if (image->folderNo[s] != 0 &&
                ++perFolder[image->folderNo[s]] > layout->recordsPerPage) {
                return WholeWriteFault::TooManyRecords;
            }
        }
    } else {
        if (!keepPlaces) {
            PackEntries(folders, *image);
            // Records of a folder beyond the named ones have no entry to go to.
            const int used = NamedFolders(folders);
            for (int s = 0; s < kNotebookSlots; ++s) {
                if (image->folderNo[s] > used) {
                    ClearRecordSlot(*image, s);
                }
            }
            CompactNotebookImage(*image);
        }
        if (UsedSlots(*image) > RecordCapacity(*layout, base)) {
            return WholeWriteFault::TooManyRecords;
        }
    }
    notebook.folders = folders;
    notebook.image = *image;
    return WholeWriteFault::None;
}

// ---- Digests -------------------------------------------------------------------------------

namespace {

QString FolderOfRecord(const QStringList& folders, int folderNo) {
    return folderNo >= 1 && folderNo <= folders.size() ? folders[folderNo - 1]
                                                       : QStringLiteral("#%1").arg(folderNo);
}

QByteArray StoredFields(const NotebookLayout& layout, const NotebookImage& image, int slot) {
    QByteArray bytes = EncodeRecord(layout, RecordFromSlot(image, slot));
    bytes.truncate(layout.record.check);
    // The folder number travels as the folder's name.
    if (layout.record.folderNo >= 0) {
        bytes.remove(layout.record.folderNo, 1);
    }
    return bytes;
}

}  // namespace

NotebookRead ReadWholeNotebook(Instrument& instrument, DeviceModel model, const QDate& today,
                               const ReadHooks& hooks) {
    NotebookRead read;
    read.notebook.model = model;
    read.notebook.version = instrument.identification().version;
    read.notebook.base = instrument.identification().base;
    const ModelRow* row = RowOf(model);
    if (row == nullptr) {
        read.outcome = {xr::kOk, true};
        return read;
    }
    read.outcome = row->sequences.read(instrument, *row->layout, read.notebook, today, hooks);
    return read;
}

namespace {

// Runs one sequence of the model's row on its layout; 146 for a model without a row (nothing
// is sent then).
template <typename Call>
ExchangeResult OnModel(DeviceModel model, Call call) {
    const ModelRow* row = RowOf(model);
    return row != nullptr ? call(row->sequences, *row->layout) : xr::kUnsupportedModel;
}

}  // namespace

ExchangeResult WriteFolderSequence(Instrument& instrument, const Notebook& notebook, int index,
                                   const QString& name, const ProgressFn& progress) {
    return OnModel(notebook.model, [&](const LayoutSequences& s, const NotebookLayout& l) {
        return s.writeFolder(instrument, l, notebook, index, name, progress);
    });
}

ExchangeResult WriteNotebookSequence(Instrument& instrument, const Notebook& prepared,
                                     const ProgressFn& progress) {
    return OnModel(prepared.model, [&](const LayoutSequences& s, const NotebookLayout& l) {
        return s.writeNotebook(instrument, l, prepared, progress);
    });
}

ExchangeResult RestoreNotebookSequence(Instrument& instrument, const Notebook& prepared,
                                       const ProgressFn& progress) {
    return OnModel(prepared.model, [&](const LayoutSequences& s, const NotebookLayout& l) {
        return s.restore(instrument, l, prepared, progress);
    });
}

ExchangeResult InitNotebookSequence(Instrument& instrument, DeviceModel model,
                                    const ProgressFn& progress) {
    return OnModel(model, [&](const LayoutSequences& s, const NotebookLayout& l) {
        return s.initialise(instrument, l, progress);
    });
}

bool DigestRecord::operator<(const DigestRecord& other) const {
    if (folder != other.folder) {
        return folder < other.folder;
    }
    return bytes < other.bytes;
}

NotebookDigest DigestOf(const Notebook& notebook) {
    const NotebookImage& image = notebook.image;
    const QStringList& folders = notebook.folders;
    NotebookDigest digest;
    const NotebookLayout* layout = LayoutOf(notebook.model);
    if (layout == nullptr) {
        return digest;
    }
    for (const QString& f : folders) {
        if (f != kFreeFolder) {
            digest.folders << f;
        }
    }
    // A folder page keeps the first records of a named folder, as many as it takes; a record
    // page keeps every record with its folder number, whatever that folder is.
    const bool foldersOnPages = layout->foldersOnPages();
    QMap<int, int> perFolder;
    for (int s = 0; s < kNotebookSlots; ++s) {
        const int f = image.folderNo[s];
        if (f == 0) {
            continue;
        }
        const QString folder = FolderOfRecord(folders, f);
        if (foldersOnPages && (f > folders.size() || folder == kFreeFolder ||
                               perFolder[f]++ >= layout->recordsPerPage)) {
            continue;
        }
        digest.records.append({folder, StoredFields(*layout, image, s)});
    }
    std::sort(digest.records.begin(), digest.records.end());
    return digest;
}

NotebookDifference DescribeDifference(const NotebookDigest& written, const NotebookDigest& read) {
    using Kind = NotebookDifference::Kind;
    NotebookDifference difference;
    if (written.folders != read.folders) {
        const int n = static_cast<int>(std::min(written.folders.size(), read.folders.size()));
        for (int k = 0; k < n; ++k) {
            if (written.folders[k] != read.folders[k]) {
                difference.kind = Kind::FolderName;
                difference.folderNo = k + 1;
                difference.folder = written.folders[k];
                difference.readName = read.folders[k];
                return difference;
            }
        }
        difference.kind = Kind::FolderCount;
        difference.writtenCount = written.folders.size();
        difference.readCount = read.folders.size();
        return difference;
    }
    if (written.records == read.records) {
        return difference;
    }
    QMap<QString, QList<QByteArray>> w;
    QMap<QString, QList<QByteArray>> r;
    for (const DigestRecord& d : written.records) {
        w[d.folder] << d.bytes;
    }
    for (const DigestRecord& d : read.records) {
        r[d.folder] << d.bytes;
    }
    QStringList names = w.keys() + r.keys();
    names.removeDuplicates();
    names.sort();
    for (const QString& folder : names) {
        const QList<QByteArray> a = w.value(folder);
        const QList<QByteArray> b = r.value(folder);
        if (a.size() != b.size()) {
            difference.kind = Kind::RecordCount;
            difference.folder = folder;
            difference.writtenCount = a.size();
            difference.readCount = b.size();
            return difference;
        }
        if (a != b) {
            difference.kind = Kind::RecordBytes;
            difference.folder = folder;
            return difference;
        }
    }
    return difference;  // not reached: the record lists differ in some folder
}

}  // namespace kvir
