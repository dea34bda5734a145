#pragma once
// Notebooks for the archive's tests and benchmarks, and the test server's connection.

#include "archive/ArchiveLocation.h"
#include "instrument/Notebook.h"

#include <QDate>

namespace kvir::test {

// A shipped sample (sim/samples/<510|210>-<size>.txt) read through the instrument operations
// from an in-process simulator, as the console reads it on `today`.
Notebook ReadSampleNotebook(DeviceModel model, const QString& size = QStringLiteral("full"),
                            const QDate& today = QDate(2026, 12, 8));

// `notebook` with every record moved `days` days later (day words and stamps) and its values
// changed by `salt`, so that its records differ from every other variant's.
Notebook VariantNotebook(const Notebook& notebook, int days, int salt);

// The PostgreSQL server of KVIR_TEST_POSTGRES ("host=… port=… database=… user=…", as
// tools/start-postgres.sh prints it); nothing when the variable is not set.
std::optional<ArchiveLocation> TestServer();

}  // namespace kvir::test
