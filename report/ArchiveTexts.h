#pragma once
// The operator's texts of the archive: one per result, the protocol lines of a store, and the
// snapshot list's words. The archive library returns typed results only; kvir-cli prints the
// same texts.

#include "archive/ArchiveTypes.h"

#include <QLocale>
#include <QString>

namespace kvir {

// Caption of the archive's message boxes and name of its page.
inline const QString kArchiveCaption = QStringLiteral("Архив");
// A record asked for by its number (a point of the chart) that the archive does not hold.
inline const QString kRecordNotFound = QStringLiteral("Запись не найдена в архиве");
// The mark of a record the archive had never seen before the read that showed it.
inline const QString kNewRecordMark = QStringLiteral("новая");

// What went wrong, as one sentence ("" for Ok).
QString ArchiveStatusText(ArchiveStatus status);

// The archive cannot be used: the reason and that the console goes on without it.
QString ArchiveUnavailableText(ArchiveStatus status);

// The protocol line after a store: how many records, how many new; or why nothing was stored
// (with the database's own text, when there is one, in parentheses).
QString ArchiveStoreEntry(const StoreResult& result, const SnapshotMeta& meta,
                          const QString& detail);

// "полный", "частичный" or "резервная копия" for a snapshot.
QString SnapshotKindText(const SnapshotInfo& info);

// One line of the snapshot list: date-time, model, records, kind
// ("07.12.2026 9:05:14  КВИР-210v1  1000 записей  полный").
QString SnapshotLine(const SnapshotInfo& info, const QLocale& locale);

}  // namespace kvir
