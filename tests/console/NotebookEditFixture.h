#pragma once
// Folder edits and write-back end to end: a console connected to one simulated instrument,
// the expected memory built by a second simulator from a notebook text, and byte-exact
// comparison of the two memories.

#include "SimConsoleFixture.h"
#include "sim/NotebookFile.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace kvir::test {

// Three named folders, one free entry between them, and four records.
inline const QString kEditNotebook510 = QStringLiteral(
    "folder 1 ОБЩАЯ ПАПКА\n"
    "folder 2 РЕКА\n"
    "folder 4 ОЗЕРО\n"
    "record 1 2026-03-04 09:12:48 1 23.5 -12.3 5.5\n"
    "record 2 2026-05-10 00:00:00 3 18.25 105.5 4.25\n"
    "record 4 2026-03-04 09:12:48 2 20 0 6\n"
    "record 2 2026-11-30 23:59:58 4 -1.5 1234.5 3\n");

inline const QString kEditNotebook210 = QStringLiteral(
    "folder 1 ОБЩАЯ ПАПКА\n"
    "folder 2 КОТЕЛ\n"
    "folder 4 БАК\n"
    "record 2 2026-02-04 09:15:20 0 38.5 42.7 0.474\n"
    "record 1 2026-11-08 10:00:00 2 21.3 117 1.3 2350\n"
    "record 4 2026-06-03 09:14:50 3 39.4 46.3 0.514 12\n"
    "record 2 2026-06-04 09:14:50 1 39.4 46.3 0.514\n");

// The memory a simulated instrument of `model` ("510" or "210") holds after loading `text`.
inline QByteArray ExpectedMemory(const QString& model, const QString& text) {
    sim::Simulator expected;
    expected.setIdentification(model == QStringLiteral("210") ? sim::Kvir210Identification()
                                                              : sim::Kvir510Identification());
    sim::NotebookFileError error;
    EXPECT_TRUE(sim::LoadNotebookText(expected, text, &error)) << error.text().toStdString();
    return expected.memory();
}

// Equal memories, or the first differing address with 16 bytes of each from there.
inline ::testing::AssertionResult SameMemory(const QByteArray& actual, const QByteArray& expected) {
    if (actual.size() != expected.size()) {
        return ::testing::AssertionFailure()
               << "sizes " << actual.size() << " and " << expected.size();
    }
    for (qsizetype i = 0; i < actual.size(); ++i) {
        if (actual[i] != expected[i]) {
            return ::testing::AssertionFailure()
                   << "first difference at 0x" << QByteArray::number(i, 16).toStdString()
                   << ": actual " << actual.mid(i, 16).toHex(' ').toStdString() << ", expected "
                   << expected.mid(i, 16).toHex(' ').toStdString();
        }
    }
    return ::testing::AssertionSuccess();
}

class NotebookEditFixture : public SimConsoleFixture {
  public:
    using ConsoleFixture::Click;

    // Starts the console on `instrument` with `caption` as the last model, connects, reads
    // the notebook and brings up the folder editor. The instrument's request log is emptied.
    void Connect(SimulatedInstrument& instrument, const QString& caption) {
        WriteSettingsFor(instrument.port, 1, false, caption);
        StartWithProgress();
        Click("But_conect");
        Click("But_contr_papka");
        instrument.simulator.clearLog();
    }

    // The operator chooses folder `row` with the keyboard.
    void Select(int row) { W<QListWidget>("List_name")->setCurrentRow(row); }

    // Types a name into the field, as the operator does.
    void Type(const QString& name) { W<QLineEdit>("edit_name")->setText(name); }

    // The operator enters the port box, which ends the connection and lists the ports: now
    // only `instrument`'s, which the box then names.
    void SwitchTo(const SimulatedInstrument& instrument) {
        systemPorts = {instrument.port};
        QFocusEvent entering(QEvent::FocusIn, Qt::MouseFocusReason);
        QCoreApplication::sendEvent(W<QComboBox>("ComboBox1"), &entering);
        Settle();
        EXPECT_EQ(W<QComboBox>("ComboBox1")->currentText(), instrument.port);
    }

    // The request codes the instrument received, in order.
    static QList<int> Codes(const sim::Simulator& simulator) {
        QList<int> codes;
        for (const sim::LoggedRequest& request : simulator.requestLog()) {
            codes << request.code;
        }
        return codes;
    }

    // Every request of the log with a write code (18 for the "КВИР-510v2", 20 for the
    // "КВИР-210v1").
    static int Writes(const sim::Simulator& simulator) {
        int n = 0;
        for (const sim::LoggedRequest& request : simulator.requestLog()) {
            n += request.code == 18 || request.code == 20 ? 1 : 0;
        }
        return n;
    }

    QStringList Folders() const { return Items("List_name"); }

    // The end state of every write: not busy, progress window hidden.
    void ExpectIdle() {
        EXPECT_FALSE(IsFlat("But_conect"));
        EXPECT_FALSE(progress->isVisible());
    }

    // The lossless backup the protocol names, and the table for people beside it.
    static inline const QString kBackupName = QStringLiteral("KVIR-backup-20261207-090514.kvir");
    static inline const QString kBackupTable = QStringLiteral("KVIR-backup-20261207-090514.csv");
};

}  // namespace kvir::test
