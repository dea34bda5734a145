#pragma once
// The real serial port: QSerialPort on a device path. Works on a Linux pseudo-terminal too,
// where parity can only be chosen before opening and the modem lines cannot be set; neither
// is a failure of the link there.

#include "SerialPort.h"

#include <QSerialPort>

namespace kvir {

class QtSerialPortImpl final : public SerialPort {
  public:
    QtSerialPortImpl();
    ~QtSerialPortImpl() override;

    bool open(const QString& name, const LineSettings& initial) override;
    void close() override;
    bool isOpen() const override;
    bool applyLineSettings(const LineSettings& settings) override;
    bool applyTimeouts(const PortTimeouts& timeouts) override;
    bool purge() override;
    bool setQueueSizes(int input, int output) override;
    bool write(const QByteArray& bytes) override;
    std::optional<quint8> readByte() override;
    void expectBytes(int count) override { expected_ = count; }
    PortFault lastFault() const override { return lastFault_; }
    QString lastError() const override { return lastError_; }

    // True when the open device is a pseudo-terminal (no parity, no modem lines).
    bool isPseudoTerminal() const { return pseudoTerminal_; }

  private:
    bool fail(const QString& what, PortFault fault = PortFault::Io);
    bool setModemLines(bool dtr, bool rts);
    // Waits until a byte can be read; false after the time-out or when the port went away.
    bool waitForInput();

    QSerialPort port_;
    int readTimeoutMs_ = 1000;
    int charMicros_ = 1146;  // one character of 11 bits at 9600 baud
    int expected_ = 0;       // characters of the reply still to come, by expectBytes()
    bool pseudoTerminal_ = false;
    PortFault lastFault_ = PortFault::None;
    QString lastError_;
};

// A factory for SerialLink that makes QtSerialPortImpl objects.
PortFactory QtPortFactory();

}  // namespace kvir
