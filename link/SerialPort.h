#pragma once
// The narrow transport under SerialLink: one serial device, opened exclusively, configured,
// written as whole frames and read one byte at a time with a time-out. The frame codec and
// the link logic are written only against this interface, so that they run unchanged on a
// real port, on a pseudo-terminal and on the in-memory fake.

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace kvir {

// Line settings as the instrument expects them: 9600 baud, even parity, 8 data bits,
// 1 stop bit, no handshaking.
struct LineSettings {
    int baudRate = 9600;
    char parity = 'E';  // 'N', 'E' or 'O'
    int dataBits = 8;
    int stopBits = 1;
    bool dtr = true;          // DTR line held on
    bool rts = true;          // RTS line held on
    bool discardNull = true;  // received null bytes are dropped by the driver
    bool abortOnError = false;
};

// The five communication time-outs in milliseconds. Only the read total constant matters
// for the protocol: every single-byte read waits at most that long.
struct PortTimeouts {
    int readInterval = 0;
    int readTotalMultiplier = 0;
    int readTotalConstant = 1000;
    int writeTotalMultiplier = 0;
    int writeTotalConstant = 0;
};

// Why a port could not be opened or went away, as the operator needs to hear it; the text
// for each lives with the operator texts.
enum class PortFault {
    None,
    Missing,     // no such device
    Permission,  // the user may not open it (not in the group that owns serial devices)
    Busy,        // another program holds it
    Settings,    // it opened but refused the line settings
    Io,          // it went away or failed while in use
};

class SerialPort {
  public:
    virtual ~SerialPort() = default;

    // Opens the named device for reading and writing, exclusively. `initial` are the line
    // settings the device should come up with (some drivers accept parity only here).
    virtual bool open(const QString& name, const LineSettings& initial) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    virtual bool applyLineSettings(const LineSettings& settings) = 0;
    virtual bool applyTimeouts(const PortTimeouts& timeouts) = 0;
    // Drops whatever waits in both directions.
    virtual bool purge() = 0;
    virtual bool setQueueSizes(int input, int output) = 0;

    // Blocking write of a whole frame.
    virtual bool write(const QByteArray& bytes) = 0;
    // Returns one byte, or nothing after the read time-out. A port whose peer is gone closes
    // itself here and returns nothing at once.
    virtual std::optional<quint8> readByte() = 0;
    // A hint before a reply is read: about `count` characters are expected. A port fed at line
    // speed may then wait for them in a few longer sleeps instead of waking for every
    // character; the time-out rules of readByte() do not change.
    virtual void expectBytes(int count) { (void)count; }

    // The kind of the last failure, and the system's own words for it (for diagnostics; the
    // operator is told the kind).
    virtual PortFault lastFault() const = 0;
    virtual QString lastError() const = 0;
};

using PortFactory = std::function<std::unique_ptr<SerialPort>()>;

}  // namespace kvir
