#pragma once
// The export file of tagged records: ".csv" or ".txt", Windows-1251 with CR LF, one line per
// row with eight fields each followed by ";". A new or replaced file starts with the header
// line; an appended file keeps its earlier content and receives data lines only. Both are
// written to a temporary file that replaces the target only when complete, so a failure
// (a full disk included) never leaves a cut-short export.

#include <QString>
#include <QStringList>

#include "session/TextFiles.h"

namespace kvir {

// The save dialog's filters: index 1 ".csv", index 2 ".txt".
QStringList ExportFilters();

// The file an export writes: the chosen name, completed with ".txt" (filter 2) or ".csv" (any
// other filter) when the file name itself has no full stop; a full stop in a directory name
// does not count.
QString ExportTargetName(const QString& chosen, int filterIndex);

// A field as written: unchanged, or between double quotes with inner quotes doubled when it
// holds ";", a double quote or a line break, so that every line keeps its fields.
QString ExportField(const QString& text);

// One line of the export file: every cell as a field followed by ";".
QString ExportLine(const QStringList& cells);

// Writes the lines as the whole file, creating it when missing. False, with the reason in
// `fault`, when an existing file cannot be opened for writing or the new one cannot be
// written; the old file is then untouched.
bool ReplaceExportFile(const QString& path, const QStringList& lines, FileFault* fault = nullptr);

// Adds the lines after the file's present content, which stays byte for byte (a last line
// without a line end gets one first). False, with the reason in `fault`, when the file cannot
// be opened for reading and writing or the result cannot be written; the file is then
// untouched.
bool AppendExportFile(const QString& path, const QStringList& lines, FileFault* fault = nullptr);

}  // namespace kvir
