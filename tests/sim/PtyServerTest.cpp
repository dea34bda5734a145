// The simulator on a pseudo-terminal, reached with plain POSIX calls on the slave device, and
// the kvir-sim executable around it.

#include "SimHelpers.h"
#include "sim/PtyServer.h"
#include "sim/WireFrame.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace kvir::sim {
namespace {

const QByteArray kIdentify(":010FF0\r\n");
const QByteArray kIdentity510(":010F0000CAC2C8D02D353130020000000000000000D000000037\r\n");

// The client side of the line, as a program that knows nothing of the simulator would use it.
class Client {
  public:
    explicit Client(const QString& path) {
        fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio{};
        if (fd_ >= 0 && tcgetattr(fd_, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(fd_, TCSANOW, &tio);
        }
    }
    ~Client() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    bool send(const QByteArray& bytes) {
        return ::write(fd_, bytes.constData(), bytes.size()) == bytes.size();
    }

    struct Received {
        QByteArray bytes;
        bool hungUp = false;
    };
    // Reads until a CR LF ends what was received, the line hangs up or `timeoutMs` passes.
    Received read(int timeoutMs, bool stopAtLineEnd = true) {
        Received r;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            pollfd p{fd_, POLLIN, 0};
            ::poll(&p, 1, 10);
            char buffer[256];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0) {
                r.bytes.append(buffer, n);
                if (stopAtLineEnd && r.bytes.endsWith("\r\n")) {
                    return r;
                }
            } else if (n == 0 || errno == EIO) {
                r.hungUp = true;
                return r;
            }
        }
        return r;
    }

  private:
    int fd_ = -1;
};

bool WaitUntilStopped(const PtyServer& server) {
    for (int i = 0; i < 200 && server.isRunning(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return !server.isRunning();
}

TEST(PtyServer, AnswersAnIdentificationRequest) {
    Simulator sim;
    PtyServer server(sim);
    QString error;
    const QString path = server.start(&error);
    ASSERT_FALSE(path.isEmpty()) << error.toStdString();
    EXPECT_TRUE(path.startsWith(QLatin1String("/dev/pts/")));

    Client client(path);
    ASSERT_TRUE(client.isOpen());
    ASSERT_TRUE(client.send(kIdentify));
    EXPECT_EQ(client.read(2000).bytes, kIdentity510);
    EXPECT_EQ(sim.requestLog(), QList<LoggedRequest>{Logged(1, 15, -1, -1, {}, true)});
    server.stop();
    EXPECT_FALSE(server.isRunning());
}

TEST(PtyServer, ServesClientsThatComeAndGo) {
    Simulator sim;
    PtyServer server(sim);
    const QString path = server.start();
    ASSERT_FALSE(path.isEmpty());
    // Nobody holds the slave open for a while: the server must wait, not give up.
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    {
        Client first(path);
        // Noise before the colon and a request split over two writes.
        first.send("\x05zz:01");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        first.send("00FF\r\n");
        EXPECT_EQ(first.read(2000).bytes, QByteArray(":0100FF\r\n"));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    Client second(path);
    second.send(kIdentify);
    EXPECT_EQ(second.read(2000).bytes, kIdentity510);
    EXPECT_TRUE(server.isRunning());
}

TEST(PtyServer, KeepsASymbolicLinkWhileServing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("kvir0"));
    // A link left behind by an earlier run is replaced.
    ASSERT_EQ(::symlink("/nonexistent/pts", link.toLocal8Bit().constData()), 0);

    Simulator sim;
    PtyServer server(sim, {link, false});
    const QString path = server.start();
    ASSERT_FALSE(path.isEmpty());
    EXPECT_EQ(QFile::symLinkTarget(link), path);
    {
        Client client(link);
        client.send(kIdentify);
        EXPECT_EQ(client.read(2000).bytes, kIdentity510);
    }
    server.stop();
    EXPECT_FALSE(QFileInfo(link).isSymLink());

    // A file that is not a link is never replaced.
    QFile plain(link);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    PtyServer refused(sim, {link, false});
    QString error;
    EXPECT_TRUE(refused.start(&error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(link));
}

TEST(PtyServer, GoesAwayAfterAHangUpOrTheLastReply) {
    struct Case {
        const char* faultText;
        QByteArray received;
    };
    const Case cases[] = {
        {"hangup@code=15", ":0100FF\r\n" + kIdentity510.left(27)},
        {"stop-after=2", ":0100FF\r\n" + kIdentity510},
    };
    for (const Case& c : cases) {
        Simulator sim;
        sim.addFault(*ParseFault(QLatin1String(c.faultText)));
        PtyServer server(sim);
        const QString path = server.start();
        ASSERT_FALSE(path.isEmpty());
        Client client(path);
        client.send(":0100FF\r\n");
        Client::Received r = client.read(2000);
        if (!r.hungUp) {
            client.send(kIdentify);
            const Client::Received rest = client.read(2000, false);
            r.bytes += rest.bytes;
            r.hungUp = rest.hungUp;
        }
        EXPECT_EQ(r.bytes, c.received) << c.faultText;
        EXPECT_TRUE(r.hungUp) << c.faultText;
        EXPECT_TRUE(WaitUntilStopped(server)) << c.faultText;
    }
}

TEST(PtyServer, WireSpeedPacesALongReply) {
    Simulator sim;
    PtyServer server(sim, {QString(), true});
    const QString path = server.start();
    ASSERT_FALSE(path.isEmpty());
    Client client(path);
    // 255 words from 0xD000: a 15-character request and a 1035-character reply, 1050
    // characters of 1.1458 ms on the line.
    QElapsedTimer timer;
    timer.start();
    client.send(":0104D000FF2C\r\n");
    const Client::Received r = client.read(3000);
    const qint64 elapsed = timer.elapsed();
    ASSERT_EQ(r.bytes.size(), 1035);
    EXPECT_GE(elapsed, 1100);
    EXPECT_LT(elapsed, 1600);
}

#ifdef KVIR_BINARY_DIR
// The executable: first line the device, clean end on SIGTERM with the link removed, the
// request log written.
TEST(KvirSimExecutable, ServesUntilTerminated) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("kvir"));
    const QString log = dir.filePath(QStringLiteral("requests.log"));
    QProcess sim;
    sim.start(QStringLiteral(KVIR_BINARY_DIR "/sim/kvir-sim"),
              {"--model", "210", "--link", link, "--log", log, "--fault", "lower-case@count=1"});
    ASSERT_TRUE(sim.waitForReadyRead(5000)) << sim.readAllStandardError().toStdString();
    const QString path = QString::fromLocal8Bit(sim.readLine()).trimmed();
    EXPECT_TRUE(path.startsWith(QLatin1String("/dev/pts/")));
    EXPECT_EQ(QFile::symLinkTarget(link), path);
    {
        Client client(link);
        client.send(kIdentify);
        EXPECT_EQ(client.read(2000).bytes,
                  QByteArray(":010f0000cac2c8d02d323130010000000000000000d00000003b\r\n"));
    }
    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    QFile logFile(log);
    ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = logFile.readAll().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith("addr=1 code=15 replied faults=lower-case")) << lines[0].data();
}

