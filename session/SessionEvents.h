#pragma once
// What the session tells its host, one type per kind, in the order it happens; and the values
// an operation starts with. Every event is a value: it may cross to another thread.

#include "TextFiles.h"
#include "instrument/Notebook.h"
#include "instrument/Util_modbas.h"

#include <QMetaType>
#include <QString>
#include <QStringList>

#include <variant>

namespace kvir {

// Where the notebook in memory came from.
enum class Origin {
    Nothing,       // no notebook has been read or loaded
    CompleteRead,  // every page of an instrument was read
    PartialRead,   // reading stopped on an error or by the operator: only the pages before it
    BackupFile,    // loaded from a backup file
    Snapshot,      // opened from the archive
};

// The long sequences the progress window follows.
enum class Stage { Connecting, Identifying, Reading, Writing };

// What an operation asks the operator before it goes on. The answer comes back as a yes or no.
enum class Question {
    ReplaceUnwritten,  // a failed write left memory unwritten: replace it all the same?
    DiscardEdits,      // memory holds edits that were not written: discard them?
    Initialise,        // "Очистить блокнот?"
};

// Why the session refused an action before sending any request that erases.
enum class Refusal {
    NoCompleteNotebook,  // a whole write needs a complete notebook in memory
    WholeWriteFirst,     // a write failed: only "Обновить блокнот" may write now
    NoNotebook,          // nothing in memory to write
    LossyNotebook,       // memory does not hold all the instrument held (see the backup)
    LossyInstrument,     // the instrument holds more than memory can (see the backup)
    TooManyFolders,      // more folders than this instrument has room for
    TooManyRecords,      // more records than this instrument's pages take
    NoFreeEntry,         // records of an unnamed folder and no free entry to name for them
    FolderChanged,       // a folder the operator edited is another one in the instrument now
};

// Why a backup file cannot be loaded.
enum class BackupFault {
    None,
    Unreadable,    // the file cannot be read (see FileFault)
    NotABackup,    // the first line is not a backup file's
    NewerFormat,   // written by a newer console
    Damaged,       // a line does not parse, or the check does not match
    UnknownModel,  // names a model this console does not know
    Unrestorable,  // it holds what no instrument of its model can take back exactly
};

// A lossless copy of what the instrument held, saved before anything was erased.
struct BackupRecord {
    QString file;     // the lossless file's name in the working directory
    QString csvFile;  // the table for people beside it
    int records = 0;
};

// Which port a connection uses: the port box's text and entries, and the connection mode.
struct PortChoice {
    QString named;        // the box's text: the selected entry or what the operator typed
    int namedIndex = -1;  // the selected entry, -1 when the text was typed
    QStringList listed;   // the box's entries
    bool automatic = false;
};

// Everything an operation that may connect needs from the operator's controls.
struct LinkInputs {
    PortChoice port;
    quint8 device = 1;
    QString user;  // who works with the console: the table beside a backup names them
};

namespace ev {

enum class Purpose {
    Load,    // the notebook is read into memory
    Backup,  // the instrument is read before anything is erased
    Verify,  // a write is read back
};
enum class Write { Folder, Notebook, Initialise };

struct PortNotOpened {
    QString port;
    PortFault fault = PortFault::None;
};
// The port box shows entry `index` (automatic search), or `port` as typed when index is -1.
struct PortSelected {
    int index = -1;
    QString port;
};
// End of a connection attempt: 0 or the failure.
struct Connected {
    ExchangeResult result = xr::kOk;
    QString port;
    QString caption;  // the model shown when the connection was made
};
struct IdentifyFailed {
    ExchangeResult result = xr::kOk;
};
struct Identified {
    Identification identification;
};
// An instrument of no supported model answered.
struct Unsupported {
    QString name;
    QString version;
};
// The window caption: the model the console works with now.
struct CaptionChanged {
    QString caption;
};
// A write was refused: the instrument is of another model.
struct ModelChanged {};
// Memory was emptied for a read of `model`.
struct ReadStarted {
    DeviceModel model = DeviceModel::None;
};
// A page of a read into memory came in; `notebook` holds what was read so far.
struct PageRead {
    Notebook notebook;
};
struct ReadFinished {
    Purpose purpose = Purpose::Load;
    DeviceModel model = DeviceModel::None;
    bool completed = false;
    ExchangeResult result = xr::kOk;  // kCancelled: the operator stopped it
    Notebook notebook;                // what was read
    NotebookLosses losses;            // what the instrument held beyond it
};
// The instrument holds other records than the copy the console held: `added` records came
// since (they stay in the instrument and in memory), `gone` records the copy held are no
// longer there.
struct InstrumentChanged {
    int added = 0;
    int gone = 0;
};
struct BackupSaved {
    BackupRecord backup;
    Notebook notebook;
};
struct BackupFailed {
    QString file;
    FileFault fault = FileFault::None;
};
// A whole write of memory is about to remove `unseen` records that memory did not hold; they
// are in `backupFile`.
struct Overwriting {
    int unseen = 0;
    QString backupFile;
};
// The first request that erases is about to be sent: from here the write runs to its end.
struct WriteStarted {};
struct WriteFinished {
    Write write = Write::Folder;
    QString name;
    DeviceModel model = DeviceModel::None;
    ExchangeResult result = xr::kOk;
    // The failure was told already by an earlier event (a read, a backup or a refusal before
    // the erase), so the result needs no message of its own.
    bool reported = false;
    // Something was sent that erases: the instrument may hold a partly written notebook.
    bool erased = false;
};
// What the instrument holds after a write differs from what was written.
struct ReadbackDiffers {
    QString text;
};
struct Refused {
    Refusal refusal = Refusal::NoNotebook;
    QString backupFile;     // where what could not be written safely was saved, when it was
    NotebookLosses losses;  // LossyNotebook, LossyInstrument: what memory could not hold
    QString detail;         // FolderChanged: which folder, as read and as held now
};
// From a notebook read: a damaged directory, or more records than memory holds.
struct Warning {
    InstrumentWarning warning = InstrumentWarning::NoCommonFolder;
};
// A backup file or an archived snapshot is in memory now (`label`: the file name, or the
// snapshot's description).
struct Loaded {
    Origin origin = Origin::BackupFile;
    QString label;
    int records = 0;
};
struct LoadFailed {
    QString file;
    BackupFault fault = BackupFault::None;
    FileFault fileFault = FileFault::None;
};
// The ports that are present and can be opened.
struct PortsListed {
    QStringList entries;
};

}  // namespace ev

using SessionEvent =
    std::variant<ev::PortNotOpened, ev::PortSelected, ev::Connected, ev::IdentifyFailed,
                 ev::Identified, ev::Unsupported, ev::CaptionChanged, ev::ModelChanged,
                 ev::ReadStarted, ev::PageRead, ev::ReadFinished, ev::InstrumentChanged,
                 ev::BackupSaved, ev::BackupFailed, ev::Overwriting, ev::WriteStarted,
                 ev::WriteFinished, ev::ReadbackDiffers, ev::Refused, ev::Warning, ev::Loaded,
                 ev::LoadFailed, ev::PortsListed>;

}  // namespace kvir

Q_DECLARE_METATYPE(kvir::SessionEvent)
Q_DECLARE_METATYPE(kvir::Stage)
Q_DECLARE_METATYPE(kvir::Question)
