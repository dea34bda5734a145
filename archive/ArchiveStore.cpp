// Storing a notebook as a snapshot, and reading snapshots back.
#include "Archive.h"
#include "ArchiveFields.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <algorithm>
#include <array>
#include <map>

namespace kvir {

using namespace archive_fields;

namespace {

constexpr int kStoreAttempts = 3;
// Slots per pair of record statements.
constexpr qsizetype kStoreBatch = 100;

// UTC in ISO 8601; a snapshot without a time gets the present one.
QString TimeText(const QDateTime& when) {
    return (when.isValid() ? when : QDateTime::currentDateTime()).toUTC().toString(Qt::ISODate);
}

// An empty text, never SQL NULL (a null QString binds as NULL).
QString Text(const QString& text) {
    return text.isNull() ? QStringLiteral("") : text;
}

QDateTime TimeOfText(const QString& text) {
    return QDateTime::fromString(text, Qt::ISODate).toLocalTime();
}

}  // namespace

StoreResult Archive::store(const Notebook& notebook, const SnapshotMeta& meta) {
    StoreResult result;
    const bool encodable = std::all_of(notebook.folders.begin(), notebook.folders.end(),
                                       [](const QString& name) { return cp1251::CanEncode(name); });
    if (notebook.model == DeviceModel::None || !encodable) {
        result.status = ArchiveStatus::BadNotebook;
        return result;
    }
    // The snapshot's own identifier: a retry after a broken connection finds a snapshot whose
    // commit reached the server before the break instead of storing it again.
    const QString uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool lost = false;
    for (int attempt = 0;; ++attempt) {
        ArchiveStatus status = ensureOpen();
        bool found = false;
        if (status == ArchiveStatus::Ok && lost) {
            result = storedBefore(uid, &found);
            status = result.status;
        }
        if (status == ArchiveStatus::Ok && !found) {
            result = storeOnce(notebook, meta, uid);
            status = result.status;
        }
        result.status = status;
        if (status == ArchiveStatus::ConnectionLost && !lost) {
            lost = true;  // reconnect and try once more
            close();
        } else if (status != ArchiveStatus::Locked || attempt + 1 >= kStoreAttempts) {
            if (lost && status != ArchiveStatus::Ok) {
                result.status = ArchiveStatus::ConnectionLost;
            }
            return result;
        }
    }
}

StoreResult Archive::storedBefore(const QString& uid, bool* found) {
    StoreResult result;
    QSqlQuery query(db());
    query.prepare(QStringLiteral("SELECT id, records, new_records FROM snapshot WHERE uid = ?"));
    query.bindValue(0, uid);
    if (!query.exec()) {
        result.status = fail(query);
        return result;
    }
    *found = query.next();
    if (!*found) {
        return result;
    }
    result.snapshotId = query.value(0).toLongLong();
    result.records = query.value(1).toInt();
    result.newRecords = query.value(2).toInt();
    query.prepare(QStringLiteral(
        "SELECT sr.slot FROM snapshot_record sr JOIN record r ON r.id = sr.record_id "
        "WHERE sr.snapshot_id = ? AND r.first_snapshot = ? ORDER BY sr.slot"));
    query.bindValue(0, result.snapshotId);
    query.bindValue(1, result.snapshotId);
    if (!query.exec()) {
        result.status = fail(query);
        return result;
    }
    while (query.next()) {
        result.newSlots << query.value(0).toInt();
    }
    return result;
}

ArchiveStatus Archive::folderIds(const QList<QByteArray>& names, QHash<QByteArray, qint64>* ids) {
    if (names.isEmpty()) {
        return ArchiveStatus::Ok;
    }
    const QString marks =
        QStringLiteral("(?)") + QStringLiteral(", (?)").repeated(names.size() - 1);
    QSqlQuery query(db());
    query.prepare(QStringLiteral("INSERT INTO folder (name) VALUES ") + marks +
                  QStringLiteral(" ON CONFLICT DO NOTHING"));
    for (int i = 0; i < names.size(); ++i) {
        query.bindValue(i, names.at(i));
    }
    if (!query.exec()) {
        return fail(query);
    }
    query.prepare(QStringLiteral("SELECT id, name FROM folder WHERE name IN (") +
                  QStringLiteral("?, ").repeated(names.size() - 1) + QStringLiteral("?)"));
    for (int i = 0; i < names.size(); ++i) {
        query.bindValue(i, names.at(i));
    }
    if (!query.exec()) {
        return fail(query);
    }
    while (query.next()) {
        ids->insert(query.value(1).toByteArray(), query.value(0).toLongLong());
    }
    return ids->size() == names.size() ? ArchiveStatus::Ok : ArchiveStatus::Failed;
}

StoreResult Archive::storeOnce(const Notebook& notebook, const SnapshotMeta& meta,
                               const QString& uid) {
    StoreResult result;
    const NotebookImage& image = notebook.image;
    QList<int> used;
    QList<QByteArray> names;
    for (int s = 0; s < kNotebookSlots; ++s) {
        const quint8 folderNo = image.folderNo[static_cast<size_t>(s)];
        if (folderNo != 0) {
            used << s;
            const QByteArray name = RecordFolderBytes(notebook.folders, folderNo);
            if (!names.contains(name)) {
                names << name;
            }
        }
    }
    result.status = begin();
    if (result.status != ArchiveStatus::Ok) {
        return result;
    }
    const auto abandon = [&](ArchiveStatus status) {
        rollback();
        StoreResult failed;
        failed.status = status;
        return failed;
    };
    const bool postgres = dialect_ == Dialect::Postgres;
    const int model = ModelCode(notebook.model);

    QSqlQuery query(db());
    query.prepare(QStringLiteral("INSERT INTO snapshot (uid, taken_at, model, version, base, port, "
                                 "operator, complete, kind, records, new_records) "
                                 "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0)") +
                  (postgres ? QStringLiteral(" RETURNING id") : QString()));
    const QVariantList snapshotValues{uid,
                                      TimeText(meta.takenAt),
                                      model,
                                      Text(notebook.version),
                                      notebook.base,
                                      Text(meta.port),
                                      Text(meta.operatorName),
                                      meta.complete ? 1 : 0,
                                      meta.kind == SnapshotKind::Backup ? 1 : 0,
                                      static_cast<int>(used.size())};
    for (int i = 0; i < snapshotValues.size(); ++i) {
        query.bindValue(i, snapshotValues.at(i));
    }
    if (!query.exec() || (postgres && !query.next())) {
        return abandon(fail(query));
    }
    const qint64 snapshot =
        postgres ? query.value(0).toLongLong() : query.lastInsertId().toLongLong();
    query.finish();

    if (!notebook.folders.isEmpty()) {
        query.prepare(
            QStringLiteral("INSERT INTO snapshot_folder (snapshot_id, position, name) VALUES ") +
            QStringLiteral("(?, ?, ?), ").repeated(notebook.folders.size() - 1) +
            QStringLiteral("(?, ?, ?)"));
        for (int i = 0; i < notebook.folders.size(); ++i) {
            query.bindValue(3 * i, snapshot);
            query.bindValue(3 * i + 1, i);
            query.bindValue(3 * i + 2, cp1251::Encode(notebook.folders.at(i)));
        }
        if (!query.exec()) {
            return abandon(fail(query));
        }
    }
    QHash<QByteArray, qint64> folders;
    ArchiveStatus status = folderIds(names, &folders);
    if (status != ArchiveStatus::Ok) {
        return abandon(status);
    }

    // The copy number of every slot: how many earlier slots of this notebook hold the same
    // fields.
    std::map<std::array<qint64, 7>, int> seen;
    const auto copyOf = [&](size_t s) {
        const std::array<qint64, 7> fields{image.modeCode[s],          image.dayWord[s],
                                           image.timeWord[s],          ValueBits(image.value1[s]),
                                           ValueBits(image.value2[s]), ValueBits(image.value3[s]),
                                           ValueBits(image.value4[s])};
        return seen[fields]++;
    };

    // Records go in batches of rows written into the statements as numbers (every field is an
    // integer the archive computed): two statements per batch, few round trips to a server.
    // The first adds the records the archive does not hold; the second links every slot to
    // its record, found by the record's key through the unique index.
    const QString snapshotText = QString::number(snapshot);
    int added = 0;
    for (qsizetype first = 0; first < used.size(); first += kStoreBatch) {
        const qsizetype last = std::min<qsizetype>(first + kStoreBatch, used.size());
        QString records;
        QString links;
        for (qsizetype n = first; n < last; ++n) {
            const auto s = static_cast<size_t>(used.at(n));
            const qint64 folder =
                folders.value(RecordFolderBytes(notebook.folders, image.folderNo[s]));
            const QString key = QStringLiteral("%1, %2, %3, %4, %5, %6, %7, %8")
                                    .arg(static_cast<int>(image.dayWord[s]))
                                    .arg(static_cast<int>(image.timeWord[s]))
                                    .arg(static_cast<int>(image.modeCode[s]))
                                    .arg(ValueBits(image.value1[s]))
                                    .arg(ValueBits(image.value2[s]))
                                    .arg(ValueBits(image.value3[s]))
                                    .arg(ValueBits(image.value4[s]))
                                    .arg(copyOf(s));
            const QString separator = n == first ? QString() : QStringLiteral(", ");
            records += separator + u'(' + QString::number(model) + QStringLiteral(", ") +
                       QString::number(folder) + QStringLiteral(", ") +
                       QString::number(StampKey(image.stamp[s])) + QStringLiteral(", ") + key +
                       QStringLiteral(", ") + snapshotText + u')';
            links += separator + u'(' + QString::number(used.at(n)) + QStringLiteral(", ") +
                     QString::number(static_cast<int>(image.folderNo[s])) + QStringLiteral(", ") +
                     QString::number(folder) + QStringLiteral(", ") + key + u')';
        }
        if (!query.exec(QStringLiteral("INSERT INTO record (model, folder_id, stamp_key, day_word, "
                                       "time_word, mode, v1, v2, v3, v4, copy_no, first_snapshot) "
                                       "VALUES ") +
                        records + QStringLiteral(" ON CONFLICT DO NOTHING"))) {
            return abandon(fail(query));
        }
        added += std::max(0, query.numRowsAffected());
        if (!query.exec(
                QStringLiteral("WITH v (slot, folder_no, folder_id, day_word, time_word, mode, "
                               "v1, v2, v3, v4, copy_no) AS (VALUES ") +
                links +
                QStringLiteral(") INSERT INTO snapshot_record (snapshot_id, slot, folder_no, "
                               "folder_id, record_id) SELECT ") +
                snapshotText +
                QStringLiteral(", v.slot, v.folder_no, v.folder_id, r.id FROM v JOIN record r "
                               "ON r.model = ") +
                QString::number(model) +
                QStringLiteral(
                    " AND r.day_word = v.day_word AND r.time_word = v.time_word AND r.mode = "
                    "v.mode AND r.v1 = v.v1 AND r.v2 = v.v2 AND r.v3 = v.v3 AND r.v4 = v.v4 "
                    "AND r.copy_no = v.copy_no"))) {
            return abandon(fail(query));
        }
        if (query.numRowsAffected() != last - first) {
            lastError_ = QStringLiteral("%1 of %2 slots linked")
                             .arg(query.numRowsAffected())
                             .arg(last - first);
            return abandon(ArchiveStatus::Failed);
        }
        if (probe_) {
            probe_(static_cast<int>(last));
        }
    }

    // A record keeps its first stamp; it is shown under the name its folder has now.
    query.prepare(QStringLiteral(
        "UPDATE record SET folder_id = (SELECT sr.folder_id FROM snapshot_record sr "
        "WHERE sr.snapshot_id = ? AND sr.record_id = record.id) "
        "WHERE id IN (SELECT sr.record_id FROM snapshot_record sr JOIN record r "
        "ON r.id = sr.record_id WHERE sr.snapshot_id = ? AND r.folder_id <> sr.folder_id)"));
    query.bindValue(0, snapshot);
    query.bindValue(1, snapshot);
    if (!query.exec()) {
        return abandon(fail(query));
    }

    // New: the slots whose record this snapshot added.
    query.prepare(QStringLiteral(
        "SELECT sr.slot FROM snapshot_record sr JOIN record r ON r.id = sr.record_id "
        "WHERE sr.snapshot_id = ? AND r.first_snapshot = ? ORDER BY sr.slot"));
    query.bindValue(0, snapshot);
    query.bindValue(1, snapshot);
    if (!query.exec()) {
        return abandon(fail(query));
    }
    while (query.next()) {
        result.newSlots << query.value(0).toInt();
    }
    query.prepare(QStringLiteral("UPDATE snapshot SET new_records = ? WHERE id = ?"));
    query.bindValue(0, added);
    query.bindValue(1, snapshot);
    if (!query.exec()) {
        return abandon(fail(query));
    }
    status = commit();
    if (status != ArchiveStatus::Ok) {
        StoreResult failed;
        failed.status = status;
        return failed;
    }
    result.snapshotId = snapshot;
    result.records = static_cast<int>(used.size());
    result.newRecords = added;
    return result;
}

ArchiveStatus Archive::snapshots(QList<SnapshotInfo>* out) {
    out->clear();
    ArchiveStatus status = ArchiveStatus::Ok;
    std::optional<QSqlQuery> reader = readQuery(&status);
    if (!reader) {
        return status;
    }
    QSqlQuery& query = *reader;
    if (!query.exec(QStringLiteral("SELECT id, taken_at, model, version, base, port, operator, "
                                   "complete, kind, records, new_records FROM snapshot "
                                   "ORDER BY taken_at DESC, id DESC"))) {
        return fail(query);
    }
    while (query.next()) {
        SnapshotInfo info;
        info.id = query.value(0).toLongLong();
        info.takenAt = TimeOfText(query.value(1).toString());
        info.model = ModelOfCode(query.value(2).toInt());
        info.version = query.value(3).toString();
        info.base = query.value(4).toInt();
        info.port = query.value(5).toString();
        info.operatorName = query.value(6).toString();
        info.complete = query.value(7).toInt() != 0;
        info.kind = query.value(8).toInt() == 1 ? SnapshotKind::Backup : SnapshotKind::Read;
        info.records = query.value(9).toInt();
        info.newRecords = query.value(10).toInt();
        out->append(info);
    }
    return query.lastError().isValid() ? fail(query) : ArchiveStatus::Ok;
}

ArchiveStatus Archive::loadSnapshot(qint64 id, Notebook* out) {
    ArchiveStatus status = ArchiveStatus::Ok;
    std::optional<QSqlQuery> reader = readQuery(&status);
    if (!reader) {
        return status;
    }
    QSqlQuery& query = *reader;
    query.prepare(
        QStringLiteral("SELECT model, version, base, complete FROM snapshot WHERE id = ?"));
    query.bindValue(0, id);
    if (!query.exec()) {
        return fail(query);
    }
    if (!query.next()) {
        return ArchiveStatus::NotFound;
    }
    if (query.value(3).toInt() == 0) {
        return ArchiveStatus::PartialSnapshot;
    }
    Notebook notebook;
    notebook.model = ModelOfCode(query.value(0).toInt());
    notebook.version = query.value(1).toString();
    notebook.base = query.value(2).toInt();

    query.prepare(
        QStringLiteral("SELECT name FROM snapshot_folder WHERE snapshot_id = ? ORDER BY position"));
    query.bindValue(0, id);
    if (!query.exec()) {
        return fail(query);
    }
    while (query.next()) {
        notebook.folders << cp1251::Decode(query.value(0).toByteArray());
    }
    query.prepare(QStringLiteral(
        "SELECT sr.slot, sr.folder_no, r.mode, r.day_word, r.time_word, r.stamp_key, "
        "r.v1, r.v2, r.v3, r.v4 FROM snapshot_record sr JOIN record r ON r.id = sr.record_id "
        "WHERE sr.snapshot_id = ?"));
    query.bindValue(0, id);
    if (!query.exec()) {
        return fail(query);
    }
    NotebookImage& image = notebook.image;
    while (query.next()) {
        const int slot = query.value(0).toInt();
        if (slot < 0 || slot >= kNotebookSlots) {
            lastError_ = QStringLiteral("slot %1").arg(slot);
            return ArchiveStatus::Damaged;
        }
        const auto s = static_cast<size_t>(slot);
        image.folderNo[s] = static_cast<quint8>(query.value(1).toInt());
        image.modeCode[s] = static_cast<quint8>(query.value(2).toInt());
        image.dayWord[s] = static_cast<quint16>(query.value(3).toInt());
        image.timeWord[s] = static_cast<quint16>(query.value(4).toInt());
        image.stamp[s] = StampOfKey(query.value(5).toLongLong());
        image.value1[s] = ValueOfBits(query.value(6).toLongLong());
        image.value2[s] = ValueOfBits(query.value(7).toLongLong());
        image.value3[s] = ValueOfBits(query.value(8).toLongLong());
        image.value4[s] = ValueOfBits(query.value(9).toLongLong());
    }
    if (query.lastError().isValid()) {
        return fail(query);
    }
    *out = notebook;
    return ArchiveStatus::Ok;
}

ArchiveStatus Archive::snapshotsOfRecord(qint64 recordId, QList<qint64>* out) {
    out->clear();
    ArchiveStatus status = ArchiveStatus::Ok;
    std::optional<QSqlQuery> reader = readQuery(&status);
    if (!reader) {
        return status;
    }
    QSqlQuery& query = *reader;
    query.prepare(
        QStringLiteral("SELECT DISTINCT snapshot_id FROM snapshot_record "
                       "WHERE record_id = ? ORDER BY snapshot_id"));
    query.bindValue(0, recordId);
    if (!query.exec()) {
        return fail(query);
    }
    while (query.next()) {
        out->append(query.value(0).toLongLong());
    }
    return ArchiveStatus::Ok;
}

}  // namespace kvir
