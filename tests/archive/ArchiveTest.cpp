// The archive on both databases: lossless round trips, deduplication across snapshots, partial
// snapshots, the record queries against the record table's order, and a store broken off
// part-way. PostgreSQL runs against the server of KVIR_TEST_POSTGRES.
#include "ArchiveTestSupport.h"

#include "archive/Archive.h"
#include "archive/ArchiveSchema.h"
#include "instrument/Cp1251.h"
#include "instrument/MemoryLayout.h"
#include "instrument/Util_modbas.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace kvir {
namespace {

using test::ReadSampleNotebook;
using test::VariantNotebook;

enum class Backend { Sqlite, Postgres };

SnapshotMeta Meta(const QString& who = QStringLiteral("Иванов Иван Иванович"),
                  bool complete = true) {
    return {QDateTime(QDate(2026, 12, 8), QTime(9, 5, 14)), QStringLiteral("/dev/ttyUSB0"), who,
            complete, SnapshotKind::Read};
}

// Everything a notebook can hold that a careless store would lose: byte 0x98 in a name, free
// and unreadable folder entries, folder numbers naming no folder, a gap between used slots,
// the same record twice, NaN payloads, negative zero, infinity and a stamp with odd low bits.
Notebook EdgeNotebook() {
    Notebook n;
    n.model = DeviceModel::Conc210;
    n.version = QStringLiteral("-1");
    n.base = 0xA000;
    n.folders = {kCommonFolder, kFreeFolder, cp1251::Decode(QByteArray("\x98 \xc0\xc1")),
                 kUnreadableFolder};
    NotebookImage& m = n.image;
    const auto put = [&m](size_t s, quint8 folder, quint8 mode, float v1, float v2, double stamp) {
        m.folderNo[s] = folder;
        m.modeCode[s] = mode;
        m.dayWord[s] = static_cast<quint16>(100 + s);
        m.timeWord[s] = static_cast<quint16>(4000 + s);
        m.stamp[s] = stamp;
        m.value1[s] = v1;
        m.value2[s] = v2;
        m.value3[s] = 1.5f;
        m.value4[s] = 150.0f;
    };
    const float nan = std::bit_cast<float>(0x7FC0'0123u);
    put(0, 1, 1, 21.5f, -12.25f, 47000.123456789);
    put(1, 3, 0xFE, nan, -0.0f, 47001.5);
    put(2, 4, 2, std::numeric_limits<float>::infinity(), 3.0f, 47002.0);
    put(3, 9, 3, 1.0f, 2.0f, 47003.25);             // beyond the folder list
    put(4, 2, 1, 1.0f, 2.0f, 47003.25);             // a free entry: the same name "<???>" as slot 3
    put(8, 1, 1, 21.5f, -12.25f, 47000.123456789);  // slot 0 again, after a gap
    m.dayWord[8] = m.dayWord[0];
    m.timeWord[8] = m.timeWord[0];
    return n;
}

class ArchiveTest : public testing::TestWithParam<Backend> {
  protected:
    void SetUp() override {
        if (GetParam() == Backend::Postgres) {
            const std::optional<ArchiveLocation> server = test::TestServer();
            if (!server) {
                GTEST_SKIP() << "KVIR_TEST_POSTGRES is not set: no PostgreSQL server for the "
                                "archive tests (tools/start-postgres.sh starts one)";
            }
            location_ = *server;
            location_.schema =
                QStringLiteral("t%1_%2")
                    .arg(QCoreApplication::applicationPid())
                    .arg(testing::UnitTest::GetInstance()->random_seed() + serial_++);
            ASSERT_TRUE(Admin(QStringLiteral("CREATE SCHEMA ") + location_.schema));
        } else {
            location_ = SqliteLocation(dir_.filePath(kArchiveFileName));
        }
        ASSERT_EQ(archive_.open(location_), ArchiveStatus::Ok)
            << archive_.lastError().toStdString();
    }
    void TearDown() override {
        archive_.close();
        if (GetParam() == Backend::Postgres && !location_.schema.isEmpty()) {
            Admin(QStringLiteral("DROP SCHEMA ") + location_.schema + QStringLiteral(" CASCADE"));
        }
    }

    // One statement on a connection of the test's own, beside the archive's.
    bool Admin(const QString& sql) {
        bool ok = false;
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("admin"));
            db.setHostName(location_.host);
            db.setPort(location_.port);
            db.setDatabaseName(location_.database);
            db.setUserName(location_.user);
            QSqlQuery query(db);
            ok = db.open() && query.exec(sql);
            EXPECT_TRUE(ok) << sql.toStdString() << ": " << query.lastError().text().toStdString()
                            << db.lastError().text().toStdString();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("admin"));
        return ok;
    }

