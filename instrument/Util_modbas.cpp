#include "Util_modbas.h"

#include "Cp1251.h"

namespace kvir {

namespace {
constexpr quint8 kReplyAddress = 1;  // every reply carries address 1
constexpr int kIdentPayload = 23;
}  // namespace

Instrument::Instrument(SerialLink& link, InstrumentContext& context)
    : link_(link), context_(context) {}

ExchangeResult Instrument::Exchange(quint8 code, quint16 start, int count, const QByteArray& data,
                                    quint8 expected, int attempts, QByteArray* payload,
                                    int minPayload) {
    QByteArray scratch;
    QByteArray& reply = payload ? *payload : scratch;
    const int replyLength = ExpectedReplyLength(code, count);
    ExchangeResult result = 128;
    for (int attempt = 0; IsExchangeError(result) && attempt < attempts; ++attempt) {
        // The device number is taken from its field anew for every try.
        const std::optional<quint8> address = ParseDeviceNumber(context_.deviceNumberText());
        if (!address) {
            return xr::kBadDeviceNumber;
        }
        if (SendRequest(link_, *address, code, start, count, data) != 0) {
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
    const QByteArray name = payload.mid(2, 8);
    const auto version = static_cast<qint8>(payload.at(10));
    const int base =
        (static_cast<quint8>(payload.at(19)) << 8) | static_cast<quint8>(payload.at(20));
    context_.setIdentValue(kIdentName, cp1251::Decode(name));
    context_.setIdentValue(kIdentVersion, QString::number(version));
    context_.setIdentValue(kIdentBase, QString::number(base));
    return xr::kOk;
}

ExchangeResult Instrument::SetExchangeMode(quint8 state) {
    const int attempts = state == 1 ? kModeOnAttempts : kAttempts;
    return Exchange(16, 0, 0, QByteArray(1, static_cast<char>(state)), 16, attempts);
}

std::optional<int> Instrument::notebookBase() const {
    return ParseNotebookBase(context_.identValue(kIdentBase));
}

}  // namespace kvir
