// kvir-cli against kvir-sim, both as the separate programs an operator or a script runs.
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

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

// Ctrl+C during a read at wire speed: the read stops before its next request, what came in is
// printed and kept in the archive as a partial snapshot, and the status is the shell's 130.
TEST(KvirCli, CtrlCStopsTheReadAndKeepsWhatWasRead) {
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("a.sqlite"));
    SimProcess sim({"--model", "510", "--notebook", KVIR_SOURCE_DIR "/sim/samples/510-small.txt",
                    "--wire-speed"});
    QProcess cli;
    cli.start(kCli, {"--port", sim.port, "--archive", archive, "read"});
    // Ping, identification, and the first folder page's two reads: its reply is on the line.
    QElapsedTimer clock;
    clock.start();
    while (sim.requests() < 4 && clock.elapsed() < 20000) {
        QThread::msleep(10);
    }
    ASSERT_EQ(sim.requests(), 4);
    ASSERT_EQ(::kill(static_cast<pid_t>(cli.processId()), SIGINT), 0);
    ASSERT_TRUE(cli.waitForFinished(20000));
    EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(cli.exitCode(), 130);
    EXPECT_LT(sim.requests(), 2 + 2 * 21) << "the read stopped before the last page";

    const QStringList lines =
        QString::fromUtf8(cli.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    const QStringList folders = lines.filter(QRegularExpression("^folder="));
    const auto records = lines.filter(QRegularExpression("^record=")).size();
    ASSERT_FALSE(folders.isEmpty());
    EXPECT_EQ(folders.at(0), "folder=1;ОБЩАЯ ПАПКА");
    EXPECT_LT(folders.size(), 21);
    EXPECT_EQ(QString::fromUtf8(cli.readAllStandardError()),
              QStringLiteral("Чтение блокнота прервано оператором\n"
                             "Частичный снимок блокнота сохранен в архиве: записей %1, из них "
                             "новых %1\n")
                  .arg(records));
    const QStringList list =
        RunCli({"--archive", archive, "archive", "list"}).out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(list.size(), 1);
    EXPECT_TRUE(list[0].contains(QStringLiteral(";КВИР-510v2;%1;частичный;").arg(records)))
        << list[0].toStdString();
}

