// How the window answers while the console reads a full "КВИР-210v1" notebook (1000 records,
// 44 record pages) from the simulator at wire speed through the real serial code, offscreen:
// - the longest stall of the window's event loop (a 2 ms timer on the window's thread);
// - the read's wall time against the wire time of exactly the characters it exchanged;
// - the CPU time of the window's thread during the read;
// - after "Отмена" in the middle of a second read: the time to the last request the
//   instrument received, and to the end of the operation;
// - "Обновить блокнот" of 1000 records: the longest stall and whether the progress window
//   stayed up.
// Run: QT_QPA_PLATFORM=offscreen build/tests/window_bench
#include "console/K210.h"
#include "console/OperatorDialogs.h"
#include "console/ProtocolPage.h"
#include "console/WindowSession.h"
#include "link/QtSerialPortImpl.h"
#include "sim/NotebookFile.h"
#include "sim/PtyServer.h"
#include "windows/Progress.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <vector>

using namespace kvir;

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Characters on the line, counted on the session's thread.
std::atomic<qint64> g_chars{0};

class CountingPort final : public SerialPort {
  public:
    bool open(const QString& n, const LineSettings& s) override { return port_.open(n, s); }
    void close() override { port_.close(); }
    bool isOpen() const override { return port_.isOpen(); }
    bool applyLineSettings(const LineSettings& s) override { return port_.applyLineSettings(s); }
    bool applyTimeouts(const PortTimeouts& t) override { return port_.applyTimeouts(t); }
    bool purge() override { return port_.purge(); }
    bool setQueueSizes(int i, int o) override { return port_.setQueueSizes(i, o); }
    bool write(const QByteArray& bytes) override {
        g_chars += bytes.size();
        return port_.write(bytes);
    }
    std::optional<quint8> readByte() override {
        const std::optional<quint8> b = port_.readByte();
        g_chars += b ? 1 : 0;
        return b;
    }
    void expectBytes(int count) override { port_.expectBytes(count); }
    PortFault lastFault() const override { return port_.lastFault(); }
    QString lastError() const override { return port_.lastError(); }

  private:
    QtSerialPortImpl port_;
};

// Every question answered Yes, every message taken.
class YesDialogs final : public OperatorDialogs {
  public:
    DialogButton Message(const QString&, const QString&, DialogButtons b, DialogIcon,
                         DialogButton) override {
        return b == DialogButtons::Ok ? DialogButton::Ok : DialogButton::Yes;
    }
    std::optional<SaveFileChoice> SaveFile(const QStringList&, int) override { return {}; }
    std::optional<QString> OpenFile(const QString&, const QString&, const QStringList&) override {
        return {};
    }
    bool Print(QPrinter&) override { return false; }
    void ReportError(const QString&) override {}
};

