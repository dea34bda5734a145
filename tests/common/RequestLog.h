#pragma once
// The simulator's request log as compact lines, for exact request-sequence assertions.
#include "sim/Simulator.h"

#include <QStringList>

namespace kvir::test {

// "code start count data": start in hexadecimal (4 digits), data bytes in hexadecimal; parts
// a request does not carry are left out.
inline QStringList FormatRequests(const sim::Simulator& simulator) {
    QStringList lines;
    for (const sim::LoggedRequest& q : simulator.requestLog()) {
        QStringList parts{QString::number(q.code)};
        if (q.start >= 0) {
            parts << QStringLiteral("%1").arg(q.start, 4, 16, QLatin1Char('0')).toUpper();
        }
        if (q.count >= 0) {
            parts << QString::number(q.count);
        }
        if (!q.data.isEmpty()) {
            parts << QString::fromLatin1(q.data.toHex().toUpper());
        }
        lines << parts.join(QLatin1Char(' '));
    }
    return lines;
}

}  // namespace kvir::test
