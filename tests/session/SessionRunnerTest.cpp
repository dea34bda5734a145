// The session's operations on their worker thread: a stop asked for at any point of a read
// sends nothing more and keeps what was read; a stop asked for during a write is refused and
// the write completes; the end of the program stops a read and waits for a write; a question
// answered after a long pause is followed by a new identification.
//
// The simulated instrument sits on the in-memory port; its request observer, called on the
// worker thread as each request is handled, plays the operator at a chosen request.

#include "link/FakeSerialPort.h"
#include "session/SessionRunner.h"
#include "sim/NotebookFile.h"
#include "sim/SimulatorPeer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace kvir::test {
namespace {

QString Sample(const QString& name) {
    QFile file(QStringLiteral(KVIR_SOURCE_DIR "/sim/samples/") + name + ".txt");
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QString::fromUtf8(file.readAll());
}

bool IsWrite(int code) {
    return code == 18 || code == 20;
}

struct Bench {
    explicit Bench(const QString& sample, bool is510 = false) {
        for (sim::Simulator* s : {&first, &second}) {
            s->setIdentification(is510 ? sim::Kvir510Identification()
                                       : sim::Kvir210Identification());
        }
        sim::NotebookFileError error;
        EXPECT_TRUE(sim::LoadNotebookText(first, Sample(sample), &error));
        sim::AttachSimulator(*state, first);
        inputs.port.named = QStringLiteral("COM1");
        QObject::connect(runner.get(), &SessionRunner::sessionEvent, runner.get(),
                         [this](const SessionEvent& e) {
                             if (std::holds_alternative<ev::WriteStarted>(e)) {
                                 writeStarted = true;
                             }
                         });
        QObject::connect(runner.get(), &SessionRunner::question, runner.get(),
                         [this](Question) { ++questions; });
    }