    qint64 Count(const ArchiveFilter& filter) {
        qint64 n = -1;
        EXPECT_EQ(archive_.count(filter, &n), ArchiveStatus::Ok);
        return n;
    }

    QTemporaryDir dir_;
    ArchiveLocation location_;
    Archive archive_;
    static inline int serial_ = 0;
};

TEST_P(ArchiveTest, SnapshotsRestoreBitForBitAndRecordsAreKeptOnce) {
    const Notebook edge = EdgeNotebook();
    const struct {
        Notebook notebook;
        int records;
        int newRecords;
    } cases[] = {
        {ReadSampleNotebook(DeviceModel::Ph510), 546, 546},
        {ReadSampleNotebook(DeviceModel::Conc210), 1000, 1000},
        {edge, 6, 6},  // slot 8 repeats slot 0: as many records as slots
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(DisplayName(c.notebook.model).toStdString());
        const StoreResult first = archive_.store(c.notebook, Meta());
        ASSERT_EQ(first.status, ArchiveStatus::Ok) << archive_.lastError().toStdString();
        EXPECT_EQ(first.records, c.records);
        EXPECT_EQ(first.newRecords, c.newRecords);
        EXPECT_EQ(first.newSlots.size(), c.newRecords);

        Notebook back;
        ASSERT_EQ(archive_.loadSnapshot(first.snapshotId, &back), ArchiveStatus::Ok);
        EXPECT_TRUE(SameContents(back, c.notebook));
        EXPECT_EQ(back.version, c.notebook.version);

        // Read again: nothing new, and each record knows both snapshots.
        const StoreResult again = archive_.store(c.notebook, Meta());
        ASSERT_EQ(again.status, ArchiveStatus::Ok);
        EXPECT_EQ(again.records, c.records);
        EXPECT_EQ(again.newRecords, 0);
        EXPECT_TRUE(again.newSlots.isEmpty());
        QList<ArchivedRecord> newest;
        ASSERT_EQ(archive_.fetch({c.notebook.model}, nullptr, 1, &newest), ArchiveStatus::Ok);
        ASSERT_EQ(newest.size(), 1);
        QList<qint64> seen;
        ASSERT_EQ(archive_.snapshotsOfRecord(newest.first().id, &seen), ArchiveStatus::Ok);
        EXPECT_EQ(seen, QList<qint64>({first.snapshotId, again.snapshotId}));
    }
    EXPECT_EQ(Count(DeviceModel::Ph510), 546);
    EXPECT_EQ(Count(DeviceModel::Conc210), 1000 + 6);
}

