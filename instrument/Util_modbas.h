#pragma once
// Operations on the instrument: presence check, identification, exchange mode, and (with the
// memory layouts) reading and writing the notebook. They take values and return values: the
// instrument is addressed with the device number and identification it was given when the
// operation started, a read fills the notebook it is handed, a write sends the record it is
// handed. Nothing here reaches back for a widget's text.

#include "DeviceModel.h"
#include "MemoryLayout.h"
#include "Notebook.h"
#include "link/Util_comport.h"

#include <QByteArray>
#include <QDate>

#include <atomic>
#include <optional>

namespace kvir {

inline const QString kFreeFolder = QStringLiteral("<свободно>");
inline const QString kCommonFolder = QStringLiteral("ОБЩАЯ ПАПКА");
inline const QString kUnreadableFolder = QStringLiteral("<?\?\?>");

// What the instrument says of itself: the 8-character name, the firmware version (decimal)
// and the notebook base address.
struct Identification {
    QString name;
    QString version;
    int base = 0;

    friend bool operator==(const Identification&, const Identification&) = default;
};

// What a notebook read may have to tell the operator while it goes on.
enum class InstrumentWarning {
    NoCommonFolder,  // the directory's first entry is not the common folder
    TooManyRecords,  // the instrument holds more records than memory's slots
};

// The low 8 bits of a decimal device number; nothing when the text is not a decimal integer
// (surrounding blanks are allowed).
std::optional<quint8> ParseDeviceNumber(const QString& text);

class Instrument {
  public:
    explicit Instrument(SerialLink& link, quint8 address = 1);

    // The device number every request is addressed to.
    void setAddress(quint8 address) { address_ = address; }
    quint8 address() const { return address_; }
    // The identification reads and writes take the notebook base from.
    void setIdentification(const Identification& identification) { ident_ = identification; }
    const Identification& identification() const { return ident_; }
    // While `flag` is set, no further request is sent: the operation returns kCancelled
    // before it. nullptr (the default) makes the requests that follow uninterruptible.
    void setCancel(const std::atomic<bool>* flag) { cancel_ = flag; }

    // Code 0, one attempt. 0 when the instrument answers with code 0.
    ExchangeResult PingInstrument();
    // Code 15, three attempts; on success identification() holds what it said.
    ExchangeResult ReadIdentification();
    // Code 16 with the state byte; state 1 allows 10 attempts, any other state 3.
    ExchangeResult SetExchangeMode(quint8 state);

    // One request by the exchange pattern: up to `attempts` tries while the result is an
    // exchange error; a reply code other than `expected` gives 131. `payload` receives the
    // delivered bytes; a payload shorter than `minPayload` counts as a damaged reply (129)
    // and is tried again like one.
    ExchangeResult Exchange(quint8 code, quint16 start, int count, const QByteArray& data,
                            quint8 expected, int attempts, QByteArray* payload = nullptr,
                            int minPayload = 0);

    // ---- Notebook reading (both memory layouts) ----
    // Each reads in `layout`, the identified model's, and appends to `into` (its folder list,
    // its image from the first free slot, and the bytes of every block read in `into.pages`).
    // `today` dates the records. `dropped` (when given) receives the records that found no
    // free slot.
    // Directory layout: the folder directory; `commonMissing` is set when its first entry is
    // not the common folder (the default entry is read in its place).
    ExchangeResult ReadDirectory(const NotebookLayout& layout, Notebook& into,
                                 bool* commonMissing = nullptr);
    // Folder-page layout: folder index + 1 and its records.
    ExchangeResult ReadFolderPage(const NotebookLayout& layout, int index, Notebook& into,
                                  const QDate& today, int* dropped = nullptr);
    // Directory layout: the records of record page `index`.
    ExchangeResult ReadRecordPage(const NotebookLayout& layout, int index, Notebook& into,
                                  const QDate& today, int* dropped = nullptr);

    // ---- Notebook writing ----
    // Folder-page layout.
    ExchangeResult EraseFolderPage(const NotebookLayout& layout, int index);
    ExchangeResult WriteFolderHeader(const NotebookLayout& layout, int index, const QString& name);
    ExchangeResult WriteFolderRecord(const NotebookLayout& layout, int index, int place,
                                     const StoredRecord& record);
    // Directory layout. `slot` of a paged record is its record number.
    ExchangeResult ResetDirectory(const NotebookLayout& layout);
    ExchangeResult WriteDirectoryEntry(const NotebookLayout& layout, int slot, const QString& name);
    ExchangeResult WritePagedRecord(const NotebookLayout& layout, int slot,
                                    const StoredRecord& record);
    ExchangeResult ErasePage(int address);

    SerialLink& link() { return link_; }

    static constexpr int kAttempts = 3;
    static constexpr int kModeOnAttempts = 10;

  private:
    SerialLink& link_;
    quint8 address_;
    Identification ident_;
    const std::atomic<bool>* cancel_ = nullptr;
};

}  // namespace kvir
