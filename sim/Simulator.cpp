#include "Simulator.h"

#include "WireFrame.h"

#include <QStringList>

#include <algorithm>

namespace kvir::sim {

namespace {

quint8 U8(char c) {
    return static_cast<quint8>(c);
}

// Windows-1251 bytes of "КВИР-".
QByteArray NamePrefix() {
    return QByteArray("\xCA\xC2\xC8\xD0-");
}

struct Request {
    int address = 0;
    int code = 0;
    int start = -1;
    int count = -1;
    QByteArray data;
};

// Splits a message into the fields its code carries; nothing when the payload does not have
// the length its code (and count) says. Unknown codes keep their payload as data.
std::optional<Request> ParseRequest(const QByteArray& message) {
    Request r;
    r.address = U8(message[0]);
    r.code = U8(message[1]);
    const QByteArray payload = message.mid(2);
    const auto size = payload.size();
    const auto takeStart = [&] { r.start = U8(payload[0]) << 8 | U8(payload[1]); };
    switch (r.code) {
        case 0:
        case 15:
            return size == 0 ? std::optional(r) : std::nullopt;
        case 16:
            if (size != 1) {
                return std::nullopt;
            }
            r.data = payload;
            return r;
        case 1:
        case 3:
            if (size != 2) {
                return std::nullopt;
            }
            takeStart();
            return r;
        case 2:
        case 4:
        case 5:
            if (size != 3) {
                return std::nullopt;
            }
            takeStart();
            r.count = U8(payload[2]);
            return r;
        case 17:
        case 19:
            if (size != (r.code == 17 ? 3 : 4)) {
                return std::nullopt;
            }
            takeStart();
            r.data = payload.mid(2);
            return r;
        case 18:
        case 20:
        case 21: {
            if (size < 3) {
                return std::nullopt;
            }
            takeStart();
            r.count = U8(payload[2]);
            const int dataBytes = r.code == 20 ? 2 * r.count : r.count;
            if (size != 3 + dataBytes) {
                return std::nullopt;
            }
            r.data = payload.mid(3);
            return r;
        }
        default:
            r.data = payload;
            return r;
    }
}

QByteArray FailedReply(int code) {
    QByteArray reply;
    reply.append(static_cast<char>(kReplyAddress));
    reply.append(static_cast<char>(code | 0x80));
    reply.append(static_cast<char>(1));
    return reply;
}

// Address, code and what precedes the payload whose length a reader relies on.
int ReplyHeaderSize(int code) {
    switch (code) {
        case 2:
        case 4:
        case 5:
            return 5;
        case 1:
        case 3:
        case 17:
        case 18:
        case 19:
        case 20:
        case 21:
            return 4;
        default:
            return 2;
    }
}

// Keeps the header and the first half of what follows it.
QByteArray Truncate(const QByteArray& message) {
    const int header = std::min<int>(ReplyHeaderSize(U8(message[1])), message.size());
    const int payload = static_cast<int>(message.size()) - header;
    return message.left(header + payload / 2);
}

}  // namespace

Identification Kvir510Identification() {
    return {NamePrefix() + "510", 2, 0xD000};
}

Identification Kvir210Identification() {
    return {NamePrefix() + "210", 1, 0xD000};
}

QString FormatLoggedRequest(const LoggedRequest& request) {
    QStringList parts;
    parts << QStringLiteral("addr=%1").arg(request.address)
          << QStringLiteral("code=%1").arg(request.code);
    if (request.start >= 0) {
        parts << QStringLiteral("start=0x%1")
                     .arg(QString::number(request.start, 16).toUpper().rightJustified(4, u'0'));
    }
    if (request.count >= 0) {
        parts << QStringLiteral("count=%1").arg(request.count);
    }
    if (!request.data.isEmpty()) {
        parts << QStringLiteral("data=%1").arg(QString::fromLatin1(request.data.toHex().toUpper()));
    }
    parts << (request.replied ? QStringLiteral("replied") : QStringLiteral("no-reply"));
    if (!request.faults.isEmpty()) {
        QStringList names;
        for (FaultKind kind : request.faults) {
            names << FaultKindName(kind);
        }
        parts << QStringLiteral("faults=%1").arg(names.join(QLatin1Char(',')));
    }
    return parts.join(QLatin1Char(' '));
}

Simulator::Simulator()
    : memory_(kMemorySize, static_cast<char>(0xFF)),
      identification_(Kvir510Identification()),
      random_(0x4B564952u) {}

Reply Simulator::handleRequest(const QByteArray& frame) {
    LoggedRequest entry;
    Reply reply;
    std::function<void(const LoggedRequest&)> observer;
    {
        std::lock_guard lock(mutex_);
        if (gone_) {
            return {};
        }
        const auto message = DecodeFrame(frame);
        const auto request = message ? ParseRequest(*message) : std::nullopt;
        if (!request) {
            ++rejected_;
            return {};
        }
        entry.address = request->address;
        entry.code = request->code;
        entry.start = request->start;
        entry.count = request->count;
        entry.data = request->data;

        auto has = [&](FaultKind kind) { return entry.faults.contains(kind); };
        for (ActiveFault& active : faults_) {
            const Fault& f = active.fault;
            if (!f.matches(request->code, request->start)) {
                continue;
            }
            const int index = active.matched++;
            if (index >= f.skip && (f.count < 0 || index < f.skip + f.count) && !has(f.kind)) {
                entry.faults.append(f.kind);
            }
        }

        if (!has(FaultKind::Silence)) {
            QByteArray answer = has(FaultKind::Failed) ? FailedReply(request->code)
                                                       : execute(request->code, request->start,
                                                                 request->count, request->data);
            if (has(FaultKind::OtherAddress)) {
                answer[0] = 2;
            }
            if (has(FaultKind::Truncated)) {
                answer = Truncate(answer);
            }
            const quint8 check =
                static_cast<quint8>(Lrc(answer) + (has(FaultKind::BadCheck) ? 1 : 0));
            reply.bytes = EncodeFrame(answer, check, has(FaultKind::LowerCase));
            if (has(FaultKind::Noise)) {
                reply.bytes.prepend(noise());
            }
            entry.replied = true;
        }
        if (has(FaultKind::HangUp)) {
            reply.hangUpAfter = static_cast<int>(reply.bytes.size() / 2);
            gone_ = true;
        }
        if (has(FaultKind::Stop)) {
            reply.stop = true;
            gone_ = true;
        }
        log_.append(entry);
        observer = observer_;
    }
    if (observer) {
        observer(entry);
    }
    return reply;
}

QByteArray Simulator::execute(int code, int start, int count, const QByteArray& data) {
    const auto read = [&](int length) {
        QByteArray bytes(length, '\0');
        for (int i = 0; i < length; ++i) {
            bytes[i] = memory_[(start + i) & 0xFFFF];
        }
        return bytes;
    };
    const auto write = [&](const QByteArray& bytes) {
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            memory_[(start + i) & 0xFFFF] = bytes[i];
        }
    };

