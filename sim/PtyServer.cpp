#include "PtyServer.h"

#include "WireFrame.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace kvir::sim {

namespace {

constexpr int kPollMs = 20;
// With no client holding the slave open the master reports a hang-up at once; wait this long
// before looking again instead of spinning.
constexpr auto kIdleSleep = std::chrono::milliseconds(10);
// A reply that cannot be written for this long (nobody reads the slave) is dropped.
constexpr long kWriteGiveUpNs = 2'000'000'000L;

timespec Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t;
}

timespec Add(timespec t, long long ns) {
    const long long total = t.tv_nsec + ns;
    t.tv_sec += static_cast<time_t>(total / 1'000'000'000LL);
    t.tv_nsec = static_cast<long>(total % 1'000'000'000LL);
    return t;
}

long long Diff(const timespec& a, const timespec& b) {
    return (static_cast<long long>(a.tv_sec) - b.tv_sec) * 1'000'000'000LL +
           (a.tv_nsec - b.tv_nsec);
}

QString SystemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

}  // namespace

PtyServer::PtyServer(Simulator& simulator, Options options)
    : simulator_(simulator), options_(std::move(options)) {}

PtyServer::~PtyServer() {
    stop();
}

QString PtyServer::start(QString* error) {
    const auto fail = [&](const QString& reason) {
        if (error) {
            *error = reason;
        }
        closeMaster();
        return QString();
    };
    if (thread_.joinable() || master_ >= 0) {
        return fail(QStringLiteral("already started"));
    }
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0) {
        return fail(SystemError("posix_openpt"));
    }
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
        return fail(SystemError("grantpt/unlockpt"));
    }
    char name[128] = {};
    if (ptsname_r(master_, name, sizeof name) != 0) {
        return fail(SystemError("ptsname"));
    }
    // The terminal settings are shared by both sides: raw, so that nothing is echoed back and
    // CR and LF pass unchanged even to a client that does not configure the line itself.
    termios tio{};
    if (tcgetattr(master_, &tio) != 0) {
        return fail(SystemError("tcgetattr"));
    }
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    if (tcsetattr(master_, TCSANOW, &tio) != 0) {
        return fail(SystemError("tcsetattr"));
    }
    slavePath_ = QString::fromLocal8Bit(name);
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave_ < 0) {
        return fail(SystemError("open slave"));
    }

    if (!options_.linkPath.isEmpty()) {
        const QByteArray link = options_.linkPath.toLocal8Bit();
        struct stat st {};
        if (lstat(link.constData(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                return fail(
                    QStringLiteral("%1 exists and is not a symbolic link").arg(options_.linkPath));
            }
            if (unlink(link.constData()) != 0) {
                return fail(SystemError("unlink"));
            }
        }
        if (symlink(name, link.constData()) != 0) {
            return fail(SystemError("symlink"));
        }
        linked_ = true;
    }

    stopRequested_ = false;
    running_ = true;
    thread_ = std::thread([this] { serve(); });
    return slavePath_;
}

void PtyServer::stop() {
    stopRequested_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    running_ = false;
    closeMaster();
    if (linked_) {
        // Remove the link only while it still points at this server's device.
        const QByteArray link = options_.linkPath.toLocal8Bit();
        char target[256] = {};
        const ssize_t n = readlink(link.constData(), target, sizeof target - 1);
        if (n > 0 && QString::fromLocal8Bit(target, n) == slavePath_) {
            unlink(link.constData());
        }
        linked_ = false;
    }
}

void PtyServer::closeMaster() {
    for (int* fd : {&slave_, &master_}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

void PtyServer::hangUp() {
    // Closing the master discards whatever the slave has not read yet.
    const timespec giveUp = Add(Now(), kWriteGiveUpNs);
    int quietChecks = 0;
    while (!stopRequested_ && Diff(giveUp, Now()) > 0 && quietChecks < 3) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        int waiting = 0;
        const bool empty = ioctl(slave_, FIONREAD, &waiting) != 0 || waiting == 0;
        quietChecks = empty ? quietChecks + 1 : 0;
    }
    closeMaster();
}

void PtyServer::serve() {
    FrameCollector collector;
    timespec frameStart = Now();
    char buffer[512];
    while (!stopRequested_) {
        pollfd p{master_, POLLIN, 0};
        const int ready = ::poll(&p, 1, kPollMs);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (ready <= 0) {
            continue;
        }
        if ((p.revents & POLLIN) == 0) {
            std::this_thread::sleep_for(kIdleSleep);
            continue;
        }
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) {
            // EIO: no client holds the slave open (yet, or any more); EAGAIN: nothing after all.
            if (n == 0 || errno == EIO) {
                std::this_thread::sleep_for(kIdleSleep);
                continue;
            }
            if (errno == EAGAIN || errno == EINTR) {
                continue;
            }
            break;
        }
        const timespec now = Now();
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] == ':') {
                frameStart = now;
            }
            const auto frame = collector.push(buffer[i]);
            if (!frame) {
                continue;
            }
            const Reply reply = simulator_.handleRequest(*frame);
            // In wire-speed mode the reply waits until the request would have finished
            // arriving at 9600 baud.
            const timespec requestEnd = Add(frameStart, frame->size() * kCharacterNs);
            const bool hangsUp = reply.hangUpAfter >= 0;
            // A reply nobody takes within the give-up time is lost, as on a real line.
            send(hangsUp ? reply.bytes.left(reply.hangUpAfter) : reply.bytes, requestEnd);
            if (hangsUp || reply.stop) {
                // The instrument goes away: clients see the line hang up.
                hangUp();
                running_ = false;
                return;
            }
        }
    }
    running_ = false;
}

bool PtyServer::send(const QByteArray& bytes, const timespec& notBefore) {
    const auto writeAll = [this](const char* data, qsizetype size) {
        timespec lastProgress = Now();
        while (size > 0) {
            const ssize_t n = ::write(master_, data, static_cast<size_t>(size));
            if (n > 0) {
                data += n;
                size -= n;
                lastProgress = Now();
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 && errno != EAGAIN) {
                return false;
            }
            if (stopRequested_ || Diff(Now(), lastProgress) > kWriteGiveUpNs) {
                return false;
            }
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, kPollMs);
        }
        return true;
    };
    // Sleeps to an absolute deadline in short slices so that stop() is not held up.
    const auto sleepUntil = [this](const timespec& deadline) {
        while (!stopRequested_) {
            const timespec slice = Add(Now(), 50'000'000L);
            const bool last = Diff(deadline, slice) <= 0;
            const timespec& target = last ? deadline : slice;
            while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &target, nullptr) == EINTR) {
            }
            if (last) {
                return true;
            }
        }
        return false;
    };

    if (!options_.wireSpeed) {
        return writeAll(bytes.constData(), bytes.size());
    }
    // Character i has fully arrived one character time after character i - 1; deadlines are
    // absolute, so the pace does not drift however long each write takes.
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (!sleepUntil(Add(notBefore, (i + 1) * kCharacterNs)) ||
            !writeAll(bytes.constData() + i, 1)) {
            return false;
        }
    }
    return true;
}

}  // namespace kvir::sim
