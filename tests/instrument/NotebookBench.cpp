#include "NotebookBench.h"

#include "common/RequestLog.h"
#include "instrument/NotebookSequences.h"

#include <gtest/gtest.h>

#include <memory>

namespace kvir::test {

NotebookBench::NotebookBench(DeviceModel m, int b)
    : model(m),
      base(b),
      link([this] { return std::make_unique<sim::SimulatorPort>(simulator); }, [](int) {}),
      instrument(link, context) {
    sim::Identification id =
        model == DeviceModel::Ph510 ? sim::Kvir510Identification() : sim::Kvir210Identification();
    id.notebookBase = static_cast<quint16>(base);
    simulator.setIdentification(id);
    context.ident[kIdentBase] = QString::number(base);
    context.date = QDate(2014, 3, 10);
    EXPECT_EQ(link.OpenPort(QStringLiteral("sim")), 0);
}

ExchangeResult NotebookBench::ReadWhole() {
    context.folders.clear();
    ClearNotebookImage(context.image);
    return ReadWholeNotebook(instrument, model, {}).result;
}

QStringList NotebookBench::Requests() const {
    return FormatRequests(simulator);
}

}  // namespace kvir::test