TEST(KvirCli, ReadStoresInTheArchiveWhichListsAndExports) {
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("a.sqlite"));
    {
        SimProcess sim(
            {"--model", "210", "--notebook", KVIR_SOURCE_DIR "/sim/samples/210-small.txt"});
        EXPECT_EQ(RunCli({"--port", sim.port, "read"}).exitCode, 0);
        EXPECT_FALSE(QFile::exists(archive)) << "a plain read stores nothing";
        for (const char* fresh : {"37", "0"}) {
            const CliResult r = RunCli({"--port", sim.port, "--archive", archive, "read"});
            EXPECT_EQ(r.exitCode, 0);
            EXPECT_EQ(r.err, QStringLiteral("Снимок блокнота сохранен в архиве: записей 37, из них "
                                            "новых %1\n")
                                 .arg(fresh));
        }
    }
    {
        // A read that stops part-way is kept as a partial snapshot.
        SimProcess sim({"--model", "510", "--notebook",
                        KVIR_SOURCE_DIR "/sim/samples/510-small.txt", "--fault",
                        "failed@code=3,start=0xD400"});
        const CliResult r = RunCli({"--port", sim.port, "--archive", archive, "read"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err,
                  "Ошибка выполнения команды\n"
                  "Частичный снимок блокнота сохранен в архиве: записей 11, из них новых 11\n");
    }
    const QStringList list =
        RunCli({"--archive", archive, "archive", "list"}).out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(list.size(), 3);
    EXPECT_TRUE(list[0].contains(";КВИР-510v2;11;частичный;")) << list[0].toStdString();
    EXPECT_TRUE(list[2].contains(";КВИР-210v1;37;полный;")) << list[2].toStdString();

    const auto exportLines = [&](QStringList args) {
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LANG"), QStringLiteral("ru_RU.UTF-8"));
        cli.setProcessEnvironment(env);
        cli.start(kCli, QStringList{"--archive", archive, "archive", "export"} + args);
        EXPECT_TRUE(cli.waitForFinished(20000));
        EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
        return cli.readAllStandardOutput();
    };
    const QByteArray all = exportLines({});
    EXPECT_EQ(all.count("\r\n"), 2 + 11 + 37) << "a header line before each model's records";
    EXPECT_TRUE(all.startsWith("\xcf\xe0\xef\xea\xe0")) << "Windows-1251 \"Папка\"";
    const QString utf8 = QString::fromUtf8(exportLines({"--utf8", "--model", "210"}));
    EXPECT_EQ(utf8.count("\r\n"), 1 + 37);
    // The instrument keeps no year: the read on today's date gives it.
    const QRegularExpressionMatch november =
        QRegularExpression(
            QStringLiteral(";25\\.11\\.(\\d{4}) 15:40:42;КРК\\[мкг/л\\];0;20,60;121,80;1,35;"))
            .match(utf8);
    ASSERT_TRUE(november.hasMatch()) << "the record table's texts in ru_RU";
    const QString year = november.captured(1);
    const QString month = QString::fromUtf8(exportLines(
        {"--utf8", "--model", "КВИР-210v1", "--from", year + "-11-01", "--to", year + "-11-30"}));
    EXPECT_EQ(month.count("\r\n") - 1,
              utf8.count(QRegularExpression(QStringLiteral(";\\d\\d\\.11\\.") + year + ' ')));

    const struct {
        QStringList args;
        int exitCode;
        QString err;
    } refusals[] = {
        {{"--archive", archive, "archive", "export", "--from", "2026-02-30"},
         64,
         "Дата должна быть в виде ГГГГ-ММ-ДД: 2026-02-30\n"},
        {{"--archive", archive, "archive", "export", "--model", "310"},
         64,
         "Неизвестная модель прибора: 310\n"},
        {{"--archive", dir.filePath("none.sqlite"), "archive", "list"},
         1,
         "Архива еще нет: " + dir.filePath("none.sqlite") + "\n"},
        {{"--archive", dir.filePath("empty.sqlite"), "archive", "export"},
         1,
         "Архива еще нет: " + dir.filePath("empty.sqlite") + "\n"},
        {{"archive", "drop"}, 64, "archive: list or export\n"},
    };
    QFile empty(dir.filePath("empty.sqlite"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    for (const auto& c : refusals) {
        const CliResult r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("none.sqlite")));
    EXPECT_EQ(QFileInfo(dir.filePath("empty.sqlite")).size(), 0) << "listing creates nothing";
}

TEST(KvirCli, ReadPrintsAStampInTheHourTheClocksSkipAsStored) {
    // 02:30 on the last Sunday of March does not exist in Central European time. The
    // instrument stores no year: the read dates the record in the latest year not after today.
    const QDate today = QDate::currentDate();
    const auto gapDay = [](int year) {
        const QDate end(year, 3, 31);
        return end.addDays(-(end.dayOfWeek() % 7));
    };
    const QDate day =
        gapDay(today.year()) <= today ? gapDay(today.year()) : gapDay(today.year() - 1);
    QTemporaryDir dir;
    const QString notebook = dir.filePath("gap.txt");
    QFile file(notebook);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(("model КВИР-510v2\nbase 0xD000\nfolder 1 ОБЩАЯ ПАПКА\nrecord 1 " +
                day.toString(Qt::ISODate) + " 02:30:00 1 21.0 5.0 7.0\n")
                   .toUtf8());
    file.close();
    SimProcess sim({"--model", "510", "--notebook", notebook});
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    cli.setProcessEnvironment(env);
    cli.start(kCli, {"--port", sim.port, "read"});
    ASSERT_TRUE(cli.waitForFinished(20000));
    const QString out = QString::fromUtf8(cli.readAllStandardOutput());
    EXPECT_TRUE(out.contains(";4500;" + day.toString(Qt::ISODate) + " 02:30:00;21;5;7;"))
        << out.toStdString();
}
