// Texts and orders of the record table: number and date formats under Russian and C
// regional settings, both display orders, the folder summary.
#include "instrument/MemoryLayout.h"
#include "instrument/Util_modbas.h"
#include "report/NotebookView.h"

#include <gtest/gtest.h>

using namespace kvir;

namespace {

const QLocale kRu(QLocale::Russian, QLocale::Russia);
const QLocale kC = QLocale::c();

void Put(NotebookImage& image, int slot, int folder, double stamp) {
    const auto s = static_cast<size_t>(slot);
    image.folderNo[s] = static_cast<quint8>(folder);
    image.stamp[s] = stamp;
}

QList<int> Order(const NotebookImage& image, bool byDate) {
    QList<int> list;
    for (int p = 0; p < RecordCount(image); ++p) {
        list << (byDate ? image.orderByDate : image.orderByFolder)[static_cast<size_t>(p)];
    }
    return list;
}

}  // namespace

TEST(NotebookView, FixedNotation) {
    struct Case {
        double value;
        int precision, decimals;
        QString c, ru;
    };
    const Case cases[] = {
        {23.456, 5, 2, "23.46", "23,46"},
        {7, 7, 4, "7.0000", "7,0000"},
        {-123.456, 7, 2, "-123.46", "-123,46"},
        {0.125, 7, 2, "0.13", "0,13"},  // an exact tie rounds away from zero
        {-0.125, 7, 2, "-0.13", "-0,13"},
        {-0.001, 7, 2, "0.00", "0,00"},
        {12345.678, 5, 2, "12346.00", "12346,00"},  // five significant digits, then zeros
        {1234567.0, 7, 2, "1234567.00", "1234567,00"},
        {0.0012345678, 5, 7, "0.0012346", "0,0012346"},
        {99.999, 5, 2, "100.00", "100,00"},
        {123456.7, 5, 2, "1.2346E5", "1,2346E5"},
        {static_cast<double>(23.45f), 5, 2, "23.45", "23,45"},
        {static_cast<double>(7.1855f), 7, 4, "7.1855", "7,1855"},
        {static_cast<double>(-12.3f), 7, 2, "-12.30", "-12,30"},
        {0, 7, 4, "0.0000", "0,0000"},
        {static_cast<double>(Ph25(35.0f, 9.0f)), 7, 4, "9.3130", "9,3130"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatFixed(c.value, c.precision, c.decimals, kC), c.c) << c.value;
        EXPECT_EQ(FormatFixed(c.value, c.precision, c.decimals, kRu), c.ru) << c.value;
    }
    // No group separator even for large numbers under Russian settings.
    EXPECT_FALSE(FormatFixed(1234567.0, 7, 2, kRu).contains(QChar(0x00A0)));
}

TEST(NotebookView, DateTimeTexts) {
    const double morning =
        DaySerial(QDate(2026, 12, 7)) + TimeFraction(TimeWordOf(QTime(9, 5, 14)));
    EXPECT_EQ(FormatStamp(morning, kRu), "07.12.2026 9:05:14");
    EXPECT_EQ(FormatStamp(DaySerial(QDate(2026, 12, 7)), kRu), "07.12.2026") << "midnight";
    const double evening =
        DaySerial(QDate(2014, 3, 5)) + TimeFraction(TimeWordOf(QTime(23, 59, 58)));
    EXPECT_EQ(FormatStamp(evening, kRu), "05.03.2014 23:59:58");
    EXPECT_FALSE(FormatStamp(evening, kC).isEmpty());
    EXPECT_FALSE(FormatStamp(evening, kC).contains(u't'));
}

TEST(NotebookView, DateOrderIsNewestFirstAndStable) {
    NotebookImage image;
    Put(image, 0, 1, 45000.5);
    Put(image, 1, 1, 45001.0);
    Put(image, 2, 2, 45000.5);  // same stamp as slot 0: comes after it
    Put(image, 3, 2, 44000.0);
    Put(image, 4, 1, 45001.0);
    BuildDateOrder(image);
    EXPECT_EQ(Order(image, true), (QList<int>{1, 4, 0, 2, 3}));

    // A gap in the slots is packed away first.
    NotebookImage gapped;
    Put(gapped, 0, 1, 1.0);
    Put(gapped, 2, 1, 2.0);
    BuildDateOrder(gapped);
    EXPECT_EQ(RecordCount(gapped), 2);
    EXPECT_EQ(Order(gapped, true), (QList<int>{1, 0}));
}

