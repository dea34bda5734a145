#include "ExportFile.h"

#include "session/TextFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace kvir {

namespace {

void SetFault(FileFault* fault, FileFault value) {
    if (fault != nullptr) {
        *fault = value;
    }
}

}  // namespace

QStringList ExportFilters() {
    return {QStringLiteral("Текстовый файл(*.csv)"), QStringLiteral("Текстовый файл(*.txt)")};
}

QString ExportTargetName(const QString& chosen, int filterIndex) {
    const qsizetype slash = std::max(chosen.lastIndexOf(u'/'), chosen.lastIndexOf(u'\\'));
    if (chosen.indexOf(u'.', slash + 1) >= 0) {
        return chosen;
    }
    return chosen + (filterIndex == 2 ? QStringLiteral(".txt") : QStringLiteral(".csv"));
}

QString ExportField(const QString& text) {
    const bool quote =
        text.contains(u';') || text.contains(u'"') || text.contains(u'\r') || text.contains(u'\n');
    if (!quote) {
        return text;
    }
    QString doubled = text;
    doubled.replace(u'"', QStringLiteral("\"\""));
    return u'"' + doubled + u'"';
}

QString ExportLine(const QStringList& cells) {
    QString line;
    for (const QString& cell : cells) {
        line += ExportField(cell);
        line += u';';
    }
    return line;
}

bool ReplaceExportFile(const QString& path, const QStringList& lines, FileFault* fault) {
    if (QFileInfo::exists(path)) {
        // Opened without truncating: the test must not harm the old file.
        QFile test(path);
        if (!test.open(QIODevice::WriteOnly | QIODevice::Append)) {
            SetFault(fault,
                     QFileInfo(path).isDir() ? FileFault::IsDirectory : FileFault::Permission);
            return false;
        }
    }
    return SaveBytesAtomically(path, EncodeLines(lines), fault);
}

bool AppendExportFile(const QString& path, const QStringList& lines, FileFault* fault) {
    QFile old(path);
    if (QFileInfo(path).isDir()) {
        SetFault(fault, FileFault::IsDirectory);
        return false;
    }
    if (!old.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        SetFault(fault, QFileInfo::exists(path) ? FileFault::Permission : FileFault::Missing);
        return false;
    }
    QByteArray bytes = old.readAll();
    if (old.error() != QFileDevice::NoError) {
        SetFault(fault, FileFault::Other);
        return false;
    }
    old.close();
    if (!bytes.isEmpty() && !bytes.endsWith('\n') && !bytes.endsWith('\r')) {
        bytes.append("\r\n");
    }
    bytes.append(EncodeLines(lines));
    return SaveBytesAtomically(path, bytes, fault);
}

}  // namespace kvir
