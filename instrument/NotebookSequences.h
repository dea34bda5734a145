#pragma once
// The whole-notebook sequences: reading the notebook, writing one folder or the whole
// notebook back, and initialising it, each as one run of instrument operations in the order
// and with the progress values the console shows. They touch no widget, show no message and
// write no protocol line: the console wraps them with its dialogs, the progress window, the
// busy state and the protocol, and reports the result they return.
//
// Every sequence stops at the first request that fails and returns that request's result;
// nothing already written is restored, so the instrument may then hold a partly written
// notebook. Refused before any request: 146 for a model other than the two, 134 without a
// notebook base in the identification table, 135 for a "КВИР-510v2" folder index or folder
// list beyond the last page (above it lies the instrument's own memory), and
// kNotebookTooLarge below. Apart from the packing of the "КВИР-210v1" whole-notebook write, the
// in-memory notebook (NotebookImage and the folder list, reached through the instrument's context)
// is only read by the writes.

#include "DeviceModel.h"
#include "ModelTable.h"
#include "NotebookImage.h"
#include "Util_modbas.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace kvir {

// The in-memory notebook holds more records than the "КВИР-210v1" record pages can take
// (page count × 23; NotebookImage itself holds up to 1000). The page after the last one would
// reach into the directory at 0xF800, so such a notebook is never written in part: the
// folder write and the whole write refuse it before sending any request. The whole write
// counts the records left after its packing drops those of folders beyond the named ones,
// and works on a copy until then, so a refusal leaves memory exactly as it was.
constexpr ExchangeResult kNotebookTooLarge = xr::kTooManyRecords;

// Reads the whole notebook of `model` into the context's NotebookImage and folder list, which
// the caller has emptied. "КВИР-510v2": every folder page. "КВИР-210v1": exchange mode 1, the
// directory, every record page, exchange mode 2. What was read before an error stays.
// Progress: "КВИР-510v2" (0, n, 0, 26) first and (j + 1, n, 13, 26) after page j;
// "КВИР-210v1" (0, 1, 0, n) first, (1, 1, 0, n) after the directory and (1, 1, i + 1, n)
// after page i. Any other model reads nothing and completes with 0. Without a notebook base
// in the identification table nothing is sent: 134, not completed.
ReadOutcome ReadWholeNotebook(Instrument& instrument, DeviceModel model, const ProgressFn& progress,
                              const PageReadFn& afterPage = {});

// Writes folder `index` (0-based position in the folder list) after a folder edit.
// "КВИР-510v2": that folder's page only (erase, name header unless index 0, its first 26
// records in slot order). "КВИР-210v1": the whole directory, every named entry at its own
// position, and every record page, whatever the index.
ExchangeResult WriteFolderSequence(Instrument& instrument, DeviceModel model, int index,
                                   const QString& name, const ProgressFn& progress);

// Writes the whole notebook. "КВИР-510v2": the named folders packed onto consecutive pages
// in list order; memory is not changed, the read that follows shows the packed order.
// "КВИР-210v1": the folder list and the records are packed in memory first (named entries
// moved down, their records renumbered, records of folders beyond the named ones dropped,
// the image compacted), then the directory and every record page are written. Memory takes
// the packed notebook just before the first request, so after a failure on the line it is
// packed whole, and after a refusal (kNotebookTooLarge) it is untouched.
ExchangeResult WriteNotebookSequence(Instrument& instrument, DeviceModel model,
                                     const ProgressFn& progress);

// Writes the whole notebook with every folder in its own place (page or directory entry) and
// the records in slot order, so that a notebook read earlier comes back exactly as it was.
// Used to restore a backup.
ExchangeResult RestoreNotebookSequence(Instrument& instrument, DeviceModel model,
                                       const ProgressFn& progress);

// Erases the notebook down to an empty common folder "ОБЩАЯ ПАПКА". Memory is not changed;
// the console reads the empty notebook afterwards.
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

NotebookDigest DigestOf(const NotebookImage& image, const QStringList& folders, DeviceModel model);

// The first difference, one short Russian line for the operator and the protocol; empty when
// the digests are equal.
QString DescribeDifference(const NotebookDigest& written, const NotebookDigest& read);

}  // namespace kvir
