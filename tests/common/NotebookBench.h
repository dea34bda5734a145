#pragma once
// An Instrument talking through the real link and frame codec to a simulated instrument on the
// in-memory port, with the whole-notebook read as the console runs it.

#include "common/RequestLog.h"

#include "instrument/Cp1251.h"
#include "instrument/MemoryLayout.h"
#include "instrument/Notebook.h"
#include "instrument/NotebookSequences.h"
#include "link/Util_comport.h"
#include "sim/Simulator.h"
#include "sim/SimulatorPeer.h"

#include <gtest/gtest.h>

#include <QSet>
#include <QStringList>

#include <memory>

namespace kvir::test {

class NotebookBench {
  public:
    NotebookBench(DeviceModel m, int b, QDate day = QDate(2014, 3, 10))
        : model(m), base(b), today(day), link(sim::SimulatorPortFactory(simulator), [](int) {}) {
        sim::Identification id = model == DeviceModel::Ph510 ? sim::Kvir510Identification()
                                                             : sim::Kvir210Identification();
        id.notebookBase = static_cast<quint16>(base);
        simulator.setIdentification(id);
        Identify();
        EXPECT_EQ(link.OpenPort(QStringLiteral("sim")), 0);
    }

    // Gives the instrument what the simulator would answer to an identification request (a
    // notebook file may have moved the base), without sending one.
    void Identify() {
        const sim::Identification id = simulator.identification();
        base = id.notebookBase;
        instrument.setIdentification(
            {cp1251::Decode(id.name), QString::number(id.version), id.notebookBase});
    }

    // The console's full read; `notebook` and `warnings` receive what it read and told.
    ExchangeResult ReadWhole() {
        warnings.clear();
        ReadHooks hooks;
        hooks.warn = [this](InstrumentWarning w) { warnings << w; };
        NotebookRead read = ReadWholeNotebook(instrument, model, today, hooks);
        notebook = std::move(read.notebook);
        return read.outcome.result;
    }

    // "code start count data": start in hexadecimal, data bytes in hexadecimal.
    QStringList Requests() const { return FormatRequests(simulator); }

    DeviceModel model;
    int base;
    QDate today;
    sim::Simulator simulator;
    SerialLink link;
    Instrument instrument{link};
    Notebook notebook;
    QList<InstrumentWarning> warnings;
};

// What an instrument of `model` with `memory` holds, read on a clean line on `today`.
inline Notebook ReadMemory(DeviceModel model, const QByteArray& memory, int base = 0xD000,
                           QDate today = QDate(2026, 12, 7)) {
    auto bench = std::make_unique<NotebookBench>(model, base, today);
    bench->simulator.setMemory(memory);
    EXPECT_EQ(bench->ReadWhole(), xr::kOk);
    return bench->notebook;
}

// The records of a notebook as the instrument stores them, each without its folder number
// (folders move and are renamed; the measurement stays the same).
inline QSet<QByteArray> RecordKeys(const Notebook& notebook) {
    QSet<QByteArray> keys;
    const NotebookLayout* layout = LayoutOf(notebook.model);
    for (int s = 0; layout != nullptr && s < kNotebookSlots; ++s) {
        if (notebook.image.folderNo[static_cast<size_t>(s)] != 0) {
            StoredRecord r = RecordFromSlot(notebook.image, s);
            r.folderNo = 0;
            keys.insert(char(notebook.model) + EncodeRecord(*layout, r));
        }
    }
    return keys;
}

}  // namespace kvir::test