    QByteArray reply;
    reply.append(static_cast<char>(kReplyAddress));
    reply.append(static_cast<char>(code));
    const auto appendStart = [&] {
        reply.append(static_cast<char>(start >> 8));
        reply.append(static_cast<char>(start & 0xFF));
    };
    switch (code) {
        case 0:
            break;
        case 15: {
            const Identification& id = identification_;
            reply.append(2, '\0');
            reply.append(id.name.leftJustified(8, ' ', true));
            reply.append(static_cast<char>(id.version));
            reply.append(8, '\0');
            reply.append(static_cast<char>(id.notebookBase >> 8));
            reply.append(static_cast<char>(id.notebookBase & 0xFF));
            reply.append(2, '\0');
            break;
        }
        case 16: {
            const int state = U8(data[0]);
            if (state != 1 && state != 2) {
                return FailedReply(code);
            }
            exchangeMode_ = state;
            reply.append(data);
            break;
        }
        case 1:
        case 3:
            appendStart();
            reply.append(read(code == 1 ? 1 : 2));
            break;
        case 2:
        case 4:
        case 5:
            appendStart();
            reply.append(static_cast<char>(count));
            reply.append(read(code == 4 ? 2 * count : count));
            break;
        case 17:
        case 19:
            write(data);
            appendStart();
            reply.append(data);
            break;
        case 18:
        case 20:
        case 21:
            // A count of 0 erases a page's worth of memory from the start address.
            write(count == 0 && code != 21 ? QByteArray(kErasePageSize, static_cast<char>(0xFF))
                                           : data);
            appendStart();
            reply.append(static_cast<char>(count));
            break;
        default:
            return FailedReply(code);
    }
    return reply;
}

