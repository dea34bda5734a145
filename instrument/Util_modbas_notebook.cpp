// Reading and writing the notebook of both memory layouts, one request at a time by the
// exchange pattern. The operations keep no state: the notebook base comes from the
// identification the instrument was given, records are read into the notebook handed in and
// written from the record handed in.

#include "Cp1251.h"
#include "MemoryLayout.h"
#include "Util_modbas.h"

namespace kvir {

namespace {

constexpr quint8 kReadByte = 1;
constexpr quint8 kReadTwoBytes = 3;
constexpr quint8 kReadWords = 4;
constexpr quint8 kWriteBytes = 18;  // the folder-page writes: count in bytes
constexpr quint8 kWriteWords = 20;  // the directory writes: count in words on the wire

constexpr quint8 kErased = 0xFF;
constexpr quint8 kEmpty = 0x00;

quint16 Address(int value) {
    return static_cast<quint16>(value);
}

// One request; 0 when the expected reply came, otherwise the operation's result. A reply
// whose payload is shorter than the request asked for counts as damaged and is tried again.
ExchangeResult Request(Instrument& instrument, quint8 code, quint16 start, int count,
                       const QByteArray& data, QByteArray* payload = nullptr, int payloadSize = 0) {
    return instrument.Exchange(code, start, count, data, code, Instrument::kAttempts, payload,
                               payloadSize);
}

}  // namespace

// ---- Reading -------------------------------------------------------------------------------

ExchangeResult Instrument::ReadDirectory(const NotebookLayout& l, Notebook& into,
                                         bool* commonMissing) {
    QByteArray directory;
    const ExchangeResult r = Request(*this, kReadWords, Address(l.directoryStart), kBlockReadWords,
                                     {}, &directory, kBlockReadBytes);
    if (r != xr::kOk) {
        return r;
    }
    into.pages.insert(l.directoryStart, directory.left(kBlockReadBytes));
    QStringList& folders = into.folders;
    folders.clear();
    const bool missing = static_cast<quint8>(directory[0]) != 1;
    if (commonMissing != nullptr) {
        *commonMissing = missing;
    }
    if (missing) {
        // Reading goes on with the default entry; the instrument is left as it is.
        directory.replace(0, l.entrySize, DefaultCommonFolderEntry(l));
    }
    for (int j = 0; j < l.directoryEntries; ++j) {
        const DirectoryEntry entry = DecodeDirectoryEntry(l, directory, j * l.entrySize);
        switch (entry.kind) {
            case DirectoryEntry::Kind::Free:
                folders.append(kFreeFolder);
                break;
            case DirectoryEntry::Kind::Named:
                folders.append(cp1251::Decode(entry.name));
                break;
            case DirectoryEntry::Kind::Unreadable:
                folders.append(kUnreadableFolder);
                break;
        }
    }
    return xr::kOk;
}

ExchangeResult Instrument::ReadFolderPage(const NotebookLayout& l, int index, Notebook& into,
                                          const QDate& today, int* dropped) {
    const int address = ident_.base + index * l.pageSize;
    const quint16 start = Address(address);
    QByteArray header;
    ExchangeResult r = Request(*this, kReadTwoBytes, start, 0, {}, &header, 2);
    if (r != xr::kOk) {
        return r;
    }
    if (static_cast<quint8>(header[0]) == kErased) {
        into.folders.append(kFreeFolder);
        return xr::kOk;
    }
    QByteArray page;
    r = Request(*this, kReadWords, start, kBlockReadWords, {}, &page, kBlockReadBytes);
    if (r != xr::kOk) {
        return r;
    }
    page.truncate(kBlockReadBytes);
    into.pages.insert(address, page);
    const quint8 first = static_cast<quint8>(page[0]);
    if (first == kEmpty || first == kErased) {
        // A page without a name holds no folder; it keeps its place in the list so that the
        // folders after it keep their numbers. Records on it stay in `pages`.
        into.folders.append(kFreeFolder);
        return xr::kOk;
    }
    into.folders.append(cp1251::Decode(FolderNameOfPage(l, page)));
    const int lost =
        AppendFolderPageRecords(l, into.image, page, static_cast<quint8>(index + 1), today);
    if (dropped != nullptr) {
        *dropped = lost;
    }
    return xr::kOk;
}

ExchangeResult Instrument::ReadRecordPage(const NotebookLayout& l, int index, Notebook& into,
                                          const QDate& today, int* dropped) {
    const int address = ident_.base + index * l.pageSize;
    const quint16 start = Address(address);
    QByteArray first;
    ExchangeResult r = Request(*this, kReadByte, start, 0, {}, &first, 1);
    if (r != xr::kOk) {
        return r;
    }
    if (static_cast<quint8>(first[0]) == kErased) {
        return xr::kOk;
    }
    QByteArray page;
    r = Request(*this, kReadWords, start, kBlockReadWords, {}, &page, kBlockReadBytes);
    if (r != xr::kOk) {
        return r;
    }
    page.truncate(kBlockReadBytes);
    into.pages.insert(address, page);
    const int lost = AppendRecordPageRecords(l, into.image, page, today);
    if (dropped != nullptr) {
        *dropped = lost;
    }
    return xr::kOk;
}

// ---- Writing: folder-page layout -----------------------------------------------------------

ExchangeResult Instrument::EraseFolderPage(const NotebookLayout& l, int index) {
    const int base = ident_.base;
    const ExchangeResult r = Request(*this, kWriteBytes, Address(base + index * l.pageSize), 0, {});
    if (r != xr::kOk || index != 0) {
        return r;
    }
    // The common folder never loses its name.
    const QByteArray header = CommonFolderHeader(l);
    return Request(*this, kWriteBytes, Address(base), static_cast<int>(header.size()), header);
}

ExchangeResult Instrument::WriteFolderHeader(const NotebookLayout& l, int index,
                                             const QString& name) {
    const int base = ident_.base;
    if (index < 0 || index >= LayoutPages(l, base)) {
        return xr::kOutsideNotebook;
    }
    if (index == 0) {
        return xr::kOk;  // the common folder's name never changes
    }
    const QByteArray header = EncodeFolderHeader(l, cp1251::Encode(name));
    return Request(*this, kWriteBytes, Address(base + index * l.pageSize),
                   static_cast<int>(header.size()), header);
}

ExchangeResult Instrument::WriteFolderRecord(const NotebookLayout& l, int index, int place,
                                             const StoredRecord& stored) {
    if (place < 0 || place >= l.recordsPerPage || index < 0 ||
        index >= LayoutPages(l, ident_.base)) {
        return xr::kOutsideNotebook;
    }
    const QByteArray record = EncodeRecord(l, stored);
    const int start = ident_.base + index * l.pageSize + l.firstRecord + place * l.record.size;
    return Request(*this, kWriteBytes, Address(start), static_cast<int>(record.size()), record);
}

// ---- Writing: directory layout -------------------------------------------------------------

ExchangeResult Instrument::ResetDirectory(const NotebookLayout& l) {
    const quint16 start = Address(l.directoryStart);
    const ExchangeResult r = Request(*this, kWriteWords, start, 0, {});
    if (r != xr::kOk) {
        return r;
    }
    const QByteArray entry = DefaultCommonFolderEntry(l);
    return Request(*this, kWriteWords, start, static_cast<int>(entry.size()), entry);
}

ExchangeResult Instrument::WriteDirectoryEntry(const NotebookLayout& l, int slot,
                                               const QString& name) {
    if (slot < 0 || slot >= l.directoryEntries) {
        return xr::kOutsideNotebook;
    }
    const QByteArray entry = EncodeDirectoryEntry(l, slot, cp1251::Encode(name));
    return Request(*this, kWriteWords, Address(l.directoryStart + slot * l.entrySize),
                   static_cast<int>(entry.size()), entry);
}

ExchangeResult Instrument::WritePagedRecord(const NotebookLayout& l, int slot,
                                            const StoredRecord& stored) {
    const int page = slot / l.recordsPerPage;
    const int place = slot % l.recordsPerPage;
    // A page at or beyond the page count would overlap the directory.
    if (slot < 0 || slot >= kNotebookSlots || page >= LayoutPages(l, ident_.base)) {
        return xr::kOutsideNotebook;
    }
    const QByteArray record = EncodeRecord(l, stored);
    const int pageStart = ident_.base + page * l.pageSize;
    if (place == 0) {
        // Records are written in ascending slot order, so a page is erased exactly once,
        // before its first record.
        const ExchangeResult r = Request(*this, kWriteWords, Address(pageStart), 0, {});
        if (r != xr::kOk) {
            return r;
        }
    }
    return Request(*this, kWriteWords, Address(pageStart + place * l.record.size),
                   static_cast<int>(record.size()), record);
}

ExchangeResult Instrument::ErasePage(int address) {
    return Request(*this, kWriteWords, Address(address), 0, {});
}

}  // namespace kvir
