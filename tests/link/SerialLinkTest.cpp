// Probing, opening and closing the link over the in-memory port.
#include "link/FakeSerialPort.h"
#include "link/Util_comport.h"

#include <gtest/gtest.h>

using namespace kvir;

namespace {

struct Bus {
    std::shared_ptr<FakePortState> state = std::make_shared<FakePortState>();
    QList<int> waits;
    SerialLink link{FakePortFactory(state), [this](int ms) { waits << ms; }};
};

}  // namespace

TEST(SerialLink, OpenPortStepsInOrder) {
    Bus bus;
    ASSERT_EQ(bus.link.OpenPort("COM3"), 0);
    EXPECT_TRUE(bus.link.isOpen());
    const QStringList expected = {
        "open COM3",
        "line 9600 E 8 1 dtr=1 rts=1",  // DTR raised
        "timeouts 1000",
        "line 9600 E 8 1 dtr=0 rts=1",  // DTR dropped, RTS stays on
        "purge",
        "queues 256 256",
    };
    EXPECT_EQ(bus.state->calls, expected);
    EXPECT_EQ(bus.waits, QList<int>{400}) << "returns only after the 400 ms wait";
    EXPECT_EQ(bus.link.portTimeouts().readTotalConstant, 1000);
    EXPECT_FALSE(bus.link.portSettings().dtr);
    EXPECT_TRUE(bus.link.portSettings().rts);
}

TEST(SerialLink, FailuresOfTheOpeningSteps) {
    struct Case {
        const char* name;
        QString port;
        QString failingStep;
        bool heldOpen;  // the device stays open in the link until ClosePort
    };
    const Case cases[] = {
        {"empty name", "", "", false},
        {"missing device", "COM9", "", false},
        {"line settings refused", "COM1", "line", true},
        {"time-outs refused", "COM1", "timeouts", true},
        {"DTR drop refused", "COM1", "line2", true},
    };
    for (const Case& c : cases) {
        Bus bus;
        bus.state->present = {"COM1"};
        if (!c.failingStep.isEmpty()) {
            bus.state->failingSteps.insert(c.failingStep);
        }
        EXPECT_EQ(bus.link.OpenPort(c.port), -1) << c.name;
        EXPECT_EQ(bus.link.isOpen(), c.heldOpen) << c.name;
        EXPECT_TRUE(bus.waits.isEmpty()) << c.name;
        EXPECT_FALSE(bus.link.lastError().isEmpty()) << c.name;
        bus.link.ClosePort();
        EXPECT_FALSE(bus.link.isOpen()) << c.name;
        EXPECT_FALSE(bus.state->isOpen) << c.name;
        bus.link.ClosePort();  // closing a closed link does nothing
    }
}

TEST(SerialLink, ProbeLeavesPortAndLinkClosed) {
    Bus bus;
    bus.state->present = {"COM1", "COM2"};
    bus.state->busy = {"COM2"};
    EXPECT_EQ(bus.link.ProbePort("COM1"), 0);
    EXPECT_FALSE(bus.state->isOpen);
    EXPECT_FALSE(bus.link.isOpen());
    EXPECT_EQ(bus.link.ProbePort("COM2"), -1) << "held by another program";
    EXPECT_EQ(bus.link.ProbePort("COM7"), -1) << "does not exist";
    EXPECT_EQ(bus.link.ProbePort(""), -1);
    EXPECT_EQ(bus.link.OpenPort("COM1"), 0) << "the probed port is free again";
}
