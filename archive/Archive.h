#pragma once
// The measurement archive: every notebook read (and every backup before an erasing write) as a
// snapshot, its records kept once each across snapshots, searchable and restorable.
//
// A snapshot keeps the whole notebook losslessly: model, version and base, every folder name's
// bytes, and for every used slot its folder number, the folder name it was filed under and the
// record it holds. A record is one measurement: the same record whenever the instrument stored
// the same fields for it,
//     model, mode byte, day word, time word, the four value bits
// so reading the same notebook again stores no record twice, whatever day it is read on (the
// stamp is inferred from the day of the read, the instruments store no year) and whatever its
// folder is called by then. Identical fields at several slots of one notebook are as many
// records (a copy number tells them apart): the archive keeps as many copies of the same fields
// as the most any one snapshot held. A record keeps the stamp it was first archived with and is
// shown under the name of the folder that held it in the latest snapshot; the names it was
// filed under before stay with the snapshots (recordFolders). The folder name is that of the
// folder the slot names, or "<???>" when its number names no folder (as the record table shows
// it). A slot whose folder number is 0 is free and is not kept.
//
// Every store is one transaction: an interrupted store leaves the archive as it was or with the
// whole snapshot. A store that loses an SQLite lock race waits (busy timeout) and retries; one
// whose server connection breaks reconnects and retries once, and a snapshot whose commit
// reached the server before the break is recognised by its own identifier and never stored
// twice.
//
// One Archive is one database connection, used from the thread that opened it.

#include "ArchiveLocation.h"
#include "ArchiveTypes.h"
#include "instrument/Notebook.h"

#include <QHash>
#include <QSqlQuery>
#include <QString>

#include <atomic>
#include <functional>
#include <optional>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;

namespace kvir {

class Archive {
  public:
    Archive();
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    enum class OpenMode {
        Create,    // an empty database (or a missing SQLite file) becomes an archive
        Existing,  // NoArchive for an empty database: nothing is created
    };
    // Opens the archive and brings its schema to this program's version. Ok, or the reason; a
    // newer schema, a damaged file or a locked archive is neither changed nor used.
    ArchiveStatus open(const ArchiveLocation& location, OpenMode mode = OpenMode::Create);
    void close();
    bool isOpen() const { return open_; }
    const ArchiveLocation& location() const { return location_; }
    // The database's own text of the last failure (for the protocol, beside the operator's
    // text of the status).
    const QString& lastError() const { return lastError_; }

    // Stores the notebook as one snapshot.
    StoreResult store(const Notebook& notebook, const SnapshotMeta& meta);

    // Every snapshot, newest first.
    ArchiveStatus snapshots(QList<SnapshotInfo>* out);
    // The notebook of a complete snapshot exactly as it was stored; PartialSnapshot for a
    // partial one (its records are in the archive, but it is not a whole notebook), NotFound
    // for an unknown number.
    ArchiveStatus loadSnapshot(qint64 id, Notebook* out);
    // The snapshots a record was seen in, oldest first.
    ArchiveStatus snapshotsOfRecord(qint64 recordId, QList<qint64>* out);
    // The folder names a record was filed under, in the order the archive saw them (the last
    // is the one it is shown under).
    ArchiveStatus recordFolders(qint64 recordId, QStringList* out);
    // One record by its number; NotFound when there is none.
    ArchiveStatus record(qint64 recordId, ArchivedRecord* out);

    // Records matching `filter`, in the record table's by-date order: newest first, equal
    // stamps in the order the archive first saw them.
    ArchiveStatus count(const ArchiveFilter& filter, qint64* out);
    // Up to `limit` records following `after` (the last record of the previous page; nothing
    // for the first page).
    ArchiveStatus fetch(const ArchiveFilter& filter, const ArchivedRecord* after, int limit,
                        QList<ArchivedRecord>* out);
    // Every matching record, page after page in that order, without holding them all and
    // without keeping the archive locked between pages. A `stop` flag set (from any thread)
    // ends the walk before the next page.
    ArchiveStatus forEachPage(const ArchiveFilter& filter,
                              const std::function<void(const QList<ArchivedRecord>&)>& visit,
                              const std::atomic<bool>* stop = nullptr);

    // Folder names of the model's snapshots and every operator, sorted, for the filter fields.
    ArchiveStatus folderNames(DeviceModel model, QStringList* out);
    ArchiveStatus operators(QStringList* out);

    // Test seam: called inside a store's transaction after each batch of slots is stored, with
    // the number of slots stored so far (tests break the store there).
    void setStoreProbe(std::function<void(int)> probe) { probe_ = std::move(probe); }

  private:
    enum class Dialect { Sqlite, Postgres };

    QSqlDatabase db() const;
    ArchiveStatus connect();
    ArchiveStatus migrate();
    ArchiveStatus ensureOpen();
    // A forward-only query on the open archive; nothing (and why in `status`) when the
    // archive cannot be opened.
    std::optional<QSqlQuery> readQuery(ArchiveStatus* status);
    ArchiveStatus fail(const QSqlError& error);
    ArchiveStatus fail(const QSqlQuery& query);
    ArchiveStatus begin();
    void rollback();
    ArchiveStatus commit();

    StoreResult storeOnce(const Notebook& notebook, const SnapshotMeta& meta, const QString& uid);
    StoreResult storedBefore(const QString& uid, bool* found);
    ArchiveStatus folderIds(const QList<QByteArray>& names, QHash<QByteArray, qint64>* ids);
    ArchiveStatus recordRows(const QString& where, const QVariantList& values, int limit,
                             QList<ArchivedRecord>* out);
    QString filterSql(const ArchiveFilter& filter, QVariantList* values);
    ArchiveStatus resolveNames(QList<ArchivedRecord>& records);
    ArchivedRecord recordOf(const QSqlQuery& query, DeviceModel model) const;

    QString connectionName_;
    ArchiveLocation location_;
    Dialect dialect_ = Dialect::Sqlite;
    OpenMode mode_ = OpenMode::Create;
    bool open_ = false;
    QString lastError_;
    std::function<void(int)> probe_;
    QHash<qint64, QString> folderNames_;  // folder id -> name
    QHash<qint64, QString> operators_;    // snapshot id -> operator
};

// The order-keeping integer image of a stamp: the double's bits, with the magnitude bits of a
// negative number flipped, so integers compare as the doubles do. Its own inverse; every bit
// pattern maps to exactly one integer, so the stored stamp is bit-exact.
qint64 StampKey(double stamp);
double StampOfKey(qint64 key);

}  // namespace kvir
