// The session's promise as a property: whatever an operator does, in whatever order, whatever
// the instruments do on their own meanwhile and whatever the line does, no measurement is lost
// or misplaced, and no instrument ever receives a write of the other model's layout.
//
// A seeded random walk of operator actions runs against five simulated instruments on the
// in-memory port: two of each model that can be swapped for each other with or without a break
// on the line (also while a question is open), one "КВИР-510v2" with records after an end
// marker and on a page without a name, one "КВИР-210v1" with more records than memory takes
// and records filed in a free directory entry. The instruments store new measurements on their
// own between operator steps, and the line misbehaves now and then.
//
// After every step, for every instrument, with records read from its memory by the
// simulator's own decoder (so records the console cannot see count too):
// - every record it ever held is still in it, under its folder's name (or the name the
//   operator gave that folder), or in a backup whose notebook restores it;
// - every record it holds was held before (by some instrument, under that name or the name
//   the operator renamed from) or comes from a backup: nothing is refiled.
// A failing seed is shrunk to the shortest action sequence that still fails, and printed.
//
// The session's safety rules can be switched off one at a time (Session::rules, tests only):
// for each, the walk must find a failing sequence.

#include "instrument/MemoryLayout.h"
#include "link/FakeSerialPort.h"
#include "session/BackupFile.h"
#include "session/Session.h"
#include "sim/NotebookFile.h"
#include "sim/SimulatorPeer.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
    Swap,            // another instrument plugged in: the line breaks
    QuietSwap,       // the cable moved to another instrument: the port stays open
    Measure,         // the instrument on the line stores a measurement on its own
    Fault,           // the plugged instrument will misbehave
};

struct Action {
    Act act;
    int a = 0;  // a folder, a unit, a fault kind, a backup
    int b = 0;  // a name, a count, the fault's request code
    int c = 0;  // requests the fault lets pass
    bool yes = true;
    int swapOnQuestion = -1;  // a unit put on the line while the question is open

    QString text() const {
        static const char* names[] = {
            "connect-and-read", "rename",    "create",     "clear-folder", "delete-folder",
            "delete-records",   "clear-all", "update",     "initialise",   "load-backup",
            "reconnect",        "swap",      "quiet-swap", "measure",      "fault"};
        return QStringLiteral("%1(%2,%3,%4,%5%6)")
            .arg(QLatin1String(names[static_cast<int>(act)]))
            .arg(a)
            .arg(b)
            .arg(c)
            .arg(yes ? "yes" : "no")
            .arg(swapOnQuestion >= 0 ? QStringLiteral(",swap-on-question %1").arg(swapOnQuestion)
                                     : QString());
    }
};

std::vector<Action> RandomActions(quint32 seed, int count) {
    std::mt19937 random(seed);
    const auto pick = [&random](int n) {
        return static_cast<int>(random() % static_cast<unsigned>(n));
    };
    // Connecting, editing and measuring come often, faults and swaps less.
    const Act weighted[] = {
        Act::ConnectAndRead, Act::ConnectAndRead, Act::Rename,    Act::Create, Act::ClearFolder,
        Act::DeleteFolder,   Act::DeleteRecords,  Act::ClearAll,  Act::Update, Act::Update,
        Act::Initialise,     Act::LoadBackup,     Act::Reconnect, Act::Swap,   Act::QuietSwap,
        Act::Measure,        Act::Measure,        Act::Fault};
    std::vector<Action> actions;
    for (int i = 0; i < count; ++i) {
        Action action{weighted[pick(std::size(weighted))], pick(30), pick(8), pick(40),
                      pick(4) != 0};
        if (pick(6) == 0) {
            action.swapOnQuestion = pick(5);
        }
        actions.push_back(action);
    }
    return actions;
}

// ---- What an instrument holds, read by the simulator's own decoder -------------------------

// A record as its folder's name and its stored fields (without folder number and check word).
using RecordKey = QByteArray;

RecordKey KeyOf(const QByteArray& folderName, sim::Model model, const sim::Measurement& m) {
    sim::Measurement fields = m;
    fields.folder = model == sim::Model::Conc210 ? 1 : 0;
    QByteArray bytes = sim::RecordBytes(model, fields);
    bytes.chop(2);  // the check word
    if (model == sim::Model::Conc210) {
        bytes.remove(0, 1);  // the folder number
    }
    return folderName + '|' + bytes;
}

