#include "NotebookSequences.h"

#include "LayoutSequences.h"
#include "MemoryLayout.h"

#include <QMap>

#include <algorithm>
#include <memory>
#include <optional>

namespace kvir {

namespace {

// Fixed figures the progress window shows during these sequences.
constexpr int kReadRecordBar = 13;  // the record bar stands at half while folder pages are read
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

ReadOutcome ReadFolderPages(Instrument& instrument, int base, const ProgressFn& progress,
                            const PageReadFn& afterPage) {
    const int pages = LayoutPages(FolderPageLayout(), base);
    Report(progress, 0, pages, 0, kRecordsPerFolderPage);
    for (int j = 0; j < pages; ++j) {
        if (const ExchangeResult r = instrument.ReadFolderPage(j); r != xr::kOk) {
            return {r, false};
        }
        Report(progress, j + 1, pages, kReadRecordBar, kRecordsPerFolderPage);
        if (afterPage) {
            afterPage();
        }
    }
    return {xr::kOk, true};
}

ReadOutcome ReadRecordPages(Instrument& instrument, int base, const ProgressFn& progress,
                            const PageReadFn& afterPage) {
    const int pages = LayoutPages(DirectoryLayout(), base);
    Report(progress, 0, 1, 0, pages);
    ExchangeResult r = instrument.SetExchangeMode(1);
    if (r == xr::kOk) {
        r = instrument.ReadDirectory();
    }
    if (r != xr::kOk) {
        return {r, false};
    }
    Report(progress, 1, 1, 0, pages);
    for (int i = 0; i < pages; ++i) {
        if (r = instrument.ReadRecordPage(i); r != xr::kOk) {
            return {r, false};
        }
        Report(progress, 1, 1, i + 1, pages);
        if (afterPage) {
            afterPage();
        }
    }
    // Reading is complete even when the closing switch fails.
    return {instrument.SetExchangeMode(2), true};
}

// ---- Writing: folder-page layout -------------------------------------------------------------

ExchangeResult WriteFolderPage(Instrument& instrument, int base, int index, const QString& name,
                               const ProgressFn& progress) {
    const int pages = LayoutPages(FolderPageLayout(), base);
    // A page beyond the notebook would erase the instrument's own memory above it.
    if (index < 0 || index >= pages) {
        return xr::kOutsideNotebook;
    }
    const NotebookImage& image = instrument.context().notebook();
    Report(progress, 0, 1, 0, kRecordsPerFolderPage);
    // Erasing page 0 also restores the common folder's header; its name is never written.
    ExchangeResult r = instrument.EraseFolderPage(index);
    if (r == xr::kOk) {
        r = instrument.WriteFolderHeader(index, name);
    }
    int place = 0;
    for (int s = 0; r == xr::kOk && s < kNotebookSlots; ++s) {
        Report(progress, 1, 1, place, kRecordsPerFolderPage);
        if (image.folderNo[s] == index + 1 && place < kRecordsPerFolderPage) {
            r = instrument.WriteFolderRecord(index, place++, s);
        }
    }
    return r;
}

ExchangeResult RestoreFolderPages(Instrument& instrument, int base, const ProgressFn& progress) {
    const int pages = LayoutPages(FolderPageLayout(), base);
    const QStringList& folders = instrument.context().folderList();
    const NotebookImage& image = instrument.context().notebook();
    if (folders.size() > pages) {
        return xr::kOutsideNotebook;
    }
    // Every folder on its own page, the free ones erased: nothing moves.
    for (int j = 0; j < pages; ++j) {
        Report(progress, j, pages, 0, kRecordsPerFolderPage);
        ExchangeResult r = instrument.EraseFolderPage(j);
        if (r != xr::kOk) {
            return r;
        }
        if (j >= folders.size() || folders[j] == kFreeFolder) {
            continue;
        }
        if (r = instrument.WriteFolderHeader(j, folders[j]); r != xr::kOk) {
            return r;
        }
        int place = 0;
        for (int s = 0; s < kNotebookSlots && place < kRecordsPerFolderPage; ++s) {
            if (image.folderNo[s] == j + 1) {
                Report(progress, j, pages, place, kRecordsPerFolderPage);
                if (r = instrument.WriteFolderRecord(j, place++, s); r != xr::kOk) {
                    return r;
                }
            }
        }
    }
    return xr::kOk;
}

ExchangeResult WriteFolderPages(Instrument& instrument, int base, const ProgressFn& progress) {
    const int pages = LayoutPages(FolderPageLayout(), base);
    const QStringList& folders = instrument.context().folderList();
    const NotebookImage& image = instrument.context().notebook();
    const int count = static_cast<int>(folders.size());
    if (count > pages) {
        return xr::kOutsideNotebook;
    }
    // Named folders go to consecutive pages; w − 1 ≤ j, so every page is erased before it
    // is filled. Memory keeps its folder numbers.
    int w = 0;
    for (int j = 0; j < count; ++j) {
        Report(progress, j, count, 0, kRecordsPerFolderPage);
        ExchangeResult r = instrument.EraseFolderPage(j);
        if (r != xr::kOk) {
            return r;
        }
        if (folders[j] == kFreeFolder) {
            continue;
        }
        if (r = instrument.WriteFolderHeader(w++, folders[j]); r != xr::kOk) {
            return r;
        }
        const int n = UsedSlots(image);
        int place = 0;
        for (int s = 0; s < n; ++s) {
            Report(progress, j, count, place, kRecordsPerFolderPage);
            if (image.folderNo[s] == j + 1 && place < kRecordsPerFolderPage) {
                if (r = instrument.WriteFolderRecord(w - 1, place++, s); r != xr::kOk) {
                    return r;
                }
            }
        }
    }
    return xr::kOk;
}

ExchangeResult InitFolderPages(Instrument& instrument, int base, const ProgressFn& progress) {
    const int pages = LayoutPages(FolderPageLayout(), base);
    for (int j = 0; j < pages; ++j) {
        Report(progress, j, kFolderBarInit510, 0, kRecordsPerFolderPage);
        if (const ExchangeResult r = instrument.EraseFolderPage(j); r != xr::kOk) {
            return r;
        }
    }
    return xr::kOk;
}

// ---- Writing: directory layout ---------------------------------------------------------------

namespace {

// Erases every record page below the directory, reporting (foldersBar, foldersBar, k, 23).
ExchangeResult EraseRecordPages(Instrument& instrument, int base, int foldersBar,
                                const ProgressFn& progress) {
    int k = 0;
    for (int a = base; a < kDirectory210; a += kPageSize, ++k) {
        if (const ExchangeResult r = instrument.ErasePage(a); r != xr::kOk) {
            return r;
        }
        Report(progress, foldersBar, foldersBar, k, kRecordsPerRecordPage);
    }
    return xr::kOk;
}

// The folder list and the records as the directory layout will hold them: named entries
// moved down to the first free positions with their records renumbered, then the records
// whose folder lies beyond the named entries dropped and the image compacted. Entries
// move downward only, so a record renumbered once is never caught by a later move.
void PackDirectoryNotebook(QStringList& folders, NotebookImage& image) {
    const int used = NamedFolders(folders);
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
    for (int s = 0; s < kNotebookSlots; ++s) {
        if (image.folderNo[s] > used) {
            ClearRecordSlot(image, s);
        }
    }
    CompactNotebookImage(image);
}

// Writes slots 0 to n − 1 in ascending order (each page is erased by its first record).
ExchangeResult WriteRecords(Instrument& instrument, int n, int foldersBar, int recordsOffset,
                            const ProgressFn& progress) {
    for (int r = 0; r < n; ++r) {
        if (const ExchangeResult x = instrument.WritePagedRecord(r); x != xr::kOk) {
            return x;
        }
        Report(progress, foldersBar, foldersBar, r + recordsOffset, n);
    }
    return xr::kOk;
}

}  // namespace

ExchangeResult WriteDirectoryFolder(Instrument& instrument, int base, int index,
                                    const QString& name, const ProgressFn& progress) {
    // Every entry keeps its position: the whole directory and every record is written,
    // whatever the folder.
    Q_UNUSED(index);
    Q_UNUSED(name);
    const QStringList& folders = instrument.context().folderList();
    const NotebookImage& image = instrument.context().notebook();
    const int n = UsedSlots(image);
    // Records beyond the last page would reach into the directory: refuse before sending.
    if (n > LayoutPages(DirectoryLayout(), base) * kRecordsPerRecordPage) {
        return kNotebookTooLarge;
    }
    ExchangeResult r = instrument.SetExchangeMode(1);
    if (r != xr::kOk) {
        return r;
    }
    Report(progress, 0, kFolderBar210, 12, kRecordsPerRecordPage);
    if (r = instrument.ResetDirectory(); r != xr::kOk) {
        return r;
    }
    // Every folder keeps its position; free entries stay erased.
    for (int e = 1; e < folders.size(); ++e) {
        if (folders[e] != kFreeFolder) {
            if (r = instrument.WriteDirectoryEntry(e, folders[e]); r != xr::kOk) {
                return r;
            }
        }
        Report(progress, e, kFolderBar210, 0, kRecordsPerRecordPage);
    }
    if (r = EraseRecordPages(instrument, base, kFolderBar210, progress); r != xr::kOk) {
        return r;
    }
    // Here the record bar shows the records written before this one (r, not r + 1).
    if (r = WriteRecords(instrument, n, kFolderBar210, 0, progress); r != xr::kOk) {
        return r;
    }
    return instrument.SetExchangeMode(2);
}

ExchangeResult WriteDirectoryNotebook(Instrument& instrument, int base,
                                      const ProgressFn& progress) {
    QStringList& folders = instrument.context().folderList();
    NotebookImage& image = instrument.context().notebook();

    // Pack a copy first: the capacity is that of the packed notebook (the records of folders
    // beyond the named ones are dropped), and a refused write must leave memory as it was.
    const QStringList original = folders;
    QStringList packedFolders = folders;
    auto packedImage = std::make_unique<NotebookImage>(image);
    PackDirectoryNotebook(packedFolders, *packedImage);
    if (UsedSlots(*packedImage) > LayoutPages(DirectoryLayout(), base) * kRecordsPerRecordPage) {
        return kNotebookTooLarge;
    }

    // While the directory is written, the progress shows the counts from before the packing.
    const int used = NamedFolders(original);
    const int before = UsedSlots(image);
    // Memory takes the packed notebook before the first request: whatever happens on the
    // line, memory is either untouched (refused above) or packed whole.
    folders = packedFolders;
    image = *packedImage;

    ExchangeResult r = instrument.SetExchangeMode(1);
    if (r != xr::kOk) {
        return r;
    }
    int d = 0;
    for (int i = 0; i < original.size(); ++i) {
        Report(progress, i, used, 0, before);
        if (i == 0) {
            if (r = instrument.ResetDirectory(); r != xr::kOk) {
                return r;
            }
        }
        if (original[i] != kFreeFolder) {
            // Entry i went down to entry d.
            if (r = instrument.WriteDirectoryEntry(d, folders[d]); r != xr::kOk) {
                return r;
            }
            ++d;
            Report(progress, i, used, 0, before);
        }
    }
    if (r = EraseRecordPages(instrument, base, used, progress); r != xr::kOk) {
        return r;
    }
    if (r = WriteRecords(instrument, UsedSlots(image), used, 1, progress); r != xr::kOk) {
        return r;
    }
    return instrument.SetExchangeMode(2);
}

ExchangeResult InitDirectory(Instrument& instrument, int base, const ProgressFn& progress) {
    Report(progress, 0, kFolderBar210, 0, kRecordsPerRecordPage);
    ExchangeResult r = instrument.SetExchangeMode(1);
    if (r == xr::kOk) {
        r = instrument.ResetDirectory();
    }
    if (r != xr::kOk) {
        return r;
    }
    Report(progress, kFolderBar210, kFolderBar210, 0, kRecordsPerRecordPage);
    if (r = EraseRecordPages(instrument, base, kFolderBar210, progress); r != xr::kOk) {
        return r;
    }
    return instrument.SetExchangeMode(2);
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

ReadOutcome ReadWholeNotebook(Instrument& instrument, DeviceModel model, const ProgressFn& progress,
                              const PageReadFn& afterPage) {
    const ModelRow* row = RowOf(model);
    if (row == nullptr) {
        return {xr::kOk, true};
    }
    const std::optional<int> base = instrument.notebookBase();
    if (!base) {
        return {xr::kNotSent, false};
    }
    instrument.BeginNotebookRead();
    return row->sequences.read(instrument, *base, progress, afterPage);
}

namespace {

// Runs one sequence of the model's row with the notebook base of the identification; 146 for
// a model without a row, 134 without a base (nothing is sent then).
template <typename Call>
ExchangeResult OnModel(Instrument& instrument, DeviceModel model, Call call) {
    const ModelRow* row = RowOf(model);
    if (row == nullptr) {
        return xr::kUnsupportedModel;
    }
    const std::optional<int> base = instrument.notebookBase();
    if (!base) {
        return xr::kNotSent;
    }
    return call(row->sequences, *base);
}

}  // namespace

ExchangeResult WriteFolderSequence(Instrument& instrument, DeviceModel model, int index,
                                   const QString& name, const ProgressFn& progress) {
    return OnModel(instrument, model, [&](const LayoutSequences& s, int base) {
        return s.writeFolder(instrument, base, index, name, progress);
    });
}

ExchangeResult WriteNotebookSequence(Instrument& instrument, DeviceModel model,
                                     const ProgressFn& progress) {
    return OnModel(instrument, model, [&](const LayoutSequences& s, int base) {
        return s.writeNotebook(instrument, base, progress);
    });
}

ExchangeResult RestoreNotebookSequence(Instrument& instrument, DeviceModel model,
                                       const ProgressFn& progress) {
    return OnModel(instrument, model, [&](const LayoutSequences& s, int base) {
        return s.restore(instrument, base, progress);
    });
}

ExchangeResult InitNotebookSequence(Instrument& instrument, DeviceModel model,
                                    const ProgressFn& progress) {
    return OnModel(instrument, model, [&](const LayoutSequences& s, int base) {
        return s.initialise(instrument, base, progress);
    });
}

bool DigestRecord::operator<(const DigestRecord& other) const {
    if (folder != other.folder) {
        return folder < other.folder;
    }
    return bytes < other.bytes;
}

NotebookDigest DigestOf(const NotebookImage& image, const QStringList& folders, DeviceModel model) {
    NotebookDigest digest;
    const NotebookLayout* layout = LayoutOf(model);
    if (layout == nullptr) {
        return digest;
    }
    for (const QString& f : folders) {
        if (f != kFreeFolder) {
            digest.folders << f;
        }
    }
    // A folder page keeps the first 26 records of a named folder; a record page keeps every
    // record with its folder number, whatever that folder is.
    const bool foldersOnPages = layout->headerSize > 0;
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

QString DescribeDifference(const NotebookDigest& written, const NotebookDigest& read) {
    if (written.folders != read.folders) {
        const int n = static_cast<int>(std::min(written.folders.size(), read.folders.size()));
        for (int k = 0; k < n; ++k) {
            if (written.folders[k] != read.folders[k]) {
                return QStringLiteral("Папка %1: записана «%2», прочитана «%3»")
                    .arg(k + 1)
                    .arg(written.folders[k], read.folders[k]);
            }
        }
        return QStringLiteral("Папок записано %1, прочитано %2")
            .arg(written.folders.size())
            .arg(read.folders.size());
    }
    if (written.records == read.records) {
        return {};
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
            return QStringLiteral("Папка «%1»: записей записано %2, прочитано %3")
                .arg(folder)
                .arg(a.size())
                .arg(b.size());
        }
        if (a != b) {
            return QStringLiteral("Папка «%1»: записи прочитаны с искажениями").arg(folder);
        }
    }
    return {};  // not reached: the record lists differ in some folder
}

}  // namespace kvir
