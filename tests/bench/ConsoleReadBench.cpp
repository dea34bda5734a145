// The console's own full read (ReadNotebook with the progress window and the record table
// refilled after every page) of a sample notebook at wire speed, offscreen: wall time against
// the wire time, the main thread's CPU time, and the CPU time of the table refills alone.
// Run: QT_QPA_PLATFORM=offscreen build/tests/console_read_bench [510|210]
#include "CountingPort.h"
#include "bench/NoDialogs.h"
#include "console/K210.h"
#include "sim/NotebookFile.h"
#include "sim/PtyServer.h"
#include "windows/Progress.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

using namespace kvir;

namespace {}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString which = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("210");
    const bool ph = which == QStringLiteral("510");

    sim::Simulator simulator;
    if (!bench::LoadSample(simulator, ph ? DeviceModel::Ph510 : DeviceModel::Conc210)) {
        return 1;
    }
    sim::PtyServer server(simulator, {QString(), true});
    const QString device = server.start();

    QTemporaryDir dir;
    bench::NoDialogs dialogs;
    bench::WireCount count;
    SerialLink link(bench::CountingFactory(count), [](int) {});
    ConsoleServices services;
    services.workDir = dir.path();
    services.dialogs = &dialogs;
    services.link = &link;
    services.listPorts = [] { return QStringList(); };
    services.locale = QLocale(QLocale::Russian, QLocale::Russia);
    TGround_form form(services);
    Tprogressmetr progress;
    if (qEnvironmentVariableIsEmpty("KVIR_BENCH_NO_PROGRESS")) {
        form.setAuxWindows(&progress, nullptr);
    }
    form.ComboBox1->setEditText(device);
    form.show();
    QCoreApplication::processEvents();

    // Connect and identify outside the measurement: the read alone is measured.
    if (form.session().Connect() != 0) {
        return 1;
    }
    form.session().Identify();
    count = {};
    QElapsedTimer clock;
    clock.start();
    const double cpu0 = bench::ThreadCpuMs();
    form.session().ReadNotebook();
    const double cpu = bench::ThreadCpuMs() - cpu0;
    const double wall = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    const int records = RecordCount(form.notebook());

    // The refills alone: the table as it grows page by page (23 or 26 records a page).
    const int perPage = ph ? 26 : 23;
    NotebookImage full = form.notebook();
    const double fill0 = bench::ThreadCpuMs();
    for (int n = perPage; n < records + perPage; n += perPage) {
        NotebookImage& image = form.notebook();
        image = full;
        for (int s = std::min(n, records); s < kNotebookSlots; ++s) {
            ClearRecordSlot(image, s);
        }
        form.FillRecordTable(form.activeView());
    }
    const double fillCpu = bench::ThreadCpuMs() - fill0;

    std::printf(
        "%s console read: %d records, wire %.0f ms, wall %.0f ms (ratio %.4f); main "
        "thread CPU %.0f ms (%.2f %% of wire); table refills %.0f ms CPU (%.2f %% of "
        "wire)\n",
        qPrintable(form.caption()), records, count.wireMs(), wall, wall / count.wireMs(), cpu,
        100.0 * cpu / count.wireMs(), fillCpu, 100.0 * fillCpu / count.wireMs());
    return 0;
}
