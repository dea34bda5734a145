// The folder editor: the name rules, the button states, and every edit answered Yes and No
// against simulated instruments of both models, compared byte by byte with the memory the
// edited notebook should leave.
#include "FolderNames.h"
#include "NotebookEditFixture.h"

#include <QApplication>
#include <QMouseEvent>
#include <QRegularExpression>
#include "instrument/Cp1251.h"

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
        return {form->But_new_name->isEnabled(), form->But_rename_name->isEnabled(),
                form->Butt_del_name->isEnabled(), form->Butt_clear_papka->isEnabled(),
                form->Butt_clear_all->isEnabled()};
    }
};

TEST_F(FolderEditorTest, EmptyFolderListDisablesTheEditsAndOffersToRead) {
    SimulatedInstrument& instrument = AddInstrument("510", kEditNotebook510);
    WriteSettingsFor(instrument.port, 1, false, kModel510);
    TGround_form& f = StartWithProgress();
    dialogs.answer(DialogButton::No);
    f.But_contr_papkaClick();
    EXPECT_EQ(
        dialogs.transcript(),
        QStringList{"ВНИМАНИЕ!|Отсутствует информация о блокоте\r\nхотите прочитать блокнот?"});
    EXPECT_EQ(States(), (Buttons{false, false, false, false, false}));
    EXPECT_TRUE(instrument.simulator.requestLog().isEmpty());

    dialogs.answer(DialogButton::Yes);
    f.List_nameClick();
    EXPECT_EQ(f.List_name->count(), 21) << "Yes connects and reads";
    EXPECT_EQ(dialogs.calls().size(), 2u);
}

TEST_F(FolderEditorTest, ButtonsFollowTheSelectedEntry) {
    SimulatedInstrument& instrument = AddInstrument("510", kEditNotebook510);
    TGround_form& f = Connect(instrument, kModel510);
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
        f.edit_name->setText(QStringLiteral("typed"));
        Select(c.row);
        EXPECT_EQ(States(), c.buttons) << c.row;
        EXPECT_EQ(f.edit_name->text(), c.field) << c.row;
    }
    // A click on the entry already selected runs the action too.
    f.edit_name->setText(QStringLiteral("typed"));
    const QPointF at = f.List_name->visualItemRect(f.List_name->item(3)).center();
    QMouseEvent release(QEvent::MouseButtonRelease, at, f.List_name->viewport()->mapToGlobal(at),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(f.List_name->viewport(), &release);
    EXPECT_EQ(f.edit_name->text(), "ОЗЕРО");
    EXPECT_TRUE(dialogs.calls().empty());
}

TEST_F(FolderEditorTest, RefusedNamesChangeNothing) {
    SimulatedInstrument& instrument = AddInstrument("510", kEditNotebook510);
    TGround_form& f = Connect(instrument, kModel510);
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
        c.rename ? f.But_rename_nameClick() : f.But_new_nameClick();
        EXPECT_EQ(dialogs.transcript(), QStringList{"ОШИБКА!|" + c.message})
            << c.typed.toStdString();
        EXPECT_EQ(Folders(), before);
        // Create moves the selection to the first free entry even when it refuses the name.
        EXPECT_EQ(f.List_name->currentRow(), c.rename ? c.row : 2);
    }
    EXPECT_FALSE(Entries(f.protocolLines()).last().startsWith("Создание"));
    EXPECT_TRUE(instrument.simulator.requestLog().isEmpty());
}

TEST_F(FolderEditorTest, CreateWithEveryFolderUsedIsRefused) {
    SimulatedInstrument& instrument = AddSample("510", "510-full");
    TGround_form& f = Connect(instrument, kModel510);
    Select(0);
    Type("новая");
    dialogs.answer(DialogButton::Ok);
    f.But_new_nameClick();
    EXPECT_EQ(dialogs.transcript(), QStringList{"ОШИБКА!|Блокнот переполнен"});
}

