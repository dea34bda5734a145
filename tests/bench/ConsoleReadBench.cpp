// The console's own full read ("Подключиться": connection, identification and the notebook, on
// the session's thread, with the progress window and the record table refilled after every
// page) of a sample notebook at wire speed, offscreen: wall time against the wire time, the
// window thread's CPU time while the read runs, and the CPU time of the table refills alone.
// Run: QT_QPA_PLATFORM=offscreen build/tests/console_read_bench [510|210]
#include "CountingPort.h"
#include "bench/NoDialogs.h"
#include "console/K210.h"
#include "console/RecordTablePage.h"
#include "console/WindowSession.h"
#include "sim/NotebookFile.h"
#include "sim/PtyServer.h"
#include "windows/Progress.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <ctime>

using namespace kvir;

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
    if (qEnvironmentVariableIsEmpty("KVIR_BENCH_NO_PROGRESS")) {
        form.setAuxWindows(new Tprogressmetr, nullptr);
    }
    const auto idle = [&form] {
        while (form.session().busy()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(1);
        }
        QCoreApplication::processEvents();
    };
    idle();  // the port listing of the start-up
    form.findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setEditText(device);
    form.show();
    QCoreApplication::processEvents();

    count = {};
    QElapsedTimer clock;
    clock.start();
    const double cpu0 = bench::ThreadCpuMs();
    form.findChild<QAction*>(QStringLiteral("m_connekt"))->trigger();
    idle();
    const double cpu = bench::ThreadCpuMs() - cpu0;
    const double wall = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    const Notebook full = form.session().state().notebook();
    const int records = RecordCountOf(full);

    // The refills alone: the table as it grows page by page (23 or 26 records a page).
    auto* table = form.findChild<RecordTablePage*>(QStringLiteral("Page_sort_name"));
    const int perPage = ph ? 26 : 23;
    const double fill0 = bench::ThreadCpuMs();
    for (int n = perPage; n < records + perPage; n += perPage) {
        Notebook part = full;
        for (int s = std::min(n, records); s < kNotebookSlots; ++s) {
            ClearRecordSlot(part.image, s);
        }
        table->showNotebook(part);
    }
    const double fillCpu = bench::ThreadCpuMs() - fill0;

    std::printf(
        "%s console read: %d records, wire %.0f ms, wall %.0f ms (ratio %.4f); window "
        "thread CPU %.0f ms (%.2f %% of wire); table refills %.0f ms CPU (%.2f %% of "
        "wire)\n",
        qPrintable(form.windowTitle()), records, count.wireMs(), wall, wall / count.wireMs(), cpu,
        100.0 * cpu / count.wireMs(), fillCpu, 100.0 * fillCpu / count.wireMs());
    return records > 0 ? 0 : 1;
}
