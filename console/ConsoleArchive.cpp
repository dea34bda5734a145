#include "ConsoleArchive.h"

#include <QDir>
#include <QFile>

namespace kvir {

ConsoleArchive::ConsoleArchive(QString workDir, QObject* parent)
    : QObject(parent), workDir_(std::move(workDir)), archive_(std::make_unique<Archive>()) {}

ConsoleArchive::~ConsoleArchive() = default;

ArchiveStatus ConsoleArchive::openAt(const ArchiveLocation& location) {
    location_ = location;
    status_ = archive_->open(location);
    detail_ = status_ == ArchiveStatus::Ok ? QString() : archive_->lastError();
    emit changed();
    return status_;
}

ArchiveStatus ConsoleArchive::open(const QString& password) {
    ArchiveStatus status = ArchiveStatus::Ok;
    QString detail;
    ArchiveLocation location = ArchiveLocationIn(workDir_, &status, &detail);
    if (status != ArchiveStatus::Ok) {
        archive_->close();
        status_ = status;
        detail_ = detail;
        emit changed();
        return status;
    }
    location.password = password;
    return openAt(location);
}

ArchiveStatus ConsoleArchive::useServer(const ArchiveLocation& server) {
    auto candidate = std::make_unique<Archive>();
    const ArchiveStatus status = candidate->open(server);
    if (status != ArchiveStatus::Ok) {
        detail_ = candidate->lastError();
        return status;
    }
    QString error;
    const QString path = QDir(workDir_.isEmpty() ? QStringLiteral(".") : workDir_)
                             .filePath(kArchiveConnectionFileName);
    if (!SaveConnectionFile(path, server, &error)) {
        detail_ = error;
        return ArchiveStatus::CannotOpen;
    }
    archive_ = std::move(candidate);
    location_ = server;
    status_ = ArchiveStatus::Ok;
    detail_.clear();
    emit changed();
    return status_;
}

ArchiveStatus ConsoleArchive::useLocalFile() {
    const QDir dir(workDir_.isEmpty() ? QStringLiteral(".") : workDir_);
    QFile conn(dir.filePath(kArchiveConnectionFileName));
    if (conn.exists() && !conn.remove()) {
        detail_ = conn.errorString();
        return ArchiveStatus::CannotOpen;
    }
    return openAt(SqliteLocation(dir.filePath(kArchiveFileName)));
}

Archive* ConsoleArchive::archive() {
    return archive_->isOpen() ? archive_.get() : nullptr;
}

StoreResult ConsoleArchive::store(const Notebook& notebook, const SnapshotMeta& meta) {
    if (!archive_->isOpen() && open(location_.password) != ArchiveStatus::Ok) {
        StoreResult result;
        result.status = status_;
        return result;
    }
    StoreResult result = archive_->store(notebook, meta);
    status_ = result.status;
    detail_ = result.status == ArchiveStatus::Ok ? QString() : archive_->lastError();
    emit changed();
    return result;
}

}  // namespace kvir
