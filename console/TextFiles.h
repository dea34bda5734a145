#pragma once
// The console's text files (settings, protocol): Windows-1251 with CR LF after every line.
// Reading accepts CR, LF and CR LF as line ends. Writing goes to a temporary file beside the
// target that replaces it only when complete, so a failure never leaves a truncated file.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace kvir {

// Splits text into lines at CR LF, CR or LF. A final line end does not start another line;
// an empty text has no lines.
QStringList SplitLines(const QString& text);

// Every line encoded in Windows-1251 and followed by CR LF.
QByteArray EncodeLines(const QStringList& lines);

// The file's lines, or nothing when it cannot be opened for reading (missing, a directory,
// no permission).
std::optional<QStringList> LoadLines(const QString& path);

// Replaces the file with the lines. False when it cannot be written; `error` then holds the
// system's reason and the old file is untouched.
// Writes `bytes` to a temporary file beside `path` that replaces it only when every byte was
// written; on failure the old file stays as it was and `error` says why.
bool SaveBytesAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);
bool SaveLinesAtomically(const QString& path, const QStringList& lines, QString* error);

}  // namespace kvir
