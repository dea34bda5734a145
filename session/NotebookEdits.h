#pragma once
// The operator's edits of the notebook in memory, and how they carry over onto what an
// instrument holds now. An instrument keeps measuring while it is connected, so the notebook
// it holds when a write begins may have more records than the one that was read and edited.
// Edits are therefore applied to the fresh contents, not written from the old copy: the
// records the operator removed are removed, the names the operator changed are changed, and
// everything else stays as the instrument holds it.

#include "instrument/Notebook.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

namespace kvir {

struct NotebookEdit {
    enum class Kind {
        CreateFolder,   // entry `folder` (free) takes `name`
        RenameFolder,   // entry `folder` takes `name`; its records stay in it
        ClearFolder,    // the records of entry `folder` are deleted
        DeleteFolder,   // ... and the entry becomes free
        ClearAll,       // every record is deleted; the folders stay
        DeleteRecords,  // the records in `slotList` (as memory holds them now) are deleted
    };
    Kind kind = Kind::RenameFolder;
    int folder = -1;
    QString name;
    QList<int> slotList;
};

// A name both layouts can store: 1 to 16 characters, each with a Windows-1251 byte that is
// neither a control byte nor 0xFF (a folder page pads its name with 0xFF, a directory entry
// ends it with CR).
bool StorableFolderName(const QString& name);

// True when some record of `notebook` names entry `entry` (0-based).
bool HoldsRecords(const Notebook& notebook, int entry);
// The entry a new folder takes: the first free one that no record names; -1 when none is.
int FreeEntryFor(const Notebook& notebook);

// Applies one edit to `notebook` (the image stays packed); false, with nothing changed, when
// the edit does not fit the notebook (an entry out of range, a slot that is free, a name that
// cannot be stored, a new folder anywhere but in FreeEntryFor).
bool ApplyEdit(Notebook& notebook, const NotebookEdit& edit);

// What makes two records the same record: the folder number and the stored fields.
QByteArray RecordKey(const Notebook& notebook, int slot);

// The notebook an instrument holding `fresh` must hold once the edits that turned `read` into
// `memory` are applied to it: the records that `read` had and `memory` has not are taken out
// (as many of each as were deleted), the entries whose names `memory` changed take them, and
// everything else is `fresh`. An entry the operator freed that still holds records (stored
// since the read) keeps its name, so no record is left without a folder. A name is changed
// only where the instrument still holds the folder that was read there: an entry whose name
// the operator changed but which the instrument holds under another name now (another unit
// on the line, an edit on the instrument itself) is left as it is and listed in `conflicts`.
// `freed` are the entries the operator deleted since the read: a folder created in one of
// them is a new folder, so records stored in the old one since the read are a conflict too
// (they would otherwise be refiled under the new name).
Notebook MergeEdits(const Notebook& read, const Notebook& memory, const Notebook& fresh,
                    QList<int>* conflicts = nullptr, const QSet<int>& freed = {});

// How many records of `a` are not in `b`, each record counted as often as it is stored; with
// `byFolder` false the folder does not take part (records moved between folders are the same).
int RecordsMissing(const Notebook& a, const Notebook& b, bool byFolder = true);

// Folder entry `index` of `notebook` with its records only (every other entry free).
Notebook FolderOnly(const Notebook& notebook, int index);
// `notebook` with entry `index` and its records replaced by those of `folder` (FolderOnly's
// shape); the other folders and records stay as they are.
void ReplaceFolder(Notebook& notebook, int index, const Notebook& folder);

}  // namespace kvir
