// Writing back can never lose a measurement, end to end on pseudo-terminals: the sequences
// that once erased or misplaced records now end with every record in the instrument or in a
// lossless backup; refusals send no request; a backup restores bit for bit.
#include "ArchivePage.h"
#include "NotebookEditFixture.h"
#include "common/NotebookBench.h"
#include "session/BackupFile.h"

#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QTableWidget>

namespace kvir::test {
namespace {

const QString kUpdateQuestion =
    "ВНИМАНИЕ!|Блокнот будет очищен\r\nи заполнен данными из редактора блокнота\r\n\r\n"
    "          Обновить блокнот?";
const QString kNoComplete =
    "ВНИМАНИЕ!|В памяти нет полного блокнота прибора\r\n(блокнот не прочитан полностью и не "
    "загружен из резервной копии)\r\nзапись в прибор отменена";

class SafeWriteTest : public NotebookEditFixture {
  public:
    // Every record the instrument held at the start is in the instrument now or in one of the
    // backups of the working directory.
    ::testing::AssertionResult NothingLost(const QString& model, const QString& original,
                                           const sim::Simulator& now) {
        const DeviceModel m = model == "210" ? DeviceModel::Conc210 : DeviceModel::Ph510;
        QSet<QByteArray> kept = RecordKeys(ReadMemory(m, now.memory()));
        for (const QString& file : QDir(dir.path()).entryList({"*" + kBackupSuffix})) {
            Notebook notebook;
            if (DecodeBackup(ReadFile(file), notebook) != BackupFault::None) {
                return ::testing::AssertionFailure() << file.toStdString() << " does not load";
            }
            kept.unite(RecordKeys(notebook));
        }
        for (const QByteArray& record :
             RecordKeys(ReadMemory(m, ExpectedMemory(model, original)))) {
            if (!kept.contains(record)) {
                return ::testing::AssertionFailure() << "lost: " << record.toHex().toStdString();
            }
        }
        return ::testing::AssertionSuccess();
    }

