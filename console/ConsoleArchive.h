#pragma once
// The console's archive: the archive of the working directory (the server named in its
// connection file, else the SQLite file), opened at start and again whenever it was not
// available, so a locked or unreachable archive never stops the console.
//
// After a read:
//     const StoreResult r = archive.store(notebook, meta);
//     AddProtEntry(ArchiveStoreEntry(r, meta, archive.detail()));
//     ... mark r.newSlots "новая" in the record table
// The record table, exports and write-back never depend on the result.

#include "archive/Archive.h"

#include <QObject>

#include <memory>

namespace kvir {

class ConsoleArchive : public QObject {
    Q_OBJECT

  public:
    explicit ConsoleArchive(QString workDir, QObject* parent = nullptr);
    ~ConsoleArchive() override;

    // Opens the working directory's archive. For a server, an empty password lets the
    // PostgreSQL client library take it from its own password file.
    ArchiveStatus open(const QString& password = {});
    // Uses a server from now on: opens it (with `server.password`) and, when that works,
    // writes the connection file. When the server cannot be used the archive in use stays.
    ArchiveStatus useServer(const ArchiveLocation& server);
    // Uses the SQLite file of the working directory again; the connection file is removed.
    ArchiveStatus useLocalFile();

    // The open archive, or nullptr while it is unavailable.
    Archive* archive();
    // The last result of opening or storing, and the database's own text of a failure.
    ArchiveStatus status() const { return status_; }
    const QString& detail() const { return detail_; }
    // Where the archive is (or would be, while it cannot be opened).
    const ArchiveLocation& location() const { return location_; }

    // Stores a notebook, opening the archive first when it was unavailable.
    StoreResult store(const Notebook& notebook, const SnapshotMeta& meta);

  signals:
    // The archive was opened, switched or received a snapshot: views refresh.
    void changed();

  private:
    ArchiveStatus openAt(const ArchiveLocation& location);

    QString workDir_;
    ArchiveLocation location_;
    std::unique_ptr<Archive> archive_;
    ArchiveStatus status_ = ArchiveStatus::CannotOpen;
    QString detail_;
};

}  // namespace kvir
