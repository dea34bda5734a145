#include "ArchiveCommand.h"

#include "CliSession.h"
#include "archive/Archive.h"
#include "instrument/Cp1251.h"
#include "instrument/ModelTable.h"
#include "report/ArchiveTexts.h"
#include "report/ArchivedRecordTexts.h"
#include "report/ExportFile.h"
#include "report/NotebookView.h"
#include "report/ProtocolText.h"
#include "session/TextFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <deque>
#include <future>

namespace kvir::cli {

namespace {

constexpr int kUsage = 64;

// The archive FILE names: an SQLite file, or a connection file of a server.
bool LocationOf(const QString& file, ArchiveLocation* location, QTextStream& err) {
    if (!file.endsWith(QLatin1String(".conn"))) {
        *location = SqliteLocation(file);
        return true;
    }
    QFile conn(file);
    int badLine = 0;
    std::optional<ArchiveLocation> server;
    if (conn.open(QIODevice::ReadOnly)) {
        server = ParseConnectionLines(
            cp1251::Decode(conn.readAll()).split(QRegularExpression(QStringLiteral("\r\n|\r|\n"))),
            &badLine);
    }
    if (!server) {
        err << ArchiveStatusText(ArchiveStatus::BadConnectionFile) << ": " << file;
        if (badLine > 0) {
            err << QStringLiteral(", строка ") << badLine;
        }
        err << Qt::endl;
        return false;
    }
    *location = *server;  // no password: the client library reads PGPASSWORD or ~/.pgpass
    return true;
}

int ReportFailure(ArchiveStatus status, const Archive& archive, QTextStream& err) {
    err << ArchiveStatusText(status);
    if (!archive.lastError().isEmpty()) {
        err << " (" << TerminalText(archive.lastError()).trimmed() << ')';
    }
    err << Qt::endl;
    return 1;
}

// The user running the program: the operator of what it stores.
QString LoginName() {
    const passwd* entry = getpwuid(geteuid());
    return entry != nullptr ? QString::fromLocal8Bit(entry->pw_name) : qEnvironmentVariable("USER");
}

std::optional<DeviceModel> ModelOption(const QString& text) {
    if (text.isEmpty()) {
        return DeviceModel::None;
    }
    for (const ModelRow& row : ModelRows()) {
        if (text == QString::number(row.archiveCode) || text == row.displayName) {
            return row.model;
        }
    }
    return std::nullopt;
}

std::optional<QDate> DateOption(const QString& text) {
    if (text.isEmpty()) {
        return QDate();
    }
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

int ListSnapshots(Archive& archive, QTextStream& out, QTextStream& err) {
    QList<SnapshotInfo> list;
    const ArchiveStatus status = archive.snapshots(&list);
    if (status != ArchiveStatus::Ok) {
        return ReportFailure(status, archive, err);
    }
    for (const SnapshotInfo& s : list) {
        out << s.id << ';' << s.takenAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) << ';'
            << DisplayName(s.model) << ';' << s.records << ';' << SnapshotKindText(s) << ';'
            << s.operatorName << '\n';
    }
    out.flush();
    return 0;
}

// The export file's lines of a page of records.
QByteArray ExportBytes(const QList<ArchivedRecord>& page, const QLocale& locale, bool utf8) {
    ArchivedRecordTexts texts(locale);
    QByteArray bytes;
    bytes.reserve(page.size() * 96);
    for (const ArchivedRecord& r : page) {
        const QString line = ExportLine(texts.cells(r));
        bytes += utf8 ? line.toUtf8() : cp1251::Encode(line);
        bytes += "\r\n";
    }
    return bytes;
}

void Write(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
}

// The export file's lines of every matching record, the header line before each model's
// records. Pages are turned into text on other threads while the next page is read, and
// written in their order as they are done.
int ExportRecords(Archive& archive, ArchiveFilter filter, bool utf8, QTextStream& err) {
    // A plain copy of the system locale: the system one looks every format up anew.
    const QLocale locale(QLocale::system().name());
    constexpr size_t kPagesInFlight = 2;
    std::deque<std::future<QByteArray>> pending;
    const auto flush = [&pending](size_t keep) {
        while (pending.size() > keep) {
            Write(pending.front().get());
            pending.pop_front();
        }
    };
    QList<DeviceModel> models{filter.model};
    if (filter.model == DeviceModel::None) {
        models.clear();
        for (const ModelRow& row : ModelRows()) {
            models << row.model;
        }
    }
    for (const DeviceModel model : models) {
        filter.model = model;
        bool first = true;
        const ArchiveStatus status =
            archive.forEachPage(filter, [&](const QList<ArchivedRecord>& page) {
                if (first) {
                    flush(0);
                    Write(utf8 ? ExportLine(ModelHeaders(model)).toUtf8() + "\r\n"
                               : EncodeLines({ExportLine(ModelHeaders(model))}));
                    first = false;
                }
                pending.push_back(std::async(std::launch::async, ExportBytes, page, locale, utf8));
                flush(kPagesInFlight);
            });
        flush(0);
        if (status != ArchiveStatus::Ok) {
            std::fflush(stdout);
            return ReportFailure(status, archive, err);
        }
    }
    std::fflush(stdout);
    return 0;
}

}  // namespace

int RunArchive(const QStringList& words, const ArchiveCommandOptions& options, QTextStream& out,
               QTextStream& err) {
    const QString command = words.value(0);
    if (words.size() != 1 ||
        (command != QLatin1String("list") && command != QLatin1String("export"))) {
        err << "archive: list or export" << Qt::endl;
        return kUsage;
    }
    const std::optional<DeviceModel> model = ModelOption(options.model);
    const std::optional<QDate> from = DateOption(options.from);
    const std::optional<QDate> to = DateOption(options.to);
    if (!model || !from || !to) {
        err << (!model ? QStringLiteral("Неизвестная модель прибора: ") + options.model
                       : QStringLiteral("Дата должна быть в виде ГГГГ-ММ-ДД: ") +
                             (!from ? options.from : options.to))
            << Qt::endl;
        return kUsage;
    }
    ArchiveLocation location;
    if (!LocationOf(options.archive, &location, err)) {
        return 1;
    }
    // Listing and exporting never create an archive: a missing file, an empty one or an
    // empty server schema has none.
    Archive archive;
    const ArchiveStatus status =
        location.kind == ArchiveLocation::Kind::Sqlite && !QFileInfo::exists(location.file)
            ? ArchiveStatus::NoArchive
            : archive.open(location, Archive::OpenMode::Existing);
    if (status == ArchiveStatus::NoArchive) {
        err << ArchiveStatusText(status) << ": " << location.displayName() << Qt::endl;
        return 1;
    }
    if (status != ArchiveStatus::Ok) {
        return ReportFailure(status, archive, err);
    }
    if (command == QLatin1String("list")) {
        return ListSnapshots(archive, out, err);
    }
    ArchiveFilter filter(*model);
    filter.from = *from;
    filter.to = *to;
    filter.folder = options.folder;
    return ExportRecords(archive, filter, options.utf8, err);
}

int StoreReadInArchive(const QString& file, const Notebook& notebook, const QString& port,
                       bool complete, QTextStream& err) {
    ArchiveLocation location;
    if (!LocationOf(file, &location, err)) {
        return 3;
    }
    SnapshotMeta meta;
    meta.takenAt = QDateTime::currentDateTime();
    meta.port = port;
    meta.operatorName = LoginName();
    meta.complete = complete;
    Archive archive;
    StoreResult result;
    result.status = archive.open(location);
    if (result.status == ArchiveStatus::Ok) {
        result = archive.store(notebook, meta);
    }
    err << ArchiveStoreEntry(result, meta, TerminalText(archive.lastError()).trimmed()) << Qt::endl;
    return result.status == ArchiveStatus::Ok ? 0 : 3;
}

}  // namespace kvir::cli
