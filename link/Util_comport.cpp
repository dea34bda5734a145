#include "Util_comport.h"

#include <QThread>

#include <utility>

Q_LOGGING_CATEGORY(lcFrames, "kvir.link.frames", QtWarningMsg)

namespace kvir {

namespace {

void SleepMs(int ms) {
    QThread::msleep(static_cast<unsigned long>(ms));
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Value of one upper-case hexadecimal digit, or -1. Lower-case letters are invalid: the
// instrument never sends them.
int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

// ---- SerialLink -------------------------------------------------------------------------

SerialLink::SerialLink(PortFactory factory, Waiter wait)
    : factory_(std::move(factory)), wait_(wait ? std::move(wait) : Waiter(SleepMs)) {}

SerialLink::~SerialLink() {
    ClosePort();
}

int SerialLink::ProbePort(const QString& name) {
    if (name.isEmpty()) {
        lastFault_ = PortFault::Missing;
        lastError_ = QStringLiteral("empty port name");
        return -1;
    }
    std::unique_ptr<SerialPort> probe = factory_();
    if (!probe->open(name, LineSettings{})) {
        lastFault_ = probe->lastFault();
        lastError_ = probe->lastError();
        return -1;
    }
    probe->close();
    return 0;
}

int SerialLink::OpenPort(const QString& name) {
    // 1. Time-outs: every single-byte read waits at most one second.
    portTimeouts_ = PortTimeouts{};
    // 2. Line settings 9600 8E1, no handshaking, null bytes dropped, RTS and DTR on.
    portSettings_ = LineSettings{};
    portSettings_.dtr = true;
    portSettings_.rts = true;

    // 3. Open the device exclusively.
    if (name.isEmpty()) {
        lastFault_ = PortFault::Missing;
        lastError_ = QStringLiteral("empty port name");
        return -1;
    }
    std::unique_ptr<SerialPort> device = factory_();
    if (!device->open(name, portSettings_)) {
        lastFault_ = device->lastFault();
        lastError_ = device->lastError();
        return -1;
    }
    port_ = std::move(device);

    // 4. Apply the line settings: DTR is raised here.
    if (!port_->applyLineSettings(portSettings_)) {
        lastFault_ = port_->lastFault();
        lastError_ = port_->lastError();
        return -1;
    }
    // 5. Apply the time-outs.
    if (!port_->applyTimeouts(portTimeouts_)) {
        lastFault_ = port_->lastFault();
        lastError_ = port_->lastError();
        return -1;
    }
    // 6. Drop DTR, keep RTS on: the instrument sees DTR raised and dropped.
    portSettings_.dtr = false;
    if (!port_->applyLineSettings(portSettings_)) {
        lastFault_ = port_->lastFault();
        lastError_ = port_->lastError();
        return -1;
    }
    // 7. Purge both queues; 8. queue sizes (advisory, their result is not a failure).
    port_->purge();
    port_->setQueueSizes(kQueueSize, kQueueSize);
    // 9. Give the instrument time to settle after the DTR pulse.
    wait_(kSettleMs);
    return 0;
}

void SerialLink::ClosePort() {
    if (port_) {
        port_->close();
        port_.reset();
    }
}

bool SerialLink::isOpen() const {
    return port_ && port_->isOpen();
}

PortFault SerialLink::lastFault() const {
    if (port_ && !port_->isOpen() && port_->lastFault() != PortFault::None) {
        return port_->lastFault();
    }
    return lastFault_;
}

QString SerialLink::lastError() const {
    // A port that closed itself under a read carries the reason.
    if (port_ && !port_->isOpen() && !port_->lastError().isEmpty()) {
        return port_->lastError();
    }
    return lastError_;
}

// ---- Requests -----------------------------------------------------------------------------

QByteArray EncodeRequest(quint8 address, quint8 code, quint16 start, int count,
                         const QByteArray& data) {
    QByteArray message;
    message.append(static_cast<char>(address));
    message.append(static_cast<char>(code));
    const auto putStart = [&] {
        message.append(static_cast<char>(start >> 8));
        message.append(static_cast<char>(start & 0xFF));
    };
    const auto putData = [&] {
        // The data count is what the caller says; missing bytes go out as 0xFF (the erased
        // state), surplus bytes are not sent.
        for (int i = 0; i < count; ++i) {
            message.append(i < data.size() ? data.at(i) : static_cast<char>(0xFF));
        }
    };
    switch (code) {
        case 0:
        case 15:
            break;
        case 1:
        case 3:
            putStart();
            break;
        case 2:
        case 4:
        case 5:
            putStart();
            message.append(static_cast<char>(count & 0xFF));
            break;
        case 16:
            message.append(data.isEmpty() ? '\0' : data.at(0));
            break;
        case 17:
            putStart();
            message.append(data.isEmpty() ? '\0' : data.at(0));
            break;
        case 19:
            putStart();
            message.append(data.size() > 0 ? data.at(0) : '\0');
            message.append(data.size() > 1 ? data.at(1) : '\0');
            break;
        case 18:
        case 20:
        case 21:
            if (count < 0 || count > kMaxDataCount) {
                return {};
            }
            putStart();
            message.append(static_cast<char>(code == 20 ? count / 2 : count));
            putData();
            break;
        default:
            // No other function code is ever sent.
            return {};
    }

    QByteArray frame;
    frame.reserve(2 * message.size() + 5);
    frame.append(':');
    quint8 sum = 0;
    for (char c : message) {
        const auto b = static_cast<quint8>(c);
        sum = static_cast<quint8>(sum + b);
        frame.append(kHexDigits[b >> 4]);
        frame.append(kHexDigits[b & 0x0F]);
    }
    const auto lrc = static_cast<quint8>(-sum);
    frame.append(kHexDigits[lrc >> 4]);
    frame.append(kHexDigits[lrc & 0x0F]);
    frame.append("\r\n");
    return frame;
}

int SendRequest(SerialLink& link, quint8 address, quint8 code, quint16 start, int count,
                const QByteArray& data) {
    const QByteArray frame = EncodeRequest(address, code, start, count, data);
    if (frame.isEmpty() || !link.isOpen()) {
        // A refused count, or no port to send it on: the request is not sent.
        return -1;
    }
    // Stale input is dropped before every request; a pseudo-terminal may hold bytes forever.
    link.port()->purge();
    qCDebug(lcFrames).noquote() << ">>" << QString::fromLatin1(frame.chopped(2));
    // The result of the write is not examined: a lost frame shows as a missing reply.
    link.port()->write(frame);
    return 0;
}

// ---- Replies ------------------------------------------------------------------------------

bool FrameAssembler::feed(quint8 byte) {
    if (byte == 0) {
        return false;
    }
    if (byte == ':') {
        text_.clear();
        return false;
    }
    if (byte == '\n') {
        if (text_.size() >= 2 && text_.endsWith('\r')) {
            text_.chop(1);
            return true;
        }
        return false;  // any other LF is dropped
    }
    text_.append(static_cast<char>(byte));
    return false;
}

int ReadFrame(SerialLink& link, QByteArray& text, int limit, int expected) {
    text.clear();
    if (!link.isOpen()) {
        return 0;
    }
    link.port()->expectBytes(expected);
    FrameAssembler assembler;
    for (int i = 0; i < limit; ++i) {
        // A port whose peer hung up closes itself and yields nothing: no spinning here.
        const std::optional<quint8> byte = link.isOpen() ? link.port()->readByte() : std::nullopt;
        if (!byte) {
            return 0;
        }
        if (assembler.feed(*byte)) {
            text = assembler.text();
            return static_cast<int>(text.size());
        }
    }
    return 0;
}

ExchangeResult DecodeReply(const QByteArray& text, quint8 expectedAddress, QByteArray& payload) {
    payload.clear();
    if (text.size() < 6) {
        return xr::kNoReply;
    }
    // Pairs of upper-case digits, high digit first; an odd last character is ignored.
    const qsizetype pairs = text.size() / 2;
    QByteArray bytes(pairs, '\0');
    quint8 sum = 0;
    bool valid = true;
    for (qsizetype i = 0; i < pairs; ++i) {
        const int hi = HexValue(text.at(2 * i));
        const int lo = HexValue(text.at(2 * i + 1));
        if (hi < 0 || lo < 0) {
            valid = false;
            break;
        }
        const auto b = static_cast<quint8>(hi * 16 + lo);
        bytes[i] = static_cast<char>(b);
        sum = static_cast<quint8>(sum + b);
    }
    if (!valid || sum != 0) {
        return xr::kBadChecksum;
    }
    const auto at = [&](qsizetype i) { return static_cast<quint8>(bytes.at(i)); };
    if (at(0) != expectedAddress) {
        return xr::kUnknownDevice;
    }
    const quint8 code = at(1);
    if (code & 0x80) {
        return xr::kCommandFailed;
    }
    // The message without its trailing LRC. A reply too short for what it must deliver is
    // treated like a damaged one: nothing is read past the decoded bytes.
    const qsizetype length = bytes.size() - 1;
    const auto deliver = [&](qsizetype from, qsizetype count) -> bool {
        if (from + count > length) {
            return false;
        }
        payload = bytes.mid(from, count);
        return true;
    };
    switch (code) {
        case 0:
            return 0;
        case 1:
            return deliver(4, 1) ? 1 : xr::kBadChecksum;
        case 3:
            return deliver(4, 2) ? 3 : xr::kBadChecksum;
        case 2:
        case 5:
            if (length < 5) {
                return xr::kBadChecksum;
            }
            return deliver(5, at(4)) ? code : xr::kBadChecksum;
        case 4:
            if (length < 5) {
                return xr::kBadChecksum;
            }
            return deliver(5, 2 * qsizetype{at(4)}) ? 4 : xr::kBadChecksum;
        case 15:
            return deliver(2, 23) ? 15 : xr::kBadChecksum;
        case 16:
            if (length < 3) {
                return xr::kBadChecksum;
            }
            return (at(2) == 1 || at(2) == 2) ? 16 : xr::kCommandFailed;
        case 17:
        case 18:
        case 19:
        case 20:
        case 21:
            return code;
        default:
            return xr::kUnknownCommand;
    }
}

int ExpectedReplyLength(quint8 code, int count) {
    // Message bytes: address, code, then what the code carries, then the check byte.
    int bytes = 0;
    switch (code) {
        case 0:
            bytes = 2;
            break;
        case 1:
            bytes = 5;
            break;
        case 3:
            bytes = 6;
            break;
        case 2:
        case 5:
            bytes = 5 + count;
            break;
        case 4:
            bytes = 5 + 2 * count;
            break;
        case 15:
            bytes = 25;
            break;
        case 16:
            bytes = 3;
            break;
        default:
            return 0;
    }
    return 1 + 2 * (bytes + 1) + 2;
}

ExchangeResult ReceiveReply(SerialLink& link, quint8 expectedAddress, QByteArray& payload,
                            int expected) {
    QByteArray text;
    const int length = ReadFrame(link, text, kFrameLimit, expected);
    if (lcFrames().isDebugEnabled()) {
        qCDebug(lcFrames).noquote() << "<<"
                                    << (length > 0 ? QStringLiteral(":") + QString::fromLatin1(text)
                                                   : QStringLiteral("(no reply)"));
    }
    if (length < 6) {
        payload.clear();
        return xr::kNoReply;
    }
    return DecodeReply(text, expectedAddress, payload);
}

}  // namespace kvir
