#pragma once
// The two notebook memory layouts, byte by byte, as one table of offsets and rules per layout,
// and the pure conversions between their bytes and NotebookImage: records, folder-page
// headers, directory entries, check words, the pH25 value and the date rules.
//
// Folder-page layout ("КВИР-510v2"): page i (from the notebook base, 512 bytes each) is
// folder i + 1: an 18-byte header (name padded with 0xFF, check word) and 26 records of 19
// bytes. Directory layout ("КВИР-210v1"): 25 directory entries of 20 bytes at 0xF800 and
// record pages below it, 23 records of 22 bytes each, every record naming its folder.
//
// All multi-byte fields are little-endian; values are IEEE single precision. Every stored
// structure ends with a check word: 17 plus the byte sum of the structure, modulo 65536.

#include "DeviceModel.h"
#include "NotebookImage.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QtGlobal>

namespace kvir {

// ---- Little-endian fields ----------------------------------------------------------------
// The caller guarantees that the field lies inside `bytes`.

quint16 getU16le(const QByteArray& bytes, int at);
void putU16le(QByteArray& bytes, int at, quint16 value);
float getF32le(const QByteArray& bytes, int at);
void putF32le(QByteArray& bytes, int at, float value);

// 17 plus the sum of bytes 0 to length − 1, modulo 65536.
quint16 CheckWord(const QByteArray& bytes, int length);
// Stores the check word of bytes 0 to at − 1 at `at`, low byte first.
void putCheckWord(QByteArray& bytes, int at);

// ---- The layout table --------------------------------------------------------------------

struct StoredRecord;

// Offsets inside one record; -1 where the layout has no such field.
struct RecordOffsets {
    int size;
    int folderNo;  // -1: the folder is the page the record lies in
    int mode;
    int dayWord;
    int timeWord;
    int value4;  // -1: value 4 is computed when reading (pH25)
    int value1;
    int value2;
    int value3;
    int check;  // the check word covers bytes 0 to check − 1
};

// Where a notebook lies in the instrument's memory and how its records read. A model's row
// (ModelTable.h) names its layout; models that keep their notebooks alike share one.
struct NotebookLayout {
    int end;             // first address after the last possible page
    int pageSize;        // 512
    int firstRecord;     // page offset of record 0
    int recordsPerPage;  // 26 or 23
    RecordOffsets record;

    // Folder-page header; headerSize 0 when the layout has none.
    int headerSize;      // 18
    int headerNameSize;  // 16 bytes of name, 0xFF padded; the check word follows

    // Directory; directoryEntries 0 when the layout has none.
    int directoryStart;    // 0xF800
    int directoryEntries;  // 25
    int entrySize;         // 20
    int entryNameMax;      // 16 name bytes from byte 1, then CR
    int entryCheck;        // 18

    // The date rule: the day serial of a record stored with these words, read on `today`.
    double (*stamp)(const QDate& today, quint16 dayWord, quint16 timeWord);
    // Value 4 of a record read: the one stored, or one computed from the others.
    float (*value4)(const StoredRecord& record);

    // One folder per page, its name in the page's header; otherwise a directory names the
    // folders and every record carries its folder's number.
    constexpr bool foldersOnPages() const { return headerSize > 0; }
};

// The two layouts.
const NotebookLayout& FolderPageLayout();
const NotebookLayout& DirectoryLayout();
// The layout of a supported model (from the model table); nullptr for DeviceModel::None.
const NotebookLayout* LayoutOf(DeviceModel model);
// Pages of `layout` from `base` up to its end, rounded down; never negative.
int LayoutPages(const NotebookLayout& layout, int base);
// Folders the layout holds at `base`: the directory's entries, or one per page.
int FolderCapacity(const NotebookLayout& layout, int base);
// Records its pages hold at `base`: pages × records per page.
int RecordCapacity(const NotebookLayout& layout, int base);

// Bytes a code-4 block read of 255 words delivers: one page without its last two bytes.
constexpr int kBlockReadBytes = 510;
constexpr int kBlockReadWords = 255;
// Longest folder name in bytes.
constexpr int kFolderNameMax = 16;

// ---- Records -----------------------------------------------------------------------------

// The stored fields of one record, as they lie in the instrument.
struct StoredRecord {
    quint8 folderNo = 0;  // directory layout only
    quint8 modeCode = 0;
    quint16 dayWord = 0;
    quint16 timeWord = 0;
    quint16 value4 = 0;  // directory layout only: the salinity as an unsigned integer
    float value1 = 0.0f;
    float value2 = 0.0f;
    float value3 = 0.0f;

