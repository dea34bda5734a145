// Request encoding and reply decoding: the exact frames, and a table of damaged replies.
#include "link/FakeSerialPort.h"
#include "link/Util_comport.h"

#include <gtest/gtest.h>

using namespace kvir;

namespace {

// A well-formed reply frame (text between the colon and CR LF) for the message bytes.
QByteArray Frame(const QByteArray& message) {
    quint8 sum = 0;
    for (char c : message) {
        sum = static_cast<quint8>(sum + static_cast<quint8>(c));
    }
    QByteArray withLrc = message;
    withLrc.append(static_cast<char>(static_cast<quint8>(-sum)));
    return withLrc.toHex().toUpper();
}

QByteArray Bytes(std::initializer_list<int> list) {
    QByteArray b;
    for (int v : list) {
        b.append(static_cast<char>(v));
    }
    return b;
}

QByteArray Block(int words) {
    QByteArray m = Bytes({1, 4, 0xD0, 0, words});
    for (int i = 0; i < 2 * words; ++i) {
        m.append(static_cast<char>(i * 7));
    }
    return m;
}

}  // namespace

TEST(EncodeRequest, ExactFrames) {
    struct Case {
        const char* name;
        quint8 address, code;
        quint16 start;
        int count;
        QByteArray data;
        QByteArray frame;
    };
    const QByteArray data22(22, '\x11');
    const Case cases[] = {
        {"ping", 1, 0, 0, 0, {}, ":0100FF\r\n"},
        {"identification", 1, 15, 0, 0, {}, ":010FF0\r\n"},
        {"mode 1", 1, 16, 0, 0, Bytes({1}), ":011001EE\r\n"},
        {"one-byte read", 1, 1, 0xD000, 0, {}, ":0101D0002E\r\n"},
        {"block read", 1, 4, 0xF800, 255, {}, ":0104F800FF04\r\n"},
        {"erase 18", 1, 18, 0xD200, 0, {}, ":0112D200001B\r\n"},
        {"address above 255 keeps low bits", static_cast<quint8>(257), 0, 0, 0, {}, ":0100FF\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EncodeRequest(c.address, c.code, c.start, c.count, c.data), c.frame) << c.name;
    }
    // Code 20 with 22 data bytes carries the word count 11 (0B) and all 22 bytes.
    const QByteArray f = EncodeRequest(1, 20, 0xD000, 22, data22);
    EXPECT_TRUE(f.startsWith(":0114D0000B" + QByteArray(44, '1')));
    EXPECT_EQ(f.size(), 2 * (5 + 22) + 5);
    // The largest accepted request and the refused counts.
    EXPECT_EQ(EncodeRequest(1, 18, 0, 127, QByteArray(127, 'x')).size(), 269);
    EXPECT_TRUE(EncodeRequest(1, 18, 0, 128, QByteArray(128, 'x')).isEmpty());
    EXPECT_TRUE(EncodeRequest(1, 20, 0, 200, {}).isEmpty());
    EXPECT_TRUE(EncodeRequest(1, 21, 0, -1, {}).isEmpty());
}

TEST(DecodeReply, DamagedAndGoodReplies) {
    struct Case {
        const char* name;
        QByteArray text;
        ExchangeResult result;
        QByteArray payload;
    };
    const QByteArray block = Block(255);
    const Case cases[] = {
        {"code 0", "0100FF", 0, {}},
        {"wrong LRC", "0100FE", 129, {}},
        {"lower-case digits", Frame(Bytes({1, 0x0F})).toLower() + "", 129, {}},
        {"lower-case letters in a reply", "01040000010aBBxx", 129, {}},
        {"not hexadecimal", "01G0FF", 129, {}},
        {"other address", Frame(Bytes({2, 0})), 130, {}},
        {"failed command", Frame(Bytes({1, 0x84})), 131, {}},
        {"code outside the table", Frame(Bytes({1, 7})), 132, {}},
        {"code 22", Frame(Bytes({1, 22})), 132, {}},
        {"mode reply state 3", Frame(Bytes({1, 16, 3})), 131, {}},
        {"mode reply state 2", Frame(Bytes({1, 16, 2})), 16, {}},
        {"mode reply without state", Frame(Bytes({1, 16})), 129, {}},
        {"one byte", Frame(Bytes({1, 1, 0xD0, 0, 0x5A})), 1, Bytes({0x5A})},
        {"one byte missing", Frame(Bytes({1, 1, 0xD0, 0})), 129, {}},
        {"two bytes", Frame(Bytes({1, 3, 0xD0, 0, 0x41, 0x42})), 3, "AB"},
        {"two bytes, one missing", Frame(Bytes({1, 3, 0xD0, 0, 0x41})), 129, {}},
        {"block of 255 words", Frame(block), 4, block.mid(5)},
        {"block truncated", Frame(block.left(block.size() - 1)), 129, {}},
        {"block without count", Frame(Bytes({1, 4, 0xD0, 0})), 129, {}},
        {"byte block", Frame(Bytes({1, 2, 0, 0, 2, 9, 8})), 2, Bytes({9, 8})},
        {"byte block truncated", Frame(Bytes({1, 5, 0, 0, 3, 9, 8})), 129, {}},
        {"identification short", Frame(Bytes({1, 15, 0, 0, 1, 2, 3})), 129, {}},
        {"write echo", Frame(Bytes({1, 18, 0xD0, 0, 0})), 18, {}},
        {"too short", "0100", 133, {}},
        {"odd digit count ignores the last", "0100FF0", 0, {}},
        {"surplus bytes are ignored", Frame(Bytes({1, 1, 0, 0, 7, 8, 9})), 1, Bytes({7})},
    };
    for (const Case& c : cases) {
        QByteArray payload("stale");
        EXPECT_EQ(DecodeReply(c.text, 1, payload), c.result) << c.name;
        if (c.result > 0 && c.result < 128) {
            EXPECT_EQ(payload, c.payload) << c.name;
        }
    }
    // An identification reply delivers exactly 23 bytes from reply byte 2.
    QByteArray ident = Bytes({1, 15});
    for (int i = 0; i < 23; ++i) {
        ident.append(static_cast<char>(i));
    }
    QByteArray payload;
    ASSERT_EQ(DecodeReply(Frame(ident), 1, payload), 15);
    EXPECT_EQ(payload, ident.mid(2));
}

TEST(ReceiveReply, FramingOnTheWire) {
    struct Case {
        const char* name;
        QByteArray wire;
        ExchangeResult result;
    };
    const QByteArray noise(1300, 'Z');
    const Case cases[] = {
        {"plain", ":0100FF\r\n", 0},
        {"noise before the colon", "\x13\xFFgarbage:0100FF\r\n", 0},
        {"no colon at all", "0100FF\r\n", 0},
        {"colon restarts the frame", ":01:0100FF\r\n", 0},
        {"CR LF with nothing before it is no end", ":\r\n0100FF\r\n", 129},
        {"stray LF is dropped", ":01\n00FF\r\n", 0},
        {"NUL bytes are dropped, even between CR and LF",
         QByteArray(":01\0"
                    "00FF\r\0\n",
                    11),
         0},
        {"two frames back to back: the first counts", ":0100FF\r\n:020000\r\n", 0},
        {"four characters", ":0100\r\n", 133},
        {"no frame end within 1200 bytes", noise, 133},
        {"silence", "", 133},
        {"cut off in the middle", ":0104D000", 133},
    };
    for (const Case& c : cases) {
        auto state = std::make_shared<FakePortState>();
        state->peer = [&](const QByteArray&) { return c.wire; };
        SerialLink link(FakePortFactory(state), [](int) {});
        ASSERT_EQ(link.OpenPort("COM1"), 0);
        ASSERT_EQ(SendRequest(link, 1, 0, 0, 0), 0);
        QByteArray payload;
        EXPECT_EQ(ReceiveReply(link, 1, payload), c.result) << c.name;
        // At most one time-out: a missing byte ends the frame at once.
        EXPECT_LE(state->virtualMs, 1000) << c.name;
    }
}

TEST(ReceiveReply, NoiseCostsAtMostTheFrameLimit) {
    auto state = std::make_shared<FakePortState>();
    state->peer = [](const QByteArray&) { return QByteArray(5000, 'A'); };
    SerialLink link(FakePortFactory(state), [](int) {});
    ASSERT_EQ(link.OpenPort("COM1"), 0);
    ASSERT_EQ(SendRequest(link, 1, 0, 0, 0), 0);
    QByteArray text;
    EXPECT_EQ(ReadFrame(link, text), 0);
    EXPECT_EQ(state->rx.size(), 5000u - kFrameLimit);
}

TEST(SendRequest, PurgesStaleInputAndRefusesBadCounts) {
    auto state = std::make_shared<FakePortState>();
    SerialLink link(FakePortFactory(state), [](int) {});
    EXPECT_EQ(SendRequest(link, 1, 0, 0, 0), -1) << "closed link";
    ASSERT_EQ(link.OpenPort("COM1"), 0);
    state->rx.push_back('X');
    state->calls.clear();
    EXPECT_EQ(SendRequest(link, 1, 0, 0, 0), 0);
    EXPECT_EQ(state->calls, (QStringList{"purge", "write"}));
    EXPECT_TRUE(state->rx.empty());
    state->calls.clear();
    EXPECT_EQ(SendRequest(link, 1, 18, 0, 128, QByteArray(128, 'x')), -1);
    EXPECT_TRUE(state->calls.isEmpty()) << "nothing is sent for a refused count";
}
