#include "SessionRunner.h"

#include <QSocketNotifier>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>

namespace kvir {

// What the session reports goes into the runner's outbox.
class SessionRunner::Host final : public SessionHost {
  public:
    explicit Host(SessionRunner& runner) : runner_(runner) {}

    void notify(const SessionEvent& event) override {
        if (std::holds_alternative<ev::WriteStarted>(event)) {
            runner_.writing_.store(true);
        }
        runner_.Post(event);
    }
    void progress(Stage stage, int fp, int fm, int rp, int rm) override {
        runner_.Post(Progress{stage, fp, fm, rp, rm});
    }
    bool ask(Question question) override {
        // After a stop (or at the end of the program) every question is answered No.
        if (runner_.session_->cancelFlag().load()) {
            return false;
        }
        {
            std::lock_guard lock(runner_.mutex_);
            runner_.answer_.reset();
            runner_.asking_ = true;
        }
        runner_.Post(question);
        std::unique_lock lock(runner_.mutex_);
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
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        qFatal("kvir: no pipe for the session's thread");
    }
    notifier_ = new QSocketNotifier(wake_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SessionRunner::Deliver);
    worker_.reset(QThread::create([this] { Work(); }));
    worker_->setObjectName(QStringLiteral("kvir-session"));
    worker_->start();
}

SessionRunner::~SessionRunner() {
    cancel();
    waitIdle();
    {
        // The port was opened on the worker thread: it is closed there too.
        std::lock_guard lock(mutex_);
        jobs_.push_back([](Session& s) { s.Disconnect(); });
        stopping_ = true;
    }
    changed_.notify_all();
    worker_->wait();
    {
        std::lock_guard lock(mutex_);  // after the worker's last step (see Work)
    }
    delete notifier_;
    ::close(wake_[0]);
    ::close(wake_[1]);
}

void SessionRunner::Work() {
    // QThread::wait is invisible to ThreadSanitizer (Debian's Qt is not instrumented). The
    // worker takes the mutex once more as it leaves, after its last write to the wake-up pipe,
    // and the destructor takes it after the wait: everything the worker did is then ordered
    // before the pipe is closed and the session destroyed.
    struct Leaving {
        std::mutex& mutex;
        ~Leaving() { std::lock_guard lock(mutex); }
    } leaving{mutex_};
    for (;;) {
        Operation operation;
        bool last = false;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) {
                return;
            }
            operation = std::move(jobs_.front());
            jobs_.pop_front();
            last = stopping_ && jobs_.empty();
        }
        operation(*session_);
        writing_.store(false);
        {
            std::lock_guard lock(mutex_);
            running_.store(false, std::memory_order_release);
        }
        changed_.notify_all();
        Post(Finished{});
        if (last) {
            return;
        }
    }
}

bool SessionRunner::start(Operation operation) {
    if (busy_.exchange(true, std::memory_order_acq_rel)) {
        return false;
    }
    writing_.store(false);
    {
        std::lock_guard lock(mutex_);
        running_.store(true, std::memory_order_release);
        jobs_.push_back(std::move(operation));
    }
    changed_.notify_all();
    return true;
}

void SessionRunner::Post(Out out) {
    bool first = false;
    {
        std::lock_guard lock(mutex_);
        // Only the latest progress matters: the bars show where the operation is now.
        if (std::holds_alternative<Progress>(out) && !outbox_.empty() &&
            std::holds_alternative<Progress>(outbox_.back())) {
            outbox_.back() = std::move(out);
            return;
        }
        first = outbox_.empty();
        outbox_.push_back(std::move(out));
    }
    if (first) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(wake_[1], &byte, 1);
    }
}

void SessionRunner::Deliver() {
    char bytes[64];
    while (::read(wake_[0], bytes, sizeof bytes) > 0) {
    }
    std::deque<Out> out;
    {
        std::lock_guard lock(mutex_);
        out.swap(outbox_);
    }
    for (const Out& item : out) {
        if (const auto* e = std::get_if<SessionEvent>(&item)) {
            emit sessionEvent(*e);
        } else if (const auto* p = std::get_if<Progress>(&item)) {
            emit progress(p->stage, p->fp, p->fm, p->rp, p->rm);
        } else if (const auto* q = std::get_if<Question>(&item)) {
            emit question(*q);
        } else {
            // The window may start the next operation from here on.
            busy_.store(false, std::memory_order_release);
            emit finished();
        }
    }
}

// The acquire load orders everything the worker did in its last operation before what the
// caller reads now.
Session& SessionRunner::session() {
    [[maybe_unused]] const bool running = running_.load(std::memory_order_acquire);
    Q_ASSERT(!running);
    return *session_;
}

const Session& SessionRunner::session() const {
    [[maybe_unused]] const bool running = running_.load(std::memory_order_acquire);
    Q_ASSERT(!running);
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
    changed_.wait(lock, [this] { return !running_.load(std::memory_order_acquire); });
}

}  // namespace kvir
