// A third model added as a new model is: one row in the model table, here with a layout that
// varies the folder-page layout (its pages end lower and its day word carries month and day).
// Identification, the whole read and write, the record table's texts, the backup file and the
// archive must take it with no change of their own.

#include "NotebookView.h"
#include "archive/Archive.h"
#include "common/NotebookBench.h"
#include "instrument/ModelTableForTests.h"
#include "session/BackupFile.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace kvir {
namespace {

// ---- The trial model: all it adds -----------------------------------------------------------

constexpr auto kTrial = static_cast<DeviceModel>(3);

const NotebookLayout& TrialLayout() {
    static const NotebookLayout layout = [] {
        NotebookLayout l = FolderPageLayout();
        l.end = 0xF800;
        l.stamp = Stamp210;
        return l;
    }();
    return layout;
}

void AddTrialRow() {
    static const bool added = [] {
        ModelRow row = *RowOf(DeviceModel::Ph510);
        row.model = kTrial;
        row.displayName = QStringLiteral("КВИР-520v1");
        row.identName = QStringLiteral("КВИР-520");
        row.identVersion = row.shownVersion = QStringLiteral("1");
        row.layout = &TrialLayout();
        row.headers[5] = QStringLiteral("pX      ");
        row.modeLabels[1] = QStringLiteral("pX");
        row.archiveCode = 520;
        RegisterModelRowForTests(row);
        return true;
    }();
    Q_UNUSED(added);
}

// ---- What the program does with it ------------------------------------------------------------

// Base 0xF400: the common folder and folder "A" with a record each, and a folder "B" on the
// page at 0xF800, which lies beyond the trial layout's end. Written by the simulator's own
// description of folder pages; day words 64 (5 March) and 79 (20 March) from 1 January 2000.
std::unique_ptr<test::NotebookBench> ReadTrialBench() {
    AddTrialRow();
    auto bench = std::make_unique<test::NotebookBench>(DeviceModel::Ph510, 0xF400);  // 10.03.2014
    bench->simulator.setIdentification({sim::ToWindows1251(QStringLiteral("КВИР-520")), 1, 0xF400});
    const auto record = [](quint16 day) {
        sim::Measurement m;
        m.dayWord = day;
        m.timeWord = 1800;
        m.value1 = 35.0f;
        m.value2 = -12.5f;
        m.value3 = 9.0f;
        return sim::RecordBytes(sim::Model::Ph510, m);
    };
    bench->simulator.writeMemory(0xF400, sim::CommonFolderHeader() + record(64));
    bench->simulator.writeMemory(0xF600, sim::FolderHeader("A") + record(79));
    bench->simulator.writeMemory(0xF800, sim::FolderHeader("B") + record(64));

    EXPECT_EQ(bench->instrument.ReadIdentification(), xr::kOk);
    const Identification& id = bench->instrument.identification();
    bench->model = ModelFromIdentification(id.name, id.version);
    EXPECT_EQ(bench->model, kTrial);
    EXPECT_EQ(bench->ReadWhole(), xr::kOk);
    return bench;
}

Notebook ReadTrialNotebook() {
    return ReadTrialBench()->notebook;
}

TEST(TrialModel, IsIdentifiedAndReadInItsOwnLayout) {
    const auto bench = ReadTrialBench();
    const Notebook& notebook = bench->notebook;
    const QStringList requests = bench->Requests();
    EXPECT_EQ(ModelFromIdentification(QStringLiteral("КВИР-520"), QStringLiteral("2")),
              DeviceModel::None);
    EXPECT_EQ(DisplayName(kTrial), "КВИР-520v1");
    EXPECT_EQ(ModelFromDisplayName(QStringLiteral("КВИР-520v1")), kTrial);

    EXPECT_EQ(requests, QStringList({"15", "3 F400", "4 F400 255", "3 F600", "4 F600 255"}));
    EXPECT_EQ(notebook.model, kTrial);
    EXPECT_EQ(notebook.folders, QStringList({kCommonFolder, "A"}));
    ASSERT_EQ(RecordCount(notebook.image), 2);
    EXPECT_EQ(DateOfSerial(notebook.image.stamp[0]), QDate(2014, 3, 5));
    EXPECT_EQ(DateOfSerial(notebook.image.stamp[1]), QDate(2013, 3, 20));
    EXPECT_NEAR(notebook.image.value4[0], 9.313f, 5e-5);  // pH25, as the folder-page layout

    EXPECT_EQ(ModelHeaders(kTrial).value(5), "pX      ");
    EXPECT_EQ(RecordCells(notebook.image, 1, kTrial, notebook.folders, "", QLocale::c()).mid(1),
              (QStringList{"A", FormatStamp(notebook.image.stamp[1], QLocale::c()), "pX", "35.00",
                           "-12.50", "9.0000", "9.3130", ""}));
}

// The whole write takes the trial layout's pages: two at this base (the folder-page layout's
// end would give three), and the page at its end stays untouched.
TEST(TrialModel, IsWrittenBackInItsOwnLayout) {
    const auto bench = ReadTrialBench();
    Notebook tooMany = bench->notebook;
    tooMany.folders << QStringLiteral("Б");
    EXPECT_EQ(PrepareWholeWrite(tooMany, 0xF400, false), WholeWriteFault::TooManyFolders);

    Notebook edited = bench->notebook;
    edited.folders[1] = QStringLiteral("Опыт 2");
    ASSERT_EQ(PrepareWholeWrite(edited, 0xF400, false), WholeWriteFault::None);
    const QByteArray beyond = bench->simulator.memory().mid(0xF800);
    ASSERT_EQ(WriteNotebookSequence(bench->instrument, edited, {}), xr::kOk);
    EXPECT_EQ(bench->simulator.memory().mid(0xF800), beyond);
    ASSERT_EQ(bench->ReadWhole(), xr::kOk);
    EXPECT_EQ(DigestOf(bench->notebook), DigestOf(edited));
    EXPECT_EQ(bench->notebook.folders, QStringList({kCommonFolder, QStringLiteral("Опыт 2")}));
}

TEST(TrialModel, KeepsItsNameInBackupsAndItsCodeInTheArchive) {
    const Notebook notebook = ReadTrialNotebook();
    const QByteArray backup = EncodeBackup(notebook, QDateTime(QDate(2014, 3, 10), QTime(9, 0)));
    EXPECT_TRUE(backup.contains("\nmodel КВИР-520v1\n"));
    Notebook restored;
    ASSERT_EQ(DecodeBackup(backup, restored), BackupFault::None);
    EXPECT_TRUE(SameContents(restored, notebook));

    QTemporaryDir dir;
    Archive archive;
    ASSERT_EQ(archive.open(SqliteLocation(dir.filePath("archive.sqlite"))), ArchiveStatus::Ok);
    ASSERT_EQ(archive.store(notebook, {QDateTime(QDate(2014, 3, 10), QTime(9, 0)), "", ""}).status,
              ArchiveStatus::Ok);
    QList<SnapshotInfo> snapshots;
    ASSERT_EQ(archive.snapshots(&snapshots), ArchiveStatus::Ok);
    ASSERT_EQ(snapshots.size(), 1);
    EXPECT_EQ(snapshots[0].model, kTrial);
    qint64 trial = 0;
    qint64 ph510 = 0;
    ASSERT_EQ(archive.count(kTrial, &trial), ArchiveStatus::Ok);
    ASSERT_EQ(archive.count(DeviceModel::Ph510, &ph510), ArchiveStatus::Ok);
    EXPECT_EQ(trial, 2);
    EXPECT_EQ(ph510, 0);
}

}  // namespace
}  // namespace kvir
