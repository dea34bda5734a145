// Searching the archived records: count, pages in the record table's order, the whole set in
// turn, and the names for the filter fields.
#include "Archive.h"
#include "ArchiveFields.h"
#include "instrument/MemoryLayout.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace kvir {

using namespace archive_fields;

namespace {

const QString kRecordColumns = QStringLiteral(
    "SELECT id, folder_id, stamp_key, day_word, time_word, mode, v1, v2, v3, v4, "
    "first_snapshot FROM record");
// Records per query when going through the whole set: no lock or result is held between
// them, so other consoles keep storing meanwhile.
constexpr int kForEachPage = 5000;

}  // namespace

QString Archive::filterSql(const ArchiveFilter& filter, QVariantList* values) {
    QString sql = QStringLiteral(" WHERE model = ?");
    *values << ModelCode(filter.model);
    if (!filter.folder.isEmpty()) {
        if (!cp1251::CanEncode(filter.folder)) {
            sql += QStringLiteral(" AND 1 = 0");  // no stored name holds such a character
        } else {
            // Every record filed under the name, whatever its folder is called now.
            sql += QStringLiteral(
                " AND id IN (SELECT record_id FROM snapshot_record WHERE folder_id = "
                "(SELECT id FROM folder WHERE name = ?))");
            *values << cp1251::Encode(filter.folder);
        }
    }
    if (filter.from.isValid()) {
        sql += QStringLiteral(" AND stamp_key >= ?");
        *values << StampKey(DaySerial(filter.from));
    }
    if (filter.to.isValid()) {
        sql += QStringLiteral(" AND stamp_key < ?");
        *values << StampKey(DaySerial(filter.to.addDays(1)));
    }
    if (filter.mode >= 0) {
        sql += QStringLiteral(" AND (mode & 3) = ?");
        *values << filter.mode;
    }
    if (!filter.operatorName.isEmpty()) {
        sql +=
            QStringLiteral(" AND first_snapshot IN (SELECT id FROM snapshot WHERE operator = ?)");
        *values << filter.operatorName;
    }
    return sql;
}

ArchivedRecord Archive::recordOf(const QSqlQuery& query, DeviceModel model) const {
    ArchivedRecord r;
    r.id = query.value(0).toLongLong();
    r.model = model;
    r.folderId = query.value(1).toLongLong();  // its name follows in resolveNames
    r.stamp = StampOfKey(query.value(2).toLongLong());
    r.dayWord = static_cast<quint16>(query.value(3).toInt());
    r.timeWord = static_cast<quint16>(query.value(4).toInt());
    r.modeCode = static_cast<quint8>(query.value(5).toInt());
    r.value1 = ValueOfBits(query.value(6).toLongLong());
    r.value2 = ValueOfBits(query.value(7).toLongLong());
    r.value3 = ValueOfBits(query.value(8).toLongLong());
    r.value4 = ValueOfBits(query.value(9).toLongLong());
    r.firstSnapshot = query.value(10).toLongLong();
    return r;
}

ArchiveStatus Archive::resolveNames(QList<ArchivedRecord>& records) {
    const auto reload = [this](const QString& sql, QHash<qint64, QString>& map, bool bytes) {
        QSqlQuery query(db());
        query.setForwardOnly(true);
        if (!query.exec(sql)) {
            return fail(query);
        }
        map.clear();
        while (query.next()) {
            map.insert(
                query.value(0).toLongLong(),
                bytes ? cp1251::Decode(query.value(1).toByteArray()) : query.value(1).toString());
        }
        return ArchiveStatus::Ok;
    };
    for (ArchivedRecord& r : records) {
        if (!folderNames_.contains(r.folderId)) {
            const ArchiveStatus status =
                reload(QStringLiteral("SELECT id, name FROM folder"), folderNames_, true);
            if (status != ArchiveStatus::Ok) {
                return status;
            }
        }
        if (!operators_.contains(r.firstSnapshot)) {
            const ArchiveStatus status =
                reload(QStringLiteral("SELECT id, operator FROM snapshot"), operators_, false);
            if (status != ArchiveStatus::Ok) {
                return status;
            }
        }
        r.folder = folderNames_.value(r.folderId);
        r.operatorName = operators_.value(r.firstSnapshot);
    }
    return ArchiveStatus::Ok;
}

ArchiveStatus Archive::recordRows(const QString& where, const QVariantList& values, int limit,
                                  QList<ArchivedRecord>* out) {
    QSqlQuery query(db());
    query.setForwardOnly(true);
    query.prepare(kRecordColumns + where + QStringLiteral(" LIMIT ?"));
    for (int i = 0; i < values.size(); ++i) {
        query.bindValue(i, values.at(i));
    }
    query.bindValue(static_cast<int>(values.size()), limit);
    if (!query.exec()) {
        return fail(query);
    }
    const DeviceModel model = ModelOfCode(values.value(0).toInt());
    QList<ArchivedRecord> rows;
    rows.reserve(std::min(limit, 10000));
    while (query.next()) {
        rows.append(recordOf(query, model));
    }
    if (query.lastError().isValid()) {
        return fail(query);
    }
    query.finish();
    const ArchiveStatus status = resolveNames(rows);
    if (out->isEmpty()) {
        *out = std::move(rows);
    } else {
        out->append(rows);
    }
    return status;
}