TEST(KvirSimExecutable, EndsByItselfAfterAStopFault) {
    QProcess sim;
    sim.start(QStringLiteral(KVIR_BINARY_DIR "/sim/kvir-sim"), {"--fault", "stop-after=1"});
    ASSERT_TRUE(sim.waitForReadyRead(5000));
    Client client(QString::fromLocal8Bit(sim.readLine()).trimmed());
    client.send(kIdentify);
    EXPECT_EQ(client.read(2000).bytes, kIdentity510);
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 0);
}

// With --measure-every the instrument keeps measuring while a client is connected: the mode
// bytes of the common folder's first places fill one after the other.
TEST(KvirSimExecutable, KeepsMeasuringIntoTheFirstNamedFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString notebook = dir.filePath(QStringLiteral("notebook.txt"));
    QFile file(notebook);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("folder 1 ОБЩАЯ ПАПКА\n");
    file.close();
    QProcess sim;
    sim.start(QStringLiteral(KVIR_BINARY_DIR "/sim/kvir-sim"),
              {"--notebook", notebook, "--measure-every", "0.1"});
    ASSERT_TRUE(sim.waitForReadyRead(5000)) << sim.readAllStandardError().toStdString();
    Client client(QString::fromLocal8Bit(sim.readLine()).trimmed());
    // Code 2 reads the mode bytes of places 0 and 1 as one 20-byte block from 0xD012.
    const QByteArray request = EncodeFrame(Hex("01 02 D012 14"));
    QByteArray modes;
    for (int tries = 0; tries < 100 && modes != Hex("01 01"); ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_TRUE(client.send(request));
        const auto reply = DecodeFrame(client.read(2000).bytes);
        ASSERT_TRUE(reply.has_value());
        modes = reply->mid(5, 1) + reply->mid(5 + 19, 1);
    }
    EXPECT_EQ(modes, Hex("01 01"));
    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(5000));
}

TEST(KvirSimExecutable, RefusesABadFault) {
    QProcess sim;
    sim.start(QStringLiteral(KVIR_BINARY_DIR "/sim/kvir-sim"), {"--fault", "loud"});
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 1);
    EXPECT_TRUE(sim.readAllStandardError().contains("loud"));
}
#endif

}  // namespace
}  // namespace kvir::sim
