// Notebook write-back end to end: the whole-notebook write of both models, a model change
// before writing, "Очистить блокнот", a link failure half-way and the recovery, the refusal
// of a notebook too large for its record pages, the backup file and the comparison of the
// notebook read back with the one written.
#include "NotebookEditFixture.h"
#include "TextFiles.h"
#include "common/FileSizeLimit.h"
#include "instrument/Cp1251.h"
#include "instrument/MemoryLayout.h"

#include <QComboBox>
#include <QDir>

#include <functional>

namespace kvir::test {
namespace {

const QString kUpdateQuestion =
    "ВНИМАНИЕ!|Блокнот будет очищен\r\nи заполнен данными из редактора блокнота\r\n\r\n"
    "          Обновить блокнот?";
const QString kInitQuestion =
    "ВНИМАНИЕ!|Операция восстановления структуры блокнота.\r\nБудут удалены все записи и "
    "папки блокнота\r\nЗаведена пустая \"ОБЩАЯ ПАПКА\"\r\n\r\n       Очистить блокнот?";

QString CaptionOf(const QString& model) {
    return model == "510" ? kModel510 : kModel210;
}

class WriteBackTest : public NotebookEditFixture {
  public:
    // "Обновить блокнот" answered Yes.
    void Update() {
        dialogs.answer(DialogButton::Yes);
        form->But_save_wpadClick();
    }

    // The console's port box names `instrument`, and the link is closed.
    void SwitchTo(const SimulatedInstrument& instrument) {
        form->link().ClosePort();
        form->ComboBox1->setEditText(instrument.port);
    }