TEST_P(ArchiveTest, OverlappingAndPartialReadsAddOnlyTheirNewRecords) {
    const Notebook full = ReadSampleNotebook(DeviceModel::Conc210);
    ASSERT_EQ(archive_.store(full, Meta()).status, ArchiveStatus::Ok);

    // The operator cleared the first 400 records and the instrument measured 400 new ones.
    Notebook next = full;
    const Notebook fresh = VariantNotebook(full, 3, 1);
    for (size_t s = 0; s < 400; ++s) {
        next.image.value2[s] = fresh.image.value2[s];
        next.image.stamp[s] = fresh.image.stamp[s];
    }
    const StoreResult overlap = archive_.store(next, Meta());
    ASSERT_EQ(overlap.status, ArchiveStatus::Ok);
    EXPECT_EQ(overlap.newRecords, 400);
    EXPECT_EQ(overlap.newSlots.first(), 0);
    EXPECT_EQ(overlap.newSlots.last(), 399);

    // A read that stopped after some pages: its records are kept, its snapshot never restores.
    Notebook partial = VariantNotebook(full, 0, 2);
    for (size_t s = 300; s < kNotebookSlots; ++s) {
        ClearRecordSlot(partial.image, static_cast<int>(s));
    }
    const StoreResult cut = archive_.store(partial, Meta(QStringLiteral("Петров"), false));
    ASSERT_EQ(cut.status, ArchiveStatus::Ok);
    EXPECT_EQ(cut.newRecords, 300);
    Notebook none;
    EXPECT_EQ(archive_.loadSnapshot(cut.snapshotId, &none), ArchiveStatus::PartialSnapshot);
    EXPECT_EQ(archive_.loadSnapshot(cut.snapshotId + 1000, &none), ArchiveStatus::NotFound);

    QList<SnapshotInfo> list;
    ASSERT_EQ(archive_.snapshots(&list), ArchiveStatus::Ok);
    ASSERT_EQ(list.size(), 3);
    EXPECT_FALSE(list.first().complete);  // newest first (equal times: the last stored)
    EXPECT_EQ(list.first().operatorName, QStringLiteral("Петров"));
    EXPECT_EQ(list.first().records, 300);
    EXPECT_EQ(list.first().takenAt, Meta().takenAt);
    EXPECT_EQ(Count(DeviceModel::Conc210), 1000 + 400 + 300);
}

TEST_P(ArchiveTest, ReReadingAcrossNewYearWithTheClockMovedOrAfterARenameAddsNothing) {
    for (const DeviceModel model : {DeviceModel::Ph510, DeviceModel::Conc210}) {
        SCOPED_TRACE(DisplayName(model).toStdString());
        const auto read = [model](const QDate& today) {
            return ReadSampleNotebook(model, QStringLiteral("small"), today);
        };
        const Notebook first = read({2026, 12, 31});
        const int n = RecordCount(first.image);
        ASSERT_EQ(archive_.store(first, Meta()).newRecords, n);
        Notebook renamed = read({2027, 1, 2});
        const QString before = renamed.folders.at(1);
        const QString after = before.toUpper() + QStringLiteral(" NIST");
        renamed.folders[1] = after;
        const struct {
            const char* what;
            Notebook notebook;
        } again[] = {
            {"2 January", read({2027, 1, 2})},          {"a year later", read({2027, 12, 31})},
            {"the clock set back", read({2026, 6, 1})}, {"a folder renamed", renamed},
            {"renamed, read again", renamed},
        };
        for (const auto& a : again) {
            const StoreResult r = archive_.store(a.notebook, Meta());
            ASSERT_EQ(r.status, ArchiveStatus::Ok) << a.what;
            EXPECT_EQ(r.newRecords, 0) << a.what;
            EXPECT_TRUE(r.newSlots.isEmpty()) << a.what;
        }
        EXPECT_EQ(Count(model), n);

        // Each record keeps the stamp of the first read; the renamed folder's records are
        // listed under the new name and found under either.
        QList<double> stamps;
        for (int s = 0; s < n; ++s) {
            stamps << first.image.stamp[static_cast<size_t>(s)];
        }
        QList<double> archived;
        int underNewName = 0;
        ASSERT_EQ(archive_.forEachPage({model},
                                       [&](const QList<ArchivedRecord>& page) {
                                           for (const ArchivedRecord& r : page) {
                                               archived << r.stamp;
                                               underNewName += r.folder == after ? 1 : 0;
                                               EXPECT_NE(r.folder, before);
                                           }
                                       }),
                  ArchiveStatus::Ok);
        std::sort(stamps.begin(), stamps.end());
        std::sort(archived.begin(), archived.end());
        EXPECT_EQ(archived, stamps);
        EXPECT_GT(underNewName, 0);
        QList<ArchivedRecord> one;
        for (const QString& name : {before, after}) {
            ArchiveFilter folder{model};
            folder.folder = name;
            qint64 found = 0;
            ASSERT_EQ(archive_.count(folder, &found), ArchiveStatus::Ok);
            EXPECT_EQ(found, underNewName) << name.toStdString();
            ASSERT_EQ(archive_.fetch(folder, nullptr, 1, &one), ArchiveStatus::Ok);
        }
        QStringList names;
        ASSERT_EQ(archive_.recordFolders(one.value(0).id, &names), ArchiveStatus::Ok);
        EXPECT_EQ(names, QStringList({before, after}));
    }
}

