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

bool SaveBytesAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    // Unbuffered, so that a short write (a full disk) is seen: a buffered QSaveFile would
    // commit a file cut short at such a write.
    QSaveFile file(path);
    const auto fail = [&](const QString& reason) {
        if (error != nullptr) {
            *error = reason;
        }
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return fail(file.errorString());
    }
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0) {
            break;
        }
        written += n;
    }
    if (written != bytes.size() || file.size() != bytes.size()) {
        return fail(QStringLiteral("the file was not written completely"));
    }
    if (!file.commit()) {
        return fail(file.errorString());
    }
    return true;
}

bool SaveLinesAtomically(const QString& path, const QStringList& lines, QString* error) {
    return SaveBytesAtomically(path, EncodeLines(lines), error);
}

}  // namespace kvir
