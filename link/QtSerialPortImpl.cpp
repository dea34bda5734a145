#include "QtSerialPortImpl.h"

#include <QDeadlineTimer>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace kvir {

namespace {

QSerialPort::Parity ToQtParity(char parity) {
    switch (parity) {
        case 'E':
            return QSerialPort::EvenParity;
        case 'O':
            return QSerialPort::OddParity;
        default:
            return QSerialPort::NoParity;
    }
}

// Unix98 pseudo-terminal slaves have the major numbers 136 to 143.
bool IsPseudoTerminal(int fd) {
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
        return false;
    }
    const unsigned int m = major(st.st_rdev);
    return m >= 136 && m <= 143;
}

}  // namespace

QtSerialPortImpl::QtSerialPortImpl() = default;

QtSerialPortImpl::~QtSerialPortImpl() {
    close();
}

bool QtSerialPortImpl::fail(const QString& what) {
    lastError_ = port_.portName().isEmpty() ? what + QStringLiteral(": ") + port_.errorString()
                                            : port_.portName() + QStringLiteral(": ") + what +
                                                  QStringLiteral(": ") + port_.errorString();
    port_.clearError();
    return false;
}

bool QtSerialPortImpl::open(const QString& name, const LineSettings& initial) {
    close();
    if (name.isEmpty()) {
        lastError_ = QStringLiteral("empty port name");
        return false;
    }
    port_.setPortName(name);
    // Chosen before opening: a pseudo-terminal accepts parity only at this point.
    port_.setBaudRate(initial.baudRate);
    port_.setParity(ToQtParity(initial.parity));
    port_.setDataBits(static_cast<QSerialPort::DataBits>(initial.dataBits));
    port_.setStopBits(initial.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        return fail(QStringLiteral("open"));
    }
    pseudoTerminal_ = IsPseudoTerminal(static_cast<int>(port_.handle()));
    return true;
}

void QtSerialPortImpl::close() {
    if (port_.isOpen()) {
        port_.close();
    }
    port_.clearError();
}

bool QtSerialPortImpl::isOpen() const {
    return port_.isOpen();
}

bool QtSerialPortImpl::setModemLines(bool dtr, bool rts) {
    if (pseudoTerminal_) {
        return true;  // a pseudo-terminal has no modem lines
    }
    if (!port_.setDataTerminalReady(dtr)) {
        return fail(QStringLiteral("DTR"));
    }
    if (!port_.setRequestToSend(rts)) {
        return fail(QStringLiteral("RTS"));
    }
    return true;
}

bool QtSerialPortImpl::applyLineSettings(const LineSettings& settings) {
    if (!port_.isOpen()) {
        lastError_ = QStringLiteral("port not open");
        return false;
    }
    if (!port_.setBaudRate(settings.baudRate)) {
        return fail(QStringLiteral("baud rate"));
    }
    if (!port_.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits))) {
        return fail(QStringLiteral("data bits"));
    }
    if (!port_.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop)) {
        return fail(QStringLiteral("stop bits"));
    }
    // The kernel keeps a pseudo-terminal at 8 bits without parity; that is no failure.
    if (!pseudoTerminal_ && !port_.setParity(ToQtParity(settings.parity))) {
        return fail(QStringLiteral("parity"));
    }
    if (!port_.setFlowControl(QSerialPort::NoFlowControl)) {
        return fail(QStringLiteral("flow control"));
    }
    return setModemLines(settings.dtr, settings.rts);
}

bool QtSerialPortImpl::applyTimeouts(const PortTimeouts& timeouts) {
    readTimeoutMs_ = timeouts.readTotalConstant;
    return port_.isOpen();
}

bool QtSerialPortImpl::purge() {
    if (!port_.isOpen()) {
        return false;
    }
    // Drops the driver's queues and what Qt has already buffered.
    port_.readAll();
    const bool ok = port_.clear(QSerialPort::AllDirections);
    port_.clearError();
    return ok;
}

bool QtSerialPortImpl::setQueueSizes(int input, int output) {
    // The driver's queues are the kernel's; Qt's own buffer is left unbounded so that a whole
    // reply can wait in it while the codec takes it byte by byte.
    Q_UNUSED(input);
    Q_UNUSED(output);
    return port_.isOpen();
}

bool QtSerialPortImpl::write(const QByteArray& bytes) {
    if (!port_.isOpen()) {
        return false;
    }
    if (port_.write(bytes) != bytes.size()) {
        return fail(QStringLiteral("write"));
    }
    // No write time-out: wait until the frame has left.
    while (port_.bytesToWrite() > 0) {
        if (!port_.waitForBytesWritten(1000)) {
            if (port_.error() == QSerialPort::TimeoutError) {
                port_.clearError();
                continue;
            }
            const bool ok = fail(QStringLiteral("write"));
            close();
            return ok;
        }
    }
    return true;
}

std::optional<quint8> QtSerialPortImpl::readByte() {
    if (!port_.isOpen()) {
        return std::nullopt;
    }
    QDeadlineTimer deadline(readTimeoutMs_);
    while (port_.bytesAvailable() == 0) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0) {
            return std::nullopt;
        }
        if (!port_.waitForReadyRead(static_cast<int>(left))) {
            const QSerialPort::SerialPortError error = port_.error();
            if (error == QSerialPort::TimeoutError || error == QSerialPort::NoError) {
                port_.clearError();
                continue;  // the deadline decides
            }
            // The peer hung up or the device went away: Qt would report the same error on
            // every further wait. Close the port so the exchange ends with "no reply".
            fail(QStringLiteral("read"));
            close();
            return std::nullopt;
        }
    }
    char c = 0;
    if (port_.getChar(&c)) {
        return static_cast<quint8>(c);
    }
    return std::nullopt;
}

PortFactory QtPortFactory() {
    return [] { return std::make_unique<QtSerialPortImpl>(); };
}

}  // namespace kvir
