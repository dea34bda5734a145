#pragma once
// The archive's schema as numbered migrations, the same tables on SQLite and PostgreSQL.
// "schema_version" holds the number of the last migration applied; an archive whose number is
// above kArchiveSchemaVersion was written by a newer program and is left alone.

#include <QStringList>

namespace kvir {

constexpr int kArchiveSchemaVersion = 2;

// The statements that take the schema from version `to` − 1 to `to` (1: the first tables,
// 2: one record per measurement).
QStringList MigrationStatements(int to, bool postgres);

}  // namespace kvir
