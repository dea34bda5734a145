// Reading the whole notebook over the simulated instrument: the exact requests, the progress
// and table refills in their order, and where reading stops on a failure.

#include "SequenceBench.h"

#include "sim/Fault.h"

#include <gtest/gtest.h>

namespace kvir {
namespace {

using test::CommonEntry210;
using test::CommonHeader510;
using test::Entry210;
using test::Header510;
using test::MakeRecord;
using test::Record210;
using test::Record510;
using test::SequenceBench;

// Progress calls as "a b c d" and table refills as "table", in the order they came.
struct Events {
    QStringList lines;
    ProgressFn progress() {
        return [this](int a, int b, int c, int d) {
            lines << QStringLiteral("%1 %2 %3 %4").arg(a).arg(b).arg(c).arg(d);
        };
    }
    PageReadFn table() {
        return [this] { lines << QStringLiteral("table"); };
    }
};

// Base 0xF400: page 0 the common folder with two records, page 1 free, page 2 folder "A".
TEST(ReadWholeNotebook, FolderPagesWithTheirRequestsAndProgress) {
    SequenceBench bench(DeviceModel::Ph510, 0xF400);
    bench.simulator.writeMemory(
        0xF400, CommonHeader510() + Record510(MakeRecord(1, 0)) + Record510(MakeRecord(1, 1)));
    bench.simulator.writeMemory(0xF800, Header510("A") + Record510(MakeRecord(3, 2)));
    Events events;

    const ReadOutcome outcome =
        ReadWholeNotebook(bench.instrument, DeviceModel::Ph510, events.progress(), events.table());
    EXPECT_EQ(outcome.result, xr::kOk);
    EXPECT_TRUE(outcome.completed);
    EXPECT_EQ(bench.Requests(),
              QStringList({"3 F400", "4 F400 255", "3 F600", "3 F800", "4 F800 255"}));
    EXPECT_EQ(events.lines, QStringList({"0 3 0 26", "1 3 13 26", "table", "2 3 13 26", "table",
                                         "3 3 13 26", "table"}));
    EXPECT_EQ(bench.context.folders, QStringList({kCommonFolder, kFreeFolder, "A"}));
    EXPECT_EQ(RecordCount(bench.context.image), 3);
    EXPECT_EQ(bench.context.image.folderNo[2], 3);
}

// Base 0xF000: four record pages, the second and the last free.
TEST(ReadWholeNotebook, DirectoryAndRecordPagesWithTheirRequestsAndProgress) {
    SequenceBench bench(DeviceModel::Conc210, 0xF000);
    bench.simulator.writeMemory(0xF800, CommonEntry210());
    bench.simulator.writeMemory(0xF828, Entry210(2, "A"));
    bench.simulator.writeMemory(0xF000,
                                Record210(1, MakeRecord(1, 0)) + Record210(3, MakeRecord(3, 1)));
    bench.simulator.writeMemory(0xF400, Record210(3, MakeRecord(3, 2)));
    Events events;

    const ReadOutcome outcome = ReadWholeNotebook(bench.instrument, DeviceModel::Conc210,
                                                  events.progress(), events.table());
    EXPECT_EQ(outcome.result, xr::kOk);
    EXPECT_TRUE(outcome.completed);
    EXPECT_EQ(bench.Requests(), QStringList({"16 01", "4 F800 255", "1 F000", "4 F000 255",
                                             "1 F200", "1 F400", "4 F400 255", "1 F600", "16 02"}));
    EXPECT_EQ(events.lines, QStringList({"0 1 0 4", "1 1 0 4", "1 1 1 4", "table", "1 1 2 4",
                                         "table", "1 1 3 4", "table", "1 1 4 4", "table"}));
    ASSERT_EQ(bench.context.folders.size(), 25);
    EXPECT_EQ(bench.context.folders[2], "A");
    EXPECT_EQ(RecordCount(bench.context.image), 3);
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
                bench.simulator.writeMemory(0xD000 + j * kPageSize, Header510("F"));
            }
        } else {
            bench.simulator.writeMemory(0xF800, CommonEntry210());
        }
        bench.simulator.addFault(*sim::ParseFault(c.fault));
        int pages = 0;
        const ReadOutcome outcome =
            ReadWholeNotebook(bench.instrument, c.model, {}, [&pages] { ++pages; });
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(outcome.completed, c.completed);
        EXPECT_EQ(pages, c.pagesShown);
        if (c.model == DeviceModel::Ph510) {
            EXPECT_EQ(bench.context.folders.size(), 5);  // pages 0 to 4
        }
    }
}

// Base 0x9000: 52 record pages, 1196 records, more than memory holds. Every read warns once.
TEST(ReadWholeNotebook, EveryReadWarnsOnceOfRecordsBeyondMemory) {
    SequenceBench bench(DeviceModel::Conc210, 0x9000);
    bench.simulator.writeMemory(0xF800, CommonEntry210());
    QByteArray page;
    for (int k = 0; k < kRecordsPerRecordPage; ++k) {
        page += Record210(1, MakeRecord(1, k));
    }
    for (int a = 0x9000; a < kDirectory210; a += kPageSize) {
        bench.simulator.writeMemory(a, page);
    }
    for (int read = 1; read <= 2; ++read) {
        bench.context.folders.clear();
        ClearNotebookImage(bench.context.image);
        EXPECT_EQ(ReadWholeNotebook(bench.instrument, DeviceModel::Conc210, {}).result, xr::kOk);
        EXPECT_EQ(RecordCount(bench.context.image), kNotebookSlots);
        EXPECT_EQ(bench.context.warnings.size(), read);
    }
}

TEST(ReadWholeNotebook, NothingIsSentWithoutAModelOrABase) {
    SequenceBench bench(DeviceModel::Conc210, 0xF000);
    const ReadOutcome none = ReadWholeNotebook(bench.instrument, DeviceModel::None, {});
    EXPECT_EQ(none.result, xr::kOk);
    EXPECT_TRUE(none.completed);

    bench.context.ident[kIdentBase] = QStringLiteral("D000");
    const ReadOutcome noBase = ReadWholeNotebook(bench.instrument, DeviceModel::Conc210, {});
    EXPECT_EQ(noBase.result, xr::kNotSent);
    EXPECT_FALSE(noBase.completed);
    EXPECT_EQ(WriteNotebookSequence(bench.instrument, DeviceModel::Conc210, {}), xr::kNotSent);
    EXPECT_TRUE(bench.Requests().isEmpty());
}

}  // namespace
}  // namespace kvir
