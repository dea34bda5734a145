// The notebook as a whole write leaves it in an instrument: packing, folders of their own for
// records without one, and the refusals that come before anything is sent.

#include "SequenceBench.h"

#include <gtest/gtest.h>

namespace kvir {
namespace {

using test::MakeRecord;
using test::PutRecord;

const QString kFree = kFreeFolder;

// "k>f" for every record, k its place in the notebook before preparing, f its folder after.
QString Filed(const Notebook& notebook) {
    QStringList filed;
    for (int s = 0; s < kNotebookSlots && notebook.image.folderNo[s] != 0; ++s) {
        filed << QStringLiteral("%1>%2")
                     .arg(notebook.image.dayWord[s] - MakeRecord(1, 0).day)
                     .arg(notebook.image.folderNo[s]);
    }
    return filed.join(QLatin1Char(' '));
}

TEST(PrepareWholeWrite, PacksAdoptsAndRefuses) {
    QStringList all25{kCommonFolder};
    for (int e = 2; e <= 25; ++e) {
        all25 << QStringLiteral("F%1").arg(e);
    }
    const auto ph = DeviceModel::Ph510;
    const auto conc = DeviceModel::Conc210;
    struct Case {
        const char* name;
        DeviceModel model;
        int base;  // the instrument's: 0xF000 has 5 folder pages or 92 record places
        QStringList folders;
        QList<int> records;  // the folder of each record, slot by slot
        bool keepPlaces;
        WholeWriteFault fault;
        QStringList foldersAfter;  // on a fault: the notebook is unchanged
        QString filedAfter;
    };
    const Case cases[] = {
        {"named entries move down with their records",
         conc,
         0xF000,
         {kCommonFolder, kFree, "A", kFree, "B"},
         {3, 1, 5, 3},
         false,
         WholeWriteFault::None,
         {kCommonFolder, "A", "B", kFree, kFree},
         "0>2 1>1 2>3 3>2"},
        {"a free entry holding records is named after it",
         conc,
         0xF000,
         {kCommonFolder, kFree, "A"},
         {2, 3},
         false,
         WholeWriteFault::None,
         {kCommonFolder, "ПАПКА 2", "A"},
         "0>2 1>3"},
        {"a number above 25 gets a free entry of its own",
         conc,
         0xF000,
         {kCommonFolder, "A"},
         {30, 2, 30},
         false,
         WholeWriteFault::None,
         {kCommonFolder, "A", "ПАПКА 30"},
         "0>3 1>2 2>3"},
        {"keeping places: nothing moves",
         conc,
         0xF000,
         {kCommonFolder, kFree, "A", kFree},
         {3, 2, 1},
         true,
         WholeWriteFault::None,
         {kCommonFolder, "ПАПКА 2", "A", kFree},
         "0>3 1>2 2>1"},
        {"folder pages are packed when written, not here",
         ph,
         0xF000,
         {kCommonFolder, kFree, "A"},
         {3, 2},
         false,
         WholeWriteFault::None,
         {kCommonFolder, "ПАПКА 2", "A"},
         "0>3 1>2"},
        {"more folders than pages",
         ph,
         0xF400,
         {kCommonFolder, "A", "B", "C"},
         {1},
         false,
         WholeWriteFault::TooManyFolders,
         {},
         {}},
        {"the last named folder beyond the pages, packed",
         ph,
         0xF400,
         {kCommonFolder, kFree, kFree, "C"},
         {4},
         false,
         WholeWriteFault::None,
         {kCommonFolder, kFree, kFree, "C"},
         "0>4"},
        {"the last named folder beyond the pages, in place",
         ph,
         0xF400,
         {kCommonFolder, kFree, kFree, "C"},
         {4},
         true,
         WholeWriteFault::TooManyFolders,
         {},
         {}},
        {"more records than a folder page",
         ph,
         0xF000,
         {kCommonFolder},
         QList<int>(27, 1),
         false,
         WholeWriteFault::TooManyRecords,
         {},
         {}},
        {"more records than the instrument's record pages",
         conc,
         0xF000,
         {kCommonFolder},
         QList<int>(93, 1),
         false,
         WholeWriteFault::TooManyRecords,
         {},
         {}},
        {"a number above 25 and no free entry",
         conc,
         0xF000,
         all25,
         {1, 26},
         false,
         WholeWriteFault::NoFreeEntry,
         {},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The notebook was read from an instrument with more room than the one written.
        Notebook notebook = test::Blank(c.model, 0xD000, c.folders);
        for (int k = 0; k < c.records.size(); ++k) {
            PutRecord(notebook.image, k, MakeRecord(c.records[k], k));
        }
        const Notebook before = notebook;
        EXPECT_EQ(PrepareWholeWrite(notebook, c.base, c.keepPlaces), c.fault);
        if (c.fault != WholeWriteFault::None) {
            EXPECT_TRUE(SameContents(notebook, before));
            continue;
        }
        EXPECT_EQ(notebook.folders.join(" | ").toStdString(),
                  c.foldersAfter.join(" | ").toStdString());
        EXPECT_EQ(Filed(notebook).toStdString(), c.filedAfter.toStdString());
    }
}

}  // namespace
}  // namespace kvir
