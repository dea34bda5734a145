#include "instrument/MemoryLayout.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

namespace kvir {
namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(text);
}
QByteArray Ff(int n) {
    return QByteArray(n, static_cast<char>(0xFF));
}

const NotebookLayout& L510() {
    return *LayoutOf(DeviceModel::Ph510);
}
const NotebookLayout& L210() {
    return *LayoutOf(DeviceModel::Conc210);
}

// ---- Fields and check words ------------------------------------------------------------------

TEST(MemoryLayout, LittleEndianFields) {
    QByteArray b(8, '\0');
    putU16le(b, 1, 0xF828);
    EXPECT_EQ(b.mid(1, 2), Hex("28F8"));
    EXPECT_EQ(getU16le(b, 1), 0xF828);

    putF32le(b, 4, 25.0f);
    EXPECT_EQ(b.mid(4, 4), Hex("0000C841"));
    EXPECT_EQ(getF32le(Hex("000048C1"), 0), -12.5f);

    // Bit patterns pass unchanged, including ones no arithmetic would produce.
    for (const quint32 bits : {0x80000000u, 0x7FC00001u, 0x00000001u, 0xFFFFFFFFu}) {
        putF32le(b, 2, std::bit_cast<float>(bits));
        EXPECT_EQ(std::bit_cast<quint32>(getF32le(b, 2)), bits);
    }
}

TEST(MemoryLayout, CheckWordWrapsAtSixteenBits) {
    EXPECT_EQ(CheckWord(QByteArray(), 0), 17);
    // 17 + 257 × 255 = 65552, which wraps to 16.
    EXPECT_EQ(CheckWord(Ff(257), 257), 16);
    QByteArray b = Hex("0102030000");
    putCheckWord(b, 3);
    EXPECT_EQ(b, Hex("0102031700"));
}

// ---- Names -----------------------------------------------------------------------------------

TEST(MemoryLayout, FolderHeaderBytes) {
    EXPECT_EQ(EncodeFolderHeader(L510(), "A"), Hex("41") + Ff(15) + Hex("430F"));
    EXPECT_EQ(EncodeFolderHeader(L510(), ""), Ff(16) + Hex("0110"));
    // The common folder's header carries the instrument's fixed check word.
    EXPECT_EQ(CommonFolderHeader(L510()), Hex("CEC1D9C0DF20CFC0CFCAC0") + Ff(5) + Hex("290D"));
    // A sixteen-byte name leaves no fill; a longer one is cut.
    const QByteArray sixteen("ABCDEFGHIJKLMNOP");
    EXPECT_EQ(EncodeFolderHeader(L510(), sixteen).left(16), sixteen);
    EXPECT_EQ(EncodeFolderHeader(L510(), sixteen + "Q"), EncodeFolderHeader(L510(), sixteen));
}

TEST(MemoryLayout, FolderNameOfPage) {
    EXPECT_EQ(FolderNameOfPage(L510(), Hex("C0C1") + Ff(14) + Hex("1234")), Hex("C0C1"));
    EXPECT_EQ(FolderNameOfPage(L510(), QByteArray("ABCDEFGHIJKLMNOPQRS")),
              QByteArray("ABCDEFGHIJKLMNOP"));
    EXPECT_EQ(FolderNameOfPage(L510(), Ff(18)), QByteArray());
}

