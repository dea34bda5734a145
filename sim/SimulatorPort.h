#pragma once
// An in-process serial port wired to a Simulator, for fast tests of the link and everything
// above it. Writes go to the simulator at once and its reply waits in a queue; a read with
// nothing queued returns at once and adds the read time-out to a virtual clock instead of
// sleeping. Every configuration call is recorded so that tests can check the opening steps.

#include "Simulator.h"
#include "WireFrame.h"
#include "link/SerialPort.h"

#include <QStringList>

#include <deque>

namespace kvir::sim {

class SimulatorPort : public kvir::SerialPort {
  public:
    // Steps that can be told to fail.
    enum class Step { Open, LineSettings, Timeouts, Purge, QueueSizes, Write };

    // `simulator` must outlive the port.
    explicit SimulatorPort(Simulator& simulator);

    // The only device name open() accepts; empty (the default) accepts any non-empty name.
    void setDeviceName(const QString& name) { deviceName_ = name; }
    void failAt(Step step, bool fail = true);

    // The calls so far, one line each, e.g. "open COM1 9600 E 8 1 dtr=1 rts=1",
    // "lineSettings 9600 E 8 1 dtr=1 rts=1", "timeouts 0 0 1000 0 0", "purge",
    // "queueSizes 256 256", "write :0100FF", "close". A failed call ends in " -> failed".
    QStringList calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }
    // Milliseconds the reads with nothing to read would have waited.
    qint64 virtualWaitMs() const { return virtualWaitMs_; }
    // Reply bytes waiting to be read.
    int pendingBytes() const { return static_cast<int>(pending_.size()); }

    bool open(const QString& name, const kvir::LineSettings& initial) override;
    void close() override;
    bool isOpen() const override { return open_; }
    bool applyLineSettings(const kvir::LineSettings& settings) override;
    bool applyTimeouts(const kvir::PortTimeouts& timeouts) override;
    bool purge() override;
    bool setQueueSizes(int input, int output) override;
    bool write(const QByteArray& bytes) override;
    std::optional<quint8> readByte() override;
    kvir::PortFault lastFault() const override { return lastFault_; }
    QString lastError() const override { return lastError_; }

  private:
    bool record(const QString& call, Step step);

    Simulator& simulator_;
    QString deviceName_;
    unsigned failing_ = 0;
    bool open_ = false;
    bool peerGone_ = false;
    int readTimeoutMs_ = kvir::PortTimeouts{}.readTotalConstant;
    qint64 virtualWaitMs_ = 0;
    std::deque<char> pending_;
    FrameCollector collector_;
    QStringList calls_;
    kvir::PortFault lastFault_ = kvir::PortFault::None;
    QString lastError_;
};

QString FormatLineSettings(const kvir::LineSettings& settings);

}  // namespace kvir::sim
