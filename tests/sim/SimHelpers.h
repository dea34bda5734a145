#pragma once
// Small helpers shared by the simulator tests.

#include "sim/Fault.h"
#include "sim/Simulator.h"

#include <QByteArray>

#include <ostream>

namespace kvir::sim {

// Bytes from hexadecimal text with optional blanks: Hex("01 0F").
inline QByteArray Hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

inline void PrintTo(const LoggedRequest& request, std::ostream* os) {
    *os << FormatLoggedRequest(request).toStdString();
}

inline void PrintTo(const Fault& fault, std::ostream* os) {
    *os << FormatFault(fault).toStdString();
}

inline LoggedRequest Logged(int address, int code, int start, int count, QByteArray data,
                            bool replied, QList<FaultKind> faults = {}) {
    return {address, code, start, count, std::move(data), replied, std::move(faults)};
}

}  // namespace kvir::sim

// Readable failure output for frames: printable characters as they are, the rest escaped.
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"';
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r') {
            *os << "\\r";
        } else if (c == '\n') {
            *os << "\\n";
        } else if (u >= 0x20 && u < 0x7F) {
            *os << c;
        } else {
            const char* digits = "0123456789ABCDEF";
            *os << "\\x" << digits[u >> 4] << digits[u & 0xF];
        }
    }
    *os << '"';
}