// Every slot of every snapshot as an archive of schema `version` holds it: snapshot, slot,
// folder number, the folder name it was filed under and the stored fields, sorted.
QStringList SlotRows(const QSqlDatabase& db, int version) {
    QSqlQuery query(db);
    const QString folder = version == 1 ? QStringLiteral("r") : QStringLiteral("sr");
    EXPECT_TRUE(query.exec(
        QStringLiteral("SELECT sr.snapshot_id, sr.slot, sr.folder_no, f.name, r.model, "
                       "r.day_word, r.time_word, r.mode, r.v1, r.v2, r.v3, r.v4 FROM "
                       "snapshot_record sr JOIN record r ON r.id = sr.record_id JOIN folder f "
                       "ON f.id = ") +
        folder + QStringLiteral(".folder_id")))
        << query.lastError().text().toStdString();
    QStringList rows;
    while (query.next()) {
        QStringList cells;
        for (int c = 0; c < 12; ++c) {
            cells << (c == 3 ? cp1251::Decode(query.value(c).toByteArray())
                             : query.value(c).toString());
        }
        rows << cells.join(u',');
    }
    rows.sort();
    return rows;
}

// An archive of schema version 1 (tests/data/archive-v1.sqlite), made by kvir-cli 1.1 against
// kvir-sim: the small 510 sample read on 31 December 2026 and on 2 January 2027 (archived
// twice, the second time dated in 2027) and again after "Буфер 4.01" became "БУФЕР 4.01 NIST"
// (6 records more); the small 210 sample read on 31 December 2026 and 2027 (archived twice); a
// 510 notebook holding one reading three times (twice in one folder) and one other. Its rows
// are copied into a new database of either kind, which the archive then opens.
TEST_P(ArchiveTest, AVersion1ArchiveMigratesItsDuplicatesAndLosesNoMeasurement) {
    const bool postgres = GetParam() == Backend::Postgres;
    archive_.close();
    if (postgres) {
        ASSERT_TRUE(Admin(QStringLiteral("DROP SCHEMA ") + location_.schema +
                          QStringLiteral(" CASCADE; CREATE SCHEMA ") + location_.schema));
    } else {
        ASSERT_TRUE(QFile::remove(location_.file));
    }
    const auto connect = [&](const QString& name) {
        QSqlDatabase db = QSqlDatabase::addDatabase(
            postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(postgres ? location_.database : location_.file);
        db.setHostName(location_.host);
        db.setPort(location_.port);
        db.setUserName(location_.user);
        EXPECT_TRUE(db.open());
        if (postgres) {
            QSqlQuery(db).exec(QStringLiteral("SET search_path TO ") + location_.schema);
        }
        return db;
    };
    QStringList before;
    {
        QSqlDatabase source = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "v1");
        source.setDatabaseName(QStringLiteral(KVIR_TEST_DATA "/archive-v1.sqlite"));
        source.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        ASSERT_TRUE(source.open());
        before = SlotRows(source, 1);
        QSqlQuery write(connect("target"));
        for (const QString& sql :
             QStringList{"BEGIN"} + MigrationStatements(1, postgres) +
                 QStringList{"CREATE TABLE schema_version (version INTEGER NOT NULL)",
                             "INSERT INTO schema_version (version) VALUES (1)"}) {
            ASSERT_TRUE(write.exec(sql)) << sql.toStdString();
        }
        for (const QString table :
             {"snapshot", "snapshot_folder", "folder", "record", "snapshot_record"}) {
            QSqlQuery read(source);
            ASSERT_TRUE(read.exec("SELECT * FROM " + table));
            while (read.next()) {
                const QSqlRecord row = read.record();
                write.prepare("INSERT INTO " + table + " VALUES (" +
                              QStringLiteral("?, ").repeated(row.count() - 1) + "?)");
                for (int c = 0; c < row.count(); ++c) {
                    write.bindValue(c, row.value(c));
                }
                ASSERT_TRUE(write.exec()) << write.lastError().text().toStdString();
            }
            // The numbers a server hands out go on after those of its own earlier stores.
            if (postgres && table != "snapshot_folder" && table != "snapshot_record") {
                ASSERT_TRUE(write.exec("SELECT setval(pg_get_serial_sequence('" + table +
                                       "', 'id'), MAX(id)) FROM " + table));
            }
        }
        ASSERT_TRUE(write.exec("COMMIT"));
    }
    QSqlDatabase::removeDatabase("v1");
    QSqlDatabase::removeDatabase("target");
    ASSERT_EQ(before.size(), 31 * 3 + 37 * 2 + 4);

    ASSERT_EQ(archive_.open(location_), ArchiveStatus::Ok) << archive_.lastError().toStdString();
    EXPECT_EQ(SlotRows(connect("migrated"), 2), before) << "every slot as it was";
    QSqlDatabase::removeDatabase("migrated");
    EXPECT_EQ(Count(DeviceModel::Ph510), 31 + 4);
    EXPECT_EQ(Count(DeviceModel::Conc210), 37);
    QList<SnapshotInfo> snapshots;
    ASSERT_EQ(archive_.snapshots(&snapshots), ArchiveStatus::Ok);
    int added = 0;
    for (const SnapshotInfo& info : snapshots) {
        added += info.newRecords;
    }
    EXPECT_EQ(added, 31 + 4 + 37) << "each snapshot's new records counted again";
    // The earliest stamps stay: nothing is dated in 2027 any more; the renamed folder's
    // records are shown under its new name.
    for (const DeviceModel model : {DeviceModel::Ph510, DeviceModel::Conc210}) {
        ArchiveFilter later{model};
        later.from = QDate(2027, 1, 1);
        EXPECT_EQ(Count(later), 0);
    }
    ArchiveFilter renamed{DeviceModel::Ph510};
    renamed.folder = QStringLiteral("Буфер 4.01");
    QList<ArchivedRecord> records;
    ASSERT_EQ(archive_.fetch(renamed, nullptr, 100, &records), ArchiveStatus::Ok);
    ASSERT_EQ(records.size(), 6);
    for (const ArchivedRecord& r : records) {
        EXPECT_EQ(r.folder, QStringLiteral("БУФЕР 4.01 NIST"));
    }
    // Reading the same notebooks again adds nothing; new ones are numbered after the old.
    const Notebook sample = ReadSampleNotebook(DeviceModel::Ph510, "small", {2027, 1, 5});
    EXPECT_EQ(archive_.store(sample, Meta()).newRecords, 0);
    EXPECT_EQ(archive_.store(VariantNotebook(sample, 1, 1), Meta()).newRecords, 31);
}