// Every record in the memory of an instrument of `model`: those a reader takes and those it
// passes over (after an end marker, on a page without a name, beyond memory's 1000 slots).
QSet<RecordKey> HeldKeys(sim::Model model, const QByteArray& memory, int base) {
    QSet<RecordKey> keys;
    const auto byte = [&memory](int at) { return static_cast<quint8>(memory.at(at)); };
    const int pages = sim::PageCount(model, base);
    if (model == sim::Model::Ph510) {
        for (int page = 0; page < pages; ++page) {
            const int start = base + page * sim::kPageBytes;
            if (byte(start) == 0xFF) {
                continue;  // a free page: the instrument holds nothing there
            }
            QByteArray name = memory.mid(start, sim::kNameBytes);
            name.truncate(name.indexOf(char(0xFF)) < 0 ? name.size() : name.indexOf(char(0xFF)));
            if (byte(start) == 0x00) {
                name.clear();
            }
            for (int place = 0; place < sim::RecordsPerPage(model); ++place) {
                const int at = sim::RecordAddress(model, base, page, place);
                if (byte(at) != 0x00 && byte(at) != 0xFF) {
                    keys.insert(KeyOf(name, model, sim::RecordAt(model, memory, at)));
                }
            }
        }
        return keys;
    }
    QHash<int, QByteArray> names;
    for (int j = 0; j < sim::kDirectoryEntries; ++j) {
        const int at = sim::kDirectoryStart + j * sim::kEntryBytes;
        if (byte(at) != 0x00 && byte(at) != 0xFF) {
            QByteArray name = memory.mid(at + 1, 17);
            name.truncate(std::max<qsizetype>(0, name.indexOf('\r')));
            names.insert(j + 1, name);
        }
    }
    for (int page = 0; page < pages; ++page) {
        for (int place = 0; place < sim::RecordsPerPage(model); ++place) {
            const int at = sim::RecordAddress(model, base, page, place);
            if (byte(at) != 0x00 && byte(at) != 0xFF) {
                keys.insert(KeyOf(names.value(byte(at)), model, sim::RecordAt(model, memory, at)));
            }
        }
    }
    return keys;
}

// The records a backup's notebook restores (not those only its raw pages keep: the console
// cannot write those back).
QSet<RecordKey> RestorableKeys(const Notebook& notebook) {
    QSet<RecordKey> keys;
    const sim::Model model =
        notebook.model == DeviceModel::Ph510 ? sim::Model::Ph510 : sim::Model::Conc210;
    const NotebookImage& image = notebook.image;
    for (int s = 0; s < kNotebookSlots; ++s) {
        const int f = image.folderNo[static_cast<size_t>(s)];
        if (f == 0) {
            continue;
        }
        const QString folder = notebook.folders.value(f - 1, kFreeFolder);
        const QByteArray name = folder == kFreeFolder ? QByteArray() : sim::ToWindows1251(folder);
        sim::Measurement m;
        m.mode = image.modeCode[static_cast<size_t>(s)];
        m.dayWord = image.dayWord[static_cast<size_t>(s)];
        m.timeWord = image.timeWord[static_cast<size_t>(s)];
        m.value1 = image.value1[static_cast<size_t>(s)];
        m.value2 = image.value2[static_cast<size_t>(s)];
        m.value3 = image.value3[static_cast<size_t>(s)];
        m.value4 = StoredValue4(image.value4[static_cast<size_t>(s)]);
        keys.insert(KeyOf(name, model, m));
    }
    return keys;
}

// ---- The world -----------------------------------------------------------------------------

struct Unit {
    sim::Simulator simulator;
    QSet<RecordKey> ever;  // every record it ever held
};

const char* const kNames[] = {"ПРУД", "РЕКА", "ОЗЕРО", "БУФЕР 7", "СКВ-3", "КОТЕЛ", "БАК", "ВВОД"};

QString Sample(const QString& name) {
    QFile file(QStringLiteral(KVIR_SOURCE_DIR "/sim/samples/") + name + ".txt");
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QString::fromUtf8(file.readAll());
}