TEST(MemoryLayout, DirectoryEntryBytes) {
    const QByteArray slot2 = EncodeDirectoryEntry(L210(), 2, "A");
    EXPECT_EQ(slot2, Hex("03410D") + Ff(15) + Hex("530F"));
    EXPECT_EQ(DefaultCommonFolderEntry(L210()),
              Hex("01CEC1D9C0DF20CFC0CFCAC00D") + Ff(5) + Hex("290D"));
    EXPECT_EQ(EncodeDirectoryEntry(L210(), 24, ""), Hex("190D") + Ff(16) + Hex("2710"));
    // A sixteen-byte name puts its CR in byte 17, the last name byte.
    const QByteArray full = EncodeDirectoryEntry(L210(), 1, "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(full.mid(1, 17), QByteArray("ABCDEFGHIJKLMNOP\r"));
}

TEST(MemoryLayout, DirectoryEntryDecoding) {
    using Kind = DirectoryEntry::Kind;
    const struct {
        const char* name;
        QByteArray bytes;
        Kind kind;
        QByteArray text;
    } cases[] = {
        {"folder byte 0x00", Hex("00410D") + Ff(17), Kind::Free, {}},
        {"folder byte 0xFF", Ff(20), Kind::Free, {}},
        {"one letter", Hex("03410D") + Ff(17), Kind::Named, "A"},
        {"empty name", Hex("060D") + Ff(18), Kind::Named, ""},
        {"CR in byte 17", Hex("02") + QByteArray("ABCDEFGHIJKLMNOP\r") + Ff(2), Kind::Named,
         "ABCDEFGHIJKLMNOP"},
        {"no CR up to byte 17",
         Hex("02") + QByteArray("ABCDEFGHIJKLMNOPQ\r") + Ff(1),
         Kind::Unreadable,
         {}},
        {"0xFF before the CR", Hex("074142FF43440D") + Ff(13), Kind::Unreadable, {}},
        {"name bytes only", Hex("02") + QByteArray(19, 'x'), Kind::Unreadable, {}},
    };
    for (const auto& c : cases) {
        // Decode from an offset, as inside the directory block.
        const DirectoryEntry e = DecodeDirectoryEntry(L210(), Ff(20) + c.bytes, 20);
        EXPECT_EQ(e.kind, c.kind) << c.name;
        EXPECT_EQ(e.name, c.text) << c.name;
    }
    // What the encoder writes, the decoder reads back.
    const DirectoryEntry back =
        DecodeDirectoryEntry(L210(), EncodeDirectoryEntry(L210(), 4, "\xCF\xF0\xF3\xE4"), 0);
    EXPECT_EQ(back.kind, Kind::Named);
    EXPECT_EQ(back.name, QByteArray("\xCF\xF0\xF3\xE4"));
}

// ---- Records ---------------------------------------------------------------------------------

TEST(MemoryLayout, RecordBytesOfBothLayouts) {
    StoredRecord r;
    r.modeCode = 1;
    r.dayWord = 0x0102;
    r.timeWord = 1800;
    r.value1 = 25.0f;
    r.value2 = -12.5f;
    r.value3 = 7.0f;
    r.folderNo = 9;  // not stored by the folder-page layout
    r.value4 = 77;   // computed there, not stored
    const QByteArray b510 = EncodeRecord(L510(), r);
    EXPECT_EQ(b510, Hex("01020108070000C8410000 48C1 0000E040 5603"));

    StoredRecord q;
    q.folderNo = 3;
    q.modeCode = 2;
    q.dayWord = 64;
    q.timeWord = 23121;
    q.value4 = 12;
    q.value1 = 11.5f;
    q.value2 = 355.0f;
    q.value3 = 0.25f;
    const QByteArray b210 = EncodeRecord(L210(), q);
    EXPECT_EQ(b210, Hex("030240 00 515A 0C00 00003841 0080B143 0000803E B803"));

    EXPECT_EQ(DecodeRecord(L210(), Ff(5) + b210, 5), q);
    StoredRecord r510 = r;
    r510.folderNo = 0;
    r510.value4 = 0;
    // The last record of a folder page arrives without its check word.
    EXPECT_EQ(DecodeRecord(L510(), b510.left(17), 0), r510);
}

TEST(MemoryLayout, StoredValue4TruncatesTowardZeroKeepingSixteenBits) {
    const struct {
        float value;
        quint16 stored;
    } cases[] = {
        {12.9f, 12},
        {0.99f, 0},
        {-0.99f, 0},
        {-1.5f, 0xFFFF},
        {65535.0f, 65535},
        {65536.7f, 0},
        {70000.0f, 4464},
        {-65537.0f, 0xFFFF},
        {3.0e9f, 24064},
        {std::numeric_limits<float>::quiet_NaN(), 0},
        {std::numeric_limits<float>::infinity(), 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StoredValue4(c.value), c.stored) << c.value;
    }
}

TEST(MemoryLayout, RecordFromSlot) {
    NotebookImage image;
    image.folderNo[7] = 4;
    image.modeCode[7] = 3;
    image.dayWord[7] = 300;
    image.timeWord[7] = 43199;
    image.value1[7] = 1.0f;
    image.value2[7] = 2.0f;
    image.value3[7] = 3.0f;
    image.value4[7] = 12.9f;
    image.stamp[7] = 12345.0;
    const StoredRecord r = RecordFromSlot(image, 7);
    EXPECT_EQ(r, (StoredRecord{4, 3, 300, 43199, 12, 1.0f, 2.0f, 3.0f}));
}

// ---- Values and dates ------------------------------------------------------------------------

TEST(MemoryLayout, Ph25) {
    const struct {
        float temperature;
        float ph;
        float expected;
    } cases[] = {
        {25.0f, 7.0f, 7.0f},      // G = 0: the blend gives P back
        {35.0f, 5.0f, 5.0f},      // not above 6: P whatever the temperature
        {35.0f, 6.0f, 6.0f},      // exactly 6 is not above 6
        {35.0f, 9.0f, 9.313f},    // G = −0.313, 8 + G < 9: P − G
        {35.0f, 7.0f, 7.1855f},   // 8 + G = 7.687 > 7: (3G + P) × 2 / (2 + G)
        {25.0f, 8.5f, 8.5f},      // G = 0, 8 < 8.5: P − 0
        {15.0f, 7.0f, 6.85580f},  // G = 0.337
        {15.0f, 8.5f, 8.163f},    // 8.337 < 8.5: P − G
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(Ph25(c.temperature, c.ph), c.expected, 5e-5)
            << "T " << c.temperature << " pH " << c.ph;
    }
}

TEST(MemoryLayout, DaySerialsAndTimeWords) {
    EXPECT_EQ(DaySerial(QDate(1899, 12, 30)), 0.0);
    EXPECT_EQ(DaySerial(QDate(2000, 1, 1)), 36526.0);
    EXPECT_EQ(DaySerial(QDate(2014, 1, 1)), 41640.0);
    EXPECT_EQ(TimeWordOf(QTime(1, 0, 0)), 1800);
    EXPECT_EQ(TimeWordOf(QTime(23, 59, 59)), 43199);
    EXPECT_DOUBLE_EQ(TimeFraction(21600), 0.5);

    const double serial = 41640.0 + TimeFraction(1800);
    EXPECT_EQ(DateOfSerial(serial), QDate(2014, 1, 1));
    EXPECT_EQ(TimeOfSerial(serial), QTime(1, 0, 0));
    // Rounding to the second may carry into the next day.
    EXPECT_EQ(DateOfSerial(41640.9999999), QDate(2014, 1, 2));
    EXPECT_EQ(TimeOfSerial(41640.9999999), QTime(0, 0, 0));
}

TEST(MemoryLayout, DateRuleOf510NeverDatesAfterToday) {
    // The day word counts days from 1 January of the record's year.
    const struct {
        QDate today;
        quint16 dayWord;
        quint16 timeWord;
        std::pair<QDate, QTime> expected;
    } cases[] = {
        {{2014, 3, 10}, 0, 1800, {{2014, 1, 1}, {1, 0}}},
        {{2014, 3, 10}, 68, 0, {{2014, 3, 10}, {0, 0}}},  // today itself
        {{2014, 3, 10}, 69, 0, {{2013, 3, 11}, {0, 0}}},  // one day ahead: last year
        // Read on 31 December and again on 2 January: the same dates.
        {{2026, 12, 31}, 353, 4528, {{2026, 12, 20}, {2, 30, 56}}},
        {{2027, 1, 2}, 353, 4528, {{2026, 12, 20}, {2, 30, 56}}},
        {{2027, 1, 2}, 1, 0, {{2027, 1, 2}, {0, 0}}},
        {{2025, 1, 1}, 365, 0, {{2024, 12, 31}, {0, 0}}},   // the last day of a leap year
        {{2014, 3, 10}, 400, 0, {{2014, 2, 5}, {0, 0}}},    // beyond a year: from 2013
        {{2014, 3, 10}, 0, 43200, {{2014, 1, 2}, {0, 0}}},  // the time may pass midnight
    };
    for (const auto& c : cases) {
        const double stamp = Stamp510(c.today, c.dayWord, c.timeWord);
        EXPECT_EQ(DateOfSerial(stamp), c.expected.first)
            << c.today.toString(Qt::ISODate).toStdString() << " word " << c.dayWord;
        EXPECT_EQ(TimeOfSerial(stamp), c.expected.second) << c.dayWord;
    }
    EXPECT_DOUBLE_EQ(Stamp510({2014, 3, 10}, 0, 1800), 41640.0 + 1.0 / 24);
}

TEST(MemoryLayout, DateRuleOf210NeverDatesAfterToday) {
    // Day words count from 1 January 2000: 5 March = 64, 20 March = 79, 29 February = 59,
    // 10 March = 69, 11 March = 70, 31 December = 365, 1 January = 0.
    const struct {
        QDate today;
        quint16 dayWord;
        QDate expected;
    } cases[] = {
        {{2014, 3, 10}, 64, {2014, 3, 5}},
        {{2014, 3, 10}, 79, {2013, 3, 20}},
        {{2014, 3, 10}, 59, {2014, 2, 28}},  // 2014 is no leap year
        {{2014, 3, 10}, 69, {2014, 3, 10}},  // today itself
        {{2014, 3, 10}, 70, {2013, 3, 11}},  // one day ahead: last year
        {{2015, 1, 1}, 365, {2014, 12, 31}},
        {{2015, 1, 1}, 0, {2015, 1, 1}},
        {{2016, 3, 1}, 59, {2016, 2, 29}},
        {{2017, 2, 15}, 59, {2016, 2, 29}},   // still ahead this year: last year's leap day
        {{2000, 3, 1}, 59, {2000, 2, 29}},    // divisible by 400: leap
        {{2100, 3, 1}, 59, {2100, 2, 28}},    // divisible by 100 only: not leap
        {{2036, 12, 31}, 59, {2036, 2, 29}},  // leap years go on after 2032
        {{2014, 3, 10}, 366, {2014, 1, 1}},   // only month and day count: 1 January 2001
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Date210(c.today, c.dayWord), c.expected)
            << c.today.toString(Qt::ISODate).toStdString() << " word " << c.dayWord;
    }
    EXPECT_DOUBLE_EQ(Stamp210(QDate(2014, 3, 10), 64, 21600), DaySerial(QDate(2014, 3, 5)) + 0.5);
}

TEST(MemoryLayout, DayWordsOfDatesReadBackAsTheSameDay) {
    for (const int year : {2015, 2016}) {
        const QDate newYearsEve(year, 12, 31);
        for (QDate d(year, 1, 1); d.year() == year; d = d.addDays(1)) {
            EXPECT_EQ(DateOfSerial(Stamp510(newYearsEve, DayWord510(d), 0)), d);
            EXPECT_EQ(Date210(newYearsEve, DayWord210(d)), d);
        }
    }
    EXPECT_EQ(DayWord510(QDate(2014, 1, 1)), 0);
    EXPECT_EQ(DayWord210(QDate(2014, 3, 5)), 64);
    EXPECT_EQ(DayWord210(QDate(2016, 2, 29)), 59);
}

}  // namespace
}  // namespace kvir
