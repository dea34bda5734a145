// A whole-notebook write of a full sample notebook (prepared as the session prepares it) over
// the real serial code against the simulator at wire speed: wall time against the wire time of
// the characters exchanged. Run: build/tests/write_bench 510|210
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
    const DeviceModel model =
        which == QStringLiteral("510") ? DeviceModel::Ph510 : DeviceModel::Conc210;

    sim::Simulator simulator;
    if (!bench::LoadSample(simulator, model)) {
        return 1;
    }
    // Read at full speed first: the write starts from the notebook in memory.
    sim::PtyServer fast(simulator, {QString(), false});
    bench::WireCount count;
    Notebook notebook;
    Identification identification;
    {
        SerialLink link(bench::CountingFactory(count));
        Instrument instrument(link);
        if (link.OpenPort(fast.start()) != 0 || instrument.ReadIdentification() != 0) {
            std::fprintf(stderr, "cannot reach the simulator\n");
            return 1;
        }
        const NotebookRead read = ReadWholeNotebook(instrument, model, QDate::currentDate());
        if (read.outcome.result != 0) {
            std::fprintf(stderr, "cannot read the sample\n");
            return 1;
        }
        notebook = read.notebook;
        identification = instrument.identification();
    }
    fast.stop();
    if (PrepareWholeWrite(notebook, identification.base, false) != WholeWriteFault::None) {
        std::fprintf(stderr, "the sample cannot be written whole\n");
        return 1;
    }
    const QByteArray before = simulator.memory();
    simulator.clearLog();

    sim::PtyServer server(simulator, {QString(), true});
    SerialLink link(bench::CountingFactory(count));
    Instrument instrument(link);
    instrument.setIdentification(identification);
    if (link.OpenPort(server.start()) != 0) {
        return 1;
    }
    count = {};
    QElapsedTimer clock;
    clock.start();
    const double cpu0 = bench::ThreadCpuMs();
    const ExchangeResult r = WriteNotebookSequence(instrument, notebook, {});
    const double cpu = bench::ThreadCpuMs() - cpu0;
    const double wall = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (r != 0) {
        std::fprintf(stderr, "write failed: %d\n", r);
        return 1;
    }
    std::printf(
        "%s whole-notebook write: %d records, %d requests, %lld characters, wire %.0f ms, "
        "wall %.0f ms (ratio %.4f), CPU %.0f ms; memory %s\n",
        qPrintable(DisplayName(model)), RecordCount(notebook.image),
        static_cast<int>(simulator.requestLog().size()),
        static_cast<long long>(count.written + count.read), count.wireMs(), wall,
        wall / count.wireMs(), cpu,
        simulator.memory() == before ? "unchanged (rewritten as it was)" : "changed");
    return 0;
}
