// The archive's connection: opening either database, the schema migrations, transactions and
// the mapping of database errors to typed results.
#include "Archive.h"

#include "ArchiveSchema.h"

#include <QAtomicInteger>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <bit>

namespace kvir {

namespace {

const QString kSqliteDriver = QStringLiteral("QSQLITE");
const QString kPostgresDriver = QStringLiteral("QPSQL");
// Serialises schema changes of consoles that open one new server archive at once.
constexpr qint64 kMigrationLock = 51021001;

QString NewConnectionName() {
    static QAtomicInteger<int> counter;
    return QStringLiteral("kvir-archive-%1").arg(counter.fetchAndAddRelaxed(1));
}

}  // namespace

qint64 StampKey(double stamp) {
    const auto bits = std::bit_cast<qint64>(stamp);
    return bits >= 0 ? bits : bits ^ 0x7FFF'FFFF'FFFF'FFFF;
}

double StampOfKey(qint64 key) {
    return std::bit_cast<double>(key >= 0 ? key : key ^ 0x7FFF'FFFF'FFFF'FFFF);
}

Archive::Archive() : connectionName_(NewConnectionName()) {}

Archive::~Archive() {
    close();
}

QSqlDatabase Archive::db() const {
    return QSqlDatabase::database(connectionName_, false);
}

void Archive::close() {
    if (QSqlDatabase::contains(connectionName_)) {
        {
            QSqlDatabase database = db();
            database.close();
        }
        QSqlDatabase::removeDatabase(connectionName_);
    }
    open_ = false;
    folderNames_.clear();
    operators_.clear();
}

ArchiveStatus Archive::fail(const QSqlError& error) {
    lastError_ = error.text();
    const QString code = error.nativeErrorCode();
    if (dialect_ == Dialect::Sqlite) {
        switch (code.toInt() & 0xFF) {  // primary SQLite result code
            case 5:                     // SQLITE_BUSY
            case 6:                     // SQLITE_LOCKED
                return ArchiveStatus::Locked;
            case 8:  // SQLITE_READONLY
                return ArchiveStatus::ReadOnly;
            case 11:  // SQLITE_CORRUPT
            case 26:  // SQLITE_NOTADB
                return ArchiveStatus::Damaged;
            case 13:  // SQLITE_FULL
                return ArchiveStatus::DiskFull;
            case 14:  // SQLITE_CANTOPEN
                return ArchiveStatus::CannotOpen;
            default:
                return ArchiveStatus::Failed;
        }
    }
    // PostgreSQL: the SQLSTATE's class. A lost connection is opened anew by the next call.
    if (code.startsWith(QLatin1String("08")) || code.startsWith(QLatin1String("57P"))) {
        open_ = false;
        return ArchiveStatus::ConnectionLost;
    }
    if (code.startsWith(QLatin1String("28"))) {
        return ArchiveStatus::LoginFailed;
    }
    if (code == QLatin1String("42501") || code == QLatin1String("25006")) {
        return ArchiveStatus::ReadOnly;
    }
    if (code == QLatin1String("53100")) {
        return ArchiveStatus::DiskFull;
    }
    if (code == QLatin1String("55P03") || code == QLatin1String("40P01") ||
        code == QLatin1String("40001")) {
        return ArchiveStatus::Locked;
    }
    if (code.isEmpty()) {
        // The client library reports a broken connection without a SQLSTATE.
        QSqlQuery ping(db());
        if (!db().isOpen() || !ping.exec(QStringLiteral("SELECT 1"))) {
            open_ = false;
            return ArchiveStatus::ConnectionLost;
        }
    }
    return ArchiveStatus::Failed;
}

ArchiveStatus Archive::fail(const QSqlQuery& query) {
    return fail(query.lastError());
}

ArchiveStatus Archive::open(const ArchiveLocation& location, OpenMode mode) {
    close();
    location_ = location;
    mode_ = mode;
    dialect_ =
        location.kind == ArchiveLocation::Kind::Postgres ? Dialect::Postgres : Dialect::Sqlite;
    ArchiveStatus status = connect();
    if (status == ArchiveStatus::Ok) {
        status = migrate();
    }
    if (status != ArchiveStatus::Ok) {
        const QString reason = lastError_;
        close();
        lastError_ = reason;
        return status;
    }
    open_ = true;
    return ArchiveStatus::Ok;
}

ArchiveStatus Archive::connect() {
    const bool postgres = dialect_ == Dialect::Postgres;
    const QString driver = postgres ? kPostgresDriver : kSqliteDriver;
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        lastError_ = driver;
        return ArchiveStatus::NoDriver;
    }
    if (postgres && !IsSchemaName(location_.schema)) {
        lastError_ = location_.schema;
        return ArchiveStatus::BadSchema;
    }
    QSqlDatabase database = QSqlDatabase::addDatabase(driver, connectionName_);
    if (postgres) {
        database.setHostName(location_.host);
        database.setPort(location_.port);
        database.setDatabaseName(location_.database);
        database.setUserName(location_.user);
        database.setPassword(location_.password);
        database.setConnectOptions(QStringLiteral("connect_timeout=%1;application_name=kvir")
                                       .arg(location_.connectTimeoutS));
    } else {
        database.setDatabaseName(location_.file);
        database.setConnectOptions(
            QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(location_.busyTimeoutMs));
    }
    if (!database.open()) {
        if (!postgres) {
            return fail(database.lastError());
        }
        // Without a connection there is no SQLSTATE; the client library's text tells a refused
        // login from an unreachable server.
        lastError_ = database.lastError().text();
        const bool login = lastError_.contains(QLatin1String("password")) ||
                           lastError_.contains(QLatin1String("authentication")) ||
                           lastError_.contains(QLatin1String("парол"));
        return login ? ArchiveStatus::LoginFailed : ArchiveStatus::ServerUnavailable;
    }
    if (postgres && !location_.schema.isEmpty()) {
        // A schema name holds no quote (IsSchemaName): quoted, it is the name as written.
        QSqlQuery query(database);
        if (!query.exec(QStringLiteral("SET search_path TO \"") + location_.schema + u'"')) {
            return fail(query);
        }
        if (!query.exec(QStringLiteral("SELECT current_schema()")) || !query.next()) {
            return fail(query);
        }
        if (query.value(0).isNull()) {
            lastError_ = location_.schema;
            return ArchiveStatus::NoSchema;
        }
    }
    return ArchiveStatus::Ok;
}

std::optional<QSqlQuery> Archive::readQuery(ArchiveStatus* status) {
    *status = ensureOpen();
    if (*status != ArchiveStatus::Ok) {
        return std::nullopt;
    }
    QSqlQuery query(db());
    query.setForwardOnly(true);
    return query;
}

ArchiveStatus Archive::ensureOpen() {
    if (open_) {
        return ArchiveStatus::Ok;
    }
    if (location_.file.isEmpty() && location_.database.isEmpty()) {
        return ArchiveStatus::CannotOpen;
    }
    const ArchiveLocation location = location_;
    return open(location, mode_);
}

ArchiveStatus Archive::begin() {
    QSqlQuery query(db());
    // SQLite: the write lock from the start, so two writers queue instead of deadlocking.
    const bool ok = query.exec(dialect_ == Dialect::Sqlite ? QStringLiteral("BEGIN IMMEDIATE")
                                                           : QStringLiteral("BEGIN"));
    return ok ? ArchiveStatus::Ok : fail(query);
}

void Archive::rollback() {
    if (!db().isOpen()) {
        return;  // a lost connection: the server has dropped the transaction
    }
    QSqlQuery query(db());
    query.exec(QStringLiteral("ROLLBACK"));
}

ArchiveStatus Archive::commit() {
    QSqlQuery query(db());
    if (query.exec(QStringLiteral("COMMIT"))) {
        return ArchiveStatus::Ok;
    }
    const ArchiveStatus status = fail(query);
    rollback();
    return status;
}

ArchiveStatus Archive::migrate() {
    const bool postgres = dialect_ == Dialect::Postgres;
    const auto tables = [&](QStringList* names) {
        QSqlQuery query(db());
        query.setForwardOnly(true);
        const bool ok = query.exec(
            postgres ? QStringLiteral("SELECT table_name FROM information_schema.tables "
                                      "WHERE table_schema = current_schema()")
                     : QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"));
        if (!ok) {
            return fail(query);
        }
        while (query.next()) {
            *names << query.value(0).toString();
        }
        return ArchiveStatus::Ok;
    };
    const auto version = [&](int* v) {
        QSqlQuery query(db());
        if (!query.exec(QStringLiteral("SELECT version FROM schema_version")) || !query.next()) {
            return query.lastError().isValid() ? fail(query) : ArchiveStatus::Damaged;
        }
        *v = query.value(0).toInt();
        return ArchiveStatus::Ok;
    };

    // Reading first: an archive of this version opens without a write, read-only ones too.
    QStringList names;
    ArchiveStatus status = tables(&names);
    int current = 0;
    if (status == ArchiveStatus::Ok && names.contains(QStringLiteral("schema_version"))) {
        status = version(&current);
        if (status == ArchiveStatus::Ok && current == kArchiveSchemaVersion) {
            return ArchiveStatus::Ok;
        }
    }
    if (status != ArchiveStatus::Ok) {
        return status;
    }
    if (current > kArchiveSchemaVersion) {
        lastError_ = QString::number(current);
        return ArchiveStatus::NewerSchema;
    }
    if (names.isEmpty() && mode_ == OpenMode::Existing) {
        return ArchiveStatus::NoArchive;
    }

    status = begin();
    if (status != ArchiveStatus::Ok) {
        return status;
    }
    const auto abandon = [this](ArchiveStatus s) {
        rollback();
        return s;
    };
    QSqlQuery query(db());
    if (postgres &&
        !query.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kMigrationLock))) {
        return abandon(fail(query));
    }
    // Another console may have created or upgraded the archive meanwhile.
    names.clear();
    status = tables(&names);
    if (status != ArchiveStatus::Ok) {
        return abandon(status);
    }
    current = 0;
    if (names.contains(QStringLiteral("schema_version"))) {
        status = version(&current);
        if (status != ArchiveStatus::Ok) {
            return abandon(status);
        }
    } else if (!names.isEmpty()) {
        lastError_ = names.join(QLatin1Char(','));
        return abandon(ArchiveStatus::Damaged);  // a database, but not an archive
    } else if (!query.exec(
                   QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)")) ||
               !query.exec(QStringLiteral("INSERT INTO schema_version (version) VALUES (0)"))) {
        return abandon(fail(query));
    }
    if (current > kArchiveSchemaVersion) {
        lastError_ = QString::number(current);
        return abandon(ArchiveStatus::NewerSchema);
    }
    for (int to = current + 1; to <= kArchiveSchemaVersion; ++to) {
        for (const QString& statement : MigrationStatements(to, postgres)) {
            if (!query.exec(statement)) {
                return abandon(fail(query));
            }
        }
        if (!query.exec(QStringLiteral("UPDATE schema_version SET version = %1").arg(to))) {
            return abandon(fail(query));
        }
    }
    return commit();
}

}  // namespace kvir
