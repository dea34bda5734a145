#include "Util_modbas.h"

#include "Cp1251.h"

namespace kvir {

namespace {

constexpr quint8 kReplyAddress = 1;  // every reply carries address 1
constexpr int kIdentPayload = 23;

// A decimal integer with an optional sign and surrounding blanks; nothing otherwise.
std::optional<qint64> ParseDecimal(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 12) {
        return std::nullopt;
    }
    const qsizetype i = (t.at(0) == u'+' || t.at(0) == u'-') ? 1 : 0;
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
    return ok ? std::optional(value) : std::nullopt;
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

Instrument::Instrument(SerialLink& link, quint8 address) : link_(link), address_(address) {}

ExchangeResult Instrument::Exchange(quint8 code, quint16 start, int count, const QByteArray& data,
                                    quint8 expected, int attempts, QByteArray* payload,
                                    int minPayload) {
    QByteArray scratch;
    QByteArray& reply = payload ? *payload : scratch;
    const int replyLength = ExpectedReplyLength(code, count);
    ExchangeResult result = 128;
    for (int attempt = 0; IsExchangeError(result) && attempt < attempts; ++attempt) {
        // A stop asked for by the operator takes effect before the next request.
        if (cancel_ != nullptr && cancel_->load(std::memory_order_relaxed)) {
            return xr::kCancelled;
        }
        if (SendRequest(link_, address_, code, start, count, data) != 0) {
            return xr::kNotSent;
        }
        result = ReceiveReply(link_, kReplyAddress, reply, replyLength);
        if (result == expected && reply.size() < minPayload) {
            result = xr::kBadChecksum;
        }
        if (!link_.isOpen()) {
            break;  // the port went away under the reply: no point in trying again
        }
    }
    if (IsExchangeError(result)) {
        return result;
    }
    return result == expected ? xr::kOk : xr::kCommandFailed;
}

ExchangeResult Instrument::PingInstrument() {
    return Exchange(0, 0, 0, {}, 0, 1);
}

ExchangeResult Instrument::ReadIdentification() {
    QByteArray payload;
    const ExchangeResult r = Exchange(15, 0, 0, {}, 15, kAttempts, &payload, kIdentPayload);
    if (r != xr::kOk) {
        return r;
    }
    // The payload starts at reply byte 2: name in bytes 4 to 11, version in byte 12, notebook
    // base high and low in bytes 21 and 22.
    const auto version = static_cast<qint8>(payload.at(10));
    ident_.name = cp1251::Decode(payload.mid(2, 8));
    ident_.version = QString::number(version);
    ident_.base = (static_cast<quint8>(payload.at(19)) << 8) | static_cast<quint8>(payload.at(20));
    return xr::kOk;
}

ExchangeResult Instrument::SetExchangeMode(quint8 state) {
    const int attempts = state == 1 ? kModeOnAttempts : kAttempts;
    return Exchange(16, 0, 0, QByteArray(1, static_cast<char>(state)), 16, attempts);
}

}  // namespace kvir
