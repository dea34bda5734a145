#pragma once
// Command line of the kvir-sim executable, kept apart from main() so that tests parse the same
// options the executable does.

#include "Fault.h"
#include "Simulator.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kvir::sim {

struct SimOptions {
    Identification identification = Kvir510Identification();
    QString linkPath;
    bool wireSpeed = false;
    QList<Fault> faults;
    QString logFile;
    QString memoryFile;       // raw 64 KiB image loaded at start
    double measureEvery = 0;  // seconds between measurements the instrument stores; 0: none
};

enum class ParseOutcome { Run, Help, Version, Error };

// Parses the arguments (the program name first). On Help `message` holds the help text, on
// Error the reason; Version asks for the program's version.
ParseOutcome ParseSimOptions(const QStringList& arguments, SimOptions& options, QString& message);

// Fills the simulator's memory from the files named in `options`. False with the reason when a
// file cannot be read or has the wrong size.
bool LoadStartImage(Simulator& simulator, const SimOptions& options, QString& error);

// The 8 name bytes of an identification: `text` in Windows-1251 ('?' for a character it
// lacks), padded with blanks or cut to 8 bytes.
QByteArray InstrumentNameBytes(const QString& text);

}  // namespace kvir::sim
