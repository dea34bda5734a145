#include "SessionRunner.h"

#include <QMetaObject>

namespace kvir {

// Forwards the session's events as signals of the runner; emitted on the worker thread, they
// are queued to the window's thread.
class SessionRunner::Host final : public SessionHost {
  public:
    explicit Host(SessionRunner& runner) : runner_(runner) {}

    void notify(const SessionEvent& event) override {
        if (std::holds_alternative<ev::WriteStarted>(event)) {
            runner_.writing_.store(true);
        }
        emit runner_.event(event);
    }
    void progress(Stage stage, int fp, int fm, int rp, int rm) override {
        emit runner_.progress(stage, fp, fm, rp, rm);
    }
    bool ask(Question question) override {
        std::unique_lock lock(runner_.mutex_);
        runner_.answer_.reset();
        runner_.asking_ = true;
        lock.unlock();
        emit runner_.question(question);
        lock.lock();
        runner_.changed_.wait(lock, [this] { return runner_.answer_.has_value(); });
        runner_.asking_ = false;
        return *runner_.answer_;
    }

  private:
    SessionRunner& runner_;
};

SessionRunner::SessionRunner(SerialLink& link, SessionConfig config, QObject* parent)
    : QObject(parent),
      host_(std::make_unique<Host>(*this)),
      session_(std::make_unique<Session>(link, *host_, std::move(config))) {
    qRegisterMetaType<SessionEvent>();
    qRegisterMetaType<Stage>();
    qRegisterMetaType<Question>();
    thread_.setObjectName(QStringLiteral("kvir-session"));
    worker_ = new QObject;
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
}

SessionRunner::~SessionRunner() {
    cancel();
    waitIdle();
    // The port was opened on the worker thread: it is closed there too.
    QMetaObject::invokeMethod(
        worker_, [this] { session_->Disconnect(); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

bool SessionRunner::start(Operation operation) {
    if (busy_.exchange(true)) {
        return false;
    }
    writing_.store(false);
    QMetaObject::invokeMethod(
        worker_, [this, operation = std::move(operation)] { Run(operation); },
        Qt::QueuedConnection);
    return true;
}

void SessionRunner::Run(const Operation& operation) {
    operation(*session_);
    writing_.store(false);
    {
        std::lock_guard lock(mutex_);
        busy_.store(false);
    }
    changed_.notify_all();
    emit finished();
}

Session& SessionRunner::session() {
    Q_ASSERT(!busy_.load());
    return *session_;
}

const Session& SessionRunner::session() const {
    Q_ASSERT(!busy_.load());
    return *session_;
}

void SessionRunner::cancel() {
    session_->RequestCancel();
    answer(false);
}

void SessionRunner::answer(bool yes) {
    {
        std::lock_guard lock(mutex_);
        if (!asking_) {
            return;
        }
        answer_ = yes;
    }
    changed_.notify_all();
}

void SessionRunner::waitIdle() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_.load(); });
}

}  // namespace kvir
