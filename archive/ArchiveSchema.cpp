#include "ArchiveSchema.h"

namespace kvir {

namespace {

// Version 1 (records keyed by their stamp and folder name as well).
//   snapshot          one row per stored notebook; uid makes a retried store recognisable
//   snapshot_folder   its folder list, names as bytes
//   folder            every folder name the archive has seen, as bytes
//   record            every record once; the unique key is the deduplication key
//   snapshot_record   which record every used slot of a snapshot held, and its folder number
// Models are stored as 510 and 210; values as the bits of the single-precision numbers;
// stamps as StampKey (Archive.h). Times are UTC in ISO 8601.
const char* const kVersion1[] = {
    "CREATE TABLE snapshot ("
    " id @ID@,"
    " uid TEXT NOT NULL UNIQUE,"
    " taken_at TEXT NOT NULL,"
    " model INTEGER NOT NULL,"
    " version TEXT NOT NULL,"
    " base INTEGER NOT NULL,"
    " port TEXT NOT NULL,"
    " operator TEXT NOT NULL,"
    " complete INTEGER NOT NULL,"
    " kind INTEGER NOT NULL,"
    " records INTEGER NOT NULL,"
    " new_records INTEGER NOT NULL)",

    "CREATE INDEX snapshot_by_operator ON snapshot (operator)",

    "CREATE TABLE snapshot_folder ("
    " snapshot_id BIGINT NOT NULL REFERENCES snapshot (id),"
    " position INTEGER NOT NULL,"
    " name @BLOB@ NOT NULL,"
    " PRIMARY KEY (snapshot_id, position))@WITHOUT_ROWID@",

    "CREATE TABLE folder ("
    " id @ID@,"
    " name @BLOB@ NOT NULL UNIQUE)",

    "CREATE TABLE record ("
    " id @ID@,"
    " model INTEGER NOT NULL,"
    " folder_id BIGINT NOT NULL REFERENCES folder (id),"
    " stamp_key BIGINT NOT NULL,"
    " day_word INTEGER NOT NULL,"
    " time_word INTEGER NOT NULL,"
    " mode INTEGER NOT NULL,"
    " v1 INTEGER NOT NULL,"
    " v2 INTEGER NOT NULL,"
    " v3 INTEGER NOT NULL,"
    " v4 INTEGER NOT NULL,"
    " first_snapshot BIGINT NOT NULL REFERENCES snapshot (id),"
    " UNIQUE (model, folder_id, stamp_key, day_word, time_word, mode, v1, v2, v3, v4))",

    // The record table's order (newest first, then archive order) for one model.
    "CREATE INDEX record_by_date ON record (model, stamp_key DESC, id)",

    "CREATE TABLE snapshot_record ("
    " snapshot_id BIGINT NOT NULL REFERENCES snapshot (id),"
    " slot INTEGER NOT NULL,"
    " folder_no INTEGER NOT NULL,"
    " record_id BIGINT NOT NULL REFERENCES record (id),"
    " PRIMARY KEY (snapshot_id, slot))@WITHOUT_ROWID@",

    "CREATE INDEX snapshot_record_by_record ON snapshot_record (record_id)",
};

// Version 2: one record per measurement. A record is the same record when the instrument
// stored the same fields for it (model, mode, day and time words, the four values); neither
// the stamp, which the console infers from the day of the read, nor the folder's name, which
// the operator may change, is part of it. Identical fields stored at several slots of one
// notebook are several records, told apart by their copy number (the first such slot of a
// snapshot is copy 0, the next copy 1, ...), so the archive keeps as many copies of the same
// fields as the most any one snapshot held.
//   record            + copy_no; the unique key is now (model, day_word, time_word, mode,
//                     v1, v2, v3, v4, copy_no); stamp_key is the first stamp archived for the
//                     record, folder_id the name it was filed under in its newest snapshot
//   snapshot_record   + folder_id: the name every slot was filed under, so the archive keeps
//                     each name a record had
// Records of version 1 that differ only in stamp or folder name collapse into one with the
// earliest stamp; each snapshot's new_records is counted again as the records it added.
const char* const kVersion2[] = {
    "CREATE TABLE record_v2 ("
    " id @ID@,"
    " model INTEGER NOT NULL,"
    " folder_id BIGINT NOT NULL REFERENCES folder (id),"
    " stamp_key BIGINT NOT NULL,"
    " day_word INTEGER NOT NULL,"
    " time_word INTEGER NOT NULL,"
    " mode INTEGER NOT NULL,"
    " v1 INTEGER NOT NULL,"
    " v2 INTEGER NOT NULL,"
    " v3 INTEGER NOT NULL,"
    " v4 INTEGER NOT NULL,"
    " copy_no INTEGER NOT NULL,"
    " first_snapshot BIGINT NOT NULL REFERENCES snapshot (id),"
    " UNIQUE (model, day_word, time_word, mode, v1, v2, v3, v4, copy_no))",

    "CREATE TABLE snapshot_record_v2 ("
    " snapshot_id BIGINT NOT NULL REFERENCES snapshot (id),"
    " slot INTEGER NOT NULL,"
    " folder_no INTEGER NOT NULL,"
    " folder_id BIGINT NOT NULL REFERENCES folder (id),"
    " record_id BIGINT NOT NULL REFERENCES record_v2 (id),"
    " PRIMARY KEY (snapshot_id, slot))@WITHOUT_ROWID@",

    // Every slot of every snapshot with its record's fields and its copy number.
    "CREATE TEMPORARY TABLE migrated_slot AS"
    " SELECT sr.snapshot_id, sr.slot, sr.folder_no, r.folder_id, r.stamp_key, r.model,"
    " r.day_word, r.time_word, r.mode, r.v1, r.v2, r.v3, r.v4,"
    " ROW_NUMBER() OVER (PARTITION BY sr.snapshot_id, r.model, r.day_word, r.time_word, r.mode,"
    " r.v1, r.v2, r.v3, r.v4 ORDER BY sr.slot) - 1 AS copy_no"
    " FROM snapshot_record sr JOIN record r ON r.id = sr.record_id",

    // One record per fields and copy: the earliest stamp, the first snapshot that held it, the
    // folder name of the newest; numbered in the order the archive first saw them.
    "INSERT INTO record_v2 (id, model, folder_id, stamp_key, day_word, time_word, mode,"
    " v1, v2, v3, v4, copy_no, first_snapshot)"
    " SELECT ROW_NUMBER() OVER (ORDER BY first_seen), model, folder_id, first_stamp, day_word,"
    " time_word, mode, v1, v2, v3, v4, copy_no, first_seen / 1024"
    " FROM (SELECT m.*, ROW_NUMBER() OVER (w ORDER BY snapshot_id DESC) AS newest,"
    " MIN(stamp_key) OVER w AS first_stamp, MIN(snapshot_id * 1024 + slot) OVER w AS first_seen"
    " FROM migrated_slot m"
    " WINDOW w AS (PARTITION BY model, day_word, time_word, mode, v1, v2, v3, v4, copy_no)) t"
    " WHERE newest = 1",

    "INSERT INTO snapshot_record_v2 (snapshot_id, slot, folder_no, folder_id, record_id)"
    " SELECT m.snapshot_id, m.slot, m.folder_no, m.folder_id, r.id"
    " FROM migrated_slot m JOIN record_v2 r ON r.model = m.model AND r.day_word = m.day_word"
    " AND r.time_word = m.time_word AND r.mode = m.mode AND r.v1 = m.v1 AND r.v2 = m.v2"
    " AND r.v3 = m.v3 AND r.v4 = m.v4 AND r.copy_no = m.copy_no",

    "UPDATE snapshot SET new_records ="
    " (SELECT COUNT(*) FROM record_v2 r WHERE r.first_snapshot = snapshot.id)",

    "DROP TABLE migrated_slot",
    "DROP TABLE snapshot_record",
    "DROP TABLE record",
    "ALTER TABLE record_v2 RENAME TO record",
    "ALTER TABLE snapshot_record_v2 RENAME TO snapshot_record",
    "CREATE INDEX record_by_date ON record (model, stamp_key DESC, id)",
    "CREATE INDEX snapshot_record_by_record ON snapshot_record (record_id)",
    // The records filed under a folder name, whatever the folder is called now.
    "CREATE INDEX snapshot_record_by_folder ON snapshot_record (folder_id, record_id)",
};

// PostgreSQL hands out record numbers from a sequence: it goes on after the migrated ones.
const char* const kVersion2Postgres =
    "SELECT setval(pg_get_serial_sequence('record', 'id'), COALESCE(MAX(id), 0) + 1, false)"
    " FROM record";

QString Dialect(const char* statement, bool postgres) {
    QString text = QString::fromLatin1(statement);
    text.replace(QStringLiteral("@ID@"),
                 postgres ? QStringLiteral("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY")
                          : QStringLiteral("INTEGER PRIMARY KEY"));
    text.replace(QStringLiteral("@BLOB@"),
                 postgres ? QStringLiteral("BYTEA") : QStringLiteral("BLOB"));
    text.replace(QStringLiteral("@WITHOUT_ROWID@"),
                 postgres ? QString() : QStringLiteral(" WITHOUT ROWID"));
    return text;
}

}  // namespace

QStringList MigrationStatements(int to, bool postgres) {
    QStringList statements;
    const auto add = [&](const auto& list) {
        for (const char* statement : list) {
            statements << Dialect(statement, postgres);
        }
    };
    if (to == 1) {
        add(kVersion1);
    } else if (to == 2) {
        add(kVersion2);
        if (postgres) {
            statements << QString::fromLatin1(kVersion2Postgres);
        }
    }
    return statements;
}

}  // namespace kvir
