#pragma once
// Faults the simulated instrument can be told to commit, each limited to the requests it
// should hit, and their one-line text form shared by the command line and the tests.

#include <QList>
#include <QString>

#include <optional>

namespace kvir::sim {

enum class FaultKind {
    Silence,       // no reply; the request is lost, nothing is executed
    Noise,         // random bytes (never ':', CR or LF) before a valid reply
    BadCheck,      // the reply's check byte is off by one
    OtherAddress,  // the reply comes from device address 2
    Failed,        // failed-command reply [01, code|0x80, 01]; nothing is executed
    Truncated,     // well-formed frame, correct check, half of its payload missing
    LowerCase,     // the reply's hexadecimal letters are lower case
    HangUp,        // half of the reply is sent, then the instrument goes away
    Stop,          // the reply is sent, then the instrument goes away
};

// A fault hits the requests that match its code and start range; of those, it leaves the first
// `skip` alone and hits the next `count` (-1: all that follow).
struct Fault {
    FaultKind kind = FaultKind::Silence;
    int code = -1;      // -1: any function code
    int startMin = -1;  // -1: any start; otherwise only requests that carry a start address
    int startMax = -1;  // with startMin <= start <= startMax (-1: no upper bound)
    int skip = 0;
    int count = -1;

    bool matches(int requestCode, int requestStart) const;
    friend bool operator==(const Fault&, const Fault&) = default;
};

// Text form, one fault per string:
//   KIND[@OPTION,OPTION...]   KIND: silence noise bad-check other-address failed truncated
//                                   lower-case hangup stop
//                             OPTION: code=N  start=A  start=A-B  skip=N  count=N
//   drop-first=N              silence for the first N requests
//   stop-after=N              answer N requests, then go away
// Numbers are decimal or 0x-prefixed hexadecimal. Returns nothing (and the reason in `error`)
// for anything else.
std::optional<Fault> ParseFault(const QString& text, QString* error = nullptr);

QString FaultKindName(FaultKind kind);
QString FormatFault(const Fault& fault);

}  // namespace kvir::sim
