// The write-back and initialisation sequences over the simulated instrument: the whole memory
// compared byte for byte with the layout expected, the requests sent, the progress shown,
// failures half-way and the capacity refusal.

#include "SequenceBench.h"

#include "sim/Fault.h"

#include <gtest/gtest.h>

namespace kvir {
namespace {

using test::CommonEntry210;
using test::CommonHeader510;
using test::Entry210;
using test::Erase;
using test::ExpectAdvancing;
using test::Header510;
using test::MakeRecord;
using test::ProgressLog;
using test::ProgressStep;
using test::Put;
using test::PutRecord;
using test::Record210;
using test::Record510;
using test::SequenceBench;

const QString kFree = kFreeFolder;

// An instrument whose memory holds junk, so that every page must be erased to read back right.
std::unique_ptr<SequenceBench> Bench(DeviceModel model, int base) {
    auto bench = std::make_unique<SequenceBench>(model, base);
    EXPECT_TRUE(bench->simulator.setMemory(test::JunkMemory(static_cast<quint32>(base))));
    return bench;
}

// ---- "КВИР-510v2" ----------------------------------------------------------------------------

// Base 0xF000: 5 folder pages. Folder "A" (folder 2) has 27 records interleaved with others.
TEST(WriteFolder510, WritesTheFirst26RecordsOfTheFolderInSlotOrder) {
    auto bench = Bench(DeviceModel::Ph510, 0xF000);
    Notebook notebook =
        test::Blank(DeviceModel::Ph510, 0xF000, {kCommonFolder, "A", kFree, "B", kFree});
    QByteArray expected = bench->simulator.memory();
    QByteArray page = Header510("A");
    for (int k = 0, s = 0; k < 27; ++k) {
        PutRecord(notebook.image, s++, MakeRecord(k % 3 == 0 ? 4 : 1, 100 + k));
        PutRecord(notebook.image, s++, MakeRecord(2, k));
        if (k < 26) {
            page += Record510(MakeRecord(2, k));
        }
    }
    ASSERT_EQ(page.size(), 512);
    Put(expected, 0xF200, page);

    EXPECT_EQ(WriteFolderSequence(bench->instrument, notebook, 1, "A", {}), xr::kOk);
    EXPECT_EQ(bench->simulator.memory(), expected);
    const QStringList requests = bench->Requests();
    ASSERT_EQ(requests.size(), 2 + 26);
    EXPECT_EQ(requests[0], "18 F200 0");
    EXPECT_EQ(requests[27], "18 F3ED 19 " + Record510(MakeRecord(2, 25)).toHex().toUpper());
}

TEST(WriteFolder510, CommonFolderGetsItsFixedHeaderBackAndNoOther) {
    auto bench = Bench(DeviceModel::Ph510, 0xF000);
    Notebook notebook = test::Blank(DeviceModel::Ph510, 0xF000, {kCommonFolder, "A"});
    PutRecord(notebook.image, 0, MakeRecord(2, 0));
    PutRecord(notebook.image, 1, MakeRecord(1, 1));
    QByteArray expected = bench->simulator.memory();
    Erase(expected, 0xF000);
    Put(expected, 0xF000, CommonHeader510() + Record510(MakeRecord(1, 1)));

    EXPECT_EQ(WriteFolderSequence(bench->instrument, notebook, 0, "Новая", {}), xr::kOk);
    EXPECT_EQ(bench->simulator.memory(), expected);
    EXPECT_EQ(bench->Requests(),
              QStringList({"18 F000 0", "18 F000 18 CEC1D9C0DF20CFC0CFCAC0FFFFFFFFFF290D",
                           "18 F012 19 " + Record510(MakeRecord(1, 1)).toHex().toUpper()}));
}

// Above the last page lies the instrument's own memory: nothing is erased there.
TEST(WriteFolder510, FoldersBeyondTheLastPageSendNothing) {
    auto bench = Bench(DeviceModel::Ph510, 0xF000);
    Notebook notebook = test::Blank(DeviceModel::Ph510, 0xF000, QStringList(5, kFree));
    EXPECT_EQ(WriteFolderSequence(bench->instrument, notebook, 5, "A", {}), xr::kOutsideNotebook);
    notebook.folders << kFree;
    EXPECT_EQ(WriteNotebookSequence(bench->instrument, notebook, {}), xr::kOutsideNotebook);
    EXPECT_EQ(RestoreNotebookSequence(bench->instrument, notebook, {}), xr::kOutsideNotebook);
    EXPECT_TRUE(bench->Requests().isEmpty());
}

// Base 0xF400: 3 pages. The record filed in the free folder 2 has no page to go to.
TEST(WriteNotebook510, PacksNamedFoldersOntoConsecutivePages) {
    auto bench = Bench(DeviceModel::Ph510, 0xF400);
    Notebook notebook = test::Blank(DeviceModel::Ph510, 0xF400, {kCommonFolder, kFree, "A"});
    NotebookImage& m = notebook.image;
    PutRecord(m, 0, MakeRecord(1, 0));
    PutRecord(m, 1, MakeRecord(3, 1));
    PutRecord(m, 2, MakeRecord(2, 2));
    PutRecord(m, 3, MakeRecord(1, 3));
    PutRecord(m, 4, MakeRecord(3, 4));
    QByteArray expected = bench->simulator.memory();
    for (const int a : {0xF400, 0xF600, 0xF800}) {
        Erase(expected, a);
    }
    Put(expected, 0xF400,
        CommonHeader510() + Record510(MakeRecord(1, 0)) + Record510(MakeRecord(1, 3)));
    Put(expected, 0xF600,
        Header510("A") + Record510(MakeRecord(3, 1)) + Record510(MakeRecord(3, 4)));
    ProgressLog progress;

    EXPECT_EQ(WriteNotebookSequence(bench->instrument, notebook, progress.fn()), xr::kOk);
    EXPECT_EQ(bench->simulator.memory(), expected);
    ExpectAdvancing(progress.steps);

    const NotebookRead read =
        ReadWholeNotebook(bench->instrument, DeviceModel::Ph510, bench->today);
    ASSERT_EQ(read.outcome.result, xr::kOk);
    EXPECT_EQ(read.notebook.folders, QStringList({kCommonFolder, "A", kFree}));
    EXPECT_EQ(RecordCount(read.notebook.image), 4);
    EXPECT_EQ(read.notebook.image.folderNo[2], 2);  // A is folder 2 now
    EXPECT_EQ(read.notebook.image.dayWord[2], MakeRecord(3, 1).day);
}

// ---- "КВИР-210v1" ----------------------------------------------------------------------------

// Base 0xF000: 4 record pages (92 records), directory at 0xF800.
class Notebook210 : public testing::Test {
  protected:
    void SetUp() override {
        bench = Bench(DeviceModel::Conc210, 0xF000);
        expected = bench->simulator.memory();
        for (const int a : {0xF000, 0xF200, 0xF400, 0xF600, 0xF800}) {
            Erase(expected, a);
        }
        Put(expected, 0xF800, CommonEntry210());
    }
    QStringList Written() const { return bench->Requests(); }

