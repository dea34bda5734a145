#include "TextFiles.h"

#include "instrument/Cp1251.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kvir {

QStringList SplitLines(const QString& text) {
    QStringList lines;
    QString current;
    bool pending = false;  // characters or a line end seen since the last line was taken
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines.append(current);
            current.clear();
            pending = false;
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
                ++i;
            }
            continue;
        }
        current.append(c);
        pending = true;
    }
    if (pending) {
        lines.append(current);
    }
    return lines;
}

QByteArray EncodeLines(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes.append(cp1251::Encode(line));
        bytes.append("\r\n");
    }
    return bytes;
}

std::optional<QStringList> LoadLines(const QString& path) {
    if (QFileInfo(path).isDir()) {
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    return SplitLines(cp1251::Decode(bytes));
}

bool SaveLinesAtomically(const QString& path, const QStringList& lines, QString* error) {
    QSaveFile file(path);
    const QByteArray bytes = EncodeLines(lines);
    const bool ok =
        file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!ok) {
        if (error != nullptr) {
            *error = file.errorString();
        }
        file.cancelWriting();
    }
    return ok;
}

}  // namespace kvir