    void SwitchTo(const SimulatedInstrument& instrument) {
        form->link().ClosePort();
        form->ComboBox1->setEditText(instrument.port);
    }
};

TEST_F(SafeWriteTest, ANotebookIsNeverWrittenIntoTheOtherModel) {
    SimulatedInstrument& ph = AddInstrument("510", kEditNotebook510);
    SimulatedInstrument& conc = AddInstrument("210", kEditNotebook210);
    TGround_form& f = Connect(ph, kModel510);
    const QByteArray before = conc.simulator.memory();
    SwitchTo(conc);
    // "Очистить блокнот" answered No: the caption and the notebook's model stay.
    dialogs.answer(DialogButton::No);
    f.But_init_wpadClick();
    EXPECT_EQ(f.caption(), kModel510);
    // "Обновить блокнот" answered Yes is refused: the instrument is the other model.
    dialogs.clear();
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    dialogs.answer(DialogButton::Ok);
    f.But_save_wpadClick();
    EXPECT_EQ(dialogs.transcript().at(1),
              "ВНИМАНИЕ!|Изменен тип прибора.\r\nБлокнот обновлен не будет");
    EXPECT_TRUE(SameMemory(conc.simulator.memory(), before));
    EXPECT_EQ(Writes(conc.simulator), 0);
    EXPECT_EQ(f.caption(), kModel510);

    // An identification that fails inside "Очистить блокнот" leaves the caption as it was.
    SimulatedInstrument& silent = AddSilentPort();
    SwitchTo(silent);
    dialogs.clear();
    dialogs.answer(DialogButton::Ok);
    f.But_init_wpadClick();
    EXPECT_EQ(f.caption(), kModel510);
    ExpectIdle();
}

TEST_F(SafeWriteTest, AWholeWriteNeedsACompleteNotebookAndSendsNothingOtherwise) {
    SimulatedInstrument& conc = AddInstrument("210", kEditNotebook210);
    const QByteArray before = conc.simulator.memory();
    // Nothing read yet (no automatic connection).
    WriteSettingsFor(conc.port, 1, false, kModel210);
    TGround_form& f = StartWithProgress();
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    f.But_save_wpadClick();
    EXPECT_EQ(dialogs.transcript(), (QStringList{kUpdateQuestion, kNoComplete}));
    EXPECT_TRUE(conc.simulator.requestLog().isEmpty());

    // A read that failed part-way (on record page 1) is refused the same way, and so is
    // "Очистить все папки" on it.
    conc.simulator.addFault({sim::FaultKind::Failed, 1, 0xD200, 0xD200});
    dialogs.clear();
    dialogs.answer(DialogButton::Ok);
    f.But_conectClick();
    f.Timer1->stop();
    conc.simulator.clearFaults();
    conc.simulator.clearLog();
    f.But_contr_papkaClick();
    dialogs.clear();
    dialogs.answer(DialogButton::Yes);  // save the cleared folders?
    dialogs.answer(DialogButton::Yes);  // update?
    dialogs.answer(DialogButton::Ok);
    f.Butt_clear_allClick();
    EXPECT_EQ(dialogs.transcript().last(), kNoComplete);
    EXPECT_TRUE(conc.simulator.requestLog().isEmpty());
    EXPECT_TRUE(SameMemory(conc.simulator.memory(), before));
}

TEST_F(SafeWriteTest, AfterAFailedWriteOnlyTheWholeNotebookIsWrittenAndNothingIsLost) {
    SimulatedInstrument& ph = AddInstrument("510", kEditNotebook510);
    TGround_form& f = Connect(ph, kModel510);
    // The folder-page write fails on page 2, after pages 0 and 1 were packed.
    ph.simulator.addFault({sim::FaultKind::Failed, 18, 0xD400, 0xD400});
    Select(1);
    dialogs.answer(DialogButton::Yes);  // the folder holds records: delete?
    dialogs.answer(DialogButton::Yes);  // save?
    dialogs.answer(DialogButton::Ok);
    f.Butt_del_nameClick();
    ASSERT_FALSE(f.link().isOpen());
    ph.simulator.clearFaults();
    ph.simulator.clearLog();

    // A folder write now would erase a page the memory no longer describes: refused.
    Select(2);
    Type("новая");
    dialogs.clear();
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    f.But_new_nameClick();
    EXPECT_TRUE(dialogs.transcript().last().endsWith("выполните \"Обновить блокнот\""));
    EXPECT_TRUE(ph.simulator.requestLog().isEmpty());

    // "Обновить блокнот" reads the half-written instrument, saves it, and writes memory.
    dialogs.clear();
    dialogs.answer(DialogButton::Yes);
    f.But_save_wpadClick();
    EXPECT_EQ(dialogs.transcript(), QStringList{kUpdateQuestion});
    EXPECT_TRUE(NothingLost("510", kEditNotebook510, ph.simulator));
    EXPECT_FALSE(f.session().unwritten());
}

TEST_F(SafeWriteTest, ABackupRestoresTheInstrumentBitForBit) {
    for (const QString model : {"510", "210"}) {
        SCOPED_TRACE(model.toStdString());
        SimulatedInstrument& instrument =
            AddSample(model, model == "510" ? "510-small" : "210-small");
        const QByteArray original = instrument.simulator.memory();
        TGround_form& f = Connect(instrument, model == "510" ? kModel510 : kModel210);
        // "Очистить блокнот" saves the notebook, then erases it.
        dialogs.answer(DialogButton::Yes);
        dialogs.answer(DialogButton::Ok);
        f.But_init_wpadClick();
        const QString backup = f.session().backups().last();
        ASSERT_NE(instrument.simulator.memory(), original);

        dialogs.clear();
        dialogs.answerOpen(dir.filePath(backup));
        f.m_open_backupClick();
        EXPECT_EQ(f.session().origin(), Origin::BackupFile);
        dialogs.answer(DialogButton::Yes);
        f.But_save_wpadClick();
        EXPECT_EQ(dialogs.transcript().size(), 2) << dialogs.transcript().join('\n').toStdString();
        EXPECT_TRUE(SameMemory(instrument.simulator.memory(), original));
        form.reset();
        realLink.ClosePort();
        dialogs.clear();
    }
}

TEST_F(SafeWriteTest, ADamagedBackupIsRefusedAndChangesNothing) {
    SimulatedInstrument& instrument = AddInstrument("510", kEditNotebook510);
    TGround_form& f = Connect(instrument, kModel510);
    Notebook notebook = f.session().notebook();
    QByteArray bytes = EncodeBackup(notebook, clock);
    bytes.replace("folder 2 ", "folder 2 C");  // a hand-edited name
    WriteFile("edited.kvir", bytes);
    dialogs.answerOpen(PathOf("edited.kvir"));
    dialogs.answer(DialogButton::Ok);
    f.m_open_backupClick();
    EXPECT_EQ(dialogs.transcript().last(),
              "ОШИБКА!|Резервная копия повреждена или изменена вручную\r\nблокнот не загружен\r\n"
              "edited.kvir");
    EXPECT_EQ(f.session().origin(), Origin::CompleteRead);
    EXPECT_TRUE(SameContents(f.session().notebook(), notebook));
}

TEST_F(SafeWriteTest, ReadsAreArchivedMarkedNewAndASnapshotRestoresTheInstrument) {
    withArchive = true;
    SimulatedInstrument& instrument = AddSample("510", "510-small");
    const QByteArray original = instrument.simulator.memory();
    TGround_form& f = Connect(instrument, kModel510);
    const QString stored = "Снимок блокнота сохранен в архиве: записей 31, из них новых ";
    EXPECT_EQ(Entries(f.protocolLines()).last(), stored + "31");
    QTableWidget* table = f.Tabl_sort_name_dat;
    EXPECT_FALSE(table->verticalHeader()->isHidden());
    EXPECT_EQ(table->verticalHeaderItem(30)->text(), "новая");
    // The same notebook read again brings nothing new.
    f.But_conectClick();
    f.Timer1->stop();
    EXPECT_EQ(Entries(f.protocolLines()).last(), stored + "0");
    EXPECT_TRUE(table->verticalHeader()->isHidden());

    // The instrument is erased; the first snapshot, opened from the Архив page, restores it.
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    f.But_init_wpadClick();
    f.But_archiveClick();
    QTableWidget* list = f.Page_archive->Table_snapshots;
    ASSERT_EQ(list->rowCount(), 4) << "two reads, the backup, the read of the empty notebook";
    list->setCurrentCell(list->rowCount() - 1, 0);
    f.Page_archive->openCurrentSnapshot();
    ASSERT_EQ(f.session().origin(), Origin::BackupFile);
    dialogs.answer(DialogButton::Yes);
    f.But_save_wpadClick();
    EXPECT_TRUE(SameMemory(instrument.simulator.memory(), original));
}

}  // namespace
}  // namespace kvir::test
