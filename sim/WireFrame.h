#pragma once
// The instrument's side of the ASCII-hex framing: a colon, the message bytes as hexadecimal
// digit pairs, the longitudinal check and CR LF. Written apart from the console's codec so
// that each checks the other.

#include <QByteArray>

#include <optional>

namespace kvir::sim {

// Two's complement of the 8-bit sum of the message bytes.
quint8 Lrc(const QByteArray& message);

// ':' + hex(message) + hex(check) + CR LF, upper case unless `lowerCase`.
QByteArray EncodeFrame(const QByteArray& message, quint8 check, bool lowerCase = false);
inline QByteArray EncodeFrame(const QByteArray& message) {
    return EncodeFrame(message, Lrc(message));
}

// The message bytes of one complete frame (without the check byte), or nothing when the frame
// does not start with ':' and end with CR LF, holds anything but upper-case hexadecimal digit
// pairs, is shorter than address, code and check, or fails the check.
std::optional<QByteArray> DecodeFrame(const QByteArray& frame);

// Cuts a received byte stream into request frames: a colon starts a frame (discarding what was
// collected), bytes outside a frame are dropped, CR LF ends it.
class FrameCollector {
  public:
    // A frame longer than this is dropped whole.
    static constexpr int kLimit = 1200;

    // Takes one byte; returns the frame, from ':' to LF, when this byte completes one.
    std::optional<QByteArray> push(char byte);
    // True while part of a frame has been collected.
    bool collecting() const { return !buffer_.isEmpty(); }
    void reset() { buffer_.clear(); }

  private:
    QByteArray buffer_;
};

}  // namespace kvir::sim
