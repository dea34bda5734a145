#pragma once
// The whole-notebook sequences of each kind of memory layout, for the model table. The session
// and the tests call them through NotebookSequences.h, which picks the model's row and hands
// them its layout.

#include "ModelTable.h"

namespace kvir {

// Folder-page layout: one page per folder.
ReadOutcome ReadFolderPages(Instrument& instrument, const NotebookLayout& layout, Notebook& into,
                            const QDate& today, const ReadHooks& hooks);
ExchangeResult WriteFolderPage(Instrument& instrument, const NotebookLayout& layout,
                               const Notebook& notebook, int index, const QString& name,
                               const ProgressFn& progress);
ExchangeResult WriteFolderPages(Instrument& instrument, const NotebookLayout& layout,
                                const Notebook& notebook, const ProgressFn& progress);
ExchangeResult RestoreFolderPages(Instrument& instrument, const NotebookLayout& layout,
                                  const Notebook& notebook, const ProgressFn& progress);
ExchangeResult InitFolderPages(Instrument& instrument, const NotebookLayout& layout,
                               const ProgressFn& progress);

// Directory layout: a folder directory and record pages.
ReadOutcome ReadRecordPages(Instrument& instrument, const NotebookLayout& layout, Notebook& into,
                            const QDate& today, const ReadHooks& hooks);
ExchangeResult WriteDirectoryFolder(Instrument& instrument, const NotebookLayout& layout,
                                    const Notebook& notebook, int index, const QString& name,
                                    const ProgressFn& progress);
ExchangeResult WriteDirectoryNotebook(Instrument& instrument, const NotebookLayout& layout,
                                      const Notebook& notebook, const ProgressFn& progress);
ExchangeResult InitDirectory(Instrument& instrument, const NotebookLayout& layout,
                             const ProgressFn& progress);
// Restoring keeps every entry in place, as a folder write does.
inline ExchangeResult RestoreDirectory(Instrument& instrument, const NotebookLayout& layout,
                                       const Notebook& notebook, const ProgressFn& progress) {
    return WriteDirectoryFolder(instrument, layout, notebook, 0, QString(), progress);
}

}  // namespace kvir
