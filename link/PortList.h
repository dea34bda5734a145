#pragma once
// The serial ports offered in the port box. On Linux these are the device paths of the
// serial devices that are present and can be opened, in a stable order, plus the port the
// settings name when it opens but is not enumerated (a udev alias, a socat link, the
// simulator's pseudo-terminal link).

#include <QString>
#include <QStringList>

#include <functional>

namespace kvir {

// The candidate devices of the system (unsorted, maybe with duplicates).
using PortLister = std::function<QStringList()>;
// True when the named device can be opened (it is closed again at once).
using PortProbe = std::function<bool(const QString& name)>;

// QSerialPortInfo::availablePorts() by device path.
QStringList SystemSerialPorts();

// Paths ordered by their text with trailing numbers compared as numbers
// ("/dev/ttyS2" before "/dev/ttyS10"); duplicates and empty names dropped.
QStringList SortDevicePaths(QStringList paths);

// The entries of the port box: the sorted candidates that open, then `configured` when it
// opens and is not among them.
QStringList BuildPortEntries(const QStringList& candidates, const QString& configured,
                             const PortProbe& canOpen);

}  // namespace kvir
