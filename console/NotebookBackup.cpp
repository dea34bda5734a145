#include "NotebookBackup.h"

#include "report/NotebookView.h"

#include <algorithm>

namespace kvir {

QString BackupFileName(const QDateTime& when, int sequence) {
    QString name =
        QStringLiteral("KVIR-backup-") + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (sequence > 1) {
        name += QLatin1Char('-') + QString::number(sequence);
    }
    return name + QStringLiteral(".csv");
}

QString QuoteBackupField(const QString& text) {
    if (!text.contains(u';') && !text.contains(u'"')) {
        return text;
    }
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

namespace {

QString JoinFields(const QStringList& fields) {
    QString line;
    for (const QString& field : fields) {
        line += QuoteBackupField(field) + QLatin1Char(';');
    }
    return line;
}

}  // namespace

QStringList BackupLines(const NotebookImage& image, const QStringList& folders, DeviceModel model,
                        const QString& user, const QLocale& locale) {
    QStringList lines{JoinFields(ModelHeaders(model))};
    for (int s = 0; s < kNotebookSlots; ++s) {
        if (image.folderNo[static_cast<size_t>(s)] == 0) {
            continue;
        }
        // Column 1 (the slot index) is not part of the file.
        lines << JoinFields(RecordCells(image, s, model, folders, user, locale).mid(1));
    }
    return lines;
}

bool HoldsRecords(const NotebookImage& image) {
    return std::any_of(image.folderNo.begin(), image.folderNo.end(),
                       [](quint8 f) { return f != 0; });
}

}  // namespace kvir
