#pragma once
// The notebook memories of the two simulated instruments, byte by byte, as the instruments
// themselves keep them. The simulator describes the layouts on its own (it shares no code
// with the console's instrument layer), so a fault in the console's encoding or decoding
// shows up as a difference instead of cancelling out.
//
// "КВИР-510v2", one folder per page. Page i (512 bytes from notebook base + i × 512) is
// folder i + 1:
//   0   16  name, Windows-1251, padded with 0xFF; first byte 0xFF: a free page,
//           0x00: a page in use without a name
//   16  2   check word of bytes 0 to 15
//   18  19 × 26 records: mode byte (0x00 or 0xFF ends the page's records), day word (days
//           from 1 January), time word (seconds since midnight / 2), values 1 to 3 (floats),
//           check word of bytes 0 to 16
// "КВИР-210v1", a directory and record pages. Directory entry j (20 bytes at 0xF800 + 20 j)
// is folder j + 1: folder number (0x00 or 0xFF: free), name, CR, 0xFF padding up to byte
// 17, check word of bytes 0 to 17. Record pages from the notebook base up to 0xF800, 23
// records of 22 bytes from offset 0: folder number (0xFF ends the page's records, 0x00 is an
// empty place), mode byte, day word (days from 1 January 2000 to the same month and day in
// 2000), time word, salinity (16-bit integer), values 1 to 3, check word of bytes 0 to 19.
// Record n of the notebook lies in page n / 23, place n % 23.
//
// Numbers are little-endian; a check word is 17 plus the sum of the bytes before it, modulo
// 65536. The common folder of a folder page carries the fixed check word 0x0D29.

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>
#include <QtGlobal>

namespace kvir::sim {

enum class Model { None, Ph510, Conc210 };

inline constexpr int kPageBytes = 512;
inline constexpr int kFolderPagesEnd = 0xFA00;  // "КВИР-510v2": first address after the pages
inline constexpr int kDirectoryStart = 0xF800;  // "КВИР-210v1": directory, end of record pages
inline constexpr int kDirectoryEntries = 25;
inline constexpr int kEntryBytes = 20;
inline constexpr int kHeaderBytes = 18;
inline constexpr int kNameBytes = 16;  // longest folder name

// "КВИР-510v2", "КВИР-210v1"; "" for None.
QString ModelName(Model model);
// The model with exactly this name; None for any other text.
Model ModelNamed(const QString& name);
// The model an identification announces: name "КВИР-510" with version 2, or "КВИР-210"
// with any version. `name` is the identification's 8 bytes (shorter names are padded with
// blanks, as they go on the wire).
Model ModelOf(const QByteArray& name, int version);

// Record pages from `base` to the end of the record area (0 when none fit).
int PageCount(Model model, int base);
int RecordsPerPage(Model model);  // 26 or 23
int RecordBytes(Model model);     // 19 or 22
// Address of record place `place` in page `page`.
int RecordAddress(Model model, int base, int page, int place);
// First address after everything the notebook occupies (the directory page included).
int NotebookAreaEnd(Model model);

// One stored record, as the instrument keeps it.
struct Measurement {
    int folder = 1;  // "КВИР-510v2": the page's folder; "КВИР-210v1": the folder byte
    quint8 mode = 1;
    quint16 dayWord = 0;
    quint16 timeWord = 0;
    float value1 = 0.0f;
    float value2 = 0.0f;
    float value3 = 0.0f;
    quint16 value4 = 0;  // "КВИР-210v1" only: the salinity

    friend bool operator==(const Measurement&, const Measurement&) = default;
};

// 17 plus the sum of `bytes`, modulo 65536.
quint16 CheckWord(const QByteArray& bytes);
// The record's 19 or 22 bytes, check word included.
QByteArray RecordBytes(Model model, const Measurement& record);
// The record at `at` in `memory` (19 or 22 bytes from there; the check word is not read).
// The "КВИР-510v2" keeps no folder in a record: `folder` is 0 then.
Measurement RecordAt(Model model, const QByteArray& memory, int at);
// Folder-page header: name (at most 16 bytes) padded with 0xFF, check word.
QByteArray FolderHeader(const QByteArray& name);
// The common folder's header as the instrument writes it, with its fixed check word.
QByteArray CommonFolderHeader();
// Directory entry of folder `folder` (1 to 25) with `name` (at most 16 bytes).
QByteArray DirectoryEntry(int folder, const QByteArray& name);

// The first folder with a name in `memory` (the 64 KiB): "КВИР-510v2" the first page whose
// first byte is neither 0x00 nor 0xFF, "КВИР-210v1" the first directory entry in use.
// 0 when there is none.
int FirstNamedFolder(Model model, const QByteArray& memory, int base);

// Windows-1251 bytes of "ОБЩАЯ ПАПКА".
QByteArray CommonFolderName();

// The day word a model stores for a date: "КВИР-510v2" days since 1 January of the date's
// year, "КВИР-210v1" days from 1 January 2000 to the date's month and day in 2000.
quint16 DayWord(Model model, const QDate& date);
// Seconds since midnight halved.
quint16 TimeWord(const QTime& time);

// Windows-1251 with a table of its own. A character without a byte becomes '?' and clears
// `exact`. Byte 0x98, which has no character, stands for U+0098 both ways.
QByteArray ToWindows1251(const QString& text, bool* exact = nullptr);
QString FromWindows1251(const QByteArray& bytes);

}  // namespace kvir::sim
