#include "QtSerialPortImpl.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

#include <algorithm>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

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

// Why a device did not open. Qt reports a device held by another program (its lock file, or
// TIOCEXCL) and missing permissions alike, so the device's access rights decide.
PortFault OpenFault(const QString& name, QSerialPort::SerialPortError error) {
    const QString path = name.startsWith(u'/') ? name : QStringLiteral("/dev/") + name;
    if (error == QSerialPort::DeviceNotFoundError || !QFileInfo::exists(path)) {
        return PortFault::Missing;
    }
    if (error == QSerialPort::PermissionError) {
        const QByteArray native = QFile::encodeName(path);
        return ::access(native.constData(), R_OK | W_OK) != 0 ? PortFault::Permission
                                                              : PortFault::Busy;
    }
    if (error == QSerialPort::OpenError) {
        return PortFault::Busy;
    }
    return PortFault::Io;
}

// Characters still expected after which a trickling reply is worth sleeping for, and the
// longest such sleep: short enough that a reply cut short costs little, long enough that a
// page of a thousand characters wakes the thread a few dozen times instead of a thousand.
constexpr int kCoalesceMargin = 4;
constexpr qint64 kCoalesceMaxMicros = 40000;

}  // namespace

QtSerialPortImpl::QtSerialPortImpl() = default;

QtSerialPortImpl::~QtSerialPortImpl() {
    close();
}

bool QtSerialPortImpl::fail(const QString& what, PortFault fault) {
    lastFault_ = fault;
    lastError_ = port_.portName().isEmpty() ? what + QStringLiteral(": ") + port_.errorString()
                                            : port_.portName() + QStringLiteral(": ") + what +
                                                  QStringLiteral(": ") + port_.errorString();
    port_.clearError();
    return false;
}

bool QtSerialPortImpl::open(const QString& name, const LineSettings& initial) {
    close();
    if (name.isEmpty()) {
        lastFault_ = PortFault::Missing;
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
        return fail(QStringLiteral("open"), OpenFault(name, port_.error()));
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
        return fail(QStringLiteral("DTR"), PortFault::Settings);
    }
    if (!port_.setRequestToSend(rts)) {
        return fail(QStringLiteral("RTS"), PortFault::Settings);
    }
    return true;
}

bool QtSerialPortImpl::applyLineSettings(const LineSettings& settings) {
    if (!port_.isOpen()) {
        lastFault_ = PortFault::Io;
        lastError_ = QStringLiteral("port not open");
        return false;
    }
    if (!port_.setBaudRate(settings.baudRate)) {
        return fail(QStringLiteral("baud rate"), PortFault::Settings);
    }
    if (!port_.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits))) {
        return fail(QStringLiteral("data bits"), PortFault::Settings);
    }
    if (!port_.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop)) {
        return fail(QStringLiteral("stop bits"), PortFault::Settings);
    }
    // The kernel keeps a pseudo-terminal at 8 bits without parity; that is no failure.
    if (!pseudoTerminal_ && !port_.setParity(ToQtParity(settings.parity))) {
        return fail(QStringLiteral("parity"), PortFault::Settings);
    }
    if (!port_.setFlowControl(QSerialPort::NoFlowControl)) {
        return fail(QStringLiteral("flow control"), PortFault::Settings);
    }
    // Start bit, data bits, parity bit and stop bits of one character.
    const int bits = 1 + settings.dataBits + (settings.parity == 'N' ? 0 : 1) + settings.stopBits;
    charMicros_ = settings.baudRate > 0 ? bits * 1000000 / settings.baudRate : 0;
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

bool QtSerialPortImpl::waitForInput() {
    QDeadlineTimer deadline(readTimeoutMs_);
    while (port_.bytesAvailable() == 0) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0) {
            return false;
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
            return false;
        }
    }
    // A reply arrives at line speed, one character at a time. Rather than waking for each,
    // sleep until most of what is still expected has had time to arrive, then take it in.
    const qint64 missing = expected_ - port_.bytesAvailable();
    if (missing > kCoalesceMargin && charMicros_ > 0) {
        const qint64 micros =
            std::min((missing - kCoalesceMargin) * charMicros_, kCoalesceMaxMicros);
        QThread::usleep(static_cast<unsigned long>(micros));
        if (!port_.waitForReadyRead(0)) {
            port_.clearError();
        }
    }
    return true;
}

std::optional<quint8> QtSerialPortImpl::readByte() {
    if (!port_.isOpen()) {
        return std::nullopt;
    }
    if (port_.bytesAvailable() == 0 && !waitForInput()) {
        return std::nullopt;
    }
    char c = 0;
    if (!port_.getChar(&c)) {
        return std::nullopt;
    }
    if (expected_ > 0) {
        --expected_;
    }
    return static_cast<quint8>(c);
}

PortFactory QtPortFactory() {
    return [] { return std::make_unique<QtSerialPortImpl>(); };
}

}  // namespace kvir
