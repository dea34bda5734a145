// The link's real serial code (QSerialPort) against the simulated instrument on a
// pseudo-terminal: identification, time-outs and a peer that hangs up.
#include "instrument/Util_modbas.h"
#include "link/QtSerialPortImpl.h"
#include "sim/PtyServer.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace kvir;

namespace {

struct PtyRig {
    sim::Simulator simulator;
    sim::PtyServer server{simulator};
    QString device;
    SerialLink link{QtPortFactory()};
    Instrument instrument{link};

    PtyRig() {
        QString error;
        device = server.start(&error);
        EXPECT_FALSE(device.isEmpty()) << error.toStdString();
    }
};

}  // namespace

TEST(PtyLink, IdentifiesBothModels) {
    struct Case {
        sim::Identification ident;
        Identification read;
        DeviceModel model;
    };
    const Case cases[] = {
        {sim::Kvir510Identification(), {"КВИР-510", "2", 53248}, DeviceModel::Ph510},
        {sim::Kvir210Identification(), {"КВИР-210", "1", 53248}, DeviceModel::Conc210},
    };
    for (const Case& c : cases) {
        PtyRig rig;
        rig.simulator.setIdentification(c.ident);
        QElapsedTimer clock;
        clock.start();
        ASSERT_EQ(rig.link.OpenPort(rig.device), 0) << rig.link.lastError().toStdString();
        EXPECT_GE(clock.elapsed(), 400) << "the open waits 400 ms for the instrument";
        EXPECT_EQ(rig.instrument.PingInstrument(), 0);
        ASSERT_EQ(rig.instrument.ReadIdentification(), 0);
        const Identification& read = rig.instrument.identification();
        EXPECT_EQ(read, c.read) << read.name.toStdString();
        EXPECT_EQ(ModelFromIdentification(read.name, read.version), c.model);
        EXPECT_EQ(rig.instrument.SetExchangeMode(1), 0);
        EXPECT_EQ(rig.simulator.exchangeMode(), 1);
        EXPECT_EQ(rig.simulator.requestLog().size(), 3);
    }
}

TEST(PtyLink, SilenceCostsAboutOneSecondPerAttempt) {
    PtyRig rig;
    ASSERT_EQ(rig.link.OpenPort(rig.device), 0);
    rig.simulator.addFault({sim::FaultKind::Silence});
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(rig.instrument.PingInstrument(), xr::kNoReply);
    const qint64 ping = clock.restart();
    EXPECT_EQ(rig.instrument.ReadIdentification(), xr::kNoReply);
    const qint64 ident = clock.elapsed();
    EXPECT_GE(ping, 950);
    EXPECT_LT(ping, 1400) << "one attempt, one time-out";
    EXPECT_GE(ident, 2900);
    EXPECT_LT(ident, 3600) << "three attempts, three time-outs";
    EXPECT_TRUE(rig.link.isOpen()) << "a silent instrument does not close the port";
    EXPECT_EQ(rig.simulator.requestLog().size(), 4);
}

TEST(PtyLink, HangUpHalfWayGivesOneErrorAndClosesThePort) {
    PtyRig rig;
    ASSERT_EQ(rig.link.OpenPort(rig.device), 0);
    rig.simulator.addFault({sim::FaultKind::HangUp, 15});
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(rig.instrument.ReadIdentification(), xr::kNoReply);
    EXPECT_LT(clock.elapsed(), 1500) << "the hang-up is noticed, not waited out or spun on";
    EXPECT_FALSE(rig.link.isOpen());
    EXPECT_EQ(rig.simulator.requestLog().size(), 1) << "no retry on a port that went away";
    EXPECT_FALSE(rig.link.lastError().isEmpty());
    // Further requests are refused at once on the closed link.
    clock.restart();
    EXPECT_EQ(rig.instrument.PingInstrument(), xr::kNotSent);
    EXPECT_LT(clock.elapsed(), 100);
}

TEST(PtyLink, DamagedRepliesAreRetried) {
    struct Case {
        sim::FaultKind kind;
        ExchangeResult alone;  // the result when every reply is damaged
    };
    const Case cases[] = {
        {sim::FaultKind::BadCheck, xr::kBadChecksum},
        {sim::FaultKind::LowerCase, xr::kBadChecksum},
        {sim::FaultKind::OtherAddress, xr::kUnknownDevice},
        {sim::FaultKind::Failed, xr::kCommandFailed},
        {sim::FaultKind::Truncated, xr::kBadChecksum},
    };
    for (const Case& c : cases) {
        PtyRig rig;
        ASSERT_EQ(rig.link.OpenPort(rig.device), 0);
        // Two damaged replies, then a good one: the third attempt succeeds.
        rig.simulator.addFault({c.kind, 15, -1, -1, 0, 2});
        EXPECT_EQ(rig.instrument.ReadIdentification(), 0)
            << sim::FaultKindName(c.kind).toStdString();
        rig.simulator.clearFaults();
        rig.simulator.addFault({c.kind, 15});
        EXPECT_EQ(rig.instrument.ReadIdentification(), c.alone)
            << sim::FaultKindName(c.kind).toStdString();
        EXPECT_EQ(rig.simulator.requestLog().size(), 6);
    }
    // Noise before a good reply is discarded.
    PtyRig rig;
    ASSERT_EQ(rig.link.OpenPort(rig.device), 0);
    rig.simulator.addFault({sim::FaultKind::Noise});
    EXPECT_EQ(rig.instrument.ReadIdentification(), 0);
    EXPECT_EQ(rig.simulator.requestLog().size(), 1);
}

TEST(PtyLink, ProbeAndExclusiveOpen) {
    PtyRig rig;
    EXPECT_EQ(rig.link.ProbePort(rig.device), 0);
    EXPECT_FALSE(rig.link.isOpen());
    EXPECT_EQ(rig.link.ProbePort(QStringLiteral("/dev/kvir-no-such-port")), -1);
    EXPECT_EQ(rig.link.OpenPort(QStringLiteral("/dev/kvir-no-such-port")), -1);
    EXPECT_FALSE(rig.link.lastError().isEmpty());
    ASSERT_EQ(rig.link.OpenPort(rig.device), 0);
    // Qt's lock file keeps a second opener out even where TIOCEXCL does not (root).
    SerialLink second{QtPortFactory()};
    EXPECT_EQ(second.ProbePort(rig.device), -1);
}
