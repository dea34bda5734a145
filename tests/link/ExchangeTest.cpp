// The exchange pattern and its attempt counts, over the in-memory port with a scripted peer.
#include "instrument/Util_modbas.h"
#include "link/FakeSerialPort.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>

using namespace kvir;

namespace {

QByteArray Frame(const QByteArray& message) {
    quint8 sum = 0;
    for (char c : message) {
        sum = static_cast<quint8>(sum + static_cast<quint8>(c));
    }
    QByteArray m = message;
    m.append(static_cast<char>(static_cast<quint8>(-sum)));
    return ":" + m.toHex().toUpper() + "\r\n";
}

QByteArray IdentReply(const QByteArray& name8, qint8 version, quint16 base) {
    QByteArray m("\x01\x0F\x00\x00", 4);
    m += name8;
    m.append(static_cast<char>(version));
    m += QByteArray(8, '\0');
    m.append(static_cast<char>(base >> 8));
    m.append(static_cast<char>(base & 0xFF));
    m += QByteArray(2, '\0');  // reply bytes 23 and 24 complete the 23 delivered bytes
    return Frame(m);
}

struct Rig {
    std::shared_ptr<FakePortState> state = std::make_shared<FakePortState>();
    SerialLink link{FakePortFactory(state), [](int) {}};
    Instrument instrument;
    QList<QByteArray> replies;  // answered in turn; an empty entry is silence

    explicit Rig(quint8 address = 1) : instrument(link, address) {
        state->peer = [this](const QByteArray&) {
            return replies.isEmpty() ? QByteArray() : replies.takeFirst();
        };
        EXPECT_EQ(link.OpenPort("COM1"), 0);
        state->written.clear();
    }
};

const QByteArray kName510("\xCA\xC2\xC8\xD0-510", 8);  // "КВИР-510" in Windows-1251

}  // namespace

TEST(ExchangePattern, AttemptCounts) {
    struct Case {
        const char* name;
        std::function<ExchangeResult(Instrument&)> op;
        int failures;  // silent replies before a good one (or for ever when large)
        QByteArray good;
        ExchangeResult result;
        int requests;
    };
    const QByteArray pong = Frame(QByteArray("\x01\x00", 2));
    const QByteArray mode1 = Frame(QByteArray("\x01\x10\x01", 3));
    const QByteArray mode2 = Frame(QByteArray("\x01\x10\x02", 3));
    const QByteArray ident = IdentReply(kName510, 2, 0xD000);
    auto ping = [](Instrument& i) { return i.PingInstrument(); };
    auto identify = [](Instrument& i) { return i.ReadIdentification(); };
    auto modeOn = [](Instrument& i) { return i.SetExchangeMode(1); };
    auto modeOff = [](Instrument& i) { return i.SetExchangeMode(2); };
    const Case cases[] = {
        {"ping answers", ping, 0, pong, 0, 1},
        {"ping is tried once", ping, 1, pong, 133, 1},
        {"identification on the third try", identify, 2, ident, 0, 3},
        {"identification gives up after three", identify, 3, ident, 133, 3},
        {"mode 1 on the tenth try", modeOn, 9, mode1, 0, 10},
        {"mode 1 gives up after ten", modeOn, 10, mode1, 133, 10},
        {"mode 2 gives up after three", modeOff, 3, mode2, 133, 3},
        {"mode 2 on the third try", modeOff, 2, mode2, 0, 3},
    };
    for (const Case& c : cases) {
        Rig rig;
        for (int i = 0; i < c.failures; ++i) {
            rig.replies << QByteArray();
        }
        rig.replies << c.good;
        EXPECT_EQ(c.op(rig.instrument), c.result) << c.name;
        EXPECT_EQ(rig.state->written.size(), c.requests) << c.name;
        // Each silent attempt costs exactly one read time-out.
        EXPECT_EQ(rig.state->virtualMs, 1000 * std::min(c.failures, c.requests)) << c.name;
    }
}

TEST(ExchangePattern, ResultsAfterTheReply) {
    struct Case {
        const char* name;
        QList<QByteArray> replies;
        ExchangeResult ping;
    };
    const Case cases[] = {
        {"another reply code", {Frame(QByteArray("\x01\x12", 2))}, 131},
        {"bad check then good is not retried for ping", {":0100FE\r\n", ":0100FF\r\n"}, 129},
        {"failed command", {Frame(QByteArray("\x01\x80", 2))}, 131},
        {"reply from address 2", {Frame(QByteArray("\x02\x00", 2))}, 130},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.replies = c.replies;
        EXPECT_EQ(rig.instrument.PingInstrument(), c.ping) << c.name;
    }
    // A damaged reply is retried: the second of three attempts succeeds.
    Rig rig;
    rig.replies = {":010FAA\r\n", IdentReply(kName510, 2, 0xE000)};
    EXPECT_EQ(rig.instrument.ReadIdentification(), 0);
    EXPECT_EQ(rig.state->written.size(), 2);

    // So is a block reply that delivers fewer words than asked for.
    Rig block;
    const QByteArray header("\x01\x04\xD0\x00", 4);
    const QByteArray shortPage = Frame(header + QByteArray(1, '\x02') + QByteArray(4, '\x11'));
    const QByteArray fullPage = Frame(header + QByteArray(1, '\x03') + QByteArray(6, '\x22'));
    block.replies = {shortPage, fullPage};
    QByteArray payload;
    EXPECT_EQ(block.instrument.Exchange(4, 0xD000, 3, {}, 4, 3, &payload, 6), 0);
    EXPECT_EQ(payload, QByteArray(6, '\x22'));
    EXPECT_EQ(block.state->written.size(), 2);
}

