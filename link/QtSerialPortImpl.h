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
    QString lastError() const override { return lastError_; }

    // True when the open device is a pseudo-terminal (no parity, no modem lines).
    bool isPseudoTerminal() const { return pseudoTerminal_; }

  private:
    bool fail(const QString& what);
    bool setModemLines(bool dtr, bool rts);

    QSerialPort port_;
    int readTimeoutMs_ = 1000;
    bool pseudoTerminal_ = false;
    QString lastError_;
};

// A factory for SerialLink that makes QtSerialPortImpl objects.
PortFactory QtPortFactory();

}  // namespace kvir
