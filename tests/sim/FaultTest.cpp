// Faults: what each does to the bytes on the wire, which requests it hits, and the text form.

#include "SimHelpers.h"
#include "sim/Fault.h"
#include "sim/Simulator.h"
#include "sim/WireFrame.h"

#include <gtest/gtest.h>

#include <set>

namespace kvir::sim {
namespace {

Fault Make(FaultKind kind) {
    Fault f;
    f.kind = kind;
    return f;
}

TEST(Fault, EachKindChangesTheReplyAsIntended) {
    struct Case {
        FaultKind kind;
        const char* request;
        const char* reply;
        int hangUpAfter;
        bool stop;
    };
    const Case cases[] = {
        {FaultKind::Silence, ":0104D0000229\r\n", "", -1, false},
        {FaultKind::BadCheck, ":0100FF\r\n", ":010000\r\n", -1, false},
        {FaultKind::OtherAddress, ":0100FF\r\n", ":0200FE\r\n", -1, false},
        {FaultKind::Failed, ":0104D0000229\r\n", ":0184017A\r\n", -1, false},
        {FaultKind::Truncated, ":0104D0000229\r\n", ":0104D00002101108\r\n", -1, false},
        {FaultKind::Truncated, ":0101D0002E\r\n", ":0101D0002E\r\n", -1, false},
        {FaultKind::Truncated, ":010FF0\r\n", ":010F0000CAC2C8D02D3531300207\r\n", -1, false},
        {FaultKind::LowerCase, ":0104D0000229\r\n", ":0104d0000210111213e3\r\n", -1, false},
        {FaultKind::HangUp, ":0100FF\r\n", ":0100FF\r\n", 4, false},
        {FaultKind::Stop, ":0100FF\r\n", ":0100FF\r\n", -1, true},
    };
    for (const Case& c : cases) {
        Simulator sim;
        sim.writeMemory(0xD000, Hex("10111213"));
        sim.addFault(Make(c.kind));
        const Reply reply = sim.handleRequest(c.request);
        const QString what = FaultKindName(c.kind) + QLatin1Char(' ') + QLatin1String(c.request);
        EXPECT_EQ(reply.bytes, QByteArray(c.reply)) << what.toStdString();
        EXPECT_EQ(reply.hangUpAfter, c.hangUpAfter) << what.toStdString();
        EXPECT_EQ(reply.stop, c.stop) << what.toStdString();
        const bool leaves = c.kind == FaultKind::HangUp || c.kind == FaultKind::Stop;
        EXPECT_EQ(sim.isGone(), leaves) << what.toStdString();
    }
}

TEST(Fault, FaultsCombine) {
    Simulator sim;
    sim.addFault(Make(FaultKind::OtherAddress));
    sim.addFault(Make(FaultKind::LowerCase));
    EXPECT_EQ(sim.handleRequest(":010FF0\r\n").bytes,
              QByteArray(":020f0000cac2c8d02d353130020000000000000000d000000036\r\n"));
    EXPECT_EQ(sim.requestLog().value(0).faults,
              (QList<FaultKind>{FaultKind::OtherAddress, FaultKind::LowerCase}));
}

TEST(Fault, NoiseIsNeverAColonOrLineEndAndThenTheWholeFrame) {
    Simulator sim;
    sim.setNoiseSeed(7);
    sim.addFault(Make(FaultKind::Noise));
    std::set<qsizetype> lengths;
    for (int i = 0; i < 50; ++i) {
        const QByteArray bytes = sim.handleRequest(":010FF0\r\n").bytes;
        const QByteArray frame(":010F0000CAC2C8D02D353130020000000000000000D000000037\r\n");
        ASSERT_TRUE(bytes.endsWith(frame));
        const QByteArray noise = bytes.left(bytes.size() - frame.size());
        ASSERT_FALSE(noise.isEmpty());
        ASSERT_FALSE(noise.contains(':') || noise.contains('\r') || noise.contains('\n'));
        lengths.insert(noise.size());
    }
    EXPECT_GT(lengths.size(), 3u);
}

TEST(Fault, SilenceAndFailureExecuteNothingOtherFaultsDo) {
    struct Case {
        FaultKind kind;
        bool executed;
    };
    const Case cases[] = {{FaultKind::Silence, false}, {FaultKind::Failed, false},
                          {FaultKind::BadCheck, true}, {FaultKind::Truncated, true},
                          {FaultKind::HangUp, true},   {FaultKind::Noise, true}};
    for (const Case& c : cases) {
        Simulator sim;
        sim.addFault(Make(c.kind));
        sim.handleRequest(":0112123402A1B252\r\n");
        EXPECT_EQ(sim.readMemory(0x1234, 2), c.executed ? Hex("A1B2") : Hex("FFFF"))
            << FaultKindName(c.kind).toStdString();
    }
    Simulator sim;
    sim.addFault(Make(FaultKind::Failed));
    sim.handleRequest(":011001EE\r\n");
    EXPECT_EQ(sim.exchangeMode(), 0);
}

// Which of a run of requests a fault hits, by the log.
QList<int> HitIndices(Simulator& sim, const QList<QByteArray>& frames) {
    for (const QByteArray& frame : frames) {
        sim.handleRequest(frame);
    }
    QList<int> hits;
    const QList<LoggedRequest> log = sim.requestLog();
    for (int i = 0; i < log.size(); ++i) {
        if (!log[i].faults.isEmpty()) {
            hits.append(i);
        }
    }
    return hits;
}

TEST(Fault, RestrictionsPickTheRequestsHit) {
    const QByteArray read4(":0104D0000229\r\n");
    const QByteArray read1(":0101D0002E\r\n");
    const QByteArray ping(":0100FF\r\n");
    struct Case {
        const char* faultText;
        QList<QByteArray> frames;
        QList<int> hits;
    };
    const Case cases[] = {
        {"failed@code=4,skip=2,count=3",
         {read4, read1, read4, read4, read1, read4, read4, read4, read4},
         {3, 5, 6}},
        {"failed@code=4,skip=1", {read4, read1, read4, read4}, {2, 3}},
        {"truncated@start=0xD100-0xD1FF",
         {":0101D0FF2F\r\n", ":0101D1002D\r\n", ":0101D1FF2E\r\n", ":0101D2002C\r\n", ping},
         {1, 2}},
        {"silence@start=0xD000,count=1", {ping, read1, read4, read1}, {1}},
        {"drop-first=3", {ping, read1, read4, ping, ping}, {0, 1, 2}},
        {"bad-check@code=1,count=0", {read1, read1}, {}},
    };
    for (const Case& c : cases) {
        Simulator sim;
        const auto fault = ParseFault(QLatin1String(c.faultText));
        ASSERT_TRUE(fault) << c.faultText;
        sim.addFault(*fault);
        EXPECT_EQ(HitIndices(sim, c.frames), c.hits) << c.faultText;
    }
}

TEST(Fault, DroppedRequestsAreLoggedUnanswered) {
    Simulator sim;
    sim.addFault(*ParseFault(QStringLiteral("drop-first=2")));
    QList<bool> replied;
    for (int i = 0; i < 4; ++i) {
        replied.append(!sim.handleRequest(":0100FF\r\n").bytes.isEmpty());
    }
    EXPECT_EQ(replied, (QList<bool>{false, false, true, true}));
    EXPECT_EQ(sim.requestLog().value(1), Logged(1, 0, -1, -1, {}, false, {FaultKind::Silence}));
    sim.clearFaults();
}

TEST(Fault, StopAfterAnswersNRequestsThenTheInstrumentIsGone) {
    Simulator sim;
    sim.addFault(*ParseFault(QStringLiteral("stop-after=2")));
    const Reply first = sim.handleRequest(":0100FF\r\n");
    const Reply second = sim.handleRequest(":010FF0\r\n");
    const Reply third = sim.handleRequest(":0100FF\r\n");
    EXPECT_FALSE(first.stop);
    EXPECT_TRUE(second.stop);
    EXPECT_FALSE(second.bytes.isEmpty());
    EXPECT_TRUE(third.bytes.isEmpty());
    EXPECT_TRUE(sim.isGone());
    EXPECT_EQ(sim.requestLog().size(), 2);

    sim.revive();
    sim.clearFaults();
    EXPECT_EQ(sim.handleRequest(":0100FF\r\n").bytes, QByteArray(":0100FF\r\n"));
}

TEST(FaultSpec, ParsesTheTextForm) {
    struct Case {
        const char* text;
        Fault fault;
    };
    const Case cases[] = {
        {"silence", {FaultKind::Silence, -1, -1, -1, 0, -1}},
        {"noise", {FaultKind::Noise, -1, -1, -1, 0, -1}},
        {"bad-check@code=0", {FaultKind::BadCheck, 0, -1, -1, 0, -1}},
        {"other-address@count=2", {FaultKind::OtherAddress, -1, -1, -1, 0, 2}},
        {"failed@code=4,skip=5,count=3", {FaultKind::Failed, 4, -1, -1, 5, 3}},
        {"truncated@code=15", {FaultKind::Truncated, 15, -1, -1, 0, -1}},
        {"lower-case@start=0xD000-0xD1FF", {FaultKind::LowerCase, -1, 0xD000, 0xD1FF, 0, -1}},
        {"hangup@code=0x0F", {FaultKind::HangUp, 15, -1, -1, 0, -1}},
        {"stop@start=53248", {FaultKind::Stop, -1, 53248, 53248, 0, -1}},
        {"drop-first=3", {FaultKind::Silence, -1, -1, -1, 0, 3}},
        {"stop-after=10", {FaultKind::Stop, -1, -1, -1, 9, 1}},
        {" failed@code=4 , skip=1 ", {FaultKind::Failed, 4, -1, -1, 1, -1}},
    };
    for (const Case& c : cases) {
        const auto parsed = ParseFault(QLatin1String(c.text));
        ASSERT_TRUE(parsed) << c.text;
        EXPECT_EQ(*parsed, c.fault) << c.text;
        // The formatted form reads back as the same fault.
        EXPECT_EQ(ParseFault(FormatFault(*parsed)), c.fault) << c.text;
    }
}

TEST(FaultSpec, RefusesMalformedText) {
    const char* bad[] = {
        "",
        "loud",
        "failed@",
        "failed@code",
        "failed@code=",
        "failed@code=256",
        "failed@code=-1",
        "failed@code=4x",
        "failed@colour=4",
        "failed@code=4,,skip=1",
        "truncated@start=0xD1FF-0xD000",
        "truncated@start=0x10000",
        "truncated@start=5-",
        "drop-first=",
        "drop-first=x",
        "stop-after=0",
        "Silence",
        "silence@code=010x",
    };
    for (const char* text : bad) {
        QString error;
        EXPECT_FALSE(ParseFault(QLatin1String(text), &error)) << text;
        EXPECT_FALSE(error.isEmpty()) << text;
    }
}

}  // namespace
}  // namespace kvir::sim
