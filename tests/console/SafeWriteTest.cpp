// Writing back can never lose a measurement, end to end on pseudo-terminals: the sequences
// that once erased or misplaced records now end with every record in the instrument or in a
// lossless backup; refusals send no request; a backup restores bit for bit.
#include "ArchivePage.h"
#include "NotebookEditFixture.h"
#include "instrument/MemoryLayout.h"
#include "session/BackupFile.h"

#include <QDir>
#include <QHeaderView>
#include <QTableView>
#include <QTableWidget>

namespace kvir::test {
namespace {

const QString kNoComplete =
    "ВНИМАНИЕ!|В памяти нет полного блокнота прибора\r\n(блокнот не прочитан полностью и не "
    "загружен из резервной копии)\r\nзапись в прибор отменена";

// The records of a notebook as the instrument stores them, each without its folder number
// (folders move and are renamed; the measurement stays the same).
QSet<QByteArray> RecordKeys(const Notebook& notebook) {
    QSet<QByteArray> keys;
    const NotebookLayout* layout = LayoutOf(notebook.model);
    for (int s = 0; layout != nullptr && s < kNotebookSlots; ++s) {
        if (notebook.image.folderNo[static_cast<size_t>(s)] != 0) {
            StoredRecord r = RecordFromSlot(notebook.image, s);
            r.folderNo = 0;
            keys.insert(EncodeRecord(*layout, r));
        }
    }
    return keys;
}

class SafeWriteTest : public NotebookEditFixture {
  public:
    // Every record of `original` is in `now` or in one of the backups of the working
    // directory.
    ::testing::AssertionResult NothingLost(const Notebook& original, const Notebook& now) {
        QSet<QByteArray> kept = RecordKeys(now);
        for (const QString& file : QDir(dir.path()).entryList({"*" + kBackupSuffix})) {
            Notebook notebook;
            if (DecodeBackup(ReadFile(file), notebook) != BackupFault::None) {
                return ::testing::AssertionFailure() << file.toStdString() << " does not load";
            }
            kept.unite(RecordKeys(notebook));
        }
        for (const QByteArray& record : RecordKeys(original)) {
            if (!kept.contains(record)) {
                return ::testing::AssertionFailure() << "lost: " << record.toHex().toStdString();
            }
        }
        return ::testing::AssertionSuccess();
    }
};

TEST_F(SafeWriteTest, ANotebookIsNeverWrittenIntoTheOtherModel) {
    SimulatedInstrument& ph = AddInstrument("510", kEditNotebook510);
    SimulatedInstrument& conc = AddInstrument("210", kEditNotebook210);
    Connect(ph, kModel510);
    const QByteArray before = conc.simulator.memory();
    SwitchTo(conc);
    // "Очистить блокнот" answered No: the caption and the notebook's model stay.
    dialogs.answer(DialogButton::No);
    Click("But_init_wpad");
    EXPECT_EQ(Caption(), kModel510);
    // "Обновить блокнот" answered Yes is refused: the instrument is the other model.
    dialogs.clear();
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    dialogs.answer(DialogButton::Ok);
    Click("But_save_wpad");
    EXPECT_EQ(dialogs.transcript().value(1),
              "ВНИМАНИЕ!|Изменен тип прибора.\r\nБлокнот обновлен не будет");
    EXPECT_TRUE(SameMemory(conc.simulator.memory(), before));
    EXPECT_EQ(Writes(conc.simulator), 0);
    EXPECT_EQ(Caption(), kModel510);

    // An identification that fails inside "Очистить блокнот" leaves the caption as it was.
    SimulatedInstrument& silent = AddSilentPort();
    SwitchTo(silent);
    dialogs.clear();
    dialogs.answer(DialogButton::Ok);
    Click("But_init_wpad");
    EXPECT_EQ(Caption(), kModel510);
    ExpectIdle();
}

TEST_F(SafeWriteTest, APartialNotebookIsNeverWrittenWholeAndItsEditsKeepWhatWasNotRead) {
    // Two record pages: 23 records on the first, 7 on the second.
    QString notebook = kEditNotebook210;
    for (int k = 0; k < 26; ++k) {
        notebook += QStringLiteral("record 1 2026-03-01 10:%1:00 0 20 1 0.5\n")
                        .arg(k, 2, 10, QLatin1Char('0'));
    }
    SimulatedInstrument& conc = AddInstrument("210", notebook);
    // Nothing read yet (no automatic connection).
    WriteSettingsFor(conc.port, 1, false, kModel210);
    StartWithProgress();
    dialogs.answer(DialogButton::No);  // the page offers to read the notebook
    Click("But_contr_papka");
    dialogs.clear();
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    Click("But_save_wpad");
    EXPECT_EQ(dialogs.transcript(), (QStringList{kUpdateQuestion, kNoComplete}));
    EXPECT_TRUE(conc.simulator.requestLog().isEmpty());

    // A read that failed part-way (on record page 1) is refused the same way.
    conc.simulator.addFault({sim::FaultKind::Failed, 1, 0xD200, 0xD200});
    dialogs.clear();
    dialogs.answer(DialogButton::Ok);
    Click("But_conect");
    ASSERT_EQ(State().origin(), Origin::PartialRead);
    const Notebook partial = State().notebook();
    conc.simulator.clearFaults();
    conc.simulator.clearLog();
    dialogs.clear();
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    Click("But_save_wpad");
    EXPECT_EQ(dialogs.transcript(), (QStringList{kUpdateQuestion, kNoComplete}));
    EXPECT_TRUE(conc.simulator.requestLog().isEmpty());

    // "Очистить все папки" on it, saved, erases the records that were read and keeps the
    // others in the instrument.
    Select(1);
    dialogs.clear();
    dialogs.answer(DialogButton::Yes);  // save the cleared folders?
    dialogs.answer(DialogButton::Yes);  // update?
    dialogs.answer(DialogButton::Ok);
    Click("Butt_clear_all");
    EXPECT_EQ(
        dialogs.transcript(),
        (QStringList{kSaveQuestion, kUpdateQuestion,
                     "ВНИМАНИЕ!|После чтения блокнота прибор изменил его:\r\nновых записей: 7 "
                     "(они остались в приборе и в таблице)\r\nблокнот прибора перед записью "
                     "сохранен в резервной копии\r\n" +
                         kBackupName}));
    EXPECT_EQ(RecordCountOf(partial), 23);
    EXPECT_EQ(RecordCountOf(State().notebook()), 7);
    EXPECT_TRUE(RecordKeys(State().notebook()).intersect(RecordKeys(partial)).isEmpty());
    EXPECT_TRUE(NothingLost(partial, State().notebook()));
}

TEST_F(SafeWriteTest, AfterAFailedWriteOnlyTheWholeNotebookIsWrittenAndNothingIsLost) {
    SimulatedInstrument& ph = AddInstrument("510", kEditNotebook510);
    Connect(ph, kModel510);
    const Notebook original = State().notebook();
    // The folder-page write fails on page 2, after pages 0 and 1 were packed.
    ph.simulator.addFault({sim::FaultKind::Failed, 18, 0xD400, 0xD400});
    Select(1);
    dialogs.answer(DialogButton::Yes);  // the folder holds records: delete?
    dialogs.answer(DialogButton::Yes);  // save?
    dialogs.answer(DialogButton::Ok);
    Click("Butt_del_name");
    ASSERT_FALSE(State().connected());
    ph.simulator.clearFaults();
    ph.simulator.clearLog();

    // A folder write now would erase a page the memory no longer describes: refused.
    Select(2);
    Type("новая");
    dialogs.clear();
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    Click("But_new_name");
    EXPECT_TRUE(dialogs.transcript().last().endsWith("выполните \"Обновить блокнот\""));
    EXPECT_TRUE(ph.simulator.requestLog().isEmpty());

    // "Обновить блокнот" reads the half-written instrument, saves it, and writes memory.
    dialogs.clear();
    dialogs.answer(DialogButton::Yes);
    Click("But_save_wpad");
    EXPECT_EQ(dialogs.transcript(), QStringList{kUpdateQuestion});
    EXPECT_TRUE(NothingLost(original, State().notebook()));
    EXPECT_FALSE(State().unwritten());
}

TEST_F(SafeWriteTest, ABackupRestoresTheInstrumentBitForBit) {
    for (const QString model : {"510", "210"}) {
        SCOPED_TRACE(model.toStdString());
        SimulatedInstrument& instrument =
            AddSample(model, model == "510" ? "510-small" : "210-small");
        const QByteArray original = instrument.simulator.memory();
        Connect(instrument, model == "510" ? kModel510 : kModel210);
        // "Очистить блокнот" saves the notebook, then erases it.
        dialogs.answer(DialogButton::Yes);
        dialogs.answer(DialogButton::Ok);
        Click("But_init_wpad");
        const QString backup = State().backups().last();
        ASSERT_NE(instrument.simulator.memory(), original);

        dialogs.clear();
        dialogs.answerOpen(dir.filePath(backup));
        Click("m_open_backup");
        EXPECT_EQ(State().origin(), Origin::BackupFile);
        dialogs.answer(DialogButton::Yes);
        Click("But_save_wpad");
        EXPECT_EQ(dialogs.transcript().size(), 2) << dialogs.transcript().join('\n').toStdString();
        EXPECT_TRUE(SameMemory(instrument.simulator.memory(), original));
        form.reset();
        dialogs.clear();
    }
}

TEST_F(SafeWriteTest, ADamagedBackupIsRefusedAndChangesNothing) {
    SimulatedInstrument& instrument = AddInstrument("510", kEditNotebook510);
    Connect(instrument, kModel510);
    const Notebook notebook = State().notebook();
    QByteArray bytes = EncodeBackup(notebook, clock);
    bytes.replace("folder 2 ", "folder 2 C");  // a hand-edited name
    WriteFile("edited.kvir", bytes);
    dialogs.answerOpen(PathOf("edited.kvir"));
    dialogs.answer(DialogButton::Ok);
    Click("m_open_backup");
    EXPECT_EQ(dialogs.transcript().last(),
              "ОШИБКА!|Резервная копия повреждена или изменена вручную\r\nблокнот не загружен\r\n"
              "edited.kvir");
    EXPECT_EQ(State().origin(), Origin::CompleteRead);
    EXPECT_TRUE(SameContents(State().notebook(), notebook));
}

TEST_F(SafeWriteTest, ReadsAreArchivedMarkedNewAndASnapshotRestoresTheInstrument) {
    withArchive = true;
    SimulatedInstrument& instrument = AddSample("510", "510-small");
    const QByteArray original = instrument.simulator.memory();
    Connect(instrument, kModel510);
    const QString stored = "Снимок блокнота сохранен в архиве: записей 31, из них новых ";
    EXPECT_EQ(Entries(Protocol()).last(), stored + "31");
    auto* table = W<QTableView>("Tabl_sort_name_dat");
    EXPECT_FALSE(table->verticalHeader()->isHidden());
    EXPECT_EQ(table->model()->headerData(30, Qt::Vertical).toString(), "новая");
    // The same notebook read again brings nothing new.
    Click("But_conect");
    EXPECT_EQ(Entries(Protocol()).last(), stored + "0");
    EXPECT_TRUE(table->verticalHeader()->isHidden());

    // The instrument is erased; the first snapshot, opened from the Архив page, restores it.
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    Click("But_init_wpad");
    Click("But_archive");
    auto* page = W<ArchivePage>("Page_archive");
    QTableWidget* list = page->Table_snapshots;
    ASSERT_EQ(list->rowCount(), 4) << "two reads, the backup, the read of the empty notebook";
    list->setCurrentCell(list->rowCount() - 1, 0);
    page->openCurrentSnapshot();
    Settle();
    ASSERT_EQ(State().origin(), Origin::Snapshot);
    dialogs.answer(DialogButton::Yes);
    Click("But_save_wpad");
    EXPECT_TRUE(SameMemory(instrument.simulator.memory(), original));
}

}  // namespace
}  // namespace kvir::test
