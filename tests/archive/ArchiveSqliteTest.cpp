// The SQLite file's faults: a store killed part-way, two writers at once, a lock held by
// another program, damaged, foreign, newer and read-only files; and the connection file.
#include "ArchiveTestSupport.h"

#include "archive/Archive.h"
#include "archive/ArchiveSchema.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

namespace kvir {
namespace {

using test::ReadSampleNotebook;
using test::VariantNotebook;

const SnapshotMeta kMeta{QDateTime(QDate(2026, 12, 8), QTime(10, 0)), QStringLiteral("/dev/ttyS0"),
                         QStringLiteral("Сидоров"), true, SnapshotKind::Read};

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs statements on a plain connection of the test's own.
void Sql(const QString& path, const QStringList& statements) {
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        for (const QString& s : statements) {
            ASSERT_TRUE(query.exec(s)) << s.toStdString();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
}

class ArchiveSqlite : public testing::Test {
  protected:
    QString path() const { return dir_.filePath(kArchiveFileName); }
    void StoreSample(const Notebook& notebook) {
        Archive archive;
        ASSERT_EQ(archive.open(SqliteLocation(path())), ArchiveStatus::Ok);
        ASSERT_EQ(archive.store(notebook, kMeta).status, ArchiveStatus::Ok);
    }
    // Snapshots and records of the archive, as a reader sees them.
    std::pair<int, qint64> Contents() {
        Archive archive;
        EXPECT_EQ(archive.open(SqliteLocation(path())), ArchiveStatus::Ok);
        QList<SnapshotInfo> list;
        qint64 records = -1;
        EXPECT_EQ(archive.snapshots(&list), ArchiveStatus::Ok);
        EXPECT_EQ(archive.count({DeviceModel::Conc210}, &records), ArchiveStatus::Ok);
        return {static_cast<int>(list.size()), records};
    }

    QTemporaryDir dir_;
    const Notebook sample_ = ReadSampleNotebook(DeviceModel::Conc210);
};

TEST_F(ArchiveSqlite, StoreKilledPartWayLeavesTheArchiveAsItWas) {
    StoreSample(sample_);
    const Notebook next = VariantNotebook(sample_, 1, 1);
    // The process dies inside the transaction, half of the records written.
    EXPECT_EXIT(
        {
            Archive archive;
            archive.open(SqliteLocation(path()));
            archive.setStoreProbe([](int stored) {
                if (stored == 500) {
                    _exit(3);
                }
            });
            archive.store(next, kMeta);
            _exit(0);
        },
        testing::ExitedWithCode(3), "");
    EXPECT_EQ(Contents(), std::make_pair(1, qint64{1000}));
    StoreSample(next);
    EXPECT_EQ(Contents(), std::make_pair(2, qint64{2000}));
}

TEST_F(ArchiveSqlite, TwoWritersOnOneFileLoseNothing) {
    StoreSample(sample_);
    // Two consoles store overlapping notebooks at the same time, each on its own connection.
    const auto writer = [this](int first, QList<StoreResult>* results) {
        Archive archive;
        if (archive.open(SqliteLocation(path())) != ArchiveStatus::Ok) {
            return;
        }
        for (int i = first; i < first + 6; ++i) {
            results->append(archive.store(VariantNotebook(sample_, i, i), kMeta));
        }
    };
    QList<StoreResult> one;
    QList<StoreResult> two;
    std::thread a(writer, 1, &one);
    std::thread b(writer, 4, &two);
    a.join();
    b.join();
    ASSERT_EQ(one.size() + two.size(), 12);
    int fresh = 0;
    for (const StoreResult& r : one + two) {
        EXPECT_EQ(r.status, ArchiveStatus::Ok);
        fresh += r.newRecords;
    }
    EXPECT_EQ(fresh, 9 * 1000);  // variants 1 to 9, each stored once
    EXPECT_EQ(Contents(), std::make_pair(13, qint64{10 * 1000}));
}

TEST_F(ArchiveSqlite, ALockHeldByAnotherProgramIsWaitedForThenReported) {
    Archive archive;
    ArchiveLocation location = SqliteLocation(path());
    location.busyTimeoutMs = 50;
    ASSERT_EQ(archive.open(location), ArchiveStatus::Ok);
    QSqlDatabase db =
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
    db.setDatabaseName(path());
    ASSERT_TRUE(db.open());
    QSqlQuery lock(db);
    ASSERT_TRUE(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));
    EXPECT_EQ(archive.store(sample_, kMeta).status, ArchiveStatus::Locked);
    ASSERT_TRUE(lock.exec(QStringLiteral("ROLLBACK")));
    EXPECT_EQ(archive.store(sample_, kMeta).status, ArchiveStatus::Ok);
    lock = QSqlQuery();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("locker"));
    archive.close();
    EXPECT_EQ(Contents(), std::make_pair(1, qint64{1000}));
}

TEST_F(ArchiveSqlite, FaultyFilesAreReportedAndLeftUntouched) {
    const QString file = path();
    const struct {
        const char* what;
        std::function<void()> make;
        ArchiveStatus expected;
    } cases[] = {
        {"not a database",
         [&] {
             QFile f(file);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write(QByteArray(8192, 'K'));
         },
         ArchiveStatus::Damaged},
        {"another program's database",
         [&] { Sql(file, {QStringLiteral("CREATE TABLE notes (text TEXT)")}); },
         ArchiveStatus::Damaged},
        {"written by a newer program",
         [&] {
             StoreSample(sample_);
             Sql(file, {QStringLiteral("UPDATE schema_version SET version = %1")
                            .arg(kArchiveSchemaVersion + 1)});
         },
         ArchiveStatus::NewerSchema},
        {"pages damaged",
         [&] {
             StoreSample(sample_);
             QFile f(file);
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             const qint64 size = f.size();
             f.seek(4096);
             f.write(QByteArray(size - 4096, '\x55'));
         },
         ArchiveStatus::Damaged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(file);
        c.make();
        const QByteArray before = FileBytes(file);
        Archive archive;
        EXPECT_EQ(archive.open(SqliteLocation(file)), c.expected);
        EXPECT_FALSE(archive.isOpen());
        EXPECT_EQ(archive.store(sample_, kMeta).status, c.expected);
        EXPECT_EQ(FileBytes(file), before);
    }
    Archive archive;
    EXPECT_EQ(archive.open(SqliteLocation(dir_.filePath(QStringLiteral("none/a.sqlite")))),
              ArchiveStatus::CannotOpen);
}

TEST_F(ArchiveSqlite, AReadOnlyArchiveIsReadButNotWritten) {
    StoreSample(sample_);
    ASSERT_EQ(chmod(qPrintable(path()), 0444), 0);
    ASSERT_EQ(chmod(qPrintable(dir_.path()), 0755), 0);
    const QByteArray before = FileBytes(path());
    // Root writes any file: the check runs as an unprivileged user where the tests run as root.
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
                std::fprintf(stderr, "cannot drop root\n");
                _exit(2);
            }
            Archive archive;
            const ArchiveStatus opened = archive.open(SqliteLocation(path()));
            qint64 n = 0;
            const ArchiveStatus counted = archive.count({DeviceModel::Conc210}, &n);
            const ArchiveStatus stored =
                archive.store(VariantNotebook(sample_, 1, 1), kMeta).status;
            std::fprintf(stderr, "open %d count %d (%lld) store %d\n", static_cast<int>(opened),
                         static_cast<int>(counted), static_cast<long long>(n),
                         static_cast<int>(stored));
            _exit(opened == ArchiveStatus::Ok && counted == ArchiveStatus::Ok && n == 1000 &&
                          stored == ArchiveStatus::ReadOnly
                      ? 0
                      : 1);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EQ(FileBytes(path()), before);
}

TEST(ArchiveConnectionFile, LinesNameAServerAndNeverAPassword) {
    const struct {
        QStringList lines;
        int badLine;  // -1: accepted
    } cases[] = {
        {{"host=db.lab", "port=5433", "database=kvir", "user=оператор", "schema=lab2"}, -1},
        {{"# общий архив", "", "database=kvir"}, -1},
        {{"host=db.lab", "password=secret", "database=kvir"}, 2},
        {{"database=kvir", "port=x"}, 2},
        {{"database=kvir", "colour"}, 2},
        {{"host=db.lab"}, 0},
        {{"database=kvir", "schema=\"public\"; DROP TABLE record; --"}, 2},
    };
    for (const auto& c : cases) {
        int badLine = -1;
        const std::optional<ArchiveLocation> location = ParseConnectionLines(c.lines, &badLine);
        EXPECT_EQ(badLine, c.badLine) << c.lines.join('|').toStdString();
        if (location) {
            // Written back without the password, the same server comes out.
            ArchiveLocation withPassword = *location;
            withPassword.password = QStringLiteral("secret");
            const QStringList lines = ConnectionFileLines(withPassword);
            EXPECT_FALSE(lines.join(' ').contains(QStringLiteral("secret")));
            const std::optional<ArchiveLocation> again = ParseConnectionLines(lines, nullptr);
            ASSERT_TRUE(again);
            EXPECT_EQ(again->displayName(), location->displayName());
            EXPECT_EQ(again->schema, location->schema);
        }
    }
}

}  // namespace
}  // namespace kvir
