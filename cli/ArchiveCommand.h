#pragma once
// kvir-cli and the archive: "archive list", "archive export" and storing a read.
//
//   kvir-cli [--archive FILE] archive list
//   kvir-cli [--archive FILE] archive export [--from yyyy-MM-dd] [--to yyyy-MM-dd]
//            [--folder NAME] [--model 510|210] [--utf8]
//   kvir-cli --port PORT --archive FILE read
//
// FILE is an SQLite archive (default "KVIR-archive.sqlite" in the current directory) or a
// connection file ("….conn") naming a PostgreSQL server; the password then comes from
// PostgreSQL's own password file or PGPASSWORD.

#include "instrument/Notebook.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTextStream>

namespace kvir::cli {

struct ArchiveCommandOptions {
    QString archive;  // FILE
    QString from;     // yyyy-MM-dd or empty
    QString to;
    QString folder;
    QString model;  // 510, 210 or a display name; empty: both
    bool utf8 = false;
};

// "list" or "export" (the words after "archive"). 0, 1 when the archive cannot be used, 64
// for a usage error; the reason on `err`.
int RunArchive(const QStringList& words, const ArchiveCommandOptions& options, QTextStream& out,
               QTextStream& err);

// Stores a read notebook (a partial snapshot when `complete` is false) in the archive FILE
// and prints the store's line on `err`. 0, or 3 when it was not stored.
int StoreReadInArchive(const QString& archive, const Notebook& notebook, const QString& port,
                       bool complete, QTextStream& err);

}  // namespace kvir::cli