TEST_F(FolderEditorTest, EmptyFolderIsDeletedWithoutTheRecordsQuestion) {
    SimulatedInstrument& instrument = AddInstrument("210", kEditNotebook210);
    TGround_form& f = Connect(instrument, kModel210);
    Select(5);
    Type("пусто");
    dialogs.answer(DialogButton::No);
    f.But_new_nameClick();
    EXPECT_EQ(f.List_name->currentRow(), 2) << "the first free entry, not the selected one";
    EXPECT_EQ(f.edit_name->text(), "ПУСТО");
    dialogs.clear();
    dialogs.answer(DialogButton::No);
    f.Butt_del_nameClick();
    EXPECT_EQ(dialogs.transcript(),
              QStringList{"Предупреждение|Сохранить изменения в блокноте прибора?"});
    EXPECT_EQ(Folders().at(2), kFreeFolder);
    EXPECT_EQ(Tail(Entries(f.protocolLines()), 2),
              (QStringList{"Создание новой папки ПУСТО", "Удаление папки ПУСТО"}));
    // The records question answered No stops a delete before anything changes.
    Select(1);
    dialogs.clear();
    dialogs.answer(DialogButton::Cancel);
    f.Butt_del_nameClick();
    EXPECT_EQ(dialogs.transcript(),
              QStringList{"ВНИМАНИЕ|В папке имеются записи\r\nудалить папку?"});
    EXPECT_EQ(Folders().at(1), "КОТЕЛ");
    EXPECT_EQ(RecordCount(f.notebook()), 4);
    EXPECT_TRUE(instrument.simulator.requestLog().isEmpty());
}

// ---- Every edit, answered Yes and No -------------------------------------------------------

struct EditCase {
    QString label;
    QString model;     // "510" or "210"
    QString notebook;  // the instrument's notebook before the edit
    std::function<void(FolderEditorTest&, TGround_form&)> edit;
    QStringList before;  // questions before the save question (all answered Yes)
    QString entry;       // the protocol entry of the edit
    QStringList after;   // questions after a Yes to the save question (answered Yes)
    QString written;     // the notebook the instrument holds after Yes
    QStringList lines;   // protocol lines of the write, after the backup line
};

class FolderEditTest : public FolderEditorTest {
  public:
    void Run(const EditCase& c, bool save) {
        SimulatedInstrument& instrument = AddInstrument(c.model, c.notebook);
        const QString caption = c.model == "510" ? kModel510 : kModel210;
        TGround_form& f = Connect(instrument, caption);
        const QByteArray original = instrument.simulator.memory();
        for (int k = 0; k < c.before.size(); ++k) {
            dialogs.answer(DialogButton::Yes);
        }
        dialogs.answer(save ? DialogButton::Yes : DialogButton::No);
        if (save) {
            for (int k = 0; k < c.after.size(); ++k) {
                dialogs.answer(DialogButton::Yes);
            }
        }
        c.edit(*this, f);

        QStringList questions = c.before;
        questions << "Предупреждение|Сохранить изменения в блокноте прибора?";
        if (save) {
            questions << c.after;
        }
        EXPECT_EQ(dialogs.transcript(), questions);
        QStringList entries = Entries(f.protocolLines());
        // The cases share a working directory: a later backup never replaces an earlier one.
        entries.replaceInStrings(QRegularExpression("(-\\d{6})-\\d+\\.kvir$"), "\\1.kvir");
        if (save) {
            QStringList expected{c.entry, "Резервная копия блокнота: " + kBackupName};
            expected << c.lines;
            EXPECT_EQ(Tail(entries, expected.size()), expected);
            EXPECT_TRUE(
                SameMemory(instrument.simulator.memory(), ExpectedMemory(c.model, c.written)));
            EXPECT_TRUE(f.link().isOpen());
        } else {
            EXPECT_EQ(entries.last(), c.entry);
            EXPECT_TRUE(instrument.simulator.requestLog().isEmpty());
            EXPECT_TRUE(SameMemory(instrument.simulator.memory(), original));
        }
        ExpectIdle();
        form.reset();
        realLink.ClosePort();
        dialogs.clear();
    }
};

const QString kRecordsQuestion = "ВНИМАНИЕ|В папке имеются записи\r\nудалить папку?";
const QString kUpdateQuestion =
    "ВНИМАНИЕ!|Блокнот будет очищен\r\nи заполнен данными из редактора блокнота\r\n\r\n"
    "          Обновить блокнот?";

auto Create(const QString& name) {
    return [name](FolderEditorTest& t, TGround_form& f) {
        t.Select(1);
        t.Type(name);
        f.But_new_nameClick();
    };
}
auto Rename(int row, const QString& name) {
    return [row, name](FolderEditorTest& t, TGround_form& f) {
        t.Select(row);
        t.Type(name);
        f.But_rename_nameClick();
    };
}
auto Delete(int row) {
    return [row](FolderEditorTest& t, TGround_form& f) {
        t.Select(row);
        f.Butt_del_nameClick();
    };
}
auto Clear(int row) {
    return [row](FolderEditorTest& t, TGround_form& f) {
        t.Select(row);
        f.Butt_clear_papkaClick();
    };
}
auto ClearAll() {
    return [](FolderEditorTest& t, TGround_form& f) {
        t.Select(1);
        f.Butt_clear_allClick();
    };
}

