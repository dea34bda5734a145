// The in-process port: replies queued for byte reads, virtual time-outs, the record of calls,
// the failures it can be told to produce and a peer that goes away.

#include "SimHelpers.h"
#include "sim/SimulatorPort.h"

#include <gtest/gtest.h>

namespace kvir::sim {
namespace {

// Reads until nothing more comes.
QByteArray Drain(SimulatorPort& port) {
    QByteArray bytes;
    while (auto byte = port.readByte()) {
        bytes.append(static_cast<char>(*byte));
    }
    return bytes;
}

TEST(SimulatorPort, RepliesArriveByteByByteAndEmptyReadsCostTheTimeOut) {
    Simulator sim;
    SimulatorPort port(sim);
    ASSERT_TRUE(port.open(QStringLiteral("COM1"), {}));
    ASSERT_TRUE(port.write(":010FF0\r\n"));
    EXPECT_EQ(port.pendingBytes(), 55);
    EXPECT_EQ(Drain(port), QByteArray(":010F0000CAC2C8D02D353130020000000000000000D000000037\r\n"));
    // The one read that found nothing waited one second, virtually.
    EXPECT_EQ(port.virtualWaitMs(), 1000);

    // A request split over two writes is answered once it is complete.
    ASSERT_TRUE(port.write(":01"));
    EXPECT_EQ(port.pendingBytes(), 0);
    ASSERT_TRUE(port.write("00FF\r\n"));
    EXPECT_EQ(Drain(port), QByteArray(":0100FF\r\n"));
    EXPECT_EQ(port.virtualWaitMs(), 2000);

    // The read time-out is the one applied last.
    kvir::PortTimeouts timeouts;
    timeouts.readTotalConstant = 250;
    ASSERT_TRUE(port.applyTimeouts(timeouts));
    EXPECT_FALSE(port.readByte());
    EXPECT_EQ(port.virtualWaitMs(), 2250);
}

TEST(SimulatorPort, PurgeDropsAWaitingReply) {
    Simulator sim;
    SimulatorPort port(sim);
    ASSERT_TRUE(port.open(QStringLiteral("/dev/ttyS0"), {}));
    port.write(":0100FF\r\n");
    port.readByte();
    ASSERT_TRUE(port.purge());
    EXPECT_EQ(port.pendingBytes(), 0);
    // A half-written request is dropped as well.
    port.write(":0100");
    port.purge();
    port.write("FF\r\n");
    EXPECT_EQ(port.pendingBytes(), 0);
    EXPECT_EQ(sim.requestLog().size(), 1);
}

TEST(SimulatorPort, RecordsTheCallsInOrder) {
    Simulator sim;
    SimulatorPort port(sim);
    kvir::LineSettings settings;
    settings.dtr = false;
    ASSERT_TRUE(port.open(QStringLiteral("COM2"), settings));
    settings.parity = 'N';
    port.applyLineSettings(settings);
    port.applyTimeouts({});
    port.setQueueSizes(256, 256);
    port.purge();
    port.write(":0100FF\r\n");
    port.close();
    EXPECT_EQ(port.calls(), (QStringList{
                                QStringLiteral("open COM2 9600 E 8 1 dtr=0 rts=1"),
                                QStringLiteral("lineSettings 9600 N 8 1 dtr=0 rts=1"),
                                QStringLiteral("timeouts 0 0 1000 0 0"),
                                QStringLiteral("queueSizes 256 256"),
                                QStringLiteral("purge"),
                                QStringLiteral("write :0100FF"),
                                QStringLiteral("close"),
                            }));
}

TEST(SimulatorPort, FailsWhereToldTo) {
    using Step = SimulatorPort::Step;
    struct Case {
        Step step;
        QString lastCall;
    };
    const Case cases[] = {
        {Step::Open, QStringLiteral("open COM1 9600 E 8 1 dtr=1 rts=1 -> failed")},
        {Step::LineSettings, QStringLiteral("lineSettings 9600 E 8 1 dtr=1 rts=1 -> failed")},
        {Step::Timeouts, QStringLiteral("timeouts 0 0 1000 0 0 -> failed")},
        {Step::QueueSizes, QStringLiteral("queueSizes 256 256 -> failed")},
        {Step::Purge, QStringLiteral("purge -> failed")},
        {Step::Write, QStringLiteral("write :0100FF -> failed")},
    };
    for (const Case& c : cases) {
        Simulator sim;
        SimulatorPort port(sim);
        port.failAt(c.step);
        // An opening sequence that stops at the first failure.
        const bool ok = port.open(QStringLiteral("COM1"), {}) && port.applyLineSettings({}) &&
                        port.applyTimeouts({}) && port.setQueueSizes(256, 256) && port.purge() &&
                        port.write(":0100FF\r\n");
        EXPECT_FALSE(ok);
        EXPECT_EQ(port.calls().value(port.calls().size() - 1), c.lastCall);
        EXPECT_FALSE(port.lastError().isEmpty());
        EXPECT_TRUE(sim.requestLog().isEmpty());
    }
}

TEST(SimulatorPort, OpensOnlyItsOwnName) {
    Simulator sim;
    SimulatorPort port(sim);
    port.setDeviceName(QStringLiteral("COM3"));
    EXPECT_FALSE(port.open(QStringLiteral("COM1"), {}));
    EXPECT_FALSE(port.open(QString(), {}));
    EXPECT_FALSE(port.isOpen());
    // A closed port neither writes nor waits.
    EXPECT_FALSE(port.write(":0100FF\r\n"));
    EXPECT_FALSE(port.readByte());
    EXPECT_EQ(port.virtualWaitMs(), 0);
    ASSERT_TRUE(port.open(QStringLiteral("COM3"), {}));
    EXPECT_FALSE(port.open(QStringLiteral("COM3"), {}));
    EXPECT_TRUE(port.isOpen());
}

TEST(SimulatorPort, APeerThatGoesAwayClosesThePort) {
    struct Case {
        const char* faultText;
        QByteArray received;
    };
    const Case cases[] = {
        {"hangup@code=15", ":010F0000CAC2C8D02D35313002"},
        {"stop-after=1", ":010F0000CAC2C8D02D353130020000000000000000D000000037\r\n"},
    };
    for (const Case& c : cases) {
        Simulator sim;
        sim.addFault(*ParseFault(QLatin1String(c.faultText)));
        SimulatorPort port(sim);
        ASSERT_TRUE(port.open(QStringLiteral("COM1"), {}));
        port.write(":010FF0\r\n");
        EXPECT_EQ(Drain(port), c.received) << c.faultText;
        // The read that found the line gone returned at once and closed the port.
        EXPECT_FALSE(port.isOpen()) << c.faultText;
        EXPECT_EQ(port.virtualWaitMs(), 0) << c.faultText;
        // Opened again, the port finds nobody to talk to.
        ASSERT_TRUE(port.open(QStringLiteral("COM1"), {}));
        EXPECT_FALSE(port.write(":0100FF\r\n")) << c.faultText;
        EXPECT_EQ(sim.requestLog().size(), 1) << c.faultText;
    }
}

}  // namespace
}  // namespace kvir::sim
