// Notebook write-back end to end: the whole-notebook write of both models, a model change
// before writing, "Очистить блокнот", a link failure half-way and the recovery, the refusal
// of a notebook too large for its record pages, the backup file and the comparison of the
// notebook read back with the one written.
#include "NotebookEditFixture.h"
#include "TextFiles.h"
#include "common/FileSizeLimit.h"
#include "instrument/Cp1251.h"
#include "instrument/MemoryLayout.h"

#include <functional>

namespace kvir::test {
namespace {

QString CaptionOf(const QString& model) {
    return model == "510" ? kModel510 : kModel210;
}

class WriteBackTest : public NotebookEditFixture {
  public:
    // "Обновить блокнот" answered Yes.
    void Update() {
        dialogs.answer(DialogButton::Yes);
        Click("But_save_wpad");
    }
    int Records() const { return RecordCountOf(State().notebook()); }
};

// ---- Whole-notebook write ------------------------------------------------------------------

TEST_F(WriteBackTest, Model510PacksTheNamedFoldersOntoConsecutivePages) {
    // The common folder, a free page, folder A.
    SimulatedInstrument& instrument = AddInstrument("510",
                                                    "folder 1 ОБЩАЯ ПАПКА\nfolder 3 A\n"
                                                    "record 3 2026-02-01 08:00:00 1 20 100 4\n"
                                                    "record 1 2026-02-02 08:00:00 2 21 0 7\n"
                                                    "record 3 2026-02-03 08:00:00 1 22 -100 9\n");
    Connect(instrument, kModel510);
    Update();
    EXPECT_TRUE(SameMemory(instrument.simulator.memory(),
                           ExpectedMemory("510",
                                          "folder 1 ОБЩАЯ ПАПКА\nfolder 2 A\n"
                                          "record 2 2026-02-01 08:00:00 1 20 100 4\n"
                                          "record 1 2026-02-02 08:00:00 2 21 0 7\n"
                                          "record 2 2026-02-03 08:00:00 1 22 -100 9\n")));
    // Every page is erased before it is filled; the read afterwards lists A second.
    EXPECT_EQ(Folders().mid(0, 3), (QStringList{kCommonFolder, "A", kFreeFolder}));
    // What the instrument holds is read and saved right before it is erased.
    EXPECT_EQ(Tail(Entries(Protocol()), 4),
              (QStringList{"Чтение блокнота из прибора КВИР-510v2 для резервной копии",
                           "Резервная копия блокнота: " + kBackupName,
                           "Чтение блокнота из прибора КВИР-510v2",
                           "Обновление блокнота прибора КВИР-510v2"}));
    EXPECT_EQ(dialogs.transcript(), QStringList{kUpdateQuestion});
    EXPECT_EQ(TableRows().size(), 3);
    ExpectIdle();
}

// A record filed under a free entry (4) keeps a folder of its own: it is no longer dropped.
TEST_F(WriteBackTest, Model210MovesEntriesDownRenumbersAndNamesUnnamedFolders) {
    SimulatedInstrument& instrument = AddInstrument("210",
                                                    "folder 1 ОБЩАЯ ПАПКА\nfolder 2 A\nfolder 5 B\n"
                                                    "record 5 2026-02-01 08:00:00 0 20 100 1\n"
                                                    "record 1 2026-02-02 08:00:00 1 21 50 0.5\n"
                                                    "record 2 2026-02-03 08:00:00 2 22 10 0.1 300\n"
                                                    "record 5 2026-02-04 08:00:00 3 23 20 0.2 400\n"
                                                    "record 4 2026-02-05 08:00:00 1 24 60 0.6\n");
    Connect(instrument, kModel210);
    Update();
    EXPECT_TRUE(SameMemory(instrument.simulator.memory(),
                           ExpectedMemory("210",
                                          "folder 1 ОБЩАЯ ПАПКА\nfolder 2 A\nfolder 3 ПАПКА 4\n"
                                          "folder 4 B\n"
                                          "record 4 2026-02-01 08:00:00 0 20 100 1\n"
                                          "record 1 2026-02-02 08:00:00 1 21 50 0.5\n"
                                          "record 2 2026-02-03 08:00:00 2 22 10 0.1 300\n"
                                          "record 4 2026-02-04 08:00:00 3 23 20 0.2 400\n"
                                          "record 3 2026-02-05 08:00:00 1 24 60 0.6\n")));
    EXPECT_EQ(Folders().mid(0, 5), (QStringList{kCommonFolder, "A", "ПАПКА 4", "B", kFreeFolder}));
    EXPECT_EQ(Records(), 5);
    EXPECT_EQ(dialogs.transcript(), QStringList{kUpdateQuestion}) << "read back as written";
    ExpectIdle();
}

TEST_F(WriteBackTest, FolderWriteOf210RewritesTheDirectoryAndEveryRecord) {
    SimulatedInstrument& instrument = AddInstrument("210", kEditNotebook210);
    Connect(instrument, kModel210);
    // A rename left in memory, then a new folder saved: both reach the instrument.
    Select(1);
    Type("котел 1");
    dialogs.answer(DialogButton::No);
    Click("But_rename_name");
    Type("котел 2");
    dialogs.answer(DialogButton::Yes);
    Click("But_new_name");
    EXPECT_TRUE(SameMemory(
        instrument.simulator.memory(),
        ExpectedMemory("210",
                       QString(kEditNotebook210)
                           .replace("folder 2 КОТЕЛ\n", "folder 2 КОТЕЛ 1\nfolder 3 КОТЕЛ 2\n"))));
    // Identification and the read of what will be erased come first; then the write: mode 1,
    // directory reset (erase and common entry), three named entries, 20 page erases, the
    // first page erased again before its first record, four records, mode 2; then the
    // notebook is read back.
    const QList<int> codes = Codes(instrument.simulator);
    const qsizetype first = codes.indexOf(20);
    const qsizetype last = codes.lastIndexOf(20);
    EXPECT_EQ(codes.mid(first, last - first + 1), QList<int>(2 + 3 + 20 + 1 + 4, 20));
    EXPECT_EQ(codes.value(first - 1), 16);
    EXPECT_EQ(codes.value(last + 1), 16);
    EXPECT_EQ(codes.first(), 15);
    EXPECT_TRUE(codes.mid(1, first - 2).contains(4)) << "the notebook is read before the write";
    EXPECT_TRUE(codes.mid(last + 2).contains(4)) << "and after it";
    EXPECT_EQ(Entries(Protocol()).last(), "Обновление папки  КОТЕЛ 2 прибора КВИР-210v1");
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
        {"whole notebook", [this] { Click("But_save_wpad"); }, kUpdateQuestion,
         "Ошибка обновления блокнота прибора КВИР-510v2"},
        {"one folder",
         [this] {
             Type("пруд");
             Click("But_new_name");
         },
         kSaveQuestion, "Ошибка обновление папки  ПРУД прибора КВИР-510v2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label.toStdString());
        SimulatedInstrument& first = AddInstrument("510", kEditNotebook510);
        SimulatedInstrument& other = AddInstrument("210", kEditNotebook210);
        Connect(first, kModel510);
        const QByteArray before = other.simulator.memory();
        const QStringList folders = Folders();
        SwitchTo(other);
        dialogs.answer(DialogButton::Yes);
        dialogs.answer(DialogButton::Ok);
        dialogs.answer(DialogButton::Ok);
        c.write();
        EXPECT_EQ(
            dialogs.transcript(),
            (QStringList{c.question, "ВНИМАНИЕ!|Изменен тип прибора.\r\nБлокнот обновлен не будет",
                         "ОШИБКА ОБМЕНА!|Ошибка обмена"}));
        EXPECT_EQ(Codes(other.simulator), (QList<int>{0, 15})) << "ping and identification";
        EXPECT_TRUE(SameMemory(other.simulator.memory(), before));
        EXPECT_FALSE(State().connected());
        EXPECT_EQ(Tail(Entries(Protocol()), 2),
                  (QStringList{"Прибор КВИР-510v2 подключен " + other.port, c.failure}));
        // Memory keeps the notebook it read, and the caption its model, so a later write
        // to the other instrument is refused again.
        EXPECT_EQ(Caption(), kModel510);
        EXPECT_EQ(Folders().size(), folders.size());
        EXPECT_EQ(ReadFile(kBackupName), "<missing>");
        ExpectIdle();
        form.reset();
        dialogs.clear();
    }
}

// "Очистить блокнот" initialises whichever instrument is connected, in its own layout and
// without a warning for another model, after saving what it holds.
TEST_F(WriteBackTest, InitialisingSavesTheRecordsFirstWhateverTheModel) {
    const std::pair<QString, QString> cases[] = {{"510", "510"}, {"510", "210"}, {"210", "510"}};
    for (const auto& [from, to] : cases) {
        SCOPED_TRACE((from + " to " + to).toStdString());
        SimulatedInstrument& first =
            AddInstrument(from, from == "510" ? kEditNotebook510 : kEditNotebook210);
        SimulatedInstrument& other =
            from == to ? first
                       : AddInstrument(to, to == "510" ? kEditNotebook510 : kEditNotebook210);
        Connect(first, CaptionOf(from));
        if (&other != &first) {
            SwitchTo(other);
        } else {
            // Any answer but Yes: identification ran, nothing was written.
            dialogs.answer(DialogButton::Cancel);
            Click("But_init_wpad");
            EXPECT_EQ(Codes(other.simulator), QList<int>{15});
            EXPECT_TRUE(State().backups().isEmpty());
            dialogs.clear();
        }
        dialogs.answer(DialogButton::Yes);
        dialogs.answer(DialogButton::Ok);
        Click("But_init_wpad");
        ASSERT_FALSE(State().backups().isEmpty());
        const QString backup = State().backups().last();
        EXPECT_EQ(
            dialogs.transcript(),
            (QStringList{kInitQuestion,
                         "ВНИМАНИЕ!|Записи блокнота сохранены в резервной копии\r\n" + backup}));
        EXPECT_TRUE(
            SameMemory(other.simulator.memory(), ExpectedMemory(to, "folder 1 ОБЩАЯ ПАПКА\n")));
        EXPECT_EQ(Caption(), CaptionOf(to));
        EXPECT_EQ(Folders().size(), to == "510" ? 21 : 25);
        EXPECT_EQ(Folders().first(), kCommonFolder);
        EXPECT_EQ(Records(), 0);
        EXPECT_EQ(
            Tail(Entries(Protocol()), 4),
            (QStringList{"Чтение блокнота из прибора " + CaptionOf(to) + " для резервной копии",
                         "Резервная копия блокнота: " + backup,
                         "Инициализация блокнота прибора  " + CaptionOf(to),
                         "Чтение блокнота из прибора " + CaptionOf(to)}));
        const QString table = QString(backup).replace(".kvir", ".csv");
        EXPECT_EQ(SplitLines(cp1251::Decode(ReadFile(table))).size(), 1 + 4)
            << "the header and the four records";
        EXPECT_EQ(W<QListWidget>("List_name")->currentRow(), 0);
        ExpectIdle();
        form.reset();
        dialogs.clear();
    }
}

TEST_F(WriteBackTest, InitialisingStopsWhenTheNotebookCannotBeSavedFirst) {
    SimulatedInstrument& instrument = AddInstrument("510", kEditNotebook510);
    Connect(instrument, kModel510);
    const QByteArray before = instrument.simulator.memory();
    instrument.simulator.addFault({sim::FaultKind::Failed, 4});
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    Click("But_init_wpad");
    EXPECT_EQ(dialogs.transcript(),
              (QStringList{kInitQuestion, "ОШИБКА ОБМЕНА!|Ошибка выполнения команды"}));
    EXPECT_EQ(instrument.simulator.memory(), before) << "nothing is erased";
    EXPECT_EQ(Tail(Entries(Protocol()), 2),
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
        Connect(instrument, caption);
        Select(c.row);
        Type(c.name);
        dialogs.answer(DialogButton::No);
        Click("But_rename_name");
        instrument.simulator.addFault(c.fault);
        dialogs.clear();
        dialogs.answer(DialogButton::Yes);
        dialogs.answer(DialogButton::Ok);
        Click("But_save_wpad");
        EXPECT_EQ(dialogs.transcript(),
                  (QStringList{kUpdateQuestion, "ОШИБКА ОБМЕНА!|Ошибка выполнения команды"}));
        EXPECT_FALSE(State().connected());
        EXPECT_TRUE(State().unwritten());
        EXPECT_EQ(Entries(Protocol()).last(), "Ошибка обновления блокнота прибора " + caption);
        // Nothing was read over the closed port: the edited notebook is still in memory.
        EXPECT_EQ(Folders().mid(0, 4), c.foldersAfterFailure);
        EXPECT_EQ(Records(), 4);
        EXPECT_EQ(TableRows().size(), 4);
        ExpectIdle();

        instrument.simulator.clearFaults();
        dialogs.clear();
        Update();
        EXPECT_EQ(dialogs.transcript(), QStringList{kUpdateQuestion});
        EXPECT_TRUE(SameMemory(instrument.simulator.memory(), ExpectedMemory(c.model, c.written)));
        // The half-written instrument is read and saved before it is written again.
        EXPECT_EQ(Tail(Entries(Protocol()), 5),
                  (QStringList{"Прибор " + caption + " подключен " + instrument.port,
                               "Чтение блокнота из прибора " + caption + " для резервной копии",
                               "Резервная копия блокнота: " + State().backups().last(),
                               "Чтение блокнота из прибора " + caption,
                               "Обновление блокнота прибора " + caption}));
        EXPECT_TRUE(State().connected());
        EXPECT_FALSE(State().unwritten());
        form.reset();
        dialogs.clear();
    }
}

TEST_F(WriteBackTest, FailedDeleteKeepsMemoryAndTheRereadFollowsOnlyASuccess) {
    SimulatedInstrument& instrument = AddInstrument("210", kEditNotebook210);
    Connect(instrument, kModel210);
    instrument.simulator.addFault({sim::FaultKind::Failed, 20, 0xD000, 0xD000});
    Select(1);
    dialogs.answer(DialogButton::Yes);  // records question
    dialogs.answer(DialogButton::Yes);  // save
    dialogs.answer(DialogButton::Ok);
    Click("Butt_del_name");
    EXPECT_EQ(dialogs.transcript().last(), "ОШИБКА ОБМЕНА!|Ошибка выполнения команды");
    EXPECT_EQ(Folders().mid(0, 3), (QStringList{kCommonFolder, "БАК", kFreeFolder}));
    EXPECT_EQ(Records(), 2);
    EXPECT_EQ(Entries(Protocol()).last(), "Ошибка обновления блокнота прибора КВИР-210v1");

    // After the failure only "Обновить блокнот" writes: the deletion of tagged records is
    // refused before any request, and "Обновить блокнот" then finishes the job; the records
    // the half-written instrument holds beyond memory are saved first, and the operator told.
    instrument.simulator.clearFaults();
    instrument.simulator.clearLog();
    Click("But_sort_date");
    SelectRows(0, 0);
    Click("p_menu_set_del");
    dialogs.clear();
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    Click("But_exe_zap");
    EXPECT_TRUE(dialogs.transcript().last().endsWith("выполните \"Обновить блокнот\""));
    EXPECT_TRUE(instrument.simulator.requestLog().isEmpty());
    dialogs.clear();
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    Click("But_save_wpad");
    EXPECT_EQ(dialogs.transcript().value(1),
              "ВНИМАНИЕ!|В приборе есть записи, которых нет в блокноте консоли: 3.\r\nОни удалены "
              "из прибора и сохранены в резервной копии\r\n" +
                  State().backups().last());
    EXPECT_TRUE(SameMemory(instrument.simulator.memory(),
                           ExpectedMemory("210",
                                          "folder 1 ОБЩАЯ ПАПКА\nfolder 2 БАК\n"
                                          "record 2 2026-06-03 09:14:50 3 39.4 46.3 0.514 12\n")));
    EXPECT_EQ(Entries(Protocol()).last(), "Обновление блокнота прибора КВИР-210v1");
    ExpectIdle();
}

// ---- Notebook too large for the record pages -------------------------------------------------

TEST_F(WriteBackTest, Model210NotebookBeyondItsRecordPagesIsNeverWritten) {
    // 24 records read from one instrument; the other has one record page (base 0xF600): 23.
    QString records;
    for (int k = 1; k <= 24; ++k) {
        records += QStringLiteral("record 1 2026-03-%1 10:00:00 0 20 1 0.5\n")
                       .arg(k, 2, 10, QLatin1Char('0'));
    }
    const QString small23 = "base 0xF600\nfolder 1 ОБЩАЯ ПАПКА\n" + records.section('\n', 0, 22);
    SimulatedInstrument& large = AddInstrument("210", "folder 1 ОБЩАЯ ПАПКА\n" + records);
    SimulatedInstrument& small = AddInstrument("210", small23 + "\n");
    Connect(large, kModel210);
    ASSERT_EQ(Records(), 24);
    SwitchTo(small);
    const QByteArray before = small.simulator.memory();
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    Click("But_save_wpad");
    EXPECT_EQ(dialogs.transcript().value(1),
              "ВНИМАНИЕ!|Записей больше, чем вмещает блокнот прибора\r\nзапись блокнота "
              "отменена, ничего не стерто");
    EXPECT_EQ(Writes(small.simulator), 0) << "what it holds is read, nothing is written";
    EXPECT_TRUE(SameMemory(small.simulator.memory(), before));
    EXPECT_EQ(Records(), 24) << "no reread";

    // A folder edit goes onto what the instrument holds: its own 23 records stay, the
    // operator is told that it differs from what was read.
    Select(2);
    Type("новая");
    dialogs.clear();
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    Click("But_new_name");
    EXPECT_EQ(dialogs.transcript().value(1),
              "ВНИМАНИЕ!|После чтения блокнота прибор изменил его:\r\nзаписей больше нет в "
              "приборе: 1\r\nблокнот прибора перед записью сохранен в резервной копии\r\n" +
                  kBackupName);
    EXPECT_TRUE(SameMemory(small.simulator.memory(),
                           ExpectedMemory("210", small23 + "\nfolder 2 НОВАЯ\n")));
    ExpectIdle();
}

// ---- Backup file -----------------------------------------------------------------------------

TEST_F(WriteBackTest, BackupHoldsTheNotebookInTheExportLayout) {
    SimulatedInstrument& instrument =
        AddInstrument("510",
                      "folder 1 ОБЩАЯ ПАПКА\nfolder 2 A;\"B\"\n"
                      "record 1 2026-03-04 09:12:48 1 23.5 -12.3 5.5\n"
                      "record 2 2026-05-10 00:00:00 3 18.25 105.5 4.25\n");
    Connect(instrument, kModel510);
    W<QLineEdit>("Edit_reg_fam")->setText("Иванов");
    W<QLineEdit>("Edit_reg_name")->setText("Иван");
    W<QLineEdit>("Edit_reg_fas")->setText("Иванович");
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
    Connect(instrument, kModel510);
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    {
        const FileSizeLimit full(100);
        Click("But_save_wpad");
    }
    EXPECT_EQ(dialogs.transcript().last(),
              "ОШИБКА!|Не удалось сохранить резервную копию блокнота\r\n" + kBackupName +
                  "\r\nдиск заполнен\r\n\r\nЗапись в прибор отменена");
    EXPECT_EQ(Writes(instrument.simulator), 0);
    EXPECT_TRUE(State().connected());
    EXPECT_EQ(Tail(Entries(Protocol()), 2),
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
        Connect(instrument, CaptionOf(c.model));
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
        Click("But_save_wpad");
        const QString difference = "Папка «" + c.folder + "»: записи прочитаны с искажениями";
        EXPECT_EQ(dialogs.transcript(),
                  (QStringList{kUpdateQuestion,
                               "ВНИМАНИЕ!|Блокнот, прочитанный из прибора,\r\nотличается от "
                               "записанного:\r\n" +
                                   difference +
                                   "\r\n\r\nЗапись не удалась: выполните \"Обновить блокнот\""}));
        // The write failed: memory keeps what was written, and only a whole write may follow.
        EXPECT_EQ(Tail(Entries(Protocol()), 2),
                  (QStringList{"Блокнот прибора отличается от записанного: " + difference,
                               "Ошибка обновления блокнота прибора " + CaptionOf(c.model)}));
        EXPECT_TRUE(State().unwritten());
        instrument.simulator.setRequestObserver({});
        form.reset();
        dialogs.clear();
    }
}

}  // namespace
}  // namespace kvir::test
