// Notebook digests, and random notebooks of both models written by the sequences and read
// back whole: what was written must be what is read, folder renumbering aside.

#include "SequenceBench.h"
#include "session/OperatorTexts.h"

#include <gtest/gtest.h>

#include <QMap>

#include <random>

namespace kvir {
namespace {

using test::MakeRecord;
using test::PutRecord;
using test::SequenceBench;

const QString kFree = kFreeFolder;

// ---- Digests -------------------------------------------------------------------------------

TEST(NotebookDigest, IgnoresFolderNumbersButNotStoredFields) {
    for (const DeviceModel model : {DeviceModel::Ph510, DeviceModel::Conc210}) {
        SCOPED_TRACE(DisplayName(model).toStdString());
        // Folder "A" third in one notebook, second in the other.
        Notebook third = test::Blank(model, 0xD000, {kCommonFolder, kFree, "A"});
        Notebook second = test::Blank(model, 0xD000, {kCommonFolder, "A", kFree});
        PutRecord(third.image, 0, MakeRecord(3, 0));
        PutRecord(third.image, 1, MakeRecord(1, 1));
        PutRecord(second.image, 0, MakeRecord(1, 1));
        PutRecord(second.image, 1, MakeRecord(2, 0));
        const NotebookDigest a = DigestOf(third);
        EXPECT_EQ(a, DigestOf(second));
        EXPECT_EQ(a.folders, QStringList({kCommonFolder, "A"}));

        second.image.value2[1] += 1.0f;
        EXPECT_NE(a, DigestOf(second));
        // Value 4 is stored by the "КВИР-210v1" only (and only its integer part).
        second.image.value2[1] -= 1.0f;
        second.image.value4[1] += 0.1f;
        EXPECT_EQ(a, DigestOf(second));
        second.image.value4[1] += 1.0f;
        EXPECT_EQ(a == DigestOf(second), model == DeviceModel::Ph510);
    }
}

// A folder page keeps 26 records of a named folder; a record page keeps every record.
TEST(NotebookDigest, HoldsWhatTheLayoutKeeps) {
    Notebook notebook = test::Blank(DeviceModel::Ph510, 0xD000, {kCommonFolder, "A", kFree});
    for (int s = 0; s < 27; ++s) {
        PutRecord(notebook.image, s, MakeRecord(2, s));
    }
    PutRecord(notebook.image, 27, MakeRecord(3, 27));  // filed in a free folder
    EXPECT_EQ(DigestOf(notebook).records.size(), 26);
    notebook.model = DeviceModel::Conc210;
    EXPECT_EQ(DigestOf(notebook).records.size(), 28);
}

TEST(NotebookDigest, DescribesTheFirstDifference) {
    const QByteArray r1("\x01\x02", 2);
    const QByteArray r2("\x01\x03", 2);
    const NotebookDigest base{{kCommonFolder, "A"}, {{"A", r1}, {"A", r2}, {kCommonFolder, r1}}};
    struct Case {
        NotebookDigest read;
        QString text;
    };
    const Case cases[] = {
        {base, ""},
        {{{kCommonFolder, "B"}, base.records}, "Папка 2: записана «A», прочитана «B»"},
        {{{kCommonFolder}, base.records}, "Папок записано 2, прочитано 1"},
        {{base.folders, {{"A", r1}, {kCommonFolder, r1}}},
         "Папка «A»: записей записано 2, прочитано 1"},
        {{base.folders, {{"A", r1}, {"A", r1}, {kCommonFolder, r1}}},
         "Папка «A»: записи прочитаны с искажениями"},
        {{base.folders, {{"A", r1}, {"A", r2}}},
         "Папка «ОБЩАЯ ПАПКА»: записей записано 1, прочитано 0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NotebookDifferenceText(DescribeDifference(base, c.read)), c.text);
    }
}

// ---- Round trips -----------------------------------------------------------------------------

// Names either layout stores unchanged: no 'я' (byte 0xFF), no CR.
QString RandomName(std::mt19937& random, int minLength) {
    static const QString letters = QStringLiteral(
        "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжзийклмнопрстуфхцчшщъыьэю"
        "ABCXYZabcxyz0123456789 .,-№«»");
    const int length = std::uniform_int_distribution<int>(minLength, 16)(random);
    QString name;
    for (int i = 0; i < length; ++i) {
        name += letters[std::uniform_int_distribution<int>(0, letters.size() - 1)(random)];
    }
    return name;
}

void PutRandomRecord(std::mt19937& random, NotebookImage& m, int s, int folder) {
    std::uniform_real_distribution<float> value(-1000.0f, 1000.0f);
    m.folderNo[s] = static_cast<quint8>(folder);
    m.modeCode[s] = static_cast<quint8>(std::uniform_int_distribution<int>(1, 0xFE)(random));
    m.dayWord[s] = static_cast<quint16>(random());
    m.timeWord[s] = static_cast<quint16>(random());
    m.value1[s] = value(random);
    m.value2[s] = value(random);
    m.value3[s] = value(random);
    m.value4[s] = static_cast<float>(random() % 65536);
}

enum class Write { Notebook, Folder };

struct RoundTripCase {
    const char* name;
    DeviceModel model;
    Write write;
    int folderCount;  // entries of the folder list
    int folderLimit;  // folder numbers of the random records run from 1 to this
};

void PrintTo(const RoundTripCase& c, std::ostream* os) {
    *os << c.name;
}

class RoundTrip : public testing::TestWithParam<RoundTripCase> {};

// Base 0xD000: 21 folder pages, or 20 record pages (460 records). Records go to named and
// free folders alike, and some beyond the folder list (never beyond the pages or the
// directory: each would need a free entry). A whole write is prepared as the session prepares
// it; a "КВИР-510v2" folder gets no more than its page's 26 records (more are refused before
// anything is sent).
TEST_P(RoundTrip, WrittenNotebookReadsBackEqual) {
    const RoundTripCase& c = GetParam();
    std::mt19937 random(static_cast<quint32>(c.folderLimit * 7 + static_cast<int>(c.write)));
    const int capacity = RecordCapacity(DeviceModel::Conc210, 0xD000);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        auto bench = std::make_unique<SequenceBench>(c.model, 0xD000);
        ASSERT_TRUE(bench->simulator.setMemory(test::JunkMemory(static_cast<quint32>(random()))));
        Notebook notebook = test::Blank(c.model, 0xD000, {kCommonFolder});
        for (int e = 1; e < c.folderCount; ++e) {
            notebook.folders << (random() % 3 == 0
                                     ? kFree
                                     : RandomName(random, c.model == DeviceModel::Ph510 ? 1 : 0));
        }
        const int n = round == 2 ? capacity : static_cast<int>(random() % capacity);
        QMap<int, int> perFolder;
        for (int s = 0, k = 0; k < n; ++k) {
            const int folder =
                1 + static_cast<int>(random() % static_cast<unsigned>(c.folderLimit));
            if (c.model == DeviceModel::Ph510 && ++perFolder[folder] > 26) {
                continue;
            }
            PutRandomRecord(random, notebook.image, s++, folder);
        }

        ExchangeResult r = xr::kOk;
        if (c.write == Write::Notebook) {
            ASSERT_EQ(PrepareWholeWrite(notebook, 0xD000, false), WholeWriteFault::None);
            r = WriteNotebookSequence(bench->instrument, notebook, {});
        } else {
            r = WriteFolderSequence(bench->instrument, notebook, 1, notebook.folders[1], {});
        }
        ASSERT_EQ(r, xr::kOk);
        const NotebookDigest written = DigestOf(notebook);

        const NotebookRead read = ReadWholeNotebook(bench->instrument, c.model, bench->today);
        ASSERT_EQ(read.outcome.result, xr::kOk);
        ASSERT_TRUE(read.outcome.completed);
        const NotebookDigest back = DigestOf(read.notebook);
        EXPECT_EQ(written, back)
            << NotebookDifferenceText(DescribeDifference(written, back)).toStdString();
        EXPECT_FALSE(LossesOf(read.notebook).any());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Models, RoundTrip,
    testing::Values(
        RoundTripCase{"folder_pages_notebook", DeviceModel::Ph510, Write::Notebook, 18, 21},
        RoundTripCase{"directory_notebook", DeviceModel::Conc210, Write::Notebook, 20, 25},
        RoundTripCase{"directory_folder", DeviceModel::Conc210, Write::Folder, 25, 25}),
    [](const testing::TestParamInfo<RoundTripCase>& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace kvir
