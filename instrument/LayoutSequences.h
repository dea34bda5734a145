#pragma once
// The whole-notebook sequences of each memory layout, for the model table. The console and the
// tests call them through NotebookSequences.h, which picks the model's row.

#include "ModelTable.h"

namespace kvir {

// Folder-page layout: one page per folder.
ReadOutcome ReadFolderPages(Instrument& instrument, int base, const ProgressFn& progress,
                            const PageReadFn& afterPage);
ExchangeResult WriteFolderPage(Instrument& instrument, int base, int index, const QString& name,
                               const ProgressFn& progress);
ExchangeResult WriteFolderPages(Instrument& instrument, int base, const ProgressFn& progress);
ExchangeResult RestoreFolderPages(Instrument& instrument, int base, const ProgressFn& progress);
ExchangeResult InitFolderPages(Instrument& instrument, int base, const ProgressFn& progress);

// Directory layout: a folder directory and record pages.
ReadOutcome ReadRecordPages(Instrument& instrument, int base, const ProgressFn& progress,
                            const PageReadFn& afterPage);
ExchangeResult WriteDirectoryFolder(Instrument& instrument, int base, int index,
                                    const QString& name, const ProgressFn& progress);
ExchangeResult WriteDirectoryNotebook(Instrument& instrument, int base, const ProgressFn& progress);
ExchangeResult InitDirectory(Instrument& instrument, int base, const ProgressFn& progress);
inline ExchangeResult RestoreDirectory(Instrument& instrument, int base,
                                       const ProgressFn& progress) {
    return WriteDirectoryFolder(instrument, base, 0, QString(), progress);
}

}  // namespace kvir
