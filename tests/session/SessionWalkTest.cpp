// The session's promise as a property: whatever an operator does, in whatever order, with
// whatever the line does meanwhile, every record ever read from an instrument is still in
// that instrument or in a lossless backup that restores it, and no instrument ever receives a
// write of the other model's layout.
//
// A seeded random walk of operator actions runs against three simulated instruments (two of
// one model, one of the other) on the in-memory port, with link faults injected on the way.
// The invariant is checked after every step. A failing seed is shrunk to the shortest action
// sequence that still fails, and that sequence is printed.

#include "common/NotebookBench.h"
#include "instrument/MemoryLayout.h"
#include "session/BackupFile.h"
#include "session/Session.h"
#include "sim/NotebookFile.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <bit>
#include <random>

namespace kvir::test {
namespace {

// ---- Actions -----------------------------------------------------------------------------

enum class Act {
    ConnectAndRead,  // the connect button
    Rename,          // a folder renamed, then written
    Create,          // a folder created, then written
    ClearFolder,     // one folder's records cleared, then written
    DeleteFolder,    // a folder deleted: the whole notebook written
    DeleteRecords,   // tagged records deleted: the whole notebook written
    ClearAll,        // every folder cleared: the whole notebook written
    Update,          // "Обновить блокнот"
    Initialise,      // "Очистить блокнот"
    LoadBackup,      // a backup loaded into memory
    Reconnect,       // the port closed and opened again on the next action
    Swap,            // another instrument plugged in (the line breaks)
    Fault,           // the plugged instrument will misbehave
};

struct Action {
    Act act;
    int a = 0;  // a folder, a unit, a fault kind, a backup
    int b = 0;  // a name, a count, the fault's request code
    int c = 0;  // requests the fault lets pass
    bool yes = true;

    QString text() const {
        static const char* names[] = {
            "connect-and-read", "rename",    "create", "clear-folder", "delete-folder",
            "delete-records",   "clear-all", "update", "initialise",   "load-backup",
            "reconnect",        "swap",      "fault"};
        return QStringLiteral("%1(%2,%3,%4,%5)")
            .arg(QLatin1String(names[static_cast<int>(act)]))
            .arg(a)
            .arg(b)
            .arg(c)
            .arg(yes ? "yes" : "no");
    }
};

std::vector<Action> RandomActions(quint32 seed, int count) {
    std::mt19937 random(seed);
    const auto pick = [&random](int n) {
        return static_cast<int>(random() % static_cast<unsigned>(n));
    };
    // Connecting and editing come often, faults and swaps less.
    const Act weighted[] = {
        Act::ConnectAndRead, Act::ConnectAndRead, Act::Rename,        Act::Create,
        Act::ClearFolder,    Act::DeleteFolder,   Act::DeleteRecords, Act::ClearAll,
        Act::Update,         Act::Update,         Act::Initialise,    Act::LoadBackup,
        Act::Reconnect,      Act::Swap,           Act::Fault,         Act::Fault};
    std::vector<Action> actions;
    for (int i = 0; i < count; ++i) {
        actions.push_back(
            {weighted[pick(std::size(weighted))], pick(30), pick(8), pick(40), pick(4) != 0});
    }
    return actions;
}

// ---- The world -----------------------------------------------------------------------------

using RecordKey = QByteArray;

struct Unit {
    DeviceModel model;
    sim::Simulator simulator;
    QSet<RecordKey> seen;  // every record ever read from it
};

const char* const kNames[] = {"ПРУД", "РЕКА", "ОЗЕРО", "БУФЕР 7", "СКВ-3", "КОТЕЛ", "БАК", "ВВОД"};

class World final : public SessionHost {
  public:
    World() {
        const auto load = [](Unit& unit, DeviceModel model, const QString& text) {
            unit.model = model;
            unit.simulator.setIdentification(model == DeviceModel::Ph510
                                                 ? sim::Kvir510Identification()
                                                 : sim::Kvir210Identification());
            sim::NotebookFileError error;
            EXPECT_TRUE(sim::LoadNotebookText(unit.simulator, text, &error));
        };
        load(units[0], DeviceModel::Ph510, Sample("510-small"));
        load(units[1], DeviceModel::Conc210, Sample("210-small"));
        load(units[2], DeviceModel::Ph510,
             "folder 1 ОБЩАЯ ПАПКА\nfolder 2 ДРУГОЙ\nfolder 4 ТРЕТИЙ\n"
             "record 2 2026-05-01 10:00:00 1 20.5 10 7.1\n"
             "record 4 2026-05-02 11:00:00 3 21 -50 6.2\n"
             "record 1 2026-05-03 12:00:00 2 19 33 8.8\n");
        sim::AttachSimulator(*state, units[0].simulator);
    }

