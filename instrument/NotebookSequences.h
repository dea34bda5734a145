#pragma once
// The whole-notebook sequences: reading the notebook, writing one folder or the whole
// notebook back, and initialising it, each as one run of instrument operations in the order
// and with the progress values the console shows. They are functions of their inputs: a read
// returns the notebook it read, a write takes the notebook to write. They show nothing and
// write no protocol line; the session reports what they return.
//
// Every sequence stops at the first request that fails and returns that request's result;
// nothing already written is restored, so the instrument may then hold a partly written
// notebook. Refused before any request: 146 for a model without a row in the model table,
// 135 for a folder index or folder list beyond the last folder page (above it lies the
// instrument's own memory), and kNotebookTooLarge below. Each runs the sequence of the model's
// row on the model's layout. The notebook base is the one of the instrument's identification,
// never the notebook's own.

#include "DeviceModel.h"
#include "ModelTable.h"
#include "Notebook.h"
#include "Util_modbas.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace kvir {

// The in-memory notebook holds more records than the instrument's pages can take. It is never
// written in part: the writes refuse it before sending any request.
constexpr ExchangeResult kNotebookTooLarge = xr::kTooManyRecords;

struct NotebookRead {
    Notebook notebook;  // what was read; after an error, what came before it
    ReadOutcome outcome;
};

// Reads the whole notebook of `model`. "КВИР-510v2": every folder page. "КВИР-210v1": exchange
// mode 1, the directory, every record page, exchange mode 2. What was read before an error
// stays. Progress: "КВИР-510v2" (0, n, 0, 26) first and (j + 1, n, 13, 26) after page j;
// "КВИР-210v1" (0, 1, 0, n) first, (1, 1, 0, n) after the directory and (1, 1, i + 1, n)
// after page i. Any other model reads nothing and completes with 0. The notebook carries the
// model and the identification's version and base.
NotebookRead ReadWholeNotebook(Instrument& instrument, DeviceModel model, const QDate& today,
                               const ReadHooks& hooks = {});

// Writes folder `index` (0-based position in the folder list) of `notebook` after a folder
// edit. "КВИР-510v2": that folder's page only (erase, name header unless index 0, its first 26
// records in slot order). "КВИР-210v1": the whole directory, every named entry at its own
// position, and every record, whatever the index.
ExchangeResult WriteFolderSequence(Instrument& instrument, const Notebook& notebook, int index,
                                   const QString& name, const ProgressFn& progress);

// What stops a notebook from being written whole into an instrument exactly.
enum class WholeWriteFault {
    None,
    TooManyFolders,  // more folders than the instrument has pages (or directory entries)
    TooManyRecords,  // more records than its pages take (or than one folder page takes)
    NoFreeEntry,     // records name a folder beyond the directory, and no entry is free
};

// The notebook as a whole write leaves it in an instrument whose notebook starts at `base`.
// Records filed under a folder number whose entry is free keep a folder of their own: the
// entry is named "ПАПКА N" after their number N (or, for a number beyond the entries, the
// first free entry takes them). "КВИР-210v1" (unless `keepPlaces`): the named entries move
// down to the first free positions, their records renumbered, and the image is compacted.
// On a fault `notebook` is unchanged. `adoptUnnamed` false leaves such records where they are
// (a test switch: the packing then files them under whatever folder moves into their entry).
WholeWriteFault PrepareWholeWrite(Notebook& notebook, int base, bool keepPlaces,
                                  bool adoptUnnamed = true);

// Writes the whole notebook, prepared by PrepareWholeWrite. "КВИР-510v2": the named folders
// packed onto consecutive pages in list order. "КВИР-210v1": the directory and every record
// page.
ExchangeResult WriteNotebookSequence(Instrument& instrument, const Notebook& prepared,
                                     const ProgressFn& progress);

// Writes the whole notebook with every folder in its own place (page or directory entry) and
// the records in slot order, so that a notebook read earlier comes back exactly as it was.
// Used to restore a backup.
ExchangeResult RestoreNotebookSequence(Instrument& instrument, const Notebook& prepared,
                                       const ProgressFn& progress);

// Erases the notebook down to an empty common folder "ОБЩАЯ ПАПКА".
ExchangeResult InitNotebookSequence(Instrument& instrument, DeviceModel model,
                                    const ProgressFn& progress);

// ---- Comparing a written notebook with the one read back ----------------------------------

struct DigestRecord {
    QString folder;    // the name of the record's folder
    QByteArray bytes;  // the record's stored fields, without folder number and check word

    bool operator==(const DigestRecord&) const = default;
    bool operator<(const DigestRecord& other) const;
};

// What a notebook holds, independent of folder numbers (which change when folders are
// packed): the named folders in list order, and one entry per record the instrument keeps
// (a "КВИР-510v2" keeps the first 26 records of each named folder only), sorted.
struct NotebookDigest {
    QStringList folders;
    QList<DigestRecord> records;

    bool operator==(const NotebookDigest&) const = default;
};

NotebookDigest DigestOf(const Notebook& notebook);

// The first difference between a notebook written and the one read back; the session words
// it for the operator and the protocol.
struct NotebookDifference {
    enum class Kind {
        None,         // the digests are equal
        FolderName,   // folder folderNo (from 1) was written as `folder`, read as `readName`
        FolderCount,  // writtenCount folders were written, readCount read
        RecordCount,  // the folder `folder` got writtenCount records, readCount were read
        RecordBytes,  // the folder `folder` has its records, but not as they were written
    };
    Kind kind = Kind::None;
    int folderNo = 0;
    QString folder;
    QString readName;
    qsizetype writtenCount = 0;
    qsizetype readCount = 0;

    bool any() const { return kind != Kind::None; }
};

NotebookDifference DescribeDifference(const NotebookDigest& written, const NotebookDigest& read);

}  // namespace kvir
