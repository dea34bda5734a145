#pragma once
// A readable notebook file for the simulator: one line per folder and per record, UTF-8,
// turned into the memory layout of the simulated model and back.
//
//   # comment
//   model КВИР-210v1                      optional; must match the simulated model
//   base 0xA000                           optional; sets the notebook base
//   folder 1 ОБЩАЯ ПАПКА                  folder number, then the name (up to 16 bytes)
//   record 1 2026-03-05 09:00:00 1 21.5 -12.3 7.01 [150]
//          folder, date, time, mode byte, value 1, value 2, value 3, and for the
//          "КВИР-210v1" the salinity (value 4, an integer, 0 when left out)
//
// Records are stored in the order of the file: the "КВИР-510v2" files each one in its
// folder's page (26 at most per folder), the "КВИР-210v1" fills its record pages from the
// first. Neither instrument stores the year: a date keeps its month and day only (the
// "КВИР-510v2" counts days from 1 January of the date's year), and the time its even second.

#include "Simulator.h"

#include "instrument/DeviceModel.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace kvir::sim {

struct NotebookFileError {
    int line = 0;  // 0 when the error concerns the whole file
    QString reason;

    QString text() const;
};

// The model the simulator's identification announces; DeviceModel::None for any other.
DeviceModel SimulatedModel(const Simulator& simulator);

// Erases the notebook area of the simulated model (record pages, and the directory of the
// "КВИР-210v1") and writes the notebook described by `text` into it. A "base" line changes
// the identification's notebook base first. On an error nothing is changed.
bool LoadNotebookText(Simulator& simulator, const QString& text, NotebookFileError* error);
bool LoadNotebookFile(Simulator& simulator, const QString& path, NotebookFileError* error);

// The notebook in the simulator's memory as text. `today` gives the years of the dates, as
// the console's reading would. Folders and records the format cannot express (a nameless
// page in use, an unreadable directory entry) become comments.
QString SaveNotebookText(const Simulator& simulator, const QDate& today);
bool SaveNotebookFile(const Simulator& simulator, const QString& path, const QDate& today,
                      QString* error);

// Command line of kvir-sim: removes "--notebook FILE" (or "--notebook=FILE") from `arguments`
// and returns FILE; empty when the option is absent. A missing FILE sets `error`.
QString TakeNotebookOption(QStringList& arguments, QString* error);
inline constexpr const char* kNotebookOptionHelp =
    "  --notebook <file>  Notebook text (folders and records, UTF-8) to load into the\n"
    "                     memory; its \"base\" line sets the notebook base.\n";

}  // namespace kvir::sim
