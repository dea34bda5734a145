#pragma once
// The values the archive takes and gives: its typed results, what is stored with a snapshot,
// what a store returns, the list of snapshots, the record filter and an archived record. The
// operator's Russian texts for the results live in report/ArchiveTexts.h.

#include "instrument/DeviceModel.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QtGlobal>

namespace kvir {

enum class ArchiveStatus {
    Ok,
    NoDriver,           // Qt's driver for the database is not installed
    BadConnectionFile,  // the connection file cannot be read or is malformed
    CannotOpen,         // the archive file cannot be created or opened
    ReadOnly,           // the archive cannot be written (file, directory, medium, rights)
    Locked,             // another program keeps the archive locked longer than the wait
    Damaged,            // not an archive, or its file is damaged
    NewerSchema,        // written by a newer program: this one neither reads nor changes it
    NoArchive,          // an empty database or a missing file, opened without creating
    DiskFull,
    BadSchema,          // the schema is not a name of letters, digits and "_": never sent
    NoSchema,           // the server has no schema of that name
    ServerUnavailable,  // the database server cannot be reached
    LoginFailed,        // the server refused the user or the password
    ConnectionLost,     // the server went away during the work
    NotFound,           // no snapshot with that number
    PartialSnapshot,    // a partial snapshot is never restored as a whole notebook
    BadNotebook,        // nothing to store: no model, or a name without a Windows-1251 byte
    Failed,             // any other database error
};

enum class SnapshotKind {
    Read,    // a read of the instrument
    Backup,  // the copy saved before a write that erases records
};

// What a snapshot records besides the notebook itself.
struct SnapshotMeta {
    QDateTime takenAt;     // when the notebook was read (local time)
    QString port;          // the port it was read on
    QString operatorName;  // the console's current user
    bool complete = true;  // false: the read stopped part-way
    SnapshotKind kind = SnapshotKind::Read;
};

struct StoreResult {
    ArchiveStatus status = ArchiveStatus::Ok;
    qint64 snapshotId = 0;
    int records = 0;      // used slots stored
    int newRecords = 0;   // of them, slots whose record the archive had never seen
    QList<int> newSlots;  // those slots, ascending
};

struct SnapshotInfo {
    qint64 id = 0;
    QDateTime takenAt;  // local time
    DeviceModel model = DeviceModel::None;
    QString version;
    int base = 0;
    QString port;
    QString operatorName;
    bool complete = true;
    SnapshotKind kind = SnapshotKind::Read;
    int records = 0;
    int newRecords = 0;
};

// Which records a query gives. The model is required: the two models' columns differ.
// Empty texts, null dates and a negative mode do not filter.
struct ArchiveFilter {
    ArchiveFilter() = default;
    ArchiveFilter(DeviceModel m) : model(m) {}  // every record of the model

    DeviceModel model = DeviceModel::None;
    QString folder;        // the exact name a record was filed under (now or before)
    QDate from;            // first day, inclusive
    QDate to;              // last day, inclusive
    int mode = -1;         // the mode byte's two low bits, as the mode column shows them
    QString operatorName;  // the operator of the snapshot that first archived the record
};

// One record as archived: the stored fields bit for bit, the name of its folder and the
// operator of the snapshot in which the archive first saw it.
struct ArchivedRecord {
    qint64 id = 0;
    DeviceModel model = DeviceModel::None;
    QString folder;
    qint64 folderId = 0;  // the archive's number of the folder name
    quint8 modeCode = 0;
    quint16 dayWord = 0;
    quint16 timeWord = 0;
    double stamp = 0.0;
    float value1 = 0.0f;
    float value2 = 0.0f;
    float value3 = 0.0f;
    float value4 = 0.0f;
    qint64 firstSnapshot = 0;
    QString operatorName;
};

}  // namespace kvir
