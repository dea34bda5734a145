#pragma once
// Operations on the instrument: presence check, identification, exchange mode, and (with the
// memory layouts) reading and writing the notebook. They keep no state of their own: the
// link, the identification table, NotebookImage and the folder list belong to the owner,
// reached through InstrumentContext.

#include "DeviceModel.h"
#include "InstrumentContext.h"
#include "link/Util_comport.h"

#include <QByteArray>

#include <optional>

namespace kvir {

inline const QString kFreeFolder = QStringLiteral("<свободно>");
inline const QString kCommonFolder = QStringLiteral("ОБЩАЯ ПАПКА");
inline const QString kUnreadableFolder = QStringLiteral("<?\?\?>");

class Instrument {
  public:
    Instrument(SerialLink& link, InstrumentContext& context);

    // Code 0, one attempt. 0 when the instrument answers with code 0.
    ExchangeResult PingInstrument();
    // Code 15, three attempts; on success fills the identification table.
    ExchangeResult ReadIdentification();
    // Code 16 with the state byte; state 1 allows 10 attempts, any other state 3.
    ExchangeResult SetExchangeMode(quint8 state);

    // One request by the exchange pattern: up to `attempts` tries while the result is an
    // exchange error; a reply code other than `expected` gives 131. The device number is
    // read anew for every try. `payload` receives the delivered bytes; a payload shorter
    // than `minPayload` counts as a damaged reply (129) and is tried again like one.
    ExchangeResult Exchange(quint8 code, quint16 start, int count, const QByteArray& data,
                            quint8 expected, int attempts, QByteArray* payload = nullptr,
                            int minPayload = 0);

    // ---- Notebook reading (both memory layouts) ----
    // Starts one whole-notebook read: the overflow warning is given at most once per read.
    void BeginNotebookRead();
    // "КВИР-210v1": reads the folder directory into the folder list (25 entries).
    ExchangeResult ReadDirectory();
    // "КВИР-510v2": appends folder index + 1 to the folder list and its records to the image.
    ExchangeResult ReadFolderPage(int index);
    // "КВИР-210v1": appends the records of record page `index` to the image.
    ExchangeResult ReadRecordPage(int index);

    // ---- Notebook writing ----
    // "КВИР-510v2" folder-page layout.
    ExchangeResult EraseFolderPage(int index);
    ExchangeResult WriteFolderHeader(int index, const QString& name);
    ExchangeResult WriteFolderRecord(int index, int place, int slot);
    // "КВИР-210v1" directory layout.
    ExchangeResult ResetDirectory();
    ExchangeResult WriteDirectoryEntry(int slot, const QString& name);
    ExchangeResult WritePagedRecord(int slot);
    ExchangeResult ErasePage(int address);

    // The notebook base from the identification table; nothing when it is not a number.
    std::optional<int> notebookBase() const;

    SerialLink& link() { return link_; }
    InstrumentContext& context() { return context_; }

    static constexpr int kAttempts = 3;
    static constexpr int kModeOnAttempts = 10;

  private:
    SerialLink& link_;
    InstrumentContext& context_;
    bool overflowReported_ = false;
};

}  // namespace kvir
