#pragma once
// An in-memory serial port for tests: it records every call, hands each written frame to a
// peer function that may queue reply bytes, and answers reads from that queue. A read with
// nothing queued returns at once and adds the read time-out to a virtual clock instead of
// waiting. A peer that hangs up (peerGone) refuses further frames; once its last bytes are
// read the port closes itself, as a real port whose far end went away does.

#include "SerialPort.h"

#include <QStringList>

#include <deque>
#include <memory>
#include <set>

namespace kvir {

struct FakePortState {
    // Names that open; an empty set lets every non-empty name open.
    std::set<QString> present;
    // Names that exist but are held by another program, or that the user may not open.
    std::set<QString> busy;
    std::set<QString> denied;
    // Steps that fail: "line" (every line-settings call), "line2" (the second one only),
    // "timeouts".
    std::set<QString> failingSteps;

    // Called with every written frame; returns the bytes the far end sends back.
    std::function<QByteArray(const QByteArray& frame)> peer;
    bool peerGone = false;

    std::deque<quint8> rx;
    QList<QByteArray> written;
    QStringList calls;     // "open NAME", "line 9600 E 8 1 dtr=1 rts=1", "timeouts 1000",
                           // "purge", "queues 256 256", "write", "close"
    qint64 virtualMs = 0;  // time spent waiting for bytes that never came
    int openCount = 0;
    int readTimeoutMs = 1000;
    int lineCalls = 0;
    bool isOpen = false;
    QString openName;
};

class FakeSerialPort final : public SerialPort {
  public:
    explicit FakeSerialPort(std::shared_ptr<FakePortState> state);
    ~FakeSerialPort() override;

    bool open(const QString& name, const LineSettings& initial) override;
    void close() override;
    bool isOpen() const override;
    bool applyLineSettings(const LineSettings& settings) override;
    bool applyTimeouts(const PortTimeouts& timeouts) override;
    bool purge() override;
    bool setQueueSizes(int input, int output) override;
    bool write(const QByteArray& bytes) override;
    std::optional<quint8> readByte() override;
    PortFault lastFault() const override { return lastFault_; }
    QString lastError() const override { return lastError_; }

  private:
    bool fail(PortFault fault, const char* text);

    std::shared_ptr<FakePortState> state_;
    bool mine_ = false;  // this object holds the state's open device
    PortFault lastFault_ = PortFault::None;
    QString lastError_;
};

// A factory whose ports all share one state (one fake device bus).
PortFactory FakePortFactory(std::shared_ptr<FakePortState> state);

}  // namespace kvir
