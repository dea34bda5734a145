// Export of tagged records to ".csv" and ".txt" files: the name rule, the field quoting, new,
// appended and replaced files byte for byte under Russian regional settings, and files that
// cannot be written.
#include "ExportFile.h"
#include "SimConsoleFixture.h"
#include "common/FileSizeLimit.h"
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

TEST(ExportFile, TargetNameIsCompletedWhenTheFileNameHasNoFullStop) {
    struct Case {
        QString chosen;
        int filter;
        QString target;
    };
    const Case cases[] = {
        {"/data/otchet", 1, "/data/otchet.csv"},
        {"/data/otchet", 2, "/data/otchet.txt"},
        {"/data/otchet", 0, "/data/otchet.csv"},
        {"/data/otchet.dat", 2, "/data/otchet.dat"},
        {"/data/otchet.", 1, "/data/otchet."},
        {"/data/v1.2/otchet", 1, "/data/v1.2/otchet.csv"},
        {"/data/v1.2/otchet", 2, "/data/v1.2/otchet.txt"},
        {"C:\\Отчеты.2026\\otchet", 2, "C:\\Отчеты.2026\\otchet.txt"},
        {"/data/.otchet", 1, "/data/.otchet"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExportTargetName(c.chosen, c.filter), c.target)
            << c.chosen.toStdString() << " filter " << c.filter;
    }
}

TEST(ExportFile, FieldsWithSeparatorsOrQuotesAreQuoted) {
    struct Case {
        QString field;
        QString written;
    };
    const Case cases[] = {
        {"ОБЩАЯ ПАПКА", "ОБЩАЯ ПАПКА"}, {"", ""},
        {"Т[С]    ", "Т[С]    "},       {"A;B", "\"A;B\""},
        {"Р\"1\"", "\"Р\"\"1\"\"\""},   {"\"", "\"\"\"\""},
        {"a\nb", "\"a\nb\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExportField(c.field), c.written) << c.field.toStdString();
    }
    EXPECT_EQ(ExportLine({"A;B", "x", "", "\"q\""}), "\"A;B\";x;;\"\"\"q\"\"\";");
}

TEST(ExportFile, AppendKeepsTheOldBytesAndEndsTheirLastLine) {
    QTemporaryDir dir;
    const QString path = dir.filePath("old.csv");
    const QByteArray old("first;\nsecond \x98\xC0;");  // LF ends, a byte without a character
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    ASSERT_TRUE(AppendExportFile(path, {"РЕКА;1;"}));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), old + "\r\n" + cp1251::Encode("РЕКА;1;") + "\r\n");
}

TEST(ExportFile, AFailedWriteLeavesTheOldFileWhole) {
    QTemporaryDir dir;
    const QString path = dir.filePath("old.csv");
    const QByteArray old = Bytes({kHeader510, kLines510.at(0)});
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    QStringList many;
    for (int i = 0; i < 50; ++i) {
        many << kLines510.at(1);
    }
    FileFault appended = FileFault::None;
    FileFault replaced = FileFault::None;
    {
        // A file size limit fails the write as a full disk would.
        const FileSizeLimit limit(static_cast<rlim_t>(old.size()) + 100);
        EXPECT_FALSE(AppendExportFile(path, many, &appended));
        EXPECT_FALSE(ReplaceExportFile(path, many, &replaced));
    }
    EXPECT_EQ(appended, FileFault::DiskFull);
    EXPECT_EQ(replaced, FileFault::DiskFull);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"old.csv"})
        << "no temporary file is left behind";
}

TEST(ExportFile, ADirectoryIsNeitherAppendedToNorReplaced) {
    QTemporaryDir dir;
    const QString path = dir.filePath("otchet.csv");
    ASSERT_TRUE(QDir().mkdir(path));
    FileFault fault = FileFault::None;
    EXPECT_FALSE(AppendExportFile(path, {"x;"}, &fault));
    EXPECT_EQ(fault, FileFault::IsDirectory);
    EXPECT_FALSE(ReplaceExportFile(path, {"x;"}, &fault));
    EXPECT_EQ(fault, FileFault::IsDirectory);
    EXPECT_TRUE(QFileInfo(path).isDir());
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
