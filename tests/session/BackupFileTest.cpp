// The lossless backup file: what it saves comes back bit for bit, pages included; backups of
// the earlier format still load; a file that is damaged, hand-edited, not a backup at all, or
// more than the instrument can take back is refused whole.
#include "session/BackupFile.h"

#include "instrument/Cp1251.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <limits>

namespace kvir {
namespace {

const QDateTime kSaved(QDate(2026, 12, 7), QTime(9, 5, 14));

// A notebook with what a text format could lose: a name with the byte 0x98, an empty name, a
// name with a line feed, free and unreadable entries, a NaN with a payload, negative zero,
// infinities, extreme stamps, and the pages read, every byte value among them.
Notebook Awkward() {
    Notebook n;
    n.model = DeviceModel::Conc210;
    n.version = QStringLiteral("7");
    n.base = 0xA000;
    n.folders = {kCommonFolder, cp1251::Decode("\x98\xC0 \xFF"), kFreeFolder, kUnreadableFolder,
                 QString(),     QStringLiteral("A\nB")};
    const float values[] = {std::bit_cast<float>(0x7FC12345u),
                            -0.0f,
                            std::numeric_limits<float>::infinity(),
                            1e-45f,
                            3.4e38f,
                            21.5f};
    for (int s = 0; s < 6; ++s) {
        const auto i = static_cast<size_t>(s);
        n.image.folderNo[i] = static_cast<quint8>(1 + s % 4);
        n.image.modeCode[i] = static_cast<quint8>(0xF0 + s);
        n.image.dayWord[i] = static_cast<quint16>(0xFFFF - s);
        n.image.timeWord[i] = static_cast<quint16>(43199 - s);
        n.image.stamp[i] = std::bit_cast<double>(0x40E6C3E0DEADBEEFull + static_cast<quint64>(s));
        n.image.value1[i] = values[s];
        n.image.value2[i] = values[5 - s];
        n.image.value3[i] = -values[s];
        n.image.value4[i] = values[(s + 2) % 6];
    }
    for (const int address : {0xA000, 0xA400, 0xF800}) {
        QByteArray page(kBlockReadBytes, '\0');
        for (int b = 0; b < page.size(); ++b) {
            page[b] = static_cast<char>(b + address / 512);
        }
        n.pages.insert(address, page);
    }
    return n;
}

TEST(BackupFile, RestoresEveryFieldAndPageBitForBit) {
    const Notebook saved = Awkward();
    const QByteArray file = EncodeBackup(saved, kSaved);
    EXPECT_TRUE(file.startsWith("KVIR-NOTEBOOK 2\n"));
    Notebook loaded;
    ASSERT_EQ(DecodeBackup(file, loaded), BackupFault::None);
    EXPECT_TRUE(SameContents(saved, loaded));
    EXPECT_EQ(loaded.version, saved.version);
    EXPECT_EQ(cp1251::Encode(loaded.folders.at(1)), QByteArray("\x98\xC0 \xFF"));
    EXPECT_EQ(loaded.pages, saved.pages);
}

// The seeds of the decoder's fuzzing are backups as consoles wrote them, of both models and
// both formats; each loads, a format-1 one without pages, and saves again (as format 2) to
// the same notebook.
TEST(BackupFile, LoadsBackupsOfBothFormats) {
    const QDir corpus(QStringLiteral(KVIR_SOURCE_DIR "/tests/fuzz/backup-corpus"));
    const QStringList files = corpus.entryList({QStringLiteral("*.kvir")}, QDir::Files);
    ASSERT_GE(files.size(), 4);
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        QFile file(corpus.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        Notebook loaded;
        ASSERT_EQ(DecodeBackup(bytes, loaded), BackupFault::None);
        EXPECT_GT(RecordCountOf(loaded), 0);
        if (bytes.startsWith("KVIR-NOTEBOOK 1\n")) {
            EXPECT_TRUE(loaded.pages.isEmpty());
        }
        Notebook again;
        ASSERT_EQ(DecodeBackup(EncodeBackup(loaded, kSaved), again), BackupFault::None);
        EXPECT_TRUE(SameContents(loaded, again));
        EXPECT_EQ(again.pages, loaded.pages);
    }
}

// The 1-based number of the first line of `bytes` that starts with `prefix`; 0 when none.
int LineOf(const QByteArray& bytes, const QByteArray& prefix) {
    const QList<QByteArray> lines = bytes.split('\n');
    for (int n = 0; n < lines.size(); ++n) {
        if (lines[n].startsWith(prefix)) {
            return n + 1;
        }
    }
    return 0;
}

TEST(BackupFile, RefusesWhatIsNotAnIntactOrRestorableBackup) {
    const QByteArray good = EncodeBackup(Awkward(), kSaved);
    const auto changed = [&good](const QByteArray& from, const QByteArray& to) {
        QByteArray bytes = good;
        return bytes.replace(from, to);
    };
    // An intact file of a notebook changed by `change`.
    const auto with = [](const std::function<void(Notebook&)>& change) {
        Notebook n = Awkward();
        change(n);
        return EncodeBackup(n, kSaved);
    };
    const auto records = [](Notebook& n, int count, quint8 folder) {
        for (int s = 0; s < count; ++s) {
            n.image.folderNo[static_cast<size_t>(s)] = folder;
        }
    };
    const struct {
        const char* what;
        QByteArray bytes;
        BackupFault fault;
        QByteArray line;  // the start of the line at fault; empty: not checked
    } cases[] = {
        {"empty", {}, BackupFault::NotABackup, {}},
        {"an export table", "Папка;Дата;\r\n", BackupFault::NotABackup, {}},
        {"a newer format",
         changed("KVIR-NOTEBOOK 2", "KVIR-NOTEBOOK 3"),
         BackupFault::NewerFormat,
         {}},
        {"a value changed by hand",
         changed("record 0 1 F0", "record 0 2 F0"),
         BackupFault::Damaged,
         {}},
        {"a comment changed by hand", changed("# ОБЩАЯ", "# общая"), BackupFault::Damaged, {}},
        {"a page changed by hand",
         changed("page F800 7C", "page F800 7D"),
         BackupFault::Damaged,
         {}},
        {"cut short", good.left(good.size() / 2), BackupFault::Damaged, {}},
        {"no check line", good.left(good.lastIndexOf("check")), BackupFault::Damaged, {}},
        {"a record beyond the folder list", with([&](Notebook& n) { records(n, 1, 7); }),
         BackupFault::None, ""},
        // The instrument stores a record's folder byte as it is: a backup keeps it, and only
        // a restore (which cannot put it back in place) is refused.
        {"a 210 record above folder 25", with([&](Notebook& n) {
             n.folders.resize(25, kFreeFolder);
             records(n, 2, 26);
         }),
         BackupFault::None, ""},
        {"more folders than the directory holds",
         with([](Notebook& n) { n.folders.resize(26, kFreeFolder); }), BackupFault::Unrestorable,
         "folders "},
        {"more records than the pages hold", with([&](Notebook& n) {
             n.base = 0xF600;  // one record page of 23
             n.pages.clear();
             records(n, 24, 1);
         }),
         BackupFault::Unrestorable, "records "},
        {"a page the layout does not read",
         with([](Notebook& n) { n.pages.insert(0x9E00, QByteArray(kBlockReadBytes, '\0')); }),
         BackupFault::Unrestorable, "page 9E00 "},
        {"a 510 record beyond the pages", with([&](Notebook& n) {
             n.model = DeviceModel::Ph510;
             n.base = 0xF600;  // two folder pages
             n.folders = {kCommonFolder, kFreeFolder};
             n.pages.clear();
             records(n, 3, 3);
         }),
         BackupFault::Unrestorable, "record 0 "},
        {"27 records in one folder page", with([&](Notebook& n) {
             n.model = DeviceModel::Ph510;
             n.base = 0xF000;
             n.folders = {kCommonFolder};
             n.pages.clear();
             records(n, 27, 1);
         }),
         BackupFault::Unrestorable, "record 26 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Notebook notebook = Awkward();
        notebook.base = 1;
        int line = 0;
        EXPECT_EQ(DecodeBackup(c.bytes, notebook, &line), c.fault);
        if (c.fault != BackupFault::None) {
            EXPECT_EQ(notebook.base, 1) << "a refused file changes nothing";
        }
        if (!c.line.isEmpty()) {
            EXPECT_EQ(line, LineOf(c.bytes, c.line));
        }
    }
}

}  // namespace
}  // namespace kvir
