// Writing the notebook: the exact requests of every write operation, and random notebooks
// written through the write operations and read back unchanged.

#include "common/NotebookBench.h"
#include "instrument/NotebookTestSupport.h"

#include "instrument/MemoryLayout.h"

#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <memory>
#include <random>

namespace kvir {
namespace {

using test::NotebookBench;

const QString kFf15 = QStringLiteral("FF").repeated(15);
// A record of each layout in NotebookImage, and its bytes (worked out by hand).
const QString kRecord510 = QStringLiteral("01020108070000C841000048C10000E0405603");
const QString kRecord210 = QStringLiteral("03024000515A0C00000038410080B1430000803EB803");

// The stored fields of the two records, taken from NotebookImage slots as the writes are.
StoredRecord Record510() {
    auto m = std::make_unique<NotebookImage>();
    m->folderNo[0] = 3;
    m->modeCode[0] = 1;
    m->dayWord[0] = 0x0102;
    m->timeWord[0] = 1800;
    m->stamp[0] = 41640.5;
    m->value1[0] = 25.0f;
    m->value2[0] = -12.5f;
    m->value3[0] = 7.0f;
    m->value4[0] = 6.5f;  // recomputed when reading; never written
    return RecordFromSlot(*m, 0);
}

StoredRecord Record210() {
    auto m = std::make_unique<NotebookImage>();
    m->folderNo[0] = 3;
    m->modeCode[0] = 2;
    m->dayWord[0] = 64;
    m->timeWord[0] = 23121;
    m->stamp[0] = 41703.25;
    m->value1[0] = 11.5f;
    m->value2[0] = 355.0f;
    m->value3[0] = 0.25f;
    m->value4[0] = 12.9f;  // stored as 12
    return RecordFromSlot(*m, 0);
}

struct WriteCase {
    const char* name;
    DeviceModel model;
    std::function<ExchangeResult(Instrument&, const NotebookLayout&)> operation;
    ExchangeResult result;
    QStringList requests;
};

void PrintTo(const WriteCase& c, std::ostream* os) {
    *os << c.name;
}

class WriteRequests : public testing::TestWithParam<WriteCase> {};

// Base 0xE000: 13 folder pages, or 12 record pages (276 records).
TEST_P(WriteRequests, SendExactlyThese) {
    const WriteCase& c = GetParam();
    auto bench = std::make_unique<NotebookBench>(c.model, 0xE000);
    EXPECT_EQ(c.operation(bench->instrument, *LayoutOf(c.model)), c.result);
    EXPECT_EQ(bench->Requests(), c.requests);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, WriteRequests,
    testing::Values(
        WriteCase{"erase_common_folder_restores_its_header",
                  DeviceModel::Ph510,
                  [](Instrument& i, const NotebookLayout& l) { return i.EraseFolderPage(l, 0); },
                  xr::kOk,
                  {"18 E000 0", "18 E000 18 CEC1D9C0DF20CFC0CFCAC0FFFFFFFFFF290D"}},
        WriteCase{"erase_other_folder",
                  DeviceModel::Ph510,
                  [](Instrument& i, const NotebookLayout& l) { return i.EraseFolderPage(l, 3); },
                  xr::kOk,
                  {"18 E600 0"}},
        WriteCase{"header_of_common_folder_never_written",
                  DeviceModel::Ph510,
                  [](Instrument& i, const NotebookLayout& l) {
                      return i.WriteFolderHeader(l, 0, QStringLiteral("Новая"));
                  },
                  xr::kOk,
                  {}},
        WriteCase{"header_one_letter",
                  DeviceModel::Ph510,
                  [](Instrument& i, const NotebookLayout& l) {
                      return i.WriteFolderHeader(l, 1, QStringLiteral("A"));
                  },
                  xr::kOk,
                  {"18 E200 18 41" + kFf15 + "430F"}},
        WriteCase{"header_last_page",
                  DeviceModel::Ph510,
                  [](Instrument& i, const NotebookLayout& l) {
                      return i.WriteFolderHeader(l, 12, QStringLiteral("Я"));
                  },
                  xr::kOk,
                  {"18 F800 18 DF" + kFf15 + "E10F"}},
        WriteCase{"header_beyond_last_page",
                  DeviceModel::Ph510,
                  [](Instrument& i, const NotebookLayout& l) {
                      return i.WriteFolderHeader(l, 13, QStringLiteral("A"));
                  },
                  xr::kOutsideNotebook,
                  {}},
        WriteCase{"folder_record_last_place",
                  DeviceModel::Ph510,
                  [](Instrument& i, const NotebookLayout& l) {
                      return i.WriteFolderRecord(l, 2, 25, Record510());
                  },
                  xr::kOk,
                  {"18 E5ED 19 " + kRecord510}},
        WriteCase{"folder_record_beyond_last_page",
                  DeviceModel::Ph510,
                  [](Instrument& i, const NotebookLayout& l) {
                      return i.WriteFolderRecord(l, 13, 0, Record510());
                  },
                  xr::kOutsideNotebook,
                  {}},
        WriteCase{"reset_directory",
                  DeviceModel::Conc210,
                  [](Instrument& i, const NotebookLayout& l) { return i.ResetDirectory(l); },
                  xr::kOk,
                  {"20 F800 0", "20 F800 10 01CEC1D9C0DF20CFC0CFCAC00DFFFFFFFFFF290D"}},
        WriteCase{"directory_entry",
                  DeviceModel::Conc210,
                  [](Instrument& i, const NotebookLayout& l) {
                      return i.WriteDirectoryEntry(l, 2, QStringLiteral("A"));
                  },
                  xr::kOk,
                  {"20 F828 10 03410D" + kFf15 + "530F"}},
        WriteCase{"directory_entry_beyond_last",
                  DeviceModel::Conc210,
                  [](Instrument& i, const NotebookLayout& l) {
                      return i.WriteDirectoryEntry(l, 25, QStringLiteral("A"));
                  },
                  xr::kOutsideNotebook,
                  {}},
        WriteCase{"first_place_erases_its_page",
                  DeviceModel::Conc210,
                  [](Instrument& i, const NotebookLayout& l) {
                      return i.WritePagedRecord(l, 23, Record210());
                  },
                  xr::kOk,
                  {"20 E200 0", "20 E200 11 " + kRecord210}},
        WriteCase{"second_place_does_not_erase",
                  DeviceModel::Conc210,
                  [](Instrument& i, const NotebookLayout& l) {
                      return i.WritePagedRecord(l, 24, Record210());
                  },
                  xr::kOk,
                  {"20 E216 11 " + kRecord210}},
        WriteCase{"last_place_below_the_directory",
                  DeviceModel::Conc210,
                  [](Instrument& i, const NotebookLayout& l) {
                      return i.WritePagedRecord(l, 275, Record210());
                  },
                  xr::kOk,
                  {"20 F7E4 11 " + kRecord210}},
        WriteCase{"page_overlapping_the_directory_refused",
                  DeviceModel::Conc210,
                  [](Instrument& i, const NotebookLayout& l) {
                      return i.WritePagedRecord(l, 276, Record210());
                  },
                  xr::kOutsideNotebook,
                  {}},
        WriteCase{"erase_page",
                  DeviceModel::Conc210,
                  [](Instrument& i, const NotebookLayout&) { return i.ErasePage(0xE400); },
                  xr::kOk,
                  {"20 E400 0"}}),
    [](const testing::TestParamInfo<WriteCase>& p) { return std::string(p.param.name); });

TEST(NotebookWrite, TwoRequestOperationsStopAfterAFailedFirstRequest) {
    auto bench = std::make_unique<NotebookBench>(DeviceModel::Conc210, 0xE000);
    bench->simulator.addFault({sim::FaultKind::Failed, 20});
    const NotebookLayout& directory = DirectoryLayout();
    EXPECT_EQ(bench->instrument.WritePagedRecord(directory, 0, Record210()), xr::kCommandFailed);
    EXPECT_EQ(bench->instrument.ResetDirectory(directory), xr::kCommandFailed);
    // Three tries of the erase each, and nothing after it.
    EXPECT_EQ(bench->Requests(), QStringList({"20 E000 0", "20 E000 0", "20 E000 0", "20 F800 0",
                                              "20 F800 0", "20 F800 0"}));

    auto b510 = std::make_unique<NotebookBench>(DeviceModel::Ph510, 0xE000);
    b510->simulator.addFault({sim::FaultKind::Silence, 18});
    EXPECT_EQ(b510->instrument.EraseFolderPage(FolderPageLayout(), 0), xr::kNoReply);
    EXPECT_EQ(b510->Requests(), QStringList({"18 E000 0", "18 E000 0", "18 E000 0"}));
}

// ---- Round trips -------------------------------------------------------------------------

// Names the instrument can hold: no 0xFF byte ('я'), no CR, first byte neither 0x00 nor 0xFF.
QString RandomName(std::mt19937& random, int minLength) {
    static const QString letters = QStringLiteral(
        "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжзийклмнопрстуфхцчшщъыьэю"
        "ABCXYZabcxyz0123456789 .,-№«»");
    const int length = std::uniform_int_distribution<int>(minLength, kFolderNameMax)(random);
    QString name;
    for (int i = 0; i < length; ++i) {
        name += letters[std::uniform_int_distribution<int>(0, letters.size() - 1)(random)];
    }
    return name;
}

float RandomValue(std::mt19937& random) {
    // Bit patterns from the whole float range, NaN excepted (it would not compare equal).
    for (;;) {
        const float v = std::bit_cast<float>(static_cast<quint32>(random()));
        if (!std::isnan(v)) {
            return v;
        }
    }
}

void PutRandomRecord(std::mt19937& random, NotebookImage& m, int s, int folder) {
    m.folderNo[s] = static_cast<quint8>(folder);
    m.modeCode[s] = static_cast<quint8>(std::uniform_int_distribution<int>(1, 0xFE)(random));
    m.dayWord[s] = static_cast<quint16>(random());
    m.timeWord[s] = static_cast<quint16>(random());
    m.value1[s] = RandomValue(random);
    m.value2[s] = RandomValue(random);
    m.value3[s] = RandomValue(random);
}

// Every stored field alike; value 4 and the date as the reader derives them.
void ExpectSameRecords(const NotebookImage& written, const NotebookImage& read, DeviceModel model,
                       const QDate& today) {
    for (int s = 0; s < kNotebookSlots; ++s) {
        SCOPED_TRACE(testing::Message() << "slot " << s);
        ASSERT_EQ(read.folderNo[s], written.folderNo[s]);
        if (written.folderNo[s] == 0) {
            continue;
        }
        ASSERT_EQ(read.modeCode[s], written.modeCode[s]);
        ASSERT_EQ(read.dayWord[s], written.dayWord[s]);
        ASSERT_EQ(read.timeWord[s], written.timeWord[s]);
        ASSERT_EQ(std::bit_cast<quint32>(read.value1[s]),
                  std::bit_cast<quint32>(written.value1[s]));
        ASSERT_EQ(std::bit_cast<quint32>(read.value2[s]),
                  std::bit_cast<quint32>(written.value2[s]));
        ASSERT_EQ(std::bit_cast<quint32>(read.value3[s]),
                  std::bit_cast<quint32>(written.value3[s]));
        if (model == DeviceModel::Ph510) {
            ASSERT_EQ(std::bit_cast<quint32>(read.value4[s]),
                      std::bit_cast<quint32>(Ph25(written.value1[s], written.value3[s])));
            ASSERT_EQ(read.stamp[s], Stamp510(today, written.dayWord[s], written.timeWord[s]));
        } else {
            ASSERT_EQ(read.value4[s], written.value4[s]);
            ASSERT_EQ(read.stamp[s], Stamp210(today, written.dayWord[s], written.timeWord[s]));
        }
    }
}

TEST(NotebookRoundTrip, FolderPagesWrittenAndReadBack) {
    std::mt19937 random(510);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        auto bench = std::make_unique<NotebookBench>(DeviceModel::Ph510, 0xE000);
        // Old contents everywhere, so that every page must be erased to read back right.
        QByteArray junk(0x10000, '\0');
        for (char& b : junk) {
            b = static_cast<char>(random());
        }
        ASSERT_TRUE(bench->simulator.setMemory(junk));

        const int pages = PageCount(DeviceModel::Ph510, 0xE000);
        QStringList folders{kCommonFolder};
        auto written = std::make_unique<NotebookImage>();
        int s = 0;
        for (int j = 0; j < pages; ++j) {
            if (j > 0) {
                folders << (random() % 3 == 0 ? kFreeFolder : RandomName(random, 1));
            }
            if (folders[j] == kFreeFolder) {
                continue;
            }
            // The common folder and one more are full.
            const int n = (j == 0 || j == 5) ? 26 : static_cast<int>(random() % 27);
            for (int k = 0; k < n; ++k) {
                PutRandomRecord(random, *written, s++, j + 1);
            }
        }
        Instrument& instrument = bench->instrument;
        const NotebookLayout& layout = FolderPageLayout();
        for (int j = 0; j < pages; ++j) {
            ASSERT_EQ(instrument.EraseFolderPage(layout, j), xr::kOk);
            if (folders[j] == kFreeFolder) {
                continue;
            }
            ASSERT_EQ(instrument.WriteFolderHeader(layout, j, folders[j]), xr::kOk);
            int place = 0;
            for (int slot = 0; slot < kNotebookSlots; ++slot) {
                if (written->folderNo[slot] == j + 1) {
                    ASSERT_EQ(instrument.WriteFolderRecord(layout, j, place++,
                                                           RecordFromSlot(*written, slot)),
                              xr::kOk);
                }
            }
        }

        ASSERT_EQ(bench->ReadWhole(), xr::kOk);
        EXPECT_EQ(bench->notebook.folders, folders);
        ExpectSameRecords(*written, bench->notebook.image, DeviceModel::Ph510, bench->today);
        EXPECT_TRUE(bench->warnings.isEmpty());
    }
}

TEST(NotebookRoundTrip, DirectoryAndRecordPagesWrittenAndReadBack) {
    std::mt19937 random(210);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        auto bench = std::make_unique<NotebookBench>(DeviceModel::Conc210, 0xE000);
        ASSERT_TRUE(
            bench->simulator.setMemory(test::LoadHexImage(test::TestDataPath("notebook210.hex"))));

        QStringList folders{kCommonFolder};
        QList<int> named{1};
        for (int e = 1; e < 25; ++e) {
            folders << (random() % 3 == 0 ? kFreeFolder : RandomName(random, 0));
            if (folders[e] != kFreeFolder) {
                named << e + 1;
            }
        }
        // Up to the capacity of 12 pages; the last round fills it.
        const int capacity = PageCount(DeviceModel::Conc210, 0xE000) * 23;
        const int n = round == 2 ? capacity : static_cast<int>(random() % capacity);
        auto written = std::make_unique<NotebookImage>();
        for (int s = 0; s < n; ++s) {
            PutRandomRecord(random, *written, s, named[static_cast<int>(random() % named.size())]);
            written->value4[s] = static_cast<float>(random() % 65536);
        }
        Instrument& instrument = bench->instrument;
        const NotebookLayout& layout = DirectoryLayout();
        ASSERT_EQ(instrument.SetExchangeMode(1), xr::kOk);
        ASSERT_EQ(instrument.ResetDirectory(layout), xr::kOk);
        for (int e = 1; e < folders.size(); ++e) {
            if (folders[e] != kFreeFolder) {
                ASSERT_EQ(instrument.WriteDirectoryEntry(layout, e, folders[e]), xr::kOk);
            }
        }
        for (int a = 0xE000; a < 0xF800; a += 512) {
            ASSERT_EQ(instrument.ErasePage(a), xr::kOk);
        }
        for (int s = 0; s < n; ++s) {
            ASSERT_EQ(instrument.WritePagedRecord(layout, s, RecordFromSlot(*written, s)), xr::kOk);
        }
        ASSERT_EQ(instrument.SetExchangeMode(2), xr::kOk);

        ASSERT_EQ(bench->ReadWhole(), xr::kOk);
        EXPECT_EQ(bench->notebook.folders, folders);
        ExpectSameRecords(*written, bench->notebook.image, DeviceModel::Conc210, bench->today);
        EXPECT_TRUE(bench->warnings.isEmpty());
    }
}

}  // namespace
}  // namespace kvir
