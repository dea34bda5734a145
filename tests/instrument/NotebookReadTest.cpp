// Reading whole notebooks from a simulated instrument: golden memory images of both models
// compared whole with their expected decoding, the exact request sequences, failures and the
// capacity limit.

#include "common/NotebookBench.h"
#include "instrument/NotebookTestSupport.h"

#include "instrument/MemoryLayout.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace kvir {
namespace {

using test::NotebookBench;

QString WithoutComments(const QString& text) {
    QStringList kept;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (!line.startsWith(QLatin1Char('#'))) {
            kept << line;
        }
    }
    return kept.join(QLatin1Char('\n'));
}

struct GoldenCase {
    const char* name;
    DeviceModel model;
    const char* image;
    const char* expected;
    QStringList requests;
};

void PrintTo(const GoldenCase& c, std::ostream* os) {
    *os << c.name;
}

class GoldenRead : public testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenRead, DecodesTheWholeImageWithTheExactRequests) {
    const GoldenCase& c = GetParam();
    auto bench = std::make_unique<NotebookBench>(c.model, 0xF000);
    const QByteArray image = test::LoadHexImage(test::TestDataPath(c.image));
    ASSERT_TRUE(bench->simulator.setMemory(image));

    ASSERT_EQ(bench->ReadWhole(), xr::kOk);

    EXPECT_EQ(test::DumpNotebook(bench->notebook, bench->warnings).toStdString(),
              WithoutComments(test::ReadUtf8File(test::TestDataPath(c.expected))).toStdString());
    EXPECT_EQ(bench->Requests(), c.requests);
}

INSTANTIATE_TEST_SUITE_P(
    Models, GoldenRead,
    testing::Values(
        // Page 2 is free: the header test read alone. Page 3 is in use but nameless.
        GoldenCase{"folder_pages",
                   DeviceModel::Ph510,
                   "notebook510.hex",
                   "notebook510.expected.txt",
                   {"3 F000", "4 F000 255", "3 F200", "4 F200 255", "3 F400", "3 F600",
                    "4 F600 255", "3 F800", "4 F800 255"}},
        // Page 1 is free: skipped after its one-byte read. Page 3 starts with an empty place.
        GoldenCase{"directory",
                   DeviceModel::Conc210,
                   "notebook210.hex",
                   "notebook210.expected.txt",
                   {"16 01", "4 F800 255", "1 F000", "4 F000 255", "1 F200", "1 F400", "4 F400 255",
                    "1 F600", "4 F600 255", "16 02"}}),
    [](const testing::TestParamInfo<GoldenCase>& p) { return std::string(p.param.name); });

TEST(NotebookRead, DirectoryWithoutTheCommonFolderIsToldOnEveryRead) {
    auto bench = std::make_unique<NotebookBench>(DeviceModel::Conc210, 0xF000);
    ASSERT_TRUE(
        bench->simulator.setMemory(test::LoadHexImage(test::TestDataPath("notebook210.hex"))));
    Notebook notebook;
    for (int read = 0; read < 2; ++read) {
        bool missing = false;
        ASSERT_EQ(
            bench->instrument.ReadDirectory(*LayoutOf(DeviceModel::Conc210), notebook, &missing),
            xr::kOk);
        EXPECT_TRUE(missing);
        // The directory is read into an emptied list each time, with the default first entry.
        EXPECT_EQ(notebook.folders.size(), 25);
        EXPECT_EQ(notebook.folders.value(0), kCommonFolder);
    }
    // The instrument is not changed.
    EXPECT_EQ(bench->simulator.readMemory(0xF800, 1), QByteArray(1, static_cast<char>(0xFF)));
}

