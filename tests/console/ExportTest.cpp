// Export of tagged records from the record table to ".csv" and ".txt" files: new, appended and
// replaced files byte for byte under Russian regional settings, and files that cannot be
// written. The file's own rules are tested with it (tests/report/ExportFileTest.cpp).
#include "SimConsoleFixture.h"
#include "instrument/Cp1251.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace kvir::test {
namespace {

const QString kHeader510 = QStringLiteral(
    "Папка           ;Дата/Время          ;Режим ;Т[С]    ;ЭДС[мВ]  ;pH      ;pH25    ;"
    "Пользователь                ;");
// The rows by folder.
const QStringList kLines510{
    QStringLiteral("РЕКА;10.05.2026;mV;18,25;105,50;4,2500;4,2500;  ;"),
    QStringLiteral("РЕКА;04.03.2026 9:12:48;pH25;20,00;0,00;6,0000;6,0000;  ;"),
    QStringLiteral("ОБЩАЯ ПАПКА;04.03.2026 9:12:48;pH;23,50;-12,30;5,5000;5,5000;  ;"),
    QStringLiteral("ОБЩАЯ ПАПКА;30.11.2026 23:59:58;not;-1,50;1234,50;3,0000;3,0000;  ;"),
};

QByteArray Bytes(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += cp1251::Encode(line) + "\r\n";
    }
    return bytes;
}

QString Last(const QStringList& protocol) {
    return protocol.isEmpty() ? QString() : protocol.last().section(QStringLiteral("  "), 1);
}

class ExportTest : public SimConsoleFixture {
  protected:
    void Connected(const QString& notebook = kNotebook510) {
        ConnectTo("510", notebook);
        Click("But_sort_name");
    }

    // Tags rows first..last "s" and carries the tags out.
    void ExportRows(int first, int last) {
        SelectRows(first, last);
        Click("p_menu_save");
        Click("But_exe_zap");
    }

    bool AnyTag() const { return Tags().contains(QRegularExpression("[^.]")); }
};

const QString kExists = QStringLiteral(
    "Экспорт данных|Файл уже существует\nДополнить его?\n\nДа - дополнить\n\nНет - заменить");

TEST_F(ExportTest, ANewFileGetsTheChosenExtensionTheHeaderAndTheTaggedRows) {
    Connected();
    ASSERT_TRUE(QDir(dir.path()).mkdir("v1.2"));
    struct Case {
        QString typed;
        int filter;
        QString written;
    };
    const Case cases[] = {
        {"otchet", 2, "otchet.txt"},
        {"otchet", 1, "otchet.csv"},
        {"v1.2/otchet", 1, "v1.2/otchet.csv"},
        {"otchet.dat", 2, "otchet.dat"},
    };
    for (const Case& c : cases) {
        dialogs.clear();
        dialogs.answerSave(PathOf(c.typed), c.filter);
        ExportRows(1, 2);
        EXPECT_EQ(dialogs.calls().size(), 1u) << "no question for a new file";
        EXPECT_EQ(ReadFile(c.written), Bytes({kHeader510, kLines510.at(1), kLines510.at(2)}))
            << c.written.toStdString();
        EXPECT_EQ(Last(Protocol()), "Замена файла отчета " + PathOf(c.written));
        EXPECT_FALSE(AnyTag());
    }
    EXPECT_FALSE(QFileInfo::exists(PathOf("otchet"))) << "nothing under the typed name";
}

TEST_F(ExportTest, AnExistingFileIsAppendedToOrReplacedAfterTheQuestion) {
    Connected();
    const QByteArray old = Bytes({kHeader510, kLines510.at(3)});
    WriteFile("otchet.csv", old);
    // Typed without extension: the question is about the file that would be written.
    dialogs.answerSave(PathOf("otchet"), 1);
    dialogs.answer(DialogButton::Yes);
    ExportRows(0, 1);
    EXPECT_EQ(dialogs.transcript().value(1), kExists);
    EXPECT_EQ(dialogs.calls().at(1).buttons, DialogButtons::YesNoCancel);
    EXPECT_EQ(dialogs.calls().at(1).icon, DialogIcon::Question);
    EXPECT_EQ(ReadFile("otchet.csv"), old + Bytes({kLines510.at(0), kLines510.at(1)}))
        << "no second header";
    EXPECT_EQ(Last(Protocol()), "Дополнение файла отчета " + PathOf("otchet.csv"));

    dialogs.clear();
    dialogs.answerSave(PathOf("otchet.csv"), 2);
    dialogs.answer(DialogButton::No);
    ExportRows(3, 3);
    EXPECT_EQ(ReadFile("otchet.csv"), Bytes({kHeader510, kLines510.at(3)}));
    EXPECT_EQ(Last(Protocol()), "Замена файла отчета " + PathOf("otchet.csv"));

    dialogs.clear();
    const QStringList protocol = Protocol();
    dialogs.answerSave(PathOf("otchet"), 1);
    dialogs.answer(DialogButton::Cancel);
    ExportRows(0, 3);
    EXPECT_EQ(ReadFile("otchet.csv"), Bytes({kHeader510, kLines510.at(3)}));
    EXPECT_EQ(Protocol(), protocol);
    EXPECT_FALSE(AnyTag()) << "a cancelled export still clears the tags";
}

TEST_F(ExportTest, AFileOfTheTypedNameDoesNotStandForTheCompletedOne) {
    Connected();
    WriteFile("otchet", "keep\r\n");
    dialogs.answerSave(PathOf("otchet"), 2);
    ExportRows(0, 0);
    EXPECT_EQ(dialogs.calls().size(), 1u) << "otchet.txt does not exist: no question";
    EXPECT_EQ(ReadFile("otchet"), "keep\r\n");
    EXPECT_EQ(ReadFile("otchet.txt"), Bytes({kHeader510, kLines510.at(0)}));
}

TEST_F(ExportTest, ATargetThatCannotBeOpenedIsReportedAndLeftAlone) {
    Connected();
    ASSERT_TRUE(QDir(dir.path()).mkdir("otchet.csv"));
    const QStringList protocol = Protocol();
    for (const DialogButton mode : {DialogButton::Yes, DialogButton::No}) {
        dialogs.clear();
        dialogs.answerSave(PathOf("otchet.csv"), 1);
        dialogs.answer(mode);
        dialogs.answer(DialogButton::Ok);
        ExportRows(0, 0);
        EXPECT_EQ(dialogs.transcript().value(2),
                  "ВНИМАНИЕ!|Ошибка при открытии файла\n" + PathOf("otchet.csv"));
        EXPECT_TRUE(QFileInfo(PathOf("otchet.csv")).isDir());
        EXPECT_EQ(Protocol(), protocol) << "no protocol entry";
        EXPECT_FALSE(AnyTag());
    }
}

TEST_F(ExportTest, AFolderNameWithSeparatorsKeepsEightFieldsPerLine) {
    Connected(
        "folder 1 ОБЩАЯ ПАПКА\n"
        "folder 2 Р;\"1\"\n"
        "record 2 2026-05-10 00:00:00 3 18.25 105.5 4.25\n");
    dialogs.answerSave(PathOf("otchet"), 1);
    ExportRows(0, 0);
    EXPECT_EQ(ReadFile("otchet.csv"),
              Bytes({kHeader510, "\"Р;\"\"1\"\"\";10.05.2026;mV;18,25;105,50;4,2500;4,2500;  ;"}));
}

}  // namespace
}  // namespace kvir::test
