#include "SimulatorPort.h"

#include <algorithm>

namespace kvir::sim {

namespace {

unsigned Bit(SimulatorPort::Step step) {
    return 1u << static_cast<unsigned>(step);
}

}  // namespace

QString FormatLineSettings(const kvir::LineSettings& s) {
    return QStringLiteral("%1 %2 %3 %4 dtr=%5 rts=%6")
        .arg(s.baudRate)
        .arg(QLatin1Char(s.parity))
        .arg(s.dataBits)
        .arg(s.stopBits)
        .arg(s.dtr ? 1 : 0)
        .arg(s.rts ? 1 : 0);
}

SimulatorPort::SimulatorPort(Simulator& simulator) : simulator_(simulator) {}

void SimulatorPort::failAt(Step step, bool fail) {
    failing_ = fail ? failing_ | Bit(step) : failing_ & ~Bit(step);
}

bool SimulatorPort::record(const QString& call, Step step) {
    const bool fails = (failing_ & Bit(step)) != 0;
    calls_ << (fails ? call + QStringLiteral(" -> failed") : call);
    if (fails) {
        lastFault_ = kvir::PortFault::Settings;
        lastError_ = QStringLiteral("Simulated failure");
    }
    return !fails;
}

bool SimulatorPort::open(const QString& name, const kvir::LineSettings& initial) {
    if (!record(QStringLiteral("open %1 %2").arg(name, FormatLineSettings(initial)), Step::Open)) {
        return false;
    }
    if (open_) {
        lastFault_ = kvir::PortFault::Busy;
        lastError_ = QStringLiteral("Device is already open");
        return false;
    }
    if (name.isEmpty() || (!deviceName_.isEmpty() && name != deviceName_)) {
        lastFault_ = kvir::PortFault::Missing;
        lastError_ = QStringLiteral("No such file or directory");
        return false;
    }
    open_ = true;
    peerGone_ = false;
    pending_.clear();
    collector_.reset();
    return true;
}

void SimulatorPort::close() {
    calls_ << QStringLiteral("close");
    open_ = false;
    pending_.clear();
}

bool SimulatorPort::applyLineSettings(const kvir::LineSettings& settings) {
    return open_ && record(QStringLiteral("lineSettings %1").arg(FormatLineSettings(settings)),
                           Step::LineSettings);
}

bool SimulatorPort::applyTimeouts(const kvir::PortTimeouts& t) {
    if (!open_ || !record(QStringLiteral("timeouts %1 %2 %3 %4 %5")
                              .arg(t.readInterval)
                              .arg(t.readTotalMultiplier)
                              .arg(t.readTotalConstant)
                              .arg(t.writeTotalMultiplier)
                              .arg(t.writeTotalConstant),
                          Step::Timeouts)) {
        return false;
    }
    readTimeoutMs_ = t.readTotalConstant;
    return true;
}

bool SimulatorPort::purge() {
    if (!open_ || !record(QStringLiteral("purge"), Step::Purge)) {
        return false;
    }
    pending_.clear();
    collector_.reset();
    return true;
}

bool SimulatorPort::setQueueSizes(int input, int output) {
    return open_ &&
           record(QStringLiteral("queueSizes %1 %2").arg(input).arg(output), Step::QueueSizes);
}

bool SimulatorPort::write(const QByteArray& bytes) {
    QByteArray shown = bytes;
    if (shown.endsWith("\r\n")) {
        shown.chop(2);
    }
    if (!open_ ||
        !record(QStringLiteral("write %1").arg(QString::fromLatin1(shown)), Step::Write)) {
        return false;
    }
    if (peerGone_ || simulator_.isGone()) {
        // A pseudo-terminal whose other side was closed refuses writes.
        lastFault_ = kvir::PortFault::Io;
        lastError_ = QStringLiteral("Input/output error");
        return false;
    }
    for (char c : bytes) {
        const auto frame = collector_.push(c);
        if (!frame) {
            continue;
        }
        const Reply reply = simulator_.handleRequest(*frame);
        const qsizetype sent = reply.hangUpAfter >= 0
                                   ? std::min<qsizetype>(reply.hangUpAfter, reply.bytes.size())
                                   : reply.bytes.size();
        pending_.insert(pending_.end(), reply.bytes.begin(), reply.bytes.begin() + sent);
        if (reply.hangUpAfter >= 0 || reply.stop) {
            peerGone_ = true;
            break;
        }
    }
    return true;
}

std::optional<quint8> SimulatorPort::readByte() {
    if (!open_) {
        return std::nullopt;
    }
    if (!pending_.empty()) {
        const auto byte = static_cast<quint8>(pending_.front());
        pending_.pop_front();
        return byte;
    }
    if (peerGone_) {
        // The other side hung up: the port closes itself and the read returns at once.
        lastFault_ = kvir::PortFault::Io;
        lastError_ = QStringLiteral("The other side closed the line");
        calls_ << QStringLiteral("close (peer gone)");
        open_ = false;
        return std::nullopt;
    }
    virtualWaitMs_ += readTimeoutMs_;
    return std::nullopt;
}

}  // namespace kvir::sim
