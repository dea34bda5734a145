// Text files: line splitting, Windows-1251 with CR LF, and writing that never leaves a
// half-written file.

#include "TextFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kvir {
namespace {

TEST(TextFiles, SplitLinesAcceptsEveryLineEnd) {
    const struct {
        const char* text;
        QStringList lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\rb\nc", {"a", "b", "c"}},
        {"a\r\n\r\n", {"a", ""}},
        {"\r\n", {""}},
        {"a\n\rb", {"a", "", "b"}},
        {" \r\n", {" "}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitLines(QString::fromLatin1(c.text)), c.lines) << c.text;
    }
}

TEST(TextFiles, EncodesWindows1251WithCrLfAfterEveryLine) {
    EXPECT_EQ(EncodeLines({}), QByteArray());
    EXPECT_EQ(EncodeLines({QString()}), QByteArray("\r\n"));
    EXPECT_EQ(EncodeLines({QStringLiteral("Начало работы"), QStringLiteral("x")}),
              QByteArray("\xCD\xE0\xF7\xE0\xEB\xEE \xF0\xE0\xE1\xEE\xF2\xFB\r\nx\r\n"));
}

TEST(TextFiles, LoadLinesRefusesWhatCannotBeRead) {
    QTemporaryDir dir;
    EXPECT_FALSE(LoadLines(dir.filePath("missing.txt")).has_value());
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.ini"));
    EXPECT_FALSE(LoadLines(dir.filePath("folder.ini")).has_value());
}

TEST(TextFiles, SavedLinesLoadBackUnchanged) {
    QTemporaryDir dir;
    const QString path = dir.filePath("KVIR-prot.txt");
    const QStringList lines{QStringLiteral("07.12.2026 9:05:14  Начало работы"), QString(),
                            QStringLiteral(" ")};
    QString error;
    ASSERT_TRUE(SaveLinesAtomically(path, lines, &error)) << error.toStdString();
    EXPECT_EQ(LoadLines(path), lines);
}

TEST(TextFiles, ReplacingALongerFileLeavesNoTail) {
    QTemporaryDir dir;
    const QString path = dir.filePath("KVIR-Wpad.ini");
    QString error;
    ASSERT_TRUE(SaveLinesAtomically(path, {"a long first line", "second"}, &error));
    ASSERT_TRUE(SaveLinesAtomically(path, {"b"}, &error));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("b\r\n"));
    // Only the file itself remains: no temporary file beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"KVIR-Wpad.ini"});
}

TEST(TextFiles, FailedWriteReportsAReasonAndLeavesNothingBehind) {
    QTemporaryDir dir;
    // The target is a directory: the rename that would replace it must fail.
    ASSERT_TRUE(QDir(dir.path()).mkdir("KVIR-Wpad.ini"));
    QString error;
    EXPECT_FALSE(SaveLinesAtomically(dir.filePath("KVIR-Wpad.ini"), {"x"}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QFileInfo(dir.filePath("KVIR-Wpad.ini")).isDir());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());

    error.clear();
    EXPECT_FALSE(SaveLinesAtomically(dir.filePath("no/such/dir/x.txt"), {"x"}, &error));
    EXPECT_FALSE(error.isEmpty());
}

}  // namespace
}  // namespace kvir