    static QString Sample(const QString& name) {
        QFile file(QStringLiteral(KVIR_SOURCE_DIR "/sim/samples/") + name + ".txt");
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QString::fromUtf8(file.readAll());
    }

    // ---- SessionHost
    QString deviceNumberText() const override { return QStringLiteral("1"); }
    PortChoice portChoice() const override {
        PortChoice choice;
        choice.named = QStringLiteral("COM1");
        return choice;
    }
    QDateTime now() const override { return clock; }
    QString workDir() const override { return dir.path(); }
    void notify(const SessionEvent& event) override {
        if (event.kind == SessionEvent::Kind::ReadFinished && event.notebook != nullptr) {
            units[plugged].seen.unite(RecordKeys(*event.notebook));
        }
    }
    void progress(Stage, int, int, int, int) override {}
    bool confirmInitialise() override { return yes; }
    bool confirmReplaceUnwritten() override { return yes; }
    QStringList backupTable(const Notebook&) override { return {QStringLiteral("таблица")}; }

    // ---- Actions
    void Do(const Action& x) {
        clock = clock.addSecs(1);
        yes = x.yes;
        const QStringList folders = session.notebook().folders;
        const int nFolders = static_cast<int>(folders.size());
        const int folder = nFolders > 0 ? x.a % nFolders : 0;
        const QString name = QString::fromUtf8(kNames[x.b % std::size(kNames)]);
        switch (x.act) {
            case Act::ConnectAndRead:
                session.ConnectAndRead();
                break;
            case Act::Rename:
                if (nFolders > 1 && folder > 0 && folders.at(folder) != kFreeFolder &&
                    !folders.contains(name)) {
                    session.edit().folders[folder] = name;
                    session.WriteFolder(folder, name);
                }
                break;
            case Act::Create: {
                const auto free = static_cast<int>(folders.indexOf(kFreeFolder));
                if (free >= 0 && !folders.contains(name)) {
                    session.edit().folders[free] = name;
                    session.WriteFolder(free, name);
                }
                break;
            }
            case Act::ClearFolder:
                if (nFolders > 0 && folders.at(folder) != kFreeFolder) {
                    ClearFolder(folder);
                    session.WriteFolder(folder, folders.at(folder));
                }
                break;
            case Act::DeleteFolder:
                if (folder > 0 && folders.at(folder) != kFreeFolder) {
                    ClearFolder(folder);
                    session.edit().folders[folder] = kFreeFolder;
                    session.WriteNotebook();
                }
                break;
            case Act::DeleteRecords: {
                NotebookImage& image = session.edit().image;
                const int n = RecordCount(image);
                for (int k = 0; k <= x.b && n > 0; ++k) {
                    ClearRecordSlot(image, (x.a + 7 * k) % n);
                }
                CompactNotebookImage(image);
                session.WriteNotebook();
                break;
            }
            case Act::ClearAll:
                ClearNotebookImage(session.edit().image);
                session.WriteNotebook();
                break;
            case Act::Update:
                session.WriteNotebook();
                break;
            case Act::Initialise:
                session.Initialise();
                break;
            case Act::LoadBackup: {
                const QStringList files =
                    QDir(dir.path()).entryList({QStringLiteral("*.kvir")}, QDir::Files, QDir::Name);
                if (!files.isEmpty()) {
                    session.LoadBackup(QDir(dir.path()).filePath(files.at(x.a % files.size())));
                }
                break;
            }
            case Act::Reconnect:
                session.Disconnect();
                break;
            case Act::Swap:
                // The adapter is pulled and another instrument plugged in: the port is gone
                // under the console, which finds out at its next exchange.
                state->isOpen = false;
                plugged = x.a % static_cast<int>(std::size(units));
                units[plugged].simulator.revive();
                units[plugged].simulator.clearFaults();
                sim::AttachSimulator(*state, units[plugged].simulator);
                break;
            case Act::Fault: {
                const sim::FaultKind kinds[] = {
                    sim::FaultKind::Silence, sim::FaultKind::HangUp, sim::FaultKind::BadCheck,
                    sim::FaultKind::Failed,  sim::FaultKind::Noise,  sim::FaultKind::Truncated};
                const int codes[] = {-1, -1, 4, 18, 20, 15, 16, 1};
                sim::Fault fault;
                fault.kind = kinds[x.a % std::size(kinds)];
                fault.code = codes[x.b % std::size(codes)];
                fault.skip = x.c;
                fault.count = 1 + x.b % 3;
                units[plugged].simulator.addFault(fault);
                break;
            }
        }
    }