    bool operator==(const StoredRecord&) const = default;
};

// The record's bytes, check word included (19 or 22 bytes).
QByteArray EncodeRecord(const NotebookLayout& layout, const StoredRecord& record);
// The fields of the record at `at`. The check word is neither read nor needed: the last
// record of a folder page arrives without it. `bytes` holds at least at + record.check bytes.
StoredRecord DecodeRecord(const NotebookLayout& layout, const QByteArray& bytes, int at);
// The fields of an image slot as the instrument stores them.
StoredRecord RecordFromSlot(const NotebookImage& image, int slot);
// Value 4 as the directory layout stores it: truncated toward zero, low 16 bits (NaN and
// infinities give 0).
quint16 StoredValue4(float value4);

// ---- Folder names --------------------------------------------------------------------------

// Folder-page header: the name's bytes (at most 16) padded with 0xFF, then the check word.
QByteArray EncodeFolderHeader(const NotebookLayout& layout, const QByteArray& name);
// The fixed header of the common folder. Its check word 0x0D29 is the one the instrument
// itself writes; it is not the 0x0D1B the header rule gives.
QByteArray CommonFolderHeader(const NotebookLayout& layout);
// The name at the start of a folder page: bytes up to the first 0xFF, at most 16.
QByteArray FolderNameOfPage(const NotebookLayout& layout, const QByteArray& page);

// Directory entry of folder slot `slot` (folder number slot + 1): the name's bytes from
// byte 1, CR, 0xFF padding to byte 17, check word.
QByteArray EncodeDirectoryEntry(const NotebookLayout& layout, int slot, const QByteArray& name);
// The entry the common folder has after the directory was reset.
QByteArray DefaultCommonFolderEntry(const NotebookLayout& layout);

struct DirectoryEntry {
    enum class Kind { Free, Named, Unreadable };
    Kind kind = Kind::Free;
    QByteArray name;  // Named only; may be empty
};
// Free when byte 0 is 0x00 or 0xFF; Named when a CR ends the name within bytes 1 to 17
// before any 0xFF; Unreadable otherwise.
DirectoryEntry DecodeDirectoryEntry(const NotebookLayout& layout, const QByteArray& bytes, int at);

// ---- Values and dates ----------------------------------------------------------------------

// The pH converted to 25 °C, from temperature T (value 1) and pH P (value 3): P itself up to
// pH 6, above it corrected by G = ((T − 25) × 0.00012 − 0.0325) × (T − 25).
float Ph25(float temperature, float ph);

// The two rules for value 4 of a record read: the pH at 25 °C of values 1 and 3 (the
// folder-page layout stores no value 4), or the stored integer (the directory layout).
float Ph25OfRecord(const StoredRecord& record);
float StoredValue4OfRecord(const StoredRecord& record);

// Day serials: days since 30 December 1899, the fraction being the time of day.
double DaySerial(const QDate& date);
// The time word counts seconds since midnight halved: 43200 words make a day.
double TimeFraction(quint16 timeWord);
quint16 TimeWordOf(const QTime& time);
// Date and time of a serial, rounded to the whole second (no time zone involved).
QDate DateOfSerial(double serial);
QTime TimeOfSerial(double serial);

// "КВИР-510v2": the day word counts days from 1 January of the year the record was taken in,
// which the instrument does not store. The year is today's, or the one before when that date
// still lies ahead (a notebook read just after New Year), so no record is dated after today,
// as with the "КВИР-210v1". The instrument's own program always took today's year and so
// dated every record of the past year a year late, in the future.
double Stamp510(const QDate& today, quint16 dayWord, quint16 timeWord);
// "КВИР-210v1": the day word carries month and day only (days from 1 January 2000); the year
// is today's, or the one before when that month and day still lie ahead, so no record is
// dated after today. 29 February becomes 28 February outside leap years.
QDate Date210(const QDate& today, quint16 dayWord);
double Stamp210(const QDate& today, quint16 dayWord, quint16 timeWord);

// The day word an instrument stores for a date. Neither model stores the year: the
// "КВИР-510v2" counts days from 1 January of the date's year, the "КВИР-210v1" from
// 1 January 2000 to the same month and day in 2000.
quint16 DayWord510(const QDate& date);
quint16 DayWord210(const QDate& date);

// ---- Whole pages -------------------------------------------------------------------------

// Both date their records by the layout's date rule and give value 4 by its value-4 rule.
// Appends the records of a folder page (the 510 bytes of a block read) from the first free
// slot on, folder number `folderNo`, up to the first record whose mode byte is 0x00 or 0xFF.
// Returns the number of records that found no free slot.
int AppendFolderPageRecords(const NotebookLayout& layout, NotebookImage& image,
                            const QByteArray& page, quint8 folderNo, const QDate& today);
// Appends the records of a record page of the directory layout: 0xFF in a record's folder
// byte ends the page, 0x00 marks an empty place. Returns the records that found no slot.
int AppendRecordPageRecords(const NotebookLayout& layout, NotebookImage& image,
                            const QByteArray& page, const QDate& today);

}  // namespace kvir