// The record table's by-date order of everything stored: newest first, equal stamps in the
// order the archive first saw them.
struct Expected {
    double stamp;
    float value2;
    QString folder;
    QString who;
};

TEST_P(ArchiveTest, QueriesGiveTheRecordTableOrderPageByPage) {
    const Notebook a = ReadSampleNotebook(DeviceModel::Conc210);
    const Notebook b = VariantNotebook(a, 0, 1);  // the same stamps again: ties everywhere
    QList<Expected> all;
    for (const auto& [n, who] :
         {std::pair{&a, QStringLiteral("Иванов")}, std::pair{&b, QStringLiteral("Петров")}}) {
        ASSERT_EQ(archive_.store(*n, Meta(who)).status, ArchiveStatus::Ok);
        for (size_t s = 0; s < 1000; ++s) {
            all.append({n->image.stamp[s], n->image.value2[s],
                        n->folders.at(n->image.folderNo[s] - 1), who});
        }
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const Expected& x, const Expected& y) { return x.stamp > y.stamp; });

    const ArchiveFilter model{DeviceModel::Conc210};
    ArchiveFilter folder = model;
    folder.folder = QStringLiteral("Пробоотбор 03");
    ArchiveFilter month = model;
    month.from = QDate(2026, 5, 1);
    month.to = QDate(2026, 5, 31);
    ArchiveFilter folderMonth = month;
    folderMonth.folder = folder.folder;
    ArchiveFilter mode = model;
    mode.mode = 1;
    ArchiveFilter who = model;
    who.operatorName = QStringLiteral("Петров");
    ArchiveFilter nothing = model;
    nothing.folder = QStringLiteral("Нет такой");
    const auto modeOf = [&a](const Expected& e) {
        for (size_t s = 0; s < 1000; ++s) {
            if (a.image.stamp[s] == e.stamp) {
                return a.image.modeCode[s] & 3;
            }
        }
        return -1;
    };
    const struct {
        ArchiveFilter filter;
        std::function<bool(const Expected&)> keeps;
    } cases[] = {
        {model, [](const Expected&) { return true; }},
        {folder, [&](const Expected& e) { return e.folder == folder.folder; }},
        {month, [](const Expected& e) { return DateOfSerial(e.stamp).month() == 5; }},
        {folderMonth,
         [&](const Expected& e) {
             return e.folder == folder.folder && DateOfSerial(e.stamp).month() == 5;
         }},
        {mode, [&](const Expected& e) { return modeOf(e) == 1; }},
        {who, [](const Expected& e) { return e.who == QStringLiteral("Петров"); }},
        {nothing, [](const Expected&) { return false; }},
        {ArchiveFilter{DeviceModel::Ph510}, [](const Expected&) { return false; }},
    };
    for (const auto& c : cases) {
        QList<Expected> expected;
        std::copy_if(all.begin(), all.end(), std::back_inserter(expected), c.keeps);
        SCOPED_TRACE(c.filter.folder.toStdString() + " " + c.filter.operatorName.toStdString());
        qint64 n = -1;
        ASSERT_EQ(archive_.count(c.filter, &n), ArchiveStatus::Ok);
        EXPECT_EQ(n, expected.size());

        QList<ArchivedRecord> got;
        QList<ArchivedRecord> page;
        do {  // pages of 7 so that page ends fall between equal stamps
            ASSERT_EQ(archive_.fetch(c.filter, got.isEmpty() ? nullptr : &got.last(), 7, &page),
                      ArchiveStatus::Ok);
            got.append(page);
        } while (page.size() == 7);
        ASSERT_EQ(got.size(), expected.size());
        for (qsizetype i = 0; i < got.size(); ++i) {
            ASSERT_EQ(std::bit_cast<quint64>(got[i].stamp),
                      std::bit_cast<quint64>(expected[i].stamp))
                << i;
            ASSERT_EQ(got[i].value2, expected[i].value2) << i;
            ASSERT_EQ(got[i].folder, expected[i].folder) << i;
            ASSERT_EQ(got[i].operatorName, expected[i].who) << i;
        }
    }
    QStringList folders;
    ASSERT_EQ(archive_.folderNames(DeviceModel::Conc210, &folders), ArchiveStatus::Ok);
    EXPECT_EQ(folders.size(), 25);
    QStringList operators;
    ASSERT_EQ(archive_.operators(&operators), ArchiveStatus::Ok);
    EXPECT_EQ(operators, QStringList({QStringLiteral("Иванов"), QStringLiteral("Петров")}));
}