    void ClearFolder(int folder) {
        NotebookImage& image = session.edit().image;
        for (int s = 0; s < kNotebookSlots; ++s) {
            if (image.folderNo[static_cast<size_t>(s)] == folder + 1) {
                ClearRecordSlot(image, s);
            }
        }
        CompactNotebookImage(image);
    }

    // ---- The invariant; empty when it holds
    QString Violation() {
        QSet<RecordKey> saved;
        for (const QString& file :
             QDir(dir.path()).entryList({QStringLiteral("*.kvir")}, QDir::Files)) {
            if (!backups.contains(file)) {
                Notebook notebook;
                QFile f(QDir(dir.path()).filePath(file));
                if (!f.open(QIODevice::ReadOnly) ||
                    DecodeBackup(f.readAll(), notebook) != BackupFault::None) {
                    return QStringLiteral("backup %1 does not load").arg(file);
                }
                backups.insert(file, RecordKeys(notebook));
            }
            saved.unite(backups.value(file));
        }
        for (size_t u = 0; u < std::size(units); ++u) {
            Unit& unit = units[u];
            for (const sim::LoggedRequest& request : unit.simulator.requestLog()) {
                const int otherLayoutWrite = unit.model == DeviceModel::Ph510 ? 20 : 18;
                if (request.code == otherLayoutWrite) {
                    return QStringLiteral("unit %1 received a write of the other layout").arg(u);
                }
            }
            unit.simulator.clearLog();
            const QSet<RecordKey> held = RecordKeys(Contents(unit));
            for (const RecordKey& key : unit.seen) {
                if (!held.contains(key) && !saved.contains(key)) {
                    return QStringLiteral("unit %1 lost record %2")
                        .arg(u)
                        .arg(QString::fromLatin1(key.toHex()));
                }
            }
        }
        return {};
    }

    static Notebook Contents(const Unit& unit) {
        return ReadMemory(unit.model, unit.simulator.memory());
    }

    QTemporaryDir dir;
    std::array<Unit, 3> units;
    int plugged = 0;
    std::shared_ptr<FakePortState> state = std::make_shared<FakePortState>();
    SerialLink link{FakePortFactory(state), [](int) {}};
    Session session{link, *this};
    QDateTime clock{QDate(2026, 12, 7), QTime(9, 0, 0)};
    bool yes = true;
    QHash<QString, QSet<RecordKey>> backups;
};

// Runs the actions; the index of the step after which the invariant broke, with the reason,
// or -1.
int Walk(const std::vector<Action>& actions, QString* reason) {
    World world;
    for (size_t i = 0; i < actions.size(); ++i) {
        world.Do(actions[i]);
        const QString broken = world.Violation();
        if (!broken.isEmpty()) {
            *reason = broken;
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The shortest sequence found that still breaks the invariant: the prefix up to the failure,
// then every action whose removal keeps it failing is removed.
std::vector<Action> Shrink(std::vector<Action> actions, int failedAt) {
    actions.resize(static_cast<size_t>(failedAt) + 1);
    QString reason;
    for (size_t i = 0; i < actions.size();) {
        std::vector<Action> shorter = actions;
        shorter.erase(shorter.begin() + static_cast<std::ptrdiff_t>(i));
        if (!shorter.empty() && Walk(shorter, &reason) >= 0) {
            actions = shorter;
        } else {
            ++i;
        }
    }
    return actions;
}

TEST(SessionWalk, NoRecordIsEverLostAndNoLayoutCrossesModels) {
    const int seeds = qEnvironmentVariableIntValue("KVIR_WALK_SEEDS") > 0
                          ? qEnvironmentVariableIntValue("KVIR_WALK_SEEDS")
                          : 12;
    const int steps = 300;
    for (int seed = 1; seed <= seeds; ++seed) {
        const std::vector<Action> actions = RandomActions(static_cast<quint32>(seed), steps);
        QString reason;
        const int failedAt = Walk(actions, &reason);
        if (failedAt < 0) {
            continue;
        }
        const std::vector<Action> shortest = Shrink(actions, failedAt);
        QStringList lines;
        for (const Action& action : shortest) {
            lines << action.text();
        }
        Walk(shortest, &reason);
        ADD_FAILURE() << "seed " << seed << " broke the invariant at step " << failedAt << ": "
                      << reason.toStdString() << "\nshortest sequence:\n  "
                      << lines.join(QStringLiteral("\n  ")).toStdString();
        return;
    }
}

}  // namespace
}  // namespace kvir::test
