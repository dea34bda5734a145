#include "InstrumentContext.h"

namespace kvir {

namespace {

// A decimal integer with an optional sign and surrounding blanks; nothing otherwise.
std::optional<qint64> ParseDecimal(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 12) {
        return std::nullopt;
    }
    qsizetype i = (t.at(0) == u'+' || t.at(0) == u'-') ? 1 : 0;
    if (i == t.size()) {
        return std::nullopt;
    }
    for (qsizetype k = i; k < t.size(); ++k) {
        if (t.at(k) < u'0' || t.at(k) > u'9') {
            return std::nullopt;
        }
    }
    bool ok = false;
    const qint64 value = t.toLongLong(&ok, 10);
    if (!ok) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<quint8> ParseDeviceNumber(const QString& text) {
    const std::optional<qint64> value = ParseDecimal(text);
    // The field holds a 32-bit integer; the request carries its low 8 bits.
    if (!value || *value < INT32_MIN || *value > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<quint8>(static_cast<quint32>(*value) & 0xFFu);
}

std::optional<int> ParseNotebookBase(const QString& text) {
    const std::optional<qint64> value = ParseDecimal(text);
    if (!value || *value < 0 || *value > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

}  // namespace kvir
