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
#include <QFile>
#include <QFileInfo>

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
    while (server.isRunning()) {
        if (sigtimedwait(&stopSignals, nullptr, &tick) > 0) {
            break;
        }
    }
    server.stop();
    simulator.setRequestObserver({});
    return 0;
}