// The server goes away in the middle of a store: once (the store reconnects and completes,
// exactly once) or for good (reported; the archive is as it was).
// (SQLite: ArchiveSqlite.StoreKilledPartWayLeavesTheArchiveAsItWas.)
class ServerArchiveTest : public ArchiveTest {};

TEST_P(ServerArchiveTest, AStoreBrokenOffPartWayLeavesNoHalfSnapshot) {
    const Notebook a = ReadSampleNotebook(DeviceModel::Conc210);
    const Notebook b = VariantNotebook(a, 1, 1);
    ASSERT_EQ(archive_.store(a, Meta()).status, ArchiveStatus::Ok);
    for (const bool forGood : {false, true}) {
        int kills = 0;
        archive_.setStoreProbe([&](int stored) {
            if (stored == 500 && (forGood || kills == 0)) {
                ++kills;
                Admin(
                    QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                   "WHERE application_name = 'kvir'"));
            }
        });
        const StoreResult r = archive_.store(b, Meta());
        archive_.setStoreProbe({});
        QList<SnapshotInfo> list;
        ASSERT_EQ(archive_.snapshots(&list), ArchiveStatus::Ok);
        if (forGood) {
            EXPECT_EQ(r.status, ArchiveStatus::ConnectionLost);
            EXPECT_EQ(kills, 2);
            EXPECT_EQ(list.size(), 2);
        } else {
            EXPECT_EQ(r.status, ArchiveStatus::Ok) << archive_.lastError().toStdString();
            EXPECT_EQ(r.newRecords, 1000);
            EXPECT_EQ(list.size(), 2);
        }
        EXPECT_EQ(Count(DeviceModel::Conc210), 2000);
    }
}

