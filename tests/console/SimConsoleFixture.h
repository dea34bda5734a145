#pragma once
// The main window end to end: instruments simulated on pseudo-terminals, reached through the
// real serial code, with the progress window in place and the operator dialogs scripted.

#include "ConsoleFixture.h"
#include "sim/PtyServer.h"
#include "sim/Simulator.h"
#include "windows/Progress.h"

#include <list>

namespace kvir::test {

struct SimulatedInstrument {
    sim::Simulator simulator;
    std::unique_ptr<sim::PtyServer> server;
    QString port;  // the symbolic link the console opens
};

// Two folders and four records, two of which share their date and time.
inline const QString kNotebook510 = QStringLiteral(
    "folder 1 ОБЩАЯ ПАПКА\n"
    "folder 2 РЕКА\n"
    "record 1 2026-03-04 09:12:48 1 23.5 -12.3 5.5\n"
    "record 2 2026-05-10 00:00:00 3 18.25 105.5 4.25\n"
    "record 2 2026-03-04 09:12:48 2 20 0 6\n"
    "record 1 2026-11-30 23:59:58 4 -1.5 1234.5 3\n");

// Two named folders (the second in entry 3) and three records; one is dated 8 December, after
// the test clock's day, so it belongs to the year before.
inline const QString kNotebook210 = QStringLiteral(
    "folder 1 ОБЩАЯ ПАПКА\n"
    "folder 3 ABC\n"
    "record 3 2026-02-04 09:15:20 0 38.5 42.7 0.474\n"
    "record 1 2026-12-08 10:00:00 2 21.3 117 1.3 2350\n"
    "record 3 2026-06-03 09:14:50 3 39.4 46.3 0.514 12\n");

// The questions before an edit or a write reaches the instrument, as "caption|text".
inline const QString kSaveQuestion =
    QStringLiteral("Предупреждение|Сохранить изменения в блокноте прибора?");
inline const QString kRecordsQuestion =
    QStringLiteral("ВНИМАНИЕ|В папке имеются записи\r\nудалить папку?");
inline const QString kUpdateQuestion = QStringLiteral(
    "ВНИМАНИЕ!|Блокнот будет очищен\r\nи заполнен данными из редактора блокнота\r\n\r\n"
    "          Обновить блокнот?");
inline const QString kInitQuestion = QStringLiteral(
    "ВНИМАНИЕ!|Операция восстановления структуры блокнота.\r\nБудут удалены все записи и "
    "папки блокнота\r\nЗаведена пустая \"ОБЩАЯ ПАПКА\"\r\n\r\n       Очистить блокнот?");

// The protocol lines without their date-time stamps.
inline QStringList Entries(const QStringList& protocol) {
    QStringList texts;
    for (const QString& line : protocol) {
        texts << line.section(QStringLiteral("  "), 1);
    }
    return texts;
}

inline QStringList Tail(const QStringList& lines, int n) {
    return lines.mid(lines.size() - n);
}

class SimConsoleFixture : public ConsoleFixture {
  protected:
    SimConsoleFixture();
    ~SimConsoleFixture() override;

    // An instrument of `model` ("510" or "210") on a pseudo-terminal, its notebook loaded
    // from a text in the simulator's notebook format (empty: erased memory); `wireSpeed` paces
    // it as a 9600-baud line.
    SimulatedInstrument& AddInstrument(const QString& model, const QString& notebookText = {},
                                       bool wireSpeed = false);
    // The same, from one of the sample notebooks in sim/samples ("510-small", ...).
    SimulatedInstrument& AddSample(const QString& model, const QString& sample);
    // A pseudo-terminal that opens but where nothing answers.
    SimulatedInstrument& AddSilentPort();

    // Settings naming `port`, the start page and the connection mode; written to the
    // working directory.
    void WriteSettingsFor(const QString& port, int startPage = 1, bool automatic = false,
                          const QString& pribor = kModelNone);
    // Starts the window with the progress window attached (the window owns it).
    TGround_form& StartWithProgress();
    // An instrument of `model` holding `notebook`, and the console started with that model as
    // its last and connected to it by "Подключиться", with no message; the instrument's
    // request log is emptied.
    SimulatedInstrument& ConnectTo(const QString& model, const QString& notebook);

    // Selects rows `top` to `bottom` of the record table with `current` the current row, as a
    // click and a shift-click do.
    void SelectRows(int top, int bottom, int current = -1);
    // The tags of the record table's rows, '.' for an untagged row.
    QString Tags() const;

    // The texts of the record table's data rows, columns 1 to 9 joined by '|'.
    QStringList TableRows() const;

    SerialLink realLink{QtPortFactoryForTests(), [](int) {}};
    std::list<SimulatedInstrument> instruments;
    Tprogressmetr* progress = nullptr;

  private:
    static PortFactory QtPortFactoryForTests();
};

}  // namespace kvir::test
