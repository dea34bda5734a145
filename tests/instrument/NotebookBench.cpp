#include "NotebookBench.h"

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
    instrument.BeginNotebookRead();
    const int pages = PageCount(model, base);
    if (model == DeviceModel::Ph510) {
        for (int j = 0; j < pages; ++j) {
            if (const ExchangeResult r = instrument.ReadFolderPage(j); r != xr::kOk) {
                return r;
            }
        }
        return xr::kOk;
    }
    ExchangeResult r = instrument.SetExchangeMode(1);
    if (r == xr::kOk) {
        r = instrument.ReadDirectory();
    }
    for (int i = 0; r == xr::kOk && i < pages; ++i) {
        r = instrument.ReadRecordPage(i);
    }
    if (r == xr::kOk) {
        r = instrument.SetExchangeMode(2);
    }
    return r;
}

QStringList NotebookBench::Requests() const {
    QStringList lines;
    for (const sim::LoggedRequest& q : simulator.requestLog()) {
        QStringList parts{QString::number(q.code)};
        if (q.start >= 0) {
            parts << QStringLiteral("%1").arg(q.start, 4, 16, QLatin1Char('0')).toUpper();
        }
        if (q.count >= 0) {
            parts << QString::number(q.count);
        }
        if (!q.data.isEmpty()) {
            parts << QString::fromLatin1(q.data.toHex().toUpper());
        }
        lines << parts.join(QLatin1Char(' '));
    }
    return lines;
}

}  // namespace kvir::test
