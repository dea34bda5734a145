// The folder editor: the name rules, the button states, and every edit answered Yes and No
// against simulated instruments of both models, compared byte by byte with the memory the
// edited notebook should leave.
#include "FolderNames.h"
#include "NotebookEditFixture.h"

#include "instrument/Cp1251.h"

#include <QApplication>
#include <QMouseEvent>
#include <QRegularExpression>

#include <functional>

namespace kvir::test {
namespace {

// ---- Name rules ------------------------------------------------------------------------------

TEST(FolderNameRules, TypedNamesAreCheckedInTheirStoredForm) {
    const QStringList folders{kCommonFolder, kFreeFolder, QStringLiteral("РЕКА")};
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    struct Case {
        QString typed;
        QString stored;
        FolderNameVerdict verdict;
    };
    const Case cases[] = {
        {"абвгдежзиклмнопр", "АБВГДЕЖЗИКЛМНОПР", FolderNameVerdict::Ok},           // 16
        {"абвгдежзиклмнопрс", "АБВГДЕЖЗИКЛМНОПРС", FolderNameVerdict::BadLength},  // 17
        {"", "", FolderNameVerdict::BadLength},
        {"озеро", "ОЗЕРО", FolderNameVerdict::Ok},
        {"река", "РЕКА", FolderNameVerdict::Exists},  // also: renaming РЕКА to its own name
        {" река", " РЕКА", FolderNameVerdict::Ok},    // a leading blank counts
        {"река ", "РЕКА ", FolderNameVerdict::Ok},
        {"общая папка", "ОБЩАЯ ПАПКА", FolderNameVerdict::Exists},
        {"заря", "ЗАРЯ", FolderNameVerdict::Ok},  // "я" would be 0xFF, which ends a name
        {"ёлка №1", "ЁЛКА №1", FolderNameVerdict::Ok},
        {"µ", "Μ", FolderNameVerdict::BadCharacter},  // upper case leaves Windows-1251
        {"漢字", "漢字", FolderNameVerdict::BadCharacter},
        {"a\tb", "A\tB", FolderNameVerdict::BadCharacter},
        {"abc\r", "ABC\r", FolderNameVerdict::BadCharacter},  // CR ends a directory entry
    };
    for (const Case& c : cases) {
        const QString stored = FolderNameFromField(c.typed, russian);
        EXPECT_EQ(stored, c.stored) << c.typed.toStdString();
        EXPECT_EQ(CheckFolderName(stored, folders), c.verdict) << c.typed.toStdString();
    }
    // The one character whose byte ends a name never survives the upper-casing.
    EXPECT_FALSE(cp1251::Encode(FolderNameFromField("яя", russian)).contains('\xFF'));
    EXPECT_EQ(CheckFolderName(QStringLiteral("Я\u044F"), folders), FolderNameVerdict::BadCharacter);
}

// ---- The page -------------------------------------------------------------------------------

class FolderEditorTest : public NotebookEditFixture {
  protected:
    struct Buttons {
        bool create, rename, remove, clear, all;
        friend bool operator==(const Buttons&, const Buttons&) = default;
    };
    Buttons States() const {
        const auto on = [this](const char* name) { return W<QPushButton>(name)->isEnabled(); };
        return {on("But_new_name"), on("But_rename_name"), on("Butt_del_name"),
                on("Butt_clear_papka"), on("Butt_clear_all")};
    }
    QString Field() const { return W<QLineEdit>("edit_name")->text(); }
    // A mouse click on entry `row` of the folder list (on its empty space for -1).
    void ClickList(int row) {
        auto* list = W<QListWidget>("List_name");
        const QPointF at =
            row < 0 ? QPointF(5, 5) : QPointF(list->visualItemRect(list->item(row)).center());
        QMouseEvent release(QEvent::MouseButtonRelease, at, list->viewport()->mapToGlobal(at),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &release);
        Settle();
    }
};

TEST_F(FolderEditorTest, EmptyFolderListDisablesTheEditsAndOffersToRead) {
    SimulatedInstrument& instrument = AddInstrument("510", kEditNotebook510);
    WriteSettingsFor(instrument.port, 1, false, kModel510);
    StartWithProgress();
    // By menu and by button, the page offers to read the notebook.
    dialogs.answer(DialogButton::No);
    dialogs.answer(DialogButton::Cancel);
    Click("m_contr_papka");
    Click("But_contr_papka");
    const QString offer = "ВНИМАНИЕ!|Отсутствует информация о блокоте\r\nхотите прочитать блокнот?";
    EXPECT_EQ(dialogs.transcript(), (QStringList{offer, offer}));
    EXPECT_EQ(dialogs.calls().at(0).buttons, DialogButtons::YesNoCancel);
    EXPECT_EQ(States(), (Buttons{false, false, false, false, false}));
    EXPECT_TRUE(instrument.simulator.requestLog().isEmpty());

    dialogs.answer(DialogButton::Yes);
    ClickList(-1);
    EXPECT_EQ(Folders().size(), 21) << "Yes connects and reads";
    EXPECT_EQ(dialogs.calls().size(), 3u);
}

TEST_F(FolderEditorTest, ButtonsFollowTheSelectedEntry) {
    SimulatedInstrument& instrument = AddInstrument("510", kEditNotebook510);
    Connect(instrument, kModel510);
    struct Case {
        int row;
        Buttons buttons;
        QString field;
    };
    const Case cases[] = {
        {1, {true, true, true, true, true}, "РЕКА"},
        {0, {true, false, false, true, true}, ""},
        {2, {true, false, false, false, true}, ""},
        {3, {true, true, true, true, true}, "ОЗЕРО"},
    };
    for (const Case& c : cases) {
        Type("typed");
        Select(c.row);
        EXPECT_EQ(States(), c.buttons) << c.row;
        EXPECT_EQ(Field(), c.field) << c.row;
    }
    // A click on the entry already selected runs the action too.
    Type("typed");
    ClickList(3);
    EXPECT_EQ(Field(), "ОЗЕРО");
    EXPECT_TRUE(dialogs.calls().empty());
}

TEST_F(FolderEditorTest, RefusedNamesChangeNothing) {
    SimulatedInstrument& instrument = AddInstrument("510", kEditNotebook510);
    Connect(instrument, kModel510);
    const QStringList before = Folders();
    struct Case {
        int row;
        bool rename;
        QString typed;
        QString message;
    };
    const Case cases[] = {
        {0, false, "абвгдежзиклмнопрс", "Имя папки не более 16 символов"},
        {3, false, "", "Имя папки не более 16 символов"},
        {0, false, "река", "Папка с таким именем существует"},
        {0, false, "общая папка", "Папка с таким именем существует"},
        {1, true, "река", "Папка с таким именем существует"},
        {1, true, "abc\u20AC\u0100",
         "Имя папки содержит недопустимые символы\r\n"
         "(допустимы буквы, цифры, пробел и знаки препинания)"},
    };
    for (const Case& c : cases) {
        dialogs.clear();
        Select(c.row);
        Type(c.typed);
        dialogs.answer(DialogButton::Ok);
        Click(c.rename ? "But_rename_name" : "But_new_name");
        EXPECT_EQ(dialogs.transcript(), QStringList{"ОШИБКА!|" + c.message})
            << c.typed.toStdString();
        EXPECT_EQ(Folders(), before);
        // Create moves the selection to the first free entry even when it refuses the name.
        EXPECT_EQ(W<QListWidget>("List_name")->currentRow(), c.rename ? c.row : 2);
    }
    EXPECT_FALSE(Entries(Protocol()).last().startsWith("Создание"));
    EXPECT_TRUE(instrument.simulator.requestLog().isEmpty());
}

TEST_F(FolderEditorTest, CreateWithEveryFolderUsedIsRefused) {
    SimulatedInstrument& instrument = AddSample("510", "510-full");
    Connect(instrument, kModel510);
    Select(0);
    Type("новая");
    dialogs.answer(DialogButton::Ok);
    Click("But_new_name");
    EXPECT_EQ(dialogs.transcript(), QStringList{"ОШИБКА!|Блокнот переполнен"});
}

TEST_F(FolderEditorTest, EmptyFolderIsDeletedWithoutTheRecordsQuestion) {
    SimulatedInstrument& instrument = AddInstrument("210", kEditNotebook210);
    Connect(instrument, kModel210);
    Select(5);
    Type("пусто");
    dialogs.answer(DialogButton::No);
    Click("But_new_name");
    EXPECT_EQ(W<QListWidget>("List_name")->currentRow(), 2)
        << "the first free entry, not the selected one";
    EXPECT_EQ(Field(), "ПУСТО");
    dialogs.clear();
    dialogs.answer(DialogButton::No);
    Click("Butt_del_name");
    EXPECT_EQ(dialogs.transcript(), QStringList{kSaveQuestion});
    EXPECT_EQ(Folders().at(2), kFreeFolder);
    EXPECT_EQ(Tail(Entries(Protocol()), 2),
              (QStringList{"Создание новой папки ПУСТО", "Удаление папки ПУСТО"}));
    // Any answer but Yes to the records question stops a delete before anything changes.
    Select(1);
    dialogs.clear();
    dialogs.answer(DialogButton::Cancel);
    Click("Butt_del_name");
    EXPECT_EQ(dialogs.transcript(), QStringList{kRecordsQuestion});
    EXPECT_EQ(Folders().at(1), "КОТЕЛ");
    EXPECT_EQ(RecordCountOf(State().notebook()), 4);
    EXPECT_TRUE(instrument.simulator.requestLog().isEmpty());
}

// Enter answers No to every question whose Yes erases something in the instrument or loses
// what memory holds.
TEST_F(FolderEditorTest, QuestionsThatEraseDefaultToNo) {
    SimulatedInstrument& instrument = AddInstrument("510", kEditNotebook510);
    Connect(instrument, kModel510);
    struct Case {
        const char* button;
        int row;
        QStringList questions;  // every question asked, each answered No
    };
    const Case cases[] = {
        {"But_init_wpad", 0, {kInitQuestion}},
        {"But_save_wpad", 0, {kUpdateQuestion}},
        {"Butt_del_name", 1, {kRecordsQuestion}},
        {"Butt_clear_papka", 1, {kSaveQuestion}},
    };
    for (const Case& c : cases) {
        dialogs.clear();
        Select(c.row);
        for (qsizetype k = 0; k < c.questions.size(); ++k) {
            dialogs.answer(DialogButton::No);
        }
        Click(c.button);
        EXPECT_EQ(dialogs.transcript(), c.questions) << c.button;
        for (const DialogCall& call : dialogs.calls()) {
            EXPECT_EQ(call.defaultButton, DialogButton::No) << c.button;
        }
    }
    EXPECT_EQ(Writes(instrument.simulator), 0);
}

// The edit above left memory unwritten; closing the window asks, and No keeps it open.
TEST_F(FolderEditorTest, ClosingWithUnwrittenEditsAsksFirst) {
    SimulatedInstrument& instrument = AddInstrument("510", kEditNotebook510);
    Connect(instrument, kModel510);
    ShowAndWait(0);
    Select(1);
    Type("ручей");
    dialogs.answer(DialogButton::No);
    Click("But_rename_name");
    dialogs.clear();
    dialogs.answer(DialogButton::No);
    form->close();
    const QString exit =
        "ВНИМАНИЕ!|Блокнот в памяти не записан в прибор.\r\nВыйти из программы без записи?";
    EXPECT_EQ(dialogs.transcript(), QStringList{exit});
    EXPECT_EQ(dialogs.calls().at(0).defaultButton, DialogButton::No);
    EXPECT_TRUE(form->isVisible());
    dialogs.answer(DialogButton::Yes);
    form->close();
    EXPECT_FALSE(form->isVisible());
}

// ---- Every edit, answered Yes and No -------------------------------------------------------

struct EditCase {
    QString model;       // "510" or "210", with kEditNotebook510 or kEditNotebook210
    const char* button;  // the edit, on folder `row` with `typed` in the name field
    int row;
    QString typed;
    QString entry;    // the protocol entry of the edit
    QString folder;   // the folder written, empty for a whole write
    QString written;  // the notebook the instrument holds after Yes
};

// What a write leaves in the protocol: the read of what it erases (a folder page of the
// "КВИР-510v2" is read without a line of its own), the backup of it unless it held nothing,
// the read-back of a whole write, and the write's line.
QStringList WriteLines(const EditCase& c) {
    const QString model = c.model == "510" ? kModel510 : kModel210;
    const QString fresh = "Чтение блокнота из прибора " + model + " для резервной копии";
    const QString backup = "Резервная копия блокнота: " + NotebookEditFixture::kBackupName;
    if (c.folder.isEmpty()) {
        return {fresh, backup, "Чтение блокнота из прибора " + model,
                "Обновление блокнота прибора " + model};
    }
    QStringList lines;
    if (c.model == "210") {
        lines << fresh;
    }
    if (c.model == "210" || QString(c.button) != "But_new_name") {
        lines << backup;  // a new folder's page held nothing
    }
    return lines << "Обновление папки  " + c.folder + " прибора " + model;
}

class FolderEditTest : public FolderEditorTest {
  public:
    void Run(const EditCase& c, bool save) {
        SimulatedInstrument& instrument =
            AddInstrument(c.model, c.model == "510" ? kEditNotebook510 : kEditNotebook210);
        Connect(instrument, c.model == "510" ? kModel510 : kModel210);
        const QByteArray original = instrument.simulator.memory();
        // A folder with records asks before it is deleted; clearing all asks "Обновить блокнот?".
        QStringList questions;
        if (QString(c.button) == "Butt_del_name") {
            questions << kRecordsQuestion;
        }
        questions << kSaveQuestion;
        if (save && QString(c.button) == "Butt_clear_all") {
            questions << kUpdateQuestion;
        }
        for (qsizetype k = 0; k < questions.size(); ++k) {
            dialogs.answer(save || questions[k] != kSaveQuestion ? DialogButton::Yes
                                                                 : DialogButton::No);
        }
        Select(c.row);
        if (!c.typed.isEmpty()) {
            Type(c.typed);
        }
        Click(c.button);

        EXPECT_EQ(dialogs.transcript(), questions);
        QStringList entries = Entries(Protocol());
        // The cases share a working directory: a later backup never replaces an earlier one.
        entries.replaceInStrings(QRegularExpression("(-\\d{6})-\\d+\\.kvir$"), "\\1.kvir");
        if (save) {
            const QStringList expected = QStringList{c.entry} + WriteLines(c);
            EXPECT_EQ(Tail(entries, static_cast<int>(expected.size())), expected);
            EXPECT_TRUE(
                SameMemory(instrument.simulator.memory(), ExpectedMemory(c.model, c.written)));
            EXPECT_TRUE(State().connected());
        } else {
            EXPECT_EQ(entries.last(), c.entry);
            EXPECT_TRUE(instrument.simulator.requestLog().isEmpty());
            EXPECT_TRUE(SameMemory(instrument.simulator.memory(), original));
        }
        ExpectIdle();
        form.reset();
        dialogs.clear();
    }
};

const QString kFolders510 = "folder 1 ОБЩАЯ ПАПКА\nfolder 2 РЕКА\nfolder 4 ОЗЕРО\n";
const QString kRecords510 = kEditNotebook510.section('\n', 3);
const QString kFolders210 = "folder 1 ОБЩАЯ ПАПКА\nfolder 2 КОТЕЛ\nfolder 4 БАК\n";
const QString kRecords210 = kEditNotebook210.section('\n', 3);

const EditCase kEditCases[] = {
    // "КВИР-510v2": a folder edit writes that folder's page only.
    {"510", "But_new_name", 1, "пруд-заря", "Создание новой папки ПРУД-ЗАРЯ", "ПРУД-ЗАРЯ",
     kFolders510 + "folder 3 ПРУД-ЗАРЯ\n" + kRecords510},
    {"510", "But_rename_name", 1, "ручей", "Наименование папки РЕКА изменено на РУЧЕЙ", "РУЧЕЙ",
     "folder 1 ОБЩАЯ ПАПКА\nfolder 2 РУЧЕЙ\nfolder 4 ОЗЕРО\n" + kRecords510},
    // The whole write packs ОЗЕРО onto page 1.
    {"510", "Butt_del_name", 1, "", "Удаление папки РЕКА", "",
     "folder 1 ОБЩАЯ ПАПКА\nfolder 2 ОЗЕРО\n"
     "record 1 2026-03-04 09:12:48 1 23.5 -12.3 5.5\nrecord 2 2026-03-04 09:12:48 2 20 0 6\n"},
    {"510", "Butt_clear_papka", 1, "", "Очистка папки РЕКА", "РЕКА",
     kFolders510 +
         "record 1 2026-03-04 09:12:48 1 23.5 -12.3 5.5\nrecord 4 2026-03-04 09:12:48 2 20 0 6\n"},
    // Page 0 is erased, which restores the common folder's header; no name is written.
    {"510", "Butt_clear_papka", 0, "", "Очистка папки ОБЩАЯ ПАПКА", "ОБЩАЯ ПАПКА",
     kFolders510 + kRecords510.section('\n', 1)},
    {"510", "Butt_clear_all", 1, "", "Очистка папки всех папок", "",
     "folder 1 ОБЩАЯ ПАПКА\nfolder 2 РЕКА\nfolder 3 ОЗЕРО\n"},
    // "КВИР-210v1": every write rewrites the directory and every record.
    {"210", "But_new_name", 1, "пруд", "Создание новой папки ПРУД", "ПРУД",
     kFolders210 + "folder 3 ПРУД\n" + kRecords210},
    {"210", "But_rename_name", 3, "котёл №2", "Наименование папки БАК изменено на КОТЁЛ №2",
     "КОТЁЛ №2", "folder 1 ОБЩАЯ ПАПКА\nfolder 2 КОТЕЛ\nfolder 4 КОТЁЛ №2\n" + kRecords210},
    // БАК moves down to entry 1 and its records become folder 2.
    {"210", "Butt_del_name", 1, "", "Удаление папки КОТЕЛ", "",
     "folder 1 ОБЩАЯ ПАПКА\nfolder 2 БАК\nrecord 1 2026-11-08 10:00:00 2 21.3 117 1.3 2350\n"
     "record 2 2026-06-03 09:14:50 3 39.4 46.3 0.514 12\n"},
    {"210", "Butt_clear_papka", 3, "", "Очистка папки БАК", "БАК",
     kFolders210 + kRecords210.section('\n', 0, 1) + "\n" + kRecords210.section('\n', 3)},
    {"210", "Butt_clear_all", 1, "", "Очистка папки всех папок", "",
     "folder 1 ОБЩАЯ ПАПКА\nfolder 2 КОТЕЛ\nfolder 3 БАК\n"},
};

TEST_F(FolderEditTest, EveryEditAnsweredYesIsWritten) {
    for (const EditCase& c : kEditCases) {
        SCOPED_TRACE(c.entry.toStdString());
        Run(c, true);
    }
}

TEST_F(FolderEditTest, EveryEditAnsweredNoStaysInMemory) {
    for (const EditCase& c : kEditCases) {
        SCOPED_TRACE(c.entry.toStdString());
        Run(c, false);
    }
}

TEST_F(FolderEditorTest, ClearAllAnsweredNoKeepsEveryFolderEmpty) {
    SimulatedInstrument& instrument = AddInstrument("510", kEditNotebook510);
    Connect(instrument, kModel510);
    const QStringList before = Folders();
    Select(1);
    dialogs.answer(DialogButton::No);
    Click("Butt_clear_all");
    EXPECT_EQ(Folders(), before);
    EXPECT_EQ(RecordCountOf(State().notebook()), 0);
}

TEST_F(FolderEditorTest, ChangeLeftInMemoryIsWrittenByUpdate) {
    SimulatedInstrument& instrument = AddInstrument("510", kEditNotebook510);
    Connect(instrument, kModel510);
    Select(3);
    Type("пруд");
    dialogs.answer(DialogButton::No);
    Click("But_rename_name");
    EXPECT_TRUE(instrument.simulator.requestLog().isEmpty());
    dialogs.answer(DialogButton::Yes);
    Click("But_save_wpad");
    // ОЗЕРО, now ПРУД, is packed onto page 2.
    EXPECT_TRUE(SameMemory(
        instrument.simulator.memory(),
        ExpectedMemory("510", "folder 1 ОБЩАЯ ПАПКА\nfolder 2 РЕКА\nfolder 3 ПРУД\n" +
                                  QString(kRecords510).replace("record 4", "record 3"))));
    EXPECT_EQ(Folders().mid(0, 4), (QStringList{kCommonFolder, "РЕКА", "ПРУД", kFreeFolder}));
    EXPECT_EQ(W<QListWidget>("List_name")->currentRow(), 0);
    EXPECT_EQ(States(), (Buttons{true, false, false, true, true}));
}

}  // namespace
}  // namespace kvir::test
