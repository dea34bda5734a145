// Record tags of the record table, "Выполнить" and the deletion of tagged records, end to end
// against simulated instruments.
#include "SimConsoleFixture.h"
#include "TagDelegate.h"
#include "sim/NotebookFile.h"

#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QTableWidget>

namespace kvir::test {
namespace {

// kNotebook510 by folder: the rows are slots 2, 3, 0, 1.

const QString kRiverMv = QStringLiteral("2|РЕКА|10.05.2026|mV|18,25|105,50|4,2500|4,2500|  ");
const QString kRiverPh25 =
    QStringLiteral("3|РЕКА|04.03.2026 9:12:48|pH25|20,00|0,00|6,0000|6,0000|  ");
const QString kCommonPh =
    QStringLiteral("0|ОБЩАЯ ПАПКА|04.03.2026 9:12:48|pH|23,50|-12,30|5,5000|5,5000|  ");
const QString kCommonNot =
    QStringLiteral("1|ОБЩАЯ ПАПКА|30.11.2026 23:59:58|not|-1,50|1234,50|3,0000|3,0000|  ");

class TagsTest : public SimConsoleFixture {
  protected:
    // The console connected to an instrument of `model` holding `notebook`, showing the
    // records by folder with no row current.
    TGround_form& Connected(const QString& model, const QString& notebook) {
        instrument_ = &AddInstrument(model, notebook);
        WriteSettingsFor(instrument_->port, 1, false, model == "210" ? kModel210 : kModel510);
        TGround_form& f = StartWithProgress();
        f.But_conectClick();
        f.But_sort_nameClick();
        EXPECT_TRUE(dialogs.calls().empty()) << dialogs.transcript().join('\n').toStdString();
        return f;
    }

    // The tags of all rows, '.' for an untagged row.
    QString Tags() const {
        QString tags;
        const QTableWidget* table = form->Tabl_sort_name_dat;
        for (int r = 0; r < table->rowCount(); ++r) {
            const QTableWidgetItem* item = table->item(r, 0);
            const QString tag = item != nullptr ? item->text() : QString();
            tags += tag.isEmpty() ? QStringLiteral(".") : tag;
        }
        return tags;
    }

    void SetTags(const QString& tags) {
        QTableWidget* table = form->Tabl_sort_name_dat;
        for (int r = 0; r < tags.size(); ++r) {
            const QString tag = tags.at(r) == u'.' ? QString() : QString(tags.at(r));
            table->setItem(r, 0, new QTableWidgetItem(tag));
        }
    }

    // Selects rows top..bottom with `top` current, as a click and a shift-click do.
    void Select(int top, int bottom) {
        QTableWidget* table = form->Tabl_sort_name_dat;
        table->clearSelection();
        table->setCurrentCell(top, 2, QItemSelectionModel::NoUpdate);
        table->setRangeSelected(QTableWidgetSelectionRange(top, 0, bottom, 9), true);
    }

