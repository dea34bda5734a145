#pragma once
// The device link: the process's one serial port (SerialLink) and the ASCII-hex frame codec
// that is the only code reading from or writing to it.

#include "ExchangeResult.h"
#include "SerialPort.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

#include <functional>
#include <memory>

// Every frame sent and received, with its direction; off by default
// ("kvir.link.frames.debug=true" in QT_LOGGING_RULES, or kvir-cli --trace, turns it on).
Q_DECLARE_LOGGING_CATEGORY(lcFrames)

namespace kvir {

class SerialLink {
  public:
    using Waiter = std::function<void(int milliseconds)>;

    // `factory` makes a fresh port object for every probe and open; `wait` sleeps (tests pass
    // a recorder instead of a real sleep).
    explicit SerialLink(PortFactory factory, Waiter wait = {});
    ~SerialLink();
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;

    // 0 when the named device opens (it is closed again at once), -1 otherwise. Never
    // touches the link itself.
    int ProbePort(const QString& name);
    // Opens and configures the link; 0 on success, -1 on any failure. A failure after the
    // device opened leaves it open until ClosePort.
    int OpenPort(const QString& name);
    void ClosePort();

    // Open exactly when a device is held and still usable.
    bool isOpen() const;
    SerialPort* port() { return port_.get(); }

    // Why the last probe, open or read failed: its kind for the operator, the system's own
    // words for diagnostics.
    PortFault lastFault() const;
    QString lastError() const;

    const LineSettings& portSettings() const { return portSettings_; }
    const PortTimeouts& portTimeouts() const { return portTimeouts_; }

    // The wait after a successful open, in milliseconds.
    static constexpr int kSettleMs = 400;
    static constexpr int kQueueSize = 256;

  private:
    PortFactory factory_;
    Waiter wait_;
    std::unique_ptr<SerialPort> port_;
    LineSettings portSettings_;
    PortTimeouts portTimeouts_;
    PortFault lastFault_ = PortFault::None;
    QString lastError_;
};

// ---- Frame codec ----------------------------------------------------------------------

constexpr int kFrameLimit = 1200;       // characters read at most for one reply frame
constexpr int kReplyBufferSize = 2000;  // the shared reply buffer
constexpr int kMaxDataCount = 127;      // largest data count of codes 18, 20 and 21

// The request frame for a message, or an empty array when the data count is refused
// (128 or more for codes 18, 20 and 21). For codes 18, 20 and 21 `count` is the number of
// data bytes; code 20 carries half of it on the wire.
QByteArray EncodeRequest(quint8 address, quint8 code, quint16 start, int count,
                         const QByteArray& data);

// Purges the link and writes one request frame. 0 when written, -1 when refused (bad count
// or a closed link).
int SendRequest(SerialLink& link, quint8 address, quint8 code, quint16 start, int count,
                const QByteArray& data = {});

// Collects one frame's text byte by byte: a colon restarts the frame, CR LF with at least
// one character before the CR ends it, other LFs are dropped, and so are NUL bytes (the line
// settings promise that the driver drops them; not every driver does).
class FrameAssembler {
  public:
    // Feeds one byte; true when it completed a frame (then text() holds it without CR).
    bool feed(quint8 byte);
    const QByteArray& text() const { return text_; }
    void reset() { text_.clear(); }

  private:
    QByteArray text_;
};

// Reads one frame's text into `text`; returns its length (characters between the colon and
// the CR), or 0 when a byte read timed out or `limit` bytes gave no frame. `expected` is the
// length of the whole frame the request should bring (0: unknown), a hint for the port.
int ReadFrame(SerialLink& link, QByteArray& text, int limit = kFrameLimit, int expected = 0);

// The characters of the reply frame a request of `code` for `count` bytes or words should
// bring, colon and CR LF included; 0 when the code has no fixed reply.
int ExpectedReplyLength(quint8 code, int count);

// Checks a frame's text and delivers the payload by the reply table. Pure: the fuzz target.
ExchangeResult DecodeReply(const QByteArray& text, quint8 expectedAddress, QByteArray& payload);

// ReadFrame then DecodeReply; `expected` as for ReadFrame.
ExchangeResult ReceiveReply(SerialLink& link, quint8 expectedAddress, QByteArray& payload,
                            int expected = 0);

}  // namespace kvir
