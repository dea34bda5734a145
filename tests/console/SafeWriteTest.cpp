// Writing back can never lose a measurement, end to end on pseudo-terminals: the sequences
// that once erased or misplaced records now end with every record in the instrument or in a
// lossless backup; refusals send no request; a backup restores bit for bit.
#include "ArchivePage.h"
#include "NotebookEditFixture.h"
#include "instrument/MemoryLayout.h"
#include "session/BackupFile.h"

#include <QDir>
#include <QFile>
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

    // The records a simulated unit holds, in the simulator's own decoding: the record and
    // hidden lines of its notebook file, each without its folder number.
    QStringList StoredRecords(const sim::Simulator& unit) const {
        QStringList records;
        for (const QString& line : sim::SaveNotebookText(unit, clock.date()).split('\n')) {
            if (line.startsWith("record ") || line.startsWith("hidden ")) {
                records << line.section(' ', 2);
            }
        }
        records.sort();
        return records;
    }
    using Counts = QHash<QString, int>;
    // Each record as often as the most copies of it that one of `records` holds.
    static void Take(Counts& into, const QStringList& records) {
        Counts counted;
        for (const QString& r : records) {
            ++counted[r];
        }
        for (auto r = counted.cbegin(); r != counted.cend(); ++r) {
            into[r.key()] = std::max(into.value(r.key()), r.value());
        }
    }
    void Held(const sim::Simulator& unit) { Take(ever, StoredRecords(unit)); }
    // A unit of `model` holding `text`, off the line.
    std::unique_ptr<sim::Simulator> Unit(const QString& model, const QString& text) {
        auto unit = std::make_unique<sim::Simulator>();
        unit->setIdentification(model == "210" ? sim::Kvir210Identification()
                                               : sim::Kvir510Identification());
        sim::NotebookFileError error;
        EXPECT_TRUE(sim::LoadNotebookText(*unit, text, &error)) << error.text().toStdString();
        Held(*unit);
        return unit;
    }
    static void Plug(sim::Simulator& line, const sim::Simulator& unit) {
        line.setIdentification(unit.identification());
        line.setMemory(unit.memory());
    }
    // The line the console holds open moves to another unit; the one it leaves keeps its
    // records.
    void PutOnLine(sim::Simulator& line, const QString& model, const QString& text) {
        Take(parked, StoredRecords(line));
        Plug(line, *Unit(model, text));
    }
    // Every record any unit ever held is on the line, in a unit off it or in a backup of the
    // working directory.
    ::testing::AssertionResult EveryRecordKept(const sim::Simulator& line) {
        Counts kept = parked;
        Take(kept, StoredRecords(line));
        for (const QString& file : QDir(dir.path()).entryList({"*" + kBackupSuffix})) {
            Notebook backup;
            if (DecodeBackup(ReadFile(file), backup) != BackupFault::None) {
                return ::testing::AssertionFailure() << file.toStdString() << " does not load";
            }
            sim::Simulator copy;
            sim::Identification id = backup.model == DeviceModel::Conc210
                                         ? sim::Kvir210Identification()
                                         : sim::Kvir510Identification();
            id.notebookBase = static_cast<quint16>(backup.base);
            copy.setIdentification(id);
            for (auto page = backup.pages.cbegin(); page != backup.pages.cend(); ++page) {
                copy.writeMemory(page.key(), page.value());
            }
            Take(kept, StoredRecords(copy));
        }
        for (auto r = ever.cbegin(); r != ever.cend(); ++r) {
            if (kept.value(r.key()) < r.value()) {
                return ::testing::AssertionFailure() << "lost: " << r.key().toStdString();
            }
        }
        return ::testing::AssertionSuccess();
    }
    int RowOf(const QString& text) const {
        const QStringList rows = TableRows();
        for (int r = 0; r < rows.size(); ++r) {
            if (rows[r].contains(text)) {
                return r;
            }
        }
        return -1;
    }

    Counts ever;    // what every unit held at some time
    Counts parked;  // what the units taken off the line hold
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

