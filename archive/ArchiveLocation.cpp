#include "ArchiveLocation.h"

#include "instrument/Cp1251.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>

namespace kvir {

QString ArchiveLocation::displayName() const {
    if (kind == Kind::Sqlite) {
        return file;
    }
    return user + QLatin1Char('@') + host + QLatin1Char(':') + QString::number(port) +
           QLatin1Char('/') + database;
}

ArchiveLocation SqliteLocation(const QString& file) {
    ArchiveLocation location;
    location.file = file;
    return location;
}

bool IsSchemaName(const QString& name) {
    if (name.isEmpty()) {
        return true;
    }
    if (name.toUtf8().size() > 63 || name.front().isDigit()) {
        return false;
    }
    return std::all_of(name.begin(), name.end(),
                       [](QChar c) { return c == u'_' || c.isLetterOrNumber(); });
}

QStringList ConnectionFileLines(const ArchiveLocation& location) {
    QStringList lines{QStringLiteral("host=") + location.host,
                      QStringLiteral("port=") + QString::number(location.port),
                      QStringLiteral("database=") + location.database,
                      QStringLiteral("user=") + location.user};
    if (!location.schema.isEmpty()) {
        lines << QStringLiteral("schema=") + location.schema;
    }
    return lines;
}

std::optional<ArchiveLocation> ParseConnectionLines(const QStringList& lines, int* badLine) {
    ArchiveLocation location;
    location.kind = ArchiveLocation::Kind::Postgres;
    const auto fail = [badLine](int line) {
        if (badLine != nullptr) {
            *badLine = line;
        }
        return std::nullopt;
    };
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0) {
            return fail(i + 1);
        }
        const QString name = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        if (name == QLatin1String("host")) {
            location.host = value;
        } else if (name == QLatin1String("port")) {
            bool ok = false;
            location.port = value.toInt(&ok);
            if (!ok || location.port <= 0 || location.port > 65535) {
                return fail(i + 1);
            }
        } else if (name == QLatin1String("database")) {
            location.database = value;
        } else if (name == QLatin1String("user")) {
            location.user = value;
        } else if (name == QLatin1String("schema")) {
            if (!IsSchemaName(value)) {
                return fail(i + 1);
            }
            location.schema = value;
        } else {
            return fail(i + 1);  // a "password" line included: it is never kept in a file
        }
    }
    if (location.database.isEmpty()) {
        return fail(0);
    }
    return location;
}

bool SaveConnectionFile(const QString& path, const ArchiveLocation& location, QString* error) {
    QByteArray bytes;
    QFile previous(path);
    if (previous.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : previous.readAll().split('\n')) {
            if (line.trimmed().startsWith('#')) {
                bytes += line.trimmed() + "\r\n";
            }
        }
    }
    for (const QString& line : ConnectionFileLines(location)) {
        bytes += cp1251::Encode(line) + "\r\n";
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error != nullptr) {
            *error = file.errorString();
        }
        return false;
    }
    return true;
}

ArchiveLocation ArchiveLocationIn(const QString& directory, ArchiveStatus* status,
                                  QString* detail) {
    const QDir dir(directory.isEmpty() ? QStringLiteral(".") : directory);
    *status = ArchiveStatus::Ok;
    const QString connPath = dir.filePath(kArchiveConnectionFileName);
    if (!QFileInfo::exists(connPath)) {
        return SqliteLocation(dir.filePath(kArchiveFileName));
    }
    QFile file(connPath);
    if (!file.open(QIODevice::ReadOnly)) {
        *status = ArchiveStatus::BadConnectionFile;
        *detail = file.errorString();
        return {};
    }
    const QString text = cp1251::Decode(file.readAll());
    int badLine = 0;
    std::optional<ArchiveLocation> location = ParseConnectionLines(
        text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n"))), &badLine);
    if (!location) {
        *status = ArchiveStatus::BadConnectionFile;
        *detail = QString::number(badLine);
        return {};
    }
    return *location;
}

}  // namespace kvir