class World final : public SessionHost {
  public:
    explicit World(const Session::Rules& rules) {
        session.rules = rules;
        const auto load = [](Unit& unit, bool is510, const QString& text) {
            unit.simulator.setIdentification(is510 ? sim::Kvir510Identification()
                                                   : sim::Kvir210Identification());
            sim::NotebookFileError error;
            EXPECT_TRUE(sim::LoadNotebookText(unit.simulator, text, &error))
                << error.text().toStdString();
        };
        load(units[0], true, Sample("510-small"));
        // Records filed under free directory entry 5 and under a number beyond the directory.
        load(units[1], false,
             Sample("210-small") +
                 "\nrecord 5 2026-07-01 10:00:00 1 20 30 0.4\n"
                 "record 5 2026-07-02 10:00:00 1 21 31 0.5\n"
                 "record 30 2026-07-03 10:00:00 0 22 32 0.6\n");
        // Records after an end marker and on a page without a name.
        load(units[2], true,
             "folder 1 ОБЩАЯ ПАПКА\nfolder 2 ДРУГОЙ\nfolder 4 ТРЕТИЙ\nnameless 5\n"
             "record 2 2026-05-01 10:00:00 1 20.5 10 7.1\n"
             "record 4 2026-05-02 11:00:00 3 21 -50 6.2\n"
             "record 1 2026-05-03 12:00:00 2 19 33 8.8\n"
             "hidden 4 2026-05-04 09:00:00 0 21 0 0\n"
             "hidden 4 2026-05-05 09:00:00 1 22 1 7\n"
             "hidden 5 2026-05-06 09:00:00 1 23 2 7.5\n");
        // More records than memory takes: 1000 of the sample and 12 more.
        QString full = Sample("210-full");
        for (int k = 0; k < 12; ++k) {
            full += QStringLiteral("record 2 2026-11-%1 08:00:00 1 20 %2 0.5\n")
                        .arg(k + 10)
                        .arg(100 + k);
        }
        load(units[3], false, full);
        load(units[4], false,
             "folder 1 ОБЩАЯ ПАПКА\nfolder 3 ДРУГАЯ\n"
             "record 3 2026-04-01 08:00:00 0 10 20 0.3\n"
             "record 1 2026-04-02 08:00:00 2 11 21 0.4 120\n");
        sim::AttachSimulator(*state, units[0].simulator);
        for (Unit& unit : units) {
            unit.ever = Held(unit);
        }
    }

    // ---- SessionHost
    void notify(const SessionEvent&) override {}
    void progress(Stage, int, int, int, int) override {}
    bool ask(Question) override {
        if (swapOnQuestion >= 0) {
            QuietSwap(std::exchange(swapOnQuestion, -1));
        }
        return yes;
    }

