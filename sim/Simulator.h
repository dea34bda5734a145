#pragma once
// The simulated instrument: its 64 KiB memory, its identification, its answer to every request
// code, and the faults it can be told to commit. One Simulator is shared by the server thread
// of a pseudo-terminal and by the test that inspects it, so every member takes the lock.

#include "Fault.h"
#include "NotebookMemory.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <mutex>
#include <random>

namespace kvir::sim {

inline constexpr int kMemorySize = 0x10000;
// Bytes cleared by a write request with a count of 0.
inline constexpr int kErasePageSize = 512;
// Every reply carries this device address, whatever address the request went to.
inline constexpr quint8 kReplyAddress = 1;

struct Identification {
    QByteArray name;  // 8 bytes, Windows-1251
    qint8 version = 0;
    quint16 notebookBase = 0;

    friend bool operator==(const Identification&, const Identification&) = default;
};

// "КВИР-510", version 2, notebook at 0xD000.
Identification Kvir510Identification();
// "КВИР-210", version 1, notebook at 0xD000.
Identification Kvir210Identification();

// One request as the instrument understood it.
struct LoggedRequest {
    int address = 0;
    int code = 0;
    int start = -1;           // -1 for codes without a start address (0, 15, 16 and unknown codes)
    int count = -1;           // the count byte as sent (words for codes 4 and 20); -1 when none
    QByteArray data;          // data bytes of codes 16 to 21; the raw payload of an unknown code
    bool replied = false;     // false when silenced or dropped
    QList<FaultKind> faults;  // faults that hit this request, in the order they were added

    friend bool operator==(const LoggedRequest&, const LoggedRequest&) = default;
};

// "addr=1 code=4 start=0xD000 count=255 replied", with data and faults when there are any.
QString FormatLoggedRequest(const LoggedRequest& request);

struct Reply {
    QByteArray bytes;      // to send; empty for no reply
    int hangUpAfter = -1;  // >= 0: send only this many bytes, then close the line
    bool stop = false;     // close the line after sending
};

class Simulator {
  public:
    // Identification of the "КВИР-510", memory erased to 0xFF, no faults.
    Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Answers one request frame (':' to CR LF). A frame that cannot be parsed (bad hex, bad
    // check, too short, a payload that does not fit its code) gets no reply and no log entry.
    // After a hang-up or stop fault the instrument is gone and answers nothing.
    Reply handleRequest(const QByteArray& frame);

    void setIdentification(const Identification& identification);
    Identification identification() const;

    QByteArray memory() const;
    // False (and nothing changed) unless `image` holds exactly 65536 bytes.
    bool setMemory(const QByteArray& image);
    // Addresses wrap inside the 64 KiB.
    QByteArray readMemory(int start, int length) const;
    void writeMemory(int start, const QByteArray& bytes);

    // Stores a new measurement as the instrument does on its own while it is connected, with
    // its check word. "КВИР-510v2": in the page of folder `measurement.folder` (folder f is
    // page f − 1) at the first place whose mode byte is 0x00 or 0xFF; false when that page
    // is free, in use without a name, full (26 records) or beyond the notebook.
    // "КВИР-210v1": at the place after the last one whose folder byte is not 0xFF (record
    // n at page n / 23, place n % 23), folder byte `measurement.folder` (1 to 254); false
    // when the record pages are full. False as well when the identification names neither
    // model. Nothing changes when it returns false.
    bool storeMeasurement(const Measurement& measurement);

    // The last legal state (1 or 2) set by code 16; 0 before any.
    int exchangeMode() const;

    void addFault(const Fault& fault);
    void clearFaults();
    QList<Fault> faults() const;
    void setNoiseSeed(quint32 seed);

    QList<LoggedRequest> requestLog() const;
    void clearLog();
    // Frames that reached handleRequest but could not be parsed.
    int rejectedFrames() const;
    // Called after each logged request, outside the lock, on the thread that handled it.
    void setRequestObserver(std::function<void(const LoggedRequest&)> observer);

    // True after a hang-up or stop fault hit.
    bool isGone() const;
    void revive();

  private:
    struct ActiveFault {
        Fault fault;
        int matched = 0;
    };

    QByteArray execute(int code, int start, int count, const QByteArray& data);
    QByteArray noise();

    mutable std::mutex mutex_;
    QByteArray memory_;
    Identification identification_;
    int exchangeMode_ = 0;
    QList<ActiveFault> faults_;
    QList<LoggedRequest> log_;
    int rejected_ = 0;
    bool gone_ = false;
    std::mt19937 random_;
    std::function<void(const LoggedRequest&)> observer_;
};

}  // namespace kvir::sim
