#include "MemoryLayout.h"

#include "ModelTable.h"

#include <bit>
#include <cmath>

namespace kvir {

namespace {

constexpr quint8 kErased = 0xFF;
constexpr quint8 kEmpty = 0x00;
constexpr char kCr = 0x0D;

constexpr NotebookLayout kFolderPageLayout{
    .end = 0xFA00,
    .pageSize = 512,
    .firstRecord = 18,
    .recordsPerPage = 26,
    .record = {.size = 19,
               .folderNo = -1,
               .mode = 0,
               .dayWord = 1,
               .timeWord = 3,
               .value4 = -1,
               .value1 = 5,
               .value2 = 9,
               .value3 = 13,
               .check = 17},
    .headerSize = 18,
    .headerNameSize = 16,
    .directoryStart = 0,
    .directoryEntries = 0,
    .entrySize = 0,
    .entryNameMax = 0,
    .entryCheck = 0,
    .stamp = Stamp510,
    .value4 = Ph25OfRecord,
};

// The record pages end where the directory begins.
constexpr NotebookLayout kDirectoryLayout{
    .end = 0xF800,
    .pageSize = 512,
    .firstRecord = 0,
    .recordsPerPage = 23,
    .record = {.size = 22,
               .folderNo = 0,
               .mode = 1,
               .dayWord = 2,
               .timeWord = 4,
               .value4 = 6,
               .value1 = 8,
               .value2 = 12,
               .value3 = 16,
               .check = 20},
    .headerSize = 0,
    .headerNameSize = 0,
    .directoryStart = 0xF800,
    .directoryEntries = 25,
    .entrySize = 20,
    .entryNameMax = kFolderNameMax,
    .entryCheck = 18,
    .stamp = Stamp210,
    .value4 = StoredValue4OfRecord,
};

static_assert(kFolderPageLayout.firstRecord +
                  kFolderPageLayout.recordsPerPage * kFolderPageLayout.record.size ==
              kFolderPageLayout.pageSize);
static_assert(kDirectoryLayout.recordsPerPage * kDirectoryLayout.record.size <=
              kDirectoryLayout.pageSize);
static_assert(kDirectoryLayout.end <= kDirectoryLayout.directoryStart);
static_assert(kDirectoryLayout.directoryEntries * kDirectoryLayout.entrySize <= kBlockReadBytes);

quint8 ByteAt(const QByteArray& bytes, int at) {
    return static_cast<quint8>(bytes[at]);
}

// 1 January 2000, the origin of the "КВИР-210v1" day word; a leap year, so every month and
// day of any year has a day word.
const QDate& Origin210() {
    static const QDate origin(2000, 1, 1);
    return origin;
}

const QDate& SerialOrigin() {
    static const QDate origin(1899, 12, 30);
    return origin;
}

constexpr int kSecondsPerDay = 86400;

// "ОБЩАЯ ПАПКА" in Windows-1251.
QByteArray CommonFolderName() {
    return QByteArrayLiteral("\xCE\xC1\xD9\xC0\xDF \xCF\xC0\xCF\xCA\xC0");
}

// Whole seconds since the serial origin, rounded to the nearest second.
qint64 SerialSeconds(double serial) {
    return static_cast<qint64>(std::llround(serial * kSecondsPerDay));
}

}  // namespace

// ---- Little-endian fields ----------------------------------------------------------------

quint16 getU16le(const QByteArray& bytes, int at) {
    return static_cast<quint16>(ByteAt(bytes, at) | (ByteAt(bytes, at + 1) << 8));
}

void putU16le(QByteArray& bytes, int at, quint16 value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

float getF32le(const QByteArray& bytes, int at) {
    const quint32 bits = static_cast<quint32>(getU16le(bytes, at)) |
                         (static_cast<quint32>(getU16le(bytes, at + 2)) << 16);
    return std::bit_cast<float>(bits);
}

void putF32le(QByteArray& bytes, int at, float value) {
    const auto bits = std::bit_cast<quint32>(value);
    putU16le(bytes, at, static_cast<quint16>(bits & 0xFFFF));
    putU16le(bytes, at + 2, static_cast<quint16>(bits >> 16));
}

quint16 CheckWord(const QByteArray& bytes, int length) {
    unsigned sum = 17;
    for (int i = 0; i < length; ++i) {
        sum += ByteAt(bytes, i);
    }
    return static_cast<quint16>(sum & 0xFFFF);
}

void putCheckWord(QByteArray& bytes, int at) {
    putU16le(bytes, at, CheckWord(bytes, at));
}

const NotebookLayout& FolderPageLayout() {
    return kFolderPageLayout;
}

const NotebookLayout& DirectoryLayout() {
    return kDirectoryLayout;
}

const NotebookLayout* LayoutOf(DeviceModel model) {
    const ModelRow* row = RowOf(model);
    return row != nullptr ? row->layout : nullptr;
}

int LayoutPages(const NotebookLayout& layout, int base) {
    const int span = layout.end - base;
    return span > 0 ? span / layout.pageSize : 0;
}

int FolderCapacity(const NotebookLayout& layout, int base) {
    return layout.foldersOnPages() ? LayoutPages(layout, base) : layout.directoryEntries;
}

int RecordCapacity(const NotebookLayout& layout, int base) {
    return LayoutPages(layout, base) * layout.recordsPerPage;
}

// ---- Records -----------------------------------------------------------------------------

QByteArray EncodeRecord(const NotebookLayout& layout, const StoredRecord& record) {
    const RecordOffsets& o = layout.record;
    QByteArray bytes(o.size, '\0');
    if (o.folderNo >= 0) {
        bytes[o.folderNo] = static_cast<char>(record.folderNo);
    }
    bytes[o.mode] = static_cast<char>(record.modeCode);
    putU16le(bytes, o.dayWord, record.dayWord);
    putU16le(bytes, o.timeWord, record.timeWord);
    if (o.value4 >= 0) {
        putU16le(bytes, o.value4, record.value4);
    }
    putF32le(bytes, o.value1, record.value1);
    putF32le(bytes, o.value2, record.value2);
    putF32le(bytes, o.value3, record.value3);
    putCheckWord(bytes, o.check);
    return bytes;
}

StoredRecord DecodeRecord(const NotebookLayout& layout, const QByteArray& bytes, int at) {
    const RecordOffsets& o = layout.record;
    StoredRecord r;
    if (o.folderNo >= 0) {
        r.folderNo = ByteAt(bytes, at + o.folderNo);
    }
    r.modeCode = ByteAt(bytes, at + o.mode);
    r.dayWord = getU16le(bytes, at + o.dayWord);
    r.timeWord = getU16le(bytes, at + o.timeWord);
    if (o.value4 >= 0) {
        r.value4 = getU16le(bytes, at + o.value4);
    }
    r.value1 = getF32le(bytes, at + o.value1);
    r.value2 = getF32le(bytes, at + o.value2);
    r.value3 = getF32le(bytes, at + o.value3);
    return r;
}

quint16 StoredValue4(float value4) {
    if (!std::isfinite(value4)) {
        return 0;
    }
    // fmod is exact, so this is the low 16 bits of the truncated value for any magnitude,
    // negative values in two's complement.
    double low = std::fmod(std::trunc(static_cast<double>(value4)), 65536.0);
    if (low < 0) {
        low += 65536.0;
    }
    return static_cast<quint16>(low);
}

StoredRecord RecordFromSlot(const NotebookImage& image, int slot) {
    StoredRecord r;
    r.folderNo = image.folderNo[slot];
    r.modeCode = image.modeCode[slot];
    r.dayWord = image.dayWord[slot];
    r.timeWord = image.timeWord[slot];
    r.value4 = StoredValue4(image.value4[slot]);
    r.value1 = image.value1[slot];
    r.value2 = image.value2[slot];
    r.value3 = image.value3[slot];
    return r;
}

// ---- Folder names --------------------------------------------------------------------------

QByteArray EncodeFolderHeader(const NotebookLayout& l, const QByteArray& name) {
    QByteArray bytes(l.headerSize, static_cast<char>(kErased));
    const auto n = std::min<qsizetype>(name.size(), l.headerNameSize);
    for (qsizetype i = 0; i < n; ++i) {
        bytes[i] = name[i];
    }
    putCheckWord(bytes, l.headerNameSize);
    return bytes;
}

QByteArray CommonFolderHeader(const NotebookLayout& layout) {
    QByteArray bytes = EncodeFolderHeader(layout, CommonFolderName());
    putU16le(bytes, layout.headerNameSize, 0x0D29);
    return bytes;
}

QByteArray FolderNameOfPage(const NotebookLayout& layout, const QByteArray& page) {
    QByteArray name;
    const auto n = std::min<qsizetype>(page.size(), layout.headerNameSize);
    for (qsizetype i = 0; i < n && ByteAt(page, static_cast<int>(i)) != kErased; ++i) {
        name.append(page[i]);
    }
    return name;
}

QByteArray EncodeDirectoryEntry(const NotebookLayout& l, int slot, const QByteArray& name) {
    QByteArray bytes(l.entrySize, static_cast<char>(kErased));
    bytes[0] = static_cast<char>(slot + 1);
    const auto n = std::min<qsizetype>(name.size(), l.entryNameMax);
    for (qsizetype i = 0; i < n; ++i) {
        bytes[1 + i] = name[i];
    }
    bytes[1 + n] = kCr;
    putCheckWord(bytes, l.entryCheck);
    return bytes;
}

QByteArray DefaultCommonFolderEntry(const NotebookLayout& layout) {
    return EncodeDirectoryEntry(layout, 0, CommonFolderName());
}

DirectoryEntry DecodeDirectoryEntry(const NotebookLayout& l, const QByteArray& bytes, int at) {
    const quint8 number = ByteAt(bytes, at);
    if (number == kEmpty || number == kErased) {
        return {DirectoryEntry::Kind::Free, {}};
    }
    // The name runs from byte 1 to a CR no later than byte 17, with no erased byte before it.
    for (int i = 1; i <= l.entryNameMax + 1; ++i) {
        const quint8 b = ByteAt(bytes, at + i);
        if (b == static_cast<quint8>(kCr)) {
            return {DirectoryEntry::Kind::Named, bytes.mid(at + 1, i - 1)};
        }
        if (b == kErased) {
            break;
        }
    }
    return {DirectoryEntry::Kind::Unreadable, {}};
}

// ---- Values and dates ----------------------------------------------------------------------

float Ph25(float temperature, float ph) {
    const double p = ph;
    if (!(p > 6.0)) {
        return ph;
    }
    const double dt = static_cast<double>(temperature) - 25.0;
    const double g = static_cast<float>((dt * 0.00012 - 0.0325) * dt);
    if (8.0 + g > p) {
        return static_cast<float>((3.0 * g + p) * 2.0 / (2.0 + g));
    }
    return static_cast<float>(p - g);
}

float Ph25OfRecord(const StoredRecord& record) {
    return Ph25(record.value1, record.value3);
}

float StoredValue4OfRecord(const StoredRecord& record) {
    return static_cast<float>(record.value4);
}

double DaySerial(const QDate& date) {
    return static_cast<double>(SerialOrigin().daysTo(date));
}

double TimeFraction(quint16 timeWord) {
    return timeWord / 43200.0;
}

quint16 TimeWordOf(const QTime& time) {
    return static_cast<quint16>(time.msecsSinceStartOfDay() / 2000);
}

QDate DateOfSerial(double serial) {
    const qint64 seconds = SerialSeconds(serial);
    // Floor division, so that serials before the origin still give the right day.
    const qint64 days = seconds >= 0 ? seconds / kSecondsPerDay
                                     : -((-seconds + kSecondsPerDay - 1) / kSecondsPerDay);
    return SerialOrigin().addDays(days);
}

QTime TimeOfSerial(double serial) {
    const qint64 seconds = SerialSeconds(serial);
    qint64 ofDay = seconds % kSecondsPerDay;
    if (ofDay < 0) {
        ofDay += kSecondsPerDay;
    }
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(ofDay * 1000));
}

double Stamp510(const QDate& today, quint16 dayWord, quint16 timeWord) {
    QDate newYear(today.year(), 1, 1);
    if (newYear.addDays(dayWord) > today) {
        newYear = newYear.addYears(-1);
    }
    return DaySerial(newYear) + dayWord + TimeFraction(timeWord);
}

QDate Date210(const QDate& today, quint16 dayWord) {
    const QDate carried = Origin210().addDays(dayWord);
    const int month = carried.month();
    int day = carried.day();
    int year = today.year();
    if (month > today.month() || (month == today.month() && day > today.day())) {
        --year;
    }
    if (month == 2 && day == 29 && !QDate::isLeapYear(year)) {
        day = 28;
    }
    return QDate(year, month, day);
}

double Stamp210(const QDate& today, quint16 dayWord, quint16 timeWord) {
    return DaySerial(Date210(today, dayWord)) + TimeFraction(timeWord);
}

quint16 DayWord510(const QDate& date) {
    return static_cast<quint16>(date.dayOfYear() - 1);
}

quint16 DayWord210(const QDate& date) {
    return static_cast<quint16>(Origin210().daysTo(QDate(2000, date.month(), date.day())));
}

// ---- Whole pages -------------------------------------------------------------------------

namespace {

// Stores one decoded record at the first free slot; false when every slot is used.
bool AppendRecord(NotebookImage& image, const StoredRecord& r, quint8 folderNo, double stamp,
                  float value4) {
    const int s = FirstFreeSlot(image);
    if (s >= kNotebookSlots) {
        return false;
    }
    image.folderNo[s] = folderNo;
    image.modeCode[s] = r.modeCode;
    image.dayWord[s] = r.dayWord;
    image.timeWord[s] = r.timeWord;
    image.stamp[s] = stamp;
    image.value1[s] = r.value1;
    image.value2[s] = r.value2;
    image.value3[s] = r.value3;
    image.value4[s] = value4;
    return true;
}

}  // namespace

int AppendFolderPageRecords(const NotebookLayout& l, NotebookImage& image, const QByteArray& page,
                            quint8 folderNo, const QDate& today) {
    int dropped = 0;
    for (int k = 0; k < l.recordsPerPage; ++k) {
        const int at = l.firstRecord + k * l.record.size;
        if (at + l.record.check > page.size()) {
            break;
        }
        const quint8 mode = ByteAt(page, at + l.record.mode);
        if (mode == kEmpty || mode == kErased) {
            break;
        }
        const StoredRecord r = DecodeRecord(l, page, at);
        if (!AppendRecord(image, r, folderNo, l.stamp(today, r.dayWord, r.timeWord), l.value4(r))) {
            ++dropped;
        }
    }
    return dropped;
}

int AppendRecordPageRecords(const NotebookLayout& l, NotebookImage& image, const QByteArray& page,
                            const QDate& today) {
    int dropped = 0;
    for (int p = 0; p < l.recordsPerPage; ++p) {
        const int at = l.firstRecord + p * l.record.size;
        if (at + l.record.check > page.size()) {
            break;
        }
        const quint8 folder = ByteAt(page, at + l.record.folderNo);
        if (folder == kErased) {
            break;
        }
        if (folder == kEmpty) {
            continue;
        }
        const StoredRecord r = DecodeRecord(l, page, at);
        if (!AppendRecord(image, r, folder, l.stamp(today, r.dayWord, r.timeWord), l.value4(r))) {
            ++dropped;
        }
    }
    return dropped;
}

}  // namespace kvir