    // Runs `operation` and lets the window's thread take its signals until it ends.
    void Run(const SessionRunner::Operation& operation) {
        ASSERT_TRUE(runner->start(operation));
        WaitIdle();
    }
    void WaitIdle() {
        QElapsedTimer timer;
        timer.start();
        while (runner->busy() && timer.elapsed() < 60000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        QCoreApplication::processEvents();
    }

    QTemporaryDir dir;
    sim::Simulator first;
    sim::Simulator second;
    std::shared_ptr<FakePortState> state = std::make_shared<FakePortState>();
    SerialLink link{FakePortFactory(state), [](int) {}};
    std::unique_ptr<SessionRunner> runner =
        std::make_unique<SessionRunner>(link, SessionConfig{{}, dir.path(), {}});
    LinkInputs inputs;
    bool writeStarted = false;
    int questions = 0;
};

TEST(SessionRunner, AStopDuringAReadSendsNothingMoreAndKeepsWhatWasRead) {
    // Ping, identification, mode, directory, then one or two requests a page (27 in all):
    // stops at many points.
    for (const int at : {1, 2, 3, 4, 5, 9, 14, 20, 26}) {
        SCOPED_TRACE(at);
        Bench bench(QStringLiteral("210-small"));
        std::atomic<int> handled{0};
        bench.first.setRequestObserver([&](const sim::LoggedRequest&) {
            if (++handled == at) {
                bench.runner->cancel();
            }
        });
        bench.Run([&](Session& s) { s.ConnectAndRead(bench.inputs); });
        // The stop is taken before the next request: not one more is sent.
        EXPECT_EQ(bench.first.requestLog().size(), at);
        const Session& s = bench.runner->session();
        EXPECT_NE(s.origin(), Origin::CompleteRead);
        for (const sim::LoggedRequest& r : bench.first.requestLog()) {
            EXPECT_FALSE(IsWrite(r.code));
        }
    }
}

TEST(SessionRunner, AStopBeforeTheEraseLeavesMemoryAndTheInstrumentAsTheyWere) {
    Bench bench(QStringLiteral("210-small"));
    bench.Run([&](Session& s) { s.ConnectAndRead(bench.inputs); });
    const QByteArray before = bench.first.memory();
    Session& s = bench.runner->session();
    ASSERT_TRUE(s.Edit({NotebookEdit::Kind::RenameFolder, 1, QStringLiteral("ПРУД"), {}}));
    const Notebook edited = s.notebook();
    // The read before the erase is stopped at its third page.
    int handled = 0;
    bench.first.clearLog();
    bench.first.setRequestObserver([&](const sim::LoggedRequest&) {
        if (++handled == 8) {
            bench.runner->cancel();
        }
    });
    bench.Run(
        [&](Session& session) { session.WriteFolder(bench.inputs, 1, QStringLiteral("ПРУД")); });
    EXPECT_EQ(bench.first.memory(), before) << "nothing erased";
    EXPECT_FALSE(bench.writeStarted);
    EXPECT_TRUE(SameContents(bench.runner->session().notebook(), edited)) << "the edit stays";
    EXPECT_TRUE(bench.runner->session().edited());
}

TEST(SessionRunner, AStopDuringAWriteIsRefusedAndTheWriteCompletes) {
    Bench bench(QStringLiteral("210-small"));
    bench.Run([&](Session& s) { s.ConnectAndRead(bench.inputs); });
    ASSERT_TRUE(bench.runner->session().Edit({NotebookEdit::Kind::ClearAll, -1, {}, {}}));
    bool asked = false;
    bench.first.setRequestObserver([&](const sim::LoggedRequest& r) {
        if (IsWrite(r.code) && !asked) {
            asked = true;
            bench.runner->cancel();
        }
    });
    bench.Run([&](Session& s) { s.WriteNotebook(bench.inputs, WholeWrite::Edits); });
    EXPECT_TRUE(asked);
    EXPECT_TRUE(bench.writeStarted);
    const Session& s = bench.runner->session();
    EXPECT_FALSE(s.unwritten()) << "the write and its read-back completed";
    EXPECT_EQ(RecordCountOf(s.notebook()), 0);
}

TEST(SessionRunner, TheEndOfTheProgramStopsAReadAndWaitsForAWrite) {
    // A read: the end comes at its fifth request and no more than that one is answered.
    {
        Bench bench(QStringLiteral("210-small"));
        std::atomic<int> handled{0};
        std::atomic<bool> reached{false};
        bench.first.setRequestObserver([&](const sim::LoggedRequest&) {
            if (++handled == 5) {
                reached = true;
                QThread::msleep(300);  // the end arrives while this exchange is under way
            }
        });
        ASSERT_TRUE(bench.runner->start([&](Session& s) { s.ConnectAndRead(bench.inputs); }));
        while (!reached) {
            QThread::msleep(1);
        }
        volatile int n = RecordCountOf(bench.runner->session().notebook());  // deliberately unsafe
        (void)n;
        bench.runner.reset();
        EXPECT_LE(bench.first.requestLog().size(), 6);
    }
    // A write: the end comes at its first erase; the write and its read-back run to the end.
    {
        Bench bench(QStringLiteral("210-small"));
        bench.Run([&](Session& s) { s.ConnectAndRead(bench.inputs); });
        ASSERT_TRUE(bench.runner->session().Edit({NotebookEdit::Kind::ClearAll, -1, {}, {}}));
        std::atomic<bool> reached{false};
        bench.first.setRequestObserver([&](const sim::LoggedRequest& r) {
            if (IsWrite(r.code)) {
                reached = true;
            }
        });
        ASSERT_TRUE(bench.runner->start(
            [&](Session& s) { s.WriteNotebook(bench.inputs, WholeWrite::Edits); }));
        while (!reached) {
            QThread::msleep(1);
        }
        bench.runner.reset();
        sim::Simulator check;
        check.setIdentification(sim::Kvir210Identification());
        check.setMemory(bench.first.memory());
        EXPECT_EQ(bench.first.requestLog().constLast().code, 16) << "ends with exchange mode 2";
        EXPECT_TRUE(
            sim::SaveNotebookText(check, QDate(2026, 12, 7)).count(QStringLiteral("\nrecord")) == 0)
            << "every record page was erased and nothing is left half written";
    }
}

TEST(SessionRunner, AQuestionAnsweredAfterALongPauseIsFollowedByANewIdentification) {
    Bench bench(QStringLiteral("510-small"), true);
    // The 210 of the second unit goes on the line while the question is open.
    bench.second.setIdentification(sim::Kvir210Identification());
    QObject::connect(bench.runner.get(), &SessionRunner::question, bench.runner.get(),
                     [&](Question) {
                         QThread::msleep(300);
                         sim::AttachSimulator(*bench.state, bench.second);
                         bench.runner->answer(true);
                     });
    bench.Run([&](Session& s) { s.Initialise(bench.inputs); });
    EXPECT_EQ(bench.questions, 1);
    // The 510 received no write; the 210 was identified again and erased in its own layout.
    for (const sim::LoggedRequest& r : bench.first.requestLog()) {
        EXPECT_FALSE(IsWrite(r.code));
    }
    int identifications = 0;
    bool ownLayout = false;
    for (const sim::LoggedRequest& r : bench.second.requestLog()) {
        identifications += r.code == 15 ? 1 : 0;
        ownLayout = ownLayout || r.code == 20;
        EXPECT_NE(r.code, 18);
    }
    EXPECT_EQ(identifications, 1);
    EXPECT_TRUE(ownLayout);
}

}  // namespace
}  // namespace kvir::test
