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

class SimConsoleFixture : public ConsoleFixture {
  protected:
    SimConsoleFixture();
    ~SimConsoleFixture() override;

    // An instrument of `model` ("510" or "210") on a pseudo-terminal, its notebook loaded
    // from a text in the simulator's notebook format (empty: erased memory).
    SimulatedInstrument& AddInstrument(const QString& model, const QString& notebookText = {});
    // The same, from one of the sample notebooks in sim/samples ("510-small", ...).
    SimulatedInstrument& AddSample(const QString& model, const QString& sample);
    // A pseudo-terminal that opens but where nothing answers.
    SimulatedInstrument& AddSilentPort();

    // Settings naming `port`, the start page and the connection mode; written to the
    // working directory.
    void WriteSettingsFor(const QString& port, int startPage = 1, bool automatic = false,
                          const QString& pribor = kModelNone);
    // Starts the window with the progress window attached.
    TGround_form& StartWithProgress();

    // The texts of the record table's data rows, columns 1 to 9 joined by '|'.
    QStringList TableRows() const;

    SerialLink realLink{QtPortFactoryForTests(), [](int) {}};
    std::list<SimulatedInstrument> instruments;
    std::unique_ptr<Tprogressmetr> progress;

  private:
    static PortFactory QtPortFactoryForTests();
};

}  // namespace kvir::test
