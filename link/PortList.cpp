#include "PortList.h"

#include <QSerialPortInfo>

#include <algorithm>

namespace kvir {

QStringList SystemSerialPorts() {
    QStringList paths;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports) {
        paths.append(info.systemLocation());
    }
    return paths;
}

namespace {

// "/dev/ttyUSB10" -> ("/dev/ttyUSB", 10); a name without trailing digits -> (name, -1).
std::pair<QString, qlonglong> SplitTrailingNumber(const QString& path) {
    qsizetype digits = path.size();
    while (digits > 0 && path.at(digits - 1).isDigit()) {
        --digits;
    }
    // Very long digit runs are compared as text.
    if (digits == path.size() || path.size() - digits > 18) {
        return {path, -1};
    }
    return {path.left(digits), path.mid(digits).toLongLong()};
}

}  // namespace

QStringList SortDevicePaths(QStringList paths) {
    paths.removeAll(QString());
    std::sort(paths.begin(), paths.end(), [](const QString& a, const QString& b) {
        const auto ka = SplitTrailingNumber(a);
        const auto kb = SplitTrailingNumber(b);
        if (ka.first != kb.first) {
            return ka.first < kb.first;
        }
        if (ka.second != kb.second) {
            return ka.second < kb.second;
        }
        return a < b;
    });
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    return paths;
}

QStringList BuildPortEntries(const QStringList& candidates, const QString& configured,
                             const PortProbe& canOpen) {
    QStringList entries;
    const QStringList sorted = SortDevicePaths(candidates);
    for (const QString& path : sorted) {
        if (canOpen(path)) {
            entries.append(path);
        }
    }
    if (!configured.isEmpty() && !sorted.contains(configured) && canOpen(configured)) {
        entries.append(configured);
    }
    return entries;
}

}  // namespace kvir