TEST(ExchangePattern, RefusedRequests) {
    Rig rig;
    // A refused count ends the operation at once with 134.
    EXPECT_EQ(rig.instrument.Exchange(18, 0xD000, 128, QByteArray(128, 'x'), 18, 3), 134);
    EXPECT_TRUE(rig.state->written.isEmpty());
    // A stop asked for by the operator comes before the next request.
    std::atomic<bool> stop{true};
    rig.instrument.setCancel(&stop);
    EXPECT_EQ(rig.instrument.ReadIdentification(), xr::kCancelled);
    EXPECT_TRUE(rig.state->written.isEmpty());
    rig.instrument.setCancel(nullptr);
    // A closed link sends nothing either.
    rig.link.ClosePort();
    EXPECT_EQ(rig.instrument.PingInstrument(), 134);
}

// The device number as typed, and the address every request of the instrument then carries.
TEST(ExchangePattern, DeviceNumber) {
    struct Case {
        QString text;
        std::optional<quint8> address;
        QByteArray frameStart;
    };
    const Case cases[] = {
        {"1", 1, ":01"},           {"2", 2, ":02"},
        {"257", 1, ":01"},         {" 17 ", 17, ":11"},
        {"-1", 255, ":FF"},        {"", std::nullopt, {}},
        {"1a", std::nullopt, {}},  {"0x10", std::nullopt, {}},
        {"1.5", std::nullopt, {}}, {"99999999999", std::nullopt, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(ParseDeviceNumber(c.text), c.address);
        if (!c.address) {
            continue;
        }
        Rig rig(*c.address);
        rig.replies << Frame(QByteArray("\x01\x00", 2));
        EXPECT_EQ(rig.instrument.PingInstrument(), 0);
        ASSERT_EQ(rig.state->written.size(), 1);
        EXPECT_TRUE(rig.state->written.at(0).startsWith(c.frameStart));
    }
}

TEST(Identification, ReadsNameVersionAndBase) {
    struct Case {
        QByteArray name;
        qint8 version;
        quint16 base;
        Identification read;
        DeviceModel model;
    };
    const QByteArray name210("\xCA\xC2\xC8\xD0-210", 8);
    const Case cases[] = {
        {kName510, 2, 0xD000, {"КВИР-510", "2", 53248}, DeviceModel::Ph510},
        {kName510, 1, 0xD000, {"КВИР-510", "1", 53248}, DeviceModel::None},
        {name210, -1, 0xE000, {"КВИР-210", "-1", 57344}, DeviceModel::Conc210},
        {name210, 3, 0xA000, {"КВИР-210", "3", 40960}, DeviceModel::Conc210},
        {QByteArray("ABCD-510", 8), 2, 0xD000, {"ABCD-510", "2", 53248}, DeviceModel::None},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.replies << IdentReply(c.name, c.version, c.base);
        ASSERT_EQ(rig.instrument.ReadIdentification(), 0);
        const Identification& read = rig.instrument.identification();
        EXPECT_EQ(read, c.read) << read.name.toStdString() << " " << read.version.toStdString();
        EXPECT_EQ(ModelFromIdentification(read.name, read.version), c.model);
    }
    // Another reply code leaves the identification as it was.
    Rig rig;
    const Identification kept{"keep", "me", 1};
    rig.instrument.setIdentification(kept);
    rig.replies << Frame(QByteArray("\x01\x00", 2));
    EXPECT_EQ(rig.instrument.ReadIdentification(), 131);
    EXPECT_EQ(rig.instrument.identification(), kept);
}

TEST(DeviceModel, PageCounts) {
    EXPECT_EQ(PageCount(DeviceModel::Ph510, 0xE000), 13);
    EXPECT_EQ(PageCount(DeviceModel::Conc210, 0xE000), 12);
    EXPECT_EQ(PageCount(DeviceModel::Ph510, 53248), 21);
    EXPECT_EQ(PageCount(DeviceModel::Conc210, 53248), 20);
    EXPECT_EQ(PageCount(DeviceModel::Conc210, 0xF900), 0);
    EXPECT_EQ(PageCount(DeviceModel::None, 0), 0);
    EXPECT_EQ(ModelFromDisplayName("КВИР-510v2"), DeviceModel::Ph510);
    EXPECT_EQ(ModelFromDisplayName("квир-510v2"), DeviceModel::None);
}
