// The archive at scale. Generates (once) an archive of about 1,000,000 records in DIR — the
// shipped 210 and 510 samples read through the simulator, varied per snapshot (dates moved 3
// days further each time, values changed), every tenth read repeated as it is — then measures:
// storing a 1000-record snapshot (all new, and all already archived), opening the Архив page
// and painting its first screen, a filter by folder and one month, "kvir-cli archive export"
// of everything, the file size per record, and "Весь архив" on the chart page (read on its own
// thread). With KVIR_TEST_POSTGRES also a store on the server. Run (release build recommended):
//     QT_QPA_PLATFORM=offscreen build/tests/archive_bench DIR [records]
#include "ArchivePage.h"
#include "ChartPage.h"
#include "ChartView.h"
#include "archive/ArchiveTestSupport.h"
#include "bench/NoDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

using namespace kvir;

namespace {

double Ms(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// CPU time of the finished child processes (user and system), in ms.
double ChildrenCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

SnapshotMeta Meta(int k) {
    return {QDateTime(QDate(2016, 1, 1), QTime(9, 0)).addDays(3 * k),
            QStringLiteral("/dev/ttyUSB0"),
            k % 3 == 0 ? QStringLiteral("Иванов Иван Иванович") : QStringLiteral("Петрова Анна"),
            true, SnapshotKind::Read};
}

bool Generate(const QString& file, qint64 target, const Notebook& s210, const Notebook& s510) {
    Archive archive;
    if (archive.open(SqliteLocation(file)) != ArchiveStatus::Ok) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(file));
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    qint64 records = 0;
    Notebook last;
    int k = 0;
    for (; records < target; ++k) {
        const bool repeat = k % 10 == 9;
        if (!repeat) {
            last = test::VariantNotebook(k % 2 == 0 ? s210 : s510, 3 * k - 3000, k);
        }
        const StoreResult r = archive.store(last, Meta(k));
        if (r.status != ArchiveStatus::Ok) {
            std::fprintf(stderr, "store %d failed: %s\n", k, qPrintable(archive.lastError()));
            return false;
        }
        records += r.newRecords;
    }
    std::printf("generated %d snapshots, %lld records in %.1f s\n", k,
                static_cast<long long>(records), Ms(clock) / 1000.0);
    return true;
}

// Stores 10 fresh 1000-record notebooks and 10 repeated ones; the medians in ms.
std::pair<double, double> StoreTimes(const ArchiveLocation& location, const Notebook& s210) {
    Archive archive;
    if (archive.open(location) != ArchiveStatus::Ok) {
        return {-1, -1};
    }
    std::vector<double> fresh;
    std::vector<double> repeated;
    for (int i = 0; i < 10; ++i) {
        const Notebook n = test::VariantNotebook(s210, 20000 + i, 100000 + i);
        for (std::vector<double>* times : {&fresh, &repeated}) {
            QElapsedTimer t;
            t.start();
            if (archive.store(n, Meta(i)).status != ArchiveStatus::Ok) {
                return {-1, -1};
            }
            times->push_back(Ms(t));
        }
    }
    return {Median(fresh), Median(repeated)};
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: archive_bench DIR [records]\n");
        return 64;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const qint64 target = argc > 2 ? QByteArray(argv[2]).toLongLong() : 1'000'000;
    QDir().mkpath(dir);
    const QString file = QDir(dir).filePath(kArchiveFileName);
    const Notebook s210 = test::ReadSampleNotebook(DeviceModel::Conc210);
    const Notebook s510 = test::ReadSampleNotebook(DeviceModel::Ph510);
    if (!QFileInfo::exists(file) && !Generate(file, target, s210, s510)) {
        return 1;
    }

    // Opening the page and painting its first screen, from a cold start of the archive.
    QElapsedTimer t;
    t.start();
    ConsoleArchive archive(dir);
    archive.open();
    bench::NoDialogs dialogs;
    ArchivePage page(archive, dialogs, QLocale(QStringLiteral("ru_RU")));
    page.resize(1280, 800);
    page.show();
    page.grab();
    const double open = Ms(t);
    qint64 total = 0;
    archive.archive()->count(DeviceModel::Conc210, &total);
    qint64 all510 = 0;
    archive.archive()->count(DeviceModel::Ph510, &all510);
    total += all510;
    std::printf("archive: %lld records, file %.1f MB, %.1f bytes per record\n",
                static_cast<long long>(total), QFileInfo(file).size() / 1e6,
                static_cast<double>(QFileInfo(file).size()) / static_cast<double>(total));
    std::printf("Архив page opened and first screen painted: %.0f ms (%d rows fetched of %lld)\n",
                open, page.records()->rowCount(),
                static_cast<long long>(page.records()->totalCount()));

    // A folder and one month, through the page's fields (count and first page).
    std::vector<double> filters;
    qint64 found = 0;
    for (int month = 1; month <= 9; ++month) {
        page.Combo_model->setCurrentIndex(1);
        page.Combo_folder->setCurrentText(
            QStringLiteral("Пробоотбор %1").arg(month, 2, 10, QLatin1Char('0')));
        page.Check_period->setChecked(true);
        page.Date_from->setDate(QDate(2020, month, 1));
        page.Date_to->setDate(QDate(2020, month, 1).addMonths(1).addDays(-1));
        QElapsedTimer f;
        f.start();
        page.applyFilter();
        page.grab();
        filters.push_back(Ms(f));
        found += page.records()->totalCount();
    }
    std::printf(
        "filter by folder and one month, shown: median %.1f ms (%.0f records found on "
        "average)\n",
        Median(filters), static_cast<double>(found) / 9.0);

    // "Весь архив" on the chart page: the records read on a thread of their own; how long the
    // window's thread waited at most between two turns of its event loop meanwhile, and how
    // long the same records took read on the window's thread itself, as the page once did.
    for (const DeviceModel model : {DeviceModel::Conc210, DeviceModel::Ph510}) {
        ChartPage chart({&dialogs, QLocale(QStringLiteral("ru_RU")), {}, &archive});
        chart.resize(1280, 720);
        chart.show();
        chart.setArchiveModel(model);
        QElapsedTimer load;
        load.start();
        chart.setShowArchive(true);
        const double started = Ms(load);
        double longest = 0.0;
        while (chart.isLoadingArchive()) {
            QElapsedTimer turn;
            turn.start();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            longest = std::max(longest, Ms(turn));
            QThread::msleep(1);
        }
        const double loaded = Ms(load);
        chart.grab();
        const double drawn = Ms(load);
        QElapsedTimer direct;
        direct.start();
        ChartData data;
        archive.archive()->forEachPage(model, [&data](const QList<ArchivedRecord>& records) {
            for (const ArchivedRecord& r : records) {
                data.add(r.folder, r.id, r.stamp, r.modeCode,
                         {r.value1, r.value2, r.value3, r.value4});
            }
        });
        std::printf(
            "Весь архив, %s, %zu records: read in %.2f s on its own thread, drawn at %.2f s; "
            "the window's thread: %.0f ms to start, %.0f ms its longest turn; read on the "
            "window's thread instead: %.2f s\n",
            qPrintable(DisplayName(model)), chart.view()->data()->records.size(), loaded / 1000.0,
            drawn / 1000.0, started, longest, Ms(direct) / 1000.0);
    }

    const auto [fresh, repeated] = StoreTimes(SqliteLocation(file), s210);
    std::printf("store a 1000-record snapshot: %.1f ms all new, %.1f ms all archived before\n",
                fresh, repeated);

    QProcess cli;
    cli.setStandardOutputFile(QProcess::nullDevice());
    const double cpu0 = ChildrenCpuMs();
    QElapsedTimer e;
    e.start();
    cli.start(
        QStringLiteral(KVIR_BINARY_DIR "/cli/kvir-cli"),
        {QStringLiteral("--archive"), file, QStringLiteral("archive"), QStringLiteral("export")});
    cli.waitForFinished(-1);
    const double exportMs = Ms(e);
    const double exportCpu = ChildrenCpuMs() - cpu0;
    std::printf(
        "kvir-cli archive export of everything: %.1f s, %.0f records/s (exit %d); CPU "
        "%.1f s, %.2f us per record\n",
        exportMs / 1000.0, static_cast<double>(total) / exportMs * 1000.0, cli.exitCode(),
        exportCpu / 1000.0, exportCpu * 1000.0 / static_cast<double>(total));

    if (std::optional<ArchiveLocation> server = test::TestServer()) {
        const auto [pgFresh, pgRepeated] = StoreTimes(*server, s210);
        std::printf(
            "PostgreSQL store of a 1000-record snapshot: %.1f ms all new, %.1f ms all "
            "archived before\n",
            pgFresh, pgRepeated);
    }
    return 0;
}