double WireMs(qint64 chars) {
    return static_cast<double>(chars) * 11.0 * 1000.0 / 9600.0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    sim::Simulator simulator;
    simulator.setIdentification(sim::Kvir210Identification());
    sim::NotebookFileError error;
    if (!sim::LoadNotebookFile(
            simulator, QStringLiteral(KVIR_SOURCE_DIR "/sim/samples/210-full.txt"), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error.text()));
        return 1;
    }
    std::mutex requestsMutex;
    std::vector<Clock::time_point> requests;
    simulator.setRequestObserver([&](const sim::LoggedRequest&) {
        std::lock_guard lock(requestsMutex);
        requests.push_back(Clock::now());
    });
    QTemporaryDir dir;
    sim::PtyServer server(simulator, {dir.filePath(QStringLiteral("port")), true});
    if (server.start().isEmpty()) {
        return 1;
    }
    QFile settings(dir.filePath(QStringLiteral("KVIR-Wpad.ini")));
    if (!settings.open(QIODevice::WriteOnly)) {
        return 1;
    }
    settings.write("[Port]\r\nport=" + dir.filePath(QStringLiteral("port")).toLocal8Bit() +
                   "\r\n[StartPage]\r\nStartPage=1\r\n[Connect]\r\nConnect=0\r\n[NetAdres]\r\n"
                   "NetAdres=1\r\n");
    settings.close();

    YesDialogs dialogs;
    SerialLink link([] { return std::make_unique<CountingPort>(); });
    ConsoleServices services;
    services.workDir = dir.path();
    services.dialogs = &dialogs;
    services.link = &link;
    services.listPorts = [] { return QStringList(); };
    services.locale = QLocale(QLocale::Russian, QLocale::Russia);
    services.archive = false;
    TGround_form form(services);
    auto* progress = new Tprogressmetr;
    form.setAuxWindows(progress, nullptr);
    form.show();
    WindowSession& session = form.session();
    // The window's own event loop runs until the operation has ended: it sleeps while nothing
    // happens, as the program's does.
    const auto waitIdle = [&] {
        if (session.busy()) {
            QEventLoop loop;
            QObject::connect(&session, &WindowSession::operationFinished, &loop, &QEventLoop::quit);
            loop.exec();
        }
        QCoreApplication::processEvents();
    };
    waitIdle();

    Clock::time_point readStart{};
    // The probe: the longest gap between two ticks of a 2 ms timer on the window's thread. It
    // costs CPU of its own, so it runs during the second read only.
    Clock::time_point lastTick = Clock::now();
    double longestStall = 0;
    double longestAt = 0;
    int stallsOver50 = 0;
    bool probing = false;
    QTimer probe;
    probe.setInterval(2);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const Clock::time_point now = Clock::now();
        if (probing) {
            const double gap = Ms(now - lastTick);
            stallsOver50 += gap > 50 ? 1 : 0;
            if (gap > longestStall) {
                longestStall = gap;
                longestAt = Ms(now - readStart);
            }
        }
        lastTick = now;
    });

    // The read: from its first page's "read started" to the end of the operation.
    qint64 charsAtStart = 0;
    double cpuAtStart = 0;
    bool started = false;
    QObject::connect(&session, &WindowSession::notebookLoading, [&] {
        if (!started) {
            started = true;
            readStart = Clock::now();
            charsAtStart = g_chars.load();
            cpuAtStart = ThreadCpuMs();
            lastTick = readStart;
            probing = probe.isActive();
        }
    });
    auto* connect = form.findChild<QAbstractButton*>(QStringLiteral("But_conect"));
    connect->click();
    waitIdle();
    const double wall = Ms(Clock::now() - readStart);
    const double cpu = ThreadCpuMs() - cpuAtStart;
    const double wire = WireMs(g_chars.load() - charsAtStart);
    std::printf(
        "read of %d records: %.0f ms wall, %.0f ms on the wire (%.4f x), "
        "window thread CPU %.0f ms\n",
        RecordCountOf(session.state().notebook()), wall, wire, wall / wire, cpu);

    started = false;
    probe.start();
    connect->click();
    waitIdle();
    probing = false;
    probe.stop();
    std::printf(
        "read again with the probe: longest stall of the window %.1f ms (%.0f ms into "
        "the read), %d stalls over 50 ms\n",
        longestStall, longestAt, stallsOver50);

    // "Отмена" in the middle of a second read.
    started = false;
    auto* cancel = progress->findChild<QAbstractButton*>(QStringLiteral("But_cancel"));
    Clock::time_point cancelAt{};
    QTimer::singleShot(20000, [&] {
        cancelAt = Clock::now();
        cancel->click();
    });
    connect->click();
    waitIdle();
    const Clock::time_point end = Clock::now();
    Clock::time_point lastRequest;
    {
        std::lock_guard lock(requestsMutex);
        lastRequest = requests.back();
    }
    // One exchange of a page: the 255-word block read, request and reply on the wire.
    const double exchange = WireMs(17 + 1035);
    std::printf(
        "Отмена after 20 s: last request %.0f ms after it (one page exchange takes "
        "%.0f ms on the wire), operation ended %.0f ms after it; %d records kept\n",
        Ms(lastRequest - cancelAt), exchange, Ms(end - cancelAt),
        RecordCountOf(session.state().notebook()));

    // "Обновить блокнот" of a complete notebook of 1000 records (the sample without the
    // records memory cannot hold): the read before the erase, the write and the read-back,
    // with the probe, and whether the progress window stayed up throughout.
    QFile sample(QStringLiteral(KVIR_SOURCE_DIR "/sim/samples/210-full.txt"));
    if (!sample.open(QIODevice::ReadOnly)) {
        return 1;
    }
    QStringList lines = QString::fromUtf8(sample.readAll()).split(u'\n');
    for (int records = 0, i = 0; i < lines.size(); ++i) {
        if (lines[i].startsWith(QStringLiteral("record ")) && ++records > 1000) {
            lines.remove(i--);
        }
    }
    if (!sim::LoadNotebookText(simulator, lines.join(u'\n'), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error.text()));
        return 1;
    }
    connect->click();
    waitIdle();
    int hiddenTicks = 0;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        hiddenTicks += probing && session.busy() && !progress->isVisible() ? 1 : 0;
    });
    longestStall = 0;
    stallsOver50 = 0;
    started = true;  // the clock runs from the click, not from the read-back's first page
    readStart = Clock::now();
    lastTick = readStart;
    probing = true;
    probe.start();
    form.findChild<QAbstractButton*>(QStringLiteral("But_save_wpad"))->click();
    waitIdle();
    probing = false;
    probe.stop();
    std::printf(
        "Обновить блокнот of %d records: %.0f ms wall, longest stall of the window %.1f ms, "
        "%d stalls over 50 ms, progress window hidden on %d ticks, %s\n",
        RecordCountOf(session.state().notebook()), Ms(Clock::now() - readStart), longestStall,
        stallsOver50, hiddenTicks, session.state().unwritten() ? "unwritten" : "written");
    const QStringList protocol = form.protocol().stringList();
    for (const QString& line : protocol.mid(std::max<qsizetype>(0, protocol.size() - 6))) {
        std::printf("  %s\n", qPrintable(line));
    }
    server.stop();
    return 0;
}