    std::unique_ptr<SequenceBench> bench;
    Notebook notebook = test::Blank(DeviceModel::Conc210, 0xF000, {kCommonFolder, kFree, "A"});
    QByteArray expected;
    ProgressLog progress;
};

// The whole write as the session runs it: the notebook prepared, then written.
TEST_F(Notebook210, WriteNotebookMovesFoldersDownAndRenumbersTheirRecords) {
    NotebookImage& m = notebook.image;
    PutRecord(m, 0, MakeRecord(3, 0));
    PutRecord(m, 1, MakeRecord(1, 1));
    PutRecord(m, 2, MakeRecord(3, 2));
    Put(expected, 0xF814, Entry210(1, "A"));
    Put(expected, 0xF000,
        Record210(2, MakeRecord(3, 0)) + Record210(1, MakeRecord(1, 1)) +
            Record210(2, MakeRecord(3, 2)));

    ASSERT_EQ(PrepareWholeWrite(notebook, 0xF000, false), WholeWriteFault::None);
    EXPECT_EQ(notebook.folders, QStringList({kCommonFolder, "A", kFree}));
    EXPECT_EQ(WriteNotebookSequence(bench->instrument, notebook, progress.fn()), xr::kOk);
    EXPECT_EQ(bench->simulator.memory(), expected);
    ExpectAdvancing(progress.steps);
    EXPECT_EQ(progress.steps.last(), (ProgressStep{2, 2, 3, 3}));
    const QStringList head = Written().mid(0, 9);
    EXPECT_EQ(head,
              QStringList({"16 01", "20 F800 0", "20 F800 10 " + CommonEntry210().toHex().toUpper(),
                           "20 F800 10 " + CommonEntry210().toHex().toUpper(),
                           "20 F814 10 " + Entry210(1, "A").toHex().toUpper(), "20 F000 0",
                           "20 F200 0", "20 F400 0", "20 F600 0"}));
    EXPECT_TRUE(Written().endsWith("16 02"));
}

// Folder 3 is a free entry, folder 7 lies beyond the list: their records keep folders of
// their own, "ПАПКА 3" and "ПАПКА 7", moved down with the others.
TEST_F(Notebook210, WriteNotebookKeepsRecordsOfUnnamedFoldersInFoldersOfTheirOwn) {
    notebook.folders = {kCommonFolder, "A", kFree};
    NotebookImage& m = notebook.image;
    PutRecord(m, 0, MakeRecord(1, 0));
    PutRecord(m, 1, MakeRecord(3, 1));
    PutRecord(m, 2, MakeRecord(2, 2));
    PutRecord(m, 3, MakeRecord(7, 3));
    Put(expected, 0xF814,
        Entry210(1, "A") + Entry210(2, "\xCF\xC0\xCF\xCA\xC0 3") +
            Entry210(3, "\xCF\xC0\xCF\xCA\xC0 7"));
    Put(expected, 0xF000,
        Record210(1, MakeRecord(1, 0)) + Record210(3, MakeRecord(3, 1)) +
            Record210(2, MakeRecord(2, 2)) + Record210(4, MakeRecord(7, 3)));

    ASSERT_EQ(PrepareWholeWrite(notebook, 0xF000, false), WholeWriteFault::None);
    EXPECT_EQ(WriteNotebookSequence(bench->instrument, notebook, {}), xr::kOk);
    EXPECT_EQ(bench->simulator.memory(), expected);
}

// Every named entry keeps its position; every record is rewritten, not only the folder's.
TEST_F(Notebook210, WriteFolderRewritesTheDirectoryAndAllRecords) {
    QStringList folders(25, kFree);
    folders[0] = kCommonFolder;
    folders[1] = "A";
    folders[3] = "B";
    folders[24] = "Z";
    notebook.folders = folders;
    NotebookImage& m = notebook.image;
    QByteArray records;
    QStringList recordRequests;
    const int folderOf[] = {1, 2, 4, 25};
    for (int s = 0; s < 30; ++s) {
        const test::TestRecord r = MakeRecord(folderOf[s % 4], s);
        PutRecord(m, s, r);
        const int at = 0xF000 + (s / 23) * 512 + (s % 23) * 22;
        records += Record210(r.folder, r);
        if (s % 23 == 0) {
            recordRequests << QStringLiteral("20 %1 0").arg(at, 0, 16).toUpper();
        }
        recordRequests << QStringLiteral("20 %1 11 ").arg(at, 0, 16).toUpper() +
                              Record210(r.folder, r).toHex().toUpper();
    }
    Put(expected, 0xF814, Entry210(1, "A"));
    Put(expected, 0xF83C, Entry210(3, "B"));
    Put(expected, 0xF9E0, Entry210(24, "Z"));
    Put(expected, 0xF000, records.left(23 * 22));
    Put(expected, 0xF200, records.mid(23 * 22));

    EXPECT_EQ(WriteFolderSequence(bench->instrument, notebook, 3, "B", progress.fn()), xr::kOk);
    EXPECT_EQ(bench->simulator.memory(), expected);
    const QStringList requests = QStringList{"16 01",
                                             "20 F800 0",
                                             "20 F800 10 " + CommonEntry210().toHex().toUpper(),
                                             "20 F814 10 " + Entry210(1, "A").toHex().toUpper(),
                                             "20 F83C 10 " + Entry210(3, "B").toHex().toUpper(),
                                             "20 F9E0 10 " + Entry210(24, "Z").toHex().toUpper(),
                                             "20 F000 0",
                                             "20 F200 0",
                                             "20 F400 0",
                                             "20 F600 0"} +
                                 recordRequests + QStringList{"16 02"};
    EXPECT_EQ(Written(), requests);
    ExpectAdvancing(progress.steps);
}

// ---- Initialisation ------------------------------------------------------------------------

TEST(InitNotebook, LeavesOnlyTheCommonFolderInEitherLayout) {
    struct Case {
        DeviceModel model;
        QStringList requests;
    };
    const QString header = CommonHeader510().toHex().toUpper();
    const QString entry = CommonEntry210().toHex().toUpper();
    const Case cases[] = {
        {DeviceModel::Ph510, {"18 F400 0", "18 F400 18 " + header, "18 F600 0", "18 F800 0"}},
        {DeviceModel::Conc210,
         {"16 01", "20 F800 0", "20 F800 10 " + entry, "20 F400 0", "20 F600 0", "16 02"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(DisplayName(c.model).toStdString());
        auto bench = Bench(c.model, 0xF400);
        QByteArray expected = bench->simulator.memory();
        for (int a = 0xF400; a < NotebookEnd(c.model); a += 512) {
            Erase(expected, a);
        }
        if (c.model == DeviceModel::Ph510) {
            Put(expected, 0xF400, CommonHeader510());
        } else {
            Erase(expected, 0xF800);
            Put(expected, 0xF800, CommonEntry210());
        }
        ProgressLog progress;
        EXPECT_EQ(InitNotebookSequence(bench->instrument, c.model, progress.fn()), xr::kOk);
        EXPECT_EQ(bench->simulator.memory(), expected);
        EXPECT_EQ(bench->Requests(), c.requests);
        ExpectAdvancing(progress.steps);
    }
}

// ---- Failures ------------------------------------------------------------------------------

// The instrument fails one request (and its retries); the sequence stops there, and what was
// written before stays written.
TEST(WriteFailure, StopsAtTheFailedRequestLeavingAPartlyWrittenNotebook) {
    struct Case {
        const char* name;
        DeviceModel model;
        const char* fault;
        QString lastRequest;
        QList<int> erased;     // pages erased before the failure
        QList<int> untouched;  // pages the sequence never reached
    };
    const Case cases[] = {
        // Mode 1, then code-20 requests 1-2 reset the directory, 3-7 write its five named
        // entries, 8-9 erase the first two record pages.
        {"210 third page erase",
         DeviceModel::Conc210,
         "failed@code=20,skip=9",
         "20 F400 0",
         {0xF000, 0xF200},
         {0xF400, 0xF600}},
        // Page 0: erase, header; page 1: erase, header "A", its record; page 2's erase fails.
        {"510 third page erase",
         DeviceModel::Ph510,
         "failed@code=18,skip=5",
         "18 F400 0",
         {},
         {0xF400, 0xF600, 0xF800}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto bench = Bench(c.model, 0xF000);
        Notebook notebook = test::Blank(c.model, 0xF000, {kCommonFolder, "A", "B", "C", "D"});
        PutRecord(notebook.image, 0, MakeRecord(2, 0));
        ASSERT_EQ(PrepareWholeWrite(notebook, 0xF000, false), WholeWriteFault::None);
        const QByteArray junk = bench->simulator.memory();
        bench->simulator.addFault(*sim::ParseFault(c.fault));

        EXPECT_EQ(WriteNotebookSequence(bench->instrument, notebook, {}), xr::kCommandFailed);
        const QStringList requests = bench->Requests();
        ASSERT_GE(requests.size(), 3);
        EXPECT_EQ(requests.mid(requests.size() - 3), QStringList(3, c.lastRequest));
        EXPECT_FALSE(requests.contains("16 02"));
        const QByteArray memory = bench->simulator.memory();
        for (const int a : c.erased) {
            EXPECT_EQ(memory.mid(a, 512), QByteArray(512, static_cast<char>(0xFF)));
        }
        for (const int a : c.untouched) {
            EXPECT_EQ(memory.mid(a, 512), junk.mid(a, 512)) << a;
        }
        if (c.model == DeviceModel::Conc210) {
            EXPECT_EQ(memory.mid(0xF800, 20), CommonEntry210());  // the directory is written
        } else {
            EXPECT_EQ(memory.mid(0xF200, 18 + 19), Header510("A") + Record510(MakeRecord(2, 0)));
        }
    }
}

// Capacity of base 0xF000: 4 pages × 23 = 92 records. A folder write rewrites every record,
// those of a free entry (folder 9) too, so they count.
TEST(WriteCapacity, TooManyRecordsAreRefusedBeforeAnyRequest) {
    using Sequence = ExchangeResult (*)(Instrument&, const Notebook&);
    const Sequence writeFolder = [](Instrument& i, const Notebook& n) {
        return WriteFolderSequence(i, n, 1, "A", {});
    };
    const Sequence writeNotebook = [](Instrument& i, const Notebook& n) {
        return WriteNotebookSequence(i, n, {});
    };
    struct Case {
        const char* name;
        Sequence sequence;
        int named;
        int orphans;
        ExchangeResult result;
    };
    const Case cases[] = {
        {"folder, full", writeFolder, 92, 0, xr::kOk},
        {"folder, one too many", writeFolder, 92, 1, kNotebookTooLarge},
        {"notebook, full", writeNotebook, 92, 0, xr::kOk},
        {"notebook, one too many", writeNotebook, 93, 0, kNotebookTooLarge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto bench = Bench(DeviceModel::Conc210, 0xF000);
        Notebook notebook = test::Blank(DeviceModel::Conc210, 0xF000, {kCommonFolder, "A"});
        for (int s = 0; s < c.named + c.orphans; ++s) {
            PutRecord(notebook.image, s, MakeRecord(s < c.orphans ? 9 : 2, s));
        }
        const QByteArray memory = bench->simulator.memory();

        EXPECT_EQ(c.sequence(bench->instrument, notebook), c.result);
        if (c.result == kNotebookTooLarge) {
            EXPECT_TRUE(bench->Requests().isEmpty());
            EXPECT_EQ(bench->simulator.memory(), memory);
        } else {
            EXPECT_TRUE(bench->Requests().endsWith("16 02"));
        }
    }
}

}  // namespace
}  // namespace kvir
