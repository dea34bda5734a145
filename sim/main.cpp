// kvir-sim: a simulated instrument on a pseudo-terminal. Prints the slave device path as the
// first line of standard output and serves until SIGINT or SIGTERM, or until a hang-up or stop
// fault ends it.

#include "NotebookFile.h"
#include "PtyServer.h"
#include "SimOptions.h"
#include "Simulator.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>

#include <pthread.h>

namespace {

// The sample notebooks installed with the program, relative to the executable so that any
// installation prefix works (/usr/share/kvir-console/samples for the package).
constexpr const char* kSamplesHelp =
    "                     A bare file name that is not in the current directory is taken\n"
    "                     from the installed samples, ../share/kvir-console/samples beside\n"
    "                     the program (/usr/share/kvir-console/samples in the package).\n";

QString FindNotebook(const QString& path) {
    if (path.isEmpty() || path.contains(QLatin1Char('/')) || QFileInfo::exists(path)) {
        return path;
    }
    const QString sample =
        QDir::cleanPath(QCoreApplication::applicationDirPath() +
                        QStringLiteral("/../share/kvir-console/samples/") + path);
    return QFileInfo::exists(sample) ? sample : path;
}

// The `n`-th measurement the instrument takes on its own at `now`, into the first named
// folder: the clock's date and time, values that wander a little from one to the next.
// False when it found no room (or no named folder).
bool Measure(kvir::sim::Simulator& simulator, const QDateTime& now, int n) {
    using namespace kvir::sim;
    const Identification id = simulator.identification();
    const Model model = ModelOf(id.name, id.version);
    Measurement m;
    m.folder = FirstNamedFolder(model, simulator.memory(), id.notebookBase);
    m.dayWord = DayWord(model, now.date());
    m.timeWord = TimeWord(now.time());
    const auto wave = static_cast<float>(std::sin(n * 0.7));
    m.value1 = 21.0f + wave;  // temperature
    if (model == Model::Ph510) {
        m.mode = 1;  // pH
        m.value3 = 7.0f + 0.4f * wave;
        m.value2 = (7.0f - m.value3) * 59.16f;  // the electrode's millivolts
    } else {
        m.mode = 0;  // КРК in µg/l
        m.value2 = 120.0f + 15.0f * wave;
        m.value3 = m.value2 / 90.0f;
    }
    return m.folder > 0 && simulator.storeMeasurement(m);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kvir::sim;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kvir-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVIR_VERSION));

    SimOptions options;
    QString message;
    QStringList arguments = QCoreApplication::arguments();
    const QString notebookPath = FindNotebook(TakeNotebookOption(arguments, &message));
    if (!message.isEmpty()) {
        std::fprintf(stderr, "kvir-sim: %s\n", qPrintable(message));
        return 1;
    }
    switch (ParseSimOptions(arguments, options, message)) {
        case ParseOutcome::Help:
            std::fputs(qPrintable(message), stdout);
            std::fputs(kNotebookOptionHelp, stdout);
            std::fputs(kSamplesHelp, stdout);
            return 0;
        case ParseOutcome::Version:
            std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                        qPrintable(QCoreApplication::applicationVersion()));
            return 0;
        case ParseOutcome::Error:
            std::fprintf(stderr, "kvir-sim: %s\n", qPrintable(message));
            return 1;
        case ParseOutcome::Run:
            break;
    }

    Simulator simulator;
    simulator.setIdentification(options.identification);
    for (const Fault& fault : options.faults) {
        simulator.addFault(fault);
    }
    if (!LoadStartImage(simulator, options, message)) {
        std::fprintf(stderr, "kvir-sim: %s\n", qPrintable(message));
        return 1;
    }
    NotebookFileError notebookError;
    if (!notebookPath.isEmpty() && !LoadNotebookFile(simulator, notebookPath, &notebookError)) {
        std::fprintf(stderr, "kvir-sim: %s: %s\n", qPrintable(notebookPath),
                     qPrintable(notebookError.text()));
        return 1;
    }

    QFile logFile(options.logFile);
    if (!options.logFile.isEmpty()) {
        if (!logFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            std::fprintf(stderr, "kvir-sim: %s: %s\n", qPrintable(options.logFile),
                         qPrintable(logFile.errorString()));
            return 1;
        }
        simulator.setRequestObserver([&logFile](const LoggedRequest& request) {
            const QString line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs) +
                                 QLatin1Char(' ') + FormatLoggedRequest(request) +
                                 QLatin1Char('\n');
            logFile.write(line.toUtf8());
            logFile.flush();
        });
    }

    // SIGINT and SIGTERM are taken synchronously below; block them before the server thread
    // starts so that it inherits the mask and never receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    PtyServer server(simulator, {options.linkPath, options.wireSpeed});
    const QString path = server.start(&message);
    if (path.isEmpty()) {
        std::fprintf(stderr, "kvir-sim: %s\n", qPrintable(message));
        return 2;
    }
    std::printf("%s\n", qPrintable(path));
    std::fflush(stdout);

    const timespec tick{0, 100'000'000L};
    const auto period = static_cast<qint64>(std::llround(options.measureEvery * 1000.0));
    QElapsedTimer clock;
    clock.start();
    qint64 due = period;
    int measured = 0;
    bool roomReported = false;
    while (server.isRunning()) {
        if (sigtimedwait(&stopSignals, nullptr, &tick) > 0) {
            break;
        }
        if (period > 0 && clock.elapsed() >= due) {
            due += period;
            if (Measure(simulator, QDateTime::currentDateTime(), measured)) {
                ++measured;
                roomReported = false;
            } else if (!roomReported) {
                // Said once; the instrument goes on trying, as a full one would.
                std::fputs("kvir-sim: no room for a measurement in the first named folder\n",
                           stderr);
                roomReported = true;
            }
        }
    }
    server.stop();
    simulator.setRequestObserver({});
    return 0;
}
