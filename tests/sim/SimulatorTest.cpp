// The simulated instrument's answers, memory effects and request log, checked against frames
// written out by hand.

#include "SimHelpers.h"
#include "link/Util_comport.h"
#include "sim/SimOptions.h"
#include "sim/Simulator.h"
#include "sim/WireFrame.h"

#include <gtest/gtest.h>

namespace kvir::sim {
namespace {

QByteArray Ff(int n) {
    return QByteArray(n, static_cast<char>(0xFF));
}

// Memory 0xD000.. holds 10 11 .. 17, 0xFFFF holds AB and 0x0000 holds CD.
void LoadPattern(Simulator& sim) {
    sim.writeMemory(0xD000, Hex("1011121314151617"));
    sim.writeMemory(0xFFFF, Hex("ABCD"));
}

TEST(WireFrame, DecodesOnlyCompleteUpperCaseFramesWithAGoodCheck) {
    struct Case {
        const char* frame;
        bool valid;
        const char* message;
    };
    const Case cases[] = {
        {":0100FF\r\n", true, "0100"},    {":0104D0000229\r\n", true, "0104D00002"},
        {":0100FE\r\n", false, ""},        // check off by one
        {":0104d0000229\r\n", false, ""},  // lower case
        {":0100F\r\n", false, ""},         // odd digit count
        {":01FF\r\n", false, ""},          // address and check only
        {"0100FF\r\n", false, ""},         // no colon
        {":0100FF\r", false, ""},          // no LF
        {":0100FF\n", false, ""},          // no CR
        {":01G0FF\r\n", false, ""},        // not hexadecimal
    };
    for (const Case& c : cases) {
        const auto decoded = DecodeFrame(c.frame);
        ASSERT_EQ(decoded.has_value(), c.valid) << c.frame;
        if (c.valid) {
            EXPECT_EQ(*decoded, Hex(c.message)) << c.frame;
        }
    }
}

TEST(WireFrame, CollectorCutsAStreamIntoFrames) {
    struct Case {
        const char* name;
        QByteArray stream;
        QList<QByteArray> frames;
    };
    const Case cases[] = {
        {"plain", ":0100FF\r\n", {":0100FF\r\n"}},
        {"noise before the colon", "xx\r\n\x01:0100FF\r\n", {":0100FF\r\n"}},
        {"colon restarts", ":01:0100FF\r\n", {":0100FF\r\n"}},
        {"two back to back", ":0100FF\r\n:010FF0\r\n", {":0100FF\r\n", ":010FF0\r\n"}},
        {"lone LF does not end", ":01\n00FF\r\n", {":01\n00FF\r\n"}},
        {"unfinished", ":0100FF\r", {}},
        {"overlong is dropped", ":" + QByteArray(1300, 'A') + "\r\n:0100FF\r\n", {":0100FF\r\n"}},
    };
    for (const Case& c : cases) {
        FrameCollector collector;
        QList<QByteArray> frames;
        for (char byte : c.stream) {
            if (auto frame = collector.push(byte)) {
                frames.append(*frame);
            }
        }
        EXPECT_EQ(frames, c.frames) << c.name;
    }
}

TEST(Simulator, AnswersEveryCodeWithTheExactFrame) {
    struct Case {
        const char* request;
        const char* reply;
    };
    // Processed in order by one simulator; the writes land away from the bytes read.
    const Case cases[] = {
        {":0100FF\r\n", ":0100FF\r\n"},
        {":0500FB\r\n", ":0100FF\r\n"},  // any device address; the reply is from 1
        {":010FF0\r\n", ":010F0000CAC2C8D02D353130020000000000000000D000000037\r\n"},
        {":011001EE\r\n", ":011001EE\r\n"},
        {":011002ED\r\n", ":011002ED\r\n"},
        {":011003EC\r\n", ":0190016E\r\n"},  // state 3 is not a state
        {":0101D0002E\r\n", ":0101D000101E\r\n"},
        {":0103D00626\r\n", ":0103D0061617F9\r\n"},
        {":0102D0010329\r\n", ":0102D00103111213F3\r\n"},
        {":0105D0050421\r\n", ":0105D00504151617FFE0\r\n"},
        {":0104D0000229\r\n", ":0104D0000210111213E3\r\n"},
        {":0104FFFF01FC\r\n", ":0104FFFF01ABCD84\r\n"},  // wraps to 0x0000
        {":0104D000002B\r\n", ":0104D000002B\r\n"},
        {":011112345A4E\r\n", ":011112345A4E\r\n"},
        {":0112123402A1B252\r\n", ":0112123402A5\r\n"},
        {":0112D200001B\r\n", ":0112D200001B\r\n"},
        {":01131234BEEFF9\r\n", ":01131234BEEFF9\r\n"},
        {":01141234020102030499\r\n", ":0114123402A3\r\n"},
        {":0115123401772C\r\n", ":0115123401A3\r\n"},
        {":0107F8\r\n", ":01870177\r\n"},    // unknown code 7
        {":011600E9\r\n", ":01960168\r\n"},  // unknown code 22
    };
    Simulator sim;
    LoadPattern(sim);
    for (const Case& c : cases) {
        const Reply reply = sim.handleRequest(c.request);
        EXPECT_EQ(reply.bytes, QByteArray(c.reply)) << c.request;
        // The console's expectation of a good reply's length agrees, where it has one.
        const QByteArray request(c.request);
        const int code = request.mid(3, 2).toInt(nullptr, 16);
        const int count = request.size() > 13 ? request.mid(9, 2).toInt(nullptr, 16) : 0;
        const int expected = ExpectedReplyLength(static_cast<quint8>(code), count);
        const bool failed = (reply.bytes.mid(3, 2).toInt(nullptr, 16) & 0x80) != 0;
        if (expected > 0 && !failed) {
            EXPECT_EQ(expected, reply.bytes.size()) << c.request;
        }
        EXPECT_EQ(reply.hangUpAfter, -1);
        EXPECT_FALSE(reply.stop);
    }
    EXPECT_EQ(sim.rejectedFrames(), 0);
}

TEST(Simulator, IdentifiesAsEitherModel) {
    Simulator sim;
    sim.setIdentification(Kvir210Identification());
    EXPECT_EQ(sim.handleRequest(":010FF0\r\n").bytes,
              QByteArray(":010F0000CAC2C8D02D323130010000000000000000D00000003B\r\n"));
    // A negative version and another base travel as their raw bytes.
    sim.setIdentification({Hex("CAC2C8D02D353130"), -1, 0xE000});
    EXPECT_EQ(*DecodeFrame(sim.handleRequest(":010FF0\r\n").bytes),
              Hex("010F 0000 CAC2C8D02D353130 FF 0000000000000000 E000 0000"));
}

TEST(Simulator, IgnoresFramesItCannotParse) {
    const char* frames[] = {
        ":0100FE\r\n",                  // bad check
        ":0100ff\r\n",                  // lower case
        ":01FF\r\n",                    // too short
        ":0101D02E\r\n",                // code 1 needs a two-byte start
        ":0104D00002FF2A\r\n",          // code 4 with a byte too many
        ":0112123403A1B251\r\n",        // code 18 says 3 data bytes, carries 2
        ":0114123402010203040594\r\n",  // code 20 says 2 words, carries 5 bytes
        ":01141234010102039E\r\n",      // code 20 says 1 word, carries 3 bytes
    };
    Simulator sim;
    for (const char* frame : frames) {
        EXPECT_TRUE(sim.handleRequest(frame).bytes.isEmpty()) << frame;
    }
    EXPECT_EQ(sim.rejectedFrames(), static_cast<int>(std::size(frames)));
    EXPECT_TRUE(sim.requestLog().isEmpty());
    EXPECT_TRUE(sim.memory() == Ff(kMemorySize));
}

TEST(Simulator, WritesLandInMemory) {
    struct Case {
        const char* name;
        const char* request;
        int start;
        const char* bytes;
    };
    const Case cases[] = {
        {"17 one byte", ":011112345A4E\r\n", 0x1234, "5A"},
        {"18 bytes", ":0112123402A1B252\r\n", 0x1234, "A1B2"},
        {"19 value high first", ":01131234BEEFF9\r\n", 0x1234, "BEEF"},
        {"20 words", ":01141234020102030499\r\n", 0x1234, "01020304"},
        {"21 bytes", ":0115123401772C\r\n", 0x1234, "77"},
        {"18 wraps at the top", ":0112FFFF02A1B29A\r\n", 0xFFFF, "A1B2"},
    };
    for (const Case& c : cases) {
        Simulator sim;
        ASSERT_FALSE(sim.handleRequest(c.request).bytes.isEmpty()) << c.name;
        QByteArray expected = Ff(kMemorySize);
        const QByteArray written = Hex(c.bytes);
        for (int i = 0; i < written.size(); ++i) {
            expected[(c.start + i) & 0xFFFF] = written[i];
        }
        EXPECT_EQ(sim.memory(), expected) << c.name;
    }
}

TEST(Simulator, CountZeroErasesFiveHundredTwelveBytesFromTheStart) {
    struct Case {
        const char* name;
        const char* request;
        int start;
    };
    const Case cases[] = {
        {"18 at a page", ":0112D200001B\r\n", 0xD200},
        {"20 at a page", ":0114D2000019\r\n", 0xD200},
        {"18 off a page", ":0112D210000B\r\n", 0xD210},
        {"20 wraps at the top", ":0114FF0000EC\r\n", 0xFF00},
    };
    for (const Case& c : cases) {
        Simulator sim;
        sim.setMemory(QByteArray(kMemorySize, '\x11'));
        const Reply reply = sim.handleRequest(c.request);
        ASSERT_FALSE(reply.bytes.isEmpty()) << c.name;
        const QByteArray memory = sim.memory();
        for (int address = 0; address < kMemorySize; ++address) {
            const bool erased = ((address - c.start) & 0xFFFF) < kErasePageSize;
            ASSERT_EQ(static_cast<quint8>(memory[address]), erased ? 0xFF : 0x11)
                << c.name << " at " << address;
        }
    }
}

TEST(Simulator, LogsEveryParsedRequestInOrder) {
    Simulator sim;
    QList<LoggedRequest> observed;
    sim.setRequestObserver([&](const LoggedRequest& r) { observed.append(r); });
    sim.addFault({FaultKind::Silence, 3});
    for (const char* frame : {":0500FB\r\n", ":010FF0\r\n", ":011001EE\r\n", ":0103D00626\r\n",
                              ":0100FE\r\n", ":0104D000FF2C\r\n", ":0112123402A1B252\r\n",
                              ":01141234020102030499\r\n", ":0107F8\r\n"}) {
        sim.handleRequest(frame);
    }
    const QList<LoggedRequest> expected{
        Logged(5, 0, -1, -1, {}, true),
        Logged(1, 15, -1, -1, {}, true),
        Logged(1, 16, -1, -1, Hex("01"), true),
        Logged(1, 3, 0xD006, -1, {}, false, {FaultKind::Silence}),
        Logged(1, 4, 0xD000, 255, {}, true),
        Logged(1, 18, 0x1234, 2, Hex("A1B2"), true),
        Logged(1, 20, 0x1234, 2, Hex("01020304"), true),
        Logged(1, 7, -1, -1, {}, true),
    };
    EXPECT_EQ(sim.requestLog(), expected);
    EXPECT_EQ(observed, expected);
    EXPECT_EQ(sim.rejectedFrames(), 1);
    EXPECT_EQ(sim.exchangeMode(), 1);

    sim.clearLog();
    EXPECT_TRUE(sim.requestLog().isEmpty());
    EXPECT_EQ(FormatLoggedRequest(expected[3]),
              QStringLiteral("addr=1 code=3 start=0xD006 no-reply faults=silence"));
    EXPECT_EQ(FormatLoggedRequest(expected[5]),
              QStringLiteral("addr=1 code=18 start=0x1234 count=2 data=A1B2 replied"));
}

TEST(Simulator, MemoryAccessorsWrapAndRefuseWrongSizes) {
    Simulator sim;
    sim.writeMemory(0xFFFE, Hex("010203"));
    EXPECT_EQ(sim.readMemory(0xFFFE, 3), Hex("010203"));
    EXPECT_EQ(sim.readMemory(0x0000, 2), Hex("03FF"));
    EXPECT_FALSE(sim.setMemory(QByteArray(kMemorySize - 1, '\0')));
    EXPECT_EQ(sim.readMemory(0x0000, 1), Hex("03"));
}

// A measurement the instrument stores on its own lands where the instrument puts it, with the
// bytes written out by hand; where there is no room nothing changes.
TEST(Simulator, StoresAMeasurementWhereTheInstrumentWould) {
    // Folder 2, mode 1, day 40, time 18000, 20 °C, 171.5 mV, pH 4.01.
    const QByteArray record510 = Hex("01 2800 5046 0000A041 00802B43 EC518040 9C04");
    // Folder 2, mode 1, day 60, time 20000, salinity 0, 12 °C, 100 µg/l, 0.1 %.
    const QByteArray record210 = Hex("02 01 3C00 204E 0000 00004041 0000C842 CDCCCC3D EB04");
    const Measurement m510{2, 1, 40, 18000, 20.0f, 171.5f, 4.01f, 0};
    const Measurement m210{2, 1, 60, 20000, 12.0f, 100.0f, 0.1f, 0};
    struct Case {
        const char* name;
        bool ph510;  // else "КВИР-210v1"; both with base 0xF000
        QList<std::pair<int, QByteArray>> memory;
        int folder;
        int at;  // where the record goes; -1: refused
    };
    const Case cases[] = {
        {"510 after the page's records",
         true,
         {{0xF200, Hex("41")}, {0xF212, Hex("01")}},
         2,
         0xF225},
        {"510 over the record that ends them",
         true,
         {{0xF200, Hex("41")}, {0xF212, Hex("01")}, {0xF225, Hex("00")}, {0xF238, Hex("01")}},
         2,
         0xF225},
        {"510 free page", true, {}, 2, -1},
        {"510 nameless page", true, {{0xF200, Hex("00")}}, 2, -1},
        {"510 full page",
         true,
         {{0xF200, Hex("41")}, {0xF212, QByteArray(26 * 19, '\x01')}},
         2,
         -1},
        {"510 beyond the pages", true, {}, 6, -1},
        {"210 empty notebook", false, {}, 2, 0xF000},
        {"210 next page", false, {{0xF000, QByteArray(23 * 22, '\x05')}}, 2, 0xF200},
        {"210 after a record past an erased place",
         false,
         {{0xF400, Hex("05")}, {0xF46E, Hex("05")}},
         2,
         0xF484},
        {"210 after an empty place", false, {{0xF000, Hex("00")}}, 2, 0xF016},
        {"210 pages full", false, {{0xF7E4, Hex("05")}}, 2, -1},
        {"210 folder byte that ends a page", false, {}, 255, -1},
        {"210 folder byte of an empty place", false, {}, 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Simulator sim;
        Identification id = c.ph510 ? Kvir510Identification() : Kvir210Identification();
        id.notebookBase = 0xF000;
        sim.setIdentification(id);
        for (const auto& [at, bytes] : c.memory) {
            sim.writeMemory(at, bytes);
        }
        QByteArray expected = sim.memory();
        Measurement m = c.ph510 ? m510 : m210;
        m.folder = c.folder;
        EXPECT_EQ(sim.storeMeasurement(m), c.at >= 0);
        if (c.at >= 0) {
            const QByteArray& record = c.ph510 ? record510 : record210;
            expected.replace(c.at, record.size(), record);
        }
        EXPECT_EQ(sim.memory().toHex(), expected.toHex());
    }

    Simulator other;
    other.setIdentification({InstrumentNameBytes(QStringLiteral("КВИР-310")), 1, 0xF000});
    EXPECT_FALSE(other.storeMeasurement(m210));
}

}  // namespace
}  // namespace kvir::sim