    // ---- Actions
    void Do(const Action& x) {
        clock = clock.addSecs(3);
        yes = x.yes;
        swapOnQuestion = x.swapOnQuestion;
        const Notebook& memory = session.notebook();
        const QStringList folders = memory.folders;
        const int nFolders = static_cast<int>(folders.size());
        const int folder = nFolders > 0 ? x.a % nFolders : 0;
        const QString name = QString::fromUtf8(kNames[x.b % std::size(kNames)]);
        const auto edit = [this](NotebookEdit::Kind kind, int f, const QString& n = {},
                                 QList<int> chosen = {}) {
            return session.Edit({kind, f, n, std::move(chosen)});
        };
        switch (x.act) {
            case Act::ConnectAndRead:
                session.ConnectAndRead(inputs);
                break;
            case Act::Rename:
                if (folder > 0 && folders.at(folder) != kFreeFolder && !folders.contains(name) &&
                    edit(NotebookEdit::Kind::RenameFolder, folder, name)) {
                    // Written now or by a later whole write of memory.
                    renamed.insert(sim::ToWindows1251(folders.at(folder)),
                                   sim::ToWindows1251(name));
                    if (yes) {
                        session.WriteFolder(inputs, folder, name);
                    }
                }
                break;
            case Act::Create: {
                const int free = FreeEntryFor(memory);
                if (free >= 0 && !folders.contains(name) &&
                    edit(NotebookEdit::Kind::CreateFolder, free, name) && yes) {
                    session.WriteFolder(inputs, free, name);
                }
                break;
            }
            case Act::ClearFolder:
                if (nFolders > 0 && folders.at(folder) != kFreeFolder &&
                    edit(NotebookEdit::Kind::ClearFolder, folder) && yes) {
                    session.WriteFolder(inputs, folder, folders.at(folder));
                }
                break;
            case Act::DeleteFolder:
                if (folder > 0 && folders.at(folder) != kFreeFolder &&
                    edit(NotebookEdit::Kind::DeleteFolder, folder) && yes) {
                    session.WriteNotebook(inputs, WholeWrite::Edits);
                }
                break;
            case Act::DeleteRecords: {
                const int n = RecordCountOf(memory);
                QList<int> chosen;
                for (int k = 0; k <= x.b && n > 0; ++k) {
                    const int s = (x.a + 7 * k) % n;
                    if (!chosen.contains(s)) {
                        chosen << s;
                    }
                }
                if (!chosen.isEmpty() && edit(NotebookEdit::Kind::DeleteRecords, -1, {}, chosen) &&
                    yes) {
                    session.WriteNotebook(inputs, WholeWrite::Edits);
                }
                break;
            }
            case Act::ClearAll:
                if (edit(NotebookEdit::Kind::ClearAll, -1) && yes) {
                    session.WriteNotebook(inputs, WholeWrite::Edits);
                }
                break;
            case Act::Update:
                if (yes) {
                    session.WriteNotebook(inputs, WholeWrite::Memory);
                }
                break;
            case Act::Initialise:
                session.Initialise(inputs);
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
                Attach(x.a % static_cast<int>(std::size(units)));
                break;
            case Act::QuietSwap:
                QuietSwap(x.a);
                break;
            case Act::Measure: {
                // A named folder of the instrument (its first, or another one).
                const QByteArray image = units[plugged].simulator.memory();
                const sim::Model model = sim::SimulatedModel(units[plugged].simulator);
                const int base = units[plugged].simulator.identification().notebookBase;
                sim::Measurement m;
                m.folder = x.b % 3 == 0 ? sim::FirstNamedFolder(model, image, base) : 1 + x.a % 4;
                m.mode = static_cast<quint8>(x.c % 4);
                m.dayWord =
                    static_cast<quint16>(model == sim::Model::Ph510 ? 300 + x.c : 7000 + x.c);
                m.timeWord = static_cast<quint16>(1000 + step);
                m.value1 = 20.0f + static_cast<float>(step % 7);
                m.value2 = static_cast<float>(step);
                m.value3 = 7.0f;
                // A measurement the instrument stores is a record it holds from now on.
                if (units[plugged].simulator.storeMeasurement(m)) {
                    units[plugged].ever.unite(Held(units[plugged]));
                }
                break;
            }
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
        ++step;
    }

    void Attach(int unit) {
        plugged = unit;
        units[plugged].simulator.revive();
        units[plugged].simulator.clearFaults();
        sim::AttachSimulator(*state, units[plugged].simulator);
    }

    void QuietSwap(int unit) {
        // The far end changes; the port, and what the console knows of it, stay.
        const bool open = state->isOpen;
        Attach(unit % static_cast<int>(std::size(units)));
        state->isOpen = open;
    }

    Unit& unitAt(size_t u) { return units[u]; }

    QSet<RecordKey> Held(const Unit& unit) const {
        return HeldKeys(sim::SimulatedModel(unit.simulator), unit.simulator.memory(),
                        unit.simulator.identification().notebookBase);
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
                backups.insert(file, RestorableKeys(notebook));
            }
            saved.unite(backups.value(file));
        }
        QSet<RecordKey> everAnywhere = saved;
        for (const Unit& unit : units) {
            everAnywhere.unite(unit.ever);
        }
        for (size_t u = 0; u < std::size(units); ++u) {
            Unit& unit = units[u];
            const int otherLayoutWrite =
                sim::SimulatedModel(unit.simulator) == sim::Model::Ph510 ? 20 : 18;
            for (const sim::LoggedRequest& request : unit.simulator.requestLog()) {
                if (request.code == otherLayoutWrite) {
                    return QStringLiteral("unit %1 received a write of the other layout").arg(u);
                }
            }
            unit.simulator.clearLog();
            const QSet<RecordKey> held = Held(unit);
            // The names a folder may have now, after the operator's renames.
            const auto renamedHeld = [this, &held](const RecordKey& key) {
                const QByteArray name = key.left(key.indexOf('|'));
                for (const QByteArray& to : renamed.values(name)) {
                    if (held.contains(to + key.mid(key.indexOf('|')))) {
                        return true;
                    }
                }
                return false;
            };
            for (const RecordKey& key : unit.ever) {
                if (!held.contains(key) && !renamedHeld(key) && !saved.contains(key)) {
                    return QStringLiteral("unit %1 lost record %2")
                        .arg(u)
                        .arg(QString::fromLatin1(key.toHex()));
                }
            }
            for (const RecordKey& key : held) {
                if (everAnywhere.contains(key)) {
                    continue;
                }
                // Renamed by the operator, or given a folder of its own ("ПАПКА N") when it
                // had none.
                const QByteArray fields = key.mid(key.indexOf('|'));
                const QByteArray name = key.left(key.indexOf('|'));
                bool explained = everAnywhere.contains(QByteArray() + fields) &&
                                 name.startsWith(sim::ToWindows1251(QStringLiteral("ПАПКА ")));
                for (auto r = renamed.cbegin(); !explained && r != renamed.cend(); ++r) {
                    explained = r.value() == name && everAnywhere.contains(r.key() + fields);
                }
                if (!explained) {
                    return QStringLiteral("unit %1 holds record %2 under a folder it never had")
                        .arg(u)
                        .arg(QString::fromLatin1(key.toHex()));
                }
            }
        }
        for (Unit& unit : units) {
            unit.ever.unite(Held(unit));
        }
        return {};
    }

    QTemporaryDir dir;
    std::array<Unit, 5> units;
    int plugged = 0;
    int step = 0;
    std::shared_ptr<FakePortState> state = std::make_shared<FakePortState>();
    SerialLink link{FakePortFactory(state), [](int) {}};
    QDateTime clock{QDate(2026, 12, 7), QTime(9, 0, 0)};
    Session session{link, *this,
                    SessionConfig{[this] { return clock; }, dir.path(),
                                  [](const Notebook&, const QString&) {
                                      return QStringList{QStringLiteral("таблица")};
                                  }}};
    LinkInputs inputs{PortChoice{QStringLiteral("COM1"), -1, {}, false}, 1, {}};
    bool yes = true;
    int swapOnQuestion = -1;
    QHash<QString, QSet<RecordKey>> backups;
    QMultiHash<QByteArray, QByteArray> renamed;  // folder names the operator changed: old -> new
};

