// The simulator's notebook text files: the shipped samples read through the instrument
// operations, the golden memory images against their texts written out by hand, save and load
// giving the same memory whatever it holds, and the lines a file may not hold.

#include "common/NotebookBench.h"
#include "instrument/NotebookTestSupport.h"

#include "instrument/MemoryLayout.h"
#include "sim/NotebookFile.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace kvir {
namespace {

using test::NotebookBench;

QString SamplePath(const char* name) {
    return QStringLiteral(KVIR_SOURCE_DIR "/sim/samples/") + QLatin1String(name);
}

struct SampleCase {
    const char* file;
    DeviceModel model;
    int base;
    int folders;  // named folders
    int records;
};

void PrintTo(const SampleCase& c, std::ostream* os) {
    *os << c.file;
}

class Sample : public testing::TestWithParam<SampleCase> {};

TEST_P(Sample, ReadsBackThroughTheInstrumentAndSavesLosslessly) {
    const SampleCase& c = GetParam();
    // The bench starts with a base of its own; the file's "base" line moves it.
    auto bench = std::make_unique<NotebookBench>(c.model, 0xF000);
    sim::NotebookFileError error;
    ASSERT_TRUE(sim::LoadNotebookFile(bench->simulator, SamplePath(c.file), &error))
        << error.text().toStdString();
    ASSERT_EQ(bench->simulator.identification().notebookBase, c.base);
    bench->Identify();
    bench->today = QDate(2026, 12, 8);

    ASSERT_EQ(bench->ReadWhole(), xr::kOk);
    const Notebook& notebook = bench->notebook;
    EXPECT_EQ(RecordCount(notebook.image), c.records);
    EXPECT_EQ(notebook.folders.size() - notebook.folders.count(kFreeFolder), c.folders);
    EXPECT_EQ(notebook.folders.value(0), kCommonFolder);
    EXPECT_TRUE(bench->warnings.isEmpty());
    EXPECT_FALSE(LossesOf(notebook).any());
    // Every record lies in the sample's months and in a named folder.
    for (int s = 0; s < c.records; ++s) {
        const QDate d = DateOfSerial(notebook.image.stamp[s]);
        ASSERT_TRUE(d >= QDate(2026, 2, 1) && d <= QDate(2026, 11, 30)) << s;
        ASSERT_NE(notebook.folders.value(notebook.image.folderNo[s] - 1), kFreeFolder);
    }

    // Saved and loaded again, the notebook is the same memory.
    const QString saved = sim::SaveNotebookText(bench->simulator, bench->today);
    sim::Simulator again;
    again.setIdentification(bench->simulator.identification());
    ASSERT_TRUE(sim::LoadNotebookText(again, saved, &error)) << error.text().toStdString();
    EXPECT_TRUE(again.memory() == bench->simulator.memory());
}

INSTANTIATE_TEST_SUITE_P(
    Samples, Sample,
    testing::Values(SampleCase{"510-small.txt", DeviceModel::Ph510, 0xD000, 6, 31},
                    SampleCase{"510-full.txt", DeviceModel::Ph510, 0xD000, 21, 21 * 26},
                    SampleCase{"210-small.txt", DeviceModel::Conc210, 0xD000, 5, 37},
                    SampleCase{"210-full.txt", DeviceModel::Conc210, 0xA000, 25, 1000}));

// The golden images the console's reading is checked against, each with its notebook text
// written out independently (tests/data/*.sim.txt): the simulator saves the image as exactly
// that text and loads the text as exactly that image, so the simulator's layouts and the
// console's agree byte for byte.
TEST(NotebookFile, GoldenImagesAreTheirTexts) {
    for (const auto& [model, name] : {std::pair{DeviceModel::Ph510, "notebook510"},
                                      std::pair{DeviceModel::Conc210, "notebook210"}}) {
        SCOPED_TRACE(name);
        const QByteArray image = test::LoadHexImage(test::TestDataPath(name + QString(".hex")));
        const QString text = test::ReadUtf8File(test::TestDataPath(name + QString(".sim.txt")));
        auto bench = std::make_unique<NotebookBench>(model, 0xF000);
        ASSERT_TRUE(bench->simulator.setMemory(image));
        EXPECT_EQ(sim::SaveNotebookText(bench->simulator, QDate(2014, 3, 10)).toStdString(),
                  text.toStdString());

        sim::Simulator loaded;
        sim::Identification id = bench->simulator.identification();
        id.notebookBase = 0xD000;  // the text's base line moves it
        loaded.setIdentification(id);
        sim::NotebookFileError error;
        ASSERT_TRUE(sim::LoadNotebookText(loaded, text, &error)) << error.text().toStdString();
        EXPECT_TRUE(loaded.memory() == image);
    }
}

// Whatever the notebook area holds, its text loads back as the same bytes, and the text's
// "record" lines are exactly the records the console's reading takes.
TEST(NotebookFile, AnyMemorySavesLosslesslyAndRecordLinesAreWhatIsRead) {
    std::mt19937 random(20140310);
    for (int round = 0; round < 24; ++round) {
        const DeviceModel model = round % 2 == 0 ? DeviceModel::Ph510 : DeviceModel::Conc210;
        SCOPED_TRACE(round);
        auto bench = std::make_unique<NotebookBench>(model, 0xF000);
        // Pages of random bytes, erased pages and places, and the markers that end records.
        QByteArray memory(0x10000, static_cast<char>(0xFF));
        const char pick[] = {'\x00', '\xFF', '\x01', '\x0D'};
        for (int at = 0xF000; at < 0xFA00; ++at) {
            const int r = static_cast<int>(random() % 64);
            memory[at] = r < 4 ? pick[r] : static_cast<char>(random());
        }
        for (int erase = 0; erase < 6; ++erase) {
            const int at = 0xF000 + static_cast<int>(random() % 0xA00);
            memory.replace(at, 60, QByteArray(60, static_cast<char>(0xFF)));
        }
        bench->simulator.setMemory(memory);

        const QString text = sim::SaveNotebookText(bench->simulator, QDate(2026, 12, 7));
        sim::Simulator loaded;
        loaded.setIdentification(bench->simulator.identification());
        sim::NotebookFileError error;
        ASSERT_TRUE(sim::LoadNotebookText(loaded, text, &error))
            << error.text().toStdString() << "\n"
            << text.toStdString();
        ASSERT_TRUE(loaded.memory() == memory) << text.toStdString();

        ASSERT_EQ(bench->ReadWhole(), xr::kOk);
        EXPECT_EQ(RecordCount(bench->notebook.image), text.count(QLatin1String("\nrecord ")))
            << text.toStdString();
    }
}

TEST(NotebookFile, StoresTheLinesAsTheInstrumentWould) {
    auto bench = std::make_unique<NotebookBench>(DeviceModel::Conc210, 0xF000);
    sim::NotebookFileError error;
    ASSERT_TRUE(sim::LoadNotebookText(bench->simulator,
                                      "folder 2 A\n"
                                      "record 2 2024-03-05 06:00:01 2 11.5 355 0.25 12\n"
                                      "record 3 2025-02-28 00:00:00 0 1 2 3\n",
                                      &error))
        << error.text().toStdString();
    // Entry 1 and two records: month and day only, the time in two-second steps.
    EXPECT_EQ(bench->simulator.readMemory(0xF814, 20),
              EncodeDirectoryEntry(DirectoryLayout(), 1, "A"));
    EXPECT_EQ(bench->simulator.readMemory(0xF800, 1), QByteArray(1, '\xFF'));
    EXPECT_EQ(bench->simulator.readMemory(0xF000, 22),
              QByteArray::fromHex("02024000302A0C00000038410080B1430000803E6603"));
    EXPECT_EQ(bench->simulator.readMemory(0xF016, 6), QByteArray::fromHex("03003A000000"));
}

TEST(NotebookFile, RefusesWhatTheInstrumentCannotHold) {
    const QString record = QStringLiteral(" 2026-05-01 10:00:00 1 20 0 7\n");
    const struct {
        const char* name;
        DeviceModel model;
        QString text;
        int line;
    } cases[] = {
        {"unknown line", DeviceModel::Ph510, "folder 1 A\nnote x\n", 2},
        {"other model", DeviceModel::Ph510, "model КВИР-210v1\n", 1},
        {"base without pages", DeviceModel::Conc210, "base 0xF800\n", 1},
        {"name with я", DeviceModel::Ph510, "folder 2 Заявка\n", 1},
        {"name of 17 bytes", DeviceModel::Conc210, "folder 2 ABCDEFGHIJKLMNOPQ\n", 1},
        {"name not in the code page", DeviceModel::Conc210, "folder 2 Straße\n", 1},
        {"empty name of a page", DeviceModel::Ph510, "folder 2\n", 1},
        {"folder named twice", DeviceModel::Conc210, "folder 2 A\nfolder 2 B\n", 2},
        {"folder beyond the directory", DeviceModel::Conc210, "folder 26 A\n", 1},
        {"folder beyond the pages", DeviceModel::Ph510, "folder 9 A\n", 1},
        {"record of an unnamed page", DeviceModel::Ph510, "folder 1 A\nrecord 2" + record, 2},
        {"27 records in a page", DeviceModel::Ph510,
         "folder 1 A\n" + ("record 1" + record).repeated(27), 28},
        {"mode ending a page", DeviceModel::Ph510,
         "folder 1 A\nrecord 1 2026-05-01 10:00:00 0 1 2 3\n", 2},
        {"salinity of a pH meter", DeviceModel::Ph510,
         "folder 1 A\nrecord 1 2026-05-01 10:00:00 1 1 2 3 4\n", 2},
        {"salinity out of range", DeviceModel::Conc210,
         "record 1 2026-05-01 10:00:00 1 1 2 3 70000\n", 1},
        {"bad date", DeviceModel::Conc210, "record 1 2026-02-30 10:00:00 1 1 2 3\n", 1},
        {"bad value", DeviceModel::Conc210, "record 1 2026-02-03 10:00:00 1 1 x 3\n", 1},
        {"records beyond the pages", DeviceModel::Conc210,
         ("record 1" + record).repeated(4 * 23 + 1), 4 * 23 + 1},
        {"more records than base 0xA000 holds", DeviceModel::Conc210,
         "base 0xA000\n" + ("record 30" + record).repeated(44 * 23 + 1), 44 * 23 + 2},
        {"record after the end of a page", DeviceModel::Ph510,
         "folder 1 A\nhidden 1 2026-05-01 10:00:00 0 1 2 3\nrecord 1" + record, 3},
        {"hidden record a reader takes", DeviceModel::Ph510, "folder 1 A\nhidden 1" + record, 2},
        {"record of a nameless page", DeviceModel::Ph510, "nameless 2\nrecord 2" + record, 2},
        {"nameless directory entry", DeviceModel::Conc210, "nameless 2\n", 1},
        {"record of an empty place", DeviceModel::Conc210, "record 0" + record, 1},
        {"record after an erased place", DeviceModel::Conc210, "skip 1\nrecord 1" + record, 2},
        {"hidden record a reader takes", DeviceModel::Conc210, "hidden 1" + record, 1},
        {"skip beyond the pages", DeviceModel::Conc210, "skip 93\n", 1},
        {"raw bytes outside the notebook", DeviceModel::Ph510, "raw 0xEFFF 0000\n", 1},
        {"raw bytes that are not hexadecimal", DeviceModel::Ph510, "raw 0xF000 0G\n", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto bench = std::make_unique<NotebookBench>(c.model, 0xF000);
        const QByteArray before = bench->simulator.memory();
        sim::NotebookFileError error;
        EXPECT_FALSE(sim::LoadNotebookText(bench->simulator, c.text, &error));
        EXPECT_EQ(error.line, c.line) << error.text().toStdString();
        EXPECT_FALSE(error.reason.isEmpty());
        EXPECT_TRUE(bench->simulator.memory() == before);
        EXPECT_EQ(bench->simulator.identification().notebookBase, 0xF000);
    }
}

TEST(NotebookFile, NotebookOptionIsTakenFromTheCommandLine) {
    const struct {
        QStringList arguments;
        QString path;
        QStringList rest;
        bool error;
    } cases[] = {
        {{"kvir-sim", "--model", "210"}, "", {"kvir-sim", "--model", "210"}, false},
        {{"kvir-sim", "--notebook", "a.txt", "--model", "210"},
         "a.txt",
         {"kvir-sim", "--model", "210"},
         false},
        {{"kvir-sim", "--notebook=b c.txt"}, "b c.txt", {"kvir-sim"}, false},
        {{"kvir-sim", "--notebook"}, "", {"kvir-sim"}, true},
    };
    for (const auto& c : cases) {
        QStringList arguments = c.arguments;
        QString error;
        EXPECT_EQ(sim::TakeNotebookOption(arguments, &error), c.path);
        EXPECT_EQ(arguments, c.rest);
        EXPECT_EQ(!error.isEmpty(), c.error);
    }
}

}  // namespace
}  // namespace kvir