    // Copies record slot `from` into slot `to` of the console's notebook.
    void CopySlot(int from, int to) {
        CopyRecordSlot(form->notebook(), from, form->notebook(), to);
    }
};

// ---- Whole-notebook write ------------------------------------------------------------------

TEST_F(WriteBackTest, Model510PacksTheNamedFoldersOntoConsecutivePages) {
    // The common folder, a free page, folder A.
    SimulatedInstrument& instrument = AddInstrument("510",
                                                    "folder 1 ОБЩАЯ ПАПКА\nfolder 3 A\n"
                                                    "record 3 2026-02-01 08:00:00 1 20 100 4\n"
                                                    "record 1 2026-02-02 08:00:00 2 21 0 7\n"
                                                    "record 3 2026-02-03 08:00:00 1 22 -100 9\n");
    TGround_form& f = Connect(instrument, kModel510);
    Update();
    EXPECT_TRUE(SameMemory(instrument.simulator.memory(),
                           ExpectedMemory("510",
                                          "folder 1 ОБЩАЯ ПАПКА\nfolder 2 A\n"
                                          "record 2 2026-02-01 08:00:00 1 20 100 4\n"
                                          "record 1 2026-02-02 08:00:00 2 21 0 7\n"
                                          "record 2 2026-02-03 08:00:00 1 22 -100 9\n")));
    // Every page is erased before it is filled; the read afterwards lists A second.
    EXPECT_EQ(Folders().mid(0, 3), (QStringList{kCommonFolder, "A", kFreeFolder}));
    EXPECT_EQ(Tail(Entries(f.protocolLines()), 3),
              (QStringList{"Резервная копия блокнота: " + kBackupName,
                           "Обновление блокнота прибора КВИР-510v2",
                           "Чтение блокнота из прибора КВИР-510v2"}));
    EXPECT_EQ(dialogs.transcript(), QStringList{kUpdateQuestion});
    EXPECT_EQ(TableRows().size(), 3);
    ExpectIdle();
}

TEST_F(WriteBackTest, Model210MovesEntriesDownRenumbersAndDropsVanishedFolders) {
    SimulatedInstrument& instrument =
        AddInstrument("210",
                      "folder 1 ОБЩАЯ ПАПКА\nfolder 2 A\nfolder 5 B\n"
                      "record 5 2026-02-01 08:00:00 0 20 100 1\n"
                      "record 1 2026-02-02 08:00:00 1 21 50 0.5\n"
                      "record 2 2026-02-03 08:00:00 2 22 10 0.1 300\n"
                      "record 5 2026-02-04 08:00:00 3 23 20 0.2 400\n");
    TGround_form& f = Connect(instrument, kModel210);
    // A record of folder 4, a free entry beyond the three named folders.
    CopySlot(1, 4);
    f.notebook().folderNo[4] = 4;
    Update();
    EXPECT_TRUE(SameMemory(instrument.simulator.memory(),
                           ExpectedMemory("210",
                                          "folder 1 ОБЩАЯ ПАПКА\nfolder 2 A\nfolder 3 B\n"
                                          "record 3 2026-02-01 08:00:00 0 20 100 1\n"
                                          "record 1 2026-02-02 08:00:00 1 21 50 0.5\n"
                                          "record 2 2026-02-03 08:00:00 2 22 10 0.1 300\n"
                                          "record 3 2026-02-04 08:00:00 3 23 20 0.2 400\n")));
    EXPECT_EQ(Folders().mid(0, 4), (QStringList{kCommonFolder, "A", "B", kFreeFolder}));
    EXPECT_EQ(RecordCount(f.notebook()), 4);
    EXPECT_EQ(dialogs.transcript(), QStringList{kUpdateQuestion}) << "read back as written";
    ExpectIdle();
}

TEST_F(WriteBackTest, FolderWriteOf210RewritesTheDirectoryAndEveryRecord) {
    SimulatedInstrument& instrument = AddInstrument("210", kEditNotebook210);
    TGround_form& f = Connect(instrument, kModel210);
    // A rename left in memory, then a new folder saved: both reach the instrument.
    Select(1);
    Type("котел 1");
    dialogs.answer(DialogButton::No);
    f.But_rename_nameClick();
    Type("котел 2");
    dialogs.answer(DialogButton::Yes);
    f.But_new_nameClick();
    EXPECT_TRUE(SameMemory(
        instrument.simulator.memory(),
        ExpectedMemory("210",
                       QString(kEditNotebook210)
                           .replace("folder 2 КОТЕЛ\n", "folder 2 КОТЕЛ 1\nfolder 3 КОТЕЛ 2\n"))));
    // Mode 1, directory reset (erase and common entry), three named entries, 20 page erases,
    // the first page erased again before its first record, four records, mode 2.
    QList<int> codes{15, 16};
    for (int k = 0; k < 2 + 3 + 20 + 1 + 4; ++k) {
        codes << 20;
    }
    codes << 16;
    EXPECT_EQ(Codes(instrument.simulator), codes);
    EXPECT_EQ(Entries(f.protocolLines()).last(), "Обновление папки  КОТЕЛ 2 прибора КВИР-210v1");
}

// ---- Model change, initialisation ------------------------------------------------------------

TEST_F(WriteBackTest, AnotherModelConnectedBeforeWritingGetsNothing) {
    struct Case {
        QString label;
        std::function<void()> write;  // the operator's action, its first question answered Yes
        QString question;
        QString failure;
    };
    const Case cases[] = {
        {"whole notebook", [this] { form->But_save_wpadClick(); }, kUpdateQuestion,
         "Ошибка обновления блокнота прибора КВИР-510v2"},
        {"one folder",
         [this] {
             Type("пруд");
             form->But_new_nameClick();
         },
         "Предупреждение|Сохранить изменения в блокноте прибора?",
         "Ошибка обновление папки  ПРУД прибора КВИР-510v2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label.toStdString());
        SimulatedInstrument& first = AddInstrument("510", kEditNotebook510);
        SimulatedInstrument& other = AddInstrument("210", kEditNotebook210);
        TGround_form& f = Connect(first, kModel510);
        const QByteArray before = other.simulator.memory();
        const QStringList folders = Folders();
        SwitchTo(other);
        dialogs.answer(DialogButton::Yes);
        dialogs.answer(DialogButton::Ok);
        dialogs.answer(DialogButton::Ok);
        c.write();
        QStringList expected{c.question};
        expected << "ВНИМАНИЕ!|Изменен тип прибора.\r\nБлокнот обновлен не будет"
                 << "ОШИБКА ОБМЕНА!|Ошибка обмена";
        EXPECT_EQ(dialogs.transcript(), expected);
        EXPECT_EQ(Codes(other.simulator), (QList<int>{0, 15})) << "ping and identification";
        EXPECT_TRUE(SameMemory(other.simulator.memory(), before));
        EXPECT_FALSE(f.link().isOpen());
        EXPECT_EQ(Tail(Entries(f.protocolLines()), 2),
                  (QStringList{"Прибор КВИР-510v2 подключен " + other.port, c.failure}));
        // Memory keeps the notebook it read, and the caption its model, so a later write
        // to the other instrument is refused again.
        EXPECT_EQ(f.caption(), kModel510);
        EXPECT_EQ(Folders().size(), folders.size());
        EXPECT_EQ(ReadFile(kBackupName), "<missing>");
        ExpectIdle();
        form.reset();
        realLink.ClosePort();
        dialogs.clear();
    }
}

TEST_F(WriteBackTest, InitialisingAnotherModelUsesItsOwnLayoutWithoutWarning) {
    struct Case {
        QString from, to;
        QString empty;  // the initialised notebook
        int folders;
    };
    const Case cases[] = {
        {"510", "210", "folder 1 ОБЩАЯ ПАПКА\n", 25},
        {"210", "510", "folder 1 ОБЩАЯ ПАПКА\n", 21},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to.toStdString());
        SimulatedInstrument& first =
            AddInstrument(c.from, c.from == "510" ? kEditNotebook510 : kEditNotebook210);
        SimulatedInstrument& other =
            AddInstrument(c.to, c.to == "510" ? kEditNotebook510 : kEditNotebook210);
        TGround_form& f = Connect(first, CaptionOf(c.from));
        SwitchTo(other);
        dialogs.answer(DialogButton::Yes);
        dialogs.answer(DialogButton::Ok);
        f.But_init_wpadClick();
        // The connected instrument's own records are read and saved before they are erased.
        ASSERT_FALSE(f.session().backups().isEmpty());
        const QString backup = f.session().backups().last();
        EXPECT_EQ(
            dialogs.transcript(),
            (QStringList{kInitQuestion,
                         "ВНИМАНИЕ!|Записи блокнота сохранены в резервной копии\r\n" + backup}));
        EXPECT_TRUE(SameMemory(other.simulator.memory(), ExpectedMemory(c.to, c.empty)));
        EXPECT_EQ(f.caption(), CaptionOf(c.to));
        EXPECT_EQ(Folders().size(), c.folders);
        EXPECT_EQ(Folders().first(), kCommonFolder);
        EXPECT_EQ(RecordCount(f.notebook()), 0);
        EXPECT_EQ(Tail(Entries(f.protocolLines()), 2),
                  (QStringList{"Инициализация блокнота прибора  " + CaptionOf(c.to),
                               "Чтение блокнота из прибора " + CaptionOf(c.to)}));
        const QString table = QString(backup).replace(".kvir", ".csv");
        EXPECT_EQ(SplitLines(cp1251::Decode(ReadFile(table))).size(), 1 + 4)
            << "the header and the four records";
        EXPECT_EQ(f.List_name->currentRow(), 0);
        ExpectIdle();
        form.reset();
        realLink.ClosePort();
        dialogs.clear();
    }
}

TEST_F(WriteBackTest, InitialisingTheSameModelSavesTheRecordsFirst) {
    SimulatedInstrument& instrument = AddInstrument("510", kEditNotebook510);
    TGround_form& f = Connect(instrument, kModel510);
    // Any answer but Yes: identification ran, nothing was written.
    dialogs.answer(DialogButton::Cancel);
    f.But_init_wpadClick();
    EXPECT_EQ(Codes(instrument.simulator), QList<int>{15});
    EXPECT_EQ(ReadFile(kBackupName), "<missing>");

    dialogs.clear();
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    f.But_init_wpadClick();
    EXPECT_EQ(dialogs.transcript(), (QStringList{kInitQuestion,
                                                 "ВНИМАНИЕ!|Записи блокнота сохранены в резервной "
                                                 "копии\r\n" +
                                                     kBackupName}));
    EXPECT_EQ(SplitLines(cp1251::Decode(ReadFile(kBackupTable))).size(), 1 + 4);
    EXPECT_TRUE(
        SameMemory(instrument.simulator.memory(), ExpectedMemory("510", "folder 1 ОБЩАЯ ПАПКА\n")));
    EXPECT_TRUE(Entries(f.protocolLines()).contains("Резервная копия блокнота: " + kBackupName));
    ExpectIdle();
}

TEST_F(WriteBackTest, InitialisingStopsWhenTheNotebookCannotBeSavedFirst) {
    SimulatedInstrument& instrument = AddInstrument("510", kEditNotebook510);
    TGround_form& f = Connect(instrument, kModel510);
    // A new connection: what the instrument holds must be read again before erasing.
    SwitchTo(instrument);
    const QByteArray before = instrument.simulator.memory();
    instrument.simulator.addFault({sim::FaultKind::Failed, 4});
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    f.But_init_wpadClick();
    EXPECT_EQ(dialogs.transcript(),
              (QStringList{kInitQuestion, "ОШИБКА ОБМЕНА!|Ошибка выполнения команды"}));
    EXPECT_EQ(instrument.simulator.memory(), before) << "nothing is erased";
    EXPECT_EQ(Tail(Entries(f.protocolLines()), 2),
              (QStringList{"Ошибка чтения блокнота из прибора КВИР-510v2",
                           "Ошибка инициализации блокнота прибора КВИР-510v2"}));
    EXPECT_EQ(ReadFile(kBackupName), "<missing>");
    ExpectIdle();
}

// ---- Link failure half-way, and recovery -----------------------------------------------------

TEST_F(WriteBackTest, FailedWriteKeepsTheEditsAndUpdateFinishesItAfterReconnecting) {
    struct Case {
        QString model;
        QString notebook;
        int row;
        QString name;
        sim::Fault fault;
        QStringList foldersAfterFailure;  // the first four entries
        QString written;
    };
    const int page2 = 0xD000 + 2 * 512;
    const int recordPage1 = 0xD000 + 512;
    const Case cases[] = {
        {"510",
         kEditNotebook510,
         1,
         "ручей",
         {sim::FaultKind::Failed, 18, page2, page2},
         {kCommonFolder, "РУЧЕЙ", kFreeFolder, "ОЗЕРО"},
         "folder 1 ОБЩАЯ ПАПКА\nfolder 2 РУЧЕЙ\nfolder 3 ОЗЕРО\n" +
             QString(kEditNotebook510).section('\n', 3).replace("record 4", "record 3")},
        // The "КВИР-210v1" packed its folder list before the first request.
        {"210",
         kEditNotebook210,
         3,
         "цистерна",
         {sim::FaultKind::Failed, 20, recordPage1, recordPage1},
         {kCommonFolder, "КОТЕЛ", "ЦИСТЕРНА", kFreeFolder},
         "folder 1 ОБЩАЯ ПАПКА\nfolder 2 КОТЕЛ\nfolder 3 ЦИСТЕРНА\n" +
             QString(kEditNotebook210).section('\n', 3).replace("record 4", "record 3")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model.toStdString());
        SimulatedInstrument& instrument = AddInstrument(c.model, c.notebook);
        const QString caption = CaptionOf(c.model);
        TGround_form& f = Connect(instrument, caption);
        Select(c.row);
        Type(c.name);
        dialogs.answer(DialogButton::No);
        f.But_rename_nameClick();
        instrument.simulator.addFault(c.fault);
        dialogs.clear();
        dialogs.answer(DialogButton::Yes);
        dialogs.answer(DialogButton::Ok);
        f.But_save_wpadClick();
        EXPECT_EQ(dialogs.transcript(),
                  (QStringList{kUpdateQuestion, "ОШИБКА ОБМЕНА!|Ошибка выполнения команды"}));
        EXPECT_FALSE(f.link().isOpen());
        EXPECT_EQ(Entries(f.protocolLines()).last(),
                  "Ошибка обновления блокнота прибора " + caption);
        // Nothing was read over the closed port: the edited notebook is still in memory.
        EXPECT_EQ(Folders().mid(0, 4), c.foldersAfterFailure);
        EXPECT_EQ(RecordCount(f.notebook()), 4);
        EXPECT_EQ(TableRows().size(), 4);
        ExpectIdle();

        instrument.simulator.clearFaults();
        dialogs.clear();
        Update();
        EXPECT_EQ(dialogs.transcript(), QStringList{kUpdateQuestion});
        EXPECT_TRUE(SameMemory(instrument.simulator.memory(), ExpectedMemory(c.model, c.written)));
        // The half-written instrument is read and saved before it is written again.
        EXPECT_EQ(Tail(Entries(f.protocolLines()), 5),
                  (QStringList{"Прибор " + caption + " подключен " + instrument.port,
                               "Чтение блокнота из прибора " + caption + " для резервной копии",
                               "Резервная копия блокнота: " + f.session().backups().last(),
                               "Обновление блокнота прибора " + caption,
                               "Чтение блокнота из прибора " + caption}));
        EXPECT_TRUE(f.link().isOpen());
        form.reset();
        realLink.ClosePort();
        dialogs.clear();
    }
}

TEST_F(WriteBackTest, FailedDeleteKeepsMemoryAndTheRereadFollowsOnlyASuccess) {
    SimulatedInstrument& instrument = AddInstrument("210", kEditNotebook210);
    TGround_form& f = Connect(instrument, kModel210);
    instrument.simulator.addFault({sim::FaultKind::Failed, 20, 0xD000, 0xD000});
    Select(1);
    dialogs.answer(DialogButton::Yes);  // records question
    dialogs.answer(DialogButton::Yes);  // save
    dialogs.answer(DialogButton::Ok);
    f.Butt_del_nameClick();
    EXPECT_EQ(dialogs.transcript().last(), "ОШИБКА ОБМЕНА!|Ошибка выполнения команды");
    EXPECT_EQ(Folders().mid(0, 3), (QStringList{kCommonFolder, "БАК", kFreeFolder}));
    EXPECT_EQ(RecordCount(f.notebook()), 2);
    EXPECT_FALSE(Entries(f.protocolLines()).last().startsWith("Чтение"));

    // The deletion of tagged records goes the same way.
    dialogs.clear();
    dialogs.answer(DialogButton::Ok);
    EXPECT_FALSE(f.WriteNotebook());
    instrument.simulator.clearFaults();
    EXPECT_TRUE(f.WriteNotebook());
    EXPECT_TRUE(SameMemory(instrument.simulator.memory(),
                           ExpectedMemory("210",
                                          "folder 1 ОБЩАЯ ПАПКА\nfolder 2 БАК\n"
                                          "record 1 2026-11-08 10:00:00 2 21.3 117 1.3 2350\n"
                                          "record 2 2026-06-03 09:14:50 3 39.4 46.3 0.514 12\n")));
    EXPECT_EQ(Entries(f.protocolLines()).last(), "Чтение блокнота из прибора КВИР-210v1");
    ExpectIdle();
}

// ---- Notebook too large for the record pages -------------------------------------------------

TEST_F(WriteBackTest, Model210NotebookBeyondItsRecordPagesIsRefusedBeforeAnyRequest) {
    // One record page (base 0xF600): 23 records.
    QString notebook = "base 0xF600\nfolder 1 ОБЩАЯ ПАПКА\n";
    for (int k = 1; k <= 23; ++k) {
        notebook += QStringLiteral("record 1 2026-03-%1 10:00:00 0 20 1 0.5\n")
                        .arg(k, 2, 10, QLatin1Char('0'));
    }
    SimulatedInstrument& instrument = AddInstrument("210", notebook);
    TGround_form& f = Connect(instrument, kModel210);
    ASSERT_EQ(RecordCount(f.notebook()), 23);
    CopySlot(0, 23);
    const QByteArray before = instrument.simulator.memory();
    const QString tooMany =
        "ОШИБКА ОБМЕНА!|Записей больше, чем вмещает блокнот прибора\r\n"
        "запись блокнота отменена";
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    f.But_save_wpadClick();
    EXPECT_EQ(dialogs.transcript(), (QStringList{kUpdateQuestion, tooMany}));
    Select(2);
    Type("новая");
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    f.But_new_nameClick();
    EXPECT_EQ(dialogs.transcript().last(), tooMany);

    EXPECT_EQ(Codes(instrument.simulator), (QList<int>{15, 15})) << "identification only";
    EXPECT_TRUE(SameMemory(instrument.simulator.memory(), before));
    EXPECT_TRUE(f.link().isOpen());
    EXPECT_EQ(RecordCount(f.notebook()), 24) << "no reread";
    const QStringList entries = Entries(f.protocolLines());
    EXPECT_TRUE(entries.contains("Ошибка обновления блокнота прибора КВИР-210v1"));
    EXPECT_EQ(entries.last(), "Ошибка обновление папки  НОВАЯ прибора КВИР-210v1");
    ExpectIdle();
}

// ---- Backup file -----------------------------------------------------------------------------

TEST_F(WriteBackTest, BackupHoldsTheNotebookInTheExportLayout) {
    SimulatedInstrument& instrument =
        AddInstrument("510",
                      "folder 1 ОБЩАЯ ПАПКА\nfolder 2 A;\"B\"\n"
                      "record 1 2026-03-04 09:12:48 1 23.5 -12.3 5.5\n"
                      "record 2 2026-05-10 00:00:00 3 18.25 105.5 4.25\n");
    TGround_form& f = Connect(instrument, kModel510);
    f.Edit_reg_fam->setText("Иванов");
    f.Edit_reg_name->setText("Иван");
    f.Edit_reg_fas->setText("Иванович");
    Update();
    const QByteArray expected = EncodeLines({
        "Папка           ;Дата/Время          ;Режим ;Т[С]    ;ЭДС[мВ]  ;pH      ;pH25    ;"
        "Пользователь                ;",
        "ОБЩАЯ ПАПКА;04.03.2026 9:12:48;pH;23,50;-12,30;5,5000;5,5000;Иванов Иван Иванович;",
        "\"A;\"\"B\"\"\";10.05.2026;mV;18,25;105,50;4,2500;4,2500;Иванов Иван Иванович;",
    });
    EXPECT_EQ(ReadFile(kBackupTable), expected);
    EXPECT_TRUE(expected.startsWith("\xCF\xE0\xEF\xEA\xE0 ") && expected.endsWith(";\r\n"))
        << "Windows-1251, CR LF";
}

TEST_F(WriteBackTest, BackupThatCannotBeWrittenStopsTheWrite) {
    SimulatedInstrument& instrument = AddInstrument("510", kEditNotebook510);
    TGround_form& f = Connect(instrument, kModel510);
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    {
        const FileSizeLimit full(100);
        f.But_save_wpadClick();
    }
    EXPECT_EQ(dialogs.transcript().last(),
              "ОШИБКА!|Не удалось сохранить резервную копию блокнота\r\n" + kBackupName +
                  "\r\nдиск заполнен\r\n\r\nЗапись в прибор отменена");
    EXPECT_EQ(Codes(instrument.simulator), QList<int>{15});
    EXPECT_TRUE(f.link().isOpen());
    EXPECT_EQ(Tail(Entries(f.protocolLines()), 2),
              (QStringList{"Ошибка записи резервной копии блокнота: " + kBackupName,
                           "Ошибка обновления блокнота прибора КВИР-510v2"}));
    ExpectIdle();
}

// ---- Comparison after the write --------------------------------------------------------------

TEST_F(WriteBackTest, RecordChangedBetweenWriteAndRereadIsReported) {
    struct Case {
        QString model;
        QString notebook;
        int code;
        int recordStart;  // the record whose value 1 the instrument garbles once written
        QString folder;
    };
    const NotebookLayout& pages510 = *LayoutOf(DeviceModel::Ph510);
    const NotebookLayout& pages210 = *LayoutOf(DeviceModel::Conc210);
    const Case cases[] = {
        {"510", kEditNotebook510, 18, 0xD000 + 512 + pages510.firstRecord, "РЕКА"},
        {"210", kEditNotebook210, 20, 0xD000, "КОТЕЛ"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model.toStdString());
        SimulatedInstrument& instrument = AddInstrument(c.model, c.notebook);
        TGround_form& f = Connect(instrument, CaptionOf(c.model));
        const int value1 = (c.model == "510" ? pages510 : pages210).record.value1;
        sim::Simulator* simulator = &instrument.simulator;
        instrument.simulator.setRequestObserver(
            [simulator, c, value1](const sim::LoggedRequest& request) {
                if (request.code == c.code && request.start == c.recordStart &&
                    !request.data.isEmpty()) {
                    QByteArray garbled(4, '\0');
                    putF32le(garbled, 0, 99.5f);
                    simulator->writeMemory(c.recordStart + value1, garbled);
                }
            });
        dialogs.answer(DialogButton::Yes);
        dialogs.answer(DialogButton::Ok);
        f.But_save_wpadClick();
        const QString difference = "Папка «" + c.folder + "»: записи прочитаны с искажениями";
        EXPECT_EQ(dialogs.transcript(),
                  (QStringList{kUpdateQuestion,
                               "ВНИМАНИЕ!|Блокнот, прочитанный из прибора,\r\nотличается от "
                               "записанного:\r\n" +
                                   difference}));
        EXPECT_EQ(Entries(f.protocolLines()).last(),
                  "Блокнот прибора отличается от записанного: " + difference);
        instrument.simulator.setRequestObserver({});
        form.reset();
        realLink.ClosePort();
        dialogs.clear();
    }
}

}  // namespace
}  // namespace kvir::test
