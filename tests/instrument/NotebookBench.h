#pragma once
// An Instrument talking through the real link and frame codec to a simulated instrument,
// with the whole-notebook reads as the console runs them.

#include "NotebookTestSupport.h"

#include "instrument/DeviceModel.h"
#include "instrument/Util_modbas.h"
#include "link/Util_comport.h"
#include "sim/Simulator.h"
#include "sim/SimulatorPort.h"

#include <QStringList>

namespace kvir::test {

class NotebookBench {
  public:
    NotebookBench(DeviceModel model, int base);

    // The console's full read: folder pages of the "КВИР-510v2"; mode 1, directory, record
    // pages, mode 2 of the "КВИР-210v1". Stops at the first error.
    ExchangeResult ReadWhole();

    // The requests the instrument received, as "code start count data" with the start in
    // hexadecimal, the count as sent and the data bytes in hexadecimal.
    QStringList Requests() const;

    DeviceModel model;
    int base;
    sim::Simulator simulator;
    FakeContext context;
    SerialLink link;
    Instrument instrument;
};

}  // namespace kvir::test
