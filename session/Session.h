#pragma once
// The console session: the serial link, the instrument on it, the notebook in memory and
// where that notebook came from. It runs connect, identify, read, write and initialise and
// keeps the rules that make writing back safe:
//
// - Before anything is erased, after the operator's last answer, the session identifies the
//   instrument and reads at least every page it will erase or rewrite. An instrument keeps
//   measuring while it is connected and two units of one model look alike, so a copy read
//   earlier is never trusted on its own.
// - What it read is saved in a lossless backup first, unless those very bytes are in a backup
//   already. Edits of folders and records are then applied to what the instrument holds now,
//   so a measurement stored since the read stays.
// - A notebook of one model is never written into an instrument of another.
// - A notebook that does not hold all its instrument held (more records than memory takes,
//   records past an end marker or on a page without a name) is never written whole.
// - Every write is read back; a write whose read-back fails or differs is a failure, and
//   memory then keeps the notebook that was written, marked unwritten.
//
// The session shows nothing. What the operator must see or the protocol must keep reaches
// the host as typed events, in the order it happens; questions reach it as questions, and the
// operation goes on with the answer. An operation runs to its end on the calling thread; the
// console runs it on a worker thread (SessionRunner) so that the window keeps answering.
// Between operations the owner may read the state and edit memory.

#include "NotebookEdits.h"
#include "SessionEvents.h"
#include "instrument/NotebookSequences.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

namespace kvir {

// What the session needs from its owner.
class SessionHost {
  public:
    virtual ~SessionHost() = default;
    virtual void notify(const SessionEvent& event) = 0;
    virtual void progress(Stage stage, int foldersPos, int foldersMax, int recordsPos,
                          int recordsMax) = 0;
    // A question for the operator; the operation goes on with the answer.
    virtual bool ask(Question question) = 0;
};

// Values the session works with for its whole life. The functions are called on the thread
// that runs the operation: they must not touch widgets.
struct SessionConfig {
    std::function<QDateTime()> now;  // empty: the local clock
    QString workDir;                 // where backups are written
    // Lines for people saved beside every backup (Windows-1251, like an export), with the user
    // of the operation.
    std::function<QStringList(const Notebook&, const QString& user)> backupTable;
};

// A whole write: the notebook in memory as it is ("Обновить блокнот", a restore), or the
// operator's edits applied to what the instrument holds (folder deletion, record deletion).
enum class WholeWrite { Memory, Edits };

class Session {
  public:
    Session(SerialLink& link, SessionHost& host, SessionConfig config = {});
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // ---- State (read it between operations) ---------------------------------------------------
    const Notebook& notebook() const { return memory_; }
    Origin origin() const { return origin_; }
    // Memory holds edits of the operator that were not written.
    bool edited() const { return edited_; }
    // A write failed after erasing: memory holds what the instrument should hold.
    bool unwritten() const { return unwritten_; }
    // The model identified on the current connection (None before, or when unsupported).
    DeviceModel instrumentModel() const { return instrumentModel_; }
    const Identification& identification() const { return ident_; }
    // The model shown as the window caption: the identified one after a connection, the
    // notebook's after a read or load; refused and failed writes leave it as it was.
    const QString& caption() const { return caption_; }
    void setCaption(const QString& caption) { caption_ = caption; }
    bool connected() const;
    // The port of the current connection; empty when there is none.
    const QString& port() const { return port_; }
    // File names of the backups saved in this session, oldest first.
    const QStringList& backups() const { return backups_; }

    // ---- Edits in memory (no request is sent) ---------------------------------------------
    bool Edit(const NotebookEdit& edit);

