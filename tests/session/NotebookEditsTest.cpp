// The operator's edits carried over onto what the instrument holds when the write begins: a
// record it stored since the read is never lost with the edit.

#include "session/NotebookEdits.h"

#include "instrument/Util_modbas.h"

#include <gtest/gtest.h>

namespace kvir {
namespace {

struct Stored {
    int folder;
    int value;  // what tells the measurements apart; equal values are duplicates
};

void Append(Notebook& notebook, const QList<Stored>& records) {
    int s = FirstFreeSlot(notebook.image);
    for (const Stored& r : records) {
        notebook.image.folderNo[s] = static_cast<quint8>(r.folder);
        notebook.image.modeCode[s] = 1;
        notebook.image.value1[s] = static_cast<float>(r.value);
        ++s;
    }
}

// "value>folder" for every record, slot by slot.
QString Filed(const Notebook& notebook) {
    QStringList filed;
    for (int s = 0; s < kNotebookSlots && notebook.image.folderNo[s] != 0; ++s) {
        filed << QStringLiteral("%1>%2")
                     .arg(static_cast<int>(notebook.image.value1[s]))
                     .arg(notebook.image.folderNo[s]);
    }
    return filed.join(QLatin1Char(' '));
}

TEST(MergeEdits, RecordsStoredSinceTheReadSurviveTheEdits) {
    using Kind = NotebookEdit::Kind;
    const QStringList folders{kCommonFolder, "A"};
    struct Case {
        const char* name;
        QList<Stored> read;
        NotebookEdit edit;
        QList<Stored> since;  // stored by the instrument after the read
        QStringList folders;
        QString filed;
    };
    const Case cases[] = {
        {"rename",
         {{2, 1}, {2, 2}},
         {Kind::RenameFolder, 1, "B", {}},
         {{2, 3}},
         {kCommonFolder, "B"},
         "1>2 2>2 3>2"},
        {"clear the folder",
         {{2, 1}, {2, 2}},
         {Kind::ClearFolder, 1, {}, {}},
         {{2, 3}},
         folders,
         "3>2"},
        {"delete records",
         {{2, 1}, {2, 2}},
         {Kind::DeleteRecords, -1, {}, {0}},
         {{2, 3}},
         folders,
         "2>2 3>2"},
        {"two of three duplicates deleted",
         {{2, 1}, {2, 1}, {2, 1}},
         {Kind::DeleteRecords, -1, {}, {0, 1}},
         {{2, 1}},
         folders,
         "1>2 1>2"},
        {"a deleted folder that got a record keeps its name",
         {{1, 1}, {2, 2}},
         {Kind::DeleteFolder, 1, {}, {}},
         {{2, 3}},
         folders,
         "1>1 3>2"},
        {"a deleted folder without new records is free",
         {{1, 1}, {2, 2}},
         {Kind::DeleteFolder, 1, {}, {}},
         {},
         {kCommonFolder, kFreeFolder},
         "1>1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Notebook read;
        read.model = DeviceModel::Conc210;
        read.folders = folders;
        Append(read, c.read);
        Notebook memory = read;
        ASSERT_TRUE(ApplyEdit(memory, c.edit));
        Notebook fresh = read;
        Append(fresh, c.since);

        const Notebook merged = MergeEdits(read, memory, fresh);
        EXPECT_EQ(merged.folders, c.folders);
        EXPECT_EQ(Filed(merged), c.filed);
    }
}

}  // namespace
}  // namespace kvir
