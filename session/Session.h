#pragma once
// The console session: the serial link, the instrument on it, the notebook in memory and
// where that notebook came from. It runs connect, identify, read, write and initialise and
// keeps the rules that make writing back safe:
//
// - Nothing is erased in the instrument unless a lossless copy of what the instrument holds
//   at that moment has been saved first. What it holds is known after a complete read on the
//   current connection (and after the session's own verified writes); otherwise the session
//   reads the instrument first, saves that, then writes.
// - A notebook of one model is never written into an instrument of another.
// - A whole-notebook write needs a complete notebook in memory: a complete read or a loaded
//   backup. After a failed write the instrument's contents are unknown, and only a whole
//   write of the notebook in memory may follow.
//
// The session shows nothing. What the operator must see or the protocol must keep reaches
// the host as typed events, in the order it happens; the host turns them into dialogs,
// widgets and protocol lines.

#include "TextFiles.h"
#include "instrument/Notebook.h"
#include "instrument/NotebookSequences.h"
#include "instrument/Util_modbas.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace kvir {

// Where the notebook in memory came from.
enum class Origin {
    Nothing,       // no notebook has been read or loaded
    CompleteRead,  // every page of an instrument was read
    PartialRead,   // reading stopped on an error: only the pages before it are here
    BackupFile,    // loaded from a backup file (or an archived snapshot)
};

// The long sequences the progress window follows.
enum class Stage { Connecting, Identifying, Reading, Writing };

// Why the session refused an action before sending a request.
enum class Refusal {
    NoCompleteNotebook,  // a whole write (or a rewrite of every page) needs a complete notebook
    WholeWriteFirst,     // a write failed: only "Обновить блокнот" may write now
    NoNotebook,          // nothing in memory to write
};

// Why a backup file cannot be loaded.
enum class BackupFault {
    None,
    Unreadable,    // the file cannot be read (see FileFault)
    NotABackup,    // the first line is not a backup file's
    NewerFormat,   // written by a newer console
    Damaged,       // a line does not parse, or the check does not match
    UnknownModel,  // names a model this console does not know
    Unrestorable,  // intact, but more than the instrument's notebook can take back exactly
};

// What the instrument is about to lose and where it went.
struct BackupRecord {
    QString file;     // the lossless file's name in the working directory
    QString csvFile;  // the table for people beside it
    int records = 0;
};

struct SessionEvent {
    enum class Kind {
        PortNotOpened,    // port, fault: the system's reason why the port did not open
        PortSelected,     // index: the port box shows entry `index` (automatic search)
        Connected,        // result, port: end of a connection attempt (0 or the failure)
        IdentifyFailed,   // result: the identification did not come
        Unsupported,      // name, version: an instrument of no supported model answered
        Identified,       // the identification table holds new values
        ModelChanged,     // a write was refused: the instrument is another model
        ReadStarted,      // model: memory was emptied for a read (purpose Load)
        PageRead,         // a page came in (purpose Load); the table may grow
        ReadFinished,     // purpose, model, completed, result
        BackupSaved,      // backup, notebook: the copy of the instrument before erasing
        BackupFailed,     // file, fileFault: nothing was erased
        NothingToBackUp,  // the instrument held no records and no named folder
        WriteFinished,    // write, name, result
        ReadbackDiffers,  // text: what the instrument holds after a verified write
        Refused,          // refusal
        Warning,          // warning: from the notebook read (damaged directory, overflow)
    };
    enum class Purpose { Load, Backup, Verify };
    enum class Write { Folder, Notebook, Initialise };

    explicit SessionEvent(Kind k) : kind(k) {}

    Kind kind;
    ExchangeResult result = xr::kOk;
    QString port;
    PortFault fault = PortFault::None;
    int index = -1;
    QString name;
    QString version;
    DeviceModel model = DeviceModel::None;
    Purpose purpose = Purpose::Load;
    bool completed = false;
    // WriteFinished: the failure was told already by an earlier event (a read or backup
    // before the erase), so the result needs no message of its own.
    bool reported = false;
    BackupRecord backup;
    const Notebook* notebook = nullptr;  // valid during the call only
    QString file;
    FileFault fileFault = FileFault::None;
    Write write = Write::Folder;
    QString text;
    Refusal refusal = Refusal::NoCompleteNotebook;
    InstrumentWarning warning = InstrumentWarning::NoCommonFolder;
};

// Which port a connection uses: the port box's text and entries, and the connection mode.
struct PortChoice {
    QString named;        // the box's text: the selected entry or what the operator typed
    int namedIndex = -1;  // the selected entry, -1 when the text was typed
    QStringList listed;   // the box's entries
    bool automatic = false;
};

