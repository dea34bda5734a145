// The export file: the name rule, the field quoting, appending that keeps the old bytes, and
// files that cannot be written.
#include "common/FileSizeLimit.h"
#include "instrument/Cp1251.h"
#include "report/ExportFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kvir::test {
namespace {

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
    const QString line =
        QStringLiteral("РЕКА;04.03.2026 9:12:48;pH25;20,00;0,00;6,0000;6,0000;  ;");
    const QByteArray old = cp1251::Encode(line) + "\r\n";
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    QStringList many;
    for (int i = 0; i < 50; ++i) {
        many << line;
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

}  // namespace
}  // namespace kvir::test