TEST_P(ServerArchiveTest, SchemaNamesAreCheckedAndQuotedNeverPasted) {
    const QString mixed = QStringLiteral("Лаб_") + location_.schema;
    ASSERT_TRUE(Admin(QStringLiteral("CREATE SCHEMA \"") + mixed + u'"'));
    const QString injection = QStringLiteral("CREATE TABLE kvir_injected (x int)");
    const struct {
        QString schema;
        ArchiveStatus status;
    } cases[] = {
        {location_.schema, ArchiveStatus::Ok},
        {mixed, ArchiveStatus::Ok},
        {QStringLiteral("нет_такой_схемы"), ArchiveStatus::NoSchema},
        {QStringLiteral("\"public\"; ") + injection +
             QStringLiteral("; SET search_path TO \"public\""),
         ArchiveStatus::BadSchema},
        {QStringLiteral("public; ") + injection, ArchiveStatus::BadSchema},
        {QStringLiteral("x\"; ") + injection + QStringLiteral("; --"), ArchiveStatus::BadSchema},
        {u'"' + location_.schema + u'"', ArchiveStatus::BadSchema},
        {QStringLiteral("lab-2"), ArchiveStatus::BadSchema},
        {QStringLiteral("lab 2"), ArchiveStatus::BadSchema},
        {QStringLiteral("2lab"), ArchiveStatus::BadSchema},
        {QString(64, u'a'), ArchiveStatus::BadSchema},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.schema.toStdString());
        ArchiveLocation where = location_;
        where.schema = c.schema;
        Archive archive;
        EXPECT_EQ(archive.open(where), c.status) << archive.lastError().toStdString();
        int badLine = 0;
        const bool parsed =
            ParseConnectionLines(
                {QStringLiteral("database=kvir"), QStringLiteral("schema=") + c.schema}, &badLine)
                .has_value();
        EXPECT_EQ(parsed, c.status != ArchiveStatus::BadSchema);
    }
    // None of the hostile values ran: no table of theirs anywhere.
    EXPECT_TRUE(Admin(QStringLiteral(
        "DO $$BEGIN IF EXISTS (SELECT 1 FROM information_schema.tables WHERE table_name = "
        "'kvir_injected') THEN RAISE EXCEPTION 'kvir_injected exists'; END IF; END$$")));
    EXPECT_TRUE(Admin(QStringLiteral("DROP SCHEMA \"") + mixed + QStringLiteral("\" CASCADE")));
}

INSTANTIATE_TEST_SUITE_P(Backends, ArchiveTest, testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const testing::TestParamInfo<Backend>& backend) {
                             return backend.param == Backend::Sqlite ? "Sqlite" : "Postgres";
                         });
INSTANTIATE_TEST_SUITE_P(Backends, ServerArchiveTest, testing::Values(Backend::Postgres),
                         [](const testing::TestParamInfo<Backend>&) { return "Postgres"; });

}  // namespace
}  // namespace kvir