TEST(NotebookView, FolderOrderIsDescendingByteOrder) {
    struct Case {
        const char* name;
        QStringList folders;
        QList<int> recordFolders;  // folder number of slots 0, 1, 2, ...
        QList<int> order;
    };
    const Case cases[] = {
        {"river before the common folder", {"ОБЩАЯ ПАПКА", "РЕКА"}, {1, 2, 1, 2}, {1, 3, 0, 2}},
        {"a name before its prefix", {"ОБЩАЯ ПАПКА", "АБ", "АБВ"}, {2, 3}, {1, 0, 0}},
        {"lower-case Cyrillic, upper-case Cyrillic, Latin, digits",
         {"1", "ABC", "АБВ", "абв"},
         {1, 2, 3, 4},
         {3, 2, 1, 0}},
        {"free entries give no rows", {"ОБЩАЯ ПАПКА", "<свободно>", "A"}, {3, 1}, {1, 0}},
        {"records of no folder come last",
         {"ОБЩАЯ ПАПКА", "<свободно>"},
         {2, 1, 7, 1},
         {1, 3, 0, 2}},
        {"equal names keep their own records", {"<?\?\?>", "<?\?\?>"}, {2, 1, 2}, {1, 0, 2}},
    };
    for (const Case& c : cases) {
        NotebookImage image;
        for (int s = 0; s < c.recordFolders.size(); ++s) {
            Put(image, s, c.recordFolders.at(s), 1.0);
        }
        BuildFolderOrder(image, c.folders);
        QList<int> expected = c.order.mid(0, c.recordFolders.size());
        EXPECT_EQ(Order(image, false), expected) << c.name;
    }
}

TEST(NotebookView, CellsAndSummary) {
    NotebookImage image;
    Put(image, 0, 2, DaySerial(QDate(2026, 1, 2)));
    image.modeCode[0] = 0x06;  // low bits 2
    image.value1[0] = 21.5f;
    image.value2[0] = 154.25f;
    image.value3[0] = 1.5f;
    image.value4[0] = 12.9f;
    Put(image, 1, 9, DaySerial(QDate(2026, 1, 3)));
    const QStringList folders = {"ОБЩАЯ ПАПКА", "ВОДА", "<свободно>"};
    EXPECT_EQ(RecordCells(image, 0, DeviceModel::Conc210, folders, "Иванов И ", kRu),
              (QStringList{"0", "ВОДА", "02.01.2026", "КРК[мкг/л]+соль", "12", "21,50", "154,25",
                           "1,50", "Иванов И "}));
    EXPECT_EQ(RecordCells(image, 0, DeviceModel::Ph510, folders, "", kC).mid(3, 5),
              (QStringList{"pH25", "21.50", "154.25", "1.5000", "12.9000"}));
    EXPECT_EQ(RecordCells(image, 1, DeviceModel::Ph510, folders, "", kC).at(1), "<?\?\?>");
    // A salinity too large for an integer (a damaged record) is shown, not converted.
    image.value4[0] = 3.0e38f;
    EXPECT_EQ(RecordCells(image, 0, DeviceModel::Conc210, folders, "", kC).at(4), "3.000000e+38");

    const QList<FolderCount> summary = FolderSummary(image, folders);
    ASSERT_EQ(summary.size(), 3);
    EXPECT_EQ(summary[0].name, "ОБЩАЯ ПАПКА");
    EXPECT_EQ(summary[0].records, 0);
    EXPECT_EQ(summary[1].name, "ВОДА");
    EXPECT_EQ(summary[1].records, 1);
    EXPECT_EQ(summary[2].name, "<?\?\?>");
    EXPECT_EQ(summary[2].records, 1);
}

TEST(NotebookView, HeadersAndModes) {
    const QStringList h510 = ModelHeaders(DeviceModel::Ph510);
    const QStringList h210 = ModelHeaders(DeviceModel::Conc210);
    QList<int> widths510, widths210;
    for (int k = 0; k < 8; ++k) {
        widths510 << 8 * static_cast<int>(h510.at(k).size());
        widths210 << 8 * static_cast<int>(h210.at(k).size());
    }
    EXPECT_EQ(widths510, (QList<int>{128, 160, 48, 64, 72, 64, 64, 224}));
    EXPECT_EQ(widths210, (QList<int>{128, 160, 112, 80, 48, 80, 112, 224}));
    EXPECT_EQ(ModeLabel(DeviceModel::Ph510, 0xFF), "mV");
    EXPECT_EQ(ModeLabel(DeviceModel::Conc210, 0x04), "КРК[мкг/л]");
}
