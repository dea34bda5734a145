// The simulator as the far end of the in-memory port: replies queued for byte reads, virtual
// time-outs, and a far end that goes away.

#include "SimHelpers.h"
#include "sim/SimulatorPeer.h"

#include <gtest/gtest.h>

namespace kvir::sim {
namespace {

QByteArray Drain(SerialPort& port) {
    QByteArray bytes;
    while (auto byte = port.readByte()) {
        bytes.append(static_cast<char>(*byte));
    }
    return bytes;
}

TEST(SimulatorPeer, RepliesArriveByteByByteAndEmptyReadsCostTheTimeOut) {
    Simulator sim;
    auto state = std::make_shared<FakePortState>();
    AttachSimulator(*state, sim);
    FakeSerialPort port(state);
    ASSERT_TRUE(port.open(QStringLiteral("COM1"), {}));
    ASSERT_TRUE(port.write(":010FF0\r\n"));
    EXPECT_EQ(Drain(port), QByteArray(":010F0000CAC2C8D02D353130020000000000000000D000000037\r\n"));
    // The one read that found nothing waited one second, virtually.
    EXPECT_EQ(state->virtualMs, 1000);
}

TEST(SimulatorPeer, AFarEndThatGoesAwayClosesThePort) {
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
        auto state = std::make_shared<FakePortState>();
        AttachSimulator(*state, sim);
        FakeSerialPort port(state);
        ASSERT_TRUE(port.open(QStringLiteral("COM1"), {}));
        port.write(":010FF0\r\n");
        EXPECT_EQ(Drain(port), c.received) << c.faultText;
        // The read that found the line gone returned at once and closed the port.
        EXPECT_FALSE(port.isOpen()) << c.faultText;
        EXPECT_EQ(port.lastFault(), PortFault::Io) << c.faultText;
        EXPECT_EQ(state->virtualMs, 0) << c.faultText;
        // Opened again, the port finds nobody to talk to.
        ASSERT_TRUE(port.open(QStringLiteral("COM1"), {}));
        EXPECT_FALSE(port.write(":0100FF\r\n")) << c.faultText;
        EXPECT_EQ(sim.requestLog().size(), 1) << c.faultText;
    }
}

}  // namespace
}  // namespace kvir::sim