QByteArray Simulator::noise() {
    std::uniform_int_distribution<int> length(1, 16);
    std::uniform_int_distribution<int> byte(1, 255);
    QByteArray bytes;
    for (int n = length(random_); bytes.size() < n;) {
        const char c = static_cast<char>(byte(random_));
        if (c != ':' && c != '\r' && c != '\n') {
            bytes.append(c);
        }
    }
    return bytes;
}

void Simulator::setIdentification(const Identification& identification) {
    std::lock_guard lock(mutex_);
    identification_ = identification;
}

Identification Simulator::identification() const {
    std::lock_guard lock(mutex_);
    return identification_;
}

QByteArray Simulator::memory() const {
    std::lock_guard lock(mutex_);
    return memory_;
}

bool Simulator::setMemory(const QByteArray& image) {
    if (image.size() != kMemorySize) {
        return false;
    }
    std::lock_guard lock(mutex_);
    memory_ = image;
    return true;
}

QByteArray Simulator::readMemory(int start, int length) const {
    std::lock_guard lock(mutex_);
    QByteArray bytes(std::max(length, 0), '\0');
    for (int i = 0; i < length; ++i) {
        bytes[i] = memory_[(start + i) & 0xFFFF];
    }
    return bytes;
}

void Simulator::writeMemory(int start, const QByteArray& bytes) {
    std::lock_guard lock(mutex_);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        memory_[(start + i) & 0xFFFF] = bytes[i];
    }
}

bool Simulator::storeMeasurement(const Measurement& measurement) {
    std::lock_guard lock(mutex_);
    const Model model = ModelOf(identification_.name, identification_.version);
    const int base = identification_.notebookBase;
    const int pages = PageCount(model, base);
    const int perPage = RecordsPerPage(model);
    const int folder = measurement.folder;
    int at = -1;
    if (model == Model::Ph510 && folder >= 1 && folder <= pages) {
        const quint8 first = U8(memory_[base + (folder - 1) * kPageBytes]);
        for (int place = 0; place < perPage && at < 0 && first != 0x00 && first != 0xFF; ++place) {
            const int a = RecordAddress(model, base, folder - 1, place);
            if (U8(memory_[a]) == 0x00 || U8(memory_[a]) == 0xFF) {
                at = a;
            }
        }
    } else if (model == Model::Conc210 && folder >= 1 && folder <= 254) {
        int next = 0;
        for (int n = 0; n < pages * perPage; ++n) {
            if (U8(memory_[RecordAddress(model, base, n / perPage, n % perPage)]) != 0xFF) {
                next = n + 1;
            }
        }
        if (next < pages * perPage) {
            at = RecordAddress(model, base, next / perPage, next % perPage);
        }
    }
    if (at < 0) {
        return false;
    }
    const QByteArray bytes = RecordBytes(model, measurement);
    memory_.replace(at, bytes.size(), bytes);
    return true;
}

int Simulator::exchangeMode() const {
    std::lock_guard lock(mutex_);
    return exchangeMode_;
}

void Simulator::addFault(const Fault& fault) {
    std::lock_guard lock(mutex_);
    faults_.append({fault, 0});
}

void Simulator::clearFaults() {
    std::lock_guard lock(mutex_);
    faults_.clear();
}

QList<Fault> Simulator::faults() const {
    std::lock_guard lock(mutex_);
    QList<Fault> result;
    for (const ActiveFault& active : faults_) {
        result.append(active.fault);
    }
    return result;
}

void Simulator::setNoiseSeed(quint32 seed) {
    std::lock_guard lock(mutex_);
    random_.seed(seed);
}

QList<LoggedRequest> Simulator::requestLog() const {
    std::lock_guard lock(mutex_);
    return log_;
}

void Simulator::clearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
    rejected_ = 0;
}

int Simulator::rejectedFrames() const {
    std::lock_guard lock(mutex_);
    return rejected_;
}

void Simulator::setRequestObserver(std::function<void(const LoggedRequest&)> observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

bool Simulator::isGone() const {
    std::lock_guard lock(mutex_);
    return gone_;
}

void Simulator::revive() {
    std::lock_guard lock(mutex_);
    gone_ = false;
}

}  // namespace kvir::sim
