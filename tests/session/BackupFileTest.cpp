// The lossless backup file: what it saves comes back bit for bit, and a file that is damaged,
// hand-edited or not a backup at all is refused whole.
#include "session/BackupFile.h"

#include "instrument/Cp1251.h"

#include <gtest/gtest.h>

#include <bit>
#include <limits>

namespace kvir {
namespace {

// A notebook with what a text format could lose: a name with the byte 0x98, free and
// unreadable entries, a NaN with a payload, negative zero, infinities, extreme stamps.
Notebook Awkward() {
    Notebook n;
    n.model = DeviceModel::Conc210;
    n.version = QStringLiteral("7");
    n.base = 0xA000;
    n.folders = {kCommonFolder, cp1251::Decode("\x98\xC0 \xFF"), kFreeFolder, kUnreadableFolder};
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
    return n;
}

TEST(BackupFile, RestoresEveryFieldBitForBit) {
    const Notebook saved = Awkward();
    Notebook loaded;
    ASSERT_EQ(
        DecodeBackup(EncodeBackup(saved, QDateTime(QDate(2026, 12, 7), QTime(9, 5, 14))), loaded),
        BackupFault::None);
    EXPECT_TRUE(SameContents(saved, loaded));
    EXPECT_EQ(loaded.version, saved.version);
    EXPECT_EQ(cp1251::Encode(loaded.folders.at(1)), QByteArray("\x98\xC0 \xFF"));
}

TEST(BackupFile, RefusesWhatIsNotAnIntactBackup) {
    const QByteArray good = EncodeBackup(Awkward(), QDateTime(QDate(2026, 12, 7), QTime(9, 0)));
    const auto changed = [&good](const QByteArray& from, const QByteArray& to) {
        QByteArray bytes = good;
        return bytes.replace(from, to);
    };
    const struct {
        const char* what;
        QByteArray bytes;
        BackupFault fault;
    } cases[] = {
        {"empty", {}, BackupFault::NotABackup},
        {"an export table", "Папка;Дата;\r\n", BackupFault::NotABackup},
        {"a newer format", changed("KVIR-NOTEBOOK 1", "KVIR-NOTEBOOK 2"), BackupFault::NewerFormat},
        {"a value changed by hand", changed("record 0 1 F0", "record 0 2 F0"),
         BackupFault::Damaged},
        {"a comment changed by hand", changed("# ОБЩАЯ", "# общая"), BackupFault::Damaged},
        {"cut short", good.left(good.size() / 2), BackupFault::Damaged},
        {"no check line", good.left(good.lastIndexOf("check")), BackupFault::Damaged},
    };
    for (const auto& c : cases) {
        Notebook notebook = Awkward();
        notebook.base = 1;
        EXPECT_EQ(DecodeBackup(c.bytes, notebook), c.fault) << c.what;
        EXPECT_EQ(notebook.base, 1) << c.what << ": a refused file changes nothing";
    }
}

}  // namespace
}  // namespace kvir
