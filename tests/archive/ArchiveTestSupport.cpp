#include "ArchiveTestSupport.h"

#include "instrument/NotebookSequences.h"
#include "sim/NotebookFile.h"
#include "sim/SimulatorPeer.h"

#include <cstdio>
#include <memory>

namespace kvir::test {

Notebook ReadSampleNotebook(DeviceModel model, const QString& size, const QDate& today) {
    const bool ph = model == DeviceModel::Ph510;
    sim::Simulator simulator;
    simulator.setIdentification(ph ? sim::Kvir510Identification() : sim::Kvir210Identification());
    const QString path = QStringLiteral(KVIR_SOURCE_DIR "/sim/samples/") +
                         (ph ? QStringLiteral("510-") : QStringLiteral("210-")) + size +
                         QStringLiteral(".txt");
    sim::NotebookFileError error;
    if (!sim::LoadNotebookFile(simulator, path, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error.text()));
        return {};
    }
    SerialLink link(sim::SimulatorPortFactory(simulator), [](int) {});
    Instrument instrument(link);
    if (link.OpenPort(QStringLiteral("sim")) != xr::kOk ||
        instrument.ReadIdentification() != xr::kOk) {
        return {};
    }
    return ReadWholeNotebook(instrument, model, today).notebook;
}

Notebook VariantNotebook(const Notebook& notebook, int days, int salt) {
    Notebook v = notebook;
    NotebookImage& m = v.image;
    for (size_t s = 0; s < kNotebookSlots && m.folderNo[s] != 0; ++s) {
        m.dayWord[s] = static_cast<quint16>(m.dayWord[s] + days);
        m.stamp[s] += days;
        m.value2[s] += static_cast<float>(salt) * 0.125f;
        m.value3[s] += static_cast<float>(salt % 7) * 0.001f;
    }
    return v;
}

std::optional<ArchiveLocation> TestServer() {
    const QString text = qEnvironmentVariable("KVIR_TEST_POSTGRES");
    if (text.isEmpty()) {
        return std::nullopt;
    }
    int badLine = 0;
    return ParseConnectionLines(text.split(u' ', Qt::SkipEmptyParts), &badLine);
}

}  // namespace kvir::test
