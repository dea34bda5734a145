// The archive on both databases: lossless round trips, deduplication across snapshots, partial
// snapshots, the record queries against the record table's order, and a store broken off
// part-way. PostgreSQL runs against the server of KVIR_TEST_POSTGRES.
#include "ArchiveTestSupport.h"

#include "archive/Archive.h"
#include "instrument/Cp1251.h"
#include "instrument/MemoryLayout.h"
#include "instrument/Util_modbas.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
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

    qint64 Count(DeviceModel model) {
        qint64 n = -1;
        EXPECT_EQ(archive_.count({model}, &n), ArchiveStatus::Ok);
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
        {edge, 6, 6},  // slot 8 repeats slot 0: one record, new at both slots
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
    EXPECT_EQ(Count(DeviceModel::Conc210), 1000 + 5);
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

INSTANTIATE_TEST_SUITE_P(Backends, ArchiveTest, testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const testing::TestParamInfo<Backend>& backend) {
                             return backend.param == Backend::Sqlite ? "Sqlite" : "Postgres";
                         });
INSTANTIATE_TEST_SUITE_P(Backends, ServerArchiveTest, testing::Values(Backend::Postgres),
                         [](const testing::TestParamInfo<Backend>&) { return "Postgres"; });

}  // namespace
}  // namespace kvir
