// kvir-cli against kvir-sim, both as the separate programs an operator or a script runs.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kSim = QStringLiteral(KVIR_BINARY_DIR "/sim/kvir-sim");
const QString kCli = QStringLiteral(KVIR_BINARY_DIR "/cli/kvir-cli");

struct SimProcess {
    QTemporaryDir dir;
    QProcess process;
    QString port;
    QString log;

    explicit SimProcess(QStringList args) {
        port = dir.filePath(QStringLiteral("port"));
        log = dir.filePath(QStringLiteral("requests.log"));
        args << QStringLiteral("--link") << port << QStringLiteral("--log") << log;
        process.start(kSim, args);
        EXPECT_TRUE(process.waitForReadyRead(5000)) << "kvir-sim prints its device path";
        const QString device = QString::fromUtf8(process.readLine()).trimmed();
        EXPECT_TRUE(device.startsWith(QStringLiteral("/dev/pts/"))) << device.toStdString();
    }
    ~SimProcess() {
        process.terminate();
        process.waitForFinished(3000);
    }
    int requests() const {
        QFile f(log);
        if (!f.open(QIODevice::ReadOnly)) {
            return 0;
        }
        return static_cast<int>(f.readAll().count('\n'));
    }
};

struct CliResult {
    int exitCode = -1;
    QString out, err;
};

CliResult RunCli(const QStringList& args) {
    QProcess cli;
    cli.start(kCli, args);
    EXPECT_TRUE(cli.waitForFinished(20000));
    return {cli.exitCode(), QString::fromUtf8(cli.readAllStandardOutput()),
            QString::fromUtf8(cli.readAllStandardError())};
}

}  // namespace

TEST(KvirCli, Identify) {
    struct Case {
        QStringList simArgs;
        int exitCode;
        QString out;
        QString err;
    };
    const Case cases[] = {
        {{"--model", "510"}, 0, "name=КВИР-510\nversion=2\nbase=53248\nmodel=КВИР-510v2\n", ""},
        {{"--model", "210", "--firmware", "-1", "--base", "57344"},
         0,
         "name=КВИР-210\nversion=-1\nbase=57344\nmodel=КВИР-210v1\n",
         ""},
        {{"--model", "510", "--firmware", "1"},
         2,
         "name=КВИР-510\nversion=1\nbase=53248\nmodel=КВИР-510v1\n",
         "Прибор КВИР-510v1 не определен\nработа с прибором невозможна\n"},
    };
    for (const Case& c : cases) {
        SimProcess sim(c.simArgs);
        const CliResult r = RunCli({"--port", sim.port, "identify"});
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
    }
}

TEST(KvirCli, PingAndErrors) {
    SimProcess sim({"--model", "510"});
    struct Case {
        QStringList args;
        int exitCode;
        QString errStart;
        int requests;  // requests the instrument has seen after the call
    };
    const Case cases[] = {
        {{"--port", sim.port, "ping"}, 0, "", 1},
        {{"--port", sim.port, "--address", "257", "ping"}, 0, "", 2},
        {{"--port", sim.port, "--address", "x1", "ping"},
         1,
         "Номер устройства должен быть целым десятичным числом: x1",
         2},
        {{"--port", sim.port, "--address", "", "identify"}, 1, "Номер устройства", 2},
        {{"--port", "/dev/kvir-none", "ping"}, 1, "Ошибка инициализации COM порта", 2},
        {{"--port", sim.port, "dance"}, 64, "", 2},
        {{"ping"}, 64, "", 2},
    };
    for (const Case& c : cases) {
        const CliResult r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE(c.errStart.isEmpty() || r.err.startsWith(c.errStart)) << r.err.toStdString();
        EXPECT_EQ(sim.requests(), c.requests) << c.args.join(' ').toStdString();
    }
}

TEST(KvirCli, SilentInstrument) {
    SimProcess sim({"--model", "510", "--fault", "silence"});
    const CliResult r = RunCli({"--port", sim.port, "ping"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Нет ответа от устройства\n");
}

TEST(KvirCli, ReadPrintsFoldersAndRecords) {
    SimProcess sim({"--model", "510", "--notebook", KVIR_SOURCE_DIR "/sim/samples/510-small.txt"});
    const CliResult r = RunCli({"--port", sim.port, "read"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.filter(QRegularExpression("^folder=")).size(), 21) << "one line a folder page";
    EXPECT_EQ(lines.filter(QRegularExpression("^record=")).size(), 31);
    EXPECT_EQ(lines.at(0), "folder=1;ОБЩАЯ ПАПКА");
    EXPECT_EQ(lines.at(1), "folder=2;Буфер 4.01");
    // Slot 0: folder 1, mode 1, day word 33 (3 February), time word 16580 (09:12:40).
    EXPECT_TRUE(
        QRegularExpression("^record=0;1;1;33;16580;\\d{4}-02-03 09:12:40;21.4;12.2;6.79;6.7")
            .match(lines.at(21))
            .hasMatch())
        << lines.at(21).toStdString();
}

TEST(KvirCli, ReadStopsAtAnExchangeErrorAndPrintsWhatWasRead) {
    // Page 2's test read fails: pages 0 and 1 are printed, then the message.
    SimProcess sim({"--model", "510", "--notebook", KVIR_SOURCE_DIR "/sim/samples/510-small.txt",
                    "--fault", "failed@code=3,start=0xD400"});
    const CliResult r = RunCli({"--port", sim.port, "read"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Ошибка выполнения команды\n");
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.filter(QRegularExpression("^folder=")).size(), 2);
    EXPECT_EQ(lines.filter(QRegularExpression("^record=")).size(), 11);
}
