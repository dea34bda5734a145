#include "SimConsoleFixture.h"

#include "Settings.h"
#include "TextFiles.h"
#include "link/QtSerialPortImpl.h"
#include "sim/NotebookFile.h"

#include <QFile>
#include <QItemSelectionModel>
#include <QTableView>

namespace kvir::test {

PortFactory SimConsoleFixture::QtPortFactoryForTests() {
    return QtPortFactory();
}

SimConsoleFixture::SimConsoleFixture() {
    windowLink = &realLink;
}

SimConsoleFixture::~SimConsoleFixture() {
    form.reset();
    realLink.ClosePort();
    for (SimulatedInstrument& instrument : instruments) {
        if (instrument.server) {
            instrument.server->stop();
        }
    }
}

SimulatedInstrument& SimConsoleFixture::AddInstrument(const QString& model,
                                                      const QString& notebookText, bool wireSpeed) {
    SimulatedInstrument& instrument = instruments.emplace_back();
    instrument.simulator.setIdentification(model == QStringLiteral("210")
                                               ? sim::Kvir210Identification()
                                               : sim::Kvir510Identification());
    if (!notebookText.isEmpty()) {
        sim::NotebookFileError error;
        EXPECT_TRUE(sim::LoadNotebookText(instrument.simulator, notebookText, &error))
            << error.text().toStdString();
    }
    instrument.port = PathOf(QStringLiteral("port%1").arg(instruments.size()));
    instrument.server = std::make_unique<sim::PtyServer>(
        instrument.simulator, sim::PtyServer::Options{instrument.port, wireSpeed});
    QString error;
    EXPECT_FALSE(instrument.server->start(&error).isEmpty()) << error.toStdString();
    return instrument;
}

SimulatedInstrument& SimConsoleFixture::AddSample(const QString& model, const QString& sample) {
    QFile file(QStringLiteral(KVIR_SOURCE_DIR "/sim/samples/") + sample + QStringLiteral(".txt"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << sample.toStdString();
    return AddInstrument(model, QString::fromUtf8(file.readAll()));
}

SimulatedInstrument& SimConsoleFixture::AddSilentPort() {
    SimulatedInstrument& instrument = AddInstrument(QStringLiteral("510"));
    instrument.simulator.addFault({sim::FaultKind::Silence});
    return instrument;
}

void SimConsoleFixture::WriteSettingsFor(const QString& port, int startPage, bool automatic,
                                         const QString& pribor) {
    WriteSettings(SettingsWith({{QStringLiteral("port"), port},
                                {QStringLiteral("StartPage"), QString::number(startPage)},
                                {QStringLiteral("Connect"), automatic ? "1" : "0"},
                                {QStringLiteral("Pribor"), pribor}}));
}

TGround_form& SimConsoleFixture::StartWithProgress() {
    TGround_form& f = Start();
    progress = new Tprogressmetr;
    f.setAuxWindows(progress, nullptr);
    return f;
}

SimulatedInstrument& SimConsoleFixture::ConnectTo(const QString& model, const QString& notebook) {
    SimulatedInstrument& instrument = AddInstrument(model, notebook);
    WriteSettingsFor(instrument.port, 1, false,
                     model == QStringLiteral("210") ? kModel210 : kModel510);
    StartWithProgress();
    Click(QStringLiteral("But_conect"));
    EXPECT_TRUE(dialogs.calls().empty()) << dialogs.transcript().join(u'\n').toStdString();
    instrument.simulator.clearLog();
    return instrument;
}

void SimConsoleFixture::SelectRows(int top, int bottom, int current) {
    QTableView* table = W<QTableView>(QStringLiteral("Tabl_sort_name_dat"));
    const QAbstractItemModel* model = table->model();
    table->clearSelection();
    table->selectionModel()->setCurrentIndex(model->index(current < 0 ? top : current, 2),
                                             QItemSelectionModel::NoUpdate);
    table->selectionModel()->select(QItemSelection(model->index(top, 0), model->index(bottom, 9)),
                                    QItemSelectionModel::Select);
}

QString SimConsoleFixture::Tags() const {
    QString tags;
    const QAbstractItemModel* model = W<QTableView>(QStringLiteral("Tabl_sort_name_dat"))->model();
    for (int r = 0; r < model->rowCount(); ++r) {
        const QString tag = model->index(r, 0).data().toString();
        tags += tag.isEmpty() ? QStringLiteral(".") : tag;
    }
    return tags;
}

QStringList SimConsoleFixture::TableRows() const {
    QStringList rows;
    const QAbstractItemModel* model = W<QTableView>(QStringLiteral("Tabl_sort_name_dat"))->model();
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 1; c < 10; ++c) {
            cells << model->index(r, c).data().toString();
        }
        rows << cells.join(u'|');
    }
    return rows;
}

}  // namespace kvir::test