ArchiveStatus Archive::count(const ArchiveFilter& filter, qint64* out) {
    *out = 0;
    ArchiveStatus status = ensureOpen();
    if (status != ArchiveStatus::Ok) {
        return status;
    }
    QVariantList values;
    QSqlQuery query(db());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM record") + filterSql(filter, &values));
    for (int i = 0; i < values.size(); ++i) {
        query.bindValue(i, values.at(i));
    }
    if (!query.exec() || !query.next()) {
        return fail(query);
    }
    *out = query.value(0).toLongLong();
    return ArchiveStatus::Ok;
}

ArchiveStatus Archive::fetch(const ArchiveFilter& filter, const ArchivedRecord* after, int limit,
                             QList<ArchivedRecord>* out) {
    out->clear();
    ArchiveStatus status = ensureOpen();
    if (status != ArchiveStatus::Ok) {
        return status;
    }
    QVariantList values;
    const QString where = filterSql(filter, &values);
    if (after == nullptr) {
        return recordRows(where + QStringLiteral(" ORDER BY stamp_key DESC, id"), values, limit,
                          out);
    }
    // Newest first, equal stamps in archive order: first the rest of the last record's stamp,
    // then the older stamps. Both are ranges of the by-date index.
    const qint64 key = StampKey(after->stamp);
    QVariantList same = values;
    same << key << after->id;
    status = recordRows(where + QStringLiteral(" AND stamp_key = ? AND id > ? ORDER BY id"), same,
                        limit, out);
    if (status != ArchiveStatus::Ok || out->size() >= limit) {
        return status;
    }
    QVariantList older = values;
    older << key;
    return recordRows(where + QStringLiteral(" AND stamp_key < ? ORDER BY stamp_key DESC, id"),
                      older, limit - static_cast<int>(out->size()), out);
}

ArchiveStatus Archive::forEachPage(const ArchiveFilter& filter,
                                   const std::function<void(const QList<ArchivedRecord>&)>& visit,
                                   const std::atomic<bool>* stop) {
    QList<ArchivedRecord> page;
    ArchivedRecord last;
    bool first = true;
    do {
        const ArchiveStatus status = fetch(filter, first ? nullptr : &last, kForEachPage, &page);
        if (status != ArchiveStatus::Ok) {
            return status;
        }
        if (!page.isEmpty()) {
            last = page.last();
            visit(page);
        }
        if (stop != nullptr && stop->load()) {
            return ArchiveStatus::Ok;
        }
        first = false;
    } while (page.size() == kForEachPage);
    return ArchiveStatus::Ok;
}

ArchiveStatus Archive::record(qint64 recordId, ArchivedRecord* out) {
    ArchiveStatus status = ensureOpen();
    if (status != ArchiveStatus::Ok) {
        return status;
    }
    QSqlQuery query(db());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT model FROM record WHERE id = ?"));
    query.bindValue(0, recordId);
    if (!query.exec()) {
        return fail(query);
    }
    if (!query.next()) {
        return ArchiveStatus::NotFound;
    }
    const int model = query.value(0).toInt();
    query.finish();
    QList<ArchivedRecord> rows;
    status = recordRows(QStringLiteral(" WHERE model = ? AND id = ?"), {model, recordId}, 1, &rows);
    if (status == ArchiveStatus::Ok && !rows.isEmpty()) {
        *out = rows.first();
    }
    return status;
}

ArchiveStatus Archive::recordFolders(qint64 recordId, QStringList* out) {
    out->clear();
    ArchiveStatus status = ArchiveStatus::Ok;
    std::optional<QSqlQuery> reader = readQuery(&status);
    if (!reader) {
        return status;
    }
    QSqlQuery& query = *reader;
    query.prepare(QStringLiteral(
        "SELECT f.name FROM snapshot_record sr JOIN folder f ON f.id = sr.folder_id "
        "WHERE sr.record_id = ? GROUP BY f.id, f.name ORDER BY MAX(sr.snapshot_id)"));
    query.bindValue(0, recordId);
    if (!query.exec()) {
        return fail(query);
    }
    while (query.next()) {
        out->append(cp1251::Decode(query.value(0).toByteArray()));
    }
    return query.lastError().isValid() ? fail(query) : ArchiveStatus::Ok;
}

ArchiveStatus Archive::folderNames(DeviceModel model, QStringList* out) {
    out->clear();
    ArchiveStatus status = ArchiveStatus::Ok;
    std::optional<QSqlQuery> reader = readQuery(&status);
    if (!reader) {
        return status;
    }
    QSqlQuery& query = *reader;
    query.prepare(QStringLiteral(
        "SELECT DISTINCT f.name FROM snapshot_folder f JOIN snapshot s ON s.id = f.snapshot_id "
        "WHERE s.model = ?"));
    query.bindValue(0, ModelCode(model));
    if (!query.exec()) {
        return fail(query);
    }
    while (query.next()) {
        const QString name = cp1251::Decode(query.value(0).toByteArray());
        if (name != kFreeFolder) {
            out->append(name);
        }
    }
    std::sort(out->begin(), out->end());
    return ArchiveStatus::Ok;
}

ArchiveStatus Archive::operators(QStringList* out) {
    out->clear();
    ArchiveStatus status = ArchiveStatus::Ok;
    std::optional<QSqlQuery> reader = readQuery(&status);
    if (!reader) {
        return status;
    }
    QSqlQuery& query = *reader;
    if (!query.exec(QStringLiteral("SELECT DISTINCT operator FROM snapshot ORDER BY operator"))) {
        return fail(query);
    }
    while (query.next()) {
        out->append(query.value(0).toString());
    }
    return ArchiveStatus::Ok;
}

}  // namespace kvir