    // ---- Operations (the events tell the host what happened) ------------------------------
    // Opens the chosen port (with automatic detection: the first listed port that answers);
    // 0, 145, -1 or the exchange result.
    ExchangeResult Connect(const LinkInputs& inputs);
    // Reads the identification of the connected instrument (connecting first when closed);
    // 0, 146, 147 (another model than the caption shows) or the exchange result. The caption
    // is left to the caller.
    ExchangeResult Identify(const LinkInputs& inputs);
    // The connect button: connection, identification and, for a supported model, the read
    // of its notebook into memory. False when the notebook was not read whole.
    bool ConnectAndRead(const LinkInputs& inputs);
    // Writes folder `index` after a folder edit; true on success.
    bool WriteFolder(const LinkInputs& inputs, int index, const QString& name);
    // Writes the whole notebook and reads it back; true on success.
    bool WriteNotebook(const LinkInputs& inputs, WholeWrite what);
    // "Очистить блокнот": asks, then identifies the instrument, saves what it holds and erases
    // it down to an empty common folder, then reads the empty notebook.
    bool Initialise(const LinkInputs& inputs);
    // Loads a backup file into memory; on a fault memory is unchanged.
    bool LoadBackup(const QString& path);
    // Puts an archived snapshot into memory; `label` names it in the Loaded event.
    bool LoadSnapshot(const Notebook& notebook, const QString& label, bool complete);
    // Closes the port; the instrument's identification is forgotten.
    void Disconnect();
    // Closes the port and lists the ports of `candidates` (and `configured`, when it opens)
    // that can be opened: a PortsListed event.
    void ListPorts(const QStringList& candidates, const QString& configured);

    // Asks the running operation to stop before its next request. Reads stop; once the first
    // erasing request is sent a write runs to its end. Any thread may call it.
    void RequestCancel() { cancel_.store(true); }
    // The flag itself, for a signal handler (a lock-free atomic store is all it may do).
    std::atomic<bool>& cancelFlag() { return cancel_; }

    // Test-only switches: each turns one safety rule off, so that the tests can prove they
    // would notice. The programs never change them.
    struct Rules {
        bool freshReadBeforeErase = true;  // read what will be erased after the last answer
        bool identifyAfterAnswer = true;   // identify again after the operator's answer
        bool refuseLossy = true;           // no whole write of a notebook that lost records
        bool keepUnnamedFolders = true;    // records of a free entry keep a folder of their own
    };
    Rules rules;

  private:
    void Notify(SessionEvent event) { host_.notify(event); }
    void Progress(Stage stage, int fp, int fm, int rp, int rm);
    void SetCaption(const QString& caption);
    QDateTime Now() const;
    void BeginOperation();

    // Reads the whole notebook of the identified model. Purpose Load puts it into memory.
    NotebookRead ReadWhole(ev::Purpose purpose);
    // Replaces memory by a notebook, after asking when memory holds what was not written.
    bool MayReplaceMemory();
    void TakeIntoMemory(const Notebook& notebook, Origin origin);

    // The steps before every erasing write, after the last answer: connect, identify, and
    // check the model. 0 when the instrument may be written.
    ExchangeResult PrepareInstrument(const LinkInputs& inputs, bool anyModel);
    // Saves `contents` (what the instrument holds) unless the bytes of `erased` (the part of it
    // about to be erased) are in a backup already or hold nothing; false after a BackupFailed
    // event. `file` receives the backup that holds them.
    bool SaveBackup(const Notebook& contents, const Notebook& erased, QString* file = nullptr);
    QString user_;  // the user of the running operation
    // The backup saved in this session that holds every byte of `contents`; empty when none.
    QString BackupHolding(const Notebook& contents) const;
    void Refuse(Refusal refusal, const QString& backupFile = {}, NotebookLosses losses = {},
                const QString& detail = {});
    // The merge of the operator's edits onto `fresh`; false (after a refusal) when a folder
    // the operator edited is another one in the instrument now.
    bool Merge(const Notebook& read, const Notebook& memory, const Notebook& fresh,
               Notebook& target);
    // The end of every erasing write: the link after a failure, the WriteFinished event.
    void FinishWrite(ev::Write write, const QString& name, DeviceModel model, ExchangeResult result,
                     bool erased, bool reported);
    ProgressFn WriteProgress();

    SerialLink& link_;
    SessionHost& host_;
    SessionConfig config_;
    Instrument instrument_;
    std::atomic<bool> cancel_{false};
    Identification ident_;
    DeviceModel instrumentModel_ = DeviceModel::None;
    QString caption_ = kModelNone;
    QString port_;
    Notebook memory_;
    Notebook read_;    // memory as read or loaded, before the operator's edits
    QSet<int> freed_;  // entries the operator deleted since then
    Origin origin_ = Origin::Nothing;
    bool edited_ = false;
    bool unwritten_ = false;
    QStringList backups_;
    QHash<QByteArray, QString> savedPages_;  // a page's address and bytes -> the backup holding it
};

}  // namespace kvir
