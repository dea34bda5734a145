#pragma once
// An Instrument talking through the real link and frame codec to a simulated instrument on the
// in-memory port, over a context of plain members, with the whole-notebook read as the console
// runs it.

#include "common/FakeContext.h"
#include "common/RequestLog.h"

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
    NotebookBench(DeviceModel m, int b, QDate today = QDate(2014, 3, 10))
        : model(m),
          base(b),
          link(sim::SimulatorPortFactory(simulator), [](int) {}),
          instrument(link, context) {
        sim::Identification id = model == DeviceModel::Ph510 ? sim::Kvir510Identification()
                                                             : sim::Kvir210Identification();
        id.notebookBase = static_cast<quint16>(base);
        simulator.setIdentification(id);
        context.ident[kIdentBase] = QString::number(base);
        context.date = today;
        EXPECT_EQ(link.OpenPort(QStringLiteral("sim")), 0);
    }

    // The console's full read into an emptied notebook; stops at the first error.
    ExchangeResult ReadWhole() {
        context.folders.clear();
        ClearNotebookImage(context.image);
        return ReadWholeNotebook(instrument, model, {}).result;
    }

    // "code start count data": start in hexadecimal, data bytes in hexadecimal.
    QStringList Requests() const { return FormatRequests(simulator); }

    DeviceModel model;
    int base;
    sim::Simulator simulator;
    FakeContext context;
    SerialLink link;
    Instrument instrument;
};

// What an instrument of `model` with `memory` holds, read on a clean line on `today`.
inline Notebook ReadMemory(DeviceModel model, const QByteArray& memory, int base = 0xD000,
                           QDate today = QDate(2026, 12, 7)) {
    auto bench = std::make_unique<NotebookBench>(model, base, today);
    bench->simulator.setMemory(memory);
    EXPECT_EQ(bench->ReadWhole(), xr::kOk);
    Notebook notebook;
    notebook.model = model;
    notebook.version = QString::number(bench->simulator.identification().version);
    notebook.base = base;
    notebook.folders = bench->context.folders;
    notebook.image = bench->context.image;
    return notebook;
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