// Each sequence that once lost a measurement, run through the window against simulated units:
// after each, every record a unit ever held is still in a unit or in a backup, and the
// sequence ends as it should.
TEST_F(SafeWriteTest, EverySequenceKeepsEveryMeasurement) {
    const QString oneNew =
        "ВНИМАНИЕ!|После чтения блокнота прибор изменил его:\r\nновых записей: 1 (они остались в "
        "приборе и в таблице)\r\nблокнот прибора перед записью сохранен в резервной копии\r\n" +
        kBackupName;
    const QString replace =
        "ВНИМАНИЕ!|Блокнот в памяти не записан в прибор.\r\nПрочитать блокнот прибора вместо него?";
    const QString unitB510 =
        "folder 1 ОБЩАЯ ПАПКА\nfolder 2 ПРУД\nrecord 2 2026-04-01 10:00:00 1 19 -5 6.5\n"
        "record 1 2026-04-02 11:00:00 3 18 40 6.8\n";
    QFile sample(QStringLiteral(KVIR_SOURCE_DIR "/sim/samples/210-full.txt"));
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    QString full1012 = QString::fromUtf8(sample.readAll());
    for (int k = 1; k <= 12; ++k) {
        full1012 += QStringLiteral("record 1 2026-03-%1 10:00:00 0 20 1 0.5\n")
                        .arg(k, 2, 10, QLatin1Char('0'));
    }
    // The instrument stores a measurement of its own in folder 2, dated after the read records.
    const auto measure = [this](SimulatedInstrument& unit) {
        const sim::Model model = sim::SimulatedModel(unit.simulator);
        ASSERT_TRUE(
            unit.simulator.storeMeasurement({2, 1, sim::DayWord(model, QDate(2026, 6, 20)),
                                             sim::TimeWord(QTime(10, 30)), 21.5f, 7.0f, 6.5f, 0}));
        Held(unit.simulator);
    };
    const auto tagForDeletion = [this](const QString& date) {
        Click("But_sort_date");
        const int row = RowOf(date);
        SelectRows(row, row);
        Click("p_menu_set_del");
        return row;
    };
    const auto renameAfterMeasuring = [&](SimulatedInstrument& unit, const QString& caption,
                                          const QString& name) {
        Connect(unit, caption);
        measure(unit);
        Select(1);
        Type(name);
        dialogs.answer(DialogButton::Yes);
        dialogs.answer(DialogButton::Ok);
        Click("But_rename_name");
        EXPECT_EQ(dialogs.transcript(), (QStringList{kSaveQuestion, oneNew}));
        const QString held = sim::SaveNotebookText(unit.simulator, clock.date());
        EXPECT_TRUE(held.contains("folder 2 " + name + "\n")) << held.toStdString();
        EXPECT_TRUE(held.contains("record 2 2026-06-20 10:30:00 ")) << held.toStdString();
        EXPECT_GE(RowOf(name + "|20.06.2026 10:30:00"), 0);
    };
    // The record of 10 May is tagged, a measurement stored; "Выполнить" deletes that record
    // only, also when a new read has refilled the table meanwhile.
    const auto deleteAfterMeasuring = [&](SimulatedInstrument& unit, bool reread,
                                          const QStringList& told) {
        Connect(unit, kModel510);
        const int row = tagForDeletion("10.05.2026");
        measure(unit);
        if (reread) {
            Click("But_conect");
            ASSERT_FALSE(TableRows().value(row).contains("10.05.2026")) << "the rows moved";
        }
        QStringList kept = StoredRecords(unit.simulator);
        kept.removeOne(kept.filter("2026-05-10 ").value(0));
        dialogs.answer(DialogButton::Yes);
        dialogs.answer(DialogButton::Ok);
        Click("But_exe_zap");
        EXPECT_EQ(dialogs.transcript(), told);
        EXPECT_EQ(StoredRecords(unit.simulator), kept);
        EXPECT_GE(RowOf("|20.06.2026 10:30:00"), 0);
    };
    // The verifying read after a write meets a line that dropped: a failure, memory kept as
    // written and marked unwritten.
    const auto verifyHangsUp = [&](SimulatedInstrument& unit, const sim::Fault& hangUp,
                                   const QString& button, const QString& failure) {
        unit.simulator.addFault(hangUp);
        dialogs.answer(DialogButton::Yes);
        dialogs.answer(DialogButton::Ok);
        Click(button);
        EXPECT_EQ(dialogs.transcript().value(1), "ОШИБКА ОБМЕНА!|Нет ответа от устройства");
        EXPECT_EQ(Entries(Protocol()).last(), failure);
        EXPECT_TRUE(State().unwritten());
        EXPECT_EQ(TableRows().size(), 4) << "the table shows what was written, not the read";
    };
    const auto failWrite = [&](SimulatedInstrument& unit) {
        Connect(unit, kModel510);
        unit.simulator.addFault({sim::FaultKind::Failed, 18, 0xD400, 0xD400});
        dialogs.answer(DialogButton::Yes);
        dialogs.answer(DialogButton::Ok);
        Click("But_save_wpad");
        ASSERT_TRUE(State().unwritten());
        unit.simulator.clearFaults();
        unit.simulator.clearLog();
        dialogs.clear();
    };

    struct Case {
        const char* label;
        QString model;
        QString notebook;
        std::function<void(SimulatedInstrument&)> run;
    };
    const Case cases[] = {
        {"a measurement stored since the read stays after a folder write (510)", "510",
         kEditNotebook510,
         [&](SimulatedInstrument& unit) { renameAfterMeasuring(unit, kModel510, "РУЧЕЙ"); }},
        {"a measurement stored since the read stays after a folder write (210)", "210",
         kEditNotebook210,
         [&](SimulatedInstrument& unit) { renameAfterMeasuring(unit, kModel210, "КОТЕЛ 1"); }},
        {"a measurement stored since the read stays after a record deletion", "510",
         kEditNotebook510,
         [&](SimulatedInstrument& unit) {
             deleteAfterMeasuring(unit, false, {kSaveQuestion, oneNew});
         }},
        {"a tag stays with its record when a read refills the table", "510", kEditNotebook510,
         [&](SimulatedInstrument& unit) { deleteAfterMeasuring(unit, true, {kSaveQuestion}); }},
        {"a tag whose record left memory deletes nothing", "510", kEditNotebook510,
         [&](SimulatedInstrument& unit) {
             Connect(unit, kModel510);
             tagForDeletion("10.05.2026");
             PutOnLine(unit.simulator, "510", unitB510);
             Click("But_conect");
             dialogs.answer(DialogButton::Ok);
             Click("But_exe_zap");
             EXPECT_EQ(dialogs.transcript(),
                       QStringList{"ВНИМАНИЕ!|Не удалено записей: 1\r\nстроки таблицы не "
                                   "соответствуют блокноту в памяти\r\nотметьте записи заново"});
             EXPECT_EQ(Writes(unit.simulator), 0);
         }},
        {"another unit on the open port is saved before it is overwritten", "510", kEditNotebook510,
         [&](SimulatedInstrument& unit) {
             Connect(unit, kModel510);
             PutOnLine(unit.simulator, "510", unitB510);
             dialogs.answer(DialogButton::Yes);
             dialogs.answer(DialogButton::Ok);
             Click("But_save_wpad");
             EXPECT_EQ(dialogs.transcript(),
                       (QStringList{kUpdateQuestion,
                                    "ВНИМАНИЕ!|В приборе есть записи, которых нет в блокноте "
                                    "консоли: 2.\r\nОни удалены из прибора и сохранены в "
                                    "резервной копии\r\n" +
                                        kBackupName}));
         }},
        {"Очистить блокнот erases the unit on the line after the answer, in its layout", "510",
         kEditNotebook510,
         [&](SimulatedInstrument& unit) {
             Connect(unit, kModel510);
             const std::unique_ptr<sim::Simulator> conc = Unit("210", kEditNotebook210);
             Take(parked, StoredRecords(unit.simulator));
             // The 210 takes the line right after the identification before the question.
             unit.simulator.setRequestObserver(
                 [line = &unit.simulator, to = conc.get(),
                  plugged = false](const sim::LoggedRequest& request) mutable {
                     if (request.code == 15 && !std::exchange(plugged, true)) {
                         Plug(*line, *to);
                     }
                 });
             dialogs.answer(DialogButton::Yes);
             dialogs.answer(DialogButton::Ok);
             Click("But_init_wpad");
             unit.simulator.setRequestObserver({});
             EXPECT_EQ(dialogs.transcript(),
                       (QStringList{kInitQuestion,
                                    "ВНИМАНИЕ!|Записи блокнота сохранены в резервной копии\r\n" +
                                        kBackupName}));
             EXPECT_TRUE(SameMemory(unit.simulator.memory(),
                                    ExpectedMemory("210", "folder 1 ОБЩАЯ ПАПКА\n")));
             EXPECT_EQ(Caption(), kModel210);
         }},
        {"a notebook beyond memory is never written whole", "210", full1012,
         [&](SimulatedInstrument& unit) {
             dialogs.answer(DialogButton::Ok);
             Connect(unit, kModel210);
             EXPECT_EQ(RecordCountOf(State().notebook()), 1000);
             dialogs.answer(DialogButton::Yes);
             dialogs.answer(DialogButton::Ok);
             Click("But_save_wpad");
             EXPECT_EQ(dialogs.transcript(),
                       (QStringList{"ВНИМАНИЕ!|В блокноте прибора больше 1000 записей\r\nпоказаны "
                                    "первые 1000",
                                    kUpdateQuestion,
                                    "ВНИМАНИЕ!|Блокнот в памяти содержит не все записи "
                                    "прибора:\r\nзаписей больше 1000, не поместилось 12\r\nзапись "
                                    "блокнота отменена, ничего не стерто\r\nвсе записи прибора "
                                    "сохранены в резервной копии\r\n" +
                                        kBackupName}));
             EXPECT_TRUE(unit.simulator.requestLog().isEmpty());
         }},
        {"a whole write whose read-back fails is unwritten", "510", kEditNotebook510,
         [&](SimulatedInstrument& unit) {
             Connect(unit, kModel510);
             verifyHangsUp(unit, {sim::FaultKind::HangUp, 3, 0xD000, 0xD000, 1, 1}, "But_save_wpad",
                           "Ошибка обновления блокнота прибора КВИР-510v2");
         }},
        {"a 210 folder write is read back", "210", kEditNotebook210,
         [&](SimulatedInstrument& unit) {
             Connect(unit, kModel210);
             Select(1);
             Type("КОТЕЛ 1");
             verifyHangsUp(unit, {sim::FaultKind::HangUp, 4, 0xF800, 0xF800, 1, 1},
                           "But_rename_name",
                           "Ошибка обновление папки  КОТЕЛ 1 прибора КВИР-210v1");
         }},
        {"after a failed write nothing replaces memory without a Yes", "510", kEditNotebook510,
         [&](SimulatedInstrument& unit) {
             withArchive = true;
             failWrite(unit);
             const Notebook unwritten = State().notebook();
             const qsizetype lines = Protocol().size();
             dialogs.answer(DialogButton::No);
             Click("But_init_wpad");
             dialogs.answerOpen(PathOf(kBackupName));
             dialogs.answer(DialogButton::No);
             Click("m_open_backup");
             Click("But_archive");
             W<QTableWidget>("Table_snapshots")->setCurrentCell(0, 0);
             dialogs.answer(DialogButton::No);
             Click("But_open_snapshot");
             EXPECT_EQ(dialogs.transcript().filter(replace).size(), 3);
             EXPECT_TRUE(State().unwritten());
             EXPECT_TRUE(SameContents(State().notebook(), unwritten));
             EXPECT_EQ(Writes(unit.simulator), 0);
             EXPECT_EQ(Entries(Protocol().mid(lines)),
                       QStringList{"Прибор КВИР-510v2 подключен " + unit.port});
         }},
        {"No to the connection's question leaves the caption", "510", kEditNotebook510,
         [&](SimulatedInstrument& unit) {
             failWrite(unit);
             PutOnLine(unit.simulator, "210", kEditNotebook210);
             dialogs.answer(DialogButton::No);
             Click("But_conect");
             EXPECT_EQ(dialogs.transcript(), QStringList{replace});
             EXPECT_EQ(Caption(), kModel510);
             EXPECT_TRUE(State().unwritten());
         }},
        {"a 510 backup is not restored into fewer pages", "510", kEditNotebook510,
         [&](SimulatedInstrument& unit) {
             Connect(unit, kModel510);
             WriteFile("A.kvir", EncodeBackup(State().notebook(), clock));
             PutOnLine(unit.simulator, "510",
                       "base 0xF400\nfolder 1 ОБЩАЯ ПАПКА\n"
                       "record 1 2026-04-01 10:00:00 1 19 -5 6.5\n");
             dialogs.answerOpen(PathOf("A.kvir"));
             Click("m_open_backup");
             unit.simulator.clearLog();
             dialogs.clear();
             dialogs.answer(DialogButton::Yes);
             dialogs.answer(DialogButton::Ok);
             Click("But_save_wpad");
             EXPECT_EQ(dialogs.transcript(),
                       (QStringList{kUpdateQuestion,
                                    "ВНИМАНИЕ!|В блокноте прибора меньше места для папок,\r\nчем "
                                    "папок в блокноте консоли\r\nзапись блокнота отменена, ничего "
                                    "не стерто"}));
             EXPECT_EQ(Writes(unit.simulator), 0);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SimulatedInstrument& unit = AddInstrument(c.model, c.notebook);
        Held(unit.simulator);
        c.run(unit);
        EXPECT_TRUE(EveryRecordKept(unit.simulator));
        form.reset();
        dialogs.clear();
        withArchive = false;
        ever.clear();
        parked.clear();
        for (const QString& file : QDir(dir.path()).entryList({"KVIR-*", "*.kvir"}, QDir::Files)) {
            QFile::remove(PathOf(file));
        }
    }
}

}  // namespace
}  // namespace kvir::test
