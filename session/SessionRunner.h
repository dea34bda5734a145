#pragma once
// Runs the session's operations on a worker thread of their own, one at a time, so that the
// window keeps answering while the instrument is read or written. The serial link belongs to
// that thread from the first operation on. What the session reports (events, progress,
// questions, the end of an operation) waits in an outbox guarded by a mutex; a byte written to
// a pipe wakes the window's thread, which delivers it as signals with typed payloads. A
// question holds the operation until the window answers it. Nothing the threads share passes
// through Qt's event queue, so ThreadSanitizer sees every hand-over.
//
// The window reads the session's state and edits memory only between operations (busy() is
// false): the worker has finished with it then, and busy_ orders the two.

#include "Session.h"

#include <QObject>

class QSocketNotifier;
class QThread;

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <variant>

namespace kvir {

class SessionRunner final : public QObject {
    Q_OBJECT

  public:
    using Operation = std::function<void(Session&)>;

    SessionRunner(SerialLink& link, SessionConfig config, QObject* parent = nullptr);
    // Stops a read that runs, waits for a write that runs to end, closes the port.
    ~SessionRunner() override;

    // Starts `operation` on the worker thread; false (and nothing started) while one runs.
    bool start(Operation operation);
    // From start() until the window has been told the operation finished.
    bool busy() const { return busy_.load(std::memory_order_acquire); }
    // From the first request that erases to the end of the operation: it cannot be stopped.
    bool writing() const { return writing_.load(); }
    // The session, between operations only.
    Session& session();
    const Session& session() const;

    // Stops the running operation before its next request, unless it is writing already; an
    // open question is answered No.
    void cancel();
    // The operator's answer to the question the last `question` signal asked.
    void answer(bool yes);
    // Blocks the calling thread until no operation runs (for the end of the program).
    void waitIdle();

  signals:
    void sessionEvent(const kvir::SessionEvent& event);
    void progress(kvir::Stage stage, int foldersPos, int foldersMax, int recordsPos,
                  int recordsMax);
    void question(kvir::Question question);
    void finished();

  private:
    class Host;
    struct Progress {
        Stage stage;
        int fp, fm, rp, rm;
    };
    struct Finished {};
    using Out = std::variant<SessionEvent, Progress, Question, Finished>;

    void Work();
    void Post(Out out);
    void Deliver();

    std::unique_ptr<Host> host_;
    std::unique_ptr<Session> session_;
    std::atomic<bool> busy_{false};     // for the window: cleared when `finished` is emitted
    std::atomic<bool> running_{false};  // the worker is in an operation
    std::atomic<bool> writing_{false};

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Operation> jobs_;  // guarded by mutex_
    bool stopping_ = false;       // guarded by mutex_
    std::optional<bool> answer_;  // guarded by mutex_
    bool asking_ = false;         // guarded by mutex_
    std::deque<Out> outbox_;      // guarded by mutex_
    int wake_[2] = {-1, -1};      // the pipe that wakes the window's thread
    QSocketNotifier* notifier_ = nullptr;
    // A thread Qt knows (the serial port's objects live on it), running Work() without an
    // event loop of its own.
    std::unique_ptr<QThread> worker_;
};

}  // namespace kvir
