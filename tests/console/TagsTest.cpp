// Record tags of the record table, "Выполнить" and the deletion of tagged records, end to end
// against simulated instruments.
#include "RecordTablePage.h"
#include "SimConsoleFixture.h"
#include "TagDelegate.h"
#include "sim/NotebookFile.h"

#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QTableView>

namespace kvir::test {
namespace {

// kNotebook510 by folder: the rows are slots 2, 3, 0, 1.

const QString kRiverPh25 =
    QStringLiteral("3|РЕКА|04.03.2026 9:12:48|pH25|20,00|0,00|6,0000|6,0000|  ");
const QString kCommonPh =
    QStringLiteral("0|ОБЩАЯ ПАПКА|04.03.2026 9:12:48|pH|23,50|-12,30|5,5000|5,5000|  ");

class TagsTest : public SimConsoleFixture {
  protected:
    // The console connected to an instrument of `model` holding `notebook`, showing the
    // records by folder with no row current.
    void Connected(const QString& model, const QString& notebook) {
        instrument_ = &ConnectTo(model, notebook);
        Click("But_sort_name");
    }

    // Tags as they stand before an action, one letter a row ('.' untagged).
    void SetTags(const QString& tags) {
        RecordModel& model = W<RecordTablePage>("Page_sort_name")->model();
        for (int r = 0; r < tags.size(); ++r) {
            model.setTag(r, tags.at(r) == u'.' ? QString() : QString(tags.at(r)));
        }
    }

    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(W<QTableView>("Tabl_sort_name_dat"), &press);
    }

