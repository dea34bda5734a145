// A full notebook read of a sample notebook over the real serial code against the simulator
// at wire speed: wall time against the wire time of the characters exchanged, and the CPU
// time of the reading thread. Run: build/tests/read_bench 510|210 [sample file]
#include "CountingPort.h"
#include "instrument/NotebookSequences.h"
#include "sim/NotebookFile.h"
#include "sim/PtyServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <ctime>

using namespace kvir;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString which = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("210");
    const QString sample = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    const DeviceModel model =
        which == QStringLiteral("510") ? DeviceModel::Ph510 : DeviceModel::Conc210;

    sim::Simulator simulator;
    if (!bench::LoadSample(simulator, model, sample)) {
        return 1;
    }
    sim::PtyServer server(simulator, {QString(), true});
    const QString device = server.start();

    bench::WireCount count;
    SerialLink link(bench::CountingFactory(count));
    Instrument instrument(link);
    if (device.isEmpty() || link.OpenPort(device) != 0 || instrument.ReadIdentification() != 0) {
        std::fprintf(stderr, "cannot reach the simulator\n");
        return 1;
    }
    count = {};
    QElapsedTimer clock;
    clock.start();
    const double cpu0 = bench::ThreadCpuMs();
    const NotebookRead read = ReadWholeNotebook(instrument, model, QDate::currentDate());
    const double cpu = bench::ThreadCpuMs() - cpu0;
    const double wall = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (read.outcome.result != 0) {
        std::fprintf(stderr, "read failed: %d\n", read.outcome.result);
        return 1;
    }
    std::printf(
        "%s full read: %d records, %d requests, %lld characters, wire %.0f ms, wall %.0f ms "
        "(ratio %.4f), reading thread CPU %.0f ms (%.2f %% of wire time)\n",
        qPrintable(DisplayName(model)), RecordCount(read.notebook.image),
        static_cast<int>(simulator.requestLog().size()),
        static_cast<long long>(count.written + count.read), count.wireMs(), wall,
        wall / count.wireMs(), cpu, 100.0 * cpu / count.wireMs());
    return 0;
}
