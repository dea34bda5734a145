#include "WireFrame.h"

namespace kvir::sim {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

void AppendHex(QByteArray& out, quint8 byte, bool lowerCase) {
    const char* digits = lowerCase ? "0123456789abcdef" : "0123456789ABCDEF";
    out.append(digits[byte >> 4]);
    out.append(digits[byte & 0x0F]);
}

}  // namespace

quint8 Lrc(const QByteArray& message) {
    quint8 sum = 0;
    for (char c : message) {
        sum = static_cast<quint8>(sum + static_cast<quint8>(c));
    }
    return static_cast<quint8>(-sum);
}

QByteArray EncodeFrame(const QByteArray& message, quint8 check, bool lowerCase) {
    QByteArray out;
    out.reserve(2 * message.size() + 5);
    out.append(':');
    for (char c : message) {
        AppendHex(out, static_cast<quint8>(c), lowerCase);
    }
    AppendHex(out, check, lowerCase);
    out.append("\r\n");
    return out;
}

std::optional<QByteArray> DecodeFrame(const QByteArray& frame) {
    if (!frame.startsWith(':') || !frame.endsWith("\r\n")) {
        return std::nullopt;
    }
    const QByteArray digits = frame.mid(1, frame.size() - 3);
    // Address, code and check at least.
    if (digits.size() % 2 != 0 || digits.size() < 6) {
        return std::nullopt;
    }
    QByteArray bytes;
    bytes.reserve(digits.size() / 2);
    quint8 sum = 0;
    for (qsizetype i = 0; i < digits.size(); i += 2) {
        const int high = HexValue(digits[i]);
        const int low = HexValue(digits[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        const auto byte = static_cast<quint8>(high * 16 + low);
        sum = static_cast<quint8>(sum + byte);
        bytes.append(static_cast<char>(byte));
    }
    if (sum != 0) {
        return std::nullopt;
    }
    bytes.chop(1);
    return bytes;
}

std::optional<QByteArray> FrameCollector::push(char byte) {
    if (byte == ':') {
        buffer_ = QByteArray(1, ':');
        return std::nullopt;
    }
    if (buffer_.isEmpty()) {
        return std::nullopt;
    }
    buffer_.append(byte);
    if (buffer_.size() > kLimit) {
        buffer_.clear();
        return std::nullopt;
    }
    if (byte == '\n' && buffer_.endsWith("\r\n")) {
        QByteArray frame;
        frame.swap(buffer_);
        return frame;
    }
    return std::nullopt;
}

}  // namespace kvir::sim