const QString kFolders510 = "folder 1 ОБЩАЯ ПАПКА\nfolder 2 РЕКА\nfolder 4 ОЗЕРО\n";
const QString kRecords510 =
    "record 1 2026-03-04 09:12:48 1 23.5 -12.3 5.5\n"
    "record 2 2026-05-10 00:00:00 3 18.25 105.5 4.25\n"
    "record 4 2026-03-04 09:12:48 2 20 0 6\n"
    "record 2 2026-11-30 23:59:58 4 -1.5 1234.5 3\n";
const QString kFolders210 = "folder 1 ОБЩАЯ ПАПКА\nfolder 2 КОТЕЛ\nfolder 4 БАК\n";
const QString kRecords210 =
    "record 2 2026-02-04 09:15:20 0 38.5 42.7 0.474\n"
    "record 1 2026-11-08 10:00:00 2 21.3 117 1.3 2350\n"
    "record 4 2026-06-03 09:14:50 3 39.4 46.3 0.514 12\n"
    "record 2 2026-06-04 09:14:50 1 39.4 46.3 0.514\n";

const QString kWhole510 = "Обновление блокнота прибора КВИР-510v2";
const QString kRead510 = "Чтение блокнота из прибора КВИР-510v2";
const QString kWhole210 = "Обновление блокнота прибора КВИР-210v1";
const QString kRead210 = "Чтение блокнота из прибора КВИР-210v1";

std::vector<EditCase> EditCases() {
    return {
        // "КВИР-510v2": a folder edit writes that folder's page only.
        {"create 510",
         "510",
         kEditNotebook510,
         Create("пруд-заря"),
         {},
         "Создание новой папки ПРУД-ЗАРЯ",
         {},
         kFolders510 + "folder 3 ПРУД-ЗАРЯ\n" + kRecords510,
         {"Обновление папки  ПРУД-ЗАРЯ прибора КВИР-510v2"}},
        {"rename 510",
         "510",
         kEditNotebook510,
         Rename(1, "ручей"),
         {},
         "Наименование папки РЕКА изменено на РУЧЕЙ",
         {},
         "folder 1 ОБЩАЯ ПАПКА\nfolder 2 РУЧЕЙ\nfolder 4 ОЗЕРО\n" + kRecords510,
         {"Обновление папки  РУЧЕЙ прибора КВИР-510v2"}},
        // The whole write packs ОЗЕРО onto page 1.
        {"delete 510",
         "510",
         kEditNotebook510,
         Delete(1),
         {kRecordsQuestion},
         "Удаление папки РЕКА",
         {},
         "folder 1 ОБЩАЯ ПАПКА\nfolder 2 ОЗЕРО\n"
         "record 1 2026-03-04 09:12:48 1 23.5 -12.3 5.5\n"
         "record 2 2026-03-04 09:12:48 2 20 0 6\n",
         {kWhole510, kRead510}},
        {"clear 510",
         "510",
         kEditNotebook510,
         Clear(1),
         {},
         "Очистка папки РЕКА",
         {},
         kFolders510 + "record 1 2026-03-04 09:12:48 1 23.5 -12.3 5.5\n"
                       "record 4 2026-03-04 09:12:48 2 20 0 6\n",
         {"Обновление папки  РЕКА прибора КВИР-510v2"}},
        // Page 0 is erased, which restores the common folder's header; no name is written.
        {"clear common 510",
         "510",
         kEditNotebook510,
         Clear(0),
         {},
         "Очистка папки ОБЩАЯ ПАПКА",
         {},
         kFolders510 + "record 2 2026-05-10 00:00:00 3 18.25 105.5 4.25\n"
                       "record 4 2026-03-04 09:12:48 2 20 0 6\n"
                       "record 2 2026-11-30 23:59:58 4 -1.5 1234.5 3\n",
         {"Обновление папки  ОБЩАЯ ПАПКА прибора КВИР-510v2"}},
        {"clear all 510",
         "510",
         kEditNotebook510,
         ClearAll(),
         {},
         "Очистка папки всех папок",
         {kUpdateQuestion},
         "folder 1 ОБЩАЯ ПАПКА\nfolder 2 РЕКА\nfolder 3 ОЗЕРО\n",
         {kWhole510, kRead510}},
        // "КВИР-210v1": every write rewrites the directory and every record.
        {"create 210",
         "210",
         kEditNotebook210,
         Create("пруд"),
         {},
         "Создание новой папки ПРУД",
         {},
         kFolders210 + "folder 3 ПРУД\n" + kRecords210,
         {"Обновление папки  ПРУД прибора КВИР-210v1"}},
        {"rename 210",
         "210",
         kEditNotebook210,
         Rename(3, "котёл №2"),
         {},
         "Наименование папки БАК изменено на КОТЁЛ №2",
         {},
         "folder 1 ОБЩАЯ ПАПКА\nfolder 2 КОТЕЛ\nfolder 4 КОТЁЛ №2\n" + kRecords210,
         {"Обновление папки  КОТЁЛ №2 прибора КВИР-210v1"}},
        // БАК moves down to entry 1 and its records become folder 2.
        {"delete 210",
         "210",
         kEditNotebook210,
         Delete(1),
         {kRecordsQuestion},
         "Удаление папки КОТЕЛ",
         {},
         "folder 1 ОБЩАЯ ПАПКА\nfolder 2 БАК\n"
         "record 1 2026-11-08 10:00:00 2 21.3 117 1.3 2350\n"
         "record 2 2026-06-03 09:14:50 3 39.4 46.3 0.514 12\n",
         {kWhole210, kRead210}},
        {"clear 210",
         "210",
         kEditNotebook210,
         Clear(3),
         {},
         "Очистка папки БАК",
         {},
         kFolders210 + "record 2 2026-02-04 09:15:20 0 38.5 42.7 0.474\n"
                       "record 1 2026-11-08 10:00:00 2 21.3 117 1.3 2350\n"
                       "record 2 2026-06-04 09:14:50 1 39.4 46.3 0.514\n",
         {"Обновление папки  БАК прибора КВИР-210v1"}},
        {"clear all 210",
         "210",
         kEditNotebook210,
         ClearAll(),
         {},
         "Очистка папки всех папок",
         {kUpdateQuestion},
         "folder 1 ОБЩАЯ ПАПКА\nfolder 2 КОТЕЛ\nfolder 3 БАК\n",
         {kWhole210, kRead210}},
    };
}

