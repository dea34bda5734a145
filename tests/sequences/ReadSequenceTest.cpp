// Reading the whole notebook over the simulated instrument: the exact requests, the progress
// and the notebook handed on after every page, and where reading stops on a failure.

#include "SequenceBench.h"

#include "sim/Fault.h"

#include <gtest/gtest.h>

namespace kvir {
namespace {

using test::CommonEntry210;
using test::CommonHeader510;
using test::Entry210;
using test::ExpectAdvancing;
using test::Header510;
using test::MakeRecord;
using test::ProgressLog;
using test::Record210;
using test::Record510;
using test::SequenceBench;

// What a read tells while it runs: the progress, and the records of the notebook handed on
// after every page.
struct Hooks {
    ProgressLog progress;
    QList<int> tables;  // records held at each page read
    QList<InstrumentWarning> warnings;
    ReadHooks hooks() {
        return {progress.fn(), [this](const Notebook& n) { tables << RecordCount(n.image); },
                [this](InstrumentWarning w) { warnings << w; }};
    }
};

// Base 0xF400: page 0 the common folder with two records, page 1 free, page 2 folder "A".
TEST(ReadWholeNotebook, FolderPagesWithTheirRequestsAndProgress) {
    SequenceBench bench(DeviceModel::Ph510, 0xF400);
    bench.simulator.writeMemory(
        0xF400, CommonHeader510() + Record510(MakeRecord(1, 0)) + Record510(MakeRecord(1, 1)));
    bench.simulator.writeMemory(0xF800, Header510("A") + Record510(MakeRecord(3, 2)));
    Hooks told;

    const NotebookRead read =
        ReadWholeNotebook(bench.instrument, DeviceModel::Ph510, bench.today, told.hooks());
    EXPECT_EQ(read.outcome.result, xr::kOk);
    EXPECT_TRUE(read.outcome.completed);
    EXPECT_EQ(bench.Requests(),
              QStringList({"3 F400", "4 F400 255", "3 F600", "3 F800", "4 F800 255"}));
    ExpectAdvancing(told.progress.steps);
    EXPECT_EQ(told.progress.steps.last()[0], 3) << "every page read";
    EXPECT_EQ(told.tables, QList({2, 2, 3})) << "the table grows page by page";
    EXPECT_EQ(read.notebook.folders, QStringList({kCommonFolder, kFreeFolder, "A"}));
    EXPECT_EQ(RecordCount(read.notebook.image), 3);
    EXPECT_EQ(read.notebook.image.folderNo[2], 3);
    EXPECT_EQ(read.notebook.base, 0xF400);
    EXPECT_EQ(read.notebook.model, DeviceModel::Ph510);
}

// Base 0xF000: four record pages, the second and the last free.
TEST(ReadWholeNotebook, DirectoryAndRecordPagesWithTheirRequestsAndProgress) {
    SequenceBench bench(DeviceModel::Conc210, 0xF000);
    bench.simulator.writeMemory(0xF800, CommonEntry210());
    bench.simulator.writeMemory(0xF828, Entry210(2, "A"));
    bench.simulator.writeMemory(0xF000,
                                Record210(1, MakeRecord(1, 0)) + Record210(3, MakeRecord(3, 1)));
    bench.simulator.writeMemory(0xF400, Record210(3, MakeRecord(3, 2)));
    Hooks told;

    const NotebookRead read =
        ReadWholeNotebook(bench.instrument, DeviceModel::Conc210, bench.today, told.hooks());
    EXPECT_EQ(read.outcome.result, xr::kOk);
    EXPECT_TRUE(read.outcome.completed);
    EXPECT_EQ(bench.Requests(), QStringList({"16 01", "4 F800 255", "1 F000", "4 F000 255",
                                             "1 F200", "1 F400", "4 F400 255", "1 F600", "16 02"}));
    ExpectAdvancing(told.progress.steps);
    EXPECT_EQ(told.progress.steps.last(), (test::ProgressStep{1, 1, 4, 4})) << "every page read";
    EXPECT_EQ(told.tables, QList({2, 2, 3, 3})) << "the table grows page by page";
    ASSERT_EQ(read.notebook.folders.size(), 25);
    EXPECT_EQ(read.notebook.folders[2], "A");
    EXPECT_EQ(RecordCount(read.notebook.image), 3);
}

// Base 0xD000 (21 folder pages, 20 record pages), an empty notebook.
TEST(ReadWholeNotebook, StopsAtTheFirstFailureKeepingWhatWasRead) {
    struct Case {
        const char* name;
        DeviceModel model;
        const char* fault;
        ExchangeResult result;
        bool completed;
        int pagesShown;
    };
    const Case cases[] = {
        {"510 page 5", DeviceModel::Ph510, "silence@code=3,start=0xDA00", xr::kNoReply, false, 5},
        {"210 page 5", DeviceModel::Conc210, "silence@code=1,start=0xDA00", xr::kNoReply, false, 5},
        {"210 mode 1", DeviceModel::Conc210, "failed@code=16", xr::kCommandFailed, false, 0},
        {"210 directory", DeviceModel::Conc210, "failed@code=4,start=0xF800", xr::kCommandFailed,
         false, 0},
        // The notebook is read; only the closing switch fails.
        {"210 mode 2", DeviceModel::Conc210, "failed@code=16,skip=1", xr::kCommandFailed, true, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SequenceBench bench(c.model, 0xD000);
        if (c.model == DeviceModel::Ph510) {
            for (int j = 0; j < 21; ++j) {
                bench.simulator.writeMemory(0xD000 + j * 512, Header510("F"));
            }
        } else {
            bench.simulator.writeMemory(0xF800, CommonEntry210());
        }
        bench.simulator.addFault(*sim::ParseFault(c.fault));
        Hooks told;
        const NotebookRead read =
            ReadWholeNotebook(bench.instrument, c.model, bench.today, told.hooks());
        EXPECT_EQ(read.outcome.result, c.result);
        EXPECT_EQ(read.outcome.completed, c.completed);
        EXPECT_EQ(told.tables.size(), c.pagesShown);
        if (c.model == DeviceModel::Ph510) {
            EXPECT_EQ(read.notebook.folders.size(), 5);  // pages 0 to 4
        }
    }
}

// Base 0x9000: 52 record pages, 1196 records, more than memory holds. Every read warns once.
TEST(ReadWholeNotebook, EveryReadWarnsOnceOfRecordsBeyondMemory) {
    SequenceBench bench(DeviceModel::Conc210, 0x9000);
    bench.simulator.writeMemory(0xF800, CommonEntry210());
    QByteArray page;
    for (int k = 0; k < 23; ++k) {
        page += Record210(1, MakeRecord(1, k));
    }
    for (int a = 0x9000; a < 0xF800; a += 512) {
        bench.simulator.writeMemory(a, page);
    }
    for (int read = 1; read <= 2; ++read) {
        Hooks told;
        const NotebookRead r =
            ReadWholeNotebook(bench.instrument, DeviceModel::Conc210, bench.today, told.hooks());
        EXPECT_EQ(r.outcome.result, xr::kOk);
        EXPECT_EQ(RecordCount(r.notebook.image), kNotebookSlots);
        EXPECT_EQ(told.warnings, QList{InstrumentWarning::TooManyRecords});
    }
}

// A model without a row: the read completes with nothing, the writes are refused, and
// nothing is sent.
TEST(Sequences, NothingIsSentForAnUnsupportedModel) {
    SequenceBench bench(DeviceModel::Conc210, 0xF000);
    const NotebookRead none = ReadWholeNotebook(bench.instrument, DeviceModel::None, bench.today);
    EXPECT_EQ(none.outcome.result, xr::kOk);
    EXPECT_TRUE(none.outcome.completed);
    const Notebook notebook = test::Blank(DeviceModel::None, 0xF000, {kCommonFolder});
    EXPECT_EQ(WriteFolderSequence(bench.instrument, notebook, 0, kCommonFolder, {}),
              xr::kUnsupportedModel);
    EXPECT_EQ(WriteNotebookSequence(bench.instrument, notebook, {}), xr::kUnsupportedModel);
    EXPECT_EQ(RestoreNotebookSequence(bench.instrument, notebook, {}), xr::kUnsupportedModel);
    EXPECT_EQ(InitNotebookSequence(bench.instrument, DeviceModel::None, {}), xr::kUnsupportedModel);
    EXPECT_TRUE(bench.Requests().isEmpty());
}

}  // namespace
}  // namespace kvir
