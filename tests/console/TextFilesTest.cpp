// Text files: line splitting, Windows-1251 with CR LF, and writing that never leaves a
// half-written file.

#include "session/TextFiles.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    ASSERT_TRUE(SaveLinesAtomically(path, lines));
    EXPECT_EQ(LoadLines(path), lines);
}

TEST(TextFiles, ReplacingALongerFileLeavesNoTail) {
    QTemporaryDir dir;
    const QString path = dir.filePath("KVIR-Wpad.ini");
    ASSERT_TRUE(SaveLinesAtomically(path, {"a long first line", "second"}));
    ASSERT_TRUE(SaveLinesAtomically(path, {"b"}));
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
    FileFault fault = FileFault::None;
    EXPECT_FALSE(SaveLinesAtomically(dir.filePath("KVIR-Wpad.ini"), {"x"}, &fault));
    EXPECT_EQ(fault, FileFault::IsDirectory);
    EXPECT_TRUE(QFileInfo(dir.filePath("KVIR-Wpad.ini")).isDir());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());

    EXPECT_FALSE(SaveLinesAtomically(dir.filePath("no/such/dir/x.txt"), {"x"}, &fault));
    EXPECT_EQ(fault, FileFault::Missing);
}

// In a working directory that takes no new file, a file that is itself writable is written in
// place; a new file there is refused for want of permission. The check runs as an ordinary
// user (a child process drops root, which would ignore the permissions).
TEST(TextFiles, ReadOnlyDirectoryStillTakesItsWritableFiles) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("ro");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString existing = QDir(folder).filePath("KVIR-prot.txt");
    ASSERT_TRUE(SaveLinesAtomically(existing, {"old"}));
    const QByteArray dirPath = QFile::encodeName(dir.path());
    const QByteArray folderPath = QFile::encodeName(folder);
    const QByteArray filePath = QFile::encodeName(existing);
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chmod(dirPath.constData(), 0755), 0);
        ASSERT_EQ(chown(filePath.constData(), 65534, 65534), 0);
    }
    ASSERT_EQ(chmod(filePath.constData(), 0666), 0);
    ASSERT_EQ(chmod(folderPath.constData(), 0555), 0);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (root && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(10);
        }
        FileFault fault = FileFault::None;
        const bool inPlace = SaveLinesAtomically(QString::fromLocal8Bit(filePath), {"new"});
        const bool refused =
            !SaveLinesAtomically(QString::fromLocal8Bit(folderPath) + "/KVIR-Wpad.ini", {"x"},
                                 &fault) &&
            fault == FileFault::Permission;
        _exit((inPlace ? 0 : 1) + (refused ? 0 : 2));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    chmod(folderPath.constData(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: not written in place, 2: not refused as permission";
    EXPECT_EQ(LoadLines(existing), QStringList{"new"});
}

}  // namespace
}  // namespace kvir
