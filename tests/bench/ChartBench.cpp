// The "График" page with many points, offscreen: the time from handing the archive's records to
// the page until it is painted, and from each zoom (mouse wheel, frame, back to the whole
// range) until it is painted again.
//   QT_QPA_PLATFORM=offscreen build/tests/chart_bench [points, default 100000]
// With --screenshot FILE it renders the page for the "КВИР-510v2" small sample, read from the
// simulator, into FILE instead (the picture in the README).
#include "CountingPort.h"
#include "bench/NoDialogs.h"
#include "console/ChartPage.h"
#include "console/ChartView.h"
#include "console/OperatorDialogs.h"
#include "instrument/MemoryLayout.h"
#include "instrument/NotebookSequences.h"
#include "sim/SimulatorPeer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineSeries>
#include <QMouseEvent>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

using namespace kvir;

namespace {

const QDateTime kNow(QDate(2026, 12, 8), QTime(10, 0));

// `count` pH readings of five folders, one every quarter of an hour from 1 January 2024 on.
ChartData ManyRecords(int count) {
    const QStringList folders = {QStringLiteral("Буфер 4.01"), QStringLiteral("Буфер 6.86"),
                                 QStringLiteral("Буфер 9.18"), QStringLiteral("Скважина 3"),
                                 QStringLiteral("Водопровод, ввод")};
    const double bases[] = {4.01, 6.86, 9.18, 7.3, 7.75};
    std::mt19937 random(12);
    std::normal_distribution<double> noise(0.0, 0.02);
    ChartData data;
    data.model = DeviceModel::Ph510;
    const double start = DaySerial(QDate(2024, 1, 1));
    for (int i = 0; i < count; ++i) {
        const int f = i % 5;
        const double stamp = start + i / 96.0;
        const double season = 0.05 * std::sin(stamp / 58.0);
        const auto ph = static_cast<float>(bases[f] + season + noise(random));
        data.add(folders[f], i, stamp, 1, {21.0f, 0.0f, ph, ph});
    }
    return data;
}

// Wall time and the main thread's CPU time of one step, in milliseconds.
struct Stopwatch {
    QElapsedTimer clock;
    double cpu0 = 0.0;
    void restart() {
        clock.start();
        cpu0 = bench::ThreadCpuMs();
    }
    std::pair<double, double> ms() const {
        return {static_cast<double>(clock.nsecsElapsed()) / 1e6, bench::ThreadCpuMs() - cpu0};
    }
};

// Lets posted layout requests run, then paints the page now.
void Paint(ChartPage& page) {
    QCoreApplication::processEvents();
    page.repaint();
}

int DrawnPoints(const ChartView& view) {
    int n = 0;
    for (QAbstractSeries* s : view.chart()->series()) {
        n += static_cast<int>(static_cast<QLineSeries*>(s)->count());
    }
    return n;
}

void Summary(const char* what, std::vector<std::pair<double, double>> ms) {
    std::sort(ms.begin(), ms.end());
    const auto [wall, cpu] = ms[ms.size() / 2];
    std::printf("%-20s median %6.1f ms (CPU %6.1f ms), slowest %6.1f ms (%zu runs)\n", what, wall,
                cpu, ms.back().first, ms.size());
}

int Benchmark(int count) {
    bench::NoDialogs dialogs;
    ChartPage page({&dialogs, QLocale(QLocale::Russian, QLocale::Russia), [] { return kNow; }});
    page.resize(1280, 720);
    page.show();
    Paint(page);
    ChartData records = ManyRecords(count);
    Stopwatch clock;
    clock.restart();
    page.setArchiveRecords(std::move(records));
    page.setChosenFolders(page.view()->data()->folders);
    Paint(page);
    const auto [first, firstCpu] = clock.ms();
    ChartView& view = *page.view();
    std::printf("%d points in %zu lines, %d drawn on a plot %.0f pixels wide\n", count,
                view.seriesData().size(), DrawnPoints(view), view.chart()->plotArea().width());
    std::printf("%-20s        %6.1f ms (CPU %6.1f ms)\n", "first paint", first, firstCpu);

    QWidget* viewport = view.viewport();
    const QPointF middle = view.chart()->plotArea().center();
    std::vector<std::pair<double, double>> wheel;
    for (int i = 0; i < 24; ++i) {
        const int delta = i < 12 ? 120 : -120;  // twelve steps in, twelve out
        QWheelEvent event(middle, viewport->mapToGlobal(middle), {}, {0, delta}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        clock.restart();
        QCoreApplication::sendEvent(viewport, &event);
        Paint(page);
        wheel.push_back(clock.ms());
    }
    std::vector<std::pair<double, double>> frame;
    std::vector<std::pair<double, double>> whole;
    for (int i = 0; i < 8; ++i) {
        const QRectF plot = view.chart()->plotArea();
        clock.restart();
        view.zoomToRect(QRectF(plot.left() + plot.width() * (0.1 + 0.05 * i), plot.top() + 20,
                               plot.width() * 0.3, plot.height() - 40));
        Paint(page);
        frame.push_back(clock.ms());
        clock.restart();
        view.showWholeRange();
        Paint(page);
        whole.push_back(clock.ms());
    }
    Summary("zoom, mouse wheel", wheel);
    Summary("zoom, frame", frame);
    Summary("back to whole range", whole);
    return 0;
}

int Screenshot(const QString& path) {
    sim::Simulator simulator;
    if (!bench::LoadSample(simulator, DeviceModel::Ph510,
                           QStringLiteral(KVIR_SOURCE_DIR "/sim/samples/510-small.txt"))) {
        return 1;
    }
    SerialLink link(sim::SimulatorPortFactory(simulator), [](int) {});
    Instrument instrument(link);
    if (link.OpenPort(QStringLiteral("sim")) != 0 || instrument.ReadIdentification() != 0) {
        std::fprintf(stderr, "cannot identify the simulated instrument\n");
        return 1;
    }
    const NotebookRead read = ReadWholeNotebook(instrument, DeviceModel::Ph510, kNow.date());
    if (read.outcome.result != 0) {
        std::fprintf(stderr, "cannot read the simulated notebook\n");
        return 1;
    }
    const Notebook& notebook = read.notebook;

    bench::NoDialogs dialogs;
    ChartPage page({&dialogs, QLocale(QLocale::Russian, QLocale::Russia), [] { return kNow; }});
    page.resize(1100, 600);
    page.setNotebook(notebook);
    page.setChosenFolders(
        {QStringLiteral("Буфер 4.01"), QStringLiteral("Буфер 6.86"), QStringLiteral("Буфер 9.18")});
    page.show();
    Paint(page);
    if (!page.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.value(0) == QStringLiteral("--screenshot") && arguments.size() == 2) {
        return Screenshot(arguments.at(1));
    }
    const int count = arguments.isEmpty() ? 100'000 : arguments.at(0).toInt();
    if (count < 1) {
        std::fprintf(stderr, "usage: chart_bench [points] | --screenshot FILE\n");
        return 64;
    }
    return Benchmark(count);
}