// What the session needs from its owner.
class SessionHost {
  public:
    virtual ~SessionHost() = default;
    // The device-number field's text, converted anew for every request.
    virtual QString deviceNumberText() const = 0;
    virtual PortChoice portChoice() const = 0;
    virtual QDateTime now() const = 0;
    // Where backups are written.
    virtual QString workDir() const = 0;
    virtual void notify(const SessionEvent& event) = 0;
    virtual void progress(Stage stage, int foldersPos, int foldersMax, int recordsPos,
                          int recordsMax) = 0;
    // Asked before the instrument is initialised (after its identification).
    virtual bool confirmInitialise() = 0;
    // Asked before a read replaces a notebook that a failed write left unwritten.
    virtual bool confirmReplaceUnwritten() = 0;
    // Lines for people saved beside every backup (Windows-1251, like an export).
    virtual QStringList backupTable(const Notebook& notebook) = 0;
};

class Session {
  public:
    Session(SerialLink& link, SessionHost& host);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // ---- State ---------------------------------------------------------------------------
    const Notebook& notebook() const { return memory_; }
    // The notebook for an edit in memory (folder edits, record deletion).
    Notebook& edit();
    // How many times edit() was called: slots may have moved since a given count.
    int editCount() const { return editCount_; }
    // The notebook for building its display orders, which change no record.
    NotebookImage& displayImage() { return memory_.image; }
    Origin origin() const { return origin_; }
    bool edited() const { return edited_; }
    // A write failed after erasing: memory holds what the instrument should hold.
    bool unwritten() const { return unwritten_; }
    // What the connected instrument holds, when the session knows it.
    const Notebook* instrumentContents() const;
    // The model identified on the current connection (None before, or when unsupported).
    DeviceModel instrumentModel() const { return instrumentModel_; }
    // The identification table: name, version, notebook base.
    const std::array<QString, 3>& identification() const { return ident_; }
    // The model shown as the window caption: the identified one after a connection, the
    // notebook's after a read or load; refused and failed writes leave it as it was.
    const QString& caption() const { return caption_; }
    void setCaption(const QString& caption) { caption_ = caption; }
    SerialLink& link() { return link_; }
    // File names of the backups saved in this session, oldest first.
    const QStringList& backups() const { return backups_; }

    // ---- Operations (the events tell the host what happened) ------------------------------
    // The connect button: connection, identification and, for a supported model, the read
    // of its notebook into memory.
    void ConnectAndRead();
    // Opens the chosen port (with automatic detection: the first listed port that answers);
    // 0, 145, -1 or the exchange result.
    ExchangeResult Connect();
    // Reads the identification of the connected instrument (connecting first when closed);
    // 0, 146, 147 (another model than the caption showed) or the exchange result.
    ExchangeResult Identify();
    // Reads the connected instrument's whole notebook into memory.
    ReadOutcome ReadNotebook();

    // Writes folder `index` after a folder edit; true on success.
    bool WriteFolder(int index, const QString& name);
    // Writes the whole notebook in memory, reads it back into memory and compares; true when
    // the write succeeded.
    bool WriteNotebook();
    // "Очистить блокнот": identifies, asks, saves what the instrument holds and erases it
    // down to an empty common folder, then reads the empty notebook.
    void Initialise();

    // Loads a backup file into memory; on a fault memory is unchanged.
    BackupFault LoadBackup(const QString& path, FileFault* fileFault = nullptr);
    // Puts a notebook into memory as if loaded from a backup (an archived snapshot).
    void LoadNotebook(const Notebook& notebook);

    // Closes the port; what the instrument holds is no longer known.
    void Disconnect();

  private:
    class Context;
    struct Known;

    void Notify(SessionEvent event);
    void Progress(Stage stage, int fp, int fm, int rp, int rm);
    ExchangeResult IdentifyFor(bool connectionSequence);
    // Reads the whole notebook of the identified model into `target`.
    ReadOutcome ReadInto(Notebook& target, SessionEvent::Purpose purpose);
    // The opening steps of every erasing write; 0 when the instrument's contents are saved.
    ExchangeResult PrepareErase(bool initialise);
    // PrepareErase, then `run` (given the progress to report), then the closing steps: what
    // is known of the instrument, the unwritten state, the link and the WriteFinished event.
    ExchangeResult EraseAndWrite(SessionEvent::Write write, const QString& name,
                                 const std::function<ExchangeResult(const ProgressFn&)>& run);
    bool SaveBackupOfInstrument();
    void AfterFailedWrite(ExchangeResult result, bool sent);
    void ForgetInstrument();
    // Reads back folder page `index` after it was written over `before` (what the instrument
    // held); on a match the instrument's contents are known again.
    bool VerifyFolderPage(int index, const Notebook& before);

    SerialLink& link_;
    SessionHost& host_;
    std::unique_ptr<Context> context_;
    Instrument instrument_;
    std::array<QString, 3> ident_;
    DeviceModel instrumentModel_ = DeviceModel::None;
    QString caption_ = kModelNone;
    Notebook memory_;
    Origin origin_ = Origin::Nothing;
    bool edited_ = false;
    int editCount_ = 0;
    bool unwritten_ = false;
    std::unique_ptr<Notebook> known_;  // what the instrument holds, on this connection
    bool knownSaved_ = false;          // known_ is in a backup file already
    QStringList backups_;
};

}  // namespace kvir