// Runs the actions; the index of the step after which the invariant broke, with the reason,
// or -1.
int Walk(const std::vector<Action>& actions, const Session::Rules& rules, QString* reason) {
    World world(rules);
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
std::vector<Action> Shrink(std::vector<Action> actions, int failedAt, const Session::Rules& rules) {
    actions.resize(static_cast<size_t>(failedAt) + 1);
    QString reason;
    for (size_t i = 0; i < actions.size();) {
        std::vector<Action> shorter = actions;
        shorter.erase(shorter.begin() + static_cast<std::ptrdiff_t>(i));
        if (!shorter.empty() && Walk(shorter, rules, &reason) >= 0) {
            actions = shorter;
        } else {
            ++i;
        }
    }
    return actions;
}

// The first failing seed's shortest sequence, as text; empty when none of `seeds` fails.
QString FirstFailure(const Session::Rules& rules, int seeds, int steps) {
    for (int seed = 1; seed <= seeds; ++seed) {
        const std::vector<Action> actions = RandomActions(static_cast<quint32>(seed), steps);
        QString reason;
        const int failedAt = Walk(actions, rules, &reason);
        if (failedAt < 0) {
            continue;
        }
        const std::vector<Action> shortest = Shrink(actions, failedAt, rules);
        QStringList lines;
        for (const Action& action : shortest) {
            lines << action.text();
        }
        Walk(shortest, rules, &reason);
        return QStringLiteral(
                   "seed %1 broke the invariant at step %2: %3\nshortest sequence:\n  %4")
            .arg(seed)
            .arg(failedAt)
            .arg(reason, lines.join(QStringLiteral("\n  ")));
    }
    return {};
}

TEST(SessionWalk, NoMeasurementIsEverLostOrMisplaced) {
    const int seeds = qEnvironmentVariableIntValue("KVIR_WALK_SEEDS") > 0
                          ? qEnvironmentVariableIntValue("KVIR_WALK_SEEDS")
                          : 12;
    const QString failure = FirstFailure({}, seeds, 300);
    EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
}

// Each rule is needed: with it off, the walk finds a sequence that loses or misplaces a
// measurement, or writes the other model's layout.
TEST(SessionWalk, EveryRuleIsNeeded) {
    struct Case {
        const char* rule;
        bool Session::Rules::*flag;
    };
    const Case cases[] = {
        {"fresh read before erasing", &Session::Rules::freshReadBeforeErase},
        {"identification after the last answer", &Session::Rules::identifyAfterAnswer},
        {"no erase of records memory cannot hold", &Session::Rules::refuseLossy},
        {"records of a free entry keep a folder of their own", &Session::Rules::keepUnnamedFolders},
    };
    for (const Case& c : cases) {
        Session::Rules rules;
        rules.*(c.flag) = false;
        const QString failure = FirstFailure(rules, 40, 200);
        EXPECT_FALSE(failure.isEmpty()) << "with the rule off: " << c.rule;
        std::printf("rule off: %s\n%s\n\n", c.rule, failure.toUtf8().constData());
    }
}

}  // namespace
}  // namespace kvir::test
