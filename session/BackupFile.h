#pragma once
// The lossless backup of a notebook: a text file that restores exactly what was saved (the
// model, the identification, every folder name's bytes, every record's stored fields and
// stamp, and the bytes of every page read, bit for bit). Each line carries its data in
// hexadecimal, followed by a readable comment; the last line is a check over everything
// before it, so a damaged or hand-edited file is refused as a whole rather than restored in
// part.
//
//   KVIR-NOTEBOOK 2
//   model КВИР-510v2
//   version 2
//   base 53248
//   saved 2026-12-07T09:05:14
//   folders 3
//   folder 1 CEC1D9C0DF20CFC0CFCAC0   # ОБЩАЯ ПАПКА
//   folder 2 free
//   folder 3 unreadable
//   records 1
//   record 0 1 01 3E00 4224 40E6C3E000000000 41BC0000 C144CCCD 40B00000 40B00000   # ...
//   pages 1
//   page D000 CEC1D9C0DF20CFC0CFCAC0FFFFFFFFFF290D013E00...   # folder page 0
//   check 5D41402ABC4B2A76B9719D911017C592...
//
// A record line: slot, folder number, mode byte, day word, time word, the stamp as the bits
// of a double, and values 1 to 4 as the bits of floats. A page line: the address the block
// read started at and the 510 bytes it delivered, in ascending address order. Format 1 is
// the same without the pages; it still loads, with no pages.

#include "SessionEvents.h"

#include <QByteArray>
#include <QDateTime>

namespace kvir {

// "KVIR-backup-20261207-090514"; the lossless file adds ".kvir", the table for people ".csv".
QString BackupStem(const QDateTime& when);
inline const QString kBackupSuffix = QStringLiteral(".kvir");

// Always the newest format.
QByteArray EncodeBackup(const Notebook& notebook, const QDateTime& saved);
// On a fault `notebook` is unchanged; `line` (when given) is the 1-based line at fault. An
// intact file is still refused (Unrestorable) when a write-back could not restore it exactly:
// more folders than the layout holds at the base, a record in a folder beyond them or beyond
// the folder list, more records than the pages hold (or than 26 in one folder page), a page
// that is not one of the layout's.
BackupFault DecodeBackup(const QByteArray& bytes, Notebook& notebook, int* line = nullptr);

}  // namespace kvir