TEST_F(FolderEditTest, EveryEditAnsweredYesIsWritten) {
    for (const EditCase& c : EditCases()) {
        SCOPED_TRACE(c.label.toStdString());
        Run(c, true);
    }
}

TEST_F(FolderEditTest, EveryEditAnsweredNoStaysInMemory) {
    for (const EditCase& c : EditCases()) {
        SCOPED_TRACE(c.label.toStdString());
        Run(c, false);
    }
}

TEST_F(FolderEditorTest, ClearAllAnsweredNoKeepsEveryFolderEmpty) {
    SimulatedInstrument& instrument = AddInstrument("510", kEditNotebook510);
    TGround_form& f = Connect(instrument, kModel510);
    const QStringList before = Folders();
    Select(1);
    dialogs.answer(DialogButton::No);
    f.Butt_clear_allClick();
    EXPECT_EQ(Folders(), before);
    EXPECT_EQ(RecordCount(f.notebook()), 0);
}

TEST_F(FolderEditorTest, ChangeLeftInMemoryIsWrittenByUpdate) {
    SimulatedInstrument& instrument = AddInstrument("510", kEditNotebook510);
    TGround_form& f = Connect(instrument, kModel510);
    Select(3);
    Type("пруд");
    dialogs.answer(DialogButton::No);
    f.But_rename_nameClick();
    EXPECT_TRUE(instrument.simulator.requestLog().isEmpty());
    dialogs.answer(DialogButton::Yes);
    f.But_save_wpadClick();
    // ОЗЕРО, now ПРУД, is packed onto page 2.
    EXPECT_TRUE(SameMemory(
        instrument.simulator.memory(),
        ExpectedMemory("510", "folder 1 ОБЩАЯ ПАПКА\nfolder 2 РЕКА\nfolder 3 ПРУД\n" +
                                  QString(kRecords510).replace("record 4", "record 3"))));
    EXPECT_EQ(Folders().mid(0, 4), (QStringList{kCommonFolder, "РЕКА", "ПРУД", kFreeFolder}));
    EXPECT_EQ(f.List_name->currentRow(), 0);
    EXPECT_EQ(States(), (Buttons{true, false, false, true, true}));
}

}  // namespace
}  // namespace kvir::test
