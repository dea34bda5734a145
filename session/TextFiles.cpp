#include "TextFiles.h"

#include "instrument/Cp1251.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

namespace kvir {

namespace {

// The reason of the last failed file call, from errno (which QFile leaves as the system set
// it), with what the file system shows where errno says nothing useful.
FileFault FaultOf(int error, const QString& path) {
    switch (error) {
        case EACCES:
        case EPERM:
        case EROFS:
            return FileFault::Permission;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return FileFault::DiskFull;
        case ENOENT:
        case ENOTDIR:
            return FileFault::Missing;
        case EBUSY:
        case ETXTBSY:
            return FileFault::Busy;
        case EISDIR:
            return FileFault::IsDirectory;
        default:
            break;
    }
    const QFileInfo info(path);
    if (info.isDir()) {
        return FileFault::IsDirectory;
    }
    if (!info.absoluteDir().exists()) {
        return FileFault::Missing;
    }
    return FileFault::Other;
}

}  // namespace

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

std::optional<QByteArray> LoadBytes(const QString& path, FileFault* fault) {
    const auto fail = [&](FileFault f) -> std::optional<QByteArray> {
        if (fault != nullptr) {
            *fault = f;
        }
        return std::nullopt;
    };
    if (QFileInfo(path).isDir()) {
        return fail(FileFault::IsDirectory);
    }
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        return fail(FaultOf(errno, path));
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return fail(FileFault::Other);
    }
    return bytes;
}

std::optional<QStringList> LoadLines(const QString& path) {
    const std::optional<QByteArray> bytes = LoadBytes(path);
    if (!bytes) {
        return std::nullopt;
    }
    return SplitLines(cp1251::Decode(*bytes));
}

bool SaveBytesAtomically(const QString& path, const QByteArray& bytes, FileFault* fault) {
    // Unbuffered, so that a short write (a full disk) is seen: a buffered QSaveFile would
    // commit a file cut short at such a write.
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    const auto fail = [&](FileFault reason) {
        if (fault != nullptr) {
            *fault = reason;
        }
        file.cancelWriting();
        return false;
    };
    if (QFileInfo(path).isDir()) {
        return fail(FileFault::IsDirectory);
    }
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return fail(FaultOf(errno, path));
    }
    qint64 written = 0;
    while (written < bytes.size()) {
        errno = 0;
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0) {
            break;
        }
        written += n;
    }
    if (written != bytes.size() || file.size() != bytes.size()) {
        // A write that stops short is almost always a full disk.
        const FileFault reason = FaultOf(errno, path);
        return fail(reason == FileFault::Other ? FileFault::DiskFull : reason);
    }
    errno = 0;
    if (!file.commit()) {
        return fail(FaultOf(errno, path));
    }
    return true;
}

bool SaveLinesAtomically(const QString& path, const QStringList& lines, FileFault* fault) {
    return SaveBytesAtomically(path, EncodeLines(lines), fault);
}

}  // namespace kvir