TEST(NotebookRead, FailedRequestsEndTheOperationKeepingWhatWasRead) {
    struct Case {
        const char* name;
        sim::Fault fault;
        ExchangeResult result;
        int requests;
        int folders;
    };
    const Case cases[] = {
        // The header test read gets no reply three times: nothing is appended.
        {"silent header test",
         {sim::FaultKind::Silence, 3, 0xF200, 0xF200},
         xr::kNoReply,
         2 + 3,
         1},
        // The block read fails in the instrument: the folder is not listed.
        {"failed block read",
         {sim::FaultKind::Failed, 4, 0xF200, 0xF200},
         xr::kCommandFailed,
         2 + 1 + 3,
         1},
        // Half the payload is missing: the reply counts as damaged and is retried.
        {"truncated block read",
         {sim::FaultKind::Truncated, 4, 0xF200, 0xF200},
         xr::kBadChecksum,
         2 + 1 + 3,
         1},
        // The third try succeeds.
        {"two lost replies", {sim::FaultKind::Silence, 3, 0xF200, 0xF200, 0, 2}, xr::kOk, 9 + 2, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto bench = std::make_unique<NotebookBench>(DeviceModel::Ph510, 0xF000);
        ASSERT_TRUE(
            bench->simulator.setMemory(test::LoadHexImage(test::TestDataPath("notebook510.hex"))));
        bench->simulator.addFault(c.fault);
        EXPECT_EQ(bench->ReadWhole(), c.result);
        EXPECT_EQ(bench->simulator.requestLog().size(), c.requests);
        EXPECT_EQ(bench->notebook.folders.size(), c.folders);
        // The common folder's 26 records stay in any case.
        EXPECT_GE(RecordCount(bench->notebook.image), 26);
    }
}

// A "КВИР-210v1" whose 44 record pages from base 0xA000 are full: 1012 records.
void FillRecordPages(sim::Simulator& simulator) {
    const NotebookLayout& layout = *LayoutOf(DeviceModel::Conc210);
    simulator.writeMemory(0xF800, DefaultCommonFolderEntry(layout));
    for (int n = 0; n < PageCount(DeviceModel::Conc210, 0xA000) * 23; ++n) {
        StoredRecord r;
        r.folderNo = 1;
        r.modeCode = 1;
        r.dayWord = static_cast<quint16>(n % 366);
        r.value4 = static_cast<quint16>(n);
        simulator.writeMemory(0xA000 + (n / 23) * 512 + (n % 23) * 22, EncodeRecord(layout, r));
    }
}

TEST(NotebookRead, RecordsBeyondTheCapacityAreDroppedWithOneWarningPerRead) {
    auto bench = std::make_unique<NotebookBench>(DeviceModel::Conc210, 0xA000);
    FillRecordPages(bench->simulator);

    ASSERT_EQ(bench->ReadWhole(), xr::kOk);
    EXPECT_EQ(RecordCount(bench->notebook.image), kNotebookSlots);
    EXPECT_EQ(bench->notebook.image.value4[999], 999.0f);
    EXPECT_EQ(bench->warnings, QList{InstrumentWarning::TooManyRecords});

    // A page read on its own tells how many records found no slot, and warns nobody.
    int dropped = 0;
    EXPECT_EQ(bench->instrument.ReadRecordPage(*LayoutOf(DeviceModel::Conc210), 43, bench->notebook,
                                               bench->today, &dropped),
              xr::kOk);
    EXPECT_EQ(dropped, 23);
    // The next whole read warns again.
    ASSERT_EQ(bench->ReadWhole(), xr::kOk);
    EXPECT_EQ(bench->warnings, QList{InstrumentWarning::TooManyRecords});
}

TEST(NotebookRead, FolderPagesAppendAfterTheLastUsedSlot) {
    auto bench = std::make_unique<NotebookBench>(DeviceModel::Ph510, 0xF000);
    ASSERT_TRUE(
        bench->simulator.setMemory(test::LoadHexImage(test::TestDataPath("notebook510.hex"))));
    Notebook notebook;
    NotebookImage& image = notebook.image;
    image.folderNo[0] = 9;
    image.folderNo[1] = 9;
    ASSERT_EQ(
        bench->instrument.ReadFolderPage(*LayoutOf(DeviceModel::Ph510), 4, notebook, bench->today),
        xr::kOk);
    EXPECT_EQ(RecordCount(image), 5);
    EXPECT_EQ(image.folderNo[2], 5);
    EXPECT_EQ(image.dayWord[2], 60);
    EXPECT_EQ(notebook.folders, QStringList{QStringLiteral("Река Ока, т.3")});
    // The page's bytes are kept as they came, by their address.
    ASSERT_EQ(notebook.pages.keys(), QList{0xF800});
    EXPECT_EQ(notebook.pages[0xF800], bench->simulator.readMemory(0xF800, kBlockReadBytes));
}

// What a read found but the image could not keep, counted from the pages it read.
TEST(NotebookRead, LossesAreCountedFromThePagesRead) {
    const NotebookLayout& l510 = *LayoutOf(DeviceModel::Ph510);
    const NotebookLayout& l210 = *LayoutOf(DeviceModel::Conc210);
    const auto record510 = [&l510](quint8 mode) {
        StoredRecord r;
        r.modeCode = mode;
        return EncodeRecord(l510, r);
    };
    const auto record210 = [&l210](quint8 folder) {
        StoredRecord r;
        r.folderNo = folder;
        r.modeCode = 1;
        return EncodeRecord(l210, r);
    };
    const QByteArray named = EncodeFolderHeader(l510, "A");
    const QByteArray ended210(22, static_cast<char>(0xFF));
    struct Case {
        const char* name;
        DeviceModel model;
        int base;
        std::function<void(sim::Simulator&)> fill;
        NotebookLosses losses;
    };
    const Case cases[] = {
        {"every record kept",
         DeviceModel::Ph510,
         0xF000,
         [&](sim::Simulator& s) {
             s.writeMemory(0xF000, CommonFolderHeader(l510) + record510(1).repeated(26));
             s.writeMemory(0xF200, named + record510(2));
         },
         {}},
        {"an empty place of a record page is no end",
         DeviceModel::Conc210,
         0xF000,
         [&](sim::Simulator& s) {
             s.writeMemory(0xF800, DefaultCommonFolderEntry(l210));
             s.writeMemory(0xF000, record210(0) + record210(1));
         },
         {}},
        {"records after an end marker (folder page)",
         DeviceModel::Ph510,
         0xF000,
         [&](sim::Simulator& s) {
             s.writeMemory(0xF000, CommonFolderHeader(l510) + record510(1) + record510(0) +
                                       record510(1) + record510(1));
         },
         {0, 2, 0}},
        {"records after an end marker (record page)",
         DeviceModel::Conc210,
         0xF000,
         [&](sim::Simulator& s) {
             s.writeMemory(0xF800, DefaultCommonFolderEntry(l210));
             s.writeMemory(0xF400, record210(1) + ended210 + record210(2));
         },
         {0, 1, 0}},
        {"records on a page without a name",
         DeviceModel::Ph510,
         0xF000,
         [&](sim::Simulator& s) {
             s.writeMemory(0xF000, CommonFolderHeader(l510));
             s.writeMemory(0xF400, QByteArray(18, '\0') + record510(1) + record510(3));
         },
         {0, 0, 2}},
        {"records beyond the image's slots",
         DeviceModel::Conc210,
         0xA000,
         FillRecordPages,
         {12, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto bench = std::make_unique<NotebookBench>(c.model, c.base);
        c.fill(bench->simulator);
        ASSERT_EQ(bench->ReadWhole(), xr::kOk);
        const NotebookLosses losses = LossesOf(bench->notebook);
        EXPECT_EQ(losses.overflow, c.losses.overflow);
        EXPECT_EQ(losses.hidden, c.losses.hidden);
        EXPECT_EQ(losses.nameless, c.losses.nameless);
        EXPECT_EQ(losses.any(), c.losses.overflow + c.losses.hidden + c.losses.nameless > 0);
    }
}

}  // namespace
}  // namespace kvir
