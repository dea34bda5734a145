// The write paths as the session runs them, against the simulator on the in-memory port: a
// "КВИР-510v2" folder rename, a "КВИР-210v1" folder rename and "Обновить блокнот" of the full
// "КВИР-210v1" sample (1000 records). Each starts after a complete read and includes what the
// session sends around the write itself: the identification, the read before the erase and the
// read-back. The figure is the time the characters on the line take at 9600 baud with 11 bits
// per character; the simulator answers at once (no turnaround), so it is the wire time alone.
// Run: build/tests/write_paths_bench
#include "CountingPort.h"
#include "session/Session.h"
#include "sim/SimulatorPeer.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <memory>
#include <utility>

using namespace kvir;

namespace {

// The characters of every request frame and of the reply the instrument put on the line.
struct Line {
    QList<std::pair<qint64, qint64>> exchanges;

    double Seconds(qsizetype from, qsizetype to) const {
        bench::WireCount count;
        for (qsizetype i = from; i < to && i < exchanges.size(); ++i) {
            count.written += exchanges[i].first;
            count.read += exchanges[i].second;
        }
        return count.wireMs() / 1000.0;
    }
};

class Host final : public SessionHost {
  public:
    void notify(const SessionEvent& event) override {
        if (const auto* r = std::get_if<ev::Refused>(&event)) {
            problems << QStringLiteral("refused %1").arg(static_cast<int>(r->refusal));
        } else if (const auto* d = std::get_if<ev::ReadbackDiffers>(&event)) {
            problems << d->text;
        } else if (const auto* w = std::get_if<ev::WriteFinished>(&event); w && w->result != 0) {
            problems << QStringLiteral("write finished with %1").arg(w->result);
        }
    }
    void progress(Stage, int, int, int, int) override {}
    bool ask(Question) override { return true; }

    QStringList problems;
};

struct Rig {
    sim::Simulator simulator;
    std::shared_ptr<FakePortState> state = std::make_shared<FakePortState>();
    Line line;
    SerialLink link{FakePortFactory(state), [](int) {}};
    Host host;
    QTemporaryDir dir;
    Session session{link, host, {{}, dir.path(), {}}};
    LinkInputs inputs{{QStringLiteral("sim"), -1, {}, false}, 1, {}};

    Rig() {
        sim::AttachSimulator(*state, simulator);
        const auto peer = state->peer;
        state->peer = [this, peer](const QByteArray& frame) {
            const QByteArray reply = peer(frame);
            line.exchanges.append({frame.size(), reply.size()});
            return reply;
        };
    }
};

// Runs `write` after a complete read of the sample of `model` and prints what it put on the
// line: before the first erasing request, the write itself (with its exchange-mode switches)
// and the read-back after it.
bool Measure(const char* what, DeviceModel model, const std::function<bool(Rig&)>& write) {
    auto rig = std::make_unique<Rig>();
    if (!bench::LoadSample(rig->simulator, model) || !rig->session.ConnectAndRead(rig->inputs)) {
        std::fprintf(stderr, "%s: the sample was not read\n", what);
        return false;
    }
    rig->line.exchanges.clear();
    rig->simulator.clearLog();
    if (!write(*rig) || !rig->host.problems.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", what, qPrintable(rig->host.problems.join("; ")));
        return false;
    }
    const QList<sim::LoggedRequest> log = rig->simulator.requestLog();
    if (log.size() != rig->line.exchanges.size()) {
        std::fprintf(stderr, "%s: %lld frames for %lld requests\n", what,
                     static_cast<long long>(rig->line.exchanges.size()),
                     static_cast<long long>(log.size()));
        return false;
    }
    const auto writes = [&log](qsizetype i) { return log[i].code == 18 || log[i].code == 20; };
    const auto mode = [&log](qsizetype i) { return i >= 0 && i < log.size() && log[i].code == 16; };
    qsizetype first = 0;
    while (first < log.size() && !writes(first)) {
        ++first;
    }
    qsizetype last = log.size() - 1;
    while (last > first && !writes(last)) {
        --last;
    }
    first -= mode(first - 1) ? 1 : 0;
    last += mode(last + 1) ? 1 : 0;
    const Line& l = rig->line;
    const qsizetype n = log.size();
    const QByteArray title = QString::fromUtf8(what).leftJustified(28).toUtf8();
    std::printf(
        "%s %5lld requests %6.1f s  (before the erase %3lld: %5.1f s, write %4lld: %5.1f s, "
        "read-back %3lld: %5.1f s)\n",
        title.constData(), static_cast<long long>(n), l.Seconds(0, n),
        static_cast<long long>(first), l.Seconds(0, first),
        static_cast<long long>(last + 1 - first), l.Seconds(first, last + 1),
        static_cast<long long>(n - last - 1), l.Seconds(last + 1, n));
    return true;
}

bool RenameFolder(Rig& rig) {
    const QString name = QStringLiteral("НОВОЕ ИМЯ");  // as the folder editor upper-cases it
    return rig.session.Edit({NotebookEdit::Kind::RenameFolder, 1, name, {}}) &&
           rig.session.WriteFolder(rig.inputs, 1, name);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool ok = Measure("КВИР-510v2 folder rename", DeviceModel::Ph510, RenameFolder) &&
                    Measure("КВИР-210v1 folder rename", DeviceModel::Conc210, RenameFolder) &&
                    Measure("КВИР-210v1 Обновить блокнот", DeviceModel::Conc210, [](Rig& rig) {
                        return rig.session.WriteNotebook(rig.inputs, WholeWrite::Memory);
                    });
    return ok ? 0 : 1;
}
