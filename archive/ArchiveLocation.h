#pragma once
// Where the archive lives: an SQLite file (the default, "KVIR-archive.sqlite" in the working
// directory, created on first use) or a PostgreSQL server shared by several consoles. The
// server is named in a small file of its own beside the settings file, "KVIR-archive.conn":
//
//   host=db.lab.local
//   port=5432
//   database=kvir
//   user=operator
//   schema=                 optional: the schema that holds the tables (default: the server's)
//
// The schema is a name of letters, digits and "_" (IsSchemaName), which the program quotes
// itself; any other value is refused before anything reaches the server. The other fields go
// to the client library as connection parameters, never into SQL.
//
// Windows-1251 with CR LF like the console's other files; "#" starts a comment line. The
// password is never written: the console asks for it, or, when it is empty, the PostgreSQL
// client library takes it from its own password file (~/.pgpass or PGPASSFILE). A file that
// carries a "password" line is refused.

#include "ArchiveTypes.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace kvir {

inline const QString kArchiveFileName = QStringLiteral("KVIR-archive.sqlite");
inline const QString kArchiveConnectionFileName = QStringLiteral("KVIR-archive.conn");

struct ArchiveLocation {
    enum class Kind { Sqlite, Postgres };
    Kind kind = Kind::Sqlite;
    QString file;  // SQLite

    QString host;  // PostgreSQL; a path is a Unix socket directory
    int port = 5432;
    QString database;
    QString user;
    QString schema;
    QString password;  // kept in memory only

    // How long a store waits for another writer's lock before each retry (SQLite).
    int busyTimeoutMs = 2000;
    // How long opening a server connection may take.
    int connectTimeoutS = 5;

    // "KVIR-archive.sqlite" or "user@host:port/database" for protocol lines and lists.
    QString displayName() const;
};

ArchiveLocation SqliteLocation(const QString& file);

// Empty (the server's default schema), or letters of any alphabet, digits and "_", not
// starting with a digit, at most 63 bytes in UTF-8 (the server's longest name).
bool IsSchemaName(const QString& name);

// The connection file's lines for a server location (never the password).
QStringList ConnectionFileLines(const ArchiveLocation& location);
// A server location from the connection file's lines; nothing, with the 1-based number of the
// offending line (0: the file as a whole lacks the database) in `badLine`, when a line is not
// "name=value" of a known name, the port is not a number, the schema is not a schema name,
// or the database is missing.
std::optional<ArchiveLocation> ParseConnectionLines(const QStringList& lines, int* badLine);

// Writes the connection file (atomically), keeping the comment lines of the file it replaces;
// false with the system's reason in `error`.
bool SaveConnectionFile(const QString& path, const ArchiveLocation& location, QString* error);

// The archive of a working directory: the server of its connection file when there is one,
// else the SQLite file in it. A connection file that cannot be read or parsed gives
// BadConnectionFile in `status` (with the line number, or the system's reason, in `detail`).
ArchiveLocation ArchiveLocationIn(const QString& directory, ArchiveStatus* status, QString* detail);

}  // namespace kvir
