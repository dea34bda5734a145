#pragma once
// The console's text files (settings, protocol, exports, backups): Windows-1251 with CR LF
// after every line. Reading accepts CR, LF and CR LF as line ends. Writing goes to a temporary
// file beside the target that replaces it only when complete, so a failure never leaves a
// truncated file; where the directory takes no new file but the target itself is writable,
// the target is written in place.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace kvir {

// Why a file could not be written or read.
enum class FileFault { None, Missing, Permission, DiskFull, Busy, IsDirectory, Other };

// Splits text into lines at CR LF, CR or LF. A final line end does not start another line;
// an empty text has no lines.
QStringList SplitLines(const QString& text);

// Every line encoded in Windows-1251 and followed by CR LF.
QByteArray EncodeLines(const QStringList& lines);

// The file's lines, or nothing when it cannot be opened for reading (missing, a directory,
// no permission).
std::optional<QStringList> LoadLines(const QString& path);

// Writes `bytes` to a temporary file beside `path` that replaces it only when every byte was
// written; on failure the old file stays as it was and `fault` says why.
bool SaveBytesAtomically(const QString& path, const QByteArray& bytes, FileFault* fault = nullptr);
// Replaces the file with the lines, as SaveBytesAtomically.
bool SaveLinesAtomically(const QString& path, const QStringList& lines, FileFault* fault = nullptr);

// The whole file; nothing when it cannot be read (`fault` then says why).
std::optional<QByteArray> LoadBytes(const QString& path, FileFault* fault = nullptr);

}  // namespace kvir