    SimulatedInstrument* instrument_ = nullptr;
};

TEST_F(TagsTest, TaggingRules) {
    TGround_form& f = Connected("510", kNotebook510 +
                                           "record 1 2026-01-01 10:00:00 1 1 1 1\n"
                                           "record 2 2026-01-02 10:00:00 1 1 1 1\n");
    enum class Action { Save, Print, SetDelete, Clear, ClearDelete, KeyDelete, KeyOther };
    struct Case {
        const char* what;
        QString before;
        int top;
        int bottom;
        Action action;
        QString after;
    };
    const Case cases[] = {
        {"save keeps other tags", ".p....", 0, 2, Action::Save, "sps..."},
        {"print on one row", "......", 5, 5, Action::Print, ".....p"},
        {"delete only where untagged", "s.s...", 0, 3, Action::SetDelete, "sdsd.."},
        {"clear any tag in the block", "sdp.sd", 1, 3, Action::Clear, "s...sd"},
        {"clear delete keeps others", "dsdpdd", 0, 3, Action::ClearDelete, ".s.pdd"},
        {"Delete key toggles", ".pd.s.", 0, 4, Action::KeyDelete, "d..d.."},
        {"other keys change nothing", "......", 0, 5, Action::KeyOther, "......"},
        {"block selected bottom up", "......", 4, 2, Action::SetDelete, "..ddd."},
    };
    for (const Case& c : cases) {
        SetTags(c.before);
        Select(std::min(c.top, c.bottom), std::max(c.top, c.bottom));
        f.Tabl_sort_name_dat->setCurrentCell(c.top, 3, QItemSelectionModel::NoUpdate);
        switch (c.action) {
            case Action::Save:
                f.p_menu_saveClick();
                break;
            case Action::Print:
                f.p_menu_printClick();
                break;
            case Action::SetDelete:
                f.p_menu_set_delClick();
                break;
            case Action::Clear:
                f.p_menu_clrClick();
                break;
            case Action::ClearDelete:
                f.p_menu_clr_delClick();
                break;
            case Action::KeyDelete:
                f.Tabl_sort_name_datKeyDown(Qt::Key_Delete);
                break;
            case Action::KeyOther:
                f.Tabl_sort_name_datKeyDown(Qt::Key_A);
                break;
        }
        EXPECT_EQ(Tags(), c.after) << c.what;
    }
}

TEST_F(TagsTest, DeleteKeyTwiceRestoresTheBlockAndReachesTheHandlerFromTheGrid) {
    TGround_form& f = Connected("510", kNotebook510);
    Select(1, 2);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::ShiftModifier);
    QCoreApplication::sendEvent(f.Tabl_sort_name_dat, &press);
    EXPECT_EQ(Tags(), ".dd.");
    QKeyEvent again(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(f.Tabl_sort_name_dat, &again);
    EXPECT_EQ(Tags(), "....");
}

TEST_F(TagsTest, AfterAViewButtonOnlySelectAllMakesTaggingWork) {
    TGround_form& f = Connected("510", kNotebook510);
    Select(0, 1);
    f.p_menu_saveClick();
    EXPECT_EQ(Tags(), "ss..");
    f.But_sort_dateClick();  // clears the tags and leaves no row current
    EXPECT_EQ(Tags(), "....");
    f.p_menu_saveClick();
    f.p_menu_printClick();
    f.p_menu_set_delClick();
    f.Tabl_sort_name_datKeyDown(Qt::Key_Delete);
    EXPECT_EQ(Tags(), "....");
    f.p_menu_set_allClick();
    EXPECT_EQ(Tags(), "....") << "selecting tags nothing";
    f.p_menu_printClick();
    EXPECT_EQ(Tags(), "pppp");
}

TEST_F(TagsTest, TagPicturesAreDrawnOverTheLetters) {
    TGround_form& f = Connected("510", kNotebook510);
    f.resize(900, 400);
    ShowAndWait(50);
    Select(0, 0);
    f.p_menu_set_delClick();
    f.Tabl_sort_name_dat->clearSelection();
    ASSERT_NE(qobject_cast<TagDelegate*>(f.Tabl_sort_name_dat->itemDelegateForColumn(0)), nullptr);
    // A tagged cell shows the picture's pixels, an untagged one only its background.
    const QImage shot = f.Tabl_sort_name_dat->viewport()->grab().toImage();
    const auto colours = [&shot, &f](int row) {
        const QRect cell =
            f.Tabl_sort_name_dat->visualRect(f.Tabl_sort_name_dat->model()->index(row, 0))
                .adjusted(1, 1, -1, -1);
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
    for (const char* tag : {"d", "s", "p", "v"}) {
        EXPECT_FALSE(TagPicture(tag).isNull()) << tag;
    }
    EXPECT_EQ(TagPicture("d").size(), QSize(20, 20));
    EXPECT_EQ(TagPicture("s").size(), QSize(19, 19));
    EXPECT_EQ(TagPicture("p").size(), QSize(16, 16));
    EXPECT_TRUE(TagPicture("x").isNull());
}

TEST_F(TagsTest, ExecuteRunsSavePrintDeleteInOrderAndClearsEveryTag) {
    TGround_form& f = Connected("510", kNotebook510);
    SetTags("dpsd");
    f.Tabl_sort_name_dat->setCurrentCell(0, 2);
    dialogs.cancelSave();
    dialogs.answerPrint(false);
    dialogs.answer(DialogButton::No);
    f.But_exe_zapClick();
    ASSERT_EQ(dialogs.calls().size(), 3u);
    EXPECT_EQ(dialogs.calls()[0].kind, DialogCall::SaveFile);
    EXPECT_EQ(dialogs.calls()[0].filters,
              (QStringList{"Текстовый файл(*.csv)", "Текстовый файл(*.txt)"}));
    EXPECT_EQ(dialogs.calls()[1].kind, DialogCall::Print);
    EXPECT_EQ(dialogs.calls()[2].caption + "|" + dialogs.calls()[2].text,
              "Предупреждение|Сохранить изменения в блокноте прибора?");
    EXPECT_EQ(dialogs.calls()[2].buttons, DialogButtons::YesNo);
    EXPECT_EQ(TableRows(), (QStringList{"1" + kRiverPh25.mid(1), kCommonPh}))
        << "slots 2 and 1 freed; the rest packed";
    EXPECT_EQ(Tags(), "..");
    EXPECT_EQ(Entries(f.protocolLines()).last(), "Удаление 2 записей для прибора КВИР-510v2");
}

TEST_F(TagsTest, DeletionAnsweredNoLeavesTheInstrumentUntouched) {
    TGround_form& f = Connected("210", kNotebook210);
    const QByteArray memory = instrument_->simulator.memory();
    instrument_->simulator.clearLog();
    f.p_menu_set_allClick();
    f.p_menu_set_delClick();
    dialogs.answer(DialogButton::No);
    f.But_exe_zapClick();
    EXPECT_EQ(Entries(f.protocolLines()).last(), "Удаление 3 записей для прибора КВИР-210v1");
    EXPECT_EQ(TableRows(), QStringList{"||||||||"}) << "one empty row";
    EXPECT_TRUE(instrument_->simulator.requestLog().isEmpty());
    EXPECT_EQ(instrument_->simulator.memory(), memory);
    // Reading the notebook again brings the records back.
    Wait(150);  // past the connection guard
    f.But_conectClick();
    EXPECT_EQ(TableRows().size(), 3);
}

TEST_F(TagsTest, DeletionAnsweredYesWritesTheNotebookAndReadsItBack) {
    TGround_form& f = Connected("510", kNotebook510);
    Select(0, 0);
    f.p_menu_set_delClick();  // 10.05.2026 in РЕКА
    Select(3, 3);
    f.Tabl_sort_name_datKeyDown(Qt::Key_Delete);  // 30.11.2026 in ОБЩАЯ ПАПКА
    dialogs.answer(DialogButton::Yes);
    f.But_exe_zapClick();
    EXPECT_EQ(dialogs.transcript(),
              QStringList{"Предупреждение|Сохранить изменения в блокноте прибора?"});
    const QStringList entries = Entries(f.protocolLines());
    const auto at = [&entries](const QString& text) { return entries.indexOf(text); };
    EXPECT_GE(at("Удаление 2 записей для прибора КВИР-510v2"), 0);
    EXPECT_GT(at("Обновление блокнота прибора КВИР-510v2"),
              at("Удаление 2 записей для прибора КВИР-510v2"));
    EXPECT_EQ(entries.last(), "Чтение блокнота из прибора КВИР-510v2");
    const QString stored = sim::SaveNotebookText(instrument_->simulator, QDate(2026, 12, 7));
    EXPECT_FALSE(stored.contains("2026-05-10")) << stored.toStdString();
    EXPECT_FALSE(stored.contains("2026-11-30")) << stored.toStdString();
    EXPECT_EQ(stored.count("record "), 2) << stored.toStdString();
    EXPECT_EQ(TableRows(), (QStringList{"1" + kRiverPh25.mid(1), kCommonPh}))
        << "the table shows the notebook read back";
}

TEST_F(TagsTest, TheEmptyRowOfAnEmptyNotebookDeletesNothing) {
    TGround_form& f = Connected("510", "folder 1 ОБЩАЯ ПАПКА\n");
    ASSERT_EQ(TableRows(), QStringList{"||||||||"});
    const QStringList protocol = f.protocolLines();
    Select(0, 0);
    f.Tabl_sort_name_datKeyDown(Qt::Key_Delete);
    EXPECT_EQ(Tags(), "d");
    f.But_exe_zapClick();  // no question: nothing was deleted
    EXPECT_TRUE(dialogs.calls().empty()) << dialogs.transcript().join('\n').toStdString();
    EXPECT_EQ(f.protocolLines(), protocol);
    EXPECT_EQ(Tags(), ".");
}

TEST_F(TagsTest, ARowThatNoLongerShowsItsSlotIsNotDeleted) {
    TGround_form& f = Connected("510", kNotebook510);
    // Freeing slot 0 packs the notebook without refilling the table, as the folder editor
    // does: the row showing slot 1 would now name another record.
    ClearRecordSlot(f.notebook(), 0);
    CompactNotebookImage(f.notebook());
    SetTags("...d");  // the row of slot 1
    f.Tabl_sort_name_dat->setCurrentCell(0, 2);
    dialogs.answer(DialogButton::Ok);
    f.But_exe_zapClick();
    // The operator hears why nothing was deleted.
    EXPECT_EQ(dialogs.transcript(),
              QStringList{"ВНИМАНИЕ!|Не удалено записей: 1\r\nстроки таблицы не соответствуют "
                          "блокноту в памяти\r\nотметьте записи заново"});
    EXPECT_EQ(RecordCount(f.notebook()), 3);
}

}  // namespace
}  // namespace kvir::test
