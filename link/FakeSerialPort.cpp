#include "FakeSerialPort.h"

namespace kvir {

FakeSerialPort::FakeSerialPort(std::shared_ptr<FakePortState> state) : state_(std::move(state)) {}

FakeSerialPort::~FakeSerialPort() {
    close();
}

bool FakeSerialPort::fail(PortFault fault, const char* text) {
    lastFault_ = fault;
    lastError_ = QString::fromLatin1(text);
    return false;
}

bool FakeSerialPort::open(const QString& name, const LineSettings& initial) {
    Q_UNUSED(initial);
    state_->calls << QStringLiteral("open ") + name;
    if (name.isEmpty() || (!state_->present.empty() && !state_->present.contains(name))) {
        return fail(PortFault::Missing, "No such file or directory");
    }
    if (state_->denied.contains(name)) {
        return fail(PortFault::Permission, "Permission denied");
    }
    if (state_->busy.contains(name) || state_->isOpen) {
        return fail(PortFault::Busy, "Device or resource busy");
    }
    state_->isOpen = true;
    state_->openName = name;
    state_->lineCalls = 0;
    ++state_->openCount;
    mine_ = true;
    return true;
}

void FakeSerialPort::close() {
    if (mine_) {
        state_->calls << QStringLiteral("close");
        state_->isOpen = false;
        mine_ = false;
    }
}

bool FakeSerialPort::isOpen() const {
    return mine_ && state_->isOpen;
}

bool FakeSerialPort::applyLineSettings(const LineSettings& s) {
    ++state_->lineCalls;
    state_->calls << QStringLiteral("line %1 %2 %3 %4 dtr=%5 rts=%6")
                         .arg(s.baudRate)
                         .arg(QChar::fromLatin1(s.parity))
                         .arg(s.dataBits)
                         .arg(s.stopBits)
                         .arg(s.dtr ? 1 : 0)
                         .arg(s.rts ? 1 : 0);
    if (state_->failingSteps.contains(QStringLiteral("line")) ||
        (state_->lineCalls == 2 && state_->failingSteps.contains(QStringLiteral("line2")))) {
        return fail(PortFault::Settings, "Invalid argument");
    }
    return isOpen();
}

bool FakeSerialPort::applyTimeouts(const PortTimeouts& t) {
    state_->calls << QStringLiteral("timeouts %1").arg(t.readTotalConstant);
    state_->readTimeoutMs = t.readTotalConstant;
    if (state_->failingSteps.contains(QStringLiteral("timeouts"))) {
        return fail(PortFault::Settings, "Invalid argument");
    }
    return isOpen();
}

bool FakeSerialPort::purge() {
    state_->calls << QStringLiteral("purge");
    state_->rx.clear();
    return isOpen();
}

bool FakeSerialPort::setQueueSizes(int input, int output) {
    state_->calls << QStringLiteral("queues %1 %2").arg(input).arg(output);
    return isOpen();
}

bool FakeSerialPort::write(const QByteArray& bytes) {
    state_->calls << QStringLiteral("write");
    if (!isOpen()) {
        return false;
    }
    if (state_->peerGone) {
        return fail(PortFault::Io, "Input/output error");
    }
    state_->written << bytes;
    if (state_->peer) {
        const QByteArray reply = state_->peer(bytes);
        for (char c : reply) {
            state_->rx.push_back(static_cast<quint8>(c));
        }
    }
    return true;
}

std::optional<quint8> FakeSerialPort::readByte() {
    if (isOpen() && state_->rx.empty() && state_->peerGone) {
        // The far end went away: the port closes itself and the read returns at once.
        state_->calls << QStringLiteral("close (peer gone)");
        state_->isOpen = false;
        mine_ = false;
        lastFault_ = PortFault::Io;
        lastError_ = QStringLiteral("The other side closed the line");
        return std::nullopt;
    }
    if (!isOpen() || state_->rx.empty()) {
        state_->virtualMs += state_->readTimeoutMs;
        return std::nullopt;
    }
    const quint8 b = state_->rx.front();
    state_->rx.pop_front();
    return b;
}

PortFactory FakePortFactory(std::shared_ptr<FakePortState> state) {
    return [state] { return std::make_unique<FakeSerialPort>(state); };
}

}  // namespace kvir
