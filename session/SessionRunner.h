#pragma once
// Runs the session's operations on a worker thread of their own, one at a time, so that the
// window keeps answering while the instrument is read or written. The serial link belongs to
// that thread from the first operation on. Events, progress and questions reach the window as
// queued signals; a question holds the operation until the window answers it.
//
// The window reads the session's state and edits memory only between operations (busy() is
// false): the worker has finished with it then, and the queued `finished` signal that
// announced it orders the two.

#include "Session.h"

#include <QObject>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

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
    bool busy() const { return busy_.load(); }
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
    void event(const kvir::SessionEvent& event);
    void progress(kvir::Stage stage, int foldersPos, int foldersMax, int recordsPos,
                  int recordsMax);
    void question(kvir::Question question);
    void finished();

  private:
    class Host;
    void Run(const Operation& operation);

    std::unique_ptr<Host> host_;
    std::unique_ptr<Session> session_;
    QThread thread_;
    QObject* worker_ = nullptr;  // lives on thread_
    std::atomic<bool> busy_{false};
    std::atomic<bool> writing_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<bool> answer_;  // guarded by mutex_
    bool asking_ = false;         // guarded by mutex_
};

}  // namespace kvir