    SimulatedInstrument* instrument_ = nullptr;
};

TEST_F(TagsTest, TaggingRules) {
    Connected("510", kNotebook510 +
                         "record 1 2026-01-01 10:00:00 1 1 1 1\n"
                         "record 2 2026-01-02 10:00:00 1 1 1 1\n");
    struct Case {
        const char* what;
        QString before;
        int top;
        int bottom;
        const char* action;  // a menu item, or a key
        QString after;
    };
    const Case cases[] = {
        {"save keeps other tags", ".p....", 0, 2, "p_menu_save", "sps..."},
        {"print on one row", "......", 5, 5, "p_menu_print", ".....p"},
        {"delete only where untagged", "s.s...", 0, 3, "p_menu_set_del", "sdsd.."},
        {"clear any tag in the block", "sdp.sd", 1, 3, "p_menu_clr", "s...sd"},
        {"clear delete keeps others", "dsdpdd", 0, 3, "p_menu_clr_del", ".s.pdd"},
        {"Delete key toggles", ".pd.s.", 0, 4, "Delete", "d..d.."},
        {"Shift+Delete toggles too", "......", 1, 2, "Shift+Delete", ".dd..."},
        {"other keys change nothing", "......", 0, 5, "A", "......"},
        {"block selected bottom up", "......", 4, 2, "p_menu_set_del", "..ddd."},
    };
    for (const Case& c : cases) {
        SetTags(c.before);
        SelectRows(std::min(c.top, c.bottom), std::max(c.top, c.bottom), c.top);
        const QString action = c.action;
        if (action == "Delete") {
            Key(Qt::Key_Delete);
        } else if (action == "Shift+Delete") {
            Key(Qt::Key_Delete, Qt::ShiftModifier);
        } else if (action == "A") {
            Key(Qt::Key_A);
        } else {
            Click(action);
        }
        EXPECT_EQ(Tags(), c.after) << c.what;
    }
    // The Delete key twice restores the block.
    SetTags("......");
    SelectRows(1, 2);
    Key(Qt::Key_Delete);
    Key(Qt::Key_Delete);
    EXPECT_EQ(Tags(), "......");
}

TEST_F(TagsTest, AfterAViewButtonOnlySelectAllMakesTaggingWork) {
    Connected("510", kNotebook510);
    SelectRows(0, 1);
    Click("p_menu_save");
    EXPECT_EQ(Tags(), "ss..");
    // The settings button keeps the tags; a view button clears them and leaves no row current.
    Click("But_nastr");
    EXPECT_EQ(Tags(), "ss..");
    Click("But_sort_date");
    EXPECT_EQ(Tags(), "....");
    for (const char* action : {"p_menu_save", "p_menu_print", "p_menu_set_del"}) {
        Click(action);
    }
    Key(Qt::Key_Delete);
    EXPECT_EQ(Tags(), "....");
    Click("p_menu_set_all");
    EXPECT_EQ(Tags(), "....") << "selecting tags nothing";
    Click("p_menu_print");
    EXPECT_EQ(Tags(), "pppp");
}

TEST_F(TagsTest, TagsStayWithTheirRecordsWhenTheTableIsRefilled) {
    Connected("510", kNotebook510);
    SelectRows(0, 0);
    Click("p_menu_print");  // 10.05.2026 in РЕКА, the first row by folder
    // Renaming РЕКА to a name that sorts after ОБЩАЯ ПАПКА moves its records down.
    Click("But_contr_papka");
    W<QListWidget>("List_name")->setCurrentRow(1);
    W<QLineEdit>("edit_name")->setText("АРЫК");
    dialogs.answer(DialogButton::No);
    Click("But_rename_name");
    EXPECT_EQ(W<QTableView>("Tabl_sort_name_dat")->model()->index(2, 3).data().toString(),
              "10.05.2026");
    EXPECT_EQ(Tags(), "..p.");
}

TEST_F(TagsTest, TagPicturesAreDrawnOverTheLetters) {
    Connected("510", kNotebook510);
    form->resize(900, 400);
    ShowAndWait(50);
    SelectRows(0, 0);
    Click("p_menu_set_del");
    auto* table = W<QTableView>("Tabl_sort_name_dat");
    table->clearSelection();
    ASSERT_NE(qobject_cast<TagDelegate*>(table->itemDelegateForColumn(0)), nullptr);
    // A tagged cell shows the picture's pixels, an untagged one only its background.
    const QImage shot = table->viewport()->grab().toImage();
    const auto colours = [&shot, table](int row) {
        const QRect cell = table->visualRect(table->model()->index(row, 0)).adjusted(1, 1, -1, -1);
        QSet<QRgb> seen;
        for (int y = cell.top(); y <= cell.bottom(); ++y) {
            for (int x = cell.left(); x <= cell.right(); ++x) {
                seen.insert(shot.pixel(x, y));
            }
        }
        return seen.size();
    };
    EXPECT_GT(colours(0), 4);
    EXPECT_EQ(colours(2), 1);
    const std::pair<const char*, QSize> pictures[] = {
        {"d", {20, 20}}, {"s", {19, 19}}, {"p", {16, 16}}, {"v", {18, 18}}, {"x", {0, 0}}};
    for (const auto& [tag, size] : pictures) {
        EXPECT_EQ(TagPicture(tag).size(), size) << tag;
    }
}

TEST_F(TagsTest, ExecuteRunsSavePrintDeleteInOrderAndClearsEveryTag) {
    Connected("510", kNotebook510);
    SetTags("dpsd");
    dialogs.cancelSave();
    dialogs.answerPrint(false);
    dialogs.answer(DialogButton::No);
    Click("But_exe_zap");
    ASSERT_EQ(dialogs.calls().size(), 3u);
    EXPECT_EQ(dialogs.calls()[0].kind, DialogCall::SaveFile);
    EXPECT_EQ(dialogs.calls()[0].filters,
              (QStringList{"Текстовый файл(*.csv)", "Текстовый файл(*.txt)"}));
    EXPECT_EQ(dialogs.calls()[1].kind, DialogCall::Print);
    EXPECT_EQ(dialogs.transcript()[2], kSaveQuestion);
    EXPECT_EQ(dialogs.calls()[2].buttons, DialogButtons::YesNo);
    EXPECT_EQ(TableRows(), (QStringList{"1" + kRiverPh25.mid(1), kCommonPh}))
        << "slots 2 and 1 freed; the rest packed";
    EXPECT_EQ(Tags(), "..");
    EXPECT_EQ(Entries(Protocol()).last(), "Удаление 2 записей для прибора КВИР-510v2");
    EXPECT_TRUE(instrument_->simulator.requestLog().isEmpty());

    // Nothing tagged: the operator is told how to tag.
    dialogs.clear();
    dialogs.answer(DialogButton::Ok);
    Click("But_exe_zap");
    EXPECT_EQ(dialogs.transcript(),
              QStringList{"Внимание|Нет отмеченных записей.\r\nОтметьте записи в первом столбце "
                          "таблицы (меню правой кнопки мыши или клавиша Delete)."});
}

TEST_F(TagsTest, DeletionAnsweredNoLeavesTheInstrumentUntouched) {
    Connected("210", kNotebook210);
    const QByteArray memory = instrument_->simulator.memory();
    Click("p_menu_set_all");
    Click("p_menu_set_del");
    dialogs.answer(DialogButton::No);
    Click("But_exe_zap");
    EXPECT_EQ(Entries(Protocol()).last(), "Удаление 3 записей для прибора КВИР-210v1");
    EXPECT_EQ(TableRows(), QStringList{"||||||||"}) << "one empty row";
    EXPECT_TRUE(instrument_->simulator.requestLog().isEmpty());
    EXPECT_EQ(instrument_->simulator.memory(), memory);
    // Reading the notebook again brings the records back.
    Click("But_conect");
    EXPECT_EQ(TableRows().size(), 3);
}

TEST_F(TagsTest, DeletionAnsweredYesWritesTheNotebookAndReadsItBack) {
    Connected("510", kNotebook510);
    SelectRows(0, 0);
    Click("p_menu_set_del");  // 10.05.2026 in РЕКА
    SelectRows(3, 3);
    Key(Qt::Key_Delete);  // 30.11.2026 in ОБЩАЯ ПАПКА
    dialogs.answer(DialogButton::Yes);
    Click("But_exe_zap");
    EXPECT_EQ(dialogs.transcript(), QStringList{kSaveQuestion});
    // What the instrument holds is read and saved right before it is erased; the write is
    // read back before its line.
    const QStringList entries = Entries(Protocol());
    EXPECT_EQ(entries.mid(entries.indexOf("Удаление 2 записей для прибора КВИР-510v2")),
              (QStringList{"Удаление 2 записей для прибора КВИР-510v2",
                           "Чтение блокнота из прибора КВИР-510v2 для резервной копии",
                           "Резервная копия блокнота: " + State().backups().value(0),
                           "Чтение блокнота из прибора КВИР-510v2",
                           "Обновление блокнота прибора КВИР-510v2"}));
    const QString stored = sim::SaveNotebookText(instrument_->simulator, QDate(2026, 12, 7));
    EXPECT_FALSE(stored.contains("2026-05-10")) << stored.toStdString();
    EXPECT_FALSE(stored.contains("2026-11-30")) << stored.toStdString();
    EXPECT_EQ(stored.count("record "), 2) << stored.toStdString();
    EXPECT_EQ(TableRows(), (QStringList{"1" + kRiverPh25.mid(1), kCommonPh}))
        << "the table shows the notebook read back";
}

TEST_F(TagsTest, TagsOfRecordsNoLongerInMemoryDeleteNothing) {
    // The empty row of an empty notebook takes no tag.
    Connected("510", "folder 1 ОБЩАЯ ПАПКА\n");
    ASSERT_EQ(TableRows(), QStringList{"||||||||"});
    SelectRows(0, 0);
    Key(Qt::Key_Delete);
    EXPECT_EQ(Tags(), ".");
    form.reset();

    // A tagged record that the folder editor cleared away is reported, not deleted.
    Connected("510", kNotebook510);
    SelectRows(3, 3);
    Key(Qt::Key_Delete);  // 30.11.2026 in ОБЩАЯ ПАПКА
    Click("But_contr_papka");
    W<QListWidget>("List_name")->setCurrentRow(0);
    dialogs.answer(DialogButton::No);
    Click("Butt_clear_papka");
    const QStringList protocol = Protocol();
    dialogs.clear();
    dialogs.answer(DialogButton::Ok);
    Click("But_exe_zap");
    EXPECT_EQ(dialogs.transcript(),
              QStringList{"ВНИМАНИЕ!|Не удалено записей: 1\r\nстроки таблицы не соответствуют "
                          "блокноту в памяти\r\nотметьте записи заново"});
    EXPECT_EQ(Protocol(), protocol);
    EXPECT_EQ(RecordCountOf(State().notebook()), 2);
}

}  // namespace
}  // namespace kvir::test
