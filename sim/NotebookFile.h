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
// Records are stored in the order of the file: the "КВИР-510v2" files each one at the next
// place of its folder's page (26 at most per folder, as many folders as the base leaves
// pages), the "КВИР-210v1" fills its record pages from place 0 of page 0 (page count × 23
// records: 1012 from base 0xA000), its records naming any folder 1 to 254, named or not.
// Neither instrument stores the year: a date keeps its month and day only (the "КВИР-510v2"
// counts days from 1 January of the date's year), and the time its even second.
//
// A "record" line is a record the console's reading takes. What an instrument may hold
// besides has lines of its own:
//
//   nameless 4                            "КВИР-510v2": page 4 is in use without a name (its
//                                         first byte 0x00); its records are hidden
//   hidden 2 2026-03-05 09:00:00 0 21 0 0 a record a reader passes over, in record form:
//          "КВИР-510v2": a record whose mode byte is 0 or 255 (it ends the page's records),
//          every record after it in that page, every record of a nameless or free page;
//          "КВИР-210v1": folder 0 (an empty place) or 255 (it ends the page's records), and
//          every record after a place that ended the page's records
//   skip 23                               "КВИР-210v1": the next 23 record places stay erased
//                                         (an erased place ends its page's records)
//   raw 0xF828 03C1E5                     bytes stored as they are at that address inside
//                                         the notebook area, after every other line
//
// A "record" line where a reader would not take it, or a "hidden" line it would, is refused.
// Saving writes every folder page, directory entry and record place up to the last one in
// use, and raw lines for whatever those lines do not reproduce exactly (a damaged check
// word, a day word no date gives, an unreadable directory entry), so a notebook saved and
// loaded again is the same memory, byte for byte.

#include "NotebookMemory.h"
#include "Simulator.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace kvir::sim {

struct NotebookFileError {
    int line = 0;  // 0 when the error concerns the whole file
    QString reason;

    QString text() const;
};

// The model the simulator's identification announces; Model::None for any other.
Model SimulatedModel(const Simulator& simulator);

// Erases the notebook area of the simulated model (record pages, and the directory of the
// "КВИР-210v1") and writes the notebook described by `text` into it. A "base" line changes
// the identification's notebook base first. On an error nothing is changed.
bool LoadNotebookText(Simulator& simulator, const QString& text, NotebookFileError* error);
bool LoadNotebookFile(Simulator& simulator, const QString& path, NotebookFileError* error);

// The notebook in the simulator's memory as text, lossless (see above). `today` gives the
// years of the dates, as the console's reading would, except that 29 February is written
// with the last leap year so that it keeps its day.
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
